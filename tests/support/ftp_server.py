#!/usr/bin/python3
"""Anonymous read-only FTP server on 127.0.0.1: prints its port, then serves until ended."""

import argparse
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer


def make_handler(options):
    class TestHandler(FTPHandler):
        def pre_process_command(self, line, cmd, arg):
            with open(options.log, "a", encoding="utf-8") as log:
                log.write(line + "\n")
            if cmd in options.silent:
                return
            super().pre_process_command(line, cmd, arg)

        def ftp_PORT(self, line):
            if options.refuse_port:
                self.respond("500 Active mode is not allowed.")
                return
            super().ftp_PORT(line)

    authorizer = DummyAuthorizer()
    authorizer.add_anonymous(options.root, perm="elr")
    TestHandler.authorizer = authorizer
    if options.rate > 0:
        class SlowData(ThrottledDTPHandler):
            write_limit = options.rate
        TestHandler.dtp_handler = SlowData
    return TestHandler


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--log", required=True, help="file that receives every command line")
    parser.add_argument("--refuse-port", action="store_true", help="answer PORT with 500")
    parser.add_argument("--silent", default="", help="comma-separated commands never answered")
    parser.add_argument("--rate", type=int, default=0, help="download bytes per second, 0 = no limit")
    options = parser.parse_args()
    options.silent = {name.strip().upper() for name in options.silent.split(",") if name.strip()}

    logging.basicConfig(level=logging.WARNING)
    server = FTPServer(("127.0.0.1", 0), make_handler(options))
    print(server.address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
