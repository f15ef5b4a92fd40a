# The temporary folder of one bench run, and what goes when the script ends, however it ends:
# the processes it started, the filesystems it mounted, then the folder itself.
# open_work NAME sets $work (in $BENCH_TMPDIR, else $TMPDIR, else /tmp).

bench_pids=()
bench_mounts=()

open_work() { # name
    work="$(mktemp -d "${BENCH_TMPDIR:-${TMPDIR:-/tmp}}/quillfetch-$1.XXXXXX")"
    trap close_work EXIT
}

close_work() {
    local pid mount
    for pid in "${bench_pids[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    for mount in "${bench_mounts[@]}"; do
        umount "$mount" 2>/dev/null || umount -l "$mount" 2>/dev/null || true
    done
    rm -rf "$work"
}

# Ends a process the script started and forgets it, so that the end never signals a reused id.
stop_process() { # pid
    local pid kept=()
    kill "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
    for pid in "${bench_pids[@]}"; do
        [[ $pid == "$1" ]] || kept+=("$pid")
    done
    bench_pids=("${kept[@]}")
}

# Unmounts a filesystem the script mounted and forgets it.
release_mount() { # folder
    local mount kept=()
    umount "$1"
    for mount in "${bench_mounts[@]}"; do
        [[ $mount == "$1" ]] || kept+=("$mount")
    done
    bench_mounts=("${kept[@]}")
}

# Installs the Debian packages a bench needs and lacks, with the repository's own helper.
need_packages() { # package...
    source "$repo/scripts/lib/packages.sh"
    install_missing_packages "$@" >&2
}
