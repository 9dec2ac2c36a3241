"""A local test portal: an HTTP server on 127.0.0.1 whose routes answer as the test says.

Each route has a scenario (status, body, Last-Modified in one of the three HTTP date
layouts, no length, a false length, truncation, slow trickle, Basic authentication with a
realm, silence, a connection dropped before any answer, an answer held part-way until the
test releases it); every request is logged. The server stops by itself after a time limit.

In Python:
    with Portal(time_limit=60) as portal:
        portal.set_route("/update/update.inf", Scenario(body=b"#version=5"))
        ... portal.url("/update/update.inf") ... portal.log()

From another process (a Windows test under Wine), over the control routes:
    POST /_portal/route   JSON {"path": "/x", <Scenario fields>} sets a route
    POST /_portal/reset   forgets all routes and the log
    POST /_portal/release JSON {"path": "/x"} lets the held answers of the route go on
    GET  /_portal/log     JSON list of {"method", "path", "headers", "status", "sent", "port"};
                          with ?format=lines one "METHOD PATH STATUS SENT auth|-" line each.
                          A request is logged when it arrives; the log waits (bounded) for
                          requests whose answer is still being written, so a client that has
                          its whole answer always finds its line. Status 0: no answer.
    POST /_portal/port    opens one more listening port, answers {"port": n}

As a command wrapper (CTest's emulator for the Windows tests that need it):
    python3 portal.py run [--time-limit S] -- program args...
runs the program with LUDORA_PORTAL=http://127.0.0.1:<port> in its environment.
"""

import base64
import email.utils
import http.server
import json
import os
import socket
import struct
import subprocess
import sys
import threading
import time
from dataclasses import dataclass, field, fields
from datetime import datetime, timezone

CONTROL = "/_portal/"


def http_date(moment, layout="rfc1123"):
    """The moment (aware datetime) in one of the three layouts HTTP/1.1 allows."""
    moment = moment.astimezone(timezone.utc)
    if layout == "rfc1123":
        return email.utils.format_datetime(moment, usegmt=True)
    if layout == "rfc850":
        return moment.strftime("%A, %d-%b-%y %H:%M:%S GMT")
    if layout == "asctime":
        return moment.strftime("%a %b ") + ("%2d" % moment.day) + moment.strftime(" %H:%M:%S %Y")
    raise ValueError("unknown date layout " + layout)


@dataclass
class Scenario:
    status: int = 200
    body: bytes = b""
    body_size: int = 0            # > 0: a generated body of this many bytes instead of body
    headers: dict = field(default_factory=dict)
    last_modified: float = 0      # seconds since 1970 (UTC); 0: no Last-Modified
    date_layout: str = "rfc1123"
    send_length: bool = True      # False: no Content-Length, the connection end ends the body
    chunked: bool = False         # True: chunked framing, no Content-Length; a cut leaves out the last chunk
    truncate_after: int = -1      # >= 0: close after this many body bytes (length still full)
    trickle_bytes: int = 0        # > 0: send the body in pieces of this size ...
    trickle_delay: float = 0.0    # ... this many seconds apart
    auth_user: str = ""           # non-empty: Basic authentication demanded with this realm
    auth_password: str = ""
    realm: str = "Ludora"
    claimed_length: int = -1      # >= 0: the Content-Length sent, whatever the body's size
    silent: float = 0.0           # > 0: read the request, answer nothing this long, then close
    no_answer: str = ""           # "close" or "reset": drop the connection before any answer
    hold_after: float = 0.0       # > 0: keep the handler this long after the answer is sent
    hold_at: int = -1             # >= 0: after this many body bytes, wait until released

    @classmethod
    def from_json(cls, data):
        known = {f.name for f in fields(cls)}
        unknown = set(data) - known - {"path", "body_text"}
        if unknown:
            raise ValueError("unknown scenario fields: " + ", ".join(sorted(unknown)))
        values = {k: v for k, v in data.items() if k in known}
        if "body_text" in data:
            values["body"] = data["body_text"].encode("latin-1")
        return cls(**values)

    def length(self):
        return self.body_size if self.body_size > 0 else len(self.body)

    def chunks(self, size=65536):
        """The body in pieces, generated when body_size is set."""
        if self.body_size <= 0:
            for at in range(0, len(self.body), size):
                yield self.body[at:at + size]
            return
        cycle = bytes(range(256)) * (size // 256 + 2)
        sent = 0
        while sent < self.body_size:
            count = min(size, self.body_size - sent)
            yield cycle[sent % 256:sent % 256 + count]
            sent += count


def generated_body(size):
    """The bytes a body_size scenario sends."""
    return (bytes(range(256)) * (size // 256 + 1))[:size]


class _Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):  # the portal keeps its own log
        pass

    def do_GET(self):
        self._serve()

    def do_HEAD(self):
        self._serve()

    def do_POST(self):
        self._serve()

    def _serve(self):
        portal = self.server.portal
        path = self.path.split("?", 1)[0]
        if path.startswith(CONTROL):
            return self._control(portal, path[len(CONTROL):])
        scenario = portal.route(path)
        entry = {"method": self.command, "path": self.path, "headers": dict(self.headers.items()),
                 "status": 404, "sent": 0, "port": self.server.server_address[1]}
        portal.begin(entry)
        try:
            if scenario is None:
                self._plain(404, b"not found")
            elif scenario.silent > 0 or scenario.no_answer:
                entry["status"] = 0
                self._drop(portal, scenario, entry)
            elif scenario.auth_user and not self._authorized(scenario):
                entry["status"] = 401
                self._plain(401, b"login required",
                            {"WWW-Authenticate": 'Basic realm="%s"' % scenario.realm})
            else:
                entry["status"] = scenario.status
                self._answer(scenario, entry)
        except (BrokenPipeError, ConnectionResetError, ConnectionAbortedError):
            self.close_connection = True
        finally:
            portal.end(entry)
        if scenario is not None and scenario.hold_after > 0:
            time.sleep(scenario.hold_after)

    def _drop(self, portal, scenario, entry):
        """No answer: silence for a while (bounded by the portal's life), then the end."""
        portal.end(entry)  # its line is final now: the log need not wait for the silence
        if scenario.silent > 0:
            portal.wait_stopped(scenario.silent)
        self.close_connection = True
        if scenario.no_answer == "reset":
            self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        self.connection.close()  # the server's own shutdown of it then fails harmlessly

    def _hold(self, scenario):
        """Sends what is written so far and waits until the test releases the route."""
        self.wfile.flush()
        self.server.portal.wait_released(scenario)

    def _authorized(self, scenario):
        expected = base64.b64encode(("%s:%s" % (scenario.auth_user, scenario.auth_password)).encode()).decode()
        return self.headers.get("Authorization", "") == "Basic " + expected

    def _plain(self, status, body, headers=None):
        self.send_response(status)
        for name, value in (headers or {}).items():
            self.send_header(name, value)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def _answer(self, scenario, entry):
        self.send_response(scenario.status)
        self.send_header("Content-Type", scenario.headers.get("Content-Type", "application/octet-stream"))
        for name, value in scenario.headers.items():
            if name.lower() != "content-type":
                self.send_header(name, value)
        if scenario.last_modified:
            moment = datetime.fromtimestamp(scenario.last_modified, timezone.utc)
            self.send_header("Last-Modified", http_date(moment, scenario.date_layout))
        if scenario.chunked:
            self.send_header("Transfer-Encoding", "chunked")
        elif scenario.claimed_length >= 0:
            self.send_header("Content-Length", str(scenario.claimed_length))
        elif scenario.send_length:
            self.send_header("Content-Length", str(scenario.length()))
        if scenario.chunked:
            if scenario.truncate_after >= 0:
                self.send_header("Connection", "close")
                self.close_connection = True
        elif not scenario.send_length or scenario.truncate_after >= 0 or scenario.claimed_length >= 0:
            self.send_header("Connection", "close")
            self.close_connection = True
        self.end_headers()
        if self.command == "HEAD":
            return
        limit = scenario.truncate_after if scenario.truncate_after >= 0 else scenario.length()
        piece = scenario.trickle_bytes if scenario.trickle_bytes > 0 else 65536
        hold = scenario.hold_at
        if hold == 0:
            self._hold(scenario)
        for chunk in scenario.chunks(piece):
            full = len(chunk)  # what a cut chunk announces
            chunk = chunk[:limit - entry["sent"]]
            if not chunk:
                break
            if 0 < hold < entry["sent"] + len(chunk):
                head = chunk[:hold - entry["sent"]]
                self._write_body(scenario, head, len(head))
                entry["sent"] += len(head)
                self._hold(scenario)
                hold = -1
                chunk = chunk[len(head):]
                full -= len(head)
            self._write_body(scenario, chunk, full)
            self.wfile.flush()
            entry["sent"] += len(chunk)
            if scenario.trickle_bytes > 0:
                time.sleep(scenario.trickle_delay)
        if scenario.chunked and entry["sent"] == scenario.length():
            self.wfile.write(b"0\r\n\r\n")
        if entry["sent"] < scenario.length() or scenario.claimed_length >= 0:
            self.wfile.flush()
            self.connection.shutdown(socket.SHUT_RDWR)

    def _write_body(self, scenario, data, announced):
        """Body bytes; in chunked framing one chunk of the announced size (data may be less)."""
        if not scenario.chunked:
            self.wfile.write(data)
            return
        self.wfile.write(b"%x\r\n" % announced + data)
        if len(data) == announced:
            self.wfile.write(b"\r\n")

    def _control(self, portal, command):
        length = int(self.headers.get("Content-Length", "0") or 0)
        data = json.loads(self.rfile.read(length) or b"{}") if length else {}
        try:
            if command == "route" and self.command == "POST":
                portal.set_route(data["path"], Scenario.from_json(data))
                answer = {"ok": True}
            elif command == "release" and self.command == "POST":
                if not portal.release(data["path"]):
                    raise ValueError("no held route " + data["path"])
                answer = {"ok": True}
            elif command == "reset" and self.command == "POST":
                portal.reset()
                answer = {"ok": True}
            elif command == "log" and "format=lines" in self.path:
                lines = "".join("%s %s %d %d %s\n" % (e["method"], e["path"], e["status"], e["sent"],
                                                        "auth" if "Authorization" in e["headers"] else "-")
                                for e in portal.log())
                return self._plain(200, lines.encode())
            elif command == "log":
                answer = portal.log()
            elif command == "port" and self.command == "POST":
                answer = {"port": portal.add_port()}
            else:
                raise ValueError("unknown control request " + command)
            self._plain(200, json.dumps(answer).encode())
        except (ValueError, KeyError, TypeError) as error:
            self._plain(400, str(error).encode())


class _Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, portal, port):
        self.portal = portal
        super().__init__(("127.0.0.1", port), _Handler)


class Portal:
    """The test portal; routes and log are shared by all of its listening ports."""

    LOG_WAIT = 5.0  # longest wait of the log for answers still being written

    def __init__(self, port=0, time_limit=600):
        self._lock = threading.Condition()
        self._routes = {}
        self._gates = {}  # route path -> the event a held answer waits for
        self._log = []
        self._open = []  # entries whose answer is still being written
        self._stopped = threading.Event()
        self._servers = []
        self._time_limit = time_limit
        self._timer = None
        self._first_port = port

    def start(self):
        self.port = self.add_port(self._first_port)
        self._timer = threading.Timer(self._time_limit, self.stop)
        self._timer.daemon = True
        self._timer.start()
        return self

    def add_port(self, port=0):
        server = _Server(self, port)
        threading.Thread(target=server.serve_forever, daemon=True).start()
        with self._lock:
            self._servers.append(server)
        return server.server_address[1]

    def stop(self):
        self._stopped.set()
        with self._lock:
            for gate in self._gates.values():
                gate.set()
        if self._timer:
            self._timer.cancel()
        with self._lock:
            servers, self._servers = self._servers, []
        for server in servers:
            server.shutdown()
            server.server_close()

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    def url(self, path, port=None):
        return "http://127.0.0.1:%d%s" % (port or self.port, path)

    def set_route(self, path, scenario):
        with self._lock:
            self._routes[path] = scenario
            if scenario.hold_at >= 0:
                scenario.gate = self._gates[path] = threading.Event()
            else:
                self._gates.pop(path, None)

    def release(self, path):
        """Lets the held answers of a route go on; False when it holds none."""
        with self._lock:
            gate = self._gates.get(path)
        if gate is None:
            return False
        gate.set()
        return True

    def wait_released(self, scenario):
        """Waits (at most the portal's life) until the scenario's route is released."""
        gate = getattr(scenario, "gate", None)
        if gate is not None:
            gate.wait(self._time_limit)

    def route(self, path):
        with self._lock:
            return self._routes.get(path)

    def reset(self):
        with self._lock:
            self._routes.clear()
            for gate in self._gates.values():
                gate.set()
            self._gates.clear()
            self._log.clear()
            self._open.clear()
            self._lock.notify_all()

    def wait_stopped(self, seconds):
        """Sleeps up to seconds; returns early when the portal stops."""
        self._stopped.wait(seconds)

    def begin(self, entry):
        """Logs a request as it arrives; end() marks its answer written."""
        with self._lock:
            self._log.append(entry)
            self._open.append(entry)

    def end(self, entry):
        with self._lock:
            self._open = [e for e in self._open if e is not entry]
            self._lock.notify_all()

    def record(self, entry):
        self.begin(entry)
        self.end(entry)

    def log(self):
        """The log, once the answers being written have been (at most LOG_WAIT seconds)."""
        with self._lock:
            self._lock.wait_for(lambda: not self._open, timeout=self.LOG_WAIT)
            return [dict(e) for e in self._log]


def _run(argv):
    time_limit = 600
    if argv[:1] == ["--time-limit"]:
        time_limit, argv = float(argv[1]), argv[2:]
    if argv[:1] == ["--"]:
        argv = argv[1:]
    if not argv:
        sys.exit("usage: portal.py run [--time-limit S] -- program args...")
    with Portal(time_limit=time_limit) as portal:
        env = dict(os.environ, LUDORA_PORTAL="http://127.0.0.1:%d" % portal.port)
        return subprocess.call(argv, env=env)


if __name__ == "__main__":
    if sys.argv[1:2] == ["run"]:
        sys.exit(_run(sys.argv[2:]))
    if sys.argv[1:2] == ["serve"]:
        with Portal(time_limit=float(sys.argv[2]) if len(sys.argv) > 2 else 600) as p:
            print(p.url("/"), flush=True)
            time.sleep(p._time_limit)
        sys.exit(0)
    sys.exit(__doc__)
