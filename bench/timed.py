#!/usr/bin/env python3
"""Runs a command with its output discarded and prints its wall time and its CPU time (user +
system of the command and its children) in seconds: "WALL CPU". Exits non-zero when the command
fails."""
import resource
import subprocess
import sys
import time

before = resource.getrusage(resource.RUSAGE_CHILDREN)
start = time.perf_counter()
code = subprocess.call(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
wall = time.perf_counter() - start
after = resource.getrusage(resource.RUSAGE_CHILDREN)
cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
if code != 0:
    sys.exit(f"failed ({code}): {' '.join(sys.argv[1:])}")
print(f"{wall:.4f} {cpu:.4f}")
