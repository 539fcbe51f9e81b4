#!/usr/bin/env bash
# Measures the installer and prints one table: the portable logic natively, then the real exe
# under Wine beside a minimal installer. Builds what it needs first.
#
#   bench/run-bench.sh            # everything
#   bench/run-bench.sh --native   # only the native part (no Wine)
set -euo pipefail
cd "$(dirname "$0")/.."

bash .ci/setup >/dev/null
cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null

out=$(mktemp -d "${TMPDIR:-/tmp}/fi-bench.XXXXXX")
trap 'rm -rf "$out"' EXIT

build/bench/bench/native/fi_bench_native "$out" >"$out/native.txt"
if [ "${1:-}" != "--native" ]; then
    cmake --preset win32 >/dev/null
    cmake --build --preset win32 >/dev/null
    /usr/bin/python3 bench/wine/bench_wine.py \
        --installer-bench build/win32/bench/wine/FontInstallerBench.exe \
        --minimal build/win32/bench/wine/minimal_installer.exe \
        --uidriver build/win32/tests/e2e/uidriver.exe \
        --template build/win32/wine-template \
        --out-dir "$out/wine" >"$out/wine.txt"
fi
/usr/bin/python3 bench/format_table.py "$out"/*.txt
