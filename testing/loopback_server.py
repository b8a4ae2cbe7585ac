#!/usr/bin/env python3
"""A loopback HTTP(S) server for the tests: serves the sample pages and misbehaves on request.

    python3 testing/loopback_server.py --port-file FILE [--tls-cert CERT --tls-key KEY] [--port N]
                                       [--control-port-file FILE]

Binds 127.0.0.1 only (port 0: any free port), writes the chosen port to FILE once it listens and
serves until killed. Every request is recorded before it is answered. With --control-port-file a
second, plain-HTTP port serves the same routes with the same state, for clients that cannot speak
TLS to an HTTPS instance.

Control routes (never recorded):
  /__control/requests            JSON list of the recorded requests
  /__control/reset               forgets the recorded requests
  /__control/count?path=P        how many recorded requests had the path P (query ignored)
  /__control/heads[?path=P]      the raw request heads (request line and header lines, each head
                                 ending in an empty line) as text, oldest first
  /__control/next?mode=M&...     what /statistics/server serves from now on:
      page&file=NAME             a file from testing/pages/ with Content-Length (default: normal.html)
      status&code=C&file=NAME    the same with status C (default file not_found.html)
      chunked&file=NAME          the file in chunked transfer encoding, no Content-Length
      stall                      read the request, never answer
      close                      Content-Length 100000, 1000 bytes of body, then close
      bytes&size=N               N bytes of 'x'
      empty                      200 with Content-Length 0
      slow&delay_ms=D&file=NAME[&step=S]
                                 the file S bytes at a time (default 8), D ms apart
      endless                    a chunked body that never ends
      noise&size=N&seed=S        N pseudo-random bytes from seed S (zero bytes, invalid UTF-8), the same
                                 bytes for the same seed

Fixed routes:
  /page, /chunked, /status/404, /empty, /stall, /close-midway, /endless
  /length/VALUE   300000 bytes with "Content-Length: VALUE" verbatim, connection closed after the body
  /big/N          N bytes
  /trickle        one byte every 2 s, forever
Bodies other than whole pages and 'x' runs are normal.html repeated and cut to length, so a client
can check every byte against the file.
"""
import argparse
import json
import os
import random
import select
import socket
import ssl
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

PAGES_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "pages")
DEFAULT_PAGE = "normal.html"
DEFAULT_ERROR_PAGE = "not_found.html"

LENGTH_TEST_BODY_BYTES = 300000
CLOSE_DECLARED_BYTES = 100000
CLOSE_SENT_BYTES = 1000
TRICKLE_INTERVAL_S = 2.0
DEFAULT_SLOW_STEP_BYTES = 8
ENDLESS_CHUNK_BYTES = 16384
SEND_PIECE_BYTES = 65536
# How often a stalled handler looks whether its client has gone.
STALL_POLL_S = 0.5
# A TLS client that connects and never says hello must not hold a thread for ever.
TLS_HANDSHAKE_TIMEOUT_S = 10


def page_bytes(name):
    safe = os.path.basename(name or DEFAULT_PAGE)
    with open(os.path.join(PAGES_DIR, safe), "rb") as f:
        return f.read()


def pattern_bytes(size):
    """normal.html repeated and cut to `size` bytes."""
    page = page_bytes(DEFAULT_PAGE)
    whole, rest = divmod(size, len(page))
    return page * whole + page[:rest]


class ClientGone(Exception):
    pass


class _LineRecorder:
    """Stands in for rfile while the head is parsed, keeping the raw header lines."""

    def __init__(self, real):
        self.real = real
        self.lines = []

    def readline(self, *args):
        line = self.real.readline(*args)
        self.lines.append(line)
        return line


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "loopback"
    sys_version = ""

    def log_message(self, format, *args):  # noqa: A002 - the base class's name
        if self.server.verbose:
            sys.stderr.write("%s %s\n" % (self.address_string(), format % args))

    def parse_request(self):
        recorder = _LineRecorder(self.rfile)
        self.rfile = recorder
        try:
            return super().parse_request()
        finally:
            self.rfile = recorder.real
            self.raw_head = self.raw_requestline + b"".join(recorder.lines)

    def handle_one_request(self):
        try:
            super().handle_one_request()
        except (ClientGone, ConnectionError, ssl.SSLError, socket.timeout, OSError):
            self.close_connection = True

    def do_GET(self):
        self.dispatch()

    do_HEAD = do_POST = do_PUT = do_DELETE = do_OPTIONS = do_GET

    # --- recording -------------------------------------------------------------------------
    def request_target(self):
        # Exactly as sent: the second word of the request line, not the handler's tidied path.
        words = self.requestline.split(" ")
        return words[1] if len(words) >= 2 else ""

    def record(self, target):
        entry = {
            "method": self.command,
            "target": target,
            "path": urllib.parse.urlsplit(target).path,
            "version": self.request_version,
            "headers": [[name, value] for name, value in self.headers.items()],
            "raw_head": self.raw_head.decode("latin-1"),
            "tls": self.server.tls_context is not None,
        }
        state = self.server.state
        with state.lock:
            state.recorded.append(entry)

    # --- routing ---------------------------------------------------------------------------
    def dispatch(self):
        target = self.request_target()
        parts = urllib.parse.urlsplit(target)
        path = parts.path
        query = dict(urllib.parse.parse_qsl(parts.query, keep_blank_values=True))
        self.close_connection = True
        if path.startswith("/__control/"):
            self.control(path[len("/__control/"):], query)
            return
        self.record(target)
        if path == "/statistics/server":
            with self.server.state.lock:
                mode = dict(self.server.state.next_mode)
            self.serve_mode(mode)
        elif path == "/page":
            self.send_body(200, page_bytes(DEFAULT_PAGE))
        elif path == "/chunked":
            self.send_chunked(page_bytes(DEFAULT_PAGE))
        elif path.startswith("/length/"):
            self.send_declared_length(urllib.parse.unquote(path[len("/length/"):]))
        elif path == "/status/404":
            self.send_body(404, page_bytes(DEFAULT_ERROR_PAGE))
        elif path == "/empty":
            self.send_body(200, b"")
        elif path.startswith("/big/"):
            self.send_body(200, pattern_bytes(int(path[len("/big/"):])))
        elif path == "/stall":
            self.stall()
        elif path == "/close-midway":
            self.send_cut_short()
        elif path == "/trickle":
            self.send_trickle()
        elif path == "/endless":
            self.send_endless()
        else:
            self.send_body(404, page_bytes(DEFAULT_ERROR_PAGE))

    def serve_mode(self, mode):
        kind = mode.get("mode", "page")
        if kind == "page":
            self.send_body(200, page_bytes(mode.get("file")))
        elif kind == "status":
            self.send_body(int(mode.get("code", "404")), page_bytes(mode.get("file", DEFAULT_ERROR_PAGE)))
        elif kind == "chunked":
            self.send_chunked(page_bytes(mode.get("file")))
        elif kind == "stall":
            self.stall()
        elif kind == "close":
            self.send_cut_short()
        elif kind == "bytes":
            self.send_body(200, b"x" * int(mode.get("size", "0")))
        elif kind == "empty":
            self.send_body(200, b"")
        elif kind == "slow":
            self.send_slowly(page_bytes(mode.get("file")), int(mode.get("delay_ms", "100")),
                             int(mode.get("step", str(DEFAULT_SLOW_STEP_BYTES))))
        elif kind == "endless":
            self.send_endless()
        elif kind == "noise":
            self.send_body(200, random.Random(int(mode.get("seed", "0"))).randbytes(int(mode.get("size", "0"))))

    def control(self, action, query):
        server = self.server.state
        if action == "requests":
            with server.lock:
                payload = json.dumps(server.recorded, ensure_ascii=False)
            self.send_json(payload)
        elif action == "reset":
            with server.lock:
                server.recorded.clear()
            self.send_json('{"ok": true}')
        elif action == "count":
            wanted = query.get("path", "")
            with server.lock:
                count = sum(1 for entry in server.recorded if entry["path"] == wanted)
            self.send_json(json.dumps({"path": wanted, "count": count}))
        elif action == "heads":
            wanted = query.get("path")
            with server.lock:
                heads = [e["raw_head"] for e in server.recorded if wanted is None or e["path"] == wanted]
            self.send_body(200, "".join(heads).encode("latin-1"), "text/plain; charset=iso-8859-1")
        elif action == "next":
            error = self.check_mode(query)
            if error:
                self.send_body(400, error.encode("utf-8"), "text/plain; charset=utf-8")
                return
            with server.lock:
                server.next_mode = dict(query)
            self.send_json(json.dumps({"ok": True, "mode": query}, ensure_ascii=False))
        else:
            self.send_body(404, b"unknown control route\n", "text/plain; charset=utf-8")

    @staticmethod
    def check_mode(query):
        kind = query.get("mode", "page")
        if kind not in ("page", "status", "chunked", "stall", "close", "bytes", "empty", "slow", "endless",
                        "noise"):
            return "unknown mode %r\n" % kind
        if "file" in query and not os.path.isfile(os.path.join(PAGES_DIR, os.path.basename(query["file"]))):
            return "no page %r in %s\n" % (query["file"], PAGES_DIR)
        for number in ("code", "size", "delay_ms", "step", "seed"):
            if number in query and not query[number].isdigit():
                return "%s must be a whole number\n" % number
        return None

    # --- answers ---------------------------------------------------------------------------
    def write_raw(self, data):
        try:
            self.wfile.write(data)
            self.wfile.flush()
        except (ConnectionError, ssl.SSLError, OSError) as error:
            raise ClientGone() from error

    def send_head(self, code, fields):
        self.send_response(code)
        for name, value in fields:
            self.send_header(name, value)
        self.send_header("Connection", "close")
        self.end_headers()

    def send_body(self, code, body, content_type="text/html; charset=utf-8"):
        self.send_head(code, [("Content-Type", content_type), ("Content-Length", str(len(body)))])
        if self.command != "HEAD":
            for start in range(0, len(body), SEND_PIECE_BYTES):
                self.write_raw(body[start:start + SEND_PIECE_BYTES])

    def send_json(self, payload):
        self.send_body(200, payload.encode("utf-8"), "application/json; charset=utf-8")

    def send_chunked(self, body):
        self.send_head(200, [("Content-Type", "text/html; charset=utf-8"), ("Transfer-Encoding", "chunked")])
        for start in range(0, len(body), SEND_PIECE_BYTES):
            piece = body[start:start + SEND_PIECE_BYTES]
            self.write_raw(b"%x\r\n%s\r\n" % (len(piece), piece))
        self.write_raw(b"0\r\n\r\n")

    def send_declared_length(self, declared):
        body = pattern_bytes(LENGTH_TEST_BODY_BYTES)
        self.send_head(200, [("Content-Type", "text/html; charset=utf-8"), ("Content-Length", declared)])
        for start in range(0, len(body), SEND_PIECE_BYTES):
            self.write_raw(body[start:start + SEND_PIECE_BYTES])
        self.finish_by_closing()

    def send_cut_short(self):
        self.send_head(200, [("Content-Type", "text/html; charset=utf-8"),
                             ("Content-Length", str(CLOSE_DECLARED_BYTES))])
        self.write_raw(pattern_bytes(CLOSE_SENT_BYTES))
        self.finish_by_closing()

    def send_slowly(self, body, delay_ms, step):
        step = max(step, 1)
        self.send_head(200, [("Content-Type", "text/html; charset=utf-8"), ("Content-Length", str(len(body)))])
        for start in range(0, len(body), step):
            self.write_raw(body[start:start + step])
            if start + step < len(body):
                time.sleep(delay_ms / 1000.0)

    def send_trickle(self):
        self.send_head(200, [("Content-Type", "text/html; charset=utf-8")])
        page = page_bytes(DEFAULT_PAGE)
        position = 0
        while True:
            self.write_raw(page[position:position + 1])
            position = (position + 1) % len(page)
            if self.wait_for_client_gone(TRICKLE_INTERVAL_S):
                return

    def send_endless(self):
        self.send_head(200, [("Content-Type", "text/html; charset=utf-8"), ("Transfer-Encoding", "chunked")])
        piece = pattern_bytes(ENDLESS_CHUNK_BYTES)
        while True:
            self.write_raw(b"%x\r\n%s\r\n" % (len(piece), piece))

    def stall(self):
        while not self.wait_for_client_gone(STALL_POLL_S):
            pass

    def wait_for_client_gone(self, seconds):
        """Waits up to `seconds`; true when the client has closed its side meanwhile."""
        connection = self.connection
        readable, _, _ = select.select([connection], [], [], seconds)
        if not readable:
            return False
        try:
            return connection.recv(4096) == b""
        except (ConnectionError, ssl.SSLError, OSError):
            return True

    def finish_by_closing(self):
        # The client learns the body's end only from the close.
        self.close_connection = True
        try:
            self.wfile.flush()
            self.connection.shutdown(socket.SHUT_WR)
        except OSError:
            pass


class SharedState:
    """What the serving port and the control port share."""

    def __init__(self):
        self.lock = threading.Lock()
        self.recorded = []
        self.next_mode = {"mode": "page", "file": DEFAULT_PAGE}


class LoopbackServer(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 64

    def __init__(self, port, state, tls_context, verbose):
        self.state = state
        self.tls_context = tls_context
        self.verbose = verbose
        super().__init__(("127.0.0.1", port), Handler)

    def finish_request(self, request, client_address):
        # The TLS handshake runs here, on the request's own thread, so a stalled client blocks no other.
        if self.tls_context is not None:
            try:
                request.settimeout(TLS_HANDSHAKE_TIMEOUT_S)
                request = self.tls_context.wrap_socket(request, server_side=True)
                request.settimeout(None)
            except (ssl.SSLError, OSError) as error:
                if self.verbose:
                    sys.stderr.write("TLS handshake with %s failed: %s\n" % (client_address[0], error))
                return
        try:
            super().finish_request(request, client_address)
        except (ClientGone, ConnectionError, ssl.SSLError, OSError):
            pass
        finally:
            if self.tls_context is not None:
                request.close()

    def handle_error(self, request, client_address):
        if self.verbose:
            super().handle_error(request, client_address)


def write_port_file(path, port):
    temporary = path + ".tmp"
    with open(temporary, "w") as f:
        f.write("%d\n" % port)
    os.replace(temporary, path)


def main():
    parser = argparse.ArgumentParser(description="Loopback HTTP(S) server for the tests (127.0.0.1 only).")
    parser.add_argument("--port-file", required=True, help="file that receives the port once listening")
    parser.add_argument("--port", type=int, default=0, help="port to bind; 0 picks a free one")
    parser.add_argument("--tls-cert", help="PEM certificate (chain) to serve HTTPS with")
    parser.add_argument("--tls-key", help="PEM private key of --tls-cert")
    parser.add_argument("--control-port-file", help="also serve plain HTTP on another port; its number goes here")
    parser.add_argument("--verbose", action="store_true", help="log requests and errors to stderr")
    options = parser.parse_args()
    if bool(options.tls_cert) != bool(options.tls_key):
        parser.error("--tls-cert and --tls-key go together")

    context = None
    if options.tls_cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(options.tls_cert, options.tls_key)

    state = SharedState()
    server = LoopbackServer(options.port, state, context, options.verbose)
    if options.control_port_file:
        control = LoopbackServer(0, state, None, options.verbose)
        threading.Thread(target=control.serve_forever, daemon=True).start()
        write_port_file(options.control_port_file, control.server_address[1])
    write_port_file(options.port_file, server.server_address[1])
    server.serve_forever()


if __name__ == "__main__":
    main()
