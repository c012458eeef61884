"""Test support: vexhost serve on a free loopback port, a plain HTTP client for it, and headless
Chromium driven by Selenium on its page.

The tests find vexhost in the VEXHOST environment variable (CTest sets it)."""

import http.client
import json
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest

VEXHOST = os.environ.get("VEXHOST", "")
CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"
# How CTest's runner says that a test was skipped (SKIP_RETURN_CODE).
SKIPPED = 77


class Server:
    """One `vexhost serve` process: started on a free port, stopped with SIGTERM."""

    def __init__(self, *arguments):
        if not os.access(VEXHOST, os.X_OK):
            raise RuntimeError(f"VEXHOST does not name the vexhost program: {VEXHOST!r}")
        self.process = subprocess.Popen(
            [VEXHOST, "serve", "--port", "0", *arguments],
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        self.output = []
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline:
            line = self.process.stdout.readline()
            if not line:
                break
            self.output.append(line)
            found = re.search(r"serving (http://([^/ ]+)/)", line)
            if found:
                self.url, self.host = found.group(1), found.group(2)
                self.port = int(self.host.rsplit(":", 1)[1])
                self.token = self._token()
                return
        self.process.kill()
        raise RuntimeError("vexhost serve did not start:\n" + "".join(self.output) + self.process.stderr.read())

    def _token(self):
        status, _, page = self.request("GET", "/", token=None)
        if status != 200:
            raise RuntimeError(f"the page answered HTTP {status}")
        return re.search(r'<meta name="vex-token" content="([0-9a-f]+)">', page).group(1)

    def request(self, method, path, body=None, token="page", headers=None, host=None):
        """(status, headers, text) of one request. token "page" sends the page's token."""
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=10)
        sent = {"Host": host or self.host}
        if token == "page":
            sent["X-Vex-Token"] = self.token
        elif token is not None:
            sent["X-Vex-Token"] = token
        if isinstance(body, (dict, list)):
            body = json.dumps(body)
            sent["Content-Type"] = "application/json"
        sent.update(headers or {})
        # skip_host: the Host header is the test's to choose, also a wrong one.
        connection.putrequest(method, path, skip_host=True, skip_accept_encoding=True)
        for name, value in sent.items():
            connection.putheader(name, value)
        data = body.encode() if isinstance(body, str) else body
        if data is not None:
            connection.putheader("Content-Length", str(len(data)))
        connection.endheaders(data)
        response = connection.getresponse()
        text = response.read().decode("utf-8", "replace")
        connection.close()
        return response.status, dict(response.getheaders()), text

    def json(self, method, path, body=None, **options):
        status, _, text = self.request(method, path, body, **options)
        return status, json.loads(text)

    def view(self):
        status, view = self.json("GET", "/api/view")
        assert status == 200, view
        return view

    def headers(self, token="page"):
        """The lines of a request's header that name this server and carry the page's token."""
        lines = [f"Host: {self.host}"]
        if token == "page":
            lines.append(f"X-Vex-Token: {self.token}")
        return lines

    def raw(self, timeout=10):
        return Raw(self.port, timeout)

    def memory_kib(self):
        """The server's resident memory, in KiB."""
        with open(f"/proc/{self.process.pid}/status") as status:
            for line in status:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
        raise RuntimeError("no VmRSS")

    def stop(self):
        """Stops the server as Ctrl-C would; returns its exit code and what it wrote."""
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
        try:
            out, err = self.process.communicate(timeout=30)
        except subprocess.TimeoutExpired:
            self.process.kill()
            out, err = self.process.communicate()
        return self.process.returncode, "".join(self.output) + out, err


    def stop_clean(self):
        """Stops the server, which must end with exit code 0 and, run with --check, a clean account."""
        code, out, err = self.stop()
        if code != 0 or ("--check" in self.process.args and "accounting: clean" not in out):
            raise AssertionError(f"the server ended with {code}:\n{out}\n{err}")


class Raw:
    """A plain socket to the server, for requests that http.client would not send: bytes as
    they are, as slowly or as many as a test likes."""

    def __init__(self, port, timeout=10):
        self.socket = socket.create_connection(("127.0.0.1", port), timeout=timeout)
        self.received = b""

    def send(self, data):
        self.socket.sendall(data.encode() if isinstance(data, str) else data)

    def try_send(self, data):
        """Sends, and says whether the server still took it."""
        try:
            self.send(data)
            return True
        except OSError:
            return False

    def _more(self):
        try:
            chunk = self.socket.recv(65536)
        except ConnectionResetError:
            chunk = b""
        self.received += chunk
        return chunk

    def answer(self):
        """(status, headers with lower-case names, body) of the next answer."""
        while b"\r\n\r\n" not in self.received:
            if not self._more():
                raise ConnectionError(f"the server closed without a whole answer: {self.received[:200]!r}")
        head, self.received = self.received.split(b"\r\n\r\n", 1)
        lines = head.decode("latin-1").split("\r\n")
        status = int(lines[0].split()[1])
        headers = {}
        for line in lines[1:]:
            name, value = line.split(":", 1)
            headers[name.strip().lower()] = value.strip()
        if "content-length" in headers:
            length = int(headers["content-length"])
            while len(self.received) < length and self._more():
                pass
            body, self.received = self.received[:length], self.received[length:]
        else:
            while self._more():
                pass
            body, self.received = self.received, b""
        return status, headers, body.decode("utf-8", "replace")

    def closed_within(self, seconds):
        """Whether the server closes the connection within the time (what it sent is kept)."""
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            self.socket.settimeout(max(0.01, deadline - time.monotonic()))
            try:
                if not self._more():
                    return True
            except socket.timeout:
                return False
            except OSError:
                return True
        return False

    def close(self):
        self.socket.close()


def browser_missing():
    """Why the browser tests cannot run here, or None."""
    try:
        import selenium  # noqa: F401
    except ImportError:
        return "python3-selenium is not installed"
    for program in (CHROMIUM, CHROMEDRIVER):
        if not os.access(program, os.X_OK):
            return f"{program} is not installed"
    return None


class Browser:
    """Headless Chromium on a fresh profile, downloads going to a folder of its own."""

    def __init__(self, width=1500, height=1100):
        self.size = (width, height)
        self.downloads = tempfile.mkdtemp(prefix="vexweb-downloads-")
        self.profiles = []
        self.driver = self._start()
        self.driver.execute_cdp_cmd("Page.setDownloadBehavior", {"behavior": "allow", "downloadPath": self.downloads})

    def _options(self):
        from selenium import webdriver

        profile = tempfile.mkdtemp(prefix="vexweb-profile-")
        self.profiles.append(profile)
        options = webdriver.ChromeOptions()
        options.binary_location = CHROMIUM
        for argument in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                         "--disable-background-networking", "--disable-component-update", "--disable-sync",
                         f"--user-data-dir={profile}", "--window-size={},{}".format(*self.size)):
            options.add_argument(argument)
        options.add_experimental_option("prefs", {
            "download.default_directory": self.downloads, "download.prompt_for_download": False})
        return options

    def _start(self):
        """Chromium, started once more on another fresh profile when its first start fails: on a
        loaded machine it can fail to come up in time, which says nothing about the page."""
        from selenium import webdriver
        from selenium.common.exceptions import WebDriverException
        from selenium.webdriver.chrome.service import Service

        try:
            return webdriver.Chrome(service=Service(CHROMEDRIVER), options=self._options())
        except WebDriverException as error:
            print(f"Chromium did not start, trying once more: {error.msg}", file=sys.stderr)
            return webdriver.Chrome(service=Service(CHROMEDRIVER), options=self._options())

    def quit(self):
        self.driver.quit()
        for folder in (*self.profiles, self.downloads):
            shutil.rmtree(folder, ignore_errors=True)


def run(test_module):
    """Runs the module's tests; exits 0 when all pass, 1 otherwise."""
    result = unittest.main(module=test_module, exit=False, verbosity=2).result
    sys.exit(0 if result.wasSuccessful() else 1)
