#!/usr/bin/env python3
"""Plain-HTTP helper of the test bed's download host (behind nginx's /cut/):
announces a file of 200000 bytes, sends a quarter of it and closes."""
import http.server
import sys

SIZE = 200000


class CutOff(http.server.BaseHTTPRequestHandler):
    def _headers(self):
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(SIZE))
        self.send_header("Last-Modified", "Tue, 15 Nov 1994 08:12:31 GMT")
        self.send_header("Connection", "close")
        self.end_headers()

    def do_HEAD(self):
        self._headers()

    def do_GET(self):
        self._headers()
        self.wfile.write(b"M" * (SIZE // 4))
        self.wfile.flush()
        self.close_connection = True

    def log_message(self, *args):
        pass


if __name__ == "__main__":
    http.server.ThreadingHTTPServer(("127.0.0.1", int(sys.argv[1])), CutOff).serve_forever()
