#!/usr/bin/env bash
# Times the resume start of a large interrupted download: `quillfetch-cli run` on a project of
# 4 GiB in packs of 512000 bytes whose pack log holds 8000 complete packs and 4 begun ones, with
# sparse piece files (nothing is downloaded). The project's host name has a label longer than
# 63 characters, so it is refused before any name server is asked: the runner resumes, its slots
# fail at once with "host not found", it records the download as closing does and exits with 3.
# The same run on a project with an empty pack log is the baseline; the difference is the cost
# of reading, pruning and planning 8000 packs (and of logging the begun ones again on closing).
# Usage: bench/resume-bench.sh [--no-build]
#   QF_CLI=/path/to/quillfetch-cli   use this binary instead of building the release preset
#   BENCH_TMPDIR=/some/folder        where the temporary folder goes (default: $TMPDIR or /tmp)
#   BENCH_RUNS=5                     runs of each case; the best is shown
set -euo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/lib/cli.sh"
readonly size=4294967296
readonly pack_size=512000
readonly complete=8000
readonly begun=4
readonly runs="${BENCH_RUNS:-5}"

require_tools python3

prepare_cli "$@"

work="$(mktemp -d "${BENCH_TMPDIR:-${TMPDIR:-/tmp}}/quillfetch-resume-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT

# Writes the data folder of one case: the project record (status 0), "main.qfd", "infos.qfd",
# and, for the large case, the pack log, sparse pieces of every logged pack and a few pieces
# that the log does not name (the resume deletes those).
prepare() { # folder, logged packs (0 or more)
    python3 - "$1" "$2" "$size" "$pack_size" "$begun" <<'EOF'
import os, sys
home, logged, size, pack, begun = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5])
project = os.path.join(home, "data", "projects", "big")
receive = os.path.join(home, "downloads", "big")
os.makedirs(project, exist_ok=True)
os.makedirs(receive, exist_ok=True)
host = "a" * 64 + ".invalid"
record = [f"url:{host}/big.bin", f"bytes:{size}", f"path:{home}/downloads/", f"packsize:{pack}",
          "showmodem:1", "bar1back:16777215", "bar1for:255", "bar2back:16777215",
          "bar2for:8421631", "graphback:16777215", "graphfor:8421631", "graphmodem:0",
          "Type:0", "status:0"]
def write(path, lines):
    with open(path, "wb") as out:
        out.write("".join(line + "\r\n" for line in lines).encode())
write(os.path.join(project, "project.qfd"), record)
write(os.path.join(home, "data", "projects", "main.qfd"), ["big"])
write(os.path.join(project, "infos.qfd"), ["sec:5", "min:4", "h:3"])
def piece(n, length):
    path = os.path.join(receive, f"big({n}).qfd")
    with open(path, "ab") as out:
        os.ftruncate(out.fileno(), length)
    return path
lines = []
if logged:
    lines = [piece(n, pack) + ":1" for n in range(logged)]
    lines += [piece(n, pack // 5) + ":0" for n in range(logged, logged + begun)]
    for n in range(logged + begun, logged + begun + 8):
        piece(n, 1000)
write(os.path.join(project, "download.qfd"), lines)
EOF
}

# Runs the runner once on a case's folder and prints its wall time in milliseconds.
time_run() { # folder
    local start end status=0
    start=$(date +%s%N)
    QUILLFETCH_HOME="$1/data" XDG_CONFIG_HOME="$1/config" HOME="$1" \
        "$cli" run >"$1/out.txt" 2>"$1/err.txt" || status=$?
    end=$(date +%s%N)
    if [[ $status != 3 ]] || ! grep -q "Please check your Internet connection" "$1/err.txt"; then
        echo "unexpected end (exit $status):" >&2
        cat "$1/err.txt" >&2
        exit 1
    fi
    echo $(((end - start) / 1000000))
}

# The resumed run must have kept every complete pack, logged the begun ones again and deleted
# the pieces the log does not name.
check_large() { # folder
    local log="$1/data/projects/big/download.qfd"
    local ones zeros strays
    ones=$(grep -c ':1' "$log")
    zeros=$(grep -c ':0' "$log")
    strays=$(find "$1/downloads/big" -name "big(*).qfd" | wc -l)
    if [[ $ones != "$complete" || $zeros != "$begun" || $strays != $((complete + begun)) ]]; then
        echo "wrong state after the run: $ones complete, $zeros begun, $strays pieces" >&2
        exit 1
    fi
}

best() { sort -n | head -1; }

echo "Preparing $complete complete and $begun begun packs of a 4 GiB file in $work ..."
prepare "$work/large" "$complete"
prepare "$work/empty" 0

large_times=()
empty_times=()
for ((run = 0; run < runs; run++)); do
    prepare "$work/large" "$complete"
    large_times+=("$(time_run "$work/large")")
    check_large "$work/large"
    prepare "$work/empty" 0
    empty_times+=("$(time_run "$work/empty")")
done

large=$(printf '%s\n' "${large_times[@]}" | best)
empty=$(printf '%s\n' "${empty_times[@]}" | best)
printf '%-32s %8s\n' "case (best of $runs)" "wall ms"
printf '%-32s %8d\n' "empty pack log" "$empty"
printf '%-32s %8d\n' "$complete complete + $begun begun" "$large"
printf '%-32s %8d\n' "resume of the large log" "$((large - empty))"
if ((large - empty < 1000)); then
    echo "target met: the large log resumes in well under a second"
else
    echo "target MISSED: the large log takes a second or more"
    exit 1
fi
