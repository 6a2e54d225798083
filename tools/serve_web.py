#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Serves the browser's site as a web host should: each file with its type, the
gzip copy that tools/build-web.sh made beside it when the browser accepts gzip, and cache
headers that let a browser keep every file but ask again whether it changed (the names carry no
version, so nothing may be kept unasked; the service worker keeps the site for offline play).

Usage: serve_web.py SITE_DIR [PORT] [ADDRESS]   (8000 and 127.0.0.1 by default; port 0 takes a
free one). It prints "Serving HTTP on ADDRESS port N" once it listens."""

import email.utils
import hashlib
import http.server
import os
import sys
import urllib.parse

TYPES = {
    ".html": "text/html; charset=utf-8",
    ".js": "text/javascript; charset=utf-8",
    ".mjs": "text/javascript; charset=utf-8",
    ".wasm": "application/wasm",
    ".webmanifest": "application/manifest+json",
    ".json": "application/json",
    ".png": "image/png",
    ".bmp": "image/bmp",
    ".dat": "application/octet-stream",
    ".replay": "text/plain; charset=utf-8",
}


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def version_string(self):
        return "enclova-site"

    def do_GET(self):
        self.send(body=True)

    def do_HEAD(self):
        self.send(body=False)

    def send(self, body):
        path = urllib.parse.unquote(urllib.parse.urlsplit(self.path).path)
        if path.endswith("/"):
            path += "index.html"
        parts = [p for p in path.split("/") if p]
        if any(p in (".", "..") or p.startswith(".") for p in parts):
            return self.fail(body)
        name = os.path.join(self.server.site, *parts)
        if not os.path.isfile(name):
            return self.fail(body)
        kind = TYPES.get(os.path.splitext(name)[1], "application/octet-stream")
        sent = name
        encoding = None
        if "gzip" in self.headers.get("Accept-Encoding", "") and os.path.isfile(name + ".gz"):
            sent, encoding = name + ".gz", "gzip"
        stat = os.stat(sent)
        tag = '"%s"' % hashlib.sha256(
            ("%s %d %d" % (sent, stat.st_size, stat.st_mtime_ns)).encode()).hexdigest()[:20]
        self.send_response(304 if self.headers.get("If-None-Match") == tag else 200)
        self.send_header("Content-Type", kind)
        self.send_header("Cache-Control", "no-cache")
        self.send_header("ETag", tag)
        self.send_header("Last-Modified", email.utils.formatdate(stat.st_mtime, usegmt=True))
        self.send_header("Vary", "Accept-Encoding")
        if encoding:
            self.send_header("Content-Encoding", encoding)
        if self.headers.get("If-None-Match") == tag:
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        self.send_header("Content-Length", str(stat.st_size))
        self.end_headers()
        if body:
            with open(sent, "rb") as f:
                self.wfile.write(f.read())

    def fail(self, body):
        self.send_response(404)
        self.send_header("Content-Type", "text/plain; charset=utf-8")
        self.send_header("Content-Length", "10")
        self.end_headers()
        if body:
            self.wfile.write(b"not found\n")

    def log_message(self, *args):
        pass


def main():
    if len(sys.argv) not in (2, 3, 4):
        sys.exit("usage: serve_web.py SITE_DIR [PORT] [ADDRESS]")
    address = sys.argv[3] if len(sys.argv) == 4 else "127.0.0.1"
    server = http.server.ThreadingHTTPServer(
        (address, int(sys.argv[2]) if len(sys.argv) >= 3 else 8000), Handler)
    server.site = os.path.realpath(sys.argv[1])
    server.daemon_threads = True
    print("Serving HTTP on %s port %d" % (address, server.server_address[1]), flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
