#!/usr/bin/env python3
"""An update server for the updater's tests, on a loopback port, plain or over TLS.

Its folder is laid out as scripts/update-tree lays out the update server's files: it serves
<folder>/qv/updates/x64/<name> (and /tools/<name>, /qv/extras/<name> likewise), and the hash list
of /hash.php?file1=./qv/updates/x64/a&file2=... (or ?file=...) as an INI text whose section
"Hash" holds key N = the published SHA-1 of the file named by fileN (key 1 for "file"): the
<name>.sha1 beside the file, or its SHA-1 in upper case when there is none; a file that is not
there has no key. Each request is appended to requests.log in the folder.

What goes wrong is read from behaviour.json in the folder at every request, so a test can change
it between runs:
  {"list": "404" | "garbage" | "slow",
   "files": {"<name>": "404" | "bad" | "truncated" | "slow" | "hold" | "loop" | "slowloop" |
                       "endless" | "longer"},
   "hashes": {"<name>": "<published value>"}}
bad: the body differs from the published hash; truncated: half the announced length, then the
connection ends; slow: 256 bytes every 0.3 s; hold: the whole body without a length, then the
connection stays open for 2 s before it ends; loop: a redirect to the same address, every time
(slowloop: each after 1 s); endless: bytes without a length until the client goes; longer: the
announced length of the file, then bytes without end after it.

Usage: update_server.py <port> <folder> [certificate key]
"""
import hashlib
import http.server
import json
import os
import ssl
import sys
import time
import urllib.parse

FOLDER = ''


def behaviour():
    try:
        with open(os.path.join(FOLDER, 'behaviour.json')) as source:
            return json.load(source)
    except (OSError, ValueError):
        return {}


SERVED = ('qv/updates/x64', 'tools', 'qv/extras')


def local_path(path):
    """The file of the tree a URL path or hash query value names, or None outside what is served."""
    folder, name = os.path.split(path.lstrip('./'))
    if folder not in SERVED or not name:
        return None
    return os.path.join(FOLDER, folder, name)


def read_bytes(path):
    try:
        with open(path, 'rb') as source:
            return source.read()
    except (OSError, TypeError):
        return None


def hash_list(query, rules):
    lines = ['[Hash]']
    for key, values in urllib.parse.parse_qs(query).items():
        number = '1' if key == 'file' else key[4:]
        if not key.startswith('file') or not number.isdigit():
            continue
        path = local_path(values[0])
        published = rules.get('hashes', {}).get(os.path.basename(values[0]))
        if published is None and path:
            recorded = read_bytes(path + '.sha1')
            content = read_bytes(path)
            if recorded is not None:
                published = recorded.decode().strip()
            elif content is not None:
                published = hashlib.sha1(content).hexdigest().upper()
        if published is not None:
            lines.append(f'{number}={published}')
    return ('\r\n'.join(lines) + '\r\n').encode()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.1'

    def log_message(self, *args):
        pass

    def note(self):
        with open(os.path.join(FOLDER, 'requests.log'), 'a') as log:
            log.write(self.path + '\n')

    def answer(self, status, body, length=None, close=False):
        self.send_response(status)
        if length is not None:
            self.send_header('Content-Length', str(length))
        if close:
            self.send_header('Connection', 'close')
            self.close_connection = True
        self.end_headers()
        return body

    def trickle(self, body):
        for start in range(0, len(body), 256):
            try:
                self.wfile.write(body[start:start + 256])
                self.wfile.flush()
            except OSError:
                return
            time.sleep(0.3)

    def pour(self):
        block = b'x' * 65536
        try:
            while True:
                self.wfile.write(block)
        except OSError:
            return

    def do_GET(self):
        self.note()
        rules = behaviour()
        url = urllib.parse.urlsplit(self.path)
        if url.path == '/hash.php':
            kind = rules.get('list', 'ok')
            if kind == '404':
                body = self.answer(404, b'no list', 7)
            elif kind == 'garbage':
                garbage = b'<html><body>1=not a hash</body></html>'
                body = self.answer(200, garbage, len(garbage))
            else:
                listing = hash_list(url.query, rules)
                body = self.answer(200, listing, len(listing))
                if kind == 'slow':
                    return self.trickle(body)
            self.wfile.write(body)
            return
        name = os.path.basename(url.path)
        content = read_bytes(local_path(url.path))
        kind = rules.get('files', {}).get(name, 'good')
        if content is None or kind == '404':
            self.wfile.write(self.answer(404, b'not found', 9))
            return
        if kind == 'bad':
            content = content[:-1] + bytes([content[-1] ^ 0xFF]) if content else b'x'
        if kind == 'truncated':
            self.wfile.write(self.answer(200, content[:len(content) // 2], len(content), close=True))
            return
        if kind == 'slow':
            return self.trickle(self.answer(200, content, len(content)))
        if kind in ('loop', 'slowloop'):
            if kind == 'slowloop':
                time.sleep(1)
            self.send_response(302)
            self.send_header('Location', url.path)
            self.send_header('Content-Length', '0')
            self.end_headers()
            return
        if kind in ('endless', 'longer'):
            self.wfile.write(self.answer(200, content, len(content) if kind == 'longer' else None, close=True))
            return self.pour()
        if kind == 'hold':
            self.wfile.write(self.answer(200, content, close=True))
            self.wfile.flush()
            time.sleep(2)
            return
        self.wfile.write(self.answer(200, content, len(content)))


def main():
    global FOLDER
    port, FOLDER = int(sys.argv[1]), sys.argv[2]
    server = http.server.ThreadingHTTPServer(('127.0.0.1', port), Handler)
    server.daemon_threads = True
    if len(sys.argv) > 4:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(sys.argv[3], sys.argv[4])
        server.socket = context.wrap_socket(server.socket, server_side=True, do_handshake_on_connect=False)
    server.serve_forever()


if __name__ == '__main__':
    main()
