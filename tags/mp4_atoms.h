// What the MP4 reader and writer share: atom headers and the one fixed atom
// path from the top of the file down to the ilst item list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "binary_stream.h"
#include "text.h"

namespace mp4 {

constexpr int64_t kAtomHeaderSize = 8;
// size, type, class and locale
constexpr int64_t kDataHeaderSize = 16;

struct AtomHeader {
  int64_t start = 0;
  uint32_t size = 0;
  std::string type;
  int64_t End() const { return start + size; }
};

inline void Skip(BinaryStream& stream, int64_t count) {
  stream.SetPosition(int64_t{stream.Position()} + count);
}

inline AtomHeader ReadAtomHeader(BinaryStream& stream, int64_t position) {
  stream.SetPosition(position);
  AtomHeader atom;
  atom.start = position;
  atom.size = stream.ReadUInt32();
  atom.type = stream.Read(4);
  return atom;
}

// A size of 0 (the atom runs to the end of the file) or 1 (a 64-bit size
// follows) is not supported, and anything else below 8 cannot hold its own
// header: a walk that took such a size would not move on.
inline bool UsableSize(uint32_t size) { return size >= kAtomHeaderSize; }

// Where the walk goes after an atom of the fixed path.
enum class Next {
  Descend,          // its first child follows its header
  DescendFullAtom,  // as Descend, after 4 bytes of version and flags
  StepOver,         // the next atom begins at its end
};

struct PathStep {
  std::string_view type;
  Next next;
};

// The one layout the reader and the writer accept, from moov down to ilst:
// mvhd first in moov, then one track whose containers end where their last
// listed child ends, then udta, with meta first in it and hdlr then ilst in
// meta.
inline constexpr PathStep kPath[] = {
    {"moov", Next::Descend},
    {"mvhd", Next::StepOver},
    {"trak", Next::Descend},
    {"tkhd", Next::StepOver},
    {"mdia", Next::Descend},
    {"mdhd", Next::StepOver},
    {"hdlr", Next::StepOver},
    {"minf", Next::Descend},
    {"smhd", Next::StepOver},
    {"dinf", Next::Descend},
    {"dref", Next::StepOver},
    {"stbl", Next::Descend},
    {"stsd", Next::StepOver},
    {"stts", Next::StepOver},
    {"stsc", Next::StepOver},
    {"stsz", Next::StepOver},
    {"stco", Next::StepOver},
    {"udta", Next::Descend},
    {"meta", Next::DescendFullAtom},
    {"hdlr", Next::StepOver},
    {"ilst", Next::Descend},
};
constexpr size_t kPathLength = sizeof(kPath) / sizeof(kPath[0]);

// The steps of kPath that the writer needs by name.
constexpr size_t kMoovStep = 0;
constexpr size_t kMdhdStep = 5;
constexpr size_t kUdtaStep = 17;
constexpr size_t kMetaStep = 18;
constexpr size_t kIlstStep = 20;

inline int64_t NextPosition(const AtomHeader& atom, Next next) {
  switch (next) {
    case Next::Descend: return atom.start + kAtomHeaderSize;
    case Next::DescendFullAtom: return atom.start + kAtomHeaderSize + 4;
    case Next::StepOver: break;
  }
  return atom.End();
}

// Walks kPath from the top of the file through step last, storing each
// atom's header in atoms (which holds at least last + 1); false at the first
// atom of another type or of an unusable size. The first atom of the file
// (ftyp) is stepped over whatever its type.
inline bool WalkPath(BinaryStream& stream, size_t last, AtomHeader* atoms) {
  stream.SetPosition(0);
  int64_t position = stream.ReadUInt32();
  for (size_t step = 0; step <= last && step < kPathLength; ++step) {
    AtomHeader atom = ReadAtomHeader(stream, position);
    if (!UsableSize(atom.size) || !text::EqualsIgnoringCase(atom.type, kPath[step].type))
      return false;
    atoms[step] = atom;
    position = NextPosition(atom, kPath[step].next);
  }
  return true;
}

// mdhd after its header: version and flags, creation and modification times
// (64-bit in version 1), then the media timescale.
inline uint32_t ReadMediaTimescale(BinaryStream& stream, const AtomHeader& mdhd) {
  stream.SetPosition(mdhd.start + kAtomHeaderSize);
  bool version1 = stream.ReadByte() == 1;
  Skip(stream, 3);                  // flags
  Skip(stream, version1 ? 16 : 8);  // creation and modification times
  return stream.ReadUInt32();
}

}  // namespace mp4
