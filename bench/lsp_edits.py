#!/usr/bin/env python3
"""Formatting and its edits sent back, as an editor does after formatting.

Starts `binario lsp` as a child process and opens a line description and its
train description. Then, ROUNDS times:
  - gives the line a text no round had before (its first line, before the
    general section, names the round: no compile can be taken from an
    earlier round) in one whole-text change, and waits for its diagnostics;
  - asks for the formatting of the line and times the answer;
  - sends the edits back in one didChange (the last first, as an editor
    applies them, so that every range holds), a hover on the train right
    behind it, and times the hover's answer from its writing and the line's
    publishDiagnostics from the change's;
  - does the same, with another new text, with a hover on the line itself
    behind its edits.
With GRADIENTS, it also writes a large line description to a temporary
folder — the example line (examples/Valdoria_linea.txt) with GRADIENTS more
gradient records, none laid out (200,000 make 4.8 MB) — opens it, reads the
server's resident memory (VmRSS), asks for its formatting ROUNDS times,
timing each, and reads the memory again a second after the last.

usage: bench/lsp_edits.py BINARIO LINE TRAIN [ROUNDS [GRADIENTS]]
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

from lsp_client import frame, read_message, uri_of


def rss_kb(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def cpu_ms(pid):
    """The processor time the process has used, user and system."""
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) * 1000.0 / os.sysconf("SC_CLK_TCK")


def main():
    if len(sys.argv) not in (4, 5, 6):
        sys.exit(__doc__)
    binario, line_path, train_path = sys.argv[1:4]
    rounds = int(sys.argv[4]) if len(sys.argv) >= 5 else 5
    big_path = None
    if len(sys.argv) == 6:
        example = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "examples",
                               "Valdoria_linea.txt")
        with open(example, "rb") as f:
            text = f.read()
        at = text.index(b"[pendenze]\r\n") + len(b"[pendenze]\r\n")
        big_path = os.path.join(tempfile.mkdtemp(), "Grande_linea.txt")
        with open(big_path, "wb") as f:
            f.write(text[:at] + b"pendenza  , 400    , 2\r\n" * int(sys.argv[5]) + text[at:])
    server = subprocess.Popen([binario, "lsp"], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    next_id = [10]

    def send(message):
        server.stdin.write(frame(message))
        server.stdin.flush()

    def request(method, params):
        next_id[0] += 1
        send({"jsonrpc": "2.0", "id": next_id[0], "method": method, "params": params})
        return next_id[0]

    # Every message read, by what it answers or publishes, with its time.
    seen = []

    def wait_for(test):
        for at, message in seen:
            if test(message):
                seen.remove((at, message))
                return at, message
        while True:
            message = read_message(server.stdout)
            at = time.perf_counter()
            if test(message):
                return at, message
            seen.append((at, message))

    def answer_to(id_):
        return lambda m: m.get("id") == id_ and "method" not in m

    def diagnostics_of(uri):
        return lambda m: (m.get("method") == "textDocument/publishDiagnostics"
                          and m["params"]["uri"] == uri)

    def read_text(path):
        with open(path, encoding="cp1252", newline="") as f:
            return f.read()

    line_uri, train_uri = uri_of(line_path), uri_of(train_path)
    send({"jsonrpc": "2.0", "id": 1, "method": "initialize", "params": {"capabilities": {}}})
    wait_for(answer_to(1))
    send({"jsonrpc": "2.0", "method": "initialized", "params": {}})
    line_text = read_text(line_path)
    for uri, text in ((train_uri, read_text(train_path)), (line_uri, line_text)):
        send({"jsonrpc": "2.0", "method": "textDocument/didOpen",
              "params": {"textDocument": {"uri": uri, "languageId": "binario",
                                          "version": 1, "text": text}}})
    wait_for(diagnostics_of(line_uri))
    version = 1
    formatting, published, hovered, hovered_own, written, edit_counts, cpu = ([], [], [], [], [],
                                                                             [], [])

    def set_text(text):
        """Replaces the line's text in one change and waits for its diagnostics."""
        nonlocal version
        version += 1
        send({"jsonrpc": "2.0", "method": "textDocument/didChange",
              "params": {"textDocument": {"uri": line_uri, "version": version},
                         "contentChanges": [{"text": text}]}})
        wait_for(diagnostics_of(line_uri))

    def edits_sent_back(variant, hover_uri, hover_line):
        """Gives the line a text of its own (the line before its general
        section, which no record reads, names `variant`: no compile of an
        earlier round can be reused), asks for its formatting, sends the
        edits back with a hover on `hover_uri` right behind, and returns the
        formatting's time, the number of edits, the hover's time from its
        writing, the edits' writing, the time to the line's diagnostics and
        the server's processor time to them."""
        nonlocal version
        first_end = line_text.index("\r\n")
        set_text(line_text[:first_end] + " (" + variant + ")" + line_text[first_end:])
        time.sleep(0.5)
        seen.clear()
        started = time.perf_counter()
        at, answer = wait_for(answer_to(request("textDocument/formatting",
                                                {"textDocument": {"uri": line_uri},
                                                 "options": {"tabSize": 4,
                                                             "insertSpaces": True}})))
        formatting_ms = (at - started) * 1000
        edits = answer["result"]
        changes = [{"range": e["range"], "text": e["newText"]} for e in reversed(edits)]
        version += 1
        # Framed before the clock starts: the client's own encoding is not
        # the server's time.
        change = frame({"jsonrpc": "2.0", "method": "textDocument/didChange",
                        "params": {"textDocument": {"uri": line_uri, "version": version},
                                   "contentChanges": changes}})
        next_id[0] += 1
        hover = next_id[0]
        hover_message = frame({"jsonrpc": "2.0", "id": hover, "method": "textDocument/hover",
                               "params": {"textDocument": {"uri": hover_uri},
                                          "position": {"line": hover_line, "character": 2}}})
        used = cpu_ms(server.pid)
        started = time.perf_counter()
        server.stdin.write(change)
        server.stdin.flush()
        # The pipe holds 64 kB: the server has read all but the last of the
        # change when the write returns, and the hover comes right behind.
        hover_sent = time.perf_counter()
        server.stdin.write(hover_message)
        server.stdin.flush()
        at, _ = wait_for(answer_to(hover))
        hover_ms = (at - hover_sent) * 1000
        at, _ = wait_for(diagnostics_of(line_uri))
        return (formatting_ms, len(edits), hover_ms, (hover_sent - started) * 1000,
                (at - started) * 1000, cpu_ms(server.pid) - used)

    for round_ in range(rounds):
        time.sleep(0.5)
        formatting_ms, count, hover_ms, written_ms, published_ms, cpu_used = edits_sent_back(
            "round %d" % round_, train_uri, 0)
        formatting.append(formatting_ms)
        edit_counts.append(count)
        hovered.append(hover_ms)
        written.append(written_ms)
        published.append(published_ms)
        cpu.append(cpu_used)
        time.sleep(0.5)
        # A hover on a record of the changed line itself: it is answered on
        # the changed text, so it waits for the change and a compile.
        hovered_own.append(edits_sent_back("round %d, line" % round_, line_uri, 30)[2])
    set_text(line_text)

    def show(name, times):
        print("%s: best %.1f ms, median %.1f ms, worst %.1f ms"
              % (name, min(times), statistics.median(times), max(times)))

    print("edits per formatting: %s" % sorted(set(edit_counts)))
    show("formatting of the line", formatting)
    show("its edits sent back -> line diagnostics", published)
    show("hover on the train sent behind the edits -> answer", hovered)
    show("hover on the line sent behind its edits -> answer", hovered_own)
    show("the edits written (the server reading them)", written)
    show("server's processor time, edits sent back to diagnostics", cpu)

    if big_path:
        big_uri = uri_of(big_path)
        send({"jsonrpc": "2.0", "method": "textDocument/didOpen",
              "params": {"textDocument": {"uri": big_uri, "languageId": "binario",
                                          "version": 1, "text": read_text(big_path)}}})
        wait_for(diagnostics_of(big_uri))
        time.sleep(1)
        before = rss_kb(server.pid)
        times, cpu = [], []
        for _ in range(rounds):
            used = cpu_ms(server.pid)
            started = time.perf_counter()
            at, answer = wait_for(answer_to(request("textDocument/formatting",
                                                    {"textDocument": {"uri": big_uri},
                                                     "options": {"tabSize": 4,
                                                                 "insertSpaces": True}})))
            times.append((at - started) * 1000)
            cpu.append(cpu_ms(server.pid) - used)
        edits = len(answer["result"])
        time.sleep(1)
        after = rss_kb(server.pid)
        show("formatting of %d bytes (%d edits)" % (os.path.getsize(big_path), edits), times)
        show("server's processor time, formatting", cpu)
        print("resident memory before %d kB, after %d kB (%+.0f %%)"
              % (before, after, 100.0 * (after - before) / before))

    request("shutdown", None)
    send({"jsonrpc": "2.0", "method": "exit"})
    server.wait(timeout=30)


if __name__ == "__main__":
    main()
