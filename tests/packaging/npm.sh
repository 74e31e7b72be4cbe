#!/usr/bin/env bash
# The npm package as a Node user gets it: installed from the packed tarball into a fresh
# project, imported by name, it holds the module, the engine and the TypeScript declarations
# and renders songs to the same float samples as `kavoxm render --bits 32f` with the same
# settings. Usage: npm.sh TARBALL KAVOXM_TOOL WORK_DIR SONG [CORPUS_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tarball=$(realpath "$1") tool=$(realpath "$2") work=$3 song=$(realpath "$4") corpus=${5:-}
command -v node >/dev/null && command -v npm >/dev/null || { echo "node or npm is missing"; exit 77; }
rm -rf "$work" && mkdir -p "$work/app"
cd "$work/app"
echo '{"name": "kavoxm-user", "private": true, "type": "module"}' > package.json
npm install --no-audit --no-fund --offline "$tarball" >/dev/null
for file in package.json kavoxm.js kavoxm.wasm kavoxm.d.ts README.md; do
  [ -s "node_modules/kavoxm/$file" ] || { echo "the package lacks $file"; exit 1; }
done
songs=$song
[ -n "$corpus" ] && [ -d "$corpus/songs" ] && songs="$songs $(ls "$corpus"/songs/*.xm | head -3 | tr '\n' ' ')"
# The test runs inside the project, where `kavoxm` resolves to the installed package.
cp "$here/npm/render.test.mjs" .
KAVOXM_TOOL=$tool KAVOXM_SONGS=$songs node --test render.test.mjs
