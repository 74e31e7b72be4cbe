#!/usr/bin/env bash
# Installs the Debian packages the build needs when any is missing (as root), or prints the
# apt-get line to run. Usage: scripts/deps.sh [build|test|fuzz]
set -euo pipefail
kind=${1:-build}
packages=(cmake make g++ pkg-config libasound2-dev libcli11-dev)
case "$kind" in
  test) packages+=(libgtest-dev) ;;
  fuzz) packages+=(libgtest-dev clang libclang-rt-14-dev) ;;
esac
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -eq 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}"
else
  echo "Missing packages. Run as root:" >&2
  echo "  apt-get install -y ${missing[*]}" >&2
  exit 1
fi
