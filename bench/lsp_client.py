"""The protocol's framing, for the benchmarks that drive `binario lsp` as an
editor does (lsp_latency.py, lsp_shutdown.py)."""
import json
import os


def frame(message):
    body = json.dumps(message, ensure_ascii=False).encode()
    return b"Content-Length: %d\r\n\r\n%s" % (len(body), body)


def read_message(stream):
    length = None
    while True:
        line = stream.readline()
        if not line:
            raise EOFError("the server closed its output")
        line = line.strip()
        if not line:
            break
        name, _, value = line.partition(b":")
        if name.lower() == b"content-length":
            length = int(value)
    return json.loads(stream.read(length))


def uri_of(path):
    return "file://" + os.path.abspath(path)
