#!/usr/bin/env bash
# Installs what the build needs, then builds and runs every test: the unit tests natively (with
# AddressSanitizer and UBSan), the fuzz targets for a bounded time, the Windows build with its
# platform and end-to-end tests under Wine and Xvfb, and the static analysers. Also checks the
# formatting of the C++ sources.
set -euo pipefail
cd "$(dirname "$0")"

bash .ci/setup

git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror

cmake --workflow --preset native
cmake --workflow --preset fuzz
cmake --workflow --preset win32
.ci/analyse
