#!/usr/bin/env python3
"""A score board that answers badly, for the game's end-to-end tests. On 127.0.0.1, a free
port, which it prints as "listening on http://127.0.0.1:PORT"; it ends after 120 s at most.
  fake_board.py slow                 reads a request and answers nothing
  fake_board.py garbage              200 and a body that is no JSON, to every request
  fake_board.py huge                 200 and a body of 1 GB, announced, sent as it is made
  fake_board.py redirect             307 to the address asked, forever
  fake_board.py hold BOARD           hands a submission on to the real board at BOARD, prints
                                     "handed on STATUS", and then answers nothing
"""
import http.server
import sys
import threading
import time
import urllib.error
import urllib.request

mode = sys.argv[1]
LIFETIME = 120


class Fake(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def answer(self):
        body = self.rfile.read(int(self.headers.get("Content-Length") or 0))
        if mode == "slow":
            time.sleep(LIFETIME)
        elif mode == "garbage":
            self.reply(200, b"<html>\x00\xff not what you asked for</html>")
        elif mode == "huge":
            size, chunk = 10**9, b"0" * 65536
            self.send_response(200)
            self.send_header("Content-Length", str(size))
            self.end_headers()
            for _ in range(size // len(chunk)):  # till the client hangs up
                self.wfile.write(chunk)
        elif mode == "redirect":
            self.send_response(307)
            self.send_header("Location", self.path)
            self.send_header("Content-Length", "0")
            self.end_headers()
        elif mode == "hold":
            if self.command == "POST":
                headers = {k: self.headers[k] for k in ("Authorization", "Content-Type")}
                request = urllib.request.Request(sys.argv[2] + self.path, body, headers)
                try:
                    status = urllib.request.urlopen(request, timeout=10).status
                except urllib.error.HTTPError as error:
                    status = error.code
                print("handed on", status, flush=True)
            time.sleep(LIFETIME)

    def reply(self, status, body):
        self.send_response(status)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    do_GET = do_POST = answer


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Fake)
server.daemon_threads = True
print("listening on http://127.0.0.1:%d" % server.server_port, flush=True)
threading.Timer(LIFETIME, server.shutdown).start()
try:
    server.serve_forever()
except (BrokenPipeError, ConnectionResetError):
    pass
