#!/usr/bin/env bash
# What 100,000 messages cost: the optimised program in its real window (private X server)
# checking 10,000 and 100,000 messages on a local Dovecot, beside Python's poplib; the mail list
# of 100,000 rows scrolled and re-checked; and the program reading a server that claims two
# thousand million messages until its list is full. Usage: bench/scale.sh
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset bench >/dev/null
cmake --build --preset bench --target mervantic window_throughput pop3_serial list_scale
echo "== the real window, 10,000 and 100,000 messages"
build/bench/bench/window_throughput build/bench/bin/mervantic 1 10000 100000
echo "== the mail list of 100,000 rows"
build/bench/bench/list_scale 100000
echo "== the list at its limit"
build/bench/bench/window_throughput build/bench/bin/mervantic limit
