#!/usr/bin/env bash
# Installs the Debian packages that building (and, with --tests, testing)
# Tessarine needs. Runs apt-get only when something is missing.
set -euo pipefail

packages=(build-essential cmake ninja-build pkg-config googletest
  libncurses-dev)
if [ "${1:-}" = "--tests" ]; then
  packages+=(clang libclang-rt-14-dev tmux procps python3
    g++-mingw-w64-x86-64-posix mingw-w64 wine64 xvfb xauth xdotool x11-utils locales
    fonts-ipafont-gothic imagemagick man-db
    # The Debian package stage: cpack's DEB generator runs file and
    # dpkg-shlibdeps.
    file dpkg-dev)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi
