"""The other side of a DCC chat, listening on a loopback port.

talk: a line split over two writes, two lines and an action in one write with a voice frame
between them, then it answers the first line it reads with "got <line>" and hangs up.
hostile: announces a voice frame of 1 GB and waits for the chat to end.
flood: sends 10 MB of text without a line feed after one line.
Every connection is served (the test's own readiness probe too).
"""
import socket
import struct
import sys
import threading
import time


def frame(kind, data):
    return b"\x00" + bytes([kind]) + struct.pack("<I", len(data)) + data


def read_line(conn):
    conn.settimeout(15)
    data = b""
    while not data.endswith(b"\n"):
        chunk = conn.recv(1000)
        if not chunk:
            return None
        data += chunk
    return data.split(b"\r\n")[0].split(b"\n")[0]


def talk(conn):
    conn.sendall(b"hel")
    time.sleep(0.5)
    conn.sendall(b"lo\r\n")
    conn.sendall(b"one\r\ntwo\r\n" + frame(2, b"xy") + b"\x01ACTION waves\x01\r\n")
    line = read_line(conn)
    if line is not None:
        conn.sendall(b"got " + line + b"\r\n")
    time.sleep(0.5)


def hostile(conn):
    conn.sendall(b"before\r\n" + b"\x00\x00" + struct.pack("<I", 1 << 30) + b"x" * 100)
    conn.settimeout(30)
    while conn.recv(1000):
        pass


def flood(conn):
    conn.sendall(b"before\r\n")
    conn.sendall(b"x" * (10 * 1024 * 1024))
    conn.settimeout(30)
    while conn.recv(1000):
        pass


def serve(conn, mode):
    try:
        {"talk": talk, "hostile": hostile, "flood": flood}[mode](conn)
    except OSError:
        pass
    finally:
        conn.close()


def main():
    port, mode = int(sys.argv[1]), sys.argv[2]
    server = socket.socket()
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", port))
    server.listen(4)
    while True:
        conn, _ = server.accept()
        threading.Thread(target=serve, args=(conn, mode), daemon=True).start()


main()
