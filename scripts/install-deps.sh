#!/usr/bin/env bash
# Installs the Debian packages that building (run) or building and testing
# (test) needs; does nothing when they are all there already.
#   scripts/install-deps.sh run|test
set -euo pipefail
build=(cmake ninja-build g++ qt6-base-dev qt6-svg-dev)
tests=(libgtest-dev clang ffmpeg python3-mutagen)
case "${1:-}" in
  run) packages=("${build[@]}") ;;
  test) packages=("${build[@]}" "${tests[@]}") ;;
  *) echo "usage: install-deps.sh run|test" >&2; exit 2 ;;
esac
# The eject test runs its own message bus.
if [[ $1 == test ]]; then packages+=(dbus-daemon); fi
if ! dpkg -s "${packages[@]}" >/dev/null 2>&1; then
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y "${packages[@]}"
fi
