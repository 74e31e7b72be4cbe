#!/usr/bin/env bash
# Generates the C API reference (HTML) from the header's comments and its main page
# (docs/api/mainpage.md) with Doxygen, into build/docs/html (or DIR/html), and fails when a
# function, type, field or macro is left undocumented or a function's comment does not give its
# errors. Given the kavoxm tool, also the man pages into DIR/man, each from one source:
# kavoxm.1 from the tool's own help (help2man), Ostrel.1 and libkavoxm.3 from Markdown in
# docs/man (pandoc). Usage: scripts/docs.sh [DIR [KAVOXM_TOOL]]
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build/docs}
tool=${2:-}
command -v doxygen >/dev/null || { echo "doxygen is needed: apt-get install doxygen" >&2; exit 1; }
mkdir -p "$out"
version=$(sed -n 's/^#define KAVOXM_VERSION_\(MAJOR\|MINOR\|PATCH\) \([0-9]*\).*/\2/p' \
  KavoXM/capi/kavoxm.h | paste -sd.)
doxygen - > "$out/doxygen.log" <<EOF_DOXYFILE
PROJECT_NAME = KavoXM
PROJECT_NUMBER = $version
PROJECT_BRIEF = "FastTracker 2 XM player library: the C API"
INPUT = KavoXM/capi/kavoxm.h docs/api/mainpage.md
USE_MDFILE_AS_MAINPAGE = docs/api/mainpage.md
EXAMPLE_PATH = examples
FILE_PATTERNS = *.h *.md
# Abbreviations do not end the one-line summaries.
INPUT_FILTER = "sed -e 's/\\(e\\.g\\|i\\.e\\|etc\\)\\. /\\1.\\\\ /g'"
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
# A summary that stops at an abbreviation ("e.g.") lost the rest of its sentence.
grep -l -E '(e\.g|i\.e)\.[[:space:]]*</' "$out"/html/*.html 2>/dev/null |
  sed 's/$/: warning: a summary is cut at an abbreviation/' >> "$out/warnings.log" || true
if [ -s "$out/warnings.log" ]; then
  echo "undocumented or badly documented in the C API ($(wc -l < "$out/warnings.log") warnings):"
  sed "s|^$PWD/||" "$out/warnings.log"
  exit 1
fi
echo "API reference: $out/html/index.html"
[ -n "$tool" ] || exit 0
scripts/man.sh "$out/man" "$tool" "$version"
