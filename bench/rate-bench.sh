#!/usr/bin/env bash
# How well a speed limit holds: `quillfetch-cli run --limit-rate`, `aria2c
# --max-overall-download-limit` and `curl --limit-rate`, each given the same limit, download a
# file of limit x RATE_SECONDS bytes, on loopback and through wan-proxy.py, while
# receive-rate.py (lib/) samples every 100 ms the bytes the downloader's connections received
# (what crossed the link) and those it read. Every result is checked by SHA-256. While
# quillfetch-cli's help does not list --limit-rate, Quillfetch runs unlimited and the table says so.
# Usage: bench/rate-bench.sh [--no-build]
#   QF_CLI=/path/to/quillfetch-cli   use this binary instead of building the release preset
#   WAN_PROXY=/path/to/wan-proxy.py  default: ../shared/tools/wan-proxy.py beside the repository
#   BENCH_TMPDIR=/some/folder        where the temporary folder goes (default: $TMPDIR or /tmp)
#   RATE_LIMITS="2M 200k"            limits as curl reads them (k = 1024, M = 1048576 bytes/s)
#   RATE_SECONDS=30                  the length of a download that holds its limit
#   RATE_LINKS="loopback 50:100"     loopback, or a round trip in ms : bandwidth in Mbit/s
#   BENCH_RUNS=1                     runs of each tool per limit and link
set -euo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/lib/cli.sh"
source "$(dirname "${BASH_SOURCE[0]}")/lib/work.sh"
source "$(dirname "${BASH_SOURCE[0]}")/lib/tools.sh"
readonly limits="${RATE_LIMITS:-2M 200k}"
readonly seconds="${RATE_SECONDS:-30}"
readonly links="${RATE_LINKS:-loopback 50:100}"
readonly runs="${BENCH_RUNS:-1}"

need_packages nginx-light aria2 curl
prepare_cli "$@"
open_work rate-bench
if cli_lists --limit-rate; then limited=1; else
    limited=0
    echo "quillfetch-cli lists no --limit-rate: Quillfetch runs unlimited."
fi

rate_bytes() { # limit: bytes per second
    local number="${1%[kKmM]}"
    case "$1" in
    *[kK]) echo $((number * 1024)) ;;
    *[mM]) echo $((number * 1048576)) ;;
    *) echo "$1" ;;
    esac
}

for limit in $limits; do
    echo "Generating a file of $((seconds)) s at $limit/s in $work ..."
    make_source "$work/www/rate-$limit.bin" $(($(rate_bytes "$limit") * seconds)) \
        >"$work/rate-$limit.sha"
done
port="$(free_port)"
start_nginx "$work/nginx" "$port" "    server {
        listen 127.0.0.1:$port;
        root $work/www;
    }"

# One download, its connections sampled by receive-rate.py into LOG.
sampled_run() { # tool, limit, port the tool connects to, log
    local tool="$1" limit="$2"
    qf_run_options=() curl_options=(--limit-rate "$limit")
    aria2c_options=(--max-overall-download-limit="$limit")
    if ((limited)); then qf_run_options=(--limit-rate "$limit"); fi
    wrap=(python3 "$bench_lib/receive-rate.py" --port "$3" --log "$4" --
        timeout $((seconds * 4 + 30)))
    fetch_checked "$tool" "$work/out/rate-$limit.bin" "$(cat "$work/rate-$limit.sha")" \
        "run_$tool" "http://127.0.0.1:$3/rate-$limit.bin" "$work/out" \
        $(($(rate_bytes "$limit") * seconds))
    wrap=()
}

results="$work/results.txt"
: >"$results"
for link in $links; do
    entry="$port"
    if [[ $link != loopback ]]; then
        start_wan_proxy "$port" "${link%%:*}" "${link##*:}"
        entry="$proxy_port"
    fi
    for limit in $limits; do
        for run in $(seq "$runs"); do
            for tool in quillfetch aria2c curl; do
                echo "$link, $limit/s, run $run: $tool ..."
                log="$work/received-$link-$limit-$run-$tool.log"
                sampled_run "$tool" "$limit" "$entry" "$log"
                echo "$link $limit $(rate_bytes "$limit") $run $tool $log" >>"$results"
            done
        done
    done
    if [[ $link != loopback ]]; then stop_process "$proxy_pid"; fi
done

python3 - "$results" "$limited" "$bench_lib" "$seconds" <<'EOF'
import sys
sys.path.insert(0, sys.argv[3])
from summary import load, groups, median, verdict

SETTLE = 3.0  # seconds from the first byte that the figures leave out
STEP = 0.1


def rates(path, column, size):
    """(mean rate after the first seconds, fastest 1-second window after them, span, share of
    SIZE seen) of a COLUMN of the samples (1 received, 2 read), laid on a grid of STEP from the
    first byte."""
    samples = [(float(fields[0]), float(fields[column]))
               for fields in (line.split() for line in open(path))]
    seen = samples[-1][1]
    start = next((t for t, count in samples if count > 0), float("inf"))
    end = next(t for t, count in samples if count == seen)
    if end <= start:  # all of it between two samples
        return float("inf"), float("inf"), 0.0, seen / size
    # What a connection received after its last sample, before it closed, counts one step after
    # the last byte seen: a burst there is never hidden. (Bytes read are shown, not judged.)
    samples = [(t, count) for t, count in samples if t <= end]
    final = max(seen, size) if column == 1 else seen
    if final > seen:
        end += STEP
        samples.append((end, final))
    # The grid runs one step past the last byte, so that the last window holds it.
    samples.append((float("inf"), final))
    grid, k, i = [], 0, 0
    while start + (k - 1) * STEP < end:
        t = start + k * STEP
        while samples[i + 1][0] < t:
            i += 1
        (t0, c0), (t1, c1) = samples[i], samples[i + 1]
        grid.append(c1 if t1 == float("inf") else c0 + (c1 - c0) * (t - t0) / (t1 - t0))
        k += 1
    span = end - start
    per_second, settle = round(1 / STEP), round(SETTLE / STEP)
    if span < SETTLE + 1:  # done too soon to settle: the whole download counts
        settle = 0
    mean = (final - grid[settle]) / (span - settle * STEP)
    windows = [grid[j + per_second] - grid[j] for j in range(settle, len(grid) - per_second)]
    return mean, max(windows, default=mean), span, seen / size


rows = load(sys.argv[1], ["link", "limit", "bytes", "round", "tool", "log"])
limited, seconds = sys.argv[2] == "1", int(sys.argv[4])
print(f"\nSpeed limits, received bytes after the first {SETTLE:.0f} s (median of the runs; fastest"
      " window of all runs)")
print(f"{'link':9} {'limit':6} {'tool':10} {'seconds':>7} {'seen %':>6} {'mean B/s':>10} {'mean %':>7}"
      f" {'max 1 s x':>9} {'read 1 s x':>10}  verdict")
for (link, limit, tool), group in groups(rows, "link", "limit", "tool").items():
    target = group[0]["bytes"]
    received = [rates(row["log"], 1, target * seconds) for row in group]
    read = [rates(row["log"], 2, target * seconds) for row in group]
    mean = median([f[0] for f in received])
    fastest = max(f[1] for f in received)
    held = abs(mean / target - 1) <= 0.05 and fastest <= 1.25 * target
    note = "" if tool != "quillfetch" or limited else " (no --limit-rate: unlimited)"
    print(f"{link:9} {limit:6} {tool:10} {median([f[2] for f in received]):7.1f}"
          f" {min(f[3] for f in received) * 100:6.0f} {mean:10.0f} {mean / target * 100:7.1f}"
          f" {fastest / target:9.2f} {max(f[1] for f in read) / target:10.2f}  {verdict(held)}{note}")
EOF
echo
echo "mean: bytes the connections received from 3 s after the first byte to the last, per second;"
echo "max 1 s x: the fastest 1-second window (sliding by 100 ms) over the limit; read 1 s x: the"
echo "same of the bytes the program read. Target: mean within 5 % of the limit, and no window above"
echo "x1.25. See bench/README.md."
