#!/usr/bin/python3
"""Read-only FTP server on a loopback address: prints its port, then serves until ended."""

import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer


def make_handler(root, log_path, rate, refuse_port, login, silent):
    class TestHandler(FTPHandler):
        def pre_process_command(self, line, cmd, arg):
            with open(log_path, "a", encoding="utf-8") as log:
                log.write(line + "\n")
            if cmd not in silent:
                super().pre_process_command(line, cmd, arg)

        def ftp_PORT(self, line):
            if refuse_port:
                self.respond("500 Active mode is not allowed.")
            else:
                super().ftp_PORT(line)

    class SlowData(ThrottledDTPHandler):
        write_limit = rate  # 0: no limit

    authorizer = DummyAuthorizer()
    authorizer.add_anonymous(root, perm="elr")
    if login[0]:
        authorizer.add_user(*login, root, perm="elr")
    TestHandler.authorizer = authorizer
    TestHandler.dtp_handler = SlowData
    return TestHandler


# Arguments: ROOT LOG RATE REFUSE_PORT ADDRESS USER PASSWORD SILENT_COMMAND... Every command line
# is appended to LOG; RATE limits each data connection (bytes per second, 0: no limit);
# REFUSE_PORT "1" answers PORT with 500; the server listens on ADDRESS ("127.0.0.1", "::1"); USER,
# unless empty, logs in with PASSWORD besides anonymous; the silent commands are logged but never
# answered.
def main():
    root, log_path, rate, refuse_port, address, user, password, *silent = sys.argv[1:]
    logging.basicConfig(level=logging.WARNING)
    handler = make_handler(root, log_path, int(rate), refuse_port == "1", (user, password),
                           set(silent))
    server = FTPServer((address, 0), handler)
    print(server.address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
