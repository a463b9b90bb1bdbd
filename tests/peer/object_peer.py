#!/usr/bin/env python3
"""A sender of embedded objects for the tests, able to misbehave.

object_peer.py PORT FILE [EXTRA]
Listens on 127.0.0.1:PORT and serves every connection the bytes of FILE followed by EXTRA more
bytes (default 0), then closes it. Each connection is noted as a line in connections.log.
"""
import socket
import sys


def main():
    port = int(sys.argv[1])
    with open(sys.argv[2], 'rb') as source:
        data = source.read()
    extra = int(sys.argv[3]) if len(sys.argv) > 3 else 0
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(('127.0.0.1', port))
    listener.listen(4)
    while True:
        connection, _ = listener.accept()
        with open('connections.log', 'a') as log:
            log.write('connected\n')
        try:
            connection.sendall(data + b'\xcc' * extra)
        except OSError:
            pass
        connection.close()


if __name__ == '__main__':
    main()
