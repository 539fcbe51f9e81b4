#!/usr/bin/env bash
# Installs what the build needs, builds FontInstaller.exe and starts it under Wine on a demo
# package of generated fonts, as a user would see it (without a display: installs them headless).
set -euo pipefail
cd "$(dirname "$0")"

bash .ci/setup
cmake --preset win32
cmake --build --preset win32 --target FontInstaller uidriver fontprobe
bash demo/run-demo.sh "$PWD/build/win32/FontInstaller.exe"
