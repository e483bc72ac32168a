#!/usr/bin/env python3
"""Assembles the browser edition from the page's sources and the built module and track.

The site (--site DIR) is index.html with the script, the style, the module and the soundtrack
beside it. The single file (--single FILE) is the same page with the style and script inline
and the module and the soundtrack as base64 data blocks, so that it plays when opened straight
from disk. Both pages carry a Content-Security-Policy that lets them reach nothing but their
own files: the single file's names its inline script and style by their SHA-256 hashes.
"""

import argparse
import base64
import hashlib
import html
import os
import sys
import tempfile

SITE_POLICY = ("default-src 'none'; script-src 'self' 'wasm-unsafe-eval'; style-src 'self'; "
               "connect-src 'self'; img-src data:; base-uri 'none'; form-action 'none'")
SINGLE_POLICY = ("default-src 'none'; script-src '{script}' 'wasm-unsafe-eval'; "
                 "style-src '{style}'; img-src data:; base-uri 'none'; form-action 'none'")
PAGE_FILES = ("floodvalley.js", "floodvalley.css")
WASM_FILE = "floodvalley.wasm"
TRACK_FILE = "TEVDRONE.MP3"
CURRENT_UMASK = os.umask(0o022)
os.umask(CURRENT_UMASK)


def fail(message):
    print(f"build_page.py: {message}", file=sys.stderr)
    sys.exit(2)


def read_text(path):
    try:
        with open(path, encoding="utf-8") as source:
            return source.read()
    except OSError as error:
        fail(f"cannot read {path}: {error.strerror}")


def read_bytes(path):
    try:
        with open(path, "rb") as source:
            return source.read()
    except OSError as error:
        fail(f"cannot read {path}: {error.strerror}")


def fill(template, values):
    """Replaces every @NAME@ of the template, each of which must occur exactly once."""
    for name, value in values.items():
        token = f"@{name}@"
        if template.count(token) != 1:
            fail(f"the page template must hold {token} exactly once")
        template = template.replace(token, value)
    return template


def source_hash(text):
    return "sha256-" + base64.b64encode(hashlib.sha256(text.encode("utf-8")).digest()).decode()


def inline_element(tag, text):
    """The element with text inside; the text must not be able to close it early."""
    if f"</{tag}" in text.lower():
        fail(f"the inline {tag} would be cut short by a closing tag")
    return f"<{tag}>{text}</{tag}>"


def data_block(name, data):
    encoded = base64.b64encode(data).decode("ascii")
    return f'<script type="application/octet-stream" id="asset-{name}">{encoded}</script>'


def write_atomically(path, data):
    """Writes through a temporary file, so a failed build never leaves half a page."""
    directory = os.path.dirname(os.path.abspath(path))
    os.makedirs(directory, exist_ok=True)
    handle, temporary = tempfile.mkstemp(dir=directory, prefix=".build_page-")
    try:
        with os.fdopen(handle, "wb") as target:
            target.write(data)
        os.chmod(temporary, 0o666 & ~CURRENT_UMASK)  # as an ordinary new file would be
        os.replace(temporary, path)
    except BaseException:
        os.unlink(temporary)
        raise


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--page", required=True, help="folder of index.html, the script and style")
    parser.add_argument("--title", required=True, help="file holding the window title")
    parser.add_argument("--wasm", required=True, help="the built WebAssembly module")
    parser.add_argument("--track", required=True, help="the rendered soundtrack")
    parser.add_argument("--site", required=True, help="folder to write the site to")
    parser.add_argument("--single", required=True, help="the self-contained page to write")
    options = parser.parse_args()

    template = read_text(os.path.join(options.page, "index.html"))
    title = html.escape(read_text(options.title).strip())
    if not title:
        fail(f"{options.title} holds no title")
    script = read_text(os.path.join(options.page, "floodvalley.js"))
    style = read_text(os.path.join(options.page, "floodvalley.css"))
    wasm = read_bytes(options.wasm)
    track = read_bytes(options.track)

    site_page = fill(template, {
        "CSP": SITE_POLICY,
        "TITLE": title,
        "STYLE": '<link rel="stylesheet" href="floodvalley.css">',
        "ASSETS": "",
        "SCRIPT": '<script src="floodvalley.js"></script>',
    })
    single_page = fill(template, {
        "CSP": SINGLE_POLICY.format(script=source_hash(script), style=source_hash(style)),
        "TITLE": title,
        "STYLE": inline_element("style", style),
        "ASSETS": data_block("wasm", wasm) + "\n" + data_block("track", track),
        "SCRIPT": inline_element("script", script),
    })

    write_atomically(os.path.join(options.site, "index.html"), site_page.encode("utf-8"))
    for name in PAGE_FILES:
        write_atomically(os.path.join(options.site, name),
                         read_bytes(os.path.join(options.page, name)))
    write_atomically(os.path.join(options.site, WASM_FILE), wasm)
    write_atomically(os.path.join(options.site, TRACK_FILE), track)
    write_atomically(options.single, single_page.encode("utf-8"))


if __name__ == "__main__":
    main()
