#!/usr/bin/env bash
# Builds the optimised program and times it in its real window (on a private X server) checking
# one account of 2,000 and of 10,000 messages on a local Dovecot, beside Python's poplib doing the
# same TOP loop. Usage: bench/window_throughput.sh [rounds] [sizes...]
#   e.g. bench/window_throughput.sh 3 2000 10000 100000
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset bench >/dev/null
cmake --build --preset bench --target mervantic window_throughput pop3_serial
exec build/bench/bench/window_throughput build/bench/bin/mervantic "$@"
