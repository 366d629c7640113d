"""Time from a change of the generated 1000000 m line (and of its service) to the diagnostics
that answer it, through `genera_scenario lsp` over pipes.

usage: lsp_latency.py PROGRAM LINE_FILE SERVICE_FILE [CHANGES]
"""
import pathlib
import statistics
import sys
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent / "tests" / "lsp"))
from protocol_client import Server  # noqa: E402

program, line_file, service_file = sys.argv[1:4]
changes = int(sys.argv[4]) if len(sys.argv) > 4 else 20
server = Server(program)
server.request("initialize", {"capabilities": {}})
server.notify("initialized")


def diagnostics_for(uri, version):
    while True:
        params = server.notification("textDocument/publishDiagnostics", timeout=60)
        if params["uri"] == uri and params.get("version") == version:
            return params["diagnostics"]


def measure(path):
    path = pathlib.Path(path).resolve()
    uri = path.as_uri()
    text = path.read_bytes().decode("cp1252")
    server.notify("textDocument/didOpen", {"textDocument": {"uri": uri, "version": 1, "text": text}})
    diagnostics_for(uri, 1)
    times = []
    # Alternately spoil and mend the keyword of an entry halfway down: one character,
    # incremental; the whole file is read each time.
    lines = text.split("\r\n")
    middle = len(lines) // 2
    while "," not in lines[middle]:
        middle += 1
    for version in range(2, changes + 2):
        letter = "X" if version % 2 == 0 else lines[middle][0]
        start = time.perf_counter()
        server.notify("textDocument/didChange", {
            "textDocument": {"uri": uri, "version": version},
            "contentChanges": [{"range": {"start": {"line": middle, "character": 0}, "end": {"line": middle, "character": 1}},
                                "text": letter}]})
        diagnostics_for(uri, version)
        times.append((time.perf_counter() - start) * 1e3)
    return times


worst = 0.0
for name, path in (("line", line_file), ("service", service_file)):
    times = measure(path)
    worst = max(worst, statistics.median(times))
    print(f"lsp: {name} {pathlib.Path(path).name} ({pathlib.Path(path).stat().st_size} bytes): change to diagnostics "
          f"median {statistics.median(times):.1f} ms, max {max(times):.1f} ms over {len(times)} changes (target 200 ms)")
server.request("shutdown")
server.notify("exit")
sys.exit(0 if worst <= 200 else 1)
