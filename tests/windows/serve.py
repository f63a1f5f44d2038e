#!/usr/bin/env python3
"""The maker's web server for the update.dll test: update texts on 127.0.0.1, one path per case.

Prints the port it listens on, then a port on which nothing listens, and serves until killed."""
import http.server
import socket
import sys
import time

NEWER = b"999.0.0\r\nhttp://downloads.example/qingjianlu-setup.exe\r\n"
ANSWERS = {  # path: (status, headers, body)
    "/newer": (200, {}, NEWER),
    "/same": (200, {}, b"1.0.0\r\nhttp://downloads.example/qingjianlu-setup.exe\r\n"),
    "/missing": (404, {}, NEWER),
    "/oversized": (200, {}, NEWER + b"x" * (200 * 1024)),
    "/redirect": (302, {"Location": "/newer"}, b""),
}


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def do_GET(self):
        if self.path == "/hang":  # takes the request and never answers
            time.sleep(30)
            return
        if self.path == "/chunked":  # the newer text in two chunks
            self.send_response(200)
            self.send_header("Transfer-Encoding", "chunked")
            self.end_headers()
            for part in (NEWER[:5], NEWER[5:], b""):
                self.wfile.write(b"%x\r\n%s\r\n" % (len(part), part))
            return
        status, headers, body = ANSWERS.get(self.path, (404, {}, b""))
        self.send_response(status)
        for name, value in headers.items():
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def closed_port():
    probe = socket.socket()
    probe.bind(("127.0.0.1", 0))
    port = probe.getsockname()[1]
    probe.close()
    return port


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        pass  # clients that give up (closing or resetting the connection) are part of the test


server = Server(("127.0.0.1", 0), Handler)
print(server.server_address[1], closed_port(), flush=True)
sys.stdout.close()
server.serve_forever()
