#!/usr/bin/env python3
"""The language server's memory per open document.

Starts `binario lsp` as a child process and, in a temporary folder, writes
and opens PAIRS pairs of the example descriptions (examples/Valdoria_linea.txt
and examples/Valdoria_42-.txt, each pair under a name of its own), the line
declaring LENGTH metres (`lunghezza percorso`). Once every document has its
diagnostics and two seconds have passed, it reads the server's resident
memory (VmRSS) and its peak (VmHWM) from /proc (Linux only), and prints them
with the bytes of text held and what each open document costs above a server
with no document open.

usage: bench/lsp_documents_memory.py BINARIO EXAMPLES PAIRS [LENGTH]
"""
import os
import re
import subprocess
import sys
import tempfile
import threading
import time

from lsp_client import frame, read_message, uri_of


def memory_kb(pid):
    found = {}
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            name, _, value = line.partition(":")
            if name in ("VmRSS", "VmHWM"):
                found[name] = int(value.split()[0])
    return found


def main():
    binario, examples, pairs = sys.argv[1], sys.argv[2], int(sys.argv[3])
    length = int(sys.argv[4]) if len(sys.argv) > 4 else None
    with open(os.path.join(examples, "Valdoria_linea.txt"), encoding="latin-1") as f:
        line_text = f.read()
    with open(os.path.join(examples, "Valdoria_42-.txt"), encoding="latin-1") as f:
        train_text = f.read()
    if length is not None:
        line_text = re.sub(r"(lunghezza percorso,\s*)\d+", r"\g<1>%d" % length, line_text)
    server = subprocess.Popen([binario, "lsp"], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    send = lambda m: (server.stdin.write(frame(m)), server.stdin.flush())
    send({"jsonrpc": "2.0", "id": 1, "method": "initialize", "params": {}})
    while read_message(server.stdout).get("id") != 1:
        pass
    empty = memory_kb(server.pid)
    with tempfile.TemporaryDirectory() as folder:
        waiting = set()
        text_bytes = 0
        for i in range(pairs):
            for name, text in (("Valle%d_linea.txt" % i, line_text), ("Valle%d_42-.txt" % i, train_text)):
                path = os.path.join(folder, name)
                with open(path, "w", encoding="latin-1") as f:
                    f.write(text)
                uri = uri_of(path)
                waiting.add(uri)
                text_bytes += len(text.encode())
                send({"jsonrpc": "2.0", "method": "textDocument/didOpen",
                      "params": {"textDocument": {"uri": uri, "languageId": "binario",
                                                  "version": 1, "text": text}}})
        # A document may be published more than once (its partner opened
        # after it): every one once at least, then two seconds for the rest to
        # settle and for the server to give its freed memory back, with its
        # output read all along.
        published = threading.Event()
        answered = threading.Event()

        def read_all():
            while True:
                message = read_message(server.stdout)
                if message.get("method") == "textDocument/publishDiagnostics":
                    waiting.discard(message["params"]["uri"])
                    if not waiting:
                        published.set()
                if message.get("id") == 2:
                    answered.set()
                    return

        reader = threading.Thread(target=read_all, daemon=True)
        reader.start()
        published.wait()
        time.sleep(2)
        settled = memory_kb(server.pid)
        send({"jsonrpc": "2.0", "id": 2, "method": "shutdown"})
        answered.wait()
        send({"jsonrpc": "2.0", "method": "exit"})
        server.wait()
    documents = 2 * pairs
    per = (settled["VmRSS"] - empty["VmRSS"]) * 1024 / documents
    print("%d documents (%d pairs, line length %s), %d bytes of text" %
          (documents, pairs, length if length is not None else "as in the example", text_bytes))
    print("server with no document: VmRSS %d kB" % empty["VmRSS"])
    print("all open and checked: VmRSS %d kB, VmHWM %d kB" % (settled["VmRSS"], settled["VmHWM"]))
    print("per document above the empty server: %.0f bytes (%.1f per byte of text)" %
          (per, per * documents / text_bytes))


if __name__ == "__main__":
    main()
