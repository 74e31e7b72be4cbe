#!/usr/bin/env bash
# Installs the Python package as a user does -- pip, offline, into a fresh virtual environment
# that sees Debian's NumPy and pytest -- and runs its tests against that installed copy.
# Usage: python.sh SOURCE_DIR WORK_DIR LIBRARY
#   LIBRARY: the built libkavoxm the wheel carries (KAVOXM_LIBRARY for setup.py).
#   KAVOXM_TOOL, KAVOXM_SONG and KAVOXM_CORPUS_DIR are passed on to the tests.
set -euo pipefail
source_dir=$1 work=$2 library=$3
python=/usr/bin/python3
if ! "$python" -c 'import setuptools, wheel, pip, venv, numpy, pytest' 2>/dev/null; then
  echo "python3-numpy, -pytest, -pip, -setuptools, -wheel and -venv are needed" \
       "(scripts/deps.sh test): skipped"
  exit 77
fi
rm -rf "$work" && mkdir -p "$work/run"
# The package from a copy of its folder, so that the build leaves nothing in the checkout.
mkdir "$work/src"
cp -r "$source_dir/python/pyproject.toml" "$source_dir/python/setup.py" \
      "$source_dir/python/README.md" "$source_dir/python/kavoxm" "$work/src/"
"$python" -m venv --system-site-packages "$work/venv"
KAVOXM_LIBRARY=$library KAVOXM_SOURCE_DIR=$source_dir PIP_DISABLE_PIP_VERSION_CHECK=1 \
  "$work/venv/bin/python" -m pip install --quiet --no-build-isolation --no-index \
  --no-cache-dir "$work/src"
rm -rf "$work/src"
# From an empty folder, without the build's library path: only the installed copy is found.
cd "$work/run"
unset KAVOXM_LIBRARY PYTHONPATH
export KAVOXM_EXPECT_INSTALLED=1 KAVOXM_HEADER=$source_dir/KavoXM/capi/kavoxm.h
export PYTHONDONTWRITEBYTECODE=1
exec "$work/venv/bin/python" -m pytest -q -p no:cacheprovider "$source_dir/python/tests"
