"""Runs headless Neovim with tests/lsp/test_neovim.lua against the server.

usage: test_neovim.py PROGRAM EXAMPLES_FOLDER
"""
import os
import pathlib
import subprocess
import sys
import tempfile

program, examples = sys.argv[1], pathlib.Path(sys.argv[2])
MESSY_LINE = "\r\n".join([
    "[generale]",
    "lunghezza percorso,9000",
    "  ripetizione segnali 4 codici,0,\t0",
    "[curve]",
    "curvas6,350,     100",
    "[pendenze]",
    "  pendenza,0,0",
    "pendenza,400, -2",
    "[cartelli]",
    "indicatori_vmax, 700,95,100,105,0,,,,0",
    " [indicazioni]",
    "cartello_indicatore,450,(PONTE SUL     )(FIUME VALSIN 1)",
    "[fine]",
    "",
])

with tempfile.TemporaryDirectory() as folder:
    work = pathlib.Path(folder)
    service = (examples / "Sorvanta_E48027-.txt").read_bytes().replace(b"segnale,    2750", b"segnalle,    2750")
    (work / "Prova_E1-.txt").write_bytes(service)
    (work / "Prova_linea.txt").write_bytes((examples / "Sorvanta_linea.txt").read_bytes())
    (work / "Disordinata_linea.txt").write_bytes(MESSY_LINE.encode("cp1252"))
    # A terminus the train cannot reach in time: 10:40 where it arrives at 10:51:15 at the earliest.
    late = (examples / "Sorvanta_E48027-.txt").read_bytes().replace(b"10,58, 0,", b"10,40, 0,")
    (work / "Tardi_E2-.txt").write_bytes(late)
    (work / "Tardi_linea.txt").write_bytes((examples / "Sorvanta_linea.txt").read_bytes())
    env = dict(os.environ, GS_PROGRAM=str(pathlib.Path(program).resolve()), GS_FOLDER=folder,
               XDG_CACHE_HOME=folder, XDG_STATE_HOME=folder, XDG_DATA_HOME=folder, XDG_CONFIG_HOME=folder)
    script = pathlib.Path(__file__).resolve().parent / "test_neovim.lua"
    run = subprocess.run(["nvim", "--headless", "--clean", "-u", "NONE", "-c", f"luafile {script}"],
                         env=env, cwd=folder, stdin=subprocess.DEVNULL, capture_output=True, timeout=120)
    sys.stderr.write(run.stderr.decode(errors="replace"))
    sys.stdout.write(run.stdout.decode(errors="replace"))
    sys.exit(run.returncode)
