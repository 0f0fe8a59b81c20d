#!/usr/bin/env python3
"""HTTP server on 127.0.0.1 for the web tests and the web benchmark.

  test_server.py start --state DIR   start in the background; returns once it listens
  test_server.py stop --state DIR    ask the running server to end
  test_server.py serve --state DIR   run in the foreground

DIR/ports receives "http=N", "https=N", "stalled_connect=N" and "closed=N"
lines: the plain port, a TLS port whose certificate has every fault a client
can be told to ignore (unknown authority, client-only usage, another host
name, expired), a port whose accept queue is full, so a connect there never
completes, and a port nothing listens on.

A request is answered by its path and query:
  /log?of=ID            the requests recorded under ID, each as
                        "<connection number> <length>\\n" + raw bytes
  /file?size=N          N bytes of a fixed pattern
  /__shutdown           ends the server
  anything else:
    id=ID               record the raw request under ID
    status=N            answer with status N (default 200, 302 with location)
    location=URL        add a Location header
    cookie=V            add "Set-Cookie: V" (repeatable)
    header=LINE         add LINE as it is (repeatable)
    body=TEXT           the body (default "ok")
    echo=1              the body is the raw request
    stall=S             wait S seconds before answering at all
    pause=S             send the headers and half the body, wait S seconds, send the rest
    trickle=N&every=MS  send the body in N pieces MS milliseconds apart
    reset=1             announce more body than is sent, then reset the connection
A request in absolute form ("GET http://host/path") is served as a proxy
would, without contacting host; with proxyauth=USER:PASSWORD in its query
the proxy first demands that Proxy-Authorization carries those credentials.
The server ends by itself after an hour without requests.
"""

import argparse
import base64
import os
import socket
import ssl
import struct
import subprocess
import sys
import threading
import time
import urllib.parse

IDLE_LIMIT_S = 3600
HERE = os.path.dirname(os.path.abspath(__file__))

REASONS = {200: "OK", 204: "No Content", 301: "Moved Permanently", 302: "Found", 303: "See Other",
           304: "Not Modified", 404: "Not Found", 407: "Proxy Authentication Required",
           500: "Internal Server Error"}


class Recorder:
    def __init__(self):
        self.lock = threading.Lock()
        self.requests = {}
        self.connections = 0
        self.last_activity = time.monotonic()

    def new_connection(self):
        with self.lock:
            self.connections += 1
            return self.connections

    def record(self, key, connection, raw):
        with self.lock:
            self.requests.setdefault(key, []).append((connection, raw))

    def log(self, key):
        with self.lock:
            entries = list(self.requests.get(key, []))
        return b"".join(b"%d %d\n" % (connection, len(raw)) + raw for connection, raw in entries)

    def touch(self):
        self.last_activity = time.monotonic()


class Connection:
    def __init__(self, sock, recorder, stop):
        self.sock = sock
        self.recorder = recorder
        self.stop = stop
        self.buffer = b""
        self.number = recorder.new_connection()

    def read_request(self):
        while b"\r\n\r\n" not in self.buffer:
            chunk = self.sock.recv(65536)
            if not chunk:
                return None
            self.buffer += chunk
            if len(self.buffer) > 1 << 20:
                return None
        head, self.buffer = self.buffer.split(b"\r\n\r\n", 1)
        lines = head.split(b"\r\n")
        parts = lines[0].split(b" ")
        if len(parts) != 3:
            return None
        headers = []
        for line in lines[1:]:
            name, _, value = line.partition(b":")
            headers.append((name.strip().lower(), value.strip()))
        length = 0
        for name, value in headers:
            if name == b"content-length":
                length = int(value)
        while len(self.buffer) < length:
            chunk = self.sock.recv(65536)
            if not chunk:
                return None
            self.buffer += chunk
        body, self.buffer = self.buffer[:length], self.buffer[length:]
        return {"method": parts[0].decode("latin-1"), "target": parts[1].decode("latin-1"),
                "version": parts[2], "headers": headers, "raw": head + b"\r\n\r\n" + body}

    def serve(self):
        try:
            while True:
                request = self.read_request()
                if request is None:
                    return
                self.recorder.touch()
                if not self.answer(request):
                    return
        except (OSError, ValueError, ssl.SSLError):
            return
        finally:
            try:
                self.sock.close()
            except OSError:
                pass

    def header(self, request, name):
        for key, value in request["headers"]:
            if key == name:
                return value.decode("latin-1")
        return None

    def send_response(self, status, headers, body, head_only=False, keep_alive=True):
        lines = ["HTTP/1.1 %d %s" % (status, REASONS.get(status, "Status"))] + headers
        if status not in (204, 304):
            lines.append("Content-Length: %d" % len(body))
        if not keep_alive:
            lines.append("Connection: close")
        self.sock.sendall(("\r\n".join(lines) + "\r\n\r\n").encode("latin-1"))
        if not head_only and status not in (204, 304):
            self.sock.sendall(body)
        return keep_alive

    def answer(self, request):
        target = request["target"]
        proxied = target.startswith("http://")
        if proxied:
            target = "/" + target[len("http://"):].partition("/")[2]
        path, _, query = target.partition("?")
        params = urllib.parse.parse_qsl(query, keep_blank_values=True, encoding="latin-1")
        values = {}
        for key, value in params:
            values.setdefault(key, value)
        keep_alive = request["version"] == b"HTTP/1.1" and (self.header(request, b"connection") or "").lower() != "close"
        head_only = request["method"] == "HEAD"

        if "id" in values:
            self.recorder.record(values["id"], self.number, request["raw"])
        if path == "/__shutdown":
            self.send_response(200, [], b"bye", keep_alive=False)
            self.stop.set()
            return False
        if path == "/log":
            return self.send_response(200, [], self.recorder.log(values.get("of", "")), head_only, keep_alive)
        if path == "/file":
            size = int(values.get("size", "0"))
            body = bytes((i * 7 + 3) & 0xFF for i in range(256)) * (size // 256 + 1)
            return self.send_response(200, ["Content-Type: application/octet-stream"], body[:size], head_only, keep_alive)

        if proxied and "proxyauth" in values:
            expected = "Basic " + base64.b64encode(values["proxyauth"].encode("latin-1")).decode("ascii")
            if self.header(request, b"proxy-authorization") != expected:
                return self.send_response(407, ['Proxy-Authenticate: Basic realm="skinwall tests"'],
                                          b"proxy credentials missing", head_only, keep_alive)

        if "stall" in values:
            time.sleep(float(values["stall"]))
        status = int(values.get("status", "302" if "location" in values else "200"))
        headers = []
        if "location" in values:
            headers.append("Location: " + values["location"])
        for key, value in params:
            if key == "cookie":
                headers.append("Set-Cookie: " + value)
            elif key == "header":
                headers.append(value)
        if proxied:
            headers.append("X-Served-By: test-proxy")
        body = request["raw"] if values.get("echo") == "1" else values.get("body", "ok").encode("latin-1")

        if "pause" in values or "trickle" in values or "reset" in values:
            announced = len(body) + (1000 if "reset" in values else 0)
            head = "HTTP/1.1 %d %s\r\n" % (status, REASONS.get(status, "Status"))
            head += "".join(h + "\r\n" for h in headers) + "Content-Length: %d\r\n\r\n" % announced
            self.sock.sendall(head.encode("latin-1"))
            if "trickle" in values:
                pieces = max(1, int(values["trickle"]))
                every = float(values.get("every", "100")) / 1000
                size = -(-len(body) // pieces)
                for start in range(0, len(body), size):
                    time.sleep(every)
                    self.sock.sendall(body[start:start + size])
                return keep_alive
            half = len(body) // 2
            self.sock.sendall(body[:half])
            if "reset" in values:
                time.sleep(0.1)
                # Closing with a zero linger time sends a reset, not a normal end.
                self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
                return False
            time.sleep(float(values["pause"]))
            self.sock.sendall(body[half:])
            return keep_alive
        return self.send_response(status, headers, body, head_only, keep_alive)


def accept_loop(listener, recorder, stop, tls=None):
    while not stop.is_set():
        try:
            sock, _ = listener.accept()
        except socket.timeout:
            continue
        except OSError:
            return
        sock.settimeout(120)

        def run(sock=sock):
            if tls is not None:
                try:
                    sock = tls.wrap_socket(sock, server_side=True)
                except (OSError, ssl.SSLError):
                    sock.close()
                    return
            Connection(sock, recorder, stop).serve()

        threading.Thread(target=run, daemon=True).start()


def listen(backlog=64):
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen(backlog)
    listener.settimeout(0.5)
    return listener


def serve(state):
    recorder = Recorder()
    stop = threading.Event()
    plain = listen()
    secure = listen()
    tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    tls.load_cert_chain(os.path.join(HERE, "data", "faulty_cert.pem"), os.path.join(HERE, "data", "faulty_key.pem"))

    # A listener that never accepts, its queue filled by connections of its
    # own: further connection attempts get no answer at all.
    stalled = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    stalled.bind(("127.0.0.1", 0))
    stalled.listen(0)
    fillers = []
    for _ in range(3):
        filler = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        filler.setblocking(False)
        try:
            filler.connect(stalled.getsockname())
        except BlockingIOError:
            pass
        fillers.append(filler)

    for listener, context in ((plain, None), (secure, tls)):
        threading.Thread(target=accept_loop, args=(listener, recorder, stop, context), daemon=True).start()

    closed = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    closed.bind(("127.0.0.1", 0))
    closed_port = closed.getsockname()[1]
    closed.close()

    os.makedirs(state, exist_ok=True)
    ports = "http=%d\nhttps=%d\nstalled_connect=%d\nclosed=%d\n" % (
        plain.getsockname()[1], secure.getsockname()[1], stalled.getsockname()[1], closed_port)
    with open(os.path.join(state, "ports.tmp"), "w") as f:
        f.write(ports)
    os.replace(os.path.join(state, "ports.tmp"), os.path.join(state, "ports"))

    while not stop.wait(1.0):
        if time.monotonic() - recorder.last_activity > IDLE_LIMIT_S:
            break
    try:
        os.remove(os.path.join(state, "ports"))
    except OSError:
        pass


def read_ports(state):
    ports = {}
    with open(os.path.join(state, "ports")) as f:
        for line in f:
            key, _, value = line.strip().partition("=")
            ports[key] = int(value)
    return ports


def start(state):
    os.makedirs(state, exist_ok=True)
    if os.path.exists(os.path.join(state, "ports")):
        stop(state)
    log = open(os.path.join(state, "server.log"), "w")
    child = subprocess.Popen([sys.executable, os.path.abspath(__file__), "serve", "--state", state],
                             stdin=subprocess.DEVNULL, stdout=log, stderr=log, start_new_session=True)
    deadline = time.monotonic() + 20
    while time.monotonic() < deadline:
        if os.path.exists(os.path.join(state, "ports")):
            print("test server %d listening: %s" % (child.pid, read_ports(state)))
            return 0
        if child.poll() is not None:
            break
        time.sleep(0.05)
    print("test server did not start; see " + os.path.join(state, "server.log"))
    return 1


def stop(state):
    try:
        port = read_ports(state)["http"]
    except (OSError, KeyError, ValueError):
        return 0
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=5) as sock:
            sock.sendall(b"GET /__shutdown HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n")
            sock.recv(1024)
    except OSError:
        pass
    deadline = time.monotonic() + 10
    while os.path.exists(os.path.join(state, "ports")) and time.monotonic() < deadline:
        time.sleep(0.05)
    return 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("command", choices=["start", "stop", "serve"])
    parser.add_argument("--state", required=True)
    args = parser.parse_args()
    if args.command == "serve":
        serve(args.state)
        return 0
    return start(args.state) if args.command == "start" else stop(args.state)


if __name__ == "__main__":
    sys.exit(main())
