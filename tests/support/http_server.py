#!/usr/bin/python3
"""A small web server for tests: http.server on 127.0.0.1 at a free port.

    http_server.py start DIR   start the server in the background; prints its port when it
                               accepts connections (DIR/port holds it, DIR/pid the process id)
    http_server.py stop DIR    stop the server started for DIR
    http_server.py serve DIR   run the server in the foreground (what start runs)

GET /any/path/NAME answers with the bytes of DIR/pages/NAME (404 when there is no such file),
except for these names:
    hang             accepts the request and never answers
    redirect-loop    redirects to itself, for ever
    redirect-NAME    redirects to /NAME
POST answers with the bytes of DIR/post-answer (empty when missing) and the status in
DIR/post-status (default 200); when DIR/post-hang exists it accepts and never answers.

Every request is recorded before it is answered: DIR/requests/NNNNNN.head holds the request
line and the headers as received, NNNNNN.body the body (both appear whole: written under a
temporary name, then renamed). The server ends by itself after ten minutes, so one left
behind by a test that was killed does not stay.
"""
import http.server
import os
import signal
import subprocess
import sys
import threading
import time

START_TIMEOUT = 20.0
STOP_TIMEOUT = 5.0
LIFETIME = 600.0


def write_whole(path, data):
    temporary = path + ".tmp"
    with open(temporary, "wb") as file:
        file.write(data)
    os.replace(temporary, path)


def read_or(path, default):
    try:
        with open(path, "rb") as file:
            return file.read()
    except OSError:
        return default


class Handler(http.server.BaseHTTPRequestHandler):
    directory = None
    counter = 0
    lock = threading.Lock()

    def log_message(self, format, *args):
        pass

    def record(self, body):
        with Handler.lock:
            Handler.counter += 1
            base = os.path.join(self.directory, "requests", "%06d" % Handler.counter)
        head = self.requestline + "\r\n" + str(self.headers)
        write_whole(base + ".body", body)
        write_whole(base + ".head", head.encode("latin-1", "replace"))

    def hang(self):
        time.sleep(LIFETIME)

    def answer(self, status, body, headers=()):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        self.record(b"")
        name = self.path.split("?")[0].rsplit("/", 1)[-1]
        if name == "hang":
            self.hang()
        elif name == "redirect-loop":
            self.answer(302, b"", [("Location", self.path)])
        elif name.startswith("redirect-"):
            self.answer(302, b"", [("Location", "/" + name[len("redirect-"):])])
        else:
            page = read_or(os.path.join(self.directory, "pages", name), None)
            if page is None:
                self.answer(404, b"not found")
            else:
                self.answer(200, page, [("Content-Type", "text/plain")])

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        body = self.rfile.read(length) if length > 0 else b""
        self.record(body)
        if os.path.exists(os.path.join(self.directory, "post-hang")):
            self.hang()
            return
        status = int(read_or(os.path.join(self.directory, "post-status"), b"200").strip() or b"200")
        self.answer(status, read_or(os.path.join(self.directory, "post-answer"), b""),
                    [("Content-Type", "text/html")])


def serve(directory):
    os.makedirs(os.path.join(directory, "requests"), exist_ok=True)
    os.makedirs(os.path.join(directory, "pages"), exist_ok=True)
    Handler.directory = directory
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    write_whole(os.path.join(directory, "port"), b"%d\n" % server.server_address[1])
    threading.Timer(LIFETIME, lambda: os._exit(0)).start()
    server.serve_forever()


def alive(pid):
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    except PermissionError:
        return True
    # A server that has ended stays a zombie until whoever adopted it collects it.
    try:
        with open("/proc/%d/stat" % pid) as file:
            return file.read().rsplit(")", 1)[1].split()[0] != "Z"
    except (OSError, IndexError):
        return True


def stop(directory):
    pid_file = os.path.join(directory, "pid")
    try:
        with open(pid_file) as file:
            pid = int(file.read().strip())
    except (OSError, ValueError):
        return 0
    if alive(pid):
        os.kill(pid, signal.SIGTERM)
        deadline = time.monotonic() + STOP_TIMEOUT
        while alive(pid) and time.monotonic() < deadline:
            time.sleep(0.02)
        if alive(pid):
            os.kill(pid, signal.SIGKILL)
    for name in ("pid", "port"):
        try:
            os.remove(os.path.join(directory, name))
        except FileNotFoundError:
            pass
    return 0


def start(directory):
    os.makedirs(directory, exist_ok=True)
    stop(directory)
    port_file = os.path.join(directory, "port")
    with open(os.path.join(directory, "server.log"), "ab") as log:
        process = subprocess.Popen(
            [sys.executable, os.path.abspath(__file__), "serve", directory],
            stdin=subprocess.DEVNULL, stdout=log, stderr=log, start_new_session=True)
    write_whole(os.path.join(directory, "pid"), b"%d\n" % process.pid)
    deadline = time.monotonic() + START_TIMEOUT
    while time.monotonic() < deadline:
        if os.path.exists(port_file):
            with open(port_file) as file:
                print(file.read().strip())
            return 0
        if process.poll() is not None:
            break
        time.sleep(0.02)
    stop(directory)
    sys.stderr.write("the web server did not start; see %s\n" % os.path.join(directory, "server.log"))
    return 1


def main(arguments):
    if len(arguments) != 3 or arguments[1] not in ("start", "stop", "serve"):
        sys.stderr.write(__doc__)
        return 2
    command, directory = arguments[1], os.path.abspath(arguments[2])
    if command == "serve":
        serve(directory)
        return 0
    return start(directory) if command == "start" else stop(directory)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
