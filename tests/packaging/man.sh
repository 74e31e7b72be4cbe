#!/usr/bin/env bash
# The man pages as `man` shows them: kavoxm(1) has every command and every option of the tool's
# help, libkavoxm(3) every function of the C header, and groff formats all three without a
# warning. Usage: man.sh SOURCE_DIR KAVOXM_TOOL WORK_DIR
set -euo pipefail
source_dir=$1 tool=$2 work=$3
command -v help2man >/dev/null && command -v pandoc >/dev/null ||
  { echo "help2man or pandoc is missing"; exit 77; }
rm -rf "$work"
"$source_dir/scripts/man.sh" "$work" "$tool" 0.0.0 >/dev/null
shown() { groff -man -Tascii -P -cbou -rLL=200n "$work/$1" 2>/dev/null; }
failed=0
kavoxm=$(shown kavoxm.1)
commands=$("$tool" --help | awk '/^[A-Za-z].*:$/ { s = $0; next } s ~ /ommands:$/ && /^  [a-z]/ { print $1 }')
for command in $commands; do
  grep -q "^   kavoxm $command\$" <<<"$kavoxm" || { echo "kavoxm.1: no section for $command"; failed=1; }
  for option in $("$tool" "$command" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u); do
    grep -q -- "$option" <<<"$kavoxm" || { echo "kavoxm.1: $command $option missing"; failed=1; }
  done
done
library=$(shown libkavoxm.3)
for function in $(grep -o '^KAVOXM_API [^(]*(' "$source_dir/KavoXM/capi/kavoxm.h" |
                  grep -o 'kavoxm_[a-z0-9_]*'); do
  grep -q "$function" <<<"$library" || { echo "libkavoxm.3: $function missing"; failed=1; }
done
for page in kavoxm.1 Ostrel.1 libkavoxm.3; do
  warnings=$(groff -man -ww -z "$work/$page" 2>&1)
  [ -z "$warnings" ] || { echo "$page: $warnings"; failed=1; }
  grep -q "^NAME" <<<"$(shown $page)" || { echo "$page: no NAME section"; failed=1; }
done
[ $failed -eq 0 ] && echo "man pages: $(wc -w <<<"$commands") commands with their options, every C function"
exit $failed
