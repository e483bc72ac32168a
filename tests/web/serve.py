#!/usr/bin/env python3
"""Serves DIR on 127.0.0.1 at a port the system picks, quietly, until it is killed.

Usage: serve.py DIR PORT_FILE. The port is written to PORT_FILE once the server listens (the
file appears whole, through a rename), so a script can wait for it and then read it.
"""
import functools
import http.server
import os
import sys


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def main():
    directory, port_file = sys.argv[1:3]
    handler = functools.partial(QuietHandler, directory=directory)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    with open(port_file + ".partial", "w", encoding="ascii") as target:
        target.write(f"{server.server_address[1]}\n")
    os.replace(port_file + ".partial", port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
