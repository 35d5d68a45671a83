#!/usr/bin/env bash
# Builds the optimised program and times the delete run in its window: every message of one
# account of 2,000, 10,000 and 20,000 messages on a local Dovecot, ticked and deleted, beside the
# check of the same mailbox; with the longest stall of the window's event loop meanwhile.
# Usage: bench/delete_throughput.sh [rounds] [sizes...]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset bench >/dev/null
cmake --build --preset bench --target delete_throughput
exec build/bench/bench/delete_throughput "$@"
