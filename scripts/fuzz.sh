#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each for a bounded time
# (seconds, default 30). A finding stops it with the crashing input saved in build-fuzz/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-30}"
cd "$root"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
# The recordings' and the board's fuzzers start from real recordings, which the tests keep.
seeds() { [[ $1 == recording_fuzzer || $1 == board_fuzzer ]] && echo tests/data/recordings || echo "tests/fuzz/seeds/$1"; }
for target in board_fuzzer caption_fuzzer recording_fuzzer replay_fuzzer; do
    corpus="build-fuzz/corpus/$target"
    mkdir -p "$corpus"
    echo "== $target for ${seconds}s"
    "build-fuzz/tests/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="build-fuzz/$target-" -print_final_stats=1 \
        "$corpus" "$(seeds "$target")" 2>&1 |
        grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|==[0-9]+==|SUMMARY|INFO: Running)' || true
    if ls "build-fuzz/$target-"* >/dev/null 2>&1; then
        echo "$target found a failing input:" build-fuzz/"$target"-*
        exit 1
    fi
done
echo "fuzzers: no findings"
