#!/usr/bin/env bash
# The wheel as a pip user gets it: installed offline into a fresh virtual environment (with
# Debian's numpy), imported outside the checkout, it renders the same bytes as the tool.
# Usage: check-wheel.sh WHEEL SONG KAVOXM_TOOL WORK_DIR
set -euo pipefail
wheel=$(realpath "$1") song=$(realpath "$2") tool=$(realpath "$3") work=$4
rm -rf "$work" && mkdir -p "$work" && cd "$work"
/usr/bin/python3 -m venv --system-site-packages venv
venv/bin/python -m pip install --quiet --no-index --no-deps "$wheel"
"$tool" render "$song" -o - > expected.raw
venv/bin/python - "$song" wheel.raw <<'PY'
import sys, kavoxm
with open(sys.argv[2], "wb") as out:
    out.write(kavoxm.Module(sys.argv[1]).render(dtype="int16").tobytes())
PY
cmp -s expected.raw wheel.raw || { echo "the installed wheel renders otherwise than the tool"; exit 1; }
echo "wheel: installed in a fresh venv, the same $(stat -c %s wheel.raw) bytes as kavoxm render"
