#!/usr/bin/env bash
# Times `quillfetch-cli run` against curl and `aria2c -x4 -s4 -k1M` through wan-proxy.py, which
# makes loopback behave like a wide-area link (a round trip per handshake, half a round trip per
# delivery, slow start per new connection, one shared access link), on the same 64 MiB file in
# the same run, for each link setting, and checks every result by SHA-256.
# Usage: bench/wan-bench.sh [--no-build]
#   QF_CLI=/path/to/quillfetch-cli   use this binary instead of building the release preset
#   WAN_PROXY=/path/to/wan-proxy.py  default: ../shared/tools/wan-proxy.py beside the repository
#   WAN_LINKS="50:100 150:100 20:300"  round trip in ms : bandwidth in Mbit/s, per setting
#   BENCH_TMPDIR=/some/folder        where the temporary folder goes (default: $TMPDIR or /tmp)
#   BENCH_RUNS=2                     runs of each tool per setting; the table shows the best
#   WAN_SIZE_MIB=64                  the file's size
set -euo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/lib/cli.sh"
source "$(dirname "${BASH_SOURCE[0]}")/lib/work.sh"
source "$(dirname "${BASH_SOURCE[0]}")/lib/tools.sh"
readonly size=$((${WAN_SIZE_MIB:-64} * 1024 * 1024))
readonly runs="${BENCH_RUNS:-2}"
readonly links="${WAN_LINKS:-50:100 150:100 20:300}"

need_packages nginx-light aria2 curl
prepare_cli "$@"
open_work wan

sha="$(make_source "$work/www/wan.bin" "$size")"
port="$(free_port)"
start_nginx "$work/nginx" "$port" "    server {
        listen 127.0.0.1:$port;
        root $work/www;
    }"

# One run of a tool through the proxy. Prints: link tool job-seconds wall-seconds cpu-seconds.
# The job is the first connection's accept to the last byte delivered, from the proxy's log
# (one line per connection, written once it closed).
time_run() { # tool, proxy port, proxy log, link
    local tool="$1" log="$3" wall user sys
    : >"$log"
    fetch_checked "$tool" "$work/out/wan.bin" "$sha" \
        "run_$tool" "http://127.0.0.1:$2/wan.bin" "$work/out" "$size"
    read -r wall user sys <"$work/time.txt"
    rm -rf "$work/out"
    sleep 1 # the proxy logs a connection half a round trip after it closed
    awk -v link="$4" -v tool="$tool" -v wall="$wall" -v cpu="$(awk "BEGIN { print $user + $sys }")" '
        { if (NR == 1 || $1 < first) first = $1; if ($2 > last) last = $2; conns++ }
        END { printf "%s %s %.3f %.3f %.3f %d\n", link, tool, last - first, wall, cpu, conns }' "$log"
}

results="$work/results.txt"
: >"$results"
for link in $links; do
    rtt="${link%%:*}" mbit="${link##*:}"
    log="$work/proxy-$rtt-$mbit.log"
    start_wan_proxy "$port" "$rtt" "$mbit" "$log"
    for run in $(seq "$runs"); do
        for tool in quillfetch curl aria2c; do
            echo "$rtt ms / $mbit Mbit/s, run $run: $tool ..."
            time_run "$tool" "$proxy_port" "$log" "$link" >>"$results"
        done
    done
    stop_process "$proxy_pid"
done

# --- report: best of the runs ----------------------------------------------------------------
awk -v size="$size" -v runs="$runs" '
    function keep(array, key, value) { if (!(key in array) || value < array[key]) array[key] = value }
    { key = $1 " " $2
      if (!(key in order)) { order[key] = ++count; keys[count] = key }
      keep(job, key, $3); keep(wall, key, $4); keep(cpu, key, $5); conns[key] = $6
      split($1, setting, ":"); if (setting[2] > fastest) fastest = setting[2] }
    END {
        printf "\nBest of %d runs, %d bytes\n", runs, size
        printf "%-8s %-10s %8s %8s %8s %8s %6s %7s\n", "link", "tool", "job s", "link %",
               "wall s", "CPU s", "conns", "job/ar"
        for (i = 1; i <= count; i++) {
            key = keys[i]; split(key, part, " "); split(part[1], setting, ":")
            share = size * 8 / (job[key] * setting[2] * 1e6) * 100
            printf "%-8s %-10s %8.3f %8.1f %8.3f %8.3f %6d %7.2f\n", part[1], part[2], job[key],
                   share, wall[key], cpu[key], conns[key], job[key] / job[part[1] " aria2c"]
        }
        printf "\nTargets (Quillfetch job / aria2c job, and the share of the link Quillfetch uses)\n"
        for (i = 1; i <= count; i++) {
            key = keys[i]; split(key, part, " ")
            if (part[2] != "quillfetch") continue
            bound = (part[1] == "50:100") ? 1.05 : 1.10
            ratio = job[key] / job[part[1] " aria2c"]
            split(part[1], setting, ":")
            aria = size * 8 / (job[part[1] " aria2c"] * setting[2] * 1e6) * 100
            printf "  %s: x%.3f (at most x%.2f): %s; aria2c at %.1f %% of the link%s\n", part[1],
                   ratio, bound, (ratio <= bound ? "met" : "NOT met"), aria,
                   (aria < 80 && setting[2] == fastest ? " (under 80 %: the proxy may be the limit)" : "")
            least = (part[1] == "150:100") ? 90 : 94
            share = size * 8 / (job[key] * setting[2] * 1e6) * 100
            printf "  %s: Quillfetch at %.1f %% of the link (at least %d %%): %s\n", part[1], share,
                   least, (share >= least ? "met" : "NOT met")
        }
    }' "$results"
echo
echo "job: first connection accepted to last byte delivered (wan-proxy.py's log); link %: file"
echo "bits / (job x bandwidth); wall: the whole process. See bench/README.md."
