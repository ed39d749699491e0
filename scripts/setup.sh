#!/usr/bin/env bash
# Installs every Debian package that the build, the tests and the demo need.
# Idempotent: when everything is there it only checks and returns. The 32-bit Wine (wine32:i386,
# with the i386 architecture) is installed only where the machine runs 32-bit code
# (scripts/runs-i386.sh); the x86_64 twin needs wine64 alone. Elsewhere QEMU is installed instead:
# the i686 suites run in the test VM (scripts/setup-vm.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake ninja-build pkg-config
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  googletest libgtest-dev
  clang libclang-rt-14-dev clang-tidy cppcheck shellcheck
  pcscd libpcsclite-dev pcsc-tools
  wine wine64
  xvfb xauth x11-utils imagemagick fonts-wine
  locales-all python3 util-linux procps debootstrap
)

if [ "$(id -u)" -ne 0 ]; then
  echo "setup.sh: run as root (it installs Debian packages)" >&2
  exit 1
fi

if bash scripts/runs-i386.sh >/dev/null; then
  packages+=(wine32:i386)
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    need_update=1
  fi
else
  packages+=(qemu-system-x86 e2fsprogs)
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
