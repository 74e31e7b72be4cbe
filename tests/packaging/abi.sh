#!/usr/bin/env bash
# The shared library's ABI against the committed list (tests/packaging/kavoxm.abi): one line per
# exported function, its version node and its prototype as the C header declares it. A removed
# function, a changed signature or a moved version node fails; so does a new function until its
# line is added (abi.sh LIBRARY HEADER LIST --update rewrites the list from the build).
# Usage: abi.sh LIBRARY HEADER LIST [--update]
set -euo pipefail
library=$1 header=$2 list=$3 update=${4:-}

# NAME<TAB>PROTOTYPE for every declaration, joined onto one line, spaces collapsed.
declarations() {
  awk '/^KAVOXM_API/ { open = 1; text = "" }
       open { text = text " " $0 }
       open && /;/ { open = 0; sub(/^ *KAVOXM_API +/, "", text); gsub(/[ \t]+/, " ", text)
                     gsub(/\( /, "(", text); name = text; sub(/\(.*/, "", name)
                     sub(/.*[ *]/, "", name); print name "\t" text }' "$header" | sort
}
# NAME<TAB>NODE for every function the library exports.
exports() {
  readelf --dyn-syms -W "$library" |
    awk '$4 == "FUNC" && $7 != "UND" && $8 ~ /^kavoxm_/ { split($8, p, "@"); print p[1] "\t" p[3] }' |
    sort
}
current=$(join -t $'\t' -a 1 -e '(not declared in the header)' -o 1.2,2.2 \
  <(exports) <(declarations) | awk -F '\t' '{print ($1 == "" ? "(no version node)" : $1) " " $2}')
[ -n "$current" ] || { echo "no exported functions found in $library"; exit 1; }
if [ "$update" = --update ]; then
  echo "$current" > "$list"
  echo "wrote $(echo "$current" | wc -l) functions to $list"
  exit 0
fi
if ! difference=$(diff -u --label committed --label built "$list" <(echo "$current")); then
  echo "The exported functions differ from $list (- committed, + built):"
  echo "$difference" | tail -n +3 | grep '^[-+]'
  echo "A removal or a changed signature breaks hosts built against libkavoxm.so.0: it needs a"
  echo "new soname. After adding a function, add its line: $0 $* --update"
  exit 1
fi
echo "$(echo "$current" | wc -l) exported functions match $list"
