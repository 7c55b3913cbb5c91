#!/usr/bin/env bash
# Installs the Debian packages that building (run) or building and testing
# (test) needs; does nothing when they are all there already.
#   scripts/install-deps.sh run|test
set -euo pipefail
build=(cmake ninja-build g++ qt6-base-dev qt6-svg-dev)
# The eject test runs its own message bus (dbus-daemon).
tests=(libgtest-dev clang ffmpeg python3-mutagen dbus-daemon)
case "${1:-}" in
  run) packages=("${build[@]}") ;;
  test) packages=("${build[@]}" "${tests[@]}") ;;
  *) echo "usage: install-deps.sh run|test" >&2; exit 2 ;;
esac
if ! dpkg -s "${packages[@]}" >/dev/null 2>&1; then
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y "${packages[@]}"
fi
