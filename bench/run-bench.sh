#!/usr/bin/env bash
# Measures the installer and prints one table: the portable logic natively, then the real exe
# under Wine beside a minimal installer. Builds what it needs first.
#
#   bench/run-bench.sh            # everything
#   bench/run-bench.sh --native   # only the native part (no Wine)
#
# The Wine part measures the 32-bit build where this machine runs 32-bit programs, and the 64-bit
# build of the same sources elsewhere or with FI_WINE_ROUTE=win64 (tests/wine/route.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

bash .ci/setup >/dev/null
cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null

out=$(mktemp -d "${TMPDIR:-/tmp}/fi-bench.XXXXXX")
trap 'rm -rf "$out"' EXIT

build/bench/bench/native/fi_bench_native "$out" >"$out/native.txt"
# fontlist on real-size fonts: Debian's font packages, fetched once into the build tree.
tests/fontlist/wine/fetch_real_fonts.sh build/bench/real-fonts >/dev/null
build/bench/bench/native/fontlist_bench build/bench/real-fonts/fonts "$out/fontlist" \
    >"$out/fontlist.txt"
if [ "${1:-}" != "--native" ]; then
    route=$(tests/wine/route.sh)
    cmake --preset "$route" >/dev/null
    cmake --build --preset "$route" >/dev/null
    FI_WINE_ARCH=$route /usr/bin/python3 bench/wine/bench_wine.py \
        --installer-bench "build/$route/bench/wine/FontInstallerBench.exe" \
        --minimal "build/$route/bench/wine/minimal_installer.exe" \
        --uidriver "build/$route/tests/e2e/uidriver.exe" \
        --template "build/$route/wine-template" \
        --out-dir "$out/wine" >"$out/wine.txt"
fi
/usr/bin/python3 bench/format_table.py "$out"/*.txt
