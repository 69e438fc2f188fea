#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need, only those still missing.
set -euo pipefail

packages=(cmake ninja-build g++ googletest libgtest-dev libbenchmark-dev clang libclang-rt-14-dev
          clang-format g++-mingw-w64-i686 wine wine32:i386 xvfb xdotool x11-apps imagemagick)

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then as_root dpkg --add-architecture i386; fi
as_root apt-get update -qq
as_root apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
