"""Writes the probe font of the Windows-side tests: a family name that no system has."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fonts"))
from make_fonts import FontSpec, save_font  # noqa: E402

save_font(FontSpec("FI Probe Serif", "FIProbeSerif", "ＦＩ探針表示"), sys.argv[1])
