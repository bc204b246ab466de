#!/usr/bin/python3
"""A small FTP server on loopback for the demo site and for the tests.

Usage: local_ftp_server.py --root DIR --port N [--user NAME:PASSWORD]...
                           [--anonymous] [--passive-ports LOW-HIGH]
                           [--ready-file FILE] [--command-log FILE]

With --port 0 a free port is chosen; the port in use is written to
--ready-file (when given) once the server listens, so a caller can wait for
that file instead of polling the port.

With --command-log every command line the server receives is appended to
FILE as it arrives (one line each, flushed at once), so a test can assert the
exact command sequence a client sent to a real server.

With --tls-cert (and --tls-key unless the certificate file holds the key)
the server offers AUTH TLS, PBSZ and PROT (explicit TLS); plain log-ins stay
allowed. --tls-no-close-notify makes data connections end without the TLS
close_notify alert, as a connection cut by an attacker would, while the
control connection still reports the transfer complete.
"""
import argparse
import logging
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def command_logging_handler(path):
    log = open(path, "a", encoding="utf-8", errors="surrogateescape")

    class CommandLoggingHandler(FTPHandler):
        def pre_process_command(self, line, cmd, arg):
            log.write(line + "\n")
            log.flush()
            return super().pre_process_command(line, cmd, arg)

    return CommandLoggingHandler


def tls_handler(base, certfile, keyfile, no_close_notify):
    from pyftpdlib.handlers import TLS_DTPHandler, TLS_FTPHandler

    class DataHandler(TLS_DTPHandler):
        def close(self):
            if no_close_notify:
                # Skips the TLS shutdown; the socket is simply closed.
                self._error = True
            super().close()

    class Handler(TLS_FTPHandler, base):
        pass

    Handler.certfile = certfile
    Handler.keyfile = keyfile or None
    Handler.dtp_handler = DataHandler
    return Handler


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--user", action="append", default=[])
    parser.add_argument("--anonymous", action="store_true",
                        help="allow read-only anonymous log-in")
    parser.add_argument("--passive-ports", default="")
    parser.add_argument("--ready-file", default="")
    parser.add_argument("--command-log", default="")
    parser.add_argument("--auth-failed-delay", type=float, default=3.0,
                        help="seconds before answering a wrong password")
    parser.add_argument("--tls-cert", default="")
    parser.add_argument("--tls-key", default="")
    parser.add_argument("--tls-no-close-notify", action="store_true")
    parser.add_argument("--verbose", action="store_true")
    args = parser.parse_args()

    logging.basicConfig(level=logging.INFO if args.verbose else logging.ERROR,
                        stream=sys.stderr)

    authorizer = DummyAuthorizer()
    for spec in args.user:
        name, _, password = spec.partition(":")
        # Full rights: list, read, write, delete, rename, make/remove dirs,
        # append, change file mode.
        authorizer.add_user(name, password, args.root, perm="elradfmwMT")
    if args.anonymous:
        authorizer.add_anonymous(args.root, perm="elr")

    handler = FTPHandler
    if args.command_log:
        handler = command_logging_handler(args.command_log)
    if args.tls_cert:
        handler = tls_handler(handler, args.tls_cert, args.tls_key, args.tls_no_close_notify)
    handler.authorizer = authorizer
    handler.auth_failed_timeout = args.auth_failed_delay
    handler.banner = "Tavlin test server ready."
    handler.permit_foreign_addresses = False
    if args.passive_ports:
        low, _, high = args.passive_ports.partition("-")
        handler.passive_ports = range(int(low), int(high) + 1)

    server = FTPServer((args.host, args.port), handler)
    server.max_cons = 256
    port = server.socket.getsockname()[1]
    if args.ready_file:
        tmp = args.ready_file + ".part"
        with open(tmp, "w") as f:
            f.write(str(port))
        os.replace(tmp, args.ready_file)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    main()
