#!/usr/bin/env python3
"""A small IRC bot for the demo: joins a channel, talks now and then and answers who talks to it."""
import socket
import sys
import time

host, port, channel = sys.argv[1], int(sys.argv[2]), sys.argv[3]
LINES = [
    "Hello! I am the demo bot. Type something and press Enter.",
    "Colours work too: \x0304red\x03, \x0312blue\x03 and \x02bold\x02.",
    "Links are shown as links: https://example.org",
    "Double-click my name in the nick list to talk to me privately.",
]

sock = socket.create_connection((host, port))
sock.settimeout(1.0)


def send(line):
    sock.sendall((line + "\r\n").encode("utf-8"))


send("NICK demobot")
send("USER demobot 0 * :Brindlex demo bot")
buffer = b""
joined = False
said = 0
next_line = time.time() + 3
while True:
    try:
        data = sock.recv(4096)
        if not data:
            break
        buffer += data
    except socket.timeout:
        pass
    while b"\r\n" in buffer:
        raw, buffer = buffer.split(b"\r\n", 1)
        line = raw.decode("utf-8", "replace")
        words = line.split(" ")
        if words[0] == "PING":
            send("PONG " + " ".join(words[1:]))
        elif len(words) > 1 and words[1] == "001":
            send("JOIN " + channel)
            joined = True
        elif len(words) > 3 and words[1] == "PRIVMSG":
            sender = words[0][1:].split("!")[0]
            target = words[2] if words[2].startswith("#") else sender
            text = " ".join(words[3:])[1:]
            send("PRIVMSG %s :%s, you said: %s" % (target, sender, text))
        elif len(words) > 2 and words[1] == "JOIN" and not words[0].startswith(":demobot!"):
            send("PRIVMSG %s :Welcome, %s!" % (channel, words[0][1:].split("!")[0]))
    if joined and time.time() >= next_line:
        send("PRIVMSG %s :%s" % (channel, LINES[said % len(LINES)]))
        said += 1
        next_line = time.time() + 20
