"""A language-server client over pipes, for the tests: frames, sends, and reads with a deadline."""
import json
import os
import queue
import subprocess
import threading


class Server:
    def __init__(self, program, cwd=None):
        self.process = subprocess.Popen([program, "lsp"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, cwd=cwd)
        self.incoming = queue.Queue()
        threading.Thread(target=self._read_all, daemon=True).start()
        self.next_id = 1

    def _read_all(self):
        out = self.process.stdout
        while True:
            length = None
            while True:
                line = out.readline()
                if not line:
                    self.incoming.put(None)
                    return
                line = line.rstrip(b"\r\n")
                if not line:
                    break
                name, _, value = line.partition(b":")
                if name.strip().lower() == b"content-length":
                    length = int(value)
            self.incoming.put(json.loads(out.read(length)))

    def send_raw(self, data):
        self.process.stdin.write(data)
        self.process.stdin.flush()

    def send(self, message):
        message = dict(message, jsonrpc="2.0")
        body = json.dumps(message).encode()
        self.send_raw(b"Content-Length: %d\r\n\r\n" % len(body) + body)

    def request(self, method, params=None):
        """Sends a request and returns its response, keeping notifications that come before it."""
        ident = self.next_id
        self.next_id += 1
        self.send({"id": ident, "method": method, "params": params or {}})
        while True:
            message = self.receive()
            if message.get("id") == ident and "method" not in message:
                return message

    def notify(self, method, params=None):
        self.send({"method": method, "params": params or {}})

    def receive(self, timeout=10):
        message = self.incoming.get(timeout=timeout)
        if message is None:
            raise EOFError("the server closed its output")
        return message

    def notification(self, method, timeout=10):
        while True:
            message = self.receive(timeout)
            if message.get("method") == method:
                return message["params"]

    def send_stream(self, pieces):
        """Sends the byte strings one after the other, so that a large message is never held whole."""
        for piece in pieces:
            self.process.stdin.write(piece)
        self.process.stdin.flush()

    def finish_with_usage(self):
        """Closes the input and waits for the server; returns its exit status and its resource use
        (ru_maxrss: the most memory it held, in KiB)."""
        self.process.stdin.close()
        _, status, usage = os.wait4(self.process.pid, 0)
        self.process.returncode = os.waitstatus_to_exitcode(status)
        self.process.stdout.close()
        self.process.stderr.close()
        return self.process.returncode, usage

    def finish(self, timeout=10):
        self.process.stdin.close()
        status = self.process.wait(timeout)
        self.process.stdout.close()
        self.process.stderr.close()
        return status
