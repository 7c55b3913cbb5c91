// Writing MP4 (AAC) metadata into the existing ilst list, found along the
// atom path the reader follows.
//
// Everything from the first ilst item up to the media data is rebuilt: the
// new items, the atoms that followed ilst (free atoms dropped), and one free
// atom that ends where mdat begins. When that fits, it is written in place
// and the media data stays where it is. Otherwise the file is written anew
// beside the old one, with room to spare, and renamed over it; the chunk
// offsets then move with the media data. Either way the containers around
// ilst (meta, udta, moov) get the sizes of their new contents.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "audio_tag.h"
#include "binary_stream.h"
#include "file_replace.h"
#include "mp4_atoms.h"
#include "text.h"

namespace {

using mp4::AtomHeader;
using mp4::kAtomHeaderSize;
using mp4::kPathLength;
using mp4::ReadAtomHeader;
using mp4::UsableSize;

constexpr int64_t kLargestFile = 0xFFFFFFFF;
// Room left beyond the estimate when the file has to grow, so that the next
// write is likely to fit in place.
constexpr int64_t kExtraRoom = 500;
constexpr uint16_t kLargestTrackNumber = 0xFFFF;

// The items the writer manages, in the order missing ones are appended.
struct ManagedItem {
  std::string_view type;
  std::string AudioTagX::*property;  // Track for "trkn"
};
constexpr ManagedItem kManagedItems[] = {
    {"\xA9" "alb", &AudioTagX::Album},
    {"\xA9" "ART", &AudioTagX::Artist},
    {"\xA9" "cmt", &AudioTagX::Comments},
    {"\xA9" "nam", &AudioTagX::Title},
    {"\xA9" "gen", &AudioTagX::Genre},
    {"trkn", &AudioTagX::Track},
    {"\xA9" "day", &AudioTagX::Year},
};
constexpr size_t kManagedCount = sizeof(kManagedItems) / sizeof(kManagedItems[0]);

int ManagedIndex(std::string_view type) {
  for (size_t i = 0; i < kManagedCount; ++i)
    if (text::EqualsIgnoringCase(type, kManagedItems[i].type)) return static_cast<int>(i);
  return -1;
}

bool IsTrackItem(const ManagedItem& item) { return item.property == &AudioTagX::Track; }

std::string Be16(uint32_t value) {
  return {static_cast<char>(value >> 8), static_cast<char>(value)};
}

std::string Be32(uint32_t value) {
  return {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
          static_cast<char>(value >> 8), static_cast<char>(value)};
}

uint32_t GetBe32(const std::string& bytes, int64_t at) {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value = value << 8 | static_cast<uint8_t>(bytes[at + i]);
  return value;
}

void PutBe32(std::string& bytes, int64_t at, uint32_t value) {
  bytes.replace(static_cast<size_t>(at), 4, Be32(value));
}

std::string NewAtom(std::string_view type, std::string_view body) {
  return Be32(static_cast<uint32_t>(kAtomHeaderSize + body.size())) + std::string(type) +
         std::string(body);
}

// Class 1: UTF-8 text, less one trailing terminator.
std::string NewTextData(const std::string& value) {
  std::string utf8 = text::ValidUtf8(AudioTagX::LTrimZeros(value));
  return NewAtom("data", Be32(1) + Be32(0) + utf8);
}

// Class 0: the track number as 32 bits (its high half is the reserved field
// before it), the count, and 2 reserved bytes.
std::string NewTrackData(uint16_t track, uint16_t total) {
  return NewAtom("data", Be32(0) + Be32(0) + Be32(track) + Be16(total) + Be16(0));
}

// Characters, not bytes: what the estimate counts.
int64_t CharacterCount(const std::string& utf8) {
  int64_t count = 0;
  for (char c : utf8) count += (static_cast<uint8_t>(c) & 0xC0) != 0x80;
  return count;
}

bool IsFree(const std::string& type) { return text::EqualsIgnoringCase(type, "free"); }
bool IsMediaData(const std::string& type) { return text::EqualsIgnoringCase(type, "mdat"); }

int64_t FindOnPath(BinaryStream& stream, size_t step) {
  AtomHeader atoms[kPathLength];
  if (!mp4::WalkPath(stream, step, atoms)) return -2;
  stream.SetPosition(atoms[step].start + kAtomHeaderSize);
  return atoms[step].size;
}

// What lies between the first ilst item and the media data, and the
// containers around it.
struct Layout {
  AtomHeader moov, udta, meta, ilst;
  uint32_t sampleRate = 0;
  int64_t itemsStart = 0;  // the first ilst item
  int64_t mdatStart = 0;
  // The atoms that followed ilst, less free atoms, by the container that
  // held them: meta, udta, moov, and the top level before mdat.
  static constexpr int kLevels = 4;
  std::string kept[kLevels];
};

// Follows the atoms from the first ilst item to mdat and checks that each
// stays inside the container it begins in; false when they cannot be
// followed, mdat does not come, or it lies inside moov.
bool ReadLayout(BinaryStream& stream, Layout& layout) {
  AtomHeader atoms[kPathLength];
  if (!mp4::WalkPath(stream, mp4::kIlstStep, atoms)) return false;
  layout.moov = atoms[mp4::kMoovStep];
  layout.udta = atoms[mp4::kUdtaStep];
  layout.meta = atoms[mp4::kMetaStep];
  layout.ilst = atoms[mp4::kIlstStep];
  layout.sampleRate = mp4::ReadMediaTimescale(stream, atoms[mp4::kMdhdStep]);
  layout.itemsStart = layout.ilst.start + kAtomHeaderSize;

  // Innermost first: ilst, meta, udta, moov.
  const int64_t ends[] = {layout.ilst.End(), layout.meta.End(), layout.udta.End(),
                          layout.moov.End()};
  for (int i = 1; i < 4; ++i)
    if (ends[i] < ends[i - 1]) return false;

  int64_t position = layout.itemsStart;
  while (true) {
    if (position + kAtomHeaderSize > stream.Length()) return false;
    AtomHeader atom = ReadAtomHeader(stream, position);
    if (!UsableSize(atom.size)) return false;
    int container = 0;  // index into ends; 4 is the top level
    while (container < 4 && position >= ends[container]) ++container;
    if (IsMediaData(atom.type)) {
      if (container != 4) return false;
      layout.mdatStart = position;
      return true;
    }
    if (container < 4 && atom.End() > ends[container]) return false;
    if (atom.End() > stream.Length()) return false;
    if (container > 0 && !IsFree(atom.type)) {
      stream.SetPosition(position);
      layout.kept[container - 1] += stream.Read(atom.size);
    }
    position = atom.End();
  }
}

// Adds by to every chunk offset at or past from, in the stco and co64 atoms
// of the tracks among bytes[begin, end); false when a table does not fit its
// atom or an offset would not fit its field.
bool ShiftChunkOffsets(std::string& bytes, int64_t begin, int64_t end, uint64_t from,
                       uint64_t by) {
  int64_t position = begin;
  while (position + kAtomHeaderSize <= end) {
    uint32_t size = GetBe32(bytes, position);
    std::string type = bytes.substr(static_cast<size_t>(position + 4), 4);
    if (!UsableSize(size) || position + size > end) return false;
    auto is = [&type](std::string_view name) { return text::EqualsIgnoringCase(type, name); };
    if (is("trak") || is("mdia") || is("minf") || is("stbl")) {
      if (!ShiftChunkOffsets(bytes, position + kAtomHeaderSize, position + size, from, by))
        return false;
    } else if (is("stco") || is("co64")) {
      int64_t width = is("stco") ? 4 : 8;
      // version and flags, then the entry count
      if (size < 16) return false;
      int64_t count = GetBe32(bytes, position + 12);
      if (16 + count * width > size) return false;
      for (int64_t i = 0; i < count; ++i) {
        int64_t at = position + 16 + i * width;
        uint64_t offset = width == 4 ? GetBe32(bytes, at)
                                     : uint64_t{GetBe32(bytes, at)} << 32 | GetBe32(bytes, at + 4);
        if (offset < from) continue;
        offset += by;
        if (width == 4) {
          if (offset > 0xFFFFFFFF) return false;
          PutBe32(bytes, at, static_cast<uint32_t>(offset));
        } else {
          PutBe32(bytes, at, static_cast<uint32_t>(offset >> 32));
          PutBe32(bytes, at + 4, static_cast<uint32_t>(offset));
        }
      }
    }
    position += size;
  }
  return true;
}

// The rebuilt item: its children as they were, except that the first data
// atom becomes data and any further one goes. A damaged rest of the item is
// dropped; an item without a data atom gets one.
std::string RebuildItem(BinaryStream& stream, const AtomHeader& item, const std::string& data) {
  std::string children;
  bool dataWritten = false;
  int64_t position = item.start + kAtomHeaderSize;
  while (item.End() - position >= kAtomHeaderSize) {
    AtomHeader child = ReadAtomHeader(stream, position);
    if (!UsableSize(child.size) || child.End() > item.End()) break;
    if (text::EqualsIgnoringCase(child.type, "data")) {
      if (!dataWritten) children += data;
      dataWritten = true;
    } else {
      stream.SetPosition(position);
      children += stream.Read(child.size);
    }
    position = child.End();
  }
  if (!dataWritten) children += data;
  return NewAtom(item.type, children);
}

}  // namespace

int64_t AudioTagX::Find_AAC_mdhd(BinaryStream& stream) {
  return FindOnPath(stream, mp4::kMdhdStep);
}

int64_t AudioTagX::Find_AAC_udta(BinaryStream& stream) {
  return FindOnPath(stream, mp4::kUdtaStep);
}

int64_t AudioTagX::Find_AAC_ilst(BinaryStream& stream) {
  return FindOnPath(stream, mp4::kIlstStep);
}

int64_t AudioTagX::Find_AAC_free(BinaryStream& stream) {
  if (Find_AAC_ilst(stream) < 0) return -2;
  int64_t position = stream.Position();
  while (position + kAtomHeaderSize <= stream.Length()) {
    AtomHeader atom = ReadAtomHeader(stream, position);
    if (IsFree(atom.type)) return atom.size;
    if (IsMediaData(atom.type) || !UsableSize(atom.size)) return -2;
    position = atom.End();
  }
  return -2;
}

int64_t AudioTagX::TagAvailableSpace2(BinaryStream& stream) {
  int64_t freeSize = Find_AAC_free(stream);
  mp4::Skip(stream, -kAtomHeaderSize);
  int64_t estimate = 0;
  for (const std::string* field : {&Album, &Artist, &Comments, &Genre, &Title, &Year})
    if (!field->empty()) estimate += CharacterCount(*field) + 24;
  if (!Track.empty() || !TotTracks.empty()) estimate += 32;
  // The bytes of the items already there are not counted as room.
  return (freeSize >= 0 ? freeSize - kAtomHeaderSize : 0) - estimate;
}

std::string AudioTagX::TagSet_ACC(BinaryStream& stream, uint32_t end) {
  uint16_t track = static_cast<uint16_t>(text::LeadingNumber(Track));
  uint16_t total = static_cast<uint16_t>(text::LeadingNumber(TotTracks));
  auto newData = [&](const ManagedItem& item) {
    return IsTrackItem(item) ? NewTrackData(track, total) : NewTextData(this->*item.property);
  };

  std::string items;
  bool met[kManagedCount] = {};
  int64_t position = stream.Position();
  while (position < end) {
    AtomHeader atom = ReadAtomHeader(stream, position);
    if (!UsableSize(atom.size)) break;  // Write_AAC refuses such files before this
    int managed = ManagedIndex(atom.type);
    if (managed >= 0) {
      // Written when its field holds a value, dropped when it is empty.
      met[managed] = true;
      const ManagedItem& item = kManagedItems[managed];
      if (!(this->*item.property).empty()) items += RebuildItem(stream, atom, newData(item));
    } else if (!IsFree(atom.type)) {
      stream.SetPosition(position);
      items += stream.Read(atom.size);
    }
    position = atom.End();
  }
  for (size_t i = 0; i < kManagedCount; ++i) {
    const ManagedItem& item = kManagedItems[i];
    if (!met[i] && !(this->*item.property).empty()) items += NewAtom(item.type, newData(item));
  }
  stream.SetPosition(position);
  return items;
}

int AudioTagX::Write_AAC(const std::string& path) {
  // Read only until every check has passed: a refused file is not touched.
  BinaryStream stream(path);
  if (!stream.IsOpen()) return kBadStructure;
  Layout layout;
  if (!ReadLayout(stream, layout)) return kBadStructure;
  if (!Track.empty()) {
    int64_t track = text::LeadingNumber(Track);
    int64_t total = text::LeadingNumber(TotTracks);
    if (track < 0 || track > kLargestTrackNumber || total < 0 || total > kLargestTrackNumber)
      return kTagNotWritable;
  }

  int64_t available = TagAvailableSpace2(stream);
  bool freeFound = Find_AAC_free(stream) >= 0;
  stream.SetPosition(layout.itemsStart);
  std::string items = TagSet_ACC(stream, static_cast<uint32_t>(layout.ilst.End()));

  // What goes between the first item and mdat, less the closing free atom,
  // which needs at least its header.
  int64_t keptSize = static_cast<int64_t>(items.size());
  for (const std::string& kept : layout.kept) keptSize += static_cast<int64_t>(kept.size());
  int64_t room = layout.mdatStart - layout.itemsStart;
  int64_t growth = 0;
  if (available < 1 || keptSize + kAtomHeaderSize > room) {
    // The room the estimate asks for, a new free atom's header when there
    // was none, and 500 bytes more; or more, when the real items are longer
    // than estimated.
    int64_t estimated = 0;
    if (available < 1) estimated = -available + kExtraRoom + (freeFound ? 0 : kAtomHeaderSize);
    growth = std::max(estimated, keptSize + kAtomHeaderSize - room + kExtraRoom);
  }
  if (int64_t{stream.Length()} + growth > kLargestFile) return kTagNotWritable;

  // The closing free atom goes after the last atom kept, inside every
  // container still open there: so it ends where mdat begins.
  int freeLevel = 0;
  for (int level = 0; level < Layout::kLevels; ++level)
    if (!layout.kept[level].empty()) freeLevel = level;
  int64_t newMdatStart = layout.mdatStart + growth;
  std::string region = items;
  int64_t containerEnds[Layout::kLevels - 1] = {};  // meta, udta, moov
  for (int level = 0; level < Layout::kLevels; ++level) {
    region += layout.kept[level];
    if (level == freeLevel) {
      int64_t freeSize = newMdatStart - layout.itemsStart - keptSize;
      region += NewAtom("free", std::string(static_cast<size_t>(freeSize - kAtomHeaderSize), '\0'));
    }
    if (level < Layout::kLevels - 1)
      containerEnds[level] = layout.itemsStart + static_cast<int64_t>(region.size());
  }

  // Everything before the first item, with the containers' new sizes.
  stream.SetPosition(0);
  std::string head = stream.Read(layout.itemsStart);
  PutBe32(head, layout.ilst.start, static_cast<uint32_t>(kAtomHeaderSize + items.size()));
  PutBe32(head, layout.meta.start, static_cast<uint32_t>(containerEnds[0] - layout.meta.start));
  PutBe32(head, layout.udta.start, static_cast<uint32_t>(containerEnds[1] - layout.udta.start));
  PutBe32(head, layout.moov.start, static_cast<uint32_t>(containerEnds[2] - layout.moov.start));
  SampleRate = std::to_string(layout.sampleRate);

  if (growth == 0) {
    // In place: one write from the first size that changed to mdat.
    int64_t from = GetBe32(head, layout.moov.start) != layout.moov.size ? layout.moov.start
                                                                        : layout.udta.start;
    BinaryStream out(path, BinaryStream::Mode::ReadWrite);
    if (!out.IsOpen()) return kWriteFailed;
    out.SetPosition(from);
    out.Write(std::string_view(head).substr(static_cast<size_t>(from)));
    out.Write(region);
    return out.Sync() ? kDone : kWriteFailed;
  }

  // The media data moves: the chunk offsets that point into it move too.
  if (!ShiftChunkOffsets(head, layout.moov.start + kAtomHeaderSize, layout.udta.start,
                         static_cast<uint64_t>(layout.mdatStart), static_cast<uint64_t>(growth)))
    return kBadStructure;
  // A file the user may not change is not replaced either.
  if (!BinaryStream(path, BinaryStream::Mode::ReadWrite).IsOpen()) return kWriteFailed;
  ReplacementFile replacement(path);
  if (!replacement.IsOpen()) return kWriteFailed;
  BinaryStream& out = replacement.Stream();
  out.Write(head);
  out.Write(region);
  stream.SetPosition(layout.mdatStart);
  if (!CopyBytes(stream, out, stream.Length() - layout.mdatStart)) return kWriteFailed;
  return replacement.Commit() ? kDone : kWriteFailed;
}
