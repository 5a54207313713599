#!/usr/bin/env python3
"""A bounded load of small .docx documents posted to quillet serve behind a
balancer, converted to text, with replicas stopped in the middle of it.

Every answer must be the document's own text or a status to retry (429 and
503); retries go on until every document is converted, so in the end each
document has exactly one converted text and it is its own. With --stats (the
balancer's admin socket) the balancer's view of each replica is watched: a
replica stopped must be marked down within --down-within seconds and get no
new session after that.

    scale-out-load.py URL --documents N --threads T [--stats SOCKET]
        [--sigkill NAME=PID] [--sigterm NAME=PID] [--only NAME] [--down-within S]

Prints one line of JSON with the figures; exit status 1 when a check fails.
"""
import argparse
import concurrent.futures
import io
import json
import os
import signal
import socket
import sys
import threading
import time
import urllib.error
import urllib.request
import uuid

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "packaging"))
from make_docx import docx_bytes  # noqa: E402

RETRYABLE = {429, 503}


def multipart(fields, name, content):
    boundary = uuid.uuid4().hex
    body = io.BytesIO()
    for key, value in fields.items():
        body.write(f'--{boundary}\r\nContent-Disposition: form-data; name="{key}"\r\n\r\n{value}\r\n'.encode())
    body.write(f'--{boundary}\r\nContent-Disposition: form-data; name="file"; filename="{name}"\r\n'
               "Content-Type: application/octet-stream\r\n\r\n".encode())
    body.write(content + f"\r\n--{boundary}--\r\n".encode())
    return body.getvalue(), f"multipart/form-data; boundary={boundary}"


class Balancer:
    """The balancer's admin socket: each replica's state and session count."""

    def __init__(self, path):
        self.path = path

    def command(self, text):
        with socket.socket(socket.AF_UNIX) as s:
            s.connect(self.path)
            s.sendall(text.encode() + b"\n")
            chunks = []
            while chunk := s.recv(65536):
                chunks.append(chunk)
        return b"".join(chunks).decode()

    def servers(self):
        lines = self.command("show stat").splitlines()
        header = lines[0].lstrip("# ").split(",")
        rows = [dict(zip(header, line.split(","))) for line in lines[1:] if line]
        return {r["svname"]: r for r in rows if r["svname"] not in ("FRONTEND", "BACKEND")}


class Watch(threading.Thread):
    """Polls the balancer: when each replica was first seen down, and its sessions then."""

    def __init__(self, balancer):
        super().__init__(daemon=True)
        self.balancer, self.down_at, self.sessions_at_down = balancer, {}, {}
        self.running = True

    def run(self):
        while self.running:
            for name, row in self.balancer.servers().items():
                if row["status"].startswith("DOWN") or row["status"].startswith("MAINT"):
                    if name not in self.down_at:
                        self.down_at[name] = time.monotonic()
                        self.sessions_at_down[name] = int(row["stot"])
            time.sleep(0.05)


class Load:
    def __init__(self, args):
        self.args = args
        self.run = uuid.uuid4().hex[:8]
        self.lock = threading.Lock()
        self.finished = 0
        self.answers = {}          # status (or error) -> count
        self.converted = {}        # document -> texts received with 200
        self.failures = []
        self.signals = []          # [replica, pid, signal, when sent or None]
        for target, sig in [(args.sigkill, signal.SIGKILL), (args.sigterm, signal.SIGTERM)]:
            if target:
                name, pid = target.split("=")
                self.signals.append([name, int(pid), sig, None])
        self.sent_at = {}          # replica name -> monotonic time of its signal

    def text(self, number):
        return f"Scale out document {number} of {self.args.documents} in run {self.run}"

    def post(self, number):
        body, kind = multipart({"format": "txt"}, f"doc{number}.docx", docx_bytes(self.text(number)))
        request = urllib.request.Request(self.args.url + "/convert", data=body, headers={"Content-Type": kind})
        try:
            with urllib.request.urlopen(request, timeout=60) as answer:
                return answer.status, answer.read()
        except urllib.error.HTTPError as e:
            return e.code, e.read()
        except OSError as e:
            return type(e).__name__, b""

    def convert(self, number):
        for attempt in range(50):
            status, body = self.post(number)
            with self.lock:
                self.answers[status] = self.answers.get(status, 0) + 1
            if status == 200:
                text = body.decode("utf-8-sig").strip()
                with self.lock:
                    self.converted.setdefault(number, []).append(text)
                break
            if status not in RETRYABLE:
                with self.lock:
                    self.failures.append(f"document {number}: {status} {body[:200]!r}")
                break
            time.sleep(min(0.5, 0.05 * (attempt + 1)))
        with self.lock:
            self.finished += 1
            self.maybe_signal()

    def maybe_signal(self):
        # The first replica at a third of the load, the second at two thirds.
        for index, entry in enumerate(self.signals):
            name, pid, sig, sent = entry
            if sent is None and self.finished >= self.args.documents * (index + 1) // 3:
                os.kill(pid, sig)
                entry[3] = time.monotonic()
                self.sent_at[name] = entry[3]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("url")
    parser.add_argument("--documents", type=int, default=120)
    parser.add_argument("--threads", type=int, default=6)
    parser.add_argument("--stats")
    parser.add_argument("--sigkill")
    parser.add_argument("--sigterm")
    parser.add_argument("--only", help="the one replica to send to: the others are set to maintenance")
    parser.add_argument("--down-within", type=float, default=3.0)
    args = parser.parse_args()

    balancer = Balancer(args.stats) if args.stats else None
    if balancer and args.only:
        for name in balancer.servers():
            if name != args.only:
                balancer.command(f"disable server replicas/{name}")
    load = Load(args)
    before = {name: int(row["stot"]) for name, row in balancer.servers().items()} if balancer else {}
    watch = Watch(balancer) if balancer else None
    if watch:
        watch.start()
    started = time.monotonic()
    with concurrent.futures.ThreadPoolExecutor(args.threads) as pool:
        list(pool.map(load.convert, range(1, args.documents + 1)))
    seconds = time.monotonic() - started
    if watch:
        # A replica stopped near the end still gets its time to be marked down.
        deadline = max(load.sent_at.values(), default=0) + args.down_within
        while time.monotonic() < deadline and not set(load.sent_at) <= set(watch.down_at):
            time.sleep(0.05)
        watch.running = False
        watch.join()
    if balancer and args.only:
        for name in balancer.servers():
            balancer.command(f"enable server replicas/{name}")

    problems = list(load.failures)
    for number in range(1, args.documents + 1):
        texts = load.converted.get(number, [])
        if len(texts) != 1:
            problems.append(f"document {number} was converted {len(texts)} times")
        elif texts[0] != load.text(number):
            problems.append(f"document {number} came back as {texts[0][:120]!r}")
    report = {"documents": args.documents, "threads": args.threads, "seconds": round(seconds, 2),
              "per_second": round(args.documents / seconds, 1),
              "answers": {str(k): v for k, v in sorted(load.answers.items(), key=str)}}
    if balancer:
        final = balancer.servers()
        report["sessions"] = {name: int(row["stot"]) - before.get(name, 0) for name, row in final.items()}
        for name, at in load.sent_at.items():
            down = watch.down_at.get(name)
            if down is None:
                problems.append(f"the balancer never marked {name} down")
                continue
            report.setdefault("down_after", {})[name] = round(max(0.0, down - at), 2)
            if down - at > args.down_within:
                problems.append(f"the balancer marked {name} down {down - at:.1f} s after its signal")
            later = int(final[name]["stot"]) - watch.sessions_at_down[name]
            if later:
                problems.append(f"the balancer sent {later} sessions to {name} after marking it down")
        if load.sent_at:
            idle = [n for n, s in report["sessions"].items() if s == 0]
            if idle:
                problems.append(f"the balancer sent nothing to {', '.join(idle)}")
    report["problems"] = problems
    print(json.dumps(report))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
