#!/usr/bin/env python3
"""Runs two commands in pairs, alternating which goes first, and prints for each its median
wall time (process start to exit) and its peak resident memory, then the median of the pairs'
time ratios. The peak comes from one more run under /usr/bin/time: a child's own high-water
mark also counts the memory of the process it was started from until it execs, and this
script's Python would show there instead of the command.
usage: paired_runs.py RUNS NAME_A NAME_B -- COMMAND_A... -- COMMAND_B..."""
import os
import statistics
import subprocess
import sys
import time


def run(argv):
    start = time.perf_counter()
    pid = os.posix_spawnp(argv[0], argv, os.environ)
    _, status = os.waitpid(pid, 0)
    elapsed = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"{' '.join(argv)}: exit status {os.waitstatus_to_exitcode(status)}")
    return elapsed


def peak_kib(argv):
    """The command's peak resident memory in KiB, from a run under /usr/bin/time."""
    done = subprocess.run(["/usr/bin/time", "-f", "%M", *argv], stdout=subprocess.DEVNULL,
                          stderr=subprocess.PIPE, text=True, check=True)
    return int(done.stderr.strip().splitlines()[-1])


def main():
    args = sys.argv[1:]
    runs, names = int(args[0]), args[1:3]
    split = [i for i, a in enumerate(args) if a == "--"]
    commands = [args[split[0] + 1:split[1]], args[split[1] + 1:]]
    for command in commands:  # warm the page cache and the output folders
        run(command)
    times = [[], []]
    for i in range(runs):
        order = (0, 1) if i % 2 == 0 else (1, 0)
        for k in order:
            times[k].append(run(commands[k]))
    peaks = [peak_kib(command) for command in commands]
    for k in (0, 1):
        print(f"{names[k]}: median {statistics.median(times[k]) * 1e3:.2f} ms over {runs} runs, "
              f"peak resident memory {peaks[k]} KiB")
    ratios = [a / b for a, b in zip(times[0], times[1])]
    print(f"{names[0]} / {names[1]}: median of the paired ratios {statistics.median(ratios):.2f}")


if __name__ == "__main__":
    main()
