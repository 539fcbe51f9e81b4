#!/usr/bin/env bash
# Installs what the build needs, builds FontInstaller.exe and starts it under Wine on a demo
# package of generated fonts, as a user would see it (without a display: installs them headless).
# On a machine that cannot run 32-bit programs (or with FI_WINE_ROUTE=win64) the demo runs the
# 64-bit build of the same sources in a 64-bit prefix.
set -euo pipefail
cd "$(dirname "$0")"

bash .ci/setup
route=$(tests/wine/route.sh)
cmake --preset "$route"
cmake --build --preset "$route" --target FontInstaller fontlist uidriver fontprobe
bash demo/run-demo.sh "$PWD/build/$route/FontInstaller.exe"
