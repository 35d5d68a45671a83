#!/usr/bin/env bash
# Builds the optimised benchmark and runs the check-run throughput comparison with the program,
# the serial client and Dovecot all pinned to CPU 0. Usage: bench/check_throughput.sh [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset bench >/dev/null
cmake --build --preset bench --target check_throughput
exec taskset -c 0 build/bench/bench/check_throughput "${1:-3}"
