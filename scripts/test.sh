#!/usr/bin/env bash
# Builds the debug configuration and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
cmake --preset debug >/dev/null
cmake --build --preset debug
ctest --preset debug
# The web page in Chromium, compared with the native tool built above (scripts/web.sh).
scripts/web.sh --test
