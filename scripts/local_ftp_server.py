#!/usr/bin/python3
"""A small FTP server on loopback for the demo site and for the tests.

Usage: local_ftp_server.py --root DIR --port N [--user NAME:PASSWORD]...
                           [--anonymous] [--passive-ports LOW-HIGH]
                           [--ready-file FILE] [--command-log FILE]
                           [--login-folder PATH] [--unlisted PATH]...
                           [--command-delay SECONDS] [--month-names NAMES]
                           [--slow-data-connections MS]

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

With --slow-data-connections MS the server reads a data connection slowly:
at most 64 KiB per wake, then nothing for MS milliseconds, with a small
receive buffer, so that much of an upload waits in the client's socket when
the client has handed over its last byte. Over TLS the first pause falls
between the server's part of the handshake and its end, so the session
tickets reach the client only after that.

With --hide-dot-files the server lists names beginning with "." only when
asked with LIST -a (or -al, -la), as most Unix FTP servers do by default.

--tls-renegotiate-after N makes the server speak TLS 1.2 only and start a
renegotiation on each upload's data connection once N bytes have come in;
--tls-key-update-after N sends a TLS 1.3 KeyUpdate that asks the client for
its own once N bytes have gone through any data connection. Either writes "#TLS ..." lines into the
command log: when it was asked for, and whether it was still pending when
the data connection closed.
"""
import argparse
import ctypes
import logging
import os
import sys

from pyftpdlib import filesystems
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


class ActiveDataHandler(FTPHandler):
    """pyftpdlib keeps the connector of an active (PORT) data connection
    after it has handed its socket to the transfer, and closes it at the
    connection's next PORT. That close unregisters the connector's old
    descriptor number from the I/O loop; by then the number may belong to
    another connection's running transfer, which is never read again and
    hangs (an upload stops after its 125 while the browsing connection lists).
    A connector that has handed over its socket is forgotten instead."""

    def _on_dtp_connection(self):
        self._dtp_connector = None
        super()._on_dtp_connection()


def command_logging_handler(path):
    log = open(path, "a", encoding="utf-8", errors="surrogateescape")

    class CommandLoggingHandler(ActiveDataHandler):
        def pre_process_command(self, line, cmd, arg):
            log.write(line + "\n")
            log.flush()
            return super().pre_process_command(line, cmd, arg)

    return CommandLoggingHandler


def hiding_dot_files_handler(base):
    class Filesystem(base.abstracted_fs):
        def listdir(self, path):
            names = super().listdir(path)
            if getattr(self.cmd_channel, "list_hidden", False):
                return names
            return [name for name in names if not name.startswith(".")]

    class Handler(base):
        abstracted_fs = Filesystem
        list_hidden = False

        def pre_process_command(self, line, cmd, arg):
            self.list_hidden = cmd == "LIST" and arg.strip().lower() in ("-a", "-al", "-la")
            return super().pre_process_command(line, cmd, arg)

    return Handler


def home_handler(base, login_folder, unlisted):
    """A server that does not lock its users into their home: the log-in
    starts in login_folder (PWD reports it) while "/" stays the server's
    root, and the folders in unlisted may be entered but not listed, as a
    folder of mode 711 above a home is."""

    class Handler(base):
        def on_login(self, username):
            if login_folder:
                self.fs.cwd = login_folder
            return super().on_login(username)

        def refuse_listing(self, path):
            if self.fs.fs2ftp(path) in unlisted:
                self.respond("550 Permission denied.")
                return True
            return False

        def ftp_LIST(self, path):
            if not self.refuse_listing(path):
                return super().ftp_LIST(path)

        def ftp_NLST(self, path):
            if not self.refuse_listing(path):
                return super().ftp_NLST(path)

        def ftp_MLSD(self, path):
            if not self.refuse_listing(path):
                return super().ftp_MLSD(path)

    return Handler


def slow_data_handler(base, pause_ms):
    import select
    import socket

    pause = pause_ms / 1000.0
    wake_bytes = 64 * 1024

    class SlowDataHandler(base.dtp_handler):
        slow_paused = False

        def __init__(self, sock, cmd_channel):
            try:
                sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 16 * 1024)
            except OSError:
                pass
            super().__init__(sock, cmd_channel)

        def more_waiting(self):
            pending = getattr(self.socket, "pending", None)
            if pending and pending() > 0:
                return True
            try:
                return bool(select.select([self._fileno], [], [], 0)[0])
            except (OSError, ValueError):
                return False

        def handle_read_event(self):
            start = self.tot_bytes_received
            super().handle_read_event()
            while (not self._closed and self.tot_bytes_received - start < wake_bytes
                   and self.tot_bytes_received > start and self.more_waiting()):
                super().handle_read_event()
            # A download's data connection writes; only one that waits for
            # data (or is still in its handshake) pauses.
            if self._closed or self.producer_fifo or self._wanted_io_events != self.ioloop.READ:
                return
            self.slow_paused = True
            self.ioloop.modify(self._fileno, 0)
            self.call_later(pause, self.resume_reading)

        def resume_reading(self):
            if self._closed or not self.slow_paused:
                return
            self.slow_paused = False
            self.ioloop.modify(self._fileno, self._current_io_events | self.ioloop.READ)

    class Handler(base):
        dtp_handler = SlowDataHandler

    return Handler


def login_limited_handler(base, limit, delay):
    """Greets every connection but answers USER with 530 on a control
    connection beyond `limit` from one address, as servers that count their
    clients at log-in do; the answer comes `delay` seconds late."""
    class Handler(base):
        def ftp_USER(self, line):
            if self.server.ip_map.count(self.remote_ip) > limit:
                self.ioloop.call_later(delay, self.respond,
                                       "530 Too many connections from your address, try again later.",
                                       _errback=self.handle_error)
                return
            return super().ftp_USER(line)

    return Handler


def late_refusal_handler(base, delay):
    """A connection beyond the per-address limit is refused `delay` seconds
    after it was made, as a server that starts a process per connection
    refuses it only once that process runs."""
    class Handler(base):
        def handle_max_cons_per_ip(self):
            self.ioloop.call_later(delay, super(Handler, self).handle_max_cons_per_ip,
                                   _errback=self.handle_error)

    return Handler


def tls_handler(base, certfile, keyfile, no_close_notify, renegotiate_after=0,
                key_update_after=0, event_log=None):
    from OpenSSL import SSL
    from pyftpdlib.handlers import TLS_DTPHandler, TLS_FTPHandler

    poke_after = renegotiate_after or key_update_after
    libssl = None
    if key_update_after:
        # pyOpenSSL has no call for it; its SSL object is the system
        # library's, so the library's own function is called on it.
        from OpenSSL._util import ffi
        libssl = ctypes.CDLL("libssl.so.3")
        libssl.SSL_key_update.argtypes = [ctypes.c_void_p, ctypes.c_int]
        libssl.SSL_get_key_update_type.argtypes = [ctypes.c_void_p]

        def ssl_pointer(connection):
            return int(ffi.cast("uintptr_t", connection._ssl))

    def event(text):
        if event_log:
            event_log.write("#TLS " + text + "\n")
            event_log.flush()

    class DataHandler(TLS_DTPHandler):
        tls_bytes = 0
        tls_poked = False

        def count_tls_bytes(self, count):
            if not poke_after or self.tls_poked or not self._ssl_established:
                return
            self.tls_bytes += count
            if self.tls_bytes < poke_after:
                return
            self.tls_poked = True
            if renegotiate_after:
                # The request goes out once the client's socket is full (the
                # server reads nothing meanwhile): its reply then has to wait
                # for room, and its next writes for the server's handshake.
                self.ioloop.modify(self._fileno, 0)
                self.ioloop.call_later(0.3, self.request_renegotiation)
                return
            if libssl.SSL_key_update(ssl_pointer(self.socket), 1) != 1:
                event("key update refused")
                return
            event("key update requested")
            self.send_handshake()

        def request_renegotiation(self):
            if self._closed:
                return
            self.socket.renegotiate()
            event("renegotiation requested")
            self.send_handshake()
            self.ioloop.call_later(0.3, self.resume_reading)

        def resume_reading(self):
            if not self._closed:
                self.ioloop.modify(self._fileno, self.ioloop.READ)

        def send_handshake(self):
            try:
                self.socket.do_handshake()
            except (SSL.WantReadError, SSL.WantWriteError):
                pass

        def recv(self, buffer_size):
            data = super().recv(buffer_size)
            self.count_tls_bytes(len(data))
            return data

        def send(self, data):
            sent = super().send(data)
            # While it sends a file the handler reads nothing, so it could
            # never take in the client's side of a renegotiation.
            if not renegotiate_after:
                self.count_tls_bytes(sent or 0)
            return sent

        def close(self):
            if self.tls_poked and isinstance(self.socket, SSL.Connection):
                if renegotiate_after:
                    event("renegotiation pending at close: %d"
                          % int(self.socket.renegotiate_pending()))
                else:
                    # SSL_KEY_UPDATE_NONE (-1) once it has been sent.
                    kind = libssl.SSL_get_key_update_type(ssl_pointer(self.socket))
                    event("key update pending at close: %d" % int(kind != -1))
                self.tls_poked = False
            if no_close_notify:
                # Skips the TLS shutdown; the socket is simply closed.
                self._error = True
            super().close()

    class Handler(TLS_FTPHandler, base):
        pass

    Handler.certfile = certfile
    Handler.keyfile = keyfile or None
    Handler.dtp_handler = DataHandler
    if renegotiate_after:
        # Renegotiation exists up to TLS 1.2 only.
        Handler.ssl_options |= SSL.OP_NO_TLSv1_3
    return Handler


def delaying_handler(base, seconds):
    """A slow link: each command is taken up `seconds` after it arrived.
    A client waits for each reply before its next command, so the commands
    of one connection keep their order."""

    class Handler(base):
        def pre_process_command(self, line, cmd, arg):
            later = super().pre_process_command
            self.ioloop.call_later(seconds, lambda: later(line, cmd, arg) if self.connected else None)

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
    parser.add_argument("--tls-renegotiate-after", type=int, default=0)
    parser.add_argument("--tls-key-update-after", type=int, default=0)
    parser.add_argument("--slow-data-connections", type=int, default=0, metavar="MS",
                        help="read data connections slowly, pausing MS milliseconds per wake")
    parser.add_argument("--hide-dot-files", action="store_true")
    parser.add_argument("--login-folder", default="",
                        help="where a log-in starts (PWD), instead of the root")
    parser.add_argument("--unlisted", action="append", default=[],
                        help="a folder that may be entered but not listed")
    parser.add_argument("--max-connections-per-ip", type=int, default=0,
                        help="control connections taken from one address; more are answered 421")
    parser.add_argument("--command-delay", type=float, default=0.0,
                        help="seconds each command waits before it is taken up, as over a slow link")
    parser.add_argument("--month-names", default="",
                        help="twelve comma-separated month names for listings, January first")
    parser.add_argument("--logins-per-ip", type=int, default=0,
                        help="log-ins taken from one address at once; USER on a further connection is answered 530")
    parser.add_argument("--refusal-delay", type=float, default=0.0,
                        help="seconds before a connection over either limit above is refused")
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

    handler = ActiveDataHandler
    event_log = None
    if args.command_log:
        handler = command_logging_handler(args.command_log)
        event_log = open(args.command_log, "a", encoding="utf-8")
    if args.hide_dot_files:
        handler = hiding_dot_files_handler(handler)
    if args.tls_cert:
        handler = tls_handler(handler, args.tls_cert, args.tls_key, args.tls_no_close_notify,
                              args.tls_renegotiate_after, args.tls_key_update_after, event_log)
    if args.slow_data_connections > 0:
        handler = slow_data_handler(handler, args.slow_data_connections)
    if args.login_folder or args.unlisted:
        handler = home_handler(handler, args.login_folder, set(args.unlisted))
    if args.command_delay > 0:
        handler = delaying_handler(handler, args.command_delay)
    if args.month_names:
        names = args.month_names.split(",")
        if len(names) != 12:
            parser.error("--month-names takes twelve names")
        filesystems._months_map.update({number: name for number, name in enumerate(names, start=1)})
    if args.logins_per_ip:
        handler = login_limited_handler(handler, args.logins_per_ip, args.refusal_delay)
    if args.refusal_delay:
        handler = late_refusal_handler(handler, args.refusal_delay)
    handler.authorizer = authorizer
    handler.auth_failed_timeout = args.auth_failed_delay
    handler.banner = "Tavlin test server ready."
    handler.permit_foreign_addresses = False
    if args.passive_ports:
        low, _, high = args.passive_ports.partition("-")
        handler.passive_ports = range(int(low), int(high) + 1)

    server = FTPServer((args.host, args.port), handler)
    server.max_cons = 256
    if args.max_connections_per_ip:
        server.max_cons_per_ip = args.max_connections_per_ip
    port = server.socket.getsockname()[1]
    if args.ready_file:
        tmp = args.ready_file + ".part"
        with open(tmp, "w") as f:
            f.write(str(port))
        os.replace(tmp, args.ready_file)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    main()
