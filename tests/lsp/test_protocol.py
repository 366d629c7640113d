"""Drives `genera_scenario lsp` over pipes through a table of messages and expected answers.

usage: test_protocol.py PROGRAM EXAMPLES_FOLDER
"""
import json
import os
import pathlib
import sys

sys.path.insert(0, os.path.dirname(__file__))
from protocol_client import Server  # noqa: E402

PROGRAM = sys.argv[1]
EXAMPLES = pathlib.Path(sys.argv[2])
LINE_URI = (EXAMPLES / "Sorvanta_linea.txt").resolve().as_uri()
SERVICE_URI = (EXAMPLES / "Sorvanta_E48027-.txt").resolve().as_uri()
LINE_TEXT = (EXAMPLES / "Sorvanta_linea.txt").read_bytes().decode("cp1252")
# The service with a mistyped signal keyword on line 34 (0-based).
SERVICE_TEXT = (EXAMPLES / "Sorvanta_E48027-.txt").read_bytes().decode("cp1252").replace("segnale,    2750",
                                                                                       "segnalle,    2750")
SERVICE_LINES = SERVICE_TEXT.split("\r\n")
STATION = SERVICE_LINES.index(next(l for l in SERVICE_LINES if l.startswith("stazione,    4000")))
SPEED = SERVICE_LINES.index(next(l for l in SERVICE_LINES if l.startswith("velocita,    2200")))
TYPO = SERVICE_LINES.index(next(l for l in SERVICE_LINES if l.startswith("segnalle")))
SERVICE = {"textDocument": {"uri": SERVICE_URI}}
UNKNOWN = {"textDocument": {"uri": "file:///nowhere/Altra_linea.txt"}}
failures = []


def subset(expected, actual):
    """Whether everything in `expected` is in `actual` (dicts compared key by key); a function
    in `expected` is a test of the value there."""
    if callable(expected):
        try:
            return bool(expected(actual))
        except (KeyError, IndexError, TypeError):
            return False
    if isinstance(expected, dict):
        return isinstance(actual, dict) and all(k in actual and subset(v, actual[k]) for k, v in expected.items())
    return expected == actual


def frame(body):
    return b"Content-Length: %d\r\n\r\n" % len(body) + body


def err(code):
    return {"error": {"code": code}}


def opened(uri, text, version=1):
    return {"textDocument": {"uri": uri, "languageId": "genera-linea", "version": version, "text": text}}


def at(line, character):
    return {**SERVICE, "position": {"line": line, "character": character}}


def on_lines(first, last):
    return {**SERVICE, "range": {"start": {"line": first, "character": 0}, "end": {"line": last, "character": 0}}}


def published(uri, test):
    return {"method": "textDocument/publishDiagnostics", "params": {"uri": uri, "diagnostics": test}}


def labels(items):
    return [i["label"] for i in items]


# Each row: kind, what to send, what must come back (a subset), or None for nothing expected.
# "request" rows compare the response; "notify" rows the first notification that follows;
# "raw" rows send bytes and compare the next message.
SESSION = [
    ("request", ("textDocument/hover", UNKNOWN), err(-32002)),
    ("request", ("initialize", {"processId": None, "rootUri": None, "capabilities": {}}),
     {"result": {"capabilities": {"textDocumentSync": {"openClose": True, "change": 2}}}}),
    ("request", ("initialize", {"capabilities": {}}), err(-32600)),
    ("notify", ("initialized", {}), None),
    ("raw", frame(b"{not json"), {"id": None, **err(-32700)}),
    ("raw", b"Content-Type: application/json\r\n\r\n", {"id": None, **err(-32700)}),
    ("raw", b"Content-Length: twelve\r\n\r\n", {"id": None, **err(-32700)}),
    ("raw", frame(b'{"jsonrpc":"2.0","id":77}'), {"id": 77, **err(-32600)}),
    ("raw", frame(b'[1,2]'), {"id": None, **err(-32600)}),
    ("raw", frame(b'{"jsonrpc":"2.0","id":{"a":1},"method":"shutdown"}'), {"id": None, **err(-32600)}),
    ("request", ("workspace/noSuchThing", {}), err(-32601)),
    ("notify", ("$/noSuchNotification", {}), None),
    ("notify", ("textDocument/didOpen", opened(LINE_URI, LINE_TEXT)),
     {"method": "textDocument/publishDiagnostics", "params": {"uri": LINE_URI, "version": 1}}),
    ("notify", ("textDocument/didChange", {"textDocument": {"uri": LINE_URI, "version": 2}, "contentChanges": [
        {"range": {"start": {"line": 1, "character": 0}, "end": {"line": 1, "character": 9}}, "text": "lunghezz"}]}),
     {"method": "textDocument/publishDiagnostics", "params": {"uri": LINE_URI, "version": 2}}),
    ("notify", ("textDocument/didChange", {"textDocument": {"uri": LINE_URI, "version": 3},
                                            "contentChanges": [{"text": LINE_TEXT}]}),
     {"method": "textDocument/publishDiagnostics", "params": {"uri": LINE_URI, "version": 3}}),
    ("request", ("textDocument/documentSymbol", {"textDocument": {"uri": LINE_URI}}),
     {"result": lambda r: [x["name"] for x in r][:2] == ["[generale]", "[curve]"]
      and r[1]["children"][0]["name"] == "curvas6 350 m" and r[5]["children"][0]["name"] == "(PONTE SUL     )(FIUME VALSIN 1)"}),
    ("notify", ("textDocument/didOpen", {"textDocument": {"uri": SERVICE_URI}}), None),  # no text: dropped
    # The service is read with the line's open buffer.
    ("notify", ("textDocument/didOpen", opened(SERVICE_URI, SERVICE_TEXT)),
     published(SERVICE_URI, lambda d: len(d) == 1 and d[0]["range"]["start"] == {"line": TYPO, "character": 0}
               and 'did you mean "segnale"' in d[0]["message"] and d[0]["severity"] == 1)),
    ("request", ("textDocument/hover", at(STATION, SERVICE_LINES[STATION].index("200"))),
     {"result": {"contents": {"value": lambda v: v.startswith("**length**") and "200 m" in v}}}),
    ("request", ("textDocument/hover", at(SPEED, SERVICE_LINES[SPEED].index("85"))),
     {"result": {"contents": {"value": lambda v: "85 km/h, stored as 17" in v}}}),
    ("request", ("textDocument/hover", at(SERVICE_LINES.index("[stazioni]"), 3)), {"result": None}),
    ("request", ("textDocument/inlayHint", on_lines(STATION, STATION + 1)),
     {"result": lambda r: labels(r)[:3] == ["position:", "type:", "length:"] and len(r) == 16}),
    ("request", ("textDocument/completion", at(TYPO, 3)),
     {"result": lambda r: {"stazione", "segnale", "[stazioni]"} <= set(labels(r)) and "curva" not in labels(r)
      and any(i["textEdit"]["newText"].endswith("${17:name}") for i in r)}),
    ("request", ("textDocument/completion", at(TYPO, 12)), {"result": []}),
    ("request", ("textDocument/documentSymbol", SERVICE),
     {"result": lambda r: "[stazioni]" in labels([{"label": x["name"]} for x in r])
      and "STAZIONE 2" in [c["name"] for x in r for c in x["children"]]
      and "segnale 1450 m" in [c["name"] for x in r for c in x["children"]]}),
    ("request", ("textDocument/formatting", {**SERVICE, "options": {"tabSize": 4, "insertSpaces": True}}),
     {"result": lambda r: [e["range"]["start"]["line"] for e in r] == [8, 9]}),
    ("request", ("textDocument/codeAction", {**on_lines(TYPO, TYPO), "context": {"diagnostics": []}}),
     {"result": lambda r: r[0]["title"] == 'Change to "segnale"' and r[0]["kind"] == "quickfix"
      and r[0]["edit"]["changes"][SERVICE_URI][0]["newText"] == "segnale"}),
    ("request", ("textDocument/hover", {**UNKNOWN, "position": {"line": 0, "character": 0}}), err(-32602)),
    ("request", ("textDocument/formatting", UNKNOWN), err(-32602)),
    ("request", ("textDocument/hover", {"textDocument": {}}), err(-32602)),
    # A shorter line in the open buffer puts the service's far stations beyond the route.
    ("notify2", ("textDocument/didChange", {"textDocument": {"uri": LINE_URI, "version": 4}, "contentChanges": [
        {"text": LINE_TEXT.replace("lunghezza percorso,    39000", "lunghezza percorso,    20000")}]}),
     [published(LINE_URI, lambda d: d[0]["code"] == 15),
      published(SERVICE_URI, lambda d: any(x.get("code") == 15 and x["relatedInformation"][0]["location"]["uri"]
                                            == LINE_URI for x in d))]),
    # Closed, the line is read from its file again, and the service's stations are back on the route.
    ("notify2", ("textDocument/didClose", {"textDocument": {"uri": LINE_URI}}),
     [published(LINE_URI, []), published(SERVICE_URI, lambda d: len(d) == 1 and "code" not in d[0])]),
    ("request", ("shutdown", None), {"result": None}),
    ("request", ("textDocument/hover", UNKNOWN), err(-32600)),
]


def check(row, answer):
    kind, sent, expected = row
    if expected is not None and not subset(expected, answer):
        failures.append(f"{kind} {sent if kind != 'raw' else sent[:40]!r}: expected {expected}, got {answer}")


def run_session():
    server = Server(PROGRAM)
    for row in SESSION:
        kind, sent, expected = row
        if kind == "request":
            check(row, server.request(*sent))
        elif kind == "raw":
            server.send_raw(sent)
            check(row, server.receive())
        elif kind == "notify2":
            server.notify(*sent)
            answers = [server.receive(), server.receive()]
            if not all(subset(e, a) for e, a in zip(expected, answers)):
                failures.append(f"{kind} {sent[0]}: expected {expected}, got {answers}")
        else:
            server.notify(*sent)
            if expected is not None:
                check(row, server.receive())
    # Nothing may be left unanswered or sent unasked.
    server.notify("exit")
    status = server.process.wait(10)
    if status != 0:
        failures.append(f"exit after shutdown: status {status}, expected 0")
    leftover = []
    while not server.incoming.empty():
        message = server.incoming.get()
        if message is not None:
            leftover.append(message)
    if leftover:
        failures.append(f"messages nobody asked for: {leftover}")


# How a session ends, and the status the server must end with.
ENDINGS = [
    ("exit without shutdown", [("notify", "exit")], 1),
    ("input ends between messages", [], 1),
    ("input ends inside a message", [("raw", b'Content-Length: 100\r\n\r\n{"jsonrpc":')], 1),
    ("input ends inside the header", [("raw", b"Content-Len")], 1),
]


def run_endings():
    for name, steps, expected in ENDINGS:
        server = Server(PROGRAM)
        server.request("initialize", {"capabilities": {}})
        for kind, what in steps:
            if kind == "notify":
                server.notify(what)
            else:
                server.send_raw(what)
        status = server.finish()
        if status != expected:
            failures.append(f"{name}: status {status}, expected {expected}")


MIB = 1 << 20
MEMORY_LIMIT_MIB = 256


def repeated(byte, count, piece=MIB):
    """`count` copies of `byte`, in pieces of at most `piece` bytes."""
    block = byte * piece
    while count > 0:
        yield block[:min(count, piece)]
        count -= piece


def run_limits():
    """Messages too large to hold are refused without the memory they ask for; the server goes on
    after each. The bytes are streamed through the pipe, never held whole here."""
    server = Server(PROGRAM)
    server.request("initialize", {"capabilities": {}})

    def expect_refusal(name, pieces, words):
        server.send_stream(pieces)
        answer = server.receive(timeout=120)
        if not subset({"id": None, **err(-32700)}, answer) or words not in answer["error"]["message"]:
            failures.append(f"{name}: expected a parse error saying {words!r}, got {answer}")

    # A 300 MB header line, with a length and a body after it that go with it.
    expect_refusal("300 MB header line",
                   [b"X-Padding: ", *repeated(b"x", 300 * 1000 * 1000), b"\r\nContent-Length: 2\r\n\r\n{}"],
                   "header line is longer than 4096 bytes")
    # 16 MiB of "[": refused at the nesting limit, before anything is built.
    expect_refusal("16 MiB of [", [b"Content-Length: %d\r\n\r\n" % (16 * MIB), *repeated(b"[", 16 * MIB)],
                   "nested more than 128 deep")
    # A 100 MiB body: skipped unread.
    expect_refusal("100 MiB body", [b"Content-Length: %d\r\n\r\n" % (100 * MIB), *repeated(b" ", 100 * MIB)],
                   "refused unread")
    # A 17 MiB description: opened, not analysed, and one diagnostic says why.
    uri = (EXAMPLES / "Grande_linea.txt").resolve().as_uri()
    head = json.dumps({"jsonrpc": "2.0", "method": "textDocument/didOpen", "params": {"textDocument": {
        "uri": uri, "languageId": "genera-linea", "version": 1, "text": "@"}}}).encode().split(b"@")
    size = 17 * MIB
    body_size = len(head[0]) + size + len(head[1])
    server.send_stream([b"Content-Length: %d\r\n\r\n" % body_size, head[0], *repeated(b"a", size), head[1]])
    params = server.notification("textDocument/publishDiagnostics", timeout=120)
    diagnostics = params.get("diagnostics", [])
    if params.get("uri") != uri or len(diagnostics) != 1 or \
            f"holds {size} characters, more than the limit of 16777216" not in diagnostics[0]["message"]:
        failures.append(f"17 MiB document: expected one diagnostic about its length, got {params}")
    # And the server still answers.
    answer = server.request("textDocument/hover", {"textDocument": {"uri": uri}, "position": {"line": 0, "character": 0}})
    if "result" not in answer:
        failures.append(f"after the refusals: expected a hover answer, got {answer}")
    server.request("shutdown")
    server.notify("exit")
    status, usage = server.finish_with_usage()
    if status != 0:
        failures.append(f"limits: exit status {status}, expected 0")
    held = usage.ru_maxrss / 1024
    if held >= MEMORY_LIMIT_MIB:
        failures.append(f"limits: the server held {held:.0f} MiB, more than {MEMORY_LIMIT_MIB} MiB")
    print(f"limits: the server held at most {held:.0f} MiB")


run_session()
run_endings()
run_limits()
for f in failures:
    print("FAIL", f)
print(f"protocol tests: {len(SESSION)} exchanges, {len(ENDINGS)} endings, {len(failures)} failures")
sys.exit(1 if failures else 0)
