#!/usr/bin/env bash
# The shared library exports exactly the functions the C header declares, under its soname.
# Usage: exports.sh LIBRARY HEADER
set -euo pipefail
library=$1 header=$2
exported=$(nm -D --defined-only "$library" | awk '$2 ~ /^[TtWwDdBbRrVv]$/ {sub(/@.*/, "", $3); print $3}' | sort)
declared=$(grep -o 'KAVOXM_API [^(]*(' "$header" | grep -o 'kavoxm_[a-z0-9_]*' | sort)
[ -n "$declared" ] || { echo "no declarations found in $header"; exit 1; }
strays=$(comm -23 <(echo "$exported") <(echo "$declared"))
missing=$(comm -13 <(echo "$exported") <(echo "$declared"))
status=0
if [ -n "$strays" ]; then
  echo "exported but not in the C API ($(echo "$strays" | wc -l)):"; echo "$strays" | head -20
  status=1
fi
if [ -n "$missing" ]; then
  echo "declared but not exported:"; echo "$missing"
  status=1
fi
soname=$(objdump -p "$library" | awk '$1 == "SONAME" {print $2}')
major=$(sed -n 's/^#define KAVOXM_VERSION_MAJOR \([0-9]*\).*/\1/p' "$header")
if [ "$soname" != "libkavoxm.so.$major" ]; then
  echo "soname is '$soname', expected libkavoxm.so.$major"
  status=1
fi
[ $status -eq 0 ] && echo "$(echo "$exported" | wc -l) functions exported, soname $soname"
exit $status
