#!/usr/bin/env bash
# Runs a command beside a PulseAudio server of its own whose one sink is a
# null sink, so the preview player's tests play real sound on a machine with
# no sound card. The server lives in a private runtime folder and is stopped
# when the command ends.
#   scripts/with-null-sound.sh COMMAND [ARG]...
set -euo pipefail
runtime=$(mktemp -d)
export XDG_RUNTIME_DIR=$runtime
stop() {
  if [[ -s $runtime/pulse/pid ]]; then kill "$(cat "$runtime/pulse/pid")" 2>/dev/null || true; fi
  rm -rf "$runtime"
}
trap stop EXIT
pulseaudio -n --daemonize=yes --exit-idle-time=-1 \
  --load="module-null-sink sink_name=null" --load=module-native-protocol-unix
# The tests that play sound fail, rather than skip, when this server is not
# heard.
export SONGHAUL_NULL_SOUND=1
"$@"
