#!/usr/bin/python3
"""Runs a command and reports the disk it took: the peak space used while it ran, and the
bytes it wrote.

    disk-watch.py (--filesystem FOLDER | --folder FOLDER) --out FILE [--interval S] -- COMMAND...

--filesystem samples the space used on FOLDER's filesystem (statvfs: blocks in use, delayed
allocations and deleted files still open included) above what it used at the start; use it on a
filesystem of the bench's own. --folder sums the allocated blocks of the files under FOLDER
instead, for a filesystem that others write to as well.

Appends one line to FILE: peak-bytes write_bytes cancelled_write_bytes. The two counts come
from /proc/PID/io, read once the command has exited but before it is reaped, so they hold all
its threads and every child it reaped itself. write_bytes counts the bytes the command caused
to be written to storage; cancelled_write_bytes those of them that never reached it because the
file was truncated or deleted while they were still in the page cache. Exits with the
command's status."""
import argparse
import os
import subprocess
import time


def used_on_filesystem(folder):
    stats = os.statvfs(folder)
    return (stats.f_blocks - stats.f_bfree) * stats.f_frsize


def used_under(folder):
    total = 0
    for root, _, files in os.walk(folder):
        for name in files:
            try:
                total += os.lstat(os.path.join(root, name)).st_blocks * 512
            except FileNotFoundError:
                pass  # deleted between the listing and the look
    return total


def io_counts(pid):
    fields = {}
    with open(f"/proc/{pid}/io") as io:
        for line in io:
            name, value = line.split(":")
            fields[name] = int(value)
    return fields["write_bytes"], fields["cancelled_write_bytes"]


def main():
    parser = argparse.ArgumentParser()
    where = parser.add_mutually_exclusive_group(required=True)
    where.add_argument("--filesystem")
    where.add_argument("--folder")
    parser.add_argument("--out", required=True)
    parser.add_argument("--interval", type=float, default=0.02)
    parser.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    command = args.command[1:] if args.command[:1] == ["--"] else args.command

    if args.filesystem:
        baseline = used_on_filesystem(args.filesystem)
        sample = lambda: used_on_filesystem(args.filesystem) - baseline
    else:
        sample = lambda: used_under(args.folder)
    child = subprocess.Popen(command)
    peak = 0
    while os.waitid(os.P_PID, child.pid, os.WEXITED | os.WNOHANG | os.WNOWAIT) is None:
        peak = max(peak, sample())
        time.sleep(args.interval)
    peak = max(peak, sample())
    written, cancelled = io_counts(child.pid)
    status = child.wait()
    with open(args.out, "a") as out:
        out.write(f"{peak} {written} {cancelled}\n")
    raise SystemExit(status if status >= 0 else 128 - status)


if __name__ == "__main__":
    main()
