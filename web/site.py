#!/usr/bin/env python3
"""Build steps of the web site that CMake runs (web/CMakeLists.txt).

  site.py characters OUT FILE...
      Writes every character the font must draw: printable ASCII, which
      covers the game's texts (letters, digits and signs put together by
      snprintf), and every other character found in FILE... (the page's
      files, with HTML character references and JavaScript and CSS escapes
      decoded: a sign missed would be drawn in another font).
  site.py worker TEMPLATE SITE OUT
      Writes the service worker: the files in SITE (sw.js itself aside),
      each name with the SHA-256 of its content (hex), and a build name
      made from them, then TEMPLATE.
"""
import hashlib
import html
import json
import os
import re
import sys

# \u20ac, \u{1f600} in scripts; \20ac in style sheets.
ESCAPE = re.compile(r'\\u\{([0-9a-fA-F]{1,6})\}|\\u([0-9a-fA-F]{4})|\\([0-9a-fA-F]{1,6})')

WORKER = 'sw.js'


def characters(out, files):
    wanted = {chr(c) for c in range(0x20, 0x7F)}
    for name in files:
        with open(name, encoding='utf-8') as f:
            text = html.unescape(f.read())
        codes = (int(''.join(m.groups(default='')), 16) for m in ESCAPE.finditer(text))
        escaped = [chr(code) for code in codes if code <= 0x10FFFF]
        wanted.update(c for c in [*text, *escaped] if ord(c) > 0x7F and c.isprintable())
    with open(out, 'w', encoding='utf-8') as f:
        f.write(''.join(sorted(wanted)) + '\n')


def worker(template, site, out):
    names = []
    for folder, _, files in os.walk(site):
        for name in files:
            path = os.path.relpath(os.path.join(folder, name), site).replace(os.sep, '/')
            if path != WORKER and not name.startswith('.'):
                names.append(path)
    names.sort()
    if 'index.html' not in names:
        sys.exit(f'site.py: {site} has no index.html')
    digest = hashlib.sha256()
    hashes = {}
    for name in names:
        with open(os.path.join(site, name), 'rb') as f:
            body = f.read()
        digest.update(f'{name}\0{len(body)}\0'.encode())
        digest.update(body)
        hashes[name] = hashlib.sha256(body).hexdigest()
    with open(template, encoding='utf-8') as f:
        code = f.read()
    with open(out, 'w', encoding='utf-8') as f:
        f.write(f"var BUILD = 'vlim-{digest.hexdigest()[:16]}';\n")
        f.write(f'var FILES = {json.dumps(hashes, separators=(",", ":"))};\n')
        f.write(code)


if __name__ == '__main__':
    if len(sys.argv) >= 3 and sys.argv[1] == 'characters':
        characters(sys.argv[2], sys.argv[3:])
    elif len(sys.argv) == 5 and sys.argv[1] == 'worker':
        worker(*sys.argv[2:])
    else:
        sys.exit(__doc__)
