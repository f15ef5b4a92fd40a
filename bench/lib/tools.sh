# The three downloaders the benches compare, each fetching a URL (with its scheme) into a folder:
#   run_<tool> URL OUTPUT_FOLDER SIZE
# They need $work (a scratch folder) and $cli (quillfetch-cli), and trust $ca_file for HTTPS
# when it is set (Quillfetch through its TestCaFile setting).

readonly bench_pack_size=512000

run_quillfetch() {
    local url="$1" out="$2" size="$3"
    local home="$work/qf-home" file="${url##*/}"
    local project="${file%%.*}"
    rm -rf "$home"
    mkdir -p "$home/data/projects/$project" "$home/config/Quillfetch"
    printf '%s\r\n' \
        "url:${url#http://}" "bytes:$size" "path:$out/" "packsize:$bench_pack_size" "showmodem:1" \
        "bar1back:16777215" "bar1for:255" "bar2back:16777215" "bar2for:8421631" \
        "graphback:16777215" "graphfor:8421631" "graphmodem:0" "Type:0" "status:1" \
        >"$home/data/projects/$project/project.qfd"
    printf '%s\r\n' "$project" >"$home/data/projects/main.qfd"
    if [[ -n "${ca_file:-}" ]]; then
        printf '[options]\nTestCaFile=%s\n' "$ca_file" >"$home/config/Quillfetch/Quillfetch.conf"
    fi
    QUILLFETCH_HOME="$home/data" XDG_CONFIG_HOME="$home/config" "$cli" run
}

run_curl() {
    curl -s -S ${ca_file:+--cacert "$ca_file"} -o "$2/${1##*/}" "$1"
}

run_aria2c() {
    aria2c --no-conf -q -x4 -s4 -k1M ${ca_file:+--ca-certificate="$ca_file"} -d "$2" \
        -o "${1##*/}" "$1"
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

# Starts nginx in the background with PREFIX as its folder and LINES inside its http block (the
# access log and the servers), then waits for PORT. Sets nginx_pid.
start_nginx() { # prefix, port, lines
    local prefix="$1"
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
$3
}
CONF
    /usr/sbin/nginx -p "$prefix/" -c "$prefix/nginx.conf" -e "$prefix/error.log" &
    nginx_pid=$!
    wait_for_port "$2" || {
        echo "nginx did not start:" >&2
        cat "$prefix/error.log" >&2
        exit 1
    }
}
