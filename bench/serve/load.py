#!/usr/bin/env python3
"""A bounded load on quillet serve: TOTAL requests posted by CONCURRENCY
clients at once (each with a keep-alive connection of its own), the files in
turn, to POST /convert with the given format. Prints one JSON object:
requests per second answered 200, p50 and p99 latency of those in
milliseconds, and the count of each status (0: no answer).

    load.py [--backoff MS] [--compatible] [--batch K] HOST:PORT FORMAT CONCURRENCY TOTAL FILE...

With --backoff a client told 429 waits MS milliseconds before its next
request (the answer still counts as one of TOTAL). With --compatible the
requests go to POST /forms/libreoffice/convert (files in the field files,
FORMAT unused), K files in each (--batch, default 1; merge=true when K > 1).
"""
import argparse
import http.client
import json
import os
import threading
import time
import uuid


def body_of(paths, fmt, compatible):
    boundary = uuid.uuid4().hex
    parts = []
    for i, path in enumerate(paths):
        with open(path, "rb") as f:
            content = f.read()
        # Numbered in the batch's order, as the compatible route's clients name them.
        name = f"{i + 1}_{os.path.basename(path)}" if compatible else os.path.basename(path)
        field = "files" if compatible else "file"
        parts.append(f'--{boundary}\r\nContent-Disposition: form-data; name="{field}"; filename="{name}"\r\n'
                     f"Content-Type: application/octet-stream\r\n\r\n".encode() + content + b"\r\n")
    if not compatible:
        parts.append(f'--{boundary}\r\nContent-Disposition: form-data; name="format"\r\n\r\n{fmt}\r\n'.encode())
    elif len(paths) > 1:
        parts.append(f'--{boundary}\r\nContent-Disposition: form-data; name="merge"\r\n\r\ntrue\r\n'.encode())
    parts.append(f"--{boundary}--\r\n".encode())
    return b"".join(parts), f"multipart/form-data; boundary={boundary}"


def percentile(values, p):
    if not values:
        return None
    values = sorted(values)
    return values[min(len(values) - 1, int(round(p / 100 * (len(values) - 1))))]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--backoff", type=float, default=0)
    parser.add_argument("--compatible", action="store_true")
    parser.add_argument("--batch", type=int, default=1)
    parser.add_argument("address")
    parser.add_argument("format")
    parser.add_argument("concurrency", type=int)
    parser.add_argument("total", type=int)
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()
    concurrency, total = args.concurrency, args.total
    host, port = args.address.rsplit(":", 1)
    files = args.files
    batches = [[files[(i + j) % len(files)] for j in range(args.batch)] for i in range(0, len(files), args.batch)]
    bodies = [body_of(b, args.format, args.compatible) for b in batches]
    path = "/forms/libreoffice/convert" if args.compatible else "/convert"
    lock = threading.Lock()
    state = {"next": 0}
    results = []  # (status, milliseconds)

    def client():
        connection = http.client.HTTPConnection(host, int(port), timeout=300)
        while True:
            with lock:
                i = state["next"]
                if i >= total:
                    break
                state["next"] += 1
            body, content_type = bodies[i % len(bodies)]
            start = time.perf_counter()
            try:
                connection.request("POST", path, body=body, headers={"Content-Type": content_type})
                answer = connection.getresponse()
                answer.read()
                status = answer.status
                if answer.getheader("Connection", "").lower() == "close":
                    connection.close()
                    connection = http.client.HTTPConnection(host, int(port), timeout=300)
            except (OSError, http.client.HTTPException):
                status = 0
                connection.close()
                connection = http.client.HTTPConnection(host, int(port), timeout=300)
            with lock:
                results.append((status, (time.perf_counter() - start) * 1000))
            if status == 429 and args.backoff:
                time.sleep(args.backoff / 1000)
        connection.close()

    start = time.perf_counter()
    threads = [threading.Thread(target=client) for _ in range(concurrency)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    elapsed = time.perf_counter() - start
    ok = [ms for status, ms in results if status == 200]
    statuses = {}
    for status, _ in results:
        statuses[str(status)] = statuses.get(str(status), 0) + 1
    print(json.dumps({
        "concurrency": concurrency,
        "requests": len(results),
        "per_second": round(len(ok) / elapsed, 2),
        "p50_ms": round(percentile(ok, 50), 1) if ok else None,
        "p99_ms": round(percentile(ok, 99), 1) if ok else None,
        "statuses": statuses,
    }))


if __name__ == "__main__":
    main()
