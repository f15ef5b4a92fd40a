#!/usr/bin/env bash
# Times `quillfetch-cli run` against curl and aria2c on files served by a loopback nginx, in the
# same run, and checks every result by SHA-256. Scenarios:
#   (a) 512 MiB unthrottled
#   (b) 64 MiB throttled to 8 000 000 bytes/s per connection (limit_rate 8000000,
#       sendfile_max_chunk 64000); four connections can at best reach size / 32 MB/s.
#   (c) the file of (a) over HTTPS, with a certificate authority the script makes (each tool is
#       told to trust it: curl --cacert, aria2c --ca-certificate, Quillfetch's TestCaFile).
# Usage: bench/http-bench.sh [--no-build]
#   QF_CLI=/path/to/quillfetch-cli   use this binary instead of building the release preset
#   BENCH_TMPDIR=/some/folder        where the temporary folder goes (default: $TMPDIR or /tmp)
#   BENCH_RUNS=3                     runs of each tool per scenario; the table shows the best
set -euo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/lib/cli.sh"
source "$(dirname "${BASH_SOURCE[0]}")/lib/tools.sh"
readonly big_size=$((512 * 1024 * 1024))
readonly throttled_size=$((64 * 1024 * 1024))
readonly rate=8000000
readonly connections=4
readonly gib=1073741824
readonly runs="${BENCH_RUNS:-3}"

require_tools /usr/sbin/nginx curl aria2c sha256sum python3 openssl

prepare_cli "$@"

work="$(mktemp -d "${BENCH_TMPDIR:-${TMPDIR:-/tmp}}/quillfetch-bench.XXXXXX")"
nginx_pid=""
cleanup() {
    if [[ -n "$nginx_pid" ]]; then
        kill "$nginx_pid" 2>/dev/null || true
        wait "$nginx_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# --- files --------------------------------------------------------------------------------
mkdir -p "$work/www/slow"
echo "Generating the files in $work ..."
head -c "$big_size" /dev/urandom >"$work/www/big.bin"
head -c "$throttled_size" /dev/urandom >"$work/www/slow/mid.bin"
big_sha="$(sha256sum "$work/www/big.bin" | cut -d' ' -f1)"
mid_sha="$(sha256sum "$work/www/slow/mid.bin" | cut -d' ' -f1)"

# --- nginx --------------------------------------------------------------------------------
port="$(free_port)"
tls_port="$(free_port)"
prefix="$work/nginx"
mkdir -p "$prefix"
key_options=(-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2)
openssl req -x509 "${key_options[@]}" -keyout "$prefix/ca.key" -out "$prefix/ca.pem" \
    -subj /CN=BenchCA 2>/dev/null
openssl req -x509 "${key_options[@]}" -keyout "$prefix/server.key" -out "$prefix/server.pem" \
    -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -CA "$prefix/ca.pem" \
    -CAkey "$prefix/ca.key" 2>/dev/null
access_log="$prefix/access.log"
start_nginx "$prefix" "$port" "    log_format timing '\$msec \$request_time \$status \$body_bytes_sent \$connection';
    access_log $access_log timing;
    server {
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
        ssl_certificate $prefix/server.pem;
        ssl_certificate_key $prefix/server.key;
    }"

# --- one timed run ------------------------------------------------------------------------
# Prints: tool wall job transfer join cpu bytes-sent requests connections
time_run() { # tool, URL base, path, size, sha
    local tool="$1" base="$2" path="$3" size="$4" sha="$5"
    local out="$work/out-$tool" file="${path##*/}" times wall user sys
    rm -rf "$out"
    mkdir -p "$out"
    sync
    : >"$access_log"
    local started finished
    started="$(date +%s.%N)"
    TIMEFORMAT='%R %U %S'
    { time "run_$tool" "$base/$path" "$out" "$size" >"$work/$tool.log" 2>&1; } \
        2>"$work/time.txt" || {
        echo "$tool failed:" >&2
        cat "$work/$tool.log" >&2
        exit 1
    }
    finished="$(date +%s.%N)"
    read -r wall user sys <"$work/time.txt"
    local got
    got="$(sha256sum "$out/$file" | cut -d' ' -f1)"
    if [[ "$got" != "$sha" ]]; then
        echo "$tool: SHA-256 mismatch for $file" >&2
        exit 1
    fi
    # The job ends with the last write of the complete file (for Quillfetch, the join).
    local done_at
    done_at="$(stat -c '%.9Y' "$out/$file")"
    # nginx logs each request when it ends: $msec is its end, $request_time its length.
    awk -v tool="$tool" -v wall="$wall" -v cpu="$(awk "BEGIN { print $user + $sys }")" \
        -v done_at="$done_at" -v finished="$finished" '
        { start = $1 - $2; if (NR == 1 || start < first) first = start
          if ($1 > last) last = $1; bytes += $4; requests++
          if (!($5 in seen)) { seen[$5] = 1; connections++ } }
        END { if (done_at > finished) done_at = finished
              printf "%s %.3f %.3f %.3f %.3f %.3f %d %d %d\n", tool, wall, done_at - first,
                     last - first, done_at - last, cpu, bytes, requests, connections }' \
        "$access_log"
    rm -rf "$out"
}

results="$work/results.txt"
: >"$results"
for run in $(seq "$runs"); do
    for tool in quillfetch curl aria2c; do
        echo "(a) 512 MiB unthrottled, run $run: $tool ..."
        echo "a $(time_run "$tool" "http://127.0.0.1:$port" big.bin "$big_size" "$big_sha")" \
            >>"$results"
    done
done
for run in $(seq "$runs"); do
    for tool in quillfetch curl aria2c; do
        echo "(b) 64 MiB throttled, run $run: $tool ..."
        echo "b $(time_run "$tool" "http://127.0.0.1:$port" slow/mid.bin "$throttled_size" \
            "$mid_sha")" >>"$results"
    done
done
ca_file="$prefix/ca.pem"
for run in $(seq "$runs"); do
    for tool in quillfetch curl aria2c; do
        echo "(c) 512 MiB over HTTPS, run $run: $tool ..."
        echo "c $(time_run "$tool" "https://127.0.0.1:$tls_port" big.bin "$big_size" \
            "$big_sha")" >>"$results"
    done
done

# --- report -------------------------------------------------------------------------------
# Best of the runs, column by column.
awk -v big="$big_size" -v mid="$throttled_size" -v gib="$gib" -v limit_rate="$((rate * connections))" -v runs="$runs" '
    function keep(array, key, value) { if (!(key in array) || value < array[key]) array[key] = value }
    { key = $1 " " $2
      if (!(key in order)) { order[key] = ++count; keys[count] = key }
      keep(wall, key, $3); keep(job, key, $4); keep(transfer, key, $5); keep(tail, key, $6)
      keep(cpu, key, $7); requests[key] = $9; conns[key] = $10 }
    END {
        printf "\nBest of %d runs\n", runs
        printf "%-3s %-10s %8s %8s %9s %8s %8s %8s %8s %9s %6s %7s %7s\n", "", "tool", "wall s",
               "job s", "transfer", "join s", "MB/s", "CPU s", "CPU/GiB", "requests", "conns",
               "job/ar", "CPU/ar"
        for (i = 1; i <= count; i++) {
            key = keys[i]; split(key, part, " ")
            size = (part[1] == "b") ? mid : big
            aria = part[1] " aria2c"
            printf "%-3s %-10s %8.3f %8.3f %9.3f %8.3f %8.1f %8.3f %8.3f %9d %6d %7.2f %7.2f\n",
                   part[1], part[2], wall[key], job[key], transfer[key], tail[key],
                   size / transfer[key] / 1e6, cpu[key], cpu[key] / (size / gib), requests[key],
                   conns[key], job[key] / job[aria], cpu[key] / cpu[aria]
        }
        qa = "a quillfetch"; aa = "a aria2c"; qb = "b quillfetch"; qc = "c quillfetch"
        ac = "c aria2c"
        share = mid / transfer[qb] / limit_rate * 100
        printf "\nTargets\n"
        printf "  (b) transfer at %.1f %% of the four-connection limit (%.3f s for %.3f s): %s\n",
               share, transfer[qb], mid / limit_rate, (share >= 90 ? "met" : "NOT met")
        printf "  (a) job %.3f s vs aria2c %.3f s: %s\n", job[qa], job[aa],
               (job[qa] <= job[aa] ? "met" : "NOT met")
        ratio = cpu[qa] / cpu[aa]
        printf "  (a) CPU %.3f s/GiB vs aria2c %.3f s/GiB (x%.2f, at most x1.0): %s\n",
               cpu[qa] / (big / gib), cpu[aa] / (big / gib), ratio,
               (ratio <= 1.0 ? "met" : "NOT met")
        printf "  (c) HTTPS job %.3f s vs aria2c %.3f s: %s\n", job[qc], job[ac],
               (job[qc] <= job[ac] ? "met" : "NOT met")
    }' "$results"
echo
echo "job: first request start to the last write of the complete file; transfer: first request"
echo "start to last request end (nginx log); join: last byte sent to the file complete;"
echo "wall: the whole process (quillfetch-cli includes its 2-second queue ticks). See bench/README.md."
