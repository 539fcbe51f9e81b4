#!/usr/bin/env bash
# Runs one fuzz target as a test: first every kept regression input, then fuzzing for a bounded
# time from the seeds. A crash or a broken invariant fails the test and leaves its input in the
# build folder, to be added under regressions/.
#
# A target given an RSS limit (in MB) is held to it on the regression inputs too, with a small
# sanitizer quarantine.
#
#   run-fuzzer.sh FUZZER SEEDS REGRESSIONS WORK_CORPUS SECONDS [RSS_LIMIT_MB]
set -euo pipefail
fuzzer=$1 seeds=$2 regressions=$3 corpus=$4 seconds=$5 rss=${6:-2048}
if [ $# -ge 6 ]; then
    # AddressSanitizer keeps 256 MB of freed memory in quarantine by default, which a fast
    # machine fills in a few seconds: the limit is for the target's own memory.
    export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}quarantine_size_mb=16"
fi

if compgen -G "$regressions/*" >/dev/null; then
    "$fuzzer" -runs=1 -rss_limit_mb="$rss" -malloc_limit_mb="$rss" "$regressions"/*
fi
rm -rf "$corpus"
mkdir -p "$corpus"
if compgen -G "$seeds/*" >/dev/null; then
    cp "$seeds"/* "$corpus"/
fi
cd "$(dirname "$corpus")"
# grep hides the progress lines; the fuzzer's own exit status decides. (Read right after the
# pipeline: a "|| true" would put its own status in its place.)
set +e
"$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb="$rss" -print_final_stats=1 \
    -artifact_prefix="$(dirname "$corpus")/crash-$(basename "$corpus")-" "$corpus" 2>&1 |
    grep -E '^(#[0-9]+ +DONE|stat::|Done|==|SUMMARY|invariant|touched|INFO: Seed|.*ERROR)'
status=${PIPESTATUS[0]}
exit "$status"
