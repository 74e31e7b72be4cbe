#!/usr/bin/env bash
# Builds the release configuration (Ostrel, the kavoxm tool and the engine library, everything
# the README points at and `cmake --install build/release` installs) and plays the embedded
# song through the sound card.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build
cmake --preset release -DKAVOXM_BUILD_TESTS=OFF >/dev/null
cmake --build --preset release
exec build/release/Ostrel/Ostrel
