#!/usr/bin/python3
"""Runs a command and samples how many bytes its TCP connections to a port have received.

    receive-rate.py --port PORT --log FILE [--interval 0.1] -- COMMAND...

Every INTERVAL seconds, `ss` lists the command's connections to 127.0.0.1:PORT (any socket of
the machine whose peer port is PORT) with the bytes each one's kernel received and the bytes
still unread in its receive queue. Appends one line per sample to FILE: seconds since the start,
the bytes received over all connections (what crossed the link), and the bytes the program read
from them. A connection that closed keeps its counts of its last sample: what arrived between
that sample and the close goes uncounted. Exits with the command's status."""
import argparse
import itertools
import re
import subprocess
import time

# A socket the program still holds (one it closed has no inode).
SOCKET = re.compile(r"^\S+\s+(\d+)\s+\d+\s+(\S+)\s+\S+.*\bino:([1-9]\d*)")
RECEIVED = re.compile(r"\bbytes_received:(\d+)")


def counts_per_socket(port):
    """{(local address, inode): (received, read)}"""
    listing = subprocess.run(["ss", "-tineH", f"( dport = :{port} )"], capture_output=True,
                             text=True).stdout
    sockets, key, unread = {}, None, 0
    for line in listing.splitlines():
        if match := SOCKET.match(line):
            key, unread = (match[2], match[3]), int(match[1])
            sockets[key] = (0, 0)
        elif not line[:1].isspace():
            key = None
        elif key and (match := RECEIVED.search(line)):
            sockets[key] = (int(match[1]), int(match[1]) - unread)
    return sockets


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--log", required=True)
    parser.add_argument("--interval", type=float, default=0.1)
    parser.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    command = args.command[1:] if args.command[:1] == ["--"] else args.command

    start = time.monotonic()
    child = subprocess.Popen(command)
    seen = {}
    with open(args.log, "a") as log:
        for tick in itertools.count(1):
            if child.poll() is not None:
                break
            for key, (received, read) in counts_per_socket(args.port).items():
                last = seen.get(key, (0, 0))
                seen[key] = (max(last[0], received), max(last[1], read))
            received = sum(counts[0] for counts in seen.values())
            read = sum(counts[1] for counts in seen.values())
            log.write(f"{time.monotonic() - start:.3f} {received} {read}\n")
            time.sleep(max(0.0, start + tick * args.interval - time.monotonic()))
    raise SystemExit(child.returncode if child.returncode >= 0 else 128 - child.returncode)


if __name__ == "__main__":
    main()
