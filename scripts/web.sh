#!/usr/bin/env bash
# Builds the web page into build/web/: the engine and its C API as WebAssembly (the wasm
# preset) with the npm package's module (web/package), the page's own files and the embedded
# song.
#   scripts/web.sh                 build the page
#   scripts/web.sh --serve [PORT]  build, then serve it on http://127.0.0.1:PORT/ (8000)
#   scripts/web.sh --test          build, then run the browser tests in Debian's chromium;
#                                  they compare against the native kavoxm tool ($KAVOXM_TOOL,
#                                  else build/debug's, which scripts/test.sh builds first)
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-build}
# Debian's emcc finds its JavaScript parser (acorn) only through NODE_PATH.
export NODE_PATH=/usr/share/nodejs

if ! scripts/deps.sh web; then
  if [ "$mode" = --test ] && [ -z "${CI:-}" ]; then
    echo "web: browser tests skipped: emscripten or chromium is missing (scripts/deps.sh web installs them as root)" >&2
    exit 0
  fi
  exit 1
fi

cmake --preset wasm >/dev/null
cmake --build --preset wasm --target kavoxm_web
out=build/web
rm -rf "$out"
mkdir -p "$out"
# The page runs on the npm package's module (web/package): kavoxm.js and kavoxm.wasm.
cp web/page/*.html web/page/*.css web/page/*.js web/package/kavoxm.js build/wasm/web/kavoxm.wasm \
  Ostrel/Sombrevallis.xm "$out/"
echo "web: page in $out ($(cat "$out"/* | gzip -9 | wc -c) bytes gzipped)"

case "$mode" in
  --serve)
    port=${2:-8000}
    echo "web: serving on http://127.0.0.1:$port/ (Ctrl-C stops)"
    exec python3 -m http.server "$port" --bind 127.0.0.1 --directory "$out"
    ;;
  --test)
    tool=${KAVOXM_TOOL:-build/debug/tools/kavoxm/kavoxm}
    [ -x "$tool" ] || { echo "web: no native kavoxm at $tool to compare with" >&2; exit 1; }
    (cd web && npm ci --no-audit --no-fund --ignore-scripts >/dev/null)
    KAVOXM_TOOL=$(realpath "$tool") WEB_ROOT=$(realpath "$out") node --test web/tests/
    ;;
esac
