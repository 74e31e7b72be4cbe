#!/usr/bin/env bash
# The C header stands alone: strict C99 and C11, and C++ (C++11 and C++20), all warnings errors;
# and a C++ host of the engine's own headers receives none of the wave-out layer's names.
# Usage: header.sh SOURCE_DIR WORK_DIR
set -euo pipefail
source_dir=$1 work=$2
mkdir -p "$work"
cat > "$work/uses_header.c" <<'C'
#include <KavoXM/capi/kavoxm.h>
int main(void) {
    kavoxm_module* song = 0;
    kavoxm_state state;
    int16_t pcm[2];
    (void)state;
    if (kavoxm_load_memory("", 0, &song, 0) == KAVOXM_OK) return 1;
    return (int)kavoxm_render_s16(song, KAVOXM_MIN_RATE, 2, pcm, 1) == KAVOXM_OK;
}
C
cp "$work/uses_header.c" "$work/uses_header.cpp"
flags=(-Wall -Wextra -pedantic -Werror -fsyntax-only -I"$source_dir")
for std in c99 c11; do cc -std=$std "${flags[@]}" "$work/uses_header.c"; done
for std in c++11 c++20; do c++ -std=$std "${flags[@]}" "$work/uses_header.cpp"; done
# The engine's C++ headers leave these names to the host.
cat > "$work/engine_names.cpp" <<'CPP'
#include <KavoXM/KavoXM.h>
typedef int UINT;
typedef int DWORD;
typedef int WORD;
struct WAVEHDR {};
struct WAVEFORMATEX {};
int waveOutOpen, waveOutWrite, waveOutReset, timeGetTime;
int main() {
    TKavoXMLoadInfo info; // complete from KavoXM.h alone
    return info.Version;
}
CPP
c++ -std=c++20 "${flags[@]}" "$work/engine_names.cpp"
echo "kavoxm.h compiles as C99, C11, C++11 and C++20; KavoXM.h leaves the wave-out names alone"
