#!/usr/bin/env python3
"""Build steps of the web site that CMake runs (web/CMakeLists.txt).

  site.py worker TEMPLATE SITE OUT
      Writes the service worker: the files in SITE (sw.js itself aside),
      each name with the SHA-256 of its content (hex), and a build name
      made from them, then TEMPLATE.
"""
import hashlib
import json
import os
import sys

WORKER = 'sw.js'


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
    if len(sys.argv) == 5 and sys.argv[1] == 'worker':
        worker(*sys.argv[2:])
    else:
        sys.exit(__doc__)
