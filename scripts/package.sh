#!/usr/bin/env bash
# Builds every package into build/packages/:
#   libkavoxm0, libkavoxm-dev and kavoxm .deb   (CPack, in build/package)
#   kavoxm-VERSION-win32.zip                    (from the win32 build, when MinGW-w64 is there)
#   kavoxm-VERSION.tgz                          (npm, the WebAssembly engine, when emcc is there)
#   kavoxm-VERSION-*.whl                        (pip, when python/pyproject.toml is there)
# With --check, then checks each as a user would use it (tests/packaging/check-*.sh): installs the
# Debian packages and builds and runs a host against them, unpacks the zip and runs a host under
# Wine, installs the npm tarball in a fresh Node project and the wheel in a fresh virtual
# environment. Usage: scripts/package.sh [--check]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$root/build/packages
check=${1:-}
step() { echo "-- package: $1 (${SECONDS}s)"; }
version=$(sed -n 's/^#define KAVOXM_VERSION_\(MAJOR\|MINOR\|PATCH\) \([0-9]*\).*/\2/p' \
  KavoXM/capi/kavoxm.h | paste -sd.)
rm -rf "$out" && mkdir -p "$out"
scripts/deps.sh package

windows=no win32_stub=
if command -v i686-w64-mingw32-g++-posix >/dev/null; then
  step "Windows programs"
  cmake --preset win32 >/dev/null
  targets=(Ostrel kavoxm_tool kavoxm_shared)
  [ -d tools/stub ] && targets+=(kavoxm_stub) # the player stubs of `kavoxm exe`
  cmake --build --preset win32 --target "${targets[@]}"
  windows=yes
  stub=build/win32/tools/stub/kavoxm-stub-win32.exe
  if [ -f $stub ]; then win32_stub=$root/$stub; fi # the Debian package carries it too
fi

step "Debian packages"
cmake -S . -B build/package -DCMAKE_BUILD_TYPE=Release -DKAVOXM_WERROR=ON \
  -DKAVOXM_BUILD_TESTS=OFF -DKAVOXM_BUILD_BENCH=OFF -DCMAKE_INSTALL_PREFIX=/usr \
  -DKAVOXM_INSTALL_RPATH=OFF -DKAVOXM_DOCS=ON -DKAVOXM_DEBIAN=ON \
  "-DKAVOXM_EXTRA_STUBS=$win32_stub" >/dev/null
cmake --build build/package -j2
(cd build/package && cpack -G DEB -B "$root/build/package/cpack" >/dev/null)
mv build/package/cpack/*.deb "$out/"

if [ $windows = yes ]; then
  step "Windows zip"
  scripts/windows-zip.sh build/win32 build/package/docs "$out/kavoxm-$version-win32.zip"
fi

npm=no
if scripts/deps.sh web >/dev/null 2>&1; then
  step "npm package"
  scripts/web.sh >/dev/null
  stage=build/npm/kavoxm
  rm -rf "$stage" && mkdir -p "$stage"
  cp web/package/* build/wasm/web/kavoxm.wasm "$stage/"
  (cd "$stage" && npm pkg set version="$version" && npm pack --pack-destination "$out" >/dev/null)
  npm=yes
fi

wheel=no
if [ -f python/pyproject.toml ]; then
  step "Python wheel"
  # Debian's python3 with its setuptools and wheel; the wheel carries its own copy of the
  # library, the one built above.
  KAVOXM_BUILD_DIR=$root/build/package /usr/bin/python3 -m pip wheel --no-build-isolation --no-deps \
    --wheel-dir "$out" ./python >/dev/null
  wheel=yes
fi
step "built"
(cd "$out" && ls -l)
[ "$check" = --check ] || exit 0

step "check: Debian packages installed"
tests/packaging/check-debian.sh "$out" examples/host.c Ostrel/Sombrevallis.xm
if [ $windows = yes ]; then
  step "check: Windows zip under Wine"
  tests/packaging/check-windows.sh "$out/kavoxm-$version-win32.zip" examples/host.c \
    Ostrel/Sombrevallis.xm build/package/tools/kavoxm/kavoxm "$root/build/packages-check/windows"
fi
if [ $npm = yes ]; then
  step "check: npm tarball in a fresh Node project"
  tests/packaging/npm.sh "$out/kavoxm-$version.tgz" build/package/tools/kavoxm/kavoxm \
    "$root/build/packages-check/npm" Ostrel/Sombrevallis.xm "$root/../shared/corpus"
fi
if [ $wheel = yes ]; then
  step "check: wheel in a fresh virtual environment"
  tests/packaging/check-wheel.sh "$(ls "$out"/kavoxm-*.whl)" Ostrel/Sombrevallis.xm \
    build/package/tools/kavoxm/kavoxm "$root/build/packages-check/wheel"
fi
step "checked"
