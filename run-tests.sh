#!/usr/bin/env bash
# Installs what the build needs, then builds and runs every test: the unit tests natively (with
# AddressSanitizer and UBSan), the fuzz targets for a bounded time, the Windows build with its
# platform and end-to-end tests under Wine and Xvfb, the two release artefacts (the Windows ZIP and
# the Linux fontlist package, and the ZIP signed with a throw-away certificate), and the static
# analysers. Also checks the formatting of the C++
# sources.
#
# The product, FontInstaller.exe, is always the 32-bit build, checked as a file. Under Wine the
# tests run on it where this machine runs 32-bit programs, and otherwise (or with
# FI_WINE_ROUTE=win64) on the 64-bit build of the same sources (tests/wine/route.sh).
set -euo pipefail
cd "$(dirname "$0")"

bash .ci/setup

git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror

cmake --workflow --preset native
cmake --workflow --preset fuzz
route=$(tests/wine/route.sh)
if [ "$route" = win32 ]; then
    cmake --workflow --preset win32
else
    # The product and its file check; the rest of the win32 tests need the 32-bit loader.
    cmake --preset win32
    cmake --build --preset win32
    ctest --preset win32 -L exe-check
    cmake --workflow --preset win64
fi

version=$(sed -n 's/^project(FontInstaller VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
cmake --workflow --preset release
cmake --workflow --preset release-linux
/usr/bin/python3 tests/release/check_release.py "$version" "build/release/FontInstaller-$version.zip" \
    "build/release-linux/fontlist_${version}_amd64.deb"
# The same release signed with a throw-away certificate, and verified (only the packaging again).
tests/release/check_signing.sh "$version"

.ci/analyse
