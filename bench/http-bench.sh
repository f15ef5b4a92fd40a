#!/usr/bin/env bash
# Times `quillfetch-cli run` against curl and aria2c on files served by a loopback nginx, in the
# same run, interleaved, and checks every result by SHA-256. Scenarios:
#   (a) 512 MiB unthrottled
#   (b) 64 MiB throttled to 8 000 000 bytes/s per connection (limit_rate 8000000,
#       sendfile_max_chunk 64000); four connections can at best reach size / 32 MB/s.
#   (c) the file of (a) over HTTPS, with a certificate authority the script makes (each tool is
#       told to trust it: curl --cacert, aria2c --ca-certificate, Quillfetch's TestCaFile).
# Usage: bench/http-bench.sh [--no-build]
#   QF_CLI=/path/to/quillfetch-cli   use this binary instead of building the release preset
#   BENCH_TMPDIR=/some/folder        where the temporary folder goes (default: $TMPDIR or /tmp)
#   BENCH_RUNS=5                     runs of each tool per scenario; the table shows medians
#   BENCH_SCENARIOS="a b c"          the scenarios to run
#   BENCH_SIZE_MIB=512 BENCH_THROTTLED_MIB=64   file sizes of (a)/(c) and of (b)
set -euo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/lib/cli.sh"
source "$(dirname "${BASH_SOURCE[0]}")/lib/work.sh"
source "$(dirname "${BASH_SOURCE[0]}")/lib/tools.sh"
readonly big_size=$((${BENCH_SIZE_MIB:-512} * 1024 * 1024))
readonly throttled_size=$((${BENCH_THROTTLED_MIB:-64} * 1024 * 1024))
readonly rate=8000000
readonly connections=4
readonly runs="${BENCH_RUNS:-5}"
readonly scenarios="${BENCH_SCENARIOS:-a b c}"

need_packages nginx-light aria2 curl openssl
prepare_cli "$@"
open_work bench

echo "Generating the files in $work ..."
big_sha="$(make_source "$work/www/big.bin" "$big_size")"
mid_sha="$(make_source "$work/www/slow/mid.bin" "$throttled_size")"

port="$(free_port)"
tls_port="$(free_port)"
make_certificates "$work/tls"
start_nginx "$work/nginx" "$port" "    server {
        listen 127.0.0.1:$port;
        server_name localhost;
        root $work/www;
        location /slow/ {
            limit_rate $rate;
            sendfile_max_chunk 64000;
        }
    }
    server {
        listen 127.0.0.1:$tls_port ssl;
        server_name localhost;
        root $work/www;
        ssl_certificate $work/tls/server.pem;
        ssl_certificate_key $work/tls/server.key;
    }"

results="$work/results.txt"
: >"$results"
for scenario in $scenarios; do
    base="http://127.0.0.1:$port" path=big.bin size="$big_size" sha="$big_sha" ca_file=""
    case "$scenario" in
    a) ;;
    b) path=slow/mid.bin size="$throttled_size" sha="$mid_sha" ;;
    c) base="https://127.0.0.1:$tls_port" ca_file="$work/tls/ca.pem" ;;
    *) echo "unknown scenario $scenario" >&2 && exit 2 ;;
    esac
    for run in $(seq "$runs"); do
        for tool in quillfetch curl aria2c; do
            echo "($scenario) $((size / 1048576)) MiB, run $run: $tool ..."
            time_job "$scenario $run $tool $size" "$work/out/${path##*/}" "$sha" \
                "run_$tool" "$base/$path" "$work/out" "$size" >>"$results"
        done
    done
done

python3 - "$results" "$runs" "$((rate * connections))" "$bench_lib" <<'EOF'
import sys
sys.path.insert(0, sys.argv[4])
from summary import load, groups, median, spread, paired_ratio, verdict

names = ["scenario", "round", "tool", "size", "wall", "job", "transfer", "join", "cpu", "bytes",
         "requests", "conns"]
rows = load(sys.argv[1], names)
runs, limit, gib = int(sys.argv[2]), float(sys.argv[3]), 1024 ** 3
for row in rows:
    row["cpu_gib"] = row["cpu"] / (row["size"] / gib)
table = groups(rows, "scenario", "tool")
med = {key: {c: median([r[c] for r in group]) for c in ("wall", "job", "transfer", "join", "cpu_gib")}
       for key, group in table.items()}

print(f"\nMedian of {runs} interleaved runs (range: min-max)")
print(f"{'':3} {'tool':10} {'wall s':>7} {'job s':>7} {'job range':>13} {'transfer':>8} {'join s':>7}"
      f" {'MB/s':>7} {'CPU/GiB':>7} {'CPU/GiB range':>13} {'reqs':>5} {'conns':>5} {'job/ar':>6} {'CPU/ar':>6}")
for (scenario, tool), group in table.items():
    m = med[(scenario, tool)]
    same = lambda r: r["scenario"] == scenario
    ratio = lambda column: paired_ratio(rows, column, lambda r: same(r) and r["tool"] == tool,
                                        lambda r: same(r) and r["tool"] == "aria2c")
    print(f"{scenario:3} {tool:10} {m['wall']:7.3f} {m['job']:7.3f} {spread([r['job'] for r in group]):>13}"
          f" {m['transfer']:8.3f} {m['join']:7.3f} {group[0]['size'] / m['transfer'] / 1e6:7.1f}"
          f" {m['cpu_gib']:7.3f} {spread([r['cpu_gib'] for r in group]):>13}"
          f" {group[-1]['requests']:5.0f} {group[-1]['conns']:5.0f} {ratio('job'):6.2f} {ratio('cpu_gib'):6.2f}")

print("\nTargets (medians)")
def against_aria(scenario, cpu_bound):
    q, a = med.get((scenario, "quillfetch")), med.get((scenario, "aria2c"))
    if not q or not a:
        return
    print(f"  ({scenario}) job {q['job']:.3f} s vs aria2c {a['job']:.3f} s: {verdict(q['job'] <= a['job'])}")
    ratio = q["cpu_gib"] / a["cpu_gib"]
    print(f"  ({scenario}) CPU {q['cpu_gib']:.3f} s/GiB vs aria2c {a['cpu_gib']:.3f} s/GiB"
          f" (x{ratio:.2f}, at most x{cpu_bound:.1f}): {verdict(ratio <= cpu_bound)}")
against_aria("a", 1.0)
if ("b", "quillfetch") in med:
    q = med[("b", "quillfetch")]
    size = table[("b", "quillfetch")][0]["size"]
    share = size / q["transfer"] / limit * 100
    print(f"  (b) transfer at {share:.1f} % of the four-connection limit ({q['transfer']:.3f} s for"
          f" {size / limit:.3f} s): {verdict(share >= 90)}")
against_aria("c", 1.1)
EOF
echo
echo "job: first request start to the last write of the complete file; transfer: first request"
echo "start to last request end (nginx log); join: last byte sent to the file complete;"
echo "wall: the whole process. job/ar, CPU/ar: the"
echo "median of the ratios to aria2c within each round. See bench/README.md."
