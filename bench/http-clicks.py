#!/usr/bin/env python3
"""The page server over HTTP, measured (not a test): clicks' round trips, answers while slow
clients hold connections, many connections at once, and the server's memory over many clicks.

  bench/http-clicks.py [--vexhost build/default/app/vexhost] [--clicks 1000] [--memory-clicks 10000]

A click is one POST /api/act on a kept-alive connection, timed from the request sent to the
answer (with its whole view) read: start the command, then cancel it, in turn."""

import argparse
import http.client
import json
import os
import statistics
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "web", "tests"))
import served  # noqa: E402

START = {"verb": "start", "text": "VexStrCreateInterimProdCmd"}
CANCEL = {"verb": "cancel"}


def percentile(values, fraction):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(round(fraction * (len(ordered) - 1))))]


def summary(name, seconds):
    ms = [s * 1000 for s in seconds]
    print(f"  {name:<46} median {statistics.median(ms):6.2f}  p95 {percentile(ms, 0.95):6.2f}  "
          f"max {max(ms):7.2f} ms  ({len(ms)})")


class Client:
    """One kept-alive connection carrying the page's token."""

    def __init__(self, server):
        self.server = server
        self.connection = http.client.HTTPConnection("127.0.0.1", server.port, timeout=30)
        self.headers = {"Host": server.host, "X-Vex-Token": server.token}

    def ask(self, method, path, body=None):
        headers = dict(self.headers)
        data = None
        if body is not None:
            data = json.dumps(body).encode()
            headers["Content-Type"] = "application/json"
        self.connection.request(method, path, body=data, headers=headers)
        response = self.connection.getresponse()
        text = response.read()
        return response.status, text

    def click(self, action, expected=200):
        started = time.perf_counter()
        status, text = self.ask("POST", "/api/act", action)
        elapsed = time.perf_counter() - started
        if status != expected:
            raise RuntimeError(f"a click was answered {status}: {text[:200]!r}")
        return elapsed, len(text)


def clicks(client, count):
    times, sizes = [], []
    for i in range(count):
        elapsed, size = client.click(START if i % 2 == 0 else CANCEL)
        times.append(elapsed)
        sizes.append(size)
    return times, sizes


def refused(client, count):
    for _ in range(count):
        client.click({"verb": "ack"}, expected=409)


def resident_kib(server):
    """Resident memory as the pages present (smaps_rollup), not the approximate VmRSS counter."""
    with open(f"/proc/{server.process.pid}/smaps_rollup") as rollup:
        for line in rollup:
            if line.startswith("Rss:"):
                return int(line.split()[1])
    raise RuntimeError("no Rss in smaps_rollup")


def with_slow_clients(server, count, asks):
    slow = []
    for _ in range(count):
        raw = server.raw()
        raw.send("GET /api/view HTTP/1.1\r\n")
        slow.append(raw)
    client = Client(server)
    times = []
    for _ in range(asks):
        for raw in slow:
            raw.try_send("X-Slow: 1\r\n")
        started = time.perf_counter()
        status, _ = client.ask("GET", "/api/view")
        times.append(time.perf_counter() - started)
        if status != 200:
            raise RuntimeError(f"a view was answered {status}")
    for raw in slow:
        raw.close()
    return times


def many_at_once(server, count):
    connections = [server.raw() for _ in range(count)]
    request = "\r\n".join(["GET /api/view HTTP/1.1", *server.headers(), "", ""])
    started = time.perf_counter()
    for raw in connections:
        raw.send(request)
    statuses = [raw.answer()[0] for raw in connections]
    elapsed = time.perf_counter() - started
    for raw in connections:
        raw.close()
    return statuses.count(200), elapsed


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    here = os.path.dirname(os.path.abspath(__file__))
    parser.add_argument("--vexhost", default=os.environ.get("VEXHOST", os.path.join(here, "..", "build", "default", "app",
                                                                                    "vexhost")))
    parser.add_argument("--clicks", type=int, default=1000)
    parser.add_argument("--memory-clicks", type=int, default=10000)
    arguments = parser.parse_args()
    served.VEXHOST = arguments.vexhost

    server = served.Server("--check")
    try:
        client = Client(server)
        print(f"vexhost serve over HTTP ({arguments.vexhost}), load average {os.getloadavg()[0]:.1f}")
        times, sizes = clicks(client, arguments.clicks)
        summary(f"click, answer read (view {statistics.median(sizes) / 1024:.0f} KiB)", times)
        summary("GET /api/view, 50 slow clients connected", with_slow_clients(server, 50, 200))
        answered, elapsed = many_at_once(server, 200)
        print(f"  {'200 connections at once, each GET /api/view':<46} {answered} answered 200 in {elapsed * 1000:.0f} ms")

        # Memory, after a warm-up that fills the journal's window: over many clicks, which the
        # recording keeps, then over as many refused clicks, which it does not (the transcript
        # keeps its latest 40 entries).
        clicks(client, 1000)
        refused(client, 5000)
        before = resident_kib(server)
        times, _ = clicks(client, arguments.memory_clicks)
        after = resident_kib(server)
        summary(f"click, over the {arguments.memory_clicks} of the memory run", times)
        print(f"  {'resident memory over those clicks':<46} {before} KiB -> {after} KiB: "
              f"{after - before:+d} KiB ({(after - before) * 1024 / arguments.memory_clicks:.0f} bytes a click)")
        before = resident_kib(server)
        refused(client, arguments.memory_clicks)
        after = resident_kib(server)
        print(f"  {'resident memory over as many refused clicks':<46} {before} KiB -> {after} KiB: {after - before:+d} KiB")
        client.connection.close()
    finally:
        code, out, err = server.stop()
        if code != 0:
            print(f"the server ended with {code}:\n{out}\n{err}", file=sys.stderr)
            sys.exit(1)


if __name__ == "__main__":
    main()
