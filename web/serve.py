#!/usr/bin/env python3
"""Serves the browser edition's site from 127.0.0.1 until Ctrl-C or a signal stops it.

Usage: serve.py DIR [--port N] [--port-file FILE] [--quiet]
--port 0 lets the system pick a free port; --port-file writes the port there once the server
listens (the file appears whole, through a rename), for scripts that start it in the
background. Without --quiet every request is logged to standard error.
"""
import argparse
import functools
import http.server
import os
import signal
import sys


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("directory")
    parser.add_argument("--port", type=int, default=8000)
    parser.add_argument("--port-file")
    parser.add_argument("--quiet", action="store_true")
    options = parser.parse_args()
    if not os.path.isfile(os.path.join(options.directory, "index.html")):
        sys.exit(f"serve.py: {options.directory} holds no index.html: build the web preset first")

    handler_class = QuietHandler if options.quiet else http.server.SimpleHTTPRequestHandler
    handler = functools.partial(handler_class, directory=options.directory)
    try:
        server = http.server.ThreadingHTTPServer(("127.0.0.1", options.port), handler)
    except OSError as error:
        sys.exit(f"serve.py: cannot listen on 127.0.0.1:{options.port}: {error.strerror}")
    port = server.server_address[1]
    if options.port_file:
        with open(options.port_file + ".partial", "w", encoding="ascii") as target:
            target.write(f"{port}\n")
        os.replace(options.port_file + ".partial", options.port_file)
    else:
        print(f"Serving the browser edition on http://127.0.0.1:{port}/ (Ctrl-C stops it)",
              flush=True)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()


if __name__ == "__main__":
    main()
