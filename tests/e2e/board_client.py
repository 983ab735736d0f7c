#!/usr/bin/env python3
"""Clients of the score board for its end-to-end tests, each bounded in time and count:
  load ADDRESSES THREADS FILE...   submits every file once, THREADS at a time over keep-alive
                                   connections, spread over the comma-separated addresses;
                                   prints "STATUS ID FILE" as each answer comes (0: no answer)
  burst ADDRESS SOURCE KEY N FILE  N submissions of FILE from the address SOURCE; prints the
                                   count of each status and of 429s without Retry-After
  slow ADDRESS                     a request at a byte a second; prints the seconds until cut
  huge ADDRESS                     headers announcing 10 MB, no body; prints status, seconds
  scores ADDRESS                   the whole table, "RANK ID SCORE" a line
"""
import http.client
import json
import socket
import sys
import threading
import time


def connection(address, source=None):
    host, port = address.rsplit(":", 1)
    return http.client.HTTPConnection(host, int(port), timeout=30,
                                      source_address=(source, 0) if source else None)


def submit(conn, key, body):
    conn.request("POST", "/api/v1/games", body,
                 {"Authorization": "Zelto-Key " + key, "Content-Type": "text/plain"})
    answer = conn.getresponse()
    data = answer.read()
    return answer.status, answer.getheader("Retry-After"), json.loads(data or b"{}")


def load(addresses, threads, files):
    addresses, lock = addresses.split(","), threading.Lock()

    def work(worker):
        conns = [connection(a) for a in addresses]
        for n, name in enumerate(files[worker::threads]):
            with open(name, "rb") as f:
                body = f.read()
            try:
                status, _, answer = submit(conns[n % len(conns)], "%064x" % (worker + 1), body)
            except (OSError, http.client.HTTPException, ValueError):
                status, answer = 0, {}
                conns[n % len(conns)] = connection(addresses[n % len(conns)])
            with lock:
                print(status, answer.get("id", 0), name, flush=True)

    pool = [threading.Thread(target=work, args=(i,)) for i in range(threads)]
    for t in pool:
        t.start()
    for t in pool:
        t.join()


def burst(address, source, key, count, name):
    with open(name, "rb") as f:
        body = f.read()
    counts = {}
    for _ in range(count):
        status, retry, _ = submit(connection(address, source), key, body)
        counts[status] = counts.get(status, 0) + 1
        if status == 429 and not (retry or "").isdigit():
            counts["429-without-retry-after"] = counts.get("429-without-retry-after", 0) + 1
    print(" ".join("%s:%d" % item for item in sorted(counts.items(), key=str)))


def raw(address):
    host, port = address.rsplit(":", 1)
    return socket.create_connection((host, int(port)), timeout=20)


def slow(address):
    start, sock = time.monotonic(), raw(address)
    try:
        for byte in b"GET /healthz HTTP/1.1\r\nHost: x\r\n\r\n":
            sock.send(bytes([byte]))
            time.sleep(1)
            sock.settimeout(0.01)
            try:
                if sock.recv(1) == b"":
                    break
            except socket.timeout:
                pass
            sock.settimeout(20)
    except OSError:
        pass
    print("%.1f" % (time.monotonic() - start))


def huge(address):
    start, sock = time.monotonic(), raw(address)
    sock.sendall(b"POST /api/v1/games HTTP/1.1\r\nHost: x\r\nContent-Type: text/plain\r\n"
                 b"Authorization: Zelto-Key " + b"7" * 64 + b"\r\nContent-Length: 10485760\r\n\r\n")
    status = sock.recv(4096).split(b" ")[1].decode()
    print(status, "%.1f" % (time.monotonic() - start))


def scores(address):
    conn, offset = connection(address), 0
    while True:
        conn.request("GET", "/api/v1/scores?limit=100&offset=%d" % offset)
        page = json.loads(conn.getresponse().read())
        for entry in page["scores"]:
            print(entry["rank"], entry["id"], entry["score"])
        offset += 100
        if offset >= page["total"]:
            break


if __name__ == "__main__":
    command, args = sys.argv[1], sys.argv[2:]
    if command == "load":
        load(args[0], int(args[1]), args[2:])
    elif command == "burst":
        burst(args[0], args[1], args[2], int(args[3]), args[4])
    else:
        {"slow": slow, "huge": huge, "scores": scores}[command](args[0])
