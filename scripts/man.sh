#!/usr/bin/env bash
# Writes the man pages into DIR, each from one source: kavoxm.1 from the tool's own help
# (`kavoxm --help` and every command's `--help`, through help2man), Ostrel.1 and libkavoxm.3
# from docs/man/*.md (through pandoc). Usage: scripts/man.sh DIR KAVOXM_TOOL VERSION
set -euo pipefail
cd "$(dirname "$0")/.."
out=$1 tool=$2 version=$3
for program in help2man pandoc; do
  command -v $program >/dev/null || { echo "$program is needed: apt-get install $program" >&2; exit 1; }
done
mkdir -p "$out"
# The commands, as `kavoxm --help` lists them ("  NAME  description" under "Subcommands:").
commands=$("$tool" --help | awk '/^[A-Za-z].*:$/ { section = $0; next }
                                 section ~ /ommands:$/ && /^  [a-z]/ { print $1 }')
[ -n "$commands" ] || { echo "man: no commands in '$tool --help'" >&2; exit 1; }
include=$out/kavoxm.h2m
{
  echo "[COMMANDS]"
  for command in $commands; do
    echo ".SS \"kavoxm $command\""
    echo ".nf"
    "$tool" "$command" --help | sed -e 's/\\/\\e/g' -e 's/^\./\\\&./'
    echo ".fi"
  done
  printf '[SEE ALSO]\n.BR Ostrel (1),\n.BR libkavoxm (3),\n.BR aplay (1)\n'
} > "$include"
help2man --no-info --section 1 --include "$include" \
  --name "inspect, trace, render and play FastTracker 2 XM modules" \
  --output "$out/kavoxm.1" "$tool"
rm "$include"
# libkavoxm(3) lists the functions as the header groups them ("/* ---- Rendering ---- */").
functions=$(awk '/^\/\* ---- / { sub(/^\/\* ---- /, ""); sub(/ -+ \*\/$/, ""); group = $0 }
                 /^KAVOXM_API/ { name = $0; sub(/\(.*/, "", name); sub(/.*[ *]/, "", name)
                                 if (!(group in seen)) { seen[group] = 1; order[++n] = group }
                                 list[group] = list[group] (list[group] == "" ? "" : ", ") "**" name "**" }
                 END { for (i = 1; i <= n; i++) printf "%s: %s.\n\n", order[i], list[order[i]] }' \
            KavoXM/capi/kavoxm.h | sed 's/^: /Library and loading: /')
for page in Ostrel.1 libkavoxm.3; do
  awk -v version="$version" -v functions="$functions" \
      '{ gsub(/@VERSION@/, version) } /^@FUNCTIONS@$/ { print functions; next } { print }' \
      "docs/man/$page.md" |
    pandoc --standalone --from markdown --to man |
    sed '/^\.TH /a .nh\n.ad l' > "$out/$page" # function names are not hyphenated
done
echo "man pages: $(cd "$out" && echo *)"
