#!/usr/bin/env bash
# Makes the sample songs under tests/data with real encoders and taggers:
# ffmpeg (libmp3lame, aac), lame and python3-mutagen from Debian.
# The files are committed; run this again only to change them.
#   apt-get install -y ffmpeg lame python3-mutagen
set -euo pipefail
scripts=$(cd "$(dirname "$0")" && pwd)
cd "$scripts/../tests/data"

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

# --- MP4 ---
# AAC in an iPod-style MP4: moov before mdat (+faststart) and no edit list, so
# the track is the plain one the reader walks.
m4a() {  # input.wav output.m4a [ffmpeg options...]
  local in=$1 out=$2
  shift 2
  ffmpeg -nostdin -loglevel error -y -i "$in" -c:a aac -b:a 32k -fflags +bitexact -flags:a +bitexact \
    -movflags +faststart -use_editlist 0 "$@" -f ipod "$out"
}
# ffmpeg puts sgpd and sbgp after stco, where iPod songs have stco last.
classic_m4a() { /usr/bin/python3 "$scripts/classic-m4a.py" "$@"; }  # file.m4a [--check]

# Every item ffmpeg writes: the text items, track 3 of 12 and a comment.
m4a "$work/short.wav" aac_ffmpeg.m4a -metadata title="Morning Light" -metadata artist="The Testers" \
  -metadata album="Fixtures" -metadata date=2003 -metadata genre=Rock -metadata track=3/12 \
  -metadata comment="made by ffmpeg"
classic_m4a aac_ffmpeg.m4a
# Tagged by mutagen instead: UTF-8 text with non-ASCII letters, and items the
# reader passes over (disc number, compilation flag, cover art). mutagen keeps
# the classic layout and pads meta with a free atom after ilst; the check
# below fails if a later mutagen stops doing so.
m4a "$work/short.wav" aac_mutagen.m4a -map_metadata -1
classic_m4a aac_mutagen.m4a
/usr/bin/python3 - aac_mutagen.m4a <<'PY'
import sys
from mutagen.mp4 import MP4, MP4Cover
song = MP4(sys.argv[1])
song["\xa9nam"] = "Café Noir"
song["\xa9ART"] = "Björk Ålund"
song["\xa9alb"] = "Über Straße"
song["\xa9day"] = "2004"
song["\xa9gen"] = "Jazz"
song["\xa9cmt"] = "retagged by mutagen"
song["trkn"] = [(5, 9)]
song["disk"] = [(1, 2)]
song["cpil"] = True
song["covr"] = [MP4Cover(b"\x89PNG\r\n\x1a\n" + bytes(24), MP4Cover.FORMAT_PNG)]
song.save()
PY
classic_m4a aac_mutagen.m4a --check

# --- ID3v2 ---
# ffmpeg writes the text frames (UTF-16 for non-ASCII text in ID3v2.3, UTF-8
# in ID3v2.4) but puts the comment in a TXXX frame; mutagen swaps it for a
# COMM frame.
for v in 3 4; do
  mp3 "$work/short.wav" "id3v2_$v.mp3" -id3v2_version "$v" \
    -metadata title="Café Ünïcode" -metadata artist="The Testers" -metadata album="Fixtures" \
    -metadata date=2005 -metadata genre=Rock -metadata track=5/12 -metadata comment=unused
  /usr/bin/python3 - "id3v2_$v.mp3" "$v" <<'PY'
import sys
from mutagen.id3 import ID3, COMM
path, version = sys.argv[1], int(sys.argv[2])
tags = ID3(path)
tags.delall("TXXX")
tags.add(COMM(encoding=1 if version == 3 else 3, lang="eng", desc="", text="A fine comment"))
if version == 3:
    tags.update_to_v23()
tags.save(path, v2_version=version)
PY
done
# What today's taggers also write: UTF-16 and UTF-8 text, a comment with a
# description, a picture ahead of the title, an extended header, padding.
# mutagen writes the frames; the picture is moved to the front and an empty
# extended header put in by hand, which mutagen cannot do.
mp3 "$work/short.wav" "$work/plain.mp3" -id3v2_version 0
for v in 3 4; do
  cp "$work/plain.mp3" "id3v2_${v}_extras.mp3"
  /usr/bin/python3 - "id3v2_${v}_extras.mp3" "$v" <<'PY'
import struct, sys
from mutagen.id3 import ID3, APIC, COMM, TALB, TCON, TIT2, TPE1, TRCK, TYER, TDRC
path, version = sys.argv[1], int(sys.argv[2])
tags = ID3()
picture = bytes(i * 7 % 251 for i in range(3000))
tags.add(APIC(encoding=0, mime="image/png", type=3, desc="", data=picture))
if version == 3:
    tags.add(TIT2(encoding=1, text="Grüße \U0001F3B5"))
    tags.add(TPE1(encoding=1, text="Ærø Quartet"))
    tags.add(TALB(encoding=0, text="Café Sessions"))
    tags.add(TYER(encoding=0, text="1999"))
    tags.add(TCON(encoding=0, text="(13)"))
    tags.add(TRCK(encoding=0, text="7/9"))
    tags.add(COMM(encoding=1, lang="eng", desc="Notes", text="Recorded live"))
else:
    tags.add(TIT2(encoding=2, text="Grüße \U0001F3B5"))
    tags.add(TPE1(encoding=1, text="Ærø Quartet"))
    tags.add(TALB(encoding=3, text="Café Sessions"))
    tags.add(TDRC(encoding=3, text="2004-05-12"))
    tags.add(TCON(encoding=3, text="Jazz"))
    tags.add(TRCK(encoding=3, text="7/9"))
    tags.add(COMM(encoding=3, lang="eng", desc="Notes", text="Recorded live"))
tags.save(path, v2_version=version)

def syncsafe(n):
    return bytes((n >> s) & 0x7F for s in (21, 14, 7, 0))

def unsyncsafe(b):
    return b[0] << 21 | b[1] << 14 | b[2] << 7 | b[3]

data = open(path, "rb").read()
size = unsyncsafe(data[6:10])
body, audio = data[10:10 + size], data[10 + size:]
frames, at = [], 0
while at + 10 <= len(body) and body[at:at + 4] != b"\0\0\0\0":
    n = struct.unpack(">I", body[at + 4:at + 8])[0] if version == 3 else unsyncsafe(body[at + 4:at + 8])
    frames.append(body[at:at + 10 + n])
    at += 10 + n
padding = body[at:]
frames.sort(key=lambda f: f[:4] != b"APIC")
if version == 3:
    extended = struct.pack(">IHI", 6, 0, 0)        # size without itself, flags, padding size
else:
    extended = syncsafe(6) + bytes([1, 0])         # size with itself, one flag byte, no flags
body = extended + b"".join(frames) + padding
header = data[:5] + bytes([data[5] | 0x40]) + syncsafe(len(body))
open(path, "wb").write(header + body + audio)
PY
done

# ID3v2.2, which mutagen reads but no longer writes, built by hand: ISO-8859-1
# and UTF-16 text, a comment, a picture ahead of the title, and padding.
/usr/bin/python3 - "$work/plain.mp3" id3v2_2.mp3 <<'PY'
import struct, sys, zlib
source, out = sys.argv[1], sys.argv[2]

def png(width, height):  # a real picture, so that players and ffmpeg accept it
    rows = b"".join(b"\0" + bytes((x * 8 + y * 4) % 256 for x in range(width) for _ in range(3))
                    for y in range(height))
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))

def frame(name, body):
    return name.encode() + len(body).to_bytes(3, "big") + body

def latin1(text):
    return b"\0" + text.encode("latin-1") + b"\0"

def utf16(text):
    return b"\1\xff\xfe" + text.encode("utf-16-le") + b"\0\0"

def syncsafe(n):
    return bytes((n >> s) & 0x7F for s in (21, 14, 7, 0))

frames = b"".join([
    frame("PIC", b"\0PNG\x03\0" + png(32, 32)),
    frame("TT2", utf16("Grüße \u266a")),
    frame("TP1", latin1("Ærø Quartet")),
    frame("TAL", latin1("Café Sessions")),
    frame("TYE", latin1("1999")),
    frame("TCO", latin1("(13)")),
    frame("TRK", latin1("7/9")),
    frame("COM", b"\0eng\0" + "Recorded live".encode("latin-1") + b"\0"),
])
padding = bytes(300)
tag = b"ID3\x02\x00\x00" + syncsafe(len(frames) + len(padding)) + frames + padding
open(out, "wb").write(tag + open(source, "rb").read())
PY
