#!/usr/bin/python3
"""A real mail server for tests: aiosmtpd on 127.0.0.1 at a free port.

    smtp_server.py start DIR   start the server in the background; prints its port when it
                               accepts connections (DIR/port holds it, DIR/pid the process id)
    smtp_server.py stop DIR    stop the server started for DIR
    smtp_server.py serve DIR   run the server in the foreground (what start runs)

Each message received is written to DIR/messages/NNNNNN.eml (the message data as the server
received it, after the transparency dots were removed) and NNNNNN.env (one "MAIL FROM:<addr>"
line, then one "RCPT TO:<addr>" line per recipient). Both files appear whole (written under a
temporary name, then renamed; the .env first). Messages of an earlier run are removed when the
server starts.

Run it with Debian's /usr/bin/python3: another python3 on PATH may not see python3-aiosmtpd.
"""
import asyncio
import os
import shutil
import signal
import subprocess
import sys
import time

START_TIMEOUT = 20.0
STOP_TIMEOUT = 5.0


def write_whole(path, data):
    temporary = path + ".tmp"
    with open(temporary, "wb") as file:
        file.write(data)
    os.replace(temporary, path)


class MessageStore:
    def __init__(self, directory):
        self.directory = os.path.join(directory, "messages")
        os.makedirs(self.directory, exist_ok=True)
        self.count = len([n for n in os.listdir(self.directory) if n.endswith(".eml")])

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.directory, "%06d" % self.count)
        lines = ["MAIL FROM:<%s>" % envelope.mail_from]
        lines += ["RCPT TO:<%s>" % rcpt for rcpt in envelope.rcpt_tos]
        write_whole(base + ".env", ("\n".join(lines) + "\n").encode("utf-8", "surrogateescape"))
        write_whole(base + ".eml", envelope.original_content)
        return "250 Message accepted for delivery"


async def serve(directory):
    from aiosmtpd.smtp import SMTP

    store = MessageStore(directory)
    loop = asyncio.get_running_loop()
    server = await loop.create_server(
        lambda: SMTP(store, hostname="smtp.test", ident="Tallyvol test server"),
        host="127.0.0.1", port=0)
    port = server.sockets[0].getsockname()[1]
    write_whole(os.path.join(directory, "port"), b"%d\n" % port)
    stop = asyncio.Event()
    for signal_number in (signal.SIGTERM, signal.SIGINT):
        loop.add_signal_handler(signal_number, stop.set)
    await stop.wait()
    server.close()
    await server.wait_closed()


def alive(pid):
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    except PermissionError:
        return True
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
            time.sleep(0.05)
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
    # Messages of an earlier run would only mislead.
    shutil.rmtree(os.path.join(directory, "messages"), ignore_errors=True)
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
    sys.stderr.write("the SMTP server did not start; see %s\n" % os.path.join(directory, "server.log"))
    return 1


def main(arguments):
    if len(arguments) != 3 or arguments[1] not in ("start", "stop", "serve"):
        sys.stderr.write(__doc__)
        return 2
    command, directory = arguments[1], os.path.abspath(arguments[2])
    if command == "serve":
        asyncio.run(serve(directory))
        return 0
    return start(directory) if command == "start" else stop(directory)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
