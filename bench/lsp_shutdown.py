#!/usr/bin/env python3
"""Shutdown -> its answer, with a large pair open, as an editor sees it.

Starts `binario lsp` as a child process, opens a line description and its
train description with their text (the line cut at a line end to at most
58,000,000 characters, about the most a 64 MiB message carries once JSON
escapes its line ends), waits DELAY seconds, then times `shutdown` from the
moment it is written to the server's pipe to the moment its answer is read
back, and `exit` from its writing to the end of the process. A DELAY of 0
lands in the parsing of the messages, a few seconds in the compile.

usage: bench/lsp_shutdown.py BINARIO LINE_FILE TRAIN_FILE DELAY[,DELAY...]
Prints one row a run: the delay, the two times, the exit status, the load.
"""
import os
import subprocess
import sys
import threading
import time

from lsp_client import frame, read_message, uri_of

MAX_CHARACTERS = 58_000_000


def text_of(path, cap=None):
    text = open(path, "rb").read().decode("cp1252", "replace")
    if cap and len(text) > cap:
        text = text[: text.rfind("\n", 0, cap) + 1]
    return text


def run(binario, line_path, train_path, delay):
    texts = [(line_path, text_of(line_path, MAX_CHARACTERS)), (train_path, text_of(train_path))]
    server = subprocess.Popen([binario, "lsp"], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    answered = {}
    done = threading.Event()

    def reader():  # reads everything, so that the server never blocks on its output
        try:
            while True:
                if read_message(server.stdout).get("id") == 2:
                    answered["at"] = time.monotonic()
                    done.set()
        except (EOFError, ValueError):
            done.set()

    threading.Thread(target=reader, daemon=True).start()

    def send(message):
        server.stdin.write(frame({"jsonrpc": "2.0", **message}))
        server.stdin.flush()

    send({"id": 1, "method": "initialize", "params": {"capabilities": {}}})
    send({"method": "initialized", "params": {}})
    for path, text in texts:
        document = {"uri": uri_of(path), "languageId": "binario",
                    "version": 1, "text": text}
        send({"method": "textDocument/didOpen", "params": {"textDocument": document}})
    time.sleep(delay)
    sent = time.monotonic()
    send({"id": 2, "method": "shutdown"})
    done.wait(60)
    shutdown = answered.get("at", float("nan")) - sent
    sent = time.monotonic()
    send({"method": "exit"})
    server.stdin.close()
    status = server.wait(60)
    return shutdown, time.monotonic() - sent, status, len(texts[0][1])


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    binario, line_path, train_path = sys.argv[1:4]
    for delay in (float(d) for d in sys.argv[4].split(",")):
        shutdown, exit_time, status, size = run(binario, line_path, train_path, delay)
        print("line %d characters, delay %.1f s: shutdown answered in %.1f ms, "
              "exit in %.2f s, status %d, load %.1f"
              % (size, delay, shutdown * 1000, exit_time, status, os.getloadavg()[0]), flush=True)


if __name__ == "__main__":
    main()
