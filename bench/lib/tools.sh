# The three downloaders the benches compare, each fetching a URL (with its scheme) into a folder:
#   run_<tool> URL OUTPUT_FOLDER SIZE
# They need $work (a scratch folder, see work.sh) and $cli (quillfetch-cli, see cli.sh), and
# trust $ca_file for HTTPS when it is set (Quillfetch through its TestCaFile setting).
# Each final command runs under "${wrap[@]}" (a profiler or a sampler; empty by default) with the
# tool's extra options: qf_run_options (after `quillfetch-cli run`), curl_options, aria2c_options.

readonly bench_pack_size=512000
wrap=()
qf_run_options=()
curl_options=()
aria2c_options=()
readonly wan_proxy="${WAN_PROXY:-$repo/../shared/tools/wan-proxy.py}"
readonly bench_lib="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

# Quillfetch's own data and settings folders for one run, downloading into OUTPUT_FOLDER in
# packs of $bench_pack_size. Sets qf_home.
quillfetch_home() { # output folder
    qf_home="$work/qf-home"
    rm -rf "$qf_home"
    mkdir -p "$qf_home/data/projects" "$qf_home/config/Quillfetch"
    {
        printf '[options]\nFilePath=%s/\npacksize=%s\n' "$1" "$bench_pack_size"
        if [[ -n "${ca_file:-}" ]]; then printf 'TestCaFile=%s\n' "$ca_file"; fi
    } >"$qf_home/config/Quillfetch/Quillfetch.conf"
}

qf() { # command...: runs it with Quillfetch's folders of this run
    QUILLFETCH_HOME="$qf_home/data" XDG_CONFIG_HOME="$qf_home/config" "$@"
}

# Writes the project record ("project.qfd", fourteen lines ending with CR LF) and "main.qfd"
# itself, so the run starts straight from the queue, with no probe.
run_quillfetch() {
    local url="$1" out="$2" size="$3"
    local file="${url##*/}"
    local project="${file%%.*}"
    quillfetch_home "$out"
    mkdir -p "$qf_home/data/projects/$project"
    printf '%s\r\n' \
        "url:${url#http://}" "bytes:$size" "path:$out/" "packsize:$bench_pack_size" "showmodem:1" \
        "bar1back:16777215" "bar1for:255" "bar2back:16777215" "bar2for:8421631" \
        "graphback:16777215" "graphfor:8421631" "graphmodem:0" "Type:0" "status:1" \
        >"$qf_home/data/projects/$project/project.qfd"
    printf '%s\r\n' "$project" >"$qf_home/data/projects/main.qfd"
    run_queue
}

# `quillfetch-cli add URL` (with --checksum DIGEST when given), as a user queues a download; the
# queue is then downloaded by run_queue.
queue_quillfetch() { # URL, output folder, digest or nothing
    quillfetch_home "$2"
    qf "$cli" add "$1" ${3:+--checksum "$3"} >"$work/add.log" 2>&1 || {
        echo "quillfetch-cli add failed:" >&2
        cat "$work/add.log" >&2
        exit 1
    }
}

run_queue() {
    qf "${wrap[@]}" "$cli" run "${qf_run_options[@]}"
}

# The whole command line a user types: `quillfetch-cli URL` (probe, queue, download).
run_quillfetch_url() {
    quillfetch_home "$2"
    qf "${wrap[@]}" "$cli" "$1"
}

run_curl() {
    "${wrap[@]}" curl -s -S ${ca_file:+--cacert "$ca_file"} "${curl_options[@]}" \
        -o "$2/${1##*/}" "$1"
}

run_aria2c() {
    "${wrap[@]}" aria2c --no-conf -q -x4 -s4 -k1M ${ca_file:+--ca-certificate="$ca_file"} \
        "${aria2c_options[@]}" -d "$2" -o "${1##*/}" "$1"
}

# Whether quillfetch-cli's help names OPTION (a feature's switch in the benches). grep reads to
# the end: one that stopped at the first match would end the helps still writing (SIGPIPE), and
# under pipefail the pipeline would fail.
cli_lists() { # option
    { "$cli" --help; "$cli" run --help; "$cli" add --help; } 2>/dev/null | grep -e "$1" >/dev/null
}

free_port() {
    python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

wait_for_port() { # port
    for _ in $(seq 100); do
        if (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; then return 0; fi
        sleep 0.1
    done
    return 1
}

# A file of SIZE random bytes; prints its SHA-256.
make_source() { # path, size
    mkdir -p "${1%/*}"
    head -c "$2" /dev/urandom >"$1"
    sha256sum "$1" | cut -d' ' -f1
}

# Starts nginx in the background with PREFIX as its folder and LINES inside its http block (the
# servers), then waits for PORT. Every request is logged to $access_log ("$msec $request_time
# $status $body_bytes_sent $connection": a request's end, its length, ...).
start_nginx() { # prefix, port, lines
    local prefix="$1"
    access_log="$prefix/access.log"
    mkdir -p "$prefix"/{client_body,proxy,fastcgi,uwsgi,scgi}
    cat >"$prefix/nginx.conf" <<CONF
daemon off;
master_process off;
worker_processes 1;
pid $prefix/nginx.pid;
error_log $prefix/error.log warn;
events { worker_connections 256; }
http {
    default_type application/octet-stream;
    client_body_temp_path $prefix/client_body;
    proxy_temp_path $prefix/proxy;
    fastcgi_temp_path $prefix/fastcgi;
    uwsgi_temp_path $prefix/uwsgi;
    scgi_temp_path $prefix/scgi;
    sendfile on;
    log_format timing '\$msec \$request_time \$status \$body_bytes_sent \$connection';
    access_log $access_log timing;
$3
}
CONF
    /usr/sbin/nginx -p "$prefix/" -c "$prefix/nginx.conf" -e "$prefix/error.log" &
    bench_pids+=($!)
    wait_for_port "$2" || {
        echo "nginx did not start:" >&2
        cat "$prefix/error.log" >&2
        exit 1
    }
}

# A certificate authority (PREFIX/ca.pem) and a certificate for 127.0.0.1 signed by it
# (PREFIX/server.pem, PREFIX/server.key).
make_certificates() { # prefix
    local options=(-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2)
    mkdir -p "$1"
    openssl req -x509 "${options[@]}" -keyout "$1/ca.key" -out "$1/ca.pem" -subj /CN=BenchCA \
        2>/dev/null
    openssl req -x509 "${options[@]}" -keyout "$1/server.key" -out "$1/server.pem" \
        -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -CA "$1/ca.pem" \
        -CAkey "$1/ca.key" 2>/dev/null
}

# wan-proxy.py on a free port in front of UPSTREAM; sets proxy_port and proxy_pid.
start_wan_proxy() { # upstream port, round trip ms, Mbit/s, log file or nothing
    [[ -f "$wan_proxy" ]] || {
        echo "no wan-proxy.py at $wan_proxy (set WAN_PROXY)" >&2
        exit 1
    }
    proxy_port="$(free_port)"
    # Its complaints about connections the tools abort go to a file of their own.
    /usr/bin/python3 "$wan_proxy" "$proxy_port" "$1" --rtt-ms "$2" --mbit "$3" ${4:+--log "$4"} \
        2>>"$work/proxy.err" &
    proxy_pid=$!
    bench_pids+=("$proxy_pid")
    wait_for_port "$proxy_port" || {
        echo "wan-proxy did not start" >&2
        exit 1
    }
}

# Runs a downloader into the emptied folder of FILE and checks FILE's SHA-256; the tool's output
# goes to $work/last.log, its "wall user system" seconds (children included) to $work/time.txt.
fetch_checked() { # label, file, sha, command...
    local label="$1" file="$2" sha="$3"
    shift 3
    rm -rf "${file%/*}"
    mkdir -p "${file%/*}"
    sync
    TIMEFORMAT='%R %U %S'
    { time "$@" >"$work/last.log" 2>&1; } 2>"$work/time.txt" || {
        echo "$label failed:" >&2
        cat "$work/last.log" >&2
        exit 1
    }
    [[ "$(sha256sum "$file" | cut -d' ' -f1)" == "$sha" ]] || {
        echo "$label: SHA-256 mismatch for ${file##*/}" >&2
        exit 1
    }
}

# fetch_checked, then prints: LABEL wall job transfer join cpu bytes-sent requests connections
#   job: the first request's start (nginx's log) to the last write of the complete file
#   transfer: the first request's start to the last request's end; join: from there to the file
# Print it into a file (never through $(...), which would hide a failure).
time_job() { # label, file, sha, command...
    local label="$1" file="$2" wall user sys finished done_at
    : >"$access_log"
    fetch_checked "$@"
    finished="$(date +%s.%N)"
    read -r wall user sys <"$work/time.txt"
    done_at="$(stat -c '%.9Y' "$file")"
    awk -v label="$label" -v wall="$wall" -v cpu="$(awk "BEGIN { print $user + $sys }")" \
        -v done_at="$done_at" -v finished="$finished" '
        { start = $1 - $2; if (NR == 1 || start < first) first = start
          if ($1 > last) last = $1; bytes += $4; requests++
          if (!($5 in seen)) { seen[$5] = 1; connections++ } }
        END { if (done_at > finished) done_at = finished
              printf "%s %.3f %.3f %.3f %.3f %.3f %d %d %d\n", label, wall, done_at - first,
                     last - first, done_at - last, cpu, bytes, requests, connections }' \
        "$access_log"
    rm -rf "${file%/*}"
}
