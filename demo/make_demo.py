#!/usr/bin/python3
"""Makes the fonts of a demo font package.

    /usr/bin/python3 demo/make_demo.py FOLDER

Its FontList.txt is then written by `fontlist make FOLDER`, as a font maker would write it
(demo/run-demo.sh does). The fonts come from tests/fonts/make_fonts.py, which the tests use too.
"""

import os
import sys

# No __pycache__ folder in the source tree.
sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "fonts"))

from make_fonts import FontSpec, save_collection, save_font  # noqa: E402

# (file name, faces). "ソフト表示" has 0x5C as the second byte of two of its CP932 characters,
# which catches code that looks for '\\' byte by byte.
DEMO_FILES = [
    ("FIDemoMincho.ttf", [FontSpec("FI Demo Mincho", "FIDemoMincho", "ＦＩデモ明朝")]),
    ("FISoftHyoji.ttf", [FontSpec("FI Soft Hyoji", "FISoftHyoji", "ソフト表示")]),
    ("FIDemoSans.otf", [FontSpec("FI Demo Sans", "FIDemoSans", cff=True)]),
    (
        "FIDemoGothic.ttc",
        [
            FontSpec("FI Demo Gothic", "FIDemoGothic", "ＦＩデモゴシック"),
            FontSpec("FI Demo PGothic", "FIDemoPGothic", "ＦＩデモＰゴシック"),
        ],
    ),
]


def make_demo_package(folder):
    """Writes the fonts into folder; returns (face, file) for each, a collection's first face."""
    os.makedirs(folder, exist_ok=True)
    entries = []
    for file_name, faces in DEMO_FILES:
        path = os.path.join(folder, file_name)
        if file_name.endswith(".ttc"):
            save_collection(faces, path)
        else:
            save_font(faces[0], path)
        # A collection is listed under its first face.
        entries.append((faces[0].face_name, file_name))
    return entries


def main(argv):
    if len(argv) != 2:
        print("usage: make_demo.py FOLDER", file=sys.stderr)
        return 2
    for face, file_name in make_demo_package(argv[1]):
        print("%s\t%s" % (file_name, face))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
