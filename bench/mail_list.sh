#!/usr/bin/env bash
# Builds the optimised micro-benchmarks of the mail list and runs them: a check's snapshot and
# rows, and the new/seen decision alone, for 1,000, 10,000 and 100,000 messages.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset bench >/dev/null
cmake --build --preset bench --target mail_list_bench
exec build/bench/bench/mail_list_bench "$@"
