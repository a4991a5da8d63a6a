"""Headless Chromium, driven over its DevTools protocol: open a page, read
what the console said, measure elements, and take a screenshot."""

import base64
import json
import os
import shutil
import socket
import struct
import subprocess
import tempfile
import time
import urllib.parse
import urllib.request

# The flags this machine's closed network needs: no background traffic.
FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
         "--no-first-run", "--disable-background-networking",
         "--disable-component-update", "--disable-sync", "--hide-scrollbars",
         "--remote-debugging-port=0"]
START_TIMEOUT = 60


def chromium_path():
    return shutil.which("chromium") or shutil.which("chromium-browser")


class WebSocket:
    """The little of RFC 6455 the DevTools protocol needs: text messages
    over a local connection."""

    def __init__(self, url, timeout):
        parts = urllib.parse.urlsplit(url)
        self.sock = socket.create_connection((parts.hostname, parts.port),
                                             timeout=timeout)
        key = base64.b64encode(os.urandom(16)).decode()
        self.sock.sendall(
            f"GET {parts.path} HTTP/1.1\r\nHost: {parts.netloc}\r\n"
            "Upgrade: websocket\r\nConnection: Upgrade\r\n"
            f"Sec-WebSocket-Key: {key}\r\nSec-WebSocket-Version: 13\r\n\r\n"
            .encode())
        response = b""
        while b"\r\n\r\n" not in response:
            chunk = self.sock.recv(4096)
            if not chunk:
                raise RuntimeError("the DevTools connection closed")
            response += chunk
        if b" 101 " not in response.split(b"\r\n")[0]:
            raise RuntimeError(f"no WebSocket: {response[:100]!r}")
        self.buffer = response.split(b"\r\n\r\n", 1)[1]

    def _read(self, count):
        while len(self.buffer) < count:
            chunk = self.sock.recv(1 << 20)
            if not chunk:
                raise RuntimeError("the DevTools connection closed")
            self.buffer += chunk
        data, self.buffer = self.buffer[:count], self.buffer[count:]
        return data

    def send(self, text):
        payload = text.encode()
        mask = os.urandom(4)
        header = bytes([0x81])  # a final text frame
        if len(payload) < 126:
            header += bytes([0x80 | len(payload)])
        elif len(payload) < 1 << 16:
            header += bytes([0x80 | 126]) + struct.pack(">H", len(payload))
        else:
            header += bytes([0x80 | 127]) + struct.pack(">Q", len(payload))
        masked = bytes(b ^ mask[i % 4] for i, b in enumerate(payload))
        self.sock.sendall(header + mask + masked)

    def recv(self):
        message = b""
        while True:
            first, second = self._read(2)
            length = second & 0x7F
            if length == 126:
                (length,) = struct.unpack(">H", self._read(2))
            elif length == 127:
                (length,) = struct.unpack(">Q", self._read(8))
            payload = self._read(length)
            if first & 0x0F == 0x8:
                raise RuntimeError("the DevTools connection closed")
            if first & 0x0F in (0x9, 0xA):  # ping, pong
                continue
            message += payload
            if first & 0x80:
                return message.decode()

    def close(self):
        self.sock.close()


class Browser:
    def __init__(self):
        self.profile = tempfile.mkdtemp(prefix="drives-chromium-")
        self.process = subprocess.Popen(
            [chromium_path(), *FLAGS, f"--user-data-dir={self.profile}",
             "about:blank"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        page = self._first_page(time.monotonic() + START_TIMEOUT)
        self.socket = WebSocket(page["webSocketDebuggerUrl"], START_TIMEOUT)
        self.next_id = 0
        self.events = []

    def _first_page(self, deadline):
        """The page's DevTools target. Chromium writes its port file while
        it starts, so a read may find it empty or half written, and the port
        may not answer yet: both are tried again until the deadline."""
        port_file = os.path.join(self.profile, "DevToolsActivePort")
        while True:
            if time.monotonic() > deadline or self.process.poll() is not None:
                raise RuntimeError("chromium did not start")
            try:
                with open(port_file) as f:
                    lines = f.read().split("\n")
                if len(lines) >= 2 and lines[0].strip().isdigit():
                    url = f"http://127.0.0.1:{lines[0].strip()}/json/list"
                    with urllib.request.urlopen(url, timeout=5) as r:
                        pages = [t for t in json.load(r) if t["type"] == "page"]
                    if pages:
                        return pages[0]
            except OSError:  # not written yet, or not listening yet
                pass
            time.sleep(0.1)

    def call(self, method, **params):
        self.next_id += 1
        self.socket.send(json.dumps({"id": self.next_id, "method": method,
                                     "params": params}))
        while True:
            message = json.loads(self.socket.recv())
            if message.get("id") == self.next_id:
                if "error" in message:
                    raise RuntimeError(f"{method}: {message['error']}")
                return message.get("result", {})
            self.events.append(message)

    def open(self, url):
        """Loads `url` and waits for its load event."""
        for domain in ("Page", "Runtime", "Log"):
            self.call(f"{domain}.enable")
        self.call("Page.navigate", url=url)
        while not any(e.get("method") == "Page.loadEventFired"
                      for e in self.events):
            self.events.append(json.loads(self.socket.recv()))

    def errors(self):
        """What the page put in the console as errors, or threw."""
        found = []
        for e in self.events:
            method, params = e.get("method"), e.get("params", {})
            if method == "Runtime.exceptionThrown":
                found.append(params["exceptionDetails"].get("text", "exception"))
            elif method == "Runtime.consoleAPICalled" and params["type"] == "error":
                found.append(str(params["args"]))
            elif method == "Log.entryAdded" and params["entry"]["level"] == "error":
                found.append(params["entry"]["text"])
        return found

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", expression=expression,
                           returnByValue=True)
        return result["result"].get("value")

    def screenshot(self, path, width=1000, scale=1, height=None):
        """The page, `width` CSS pixels wide and as high as it is (or
        `height`), as a PNG, scaled."""
        self.call("Emulation.setDeviceMetricsOverride", width=width,
                  height=800, deviceScaleFactor=1, mobile=False)
        if height is None:
            height = self.evaluate("document.documentElement.scrollHeight")
        self.call("Emulation.setDeviceMetricsOverride", width=width,
                  height=height, deviceScaleFactor=1, mobile=False)
        data = self.call("Page.captureScreenshot", format="png",
                         captureBeyondViewport=True,
                         clip={"x": 0, "y": 0, "width": width,
                               "height": height, "scale": scale})["data"]
        with open(path, "wb") as f:
            f.write(base64.b64decode(data))

    def close(self):
        try:
            self.socket.close()
        finally:
            self.process.terminate()
            self.process.wait(timeout=30)
            shutil.rmtree(self.profile, ignore_errors=True)
