#!/usr/bin/env bash
# The bash completion of kavoxm, as a shell uses it: each case is a command line being typed
# (the last word is the one completed) and words the completion must offer, or "-" for none.
# Usage: completion.sh COMPLETION_FILE KAVOXM_TOOL WORK_DIR
set -uo pipefail
completion=$1 tool=$2 work=$3
mkdir -p "$work/songs/sub" && : > "$work/songs/a.xm" && : > "$work/songs/b.wav"
cd "$work/songs"
# shellcheck source=/dev/null
source "$completion"
cases=(
  "kavoxm |info trace render play"
  "kavoxm re|render"
  "kavoxm --v|--version"
  "kavoxm render --ste|--stereo-separation"
  "kavoxm render --bits |8 16 24 32f"
  "kavoxm render --bits 3|32f"
  "kavoxm render -o |a.xm b.wav sub"
  "kavoxm render --rate |-"
  "kavoxm info --j|--json"
  "kavoxm trace --c|--cells"
  "kavoxm play --no-|--no-view --no-color"
  "kavoxm play |a.xm sub"
  "kavoxm play --interpolation |nearest linear spline"
)
failed=0
for case in "${cases[@]}"; do
  line=${case%%|*} expected=${case#*|}
  read -ra COMP_WORDS <<<"$line"
  [[ $line == *" " ]] && COMP_WORDS+=("")
  COMP_WORDS[0]=$tool
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  _kavoxm 2>/dev/null
  got=" ${COMPREPLY[*]} "
  if [ "$expected" = - ]; then
    [ ${#COMPREPLY[@]} -eq 0 ] || { echo "'$line': offered '${COMPREPLY[*]}', expected nothing"; failed=1; }
    continue
  fi
  for word in $expected; do
    [[ $got == *" $word "* ]] || { echo "'$line': '$word' not offered (got '${COMPREPLY[*]}')"; failed=1; }
  done
done
[ $failed -eq 0 ] && echo "${#cases[@]} command lines complete as expected"
exit $failed
