#!/usr/bin/env bash
# Installs the build into a fresh prefix and builds hosts against it, with the compilers' default
# standards: through find_package(KavoXM) (the C host on the shared and on the static C library,
# a C++ host of the engine) and through pkg-config (shared, static with --static, and the C++
# engine with kavoxm-cpp). Every
# host renders the same song; the C hosts' and the installed Python module's output must equal
# the render example's, the engine host's its first frames.
# Usage: installed.sh BUILD_DIR WORK_DIR HOST_SOURCE RENDER_EXAMPLE SONG
set -euo pipefail
build=$1 work=$2 host=$3 render=$4 song=$5
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work" && mkdir -p "$work"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
libdir=$(dirname "$(find "$prefix" -name 'libkavoxm.so.0' | head -1)")

# The installation as a user finds it: only the public headers, a library that needs neither
# ALSA nor its development files, programs that find the library of their prefix.
include=$prefix/include
for internal in MMSystem KavoXM/capi/Handle.h KavoXM/capi/Levels.h KavoXM/mixer/VoiceMixer.h; do
  [ ! -e "$include/$internal" ] || { echo "internal header installed: $internal"; exit 1; }
done
empty=$(find "$prefix" -type d -empty)
[ -z "$empty" ] || { echo "empty folders installed: $empty"; exit 1; }
for header in $(cd "$include" && find . -name '*.h' | sort); do
  if [[ $header == ./KavoXM/capi/kavoxm.h ]]; then
    cc -std=c99 -fsyntax-only -I"$include" -x c "$include/$header"
  else
    c++ -std=c++20 -fsyntax-only -I"$include" -x c++ "$include/$header"
  fi
done
echo "headers: $(find "$include" -name '*.h' | wc -l) public headers, each compiles on its own"
if readelf -d "$libdir/libkavoxm.so.0" | grep NEEDED | grep -v -E '(lib(c|m|stdc\+\+|gcc_s)|ld-linux[-a-z0-9_]*)\.so'; then
  echo "libkavoxm.so.0 needs more than the C and C++ runtimes"; exit 1
fi
! grep -rqi alsa "$libdir/cmake" "$libdir/pkgconfig" || { echo "the packages name ALSA"; exit 1; }
for program in kavoxm Ostrel; do
  runpath=$(readelf -d "$prefix/bin/$program" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
  [ "$runpath" = '$ORIGIN/../lib' ] || { echo "$program: RUNPATH '$runpath'"; exit 1; }
done
"$prefix/bin/kavoxm" --version >/dev/null
echo "library needs no ALSA; programs find ../lib"
"$render" "$song" "$work/expected.raw" --raw
[ -s "$work/expected.raw" ] || { echo "the render example wrote nothing"; exit 1; }

same() { # NAME FILE: FILE must equal the expected render
  if cmp -s "$work/expected.raw" "$2"; then echo "$1: same $(stat -c %s "$2") bytes"
  else echo "$1: differs from the render example ($(stat -c %s "$2") bytes)"; return 1; fi
}

# CMake package.
cmake -S "$here/hosts" -B "$work/cmake" -DCMAKE_PREFIX_PATH="$prefix" -DHOST_SOURCE="$host" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/cmake" >/dev/null
"$work/cmake/host_shared" "$song" > "$work/cmake_shared.raw"
same "find_package, shared" "$work/cmake_shared.raw"
"$work/cmake/host_static" "$song" > "$work/cmake_static.raw"
same "find_package, static" "$work/cmake_static.raw"
if ldd "$work/cmake/host_static" | grep -q libkavoxm; then
  echo "the static host loads the shared library"; exit 1
fi
frames=44100
cmake -S "$here/hosts" -B "$work/cmake_engine" -DCMAKE_PREFIX_PATH="$prefix" -DENGINE_HOST=ON \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/cmake_engine" >/dev/null
"$work/cmake_engine/host_engine" "$song" $frames > "$work/engine.raw"
cmp -s "$work/engine.raw" <(head -c $((frames * 4)) "$work/expected.raw") ||
  { echo "the C++ engine host's first $frames frames differ"; exit 1; }
echo "find_package, C++ engine: same first $frames frames"

# The Python module, installed into a virtual environment's prefix, is on that Python's path and
# finds the library of its prefix by itself (no PYTHONPATH, no KAVOXM_LIBRARY).
if /usr/bin/python3 -c 'import numpy, venv' 2>/dev/null; then
  /usr/bin/python3 -m venv --system-site-packages --without-pip "$work/venv"
  cmake --install "$build" --prefix "$work/venv" >/dev/null
  env -u KAVOXM_LIBRARY -u PYTHONPATH PYTHONDONTWRITEBYTECODE=1 \
    "$work/venv/bin/python" - "$song" "$work/python.raw" <<'PY'
import sys, kavoxm
with open(sys.argv[1], "rb") as song, open(sys.argv[2], "wb") as out:
    out.write(kavoxm.Module(song.read()).render(dtype="int16").tobytes())
PY
  same "python, installed into a venv" "$work/python.raw"
  [ -f "$(find "$work/venv/lib" -path '*/kavoxm/py.typed' | head -1)" ] ||
    { echo "py.typed not installed"; exit 1; }
fi

# pkg-config.
export PKG_CONFIG_PATH=$libdir/pkgconfig
cc -o "$work/pc_shared" "$host" $(pkg-config --cflags --libs kavoxm)
LD_LIBRARY_PATH=$libdir "$work/pc_shared" "$song" > "$work/pc_shared.raw"
same "pkg-config, shared" "$work/pc_shared.raw"
cc -o "$work/pc_static" "$host" $(pkg-config --static --cflags --libs kavoxm)
if readelf -d "$work/pc_static" | grep -q 'NEEDED.*libkavoxm'; then
  echo "pkg-config --static linked the shared library: $(pkg-config --static --libs kavoxm)"
  exit 1
fi
"$work/pc_static" "$song" > "$work/pc_static.raw"
same "pkg-config --static" "$work/pc_static.raw"
c++ -o "$work/pc_engine" "$here/hosts/engine_host.cpp" $(pkg-config --cflags --libs kavoxm-cpp)
"$work/pc_engine" "$song" $frames > "$work/pc_engine.raw"
cmp -s "$work/engine.raw" "$work/pc_engine.raw" ||
  { echo "the C++ engine host built with kavoxm-cpp.pc renders otherwise"; exit 1; }
echo "pkg-config kavoxm-cpp, C++ engine: same first $frames frames"
