#!/usr/bin/env bash
# The disk a download takes: peak space used while downloading and bytes written, for
# `quillfetch-cli run`, aria2c and curl on the same files in the same run, each result checked by
# SHA-256. Every filesystem is one of the bench's own, made in an image file and mounted through
# a loop device, so that nothing else writes to it: ext4, and XFS with reflink (where a join can
# share the pieces' blocks instead of copying them). Where the machine refuses the mount, the
# downloads go to the temporary folder and the script says so.
# Usage: bench/disk-bench.sh [--no-build]   (as root: it makes and mounts filesystems)
#   QF_CLI=/path/to/quillfetch-cli   use this binary instead of building the release preset
#   BENCH_TMPDIR=/some/folder        where the temporary folder goes (default: $TMPDIR or /tmp)
#   DISK_SIZES_MIB="512 2048"        the downloads' sizes
#   DISK_FILESYSTEMS="ext4 xfs"      the filesystems
#   BENCH_RUNS=1                     runs of each tool per size; the table shows medians
set -euo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/lib/cli.sh"
source "$(dirname "${BASH_SOURCE[0]}")/lib/work.sh"
source "$(dirname "${BASH_SOURCE[0]}")/lib/tools.sh"
readonly sizes="${DISK_SIZES_MIB:-512 2048}"
readonly filesystems="${DISK_FILESYSTEMS:-ext4 xfs}"
readonly runs="${BENCH_RUNS:-1}"

need_packages nginx-light aria2 curl e2fsprogs xfsprogs
prepare_cli "$@"
open_work disk-bench

largest=0
mkdir -p "$work/www"
for mib in $sizes; do
    ((mib > largest)) && largest=$mib
    echo "Generating a $mib MiB file in $work ..."
    make_source "$work/www/file-$mib.bin" $((mib * 1048576)) >"$work/www/file-$mib.sha"
done
port="$(free_port)"
start_nginx "$work/nginx" "$port" "    server {
        listen 127.0.0.1:$port;
        root $work/www;
    }"

# Mounts a new filesystem of TYPE, large enough for twice the largest file and more, at
# $work/mnt-TYPE and sets target (where the downloads go), watch and interval (how and how often
# disk-watch.py samples it) and target_type. Without the mount, the downloads go to the temporary
# folder itself.
mount_scratch() { # type
    local image="$work/$1.img" mount="$work/mnt-$1"
    target="$mount" watch=--filesystem interval=0.02 target_type="$1"
    mkdir -p "$mount"
    truncate -s $((largest * 3 + 512))M "$image"
    case "$1" in
    ext4) mkfs.ext4 -q -F -m 0 -E lazy_itable_init=0,lazy_journal_init=0 "$image" ;;
    xfs) mkfs.xfs -q -f -m reflink=1 "$image" ;;
    esac
    if mount -o loop "$image" "$mount" 2>"$work/mount.err"; then
        bench_mounts+=("$mount")
        return
    fi
    rm -f "$image"
    # Walking thousands of pieces takes a while: a coarser step.
    target="$work/folder" watch=--folder interval=0.1
    target_type="$(findmnt -n -o FSTYPE -T "$work")"
    echo "The machine refused to mount the $1 image ($(tr '\n' ' ' <"$work/mount.err")):" \
        "downloading into $target ($target_type, shared with the rest of the machine) instead."
}

unmount_scratch() { # type
    if [[ $watch == --filesystem ]]; then release_mount "$target"; fi
    rm -f "$work/$1.img"
}

results="$work/results.txt"
: >"$results"
for fs in $filesystems; do
    mount_scratch "$fs"
    [[ $watch == --filesystem || $fs == ext4 ]] || {
        unmount_scratch "$fs"
        echo "no $fs figures"
        continue
    }
    for mib in $sizes; do
        for run in $(seq "$runs"); do
            for tool in quillfetch aria2c curl; do
                echo "$target_type, $mib MiB, run $run: $tool ..."
                wrap=(python3 "$bench_lib/disk-watch.py" "$watch" "$target" --out "$work/disk.txt"
                    --interval "$interval" --)
                fetch_checked "$tool" "$target/out/file-$mib.bin" \
                    "$(cat "$work/www/file-$mib.sha")" "run_$tool" \
                    "http://127.0.0.1:$port/file-$mib.bin" "$target/out" $((mib * 1048576))
                wrap=()
                echo "$target_type $mib $run $tool $(cut -d' ' -f1 "$work/time.txt")" \
                    "$(tail -n 1 "$work/disk.txt")" >>"$results"
            done
        done
    done
    rm -rf "$target/out"
    unmount_scratch "$fs"
done

python3 - "$results" "$runs" "$bench_lib" <<'EOF'
import sys
sys.path.insert(0, sys.argv[3])
from summary import load, groups, median, verdict

rows = load(sys.argv[1], ["fs", "mib", "round", "tool", "wall", "peak", "written", "cancelled"])
runs, mib = int(sys.argv[2]), 1048576
print(f"\nMedian of {runs} run(s); x: times the file's size")
print(f"{'fs':6} {'MiB':>5} {'tool':10} {'wall s':>7} {'peak MiB':>9} {'peak x':>7} {'written MiB':>11}"
      f" {'written x':>9} {'cancelled x':>11}")
table = groups(rows, "fs", "mib", "tool")
figures = {}
for (fs, size, tool), group in table.items():
    m = {c: median([r[c] for r in group]) for c in ("wall", "peak", "written", "cancelled")}
    figures[(fs, size, tool)] = m
    file = size * mib
    print(f"{fs:6} {size:5.0f} {tool:10} {m['wall']:7.2f} {m['peak'] / mib:9.1f} {m['peak'] / file:7.3f}"
          f" {m['written'] / mib:11.1f} {m['written'] / file:9.3f} {m['cancelled'] / file:11.3f}")

print("\nTargets (Quillfetch)")
written_bound = {"ext4": 2.0, "xfs": 1.05}
for (fs, size, tool), m in figures.items():
    if tool != "quillfetch":
        continue
    file = size * mib
    peak = m["peak"] / file
    print(f"  {fs} {size:.0f} MiB: peak x{peak:.3f} (at most x1.10): {verdict(peak <= 1.10)}")
    if fs in written_bound:
        written = m["written"] / file
        print(f"  {fs} {size:.0f} MiB: written x{written:.3f} (at most x{written_bound[fs]:.2f}):"
              f" {verdict(written <= written_bound[fs])}")
EOF
echo
echo "peak: the most space the filesystem used above its start while the tool ran (sampled every"
echo "20 ms); written: write_bytes of /proc/PID/io (the process, its threads and reaped children);"
echo "cancelled: of those, bytes deleted before they reached the disk. See bench/README.md."
