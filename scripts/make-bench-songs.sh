#!/usr/bin/env bash
# Fills DIR with COUNT copies (default 1000) of a 20-second 128 kbit/s song of
# each kind, one folder a kind, for bench/read_bench:
#   scripts/make-bench-songs.sh /tmp/songs && build/bench/read_bench /tmp/songs/id3v23
# Needs ffmpeg, lame and python3-mutagen (apt-get install -y ffmpeg lame python3-mutagen).
set -euo pipefail
dir=${1:?usage: make-bench-songs.sh DIR [COUNT]}
count=${2:-1000}
scripts=$(cd "$(dirname "$0")" && pwd)
kinds=(id3v1 id3v23 untagged aac)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

ffmpeg -nostdin -loglevel error -y -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=20" \
  -ac 2 "$work/song.wav"
meta=(-metadata title="Bench Song" -metadata artist="Bench Band" -metadata album="Bench"
      -metadata date=2020 -metadata genre=Rock -metadata track=3/12 -metadata comment="bench")
mp3() { ffmpeg -nostdin -loglevel error -y -i "$work/song.wav" -c:a libmp3lame -b:a 128k "$@"; }
mp3 -id3v2_version 0 "$work/untagged.mp3"
lame --quiet -b 128 --id3v1-only --tt "Bench Song" --ta "Bench Band" --tl Bench --ty 2020 \
  --tc bench --tn 3 --tg Rock "$work/song.wav" "$work/id3v1.mp3"
mp3 -id3v2_version 3 "${meta[@]}" "$work/id3v23.mp3"
# An iPod-style AAC song: moov first, no edit list, stco last in stbl.
ffmpeg -nostdin -loglevel error -y -i "$work/song.wav" -c:a aac -b:a 128k -movflags +faststart \
  -use_editlist 0 "${meta[@]}" -f ipod "$work/aac.m4a"
/usr/bin/python3 "$scripts/classic-m4a.py" "$work/aac.m4a"

for kind in "${kinds[@]}"; do
  ext=mp3
  [ "$kind" = aac ] && ext=m4a
  mkdir -p "$dir/$kind"
  for ((i = 0; i < count; i++)); do cp "$work/$kind.$ext" "$dir/$kind/song$i.$ext"; done
done
echo "made $count songs of each kind under $dir"
