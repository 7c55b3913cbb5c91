#!/usr/bin/python3
# classic-m4a.py FILE.m4a [--check]
#
# ffmpeg puts sgpd and sbgp (the AAC pre-roll group) after stco, where the
# songs an iPod holds have stco last in stbl. This rewrites moov with only the
# atoms of that classic layout (dropping sgpd/sbgp, iods and the like), fixes
# the container sizes and moves the stco chunk offsets by what moov shrank;
# the audio stays byte for byte. With --check it changes nothing and fails
# unless the file already has that layout.
import struct, sys

path, check = sys.argv[1], "--check" in sys.argv[2:]
# What each container on the reader's path holds, in this order.
LAYOUT = {
    b"moov": [b"mvhd", b"trak", b"udta"],
    b"trak": [b"tkhd", b"mdia"],
    b"mdia": [b"mdhd", b"hdlr", b"minf"],
    b"minf": [b"smhd", b"dinf", b"stbl"],
    b"stbl": [b"stsd", b"stts", b"stsc", b"stsz", b"stco"],
}

def atoms(data):
    at = 0
    while at < len(data):
        size, kind = struct.unpack(">I4s", data[at:at + 8])
        assert 8 <= size <= len(data) - at, "bad atom size"
        yield kind, data[at + 8:at + size]
        at += size

def atom(kind, body):
    return struct.pack(">I", 8 + len(body)) + kind + body

def rebuild(kind, body):
    if kind not in LAYOUT:
        return atom(kind, body)
    children = list(atoms(body))
    assert b"edts" not in [k for k, _ in children], "the track has an edit list"
    wanted = [(k, b) for k, b in children if k in LAYOUT[kind]]
    assert [k for k, _ in wanted] == LAYOUT[kind], f"{kind} holds {[k for k, _ in children]}"
    return atom(kind, b"".join(rebuild(k, b) for k, b in wanted))

def shift_chunk_offsets(moov, delta):
    out = bytearray(moov)
    def visit(start, end):
        at = start
        while at < end:
            size, kind = struct.unpack(">I4s", out[at:at + 8])
            if kind == b"stco":
                count, = struct.unpack(">I", out[at + 12:at + 16])
                for i in range(count):
                    p = at + 16 + 4 * i
                    struct.pack_into(">I", out, p, struct.unpack(">I", out[p:p + 4])[0] + delta)
            elif kind in LAYOUT:
                visit(at + 8, at + size)
            at += size
    visit(0, len(out))
    return bytes(out)

data = open(path, "rb").read()
top = list(atoms(data))
assert [k for k, _ in top][:2] == [b"ftyp", b"moov"], "moov must follow ftyp"
old = atom(b"moov", top[1][1])
new = rebuild(b"moov", top[1][1])
new = shift_chunk_offsets(new, len(new) - len(old))
if check:
    assert new == old, f"{path} is not in the classic layout"
else:
    open(path, "wb").write(b"".join(new if k == b"moov" else atom(k, b) for k, b in top))
