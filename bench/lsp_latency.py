#!/usr/bin/env python3
"""Change -> published diagnostics, as an editor sees it.

Starts `binario lsp` as a child process, opens a line description and its
train description with their text, then changes one character of the line
description again and again, each change an incremental edit (a range), and
times each from the moment the change is written to the server's pipe to the
moment the publishDiagnostics of the line description is read back. The
server runs as it does for an editor: its worker thread, its debounce.
A pause between changes lets every check finish before the next change.

usage: bench/lsp_latency.py BINARIO LINE_TEXT TRAIN_TEXT [CHANGES]
Prints the best, the median and the worst time in milliseconds.
"""
import statistics
import subprocess
import sys
import time

from lsp_client import frame, read_message, uri_of


def main():
    if len(sys.argv) not in (4, 5):
        sys.exit(__doc__)
    binario, line_path, train_path = sys.argv[1:4]
    changes = int(sys.argv[4]) if len(sys.argv) == 5 else 40
    server = subprocess.Popen([binario, "lsp"], stdin=subprocess.PIPE, stdout=subprocess.PIPE)

    def send(message):
        server.stdin.write(frame(message))
        server.stdin.flush()

    def wait_for_line_diagnostics():
        while True:
            message = read_message(server.stdout)
            if (message.get("method") == "textDocument/publishDiagnostics"
                    and message["params"]["uri"] == line_uri):
                return

    line_uri, train_uri = uri_of(line_path), uri_of(train_path)
    send({"jsonrpc": "2.0", "id": 1, "method": "initialize",
          "params": {"capabilities": {}}})
    read_message(server.stdout)
    send({"jsonrpc": "2.0", "method": "initialized", "params": {}})
    for uri, path in ((train_uri, train_path), (line_uri, line_path)):
        with open(path, encoding="cp1252") as f:
            text = f.read()
        send({"jsonrpc": "2.0", "method": "textDocument/didOpen",
              "params": {"textDocument": {"uri": uri, "languageId": "binario",
                                          "version": 1, "text": text}}})
    wait_for_line_diagnostics()
    time.sleep(0.5)

    times = []
    for version in range(2, changes + 2):
        # A character typed at the start of the title line, then removed.
        if version % 2 == 0:
            edit = {"range": {"start": {"line": 0, "character": 0},
                              "end": {"line": 0, "character": 0}}, "text": "x"}
        else:
            edit = {"range": {"start": {"line": 0, "character": 0},
                              "end": {"line": 0, "character": 1}}, "text": ""}
        started = time.perf_counter()
        send({"jsonrpc": "2.0", "method": "textDocument/didChange",
              "params": {"textDocument": {"uri": line_uri, "version": version},
                         "contentChanges": [edit]}})
        wait_for_line_diagnostics()
        times.append((time.perf_counter() - started) * 1000)
        time.sleep(0.3)

    send({"jsonrpc": "2.0", "id": 2, "method": "shutdown"})
    send({"jsonrpc": "2.0", "method": "exit"})
    server.wait(timeout=10)
    print("changes %d: best %.1f ms, median %.1f ms, worst %.1f ms"
          % (len(times), min(times), statistics.median(times), max(times)))


if __name__ == "__main__":
    main()
