#!/usr/bin/env bash
# Builds the release configuration and plays the embedded song through the sound card.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build
cmake --preset release -DKAVOXM_BUILD_TESTS=OFF >/dev/null
cmake --build --preset release --target Ostrel
exec build/release/Ostrel/Ostrel
