#!/usr/bin/env bash
# Fuzzes each parser of outside input for minutes rather than the test command's seconds.
# The corpus each run grows is kept in build/fuzz/corpus/ (never in the repository), so that
# every run goes on from where the last one stopped.
# Usage: bench/fuzz-long.sh [SECONDS_PER_TARGET] [TARGET...]   (default 600 s each)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true
FUZZ_CORPUS="$PWD/build/fuzz/corpus" exec scripts/fuzz "$seconds" "$@"
