#!/usr/bin/env bash
# Two costs a script sees, each beside aria2c in the same run, interleaved, every result checked
# by SHA-256:
#   digest: the job time of scenario (a) (512 MiB, loopback) with and without an expected
#           SHA-256: `quillfetch-cli add URL --checksum sha256:HEX` then `run` (while the help
#           lists no --checksum, only without), against `aria2c --checksum=sha-256=HEX`.
#   wall:   the whole process of the command a user types, `quillfetch-cli URL` against
#           `aria2c URL`, for the file of (a) on loopback and for a 64 MiB file through
#           wan-proxy.py.
# Usage: bench/verify-bench.sh [--no-build]
#   QF_CLI=/path/to/quillfetch-cli   use this binary instead of building the release preset
#   WAN_PROXY=/path/to/wan-proxy.py  default: ../shared/tools/wan-proxy.py beside the repository
#   BENCH_TMPDIR=/some/folder        where the temporary folder goes (default: $TMPDIR or /tmp)
#   BENCH_RUNS=5                     runs of each case; the tables show medians
#   VERIFY_SIZE_MIB=512 WAN_SIZE_MIB=64 WAN_LINK=50:100   sizes, and the link (ms:Mbit/s)
set -euo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/lib/cli.sh"
source "$(dirname "${BASH_SOURCE[0]}")/lib/work.sh"
source "$(dirname "${BASH_SOURCE[0]}")/lib/tools.sh"
readonly size=$((${VERIFY_SIZE_MIB:-512} * 1048576))
readonly wan_size=$((${WAN_SIZE_MIB:-64} * 1048576))
readonly link="${WAN_LINK:-50:100}"
readonly runs="${BENCH_RUNS:-5}"

need_packages nginx-light aria2
prepare_cli "$@"
open_work verify-bench
variants="plain"
if cli_lists --checksum; then variants="plain sha256"; else
    echo "quillfetch-cli lists no --checksum: Quillfetch runs without a digest only."
fi

echo "Generating the files in $work ..."
sha="$(make_source "$work/www/big.bin" "$size")"
wan_sha="$(make_source "$work/www/wan.bin" "$wan_size")"
port="$(free_port)"
start_nginx "$work/nginx" "$port" "    server {
        listen 127.0.0.1:$port;
        root $work/www;
    }"
start_wan_proxy "$port" "${link%%:*}" "${link##*:}"

# Runs a command with each line of its output stamped with the time it came, in
# $work/stamped.log, and a last line "exit STATUS" once it ended.
stamped() { # command...
    { "$@" 2>&1; echo "exit $?"; } | while IFS= read -r line; do
        printf '%s %s\n' "$EPOCHREALTIME" "$line"
    done >"$work/stamped.log"
    return "$(tail -n 1 "$work/stamped.log" | cut -d' ' -f3)"
}

# time_job on a stamped command, with one more figure: "verdict", from the first request to the
# moment the tool says the download is done (Quillfetch's line for the finished project, the
# exit for aria2c, which verifies and exits without a word).
digest_job() { # label, command...
    local first said
    time_job "$1" "$work/out/big.bin" "$sha" stamped "${@:2}" >"$work/job.txt"
    first="$(awk '{ s = $1 - $2; if (NR == 1 || s < f) f = s } END { printf "%.6f", f }' \
        "$access_log")"
    said="$(awk '/: complete|Verified/ || $2 == "exit" { print $1; exit }' "$work/stamped.log")"
    echo "$(cat "$work/job.txt") $(awk "BEGIN { printf \"%.3f\", $said - $first }")" >>"$digests"
}

digests="$work/digests.txt" walls="$work/walls.txt" unverified=0
: >"$digests"
: >"$walls"
url="http://127.0.0.1:$port/big.bin"
for run in $(seq "$runs"); do
    for variant in plain sha256; do
        if [[ " $variants " == *" $variant "* ]]; then
            echo "digest, run $run: quillfetch ($variant) ..."
            digest=""
            [[ $variant == plain ]] || digest="sha256:$sha"
            queue_quillfetch "$url" "$work/out" "$digest"
            digest_job "$run quillfetch $variant" run_queue
            if [[ $variant == sha256 ]] && ! grep -q "Verified" "$work/stamped.log"; then
                unverified=$((unverified + 1))
            fi
        fi
        echo "digest, run $run: aria2c ($variant) ..."
        aria2c_options=()
        [[ $variant == plain ]] || aria2c_options=(--checksum="sha-256=$sha")
        digest_job "$run aria2c $variant" run_aria2c "$url" "$work/out" "$size"
        aria2c_options=()
    done
    for where in loopback "$link"; do
        base="http://127.0.0.1:$port" file=big.bin file_sha="$sha"
        if [[ $where != loopback ]]; then
            base="http://127.0.0.1:$proxy_port" file=wan.bin file_sha="$wan_sha"
        fi
        for tool in quillfetch_url aria2c; do
            echo "wall, $where, run $run: $tool ..."
            time_job "$where $run $tool" "$work/out/$file" "$file_sha" "run_$tool" \
                "$base/$file" "$work/out" 0 >>"$walls"
        done
    done
done

python3 - "$digests" "$walls" "$runs" "$bench_lib" "$unverified" <<'EOF'
import sys
sys.path.insert(0, sys.argv[4])
from summary import load, groups, median, spread, paired_ratio, verdict

timing = ["wall", "job", "transfer", "join", "cpu", "bytes", "requests", "conns"]
digest = load(sys.argv[1], ["round", "tool", "variant"] + timing + ["verdict"])
walls = load(sys.argv[2], ["where", "round", "tool"] + timing)
runs, unverified = int(sys.argv[3]), int(sys.argv[5])

def cost(tool, variant, column):
    return paired_ratio(digest, column, lambda r: r["tool"] == tool and r["variant"] == variant,
                        lambda r: r["tool"] == tool and r["variant"] == "plain")

print(f"\nVerification cost, median of {runs} interleaved runs (range: min-max)")
print(f"{'tool':10} {'digest':7} {'job s':>7} {'verdict s':>9} {'verdict range':>13} {'wall s':>7}"
      f" {'verdict/plain':>13} {'wall/plain':>10}")
for (tool, variant), group in groups(digest, "tool", "variant").items():
    column = lambda name: [r[name] for r in group]
    print(f"{tool:10} {variant:7} {median(column('job')):7.3f} {median(column('verdict')):9.3f}"
          f" {spread(column('verdict')):>13} {median(column('wall')):7.3f}"
          f" {cost(tool, variant, 'verdict'):13.3f} {cost(tool, variant, 'wall'):10.3f}")

print(f"\nWhole process (wall), median of {runs} interleaved runs")
print(f"{'where':9} {'tool':15} {'wall s':>7} {'wall range':>13} {'job s':>7} {'minus aria2c':>12}")
behind = {}
for (where, tool), group in groups(walls, "where", "tool").items():
    mine = {r["round"]: r["wall"] for r in group}
    aria = {r["round"]: r["wall"] for r in walls if r["where"] == where and r["tool"] == "aria2c"}
    behind[(where, tool)] = median([mine[k] - aria[k] for k in mine if k in aria])
    name = "quillfetch-cli" if tool == "quillfetch_url" else tool
    print(f"{where:9} {name:15} {median(list(mine.values())):7.3f} {spread(list(mine.values())):>13}"
          f" {median([r['job'] for r in group]):7.3f} {behind[(where, tool)]:+12.3f}")

print("\nTargets")
if any(r["tool"] == "quillfetch" and r["variant"] == "sha256" for r in digest):
    ratio = cost("quillfetch", "sha256", "verdict")
    print(f"  verification adds {(ratio - 1) * 100:+.1f} % to the job (at most +10 %): {verdict(ratio <= 1.10)}")
    if unverified:
        print(f"  {unverified} run(s) with a digest printed no \"Verified\" line")
else:
    print("  verification: not measured (quillfetch-cli lists no --checksum)")
for (where, tool), difference in behind.items():
    if tool == "quillfetch_url":
        print(f"  {where}: quillfetch-cli ends {difference:+.3f} s after aria2c (at most +0.3 s):"
              f" {verdict(difference <= 0.3)}")
EOF
echo
echo "job: first request start to the last write of the complete file (nginx log); verdict: first"
echo "request start to the tool saying it is done (Quillfetch's line for the project, aria2c's"
echo "exit); x/plain: the median of the ratios to the same tool without a digest within each round;"
echo "minus aria2c: the median of the differences within each round. See bench/README.md."
