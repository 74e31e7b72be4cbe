#!/usr/bin/env bash
# Runs the Python module's tests with Debian's python3 (NumPy and pytest from its packages).
# Usage: python.sh TESTS_DIR (KAVOXM_LIBRARY and PYTHONPATH set by the caller)
set -euo pipefail
python=/usr/bin/python3
if ! "$python" -c 'import numpy, pytest' 2>/dev/null; then
  echo "python3-numpy and python3-pytest are needed (scripts/deps.sh test): skipped"
  exit 77
fi
exec "$python" -m pytest -q -p no:cacheprovider "$1"
