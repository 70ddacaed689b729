#!/usr/bin/env python3
"""Plain-HTTP helper of the test bed's download host. nginx hands it the
paths below; the first segment chooses how the transfer goes wrong:
  /cut/...    announces 200000 bytes, sends a quarter of them and closes;
  /stall/...  GET: the headers and a few bytes, then nothing more;
              HEAD: no answer at all;
  /slow/...   sends 16000 bytes in pieces of 200 every 0.4 s (about 32 s),
              slowly but steadily.
A stalled connection is held until the client gives up (at most ten
minutes)."""
import http.server
import select
import sys
import time

CUT_SIZE = 200000
SLOW_PIECE, SLOW_PIECES, SLOW_PAUSE = 200, 80, 0.4
HOLD_LIMIT = 600


class Faulty(http.server.BaseHTTPRequestHandler):
    def _headers(self, size):
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(size))
        self.send_header("Last-Modified", "Tue, 15 Nov 1994 08:12:31 GMT")
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.flush()

    def _hold(self):
        """Sends nothing until the client closes its end."""
        deadline = time.monotonic() + HOLD_LIMIT
        while time.monotonic() < deadline:
            readable, _, _ = select.select([self.connection], [], [], deadline - time.monotonic())
            if readable and not self.connection.recv(4096):
                break
        self.close_connection = True

    def do_HEAD(self):
        if self.path.startswith("/stall/"):
            self._hold()
        else:
            self._headers(CUT_SIZE if self.path.startswith("/cut/") else SLOW_PIECE * SLOW_PIECES)

    def do_GET(self):
        if self.path.startswith("/stall/"):
            self._headers(CUT_SIZE)
            self.wfile.write(b"MZ stalled")
            self.wfile.flush()
            self._hold()
        elif self.path.startswith("/slow/"):
            self._headers(SLOW_PIECE * SLOW_PIECES)
            for _ in range(SLOW_PIECES):
                self.wfile.write(b"S" * SLOW_PIECE)
                self.wfile.flush()
                time.sleep(SLOW_PAUSE)
        else:
            self._headers(CUT_SIZE)
            self.wfile.write(b"M" * (CUT_SIZE // 4))
            self.wfile.flush()
        self.close_connection = True

    def log_message(self, *args):
        pass


if __name__ == "__main__":
    http.server.ThreadingHTTPServer(("127.0.0.1", int(sys.argv[1])), Faulty).serve_forever()
