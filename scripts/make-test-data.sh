#!/usr/bin/env bash
# Makes the sample songs under tests/data with real encoders and taggers:
# ffmpeg (libmp3lame, aac), lame and python3-mutagen from Debian.
# The files are committed; run this again only to change them.
#   apt-get install -y ffmpeg lame python3-mutagen
set -euo pipefail
cd "$(dirname "$0")/../tests/data"

# A mono sine at 44100 Hz; 32 kbit/s keeps the files small.
tone() {  # seconds output.wav
  ffmpeg -nostdin -loglevel error -y -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=$1" \
    -ac 1 -c:a pcm_s16le "$2"
}
mp3() {  # input.wav output.mp3 [ffmpeg options...]
  local in=$1 out=$2
  shift 2
  ffmpeg -nostdin -loglevel error -y -i "$in" -c:a libmp3lame -b:a 32k \
    -fflags +bitexact -flags:a +bitexact "$@" "$out"
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tone 3 "$work/short.wav"
tone 15 "$work/long.wav"   # more than the 501 frames the reader walks

# --- MP3 without ID3v2 ---
mp3 "$work/short.wav" untagged.mp3 -id3v2_version 0
# ID3v1 as lame writes it: plain without a track number, 1.1 with one
lame --quiet -b 32 --resample 44.1 --id3v1-only --tt "Morning Light" --ta "The Testers" --tl "Fixtures" \
  --ty 2003 --tc "made by lame, thirty bytes ok" --tg Rock "$work/long.wav" id3v1.mp3
lame --quiet -b 32 --resample 44.1 --id3v1-only --tt "Evening Song" --ta "The Testers" --tl "Fixtures" \
  --ty 2004 --tc "track seven" --tn 7 --tg Pop "$work/long.wav" id3v1_1.mp3
# lame's own ID3v1 writer, on a song shorter than the frame walk
lame --quiet -b 32 --resample 44.1 --id3v1-only --tt "Short Tune" --ta "Lame Band" --tl "Quick" --ty 1999 \
  --tc "lame wrote this" --tn 3 --tg Jazz "$work/short.wav" short_id3v1.mp3
# ISO-8859-1 text in ID3v1, written by mutagen
mp3 "$work/long.wav" id3v1_latin1.mp3 -id3v2_version 0
/usr/bin/python3 - id3v1_latin1.mp3 <<'PY'
import sys
from mutagen.id3 import ID3, TIT2, TPE1, TALB
tags = ID3()
tags.add(TIT2(encoding=3, text="Café Noir"))
tags.add(TPE1(encoding=3, text="Björk Ålund"))
tags.add(TALB(encoding=3, text="Über"))
tags.save(sys.argv[1], v1=2, v2_version=3)
# keep the ID3v1 tag alone: drop the ID3v2 tag mutagen wrote in front
from mutagen.id3 import delete
delete(sys.argv[1], delete_v1=False, delete_v2=True)
PY
