#!/usr/bin/env bash
# Generates the C API reference (HTML) from the header's comments with Doxygen, into
# build/docs/html (or DIR/html), and fails when a function, type, field or macro is left
# undocumented or a function's comment does not give its errors. Usage: scripts/docs.sh [DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build/docs}
command -v doxygen >/dev/null || { echo "doxygen is needed: apt-get install doxygen" >&2; exit 1; }
mkdir -p "$out"
version=$(sed -n 's/^#define KAVOXM_VERSION_\(MAJOR\|MINOR\|PATCH\) \([0-9]*\).*/\2/p' \
  KavoXM/capi/kavoxm.h | paste -sd.)
doxygen - > "$out/doxygen.log" <<EOF_DOXYFILE
PROJECT_NAME = KavoXM
PROJECT_NUMBER = $version
PROJECT_BRIEF = "FastTracker 2 XM player library: the C API"
INPUT = KavoXM/capi/kavoxm.h
OUTPUT_DIRECTORY = $out
GENERATE_HTML = YES
GENERATE_LATEX = NO
OPTIMIZE_OUTPUT_FOR_C = YES
JAVADOC_AUTOBRIEF = YES
MARKDOWN_SUPPORT = YES
ENABLE_PREPROCESSING = YES
MACRO_EXPANSION = YES
EXPAND_ONLY_PREDEF = YES
PREDEFINED = KAVOXM_API=
TYPEDEF_HIDES_STRUCT = YES
SHOW_INCLUDE_FILES = NO
QUIET = YES
HAVE_DOT = NO
WARNINGS = YES
WARN_IF_UNDOCUMENTED = YES
WARN_IF_DOC_ERROR = YES
WARN_LOGFILE = $out/warnings.log
EOF_DOXYFILE
# Every function's comment gives its errors ("Errors: none." when it cannot fail).
awk '/^\/\*\*/ { comment = ""; open = 1 }
     open { comment = comment " " $0 }
     /\*\// && open { open = 0; end = NR }
     /^KAVOXM_API/ {
       name = $0; sub(/\(.*/, "", name); sub(/.*[ *]/, "", name)
       if (end != NR - 1 || comment !~ /[Ee]rror/)
         printf "%s:%d: warning: %s: the comment does not give its errors\n",
                FILENAME, NR, name
     }' KavoXM/capi/kavoxm.h >> "$out/warnings.log"
if [ -s "$out/warnings.log" ]; then
  echo "undocumented or badly documented in the C API ($(wc -l < "$out/warnings.log") warnings):"
  sed "s|^$PWD/||" "$out/warnings.log"
  exit 1
fi
echo "API reference: $out/html/index.html"
