#!/usr/bin/env bash
# Installs the Debian packages that building (run) or building and testing
# (test) needs; does nothing when they are all there already.
#   scripts/install-deps.sh run|test
set -euo pipefail
# The preview player plays through Qt Multimedia's GStreamer back end, which
# needs the GStreamer plugins for MP3 and AAC.
build=(cmake ninja-build g++ qt6-base-dev qt6-svg-dev qt6-multimedia-dev
  gstreamer1.0-plugins-good gstreamer1.0-plugins-bad gstreamer1.0-libav)
# pulseaudio: a null sink for the tests that play sound; dbus-daemon: the
# eject test runs its own message bus.
tests=(libgtest-dev clang ffmpeg python3-mutagen pulseaudio dbus-daemon)
case "${1:-}" in
  run) packages=("${build[@]}") ;;
  test) packages=("${build[@]}" "${tests[@]}") ;;
  *) echo "usage: install-deps.sh run|test" >&2; exit 2 ;;
esac
if ! dpkg -s "${packages[@]}" >/dev/null 2>&1; then
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y "${packages[@]}"
fi
