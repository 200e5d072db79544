#!/usr/bin/env python3
"""The test pages over HTTPS on 127.0.0.1, with a certificate a test authority signed.

    https_pages.py PAGES_DIR CERT KEY PORT_FILE

Writes the port it listens on to PORT_FILE, then serves until it is ended."""
import functools
import http.server
import ssl
import sys

pages, cert, key, port_file = sys.argv[1:5]


class Quiet(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Quiet, directory=pages))
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(cert, key)
server.socket = context.wrap_socket(server.socket, server_side=True)
with open(port_file, "w") as out:
    out.write(str(server.server_address[1]))
server.serve_forever()
