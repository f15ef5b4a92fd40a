#!/usr/bin/env bash
# Profiles the HTTPS download of scenario (c) of http-bench.sh (a loopback nginx with a
# certificate authority of the script's own, verification on): records `quillfetch-cli run`
# with `perf record` and its call stacks, and prints the functions that cost the most CPU, on
# their own and with what they call, so that profiles before and after a change can be set side
# by side. Where perf cannot record, it runs under valgrind's callgrind on a smaller file
# instead. The result is checked by SHA-256; the job and CPU seconds of the profiled run are
# printed too (the profiler slows the run down: compare them only between profiles).
# Usage: bench/tls-profile.sh [--no-build]
#   QF_CLI=/path/to/quillfetch-cli   use this binary instead of building the release preset
#   BENCH_TMPDIR=/some/folder        where the temporary folder goes (default: $TMPDIR or /tmp)
#   PROFILER=perf|callgrind          default: perf where it records here, else callgrind
#   PROFILE_SIZE_MIB=512             the file (default 512 with perf, 32 with callgrind)
#   PROFILE_TOOLS=quillfetch         "quillfetch aria2c" profiles aria2c the same way beside it
#   PROFILE_TOP=30                   entries printed per table
#   PROFILE_KEEP=/some/folder        keep the raw profiles there (perf.data, callgrind.out)
#   PROFILE_CALL_GRAPH=dwarf         how perf unwinds stacks (fp: frame pointers, as with -g)
set -euo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/lib/cli.sh"
source "$(dirname "${BASH_SOURCE[0]}")/lib/work.sh"
source "$(dirname "${BASH_SOURCE[0]}")/lib/tools.sh"
readonly tools="${PROFILE_TOOLS:-quillfetch}"
readonly top="${PROFILE_TOP:-30}"

need_packages nginx-light aria2 openssl linux-perf valgrind
prepare_cli "$@"
open_work tls-profile

# Virtual machines often have no hardware counters; the CPU clock is sampled by a timer and
# needs none.
profiler="${PROFILER:-}"
if [[ -z $profiler ]]; then
    profiler=callgrind
    if perf record -q -e cpu-clock -o "$work/probe.data" true 2>/dev/null; then profiler=perf; fi
fi
default_size=512
[[ $profiler == perf ]] || default_size=32
readonly size=$((${PROFILE_SIZE_MIB:-$default_size} * 1048576))
echo "Profiling with $profiler, $((size / 1048576)) MiB over HTTPS."

sha="$(make_source "$work/www/big.bin" "$size")"
port="$(free_port)"
make_certificates "$work/tls"
ca_file="$work/tls/ca.pem"
start_nginx "$work/nginx" "$port" "    server {
        listen 127.0.0.1:$port ssl;
        root $work/www;
        ssl_certificate $work/tls/server.pem;
        ssl_certificate_key $work/tls/server.key;
    }"

# The first $top entries of a report, without its comments, blank lines and empty columns (read
# to the end: a reader that stops early would fail the pipeline).
entries() {
    awk -v top="$top" '!/^#/ && !/^ *-* *$/ && shown < top { sub(/[ -]+$/, ""); print; shown++ }'
}

report_perf() { # data
    echo "-- self (the function alone) --"
    perf report -i "$1" --stdio --no-children -g none --sort dso,symbol 2>/dev/null | entries
    echo "-- with callees (the function and what it calls) --"
    perf report -i "$1" --stdio --children -g none --sort symbol 2>/dev/null | entries
}

report_callgrind() { # output
    echo "-- self (instructions of the function alone) --"
    callgrind_annotate --inclusive=no "$1" 2>/dev/null | sed '1,/file:function/d' | entries
    echo "-- with callees --"
    callgrind_annotate --inclusive=yes "$1" 2>/dev/null | sed '1,/file:function/d' | entries
}

for tool in $tools; do
    raw="$work/$tool.$([[ $profiler == perf ]] && echo perf.data || echo callgrind.out)"
    case "$profiler" in
    perf)
        wrap=(perf record -q -e cpu-clock -F 999 --call-graph "${PROFILE_CALL_GRAPH:-dwarf}"
            -o "$raw" --)
        ;;
    callgrind) wrap=(valgrind -q --tool=callgrind --callgrind-out-file="$raw") ;;
    *) echo "unknown profiler $profiler" >&2 && exit 2 ;;
    esac
    echo "Recording $tool ..."
    time_job "$tool" "$work/out/big.bin" "$sha" "run_$tool" "https://127.0.0.1:$port/big.bin" \
        "$work/out" "$size" >"$work/job.txt"
    wrap=()
    read -r _ wall job _ _ cpu _ <"$work/job.txt"
    echo
    echo "== $tool: job $job s, wall $wall s, CPU $cpu s under $profiler =="
    "report_$profiler" "$raw"
    if [[ -n ${PROFILE_KEEP:-} ]]; then
        mkdir -p "$PROFILE_KEEP"
        cp "$raw" "$PROFILE_KEEP/"
        echo "(kept as $PROFILE_KEEP/${raw##*/})"
    fi
done
