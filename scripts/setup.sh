#!/usr/bin/env bash
# Installs every Debian package that the build, the tests and the demo need.
# Idempotent: when everything is there it only checks and returns.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  googletest libgtest-dev
  clang libclang-rt-14-dev
  pcscd libpcsclite-dev pcsc-tools
  wine wine32:i386
  xvfb xauth x11-utils imagemagick fonts-wine
  locales-all python3 util-linux procps
)

if [ "$(id -u)" -ne 0 ]; then
  echo "setup.sh: run as root (it installs Debian packages)" >&2
  exit 1
fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  need_update=1
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup.sh: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
elif [ -n "${need_update:-}" ]; then
  apt-get update -q
fi
