#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, address and undefined-behaviour sanitizers) and runs each
# for a bounded time, starting from the seeds in fuzz/corpus. Usage: scripts/fuzz.sh [seconds]
# Findings are written to build/fuzz/findings; the command ends with status 1 when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
install_missing "${BUILD_PACKAGES[@]}" clang libclang-rt-14-dev
seconds="${1:-60}"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
mkdir -p build/fuzz/findings
status=0
for target in conversation delete_safety headers header_text account_file settings unscramble \
        visible_text; do
    corpus="build/fuzz/corpus/$target"
    mkdir -p "$corpus"
    cp -n fuzz/corpus/"$target"/* "$corpus"/ 2>/dev/null || true
    echo "== fuzz_$target, ${seconds} s"
    if ! build/fuzz/fuzz/"fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
            -artifact_prefix="build/fuzz/findings/$target-" -print_final_stats=1 "$corpus" \
            2> "build/fuzz/$target.log"; then
        echo "   finding: see build/fuzz/$target.log and build/fuzz/findings"
        status=1
    fi
    grep -E "^Done|stat::number_of_executed_units" "build/fuzz/$target.log" | head -2 || true
done
exit "$status"
