// MP4 (AAC) metadata: the song length and sample rate from the movie and
// media headers, the average bit rate from the size of the media data, and
// the text items of the ilst list, found along one fixed atom path.
//
// Only atom headers, the two media headers and the items are read; every
// other atom, the media data included, is passed by moving the position.
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "audio_tag.h"
#include "binary_stream.h"
#include "mp4_atoms.h"
#include "text.h"

namespace {

using mp4::AtomHeader;
using mp4::kAtomHeaderSize;
using mp4::kDataHeaderSize;
using mp4::kPath;
using mp4::NextPosition;
using mp4::PathStep;
using mp4::ReadAtomHeader;
using mp4::ReadMediaTimescale;
using mp4::Skip;
using mp4::UsableSize;

struct MovieTimes {
  uint32_t timescale = 0;  // units per second
  uint64_t duration = 0;   // in timescale units
};

// mvhd after its header: version and flags, then creation and modification
// times, timescale and duration; version 1 has 64-bit times and duration.
MovieTimes ReadMovieHeader(BinaryStream& stream, const AtomHeader& mvhd) {
  stream.SetPosition(mvhd.start + kAtomHeaderSize);
  bool version1 = stream.ReadByte() == 1;
  Skip(stream, 3);                  // flags
  Skip(stream, version1 ? 16 : 8);  // creation and modification times
  MovieTimes times;
  times.timescale = stream.ReadUInt32();
  if (version1) {
    uint64_t high = stream.ReadUInt32();
    times.duration = high << 32 | stream.ReadUInt32();
  } else {
    times.duration = stream.ReadUInt32();
  }
  return times;
}

struct DataAtom {
  uint32_t size = 0;
  uint32_t dataClass = 0;  // 1 UTF-8, 2 UTF-16 big-endian, 0 raw numbers
};

// The header of the data atom that follows an item's header; the stream is
// left at its payload.
DataAtom ReadDataHeader(BinaryStream& stream) {
  DataAtom data;
  data.size = stream.ReadUInt32();
  Skip(stream, 4);  // the type, "data"
  data.dataClass = stream.ReadUInt32();
  Skip(stream, 4);  // locale
  return data;
}

// Text of any other class carries no character set; ISO-8859-1 is what such
// bytes usually are.
std::string DecodeText(const std::string& bytes, uint32_t dataClass) {
  if (dataClass == 1) return text::ValidUtf8(bytes);
  if (dataClass == 2) return text::Utf16ToUtf8(bytes, true);
  return text::Latin1ToUtf8(bytes);
}

struct TextItem {
  std::string_view type;
  std::string AudioTagX::*property;
};

// Item types beginning with the byte 0xA9, the copyright sign.
constexpr TextItem kTextItems[] = {
    {"\xA9" "alb", &AudioTagX::Album},
    {"\xA9" "ART", &AudioTagX::Artist},
    {"\xA9" "cmt", &AudioTagX::Comments},
    {"\xA9" "nam", &AudioTagX::Title},
    {"\xA9" "day", &AudioTagX::Year},
    {"\xA9" "gen", &AudioTagX::Genre},
};

// Whole milliseconds of the movie; false when it has no length (a timescale
// or a duration of 0) or one too large for the record's numbers.
bool MovieMilliseconds(const MovieTimes& times, int64_t& milliseconds) {
  if (times.timescale == 0 || times.duration == 0) return false;
  // Split so that duration × 1000 cannot overflow, even for a 64-bit duration.
  uint64_t seconds = times.duration / times.timescale;
  uint64_t rest = times.duration % times.timescale;
  if (seconds > (uint64_t{std::numeric_limits<int64_t>::max()} - 999) / 1000) return false;
  milliseconds = static_cast<int64_t>(seconds * 1000 + rest * 1000 / times.timescale);
  return true;
}

void SetLengthAndSize(AudioTagX& tag, const MovieTimes& times, uint32_t fileLength) {
  int64_t milliseconds = 0;
  if (MovieMilliseconds(times, milliseconds)) {
    tag.LengthMs = std::to_string(milliseconds);
    tag.LengthSecs = std::to_string(milliseconds / 1000);
    tag.Length = AudioTagX::SecsToTime(milliseconds / 1000);
  } else {
    // Emptied, not left alone: LengthMs may still hold the previous song's.
    tag.LengthMs.clear();
    tag.LengthSecs.clear();
    tag.Length.clear();
  }
  tag.Size = text::WholePattern(fileLength, 1);
  tag.SizeMB = text::TwoDecimalsPattern(fileLength, 1000000);
}

// The mean bit rate in kbit/s over the whole media data atom, header included.
void SetBitrate(AudioTagX& tag, const MovieTimes& times, uint32_t mdatSize) {
  int64_t milliseconds = 0;
  if (!MovieMilliseconds(times, milliseconds)) return;
  double kbits = static_cast<double>(mdatSize) * 8 / static_cast<double>(times.duration) *
                 times.timescale / 1000;
  tag.Bitrate = std::to_string(std::llround(kbits));
}

// Steps over top-level atoms from the stream's position to the media data
// atom and gives its size; false at the end of the file.
bool FindMediaData(BinaryStream& stream, uint32_t& mdatSize) {
  uint32_t size = stream.ReadUInt32();
  while (!stream.AtEnd()) {
    std::string type = stream.Read(4);
    if (!UsableSize(size)) return false;
    if (text::EqualsIgnoringCase(type, "mdat")) {
      mdatSize = size;
      return true;
    }
    int64_t start = int64_t{stream.Position()} - kAtomHeaderSize;
    stream.SetPosition(start + size);
    // Positions stop at 4 GiB: an atom said to end beyond cannot be followed.
    if (stream.Position() < start + size) return false;
    size = stream.ReadUInt32();
  }
  return false;
}

}  // namespace

int AudioTagX::TagGetNext_AAC(BinaryStream& stream) {
  int64_t itemStart = stream.Position();
  uint32_t itemSize = stream.ReadUInt32();
  std::string type = stream.Read(4);
  if (!UsableSize(itemSize)) return kBadStructure;

  for (const TextItem& item : kTextItems) {
    if (!text::EqualsIgnoringCase(type, item.type)) continue;
    DataAtom data = ReadDataHeader(stream);
    if (data.size < kDataHeaderSize) return kBadStructure;
    int64_t payloadSize = int64_t{data.size} - kDataHeaderSize;
    // A genre of class 0 is a number from the ID3v1 table, not text; it is
    // not looked up.
    if (item.property == &AudioTagX::Genre && data.dataClass == 0) {
      Genre.clear();
      Skip(stream, payloadSize);
      return kDone;
    }
    // The item's own size is not used: the stream goes on after the data atom.
    this->*item.property = LTrimZeros(DecodeText(stream.Read(payloadSize), data.dataClass));
    return kDone;
  }

  if (text::EqualsIgnoringCase(type, "trkn")) {
    // 2 reserved bytes, the track number, the number of tracks, 2 reserved.
    // The whole item is 32 bytes, whatever its sizes say.
    DataAtom data = ReadDataHeader(stream);
    Skip(stream, 2);
    if (data.dataClass != 0) return kBadStructure;
    uint16_t track = stream.ReadUInt16();
    if (track != 0) {
      Track = std::to_string(track);
      uint16_t total = stream.ReadUInt16();
      if (total != 0) TotTracks = std::to_string(total);
    } else {
      Skip(stream, 2);
    }
    Skip(stream, 2);
    return kDone;
  }

  stream.SetPosition(itemStart + itemSize);
  return kDone;
}

int AudioTagX::Read_AAC(const std::string& path) {
  BinaryStream stream(path);
  if (!stream.IsOpen()) return kBadStructure;

  // The first atom (ftyp, which Read has recognised) is stepped over.
  stream.SetPosition(0);
  int64_t position = stream.ReadUInt32();
  AtomHeader moov;
  MovieTimes times;
  for (const PathStep& step : kPath) {
    AtomHeader atom = ReadAtomHeader(stream, position);
    if (!UsableSize(atom.size) || !text::EqualsIgnoringCase(atom.type, step.type))
      return kBadStructure;
    if (step.type == "moov") moov = atom;
    if (step.type == "mvhd") {
      times = ReadMovieHeader(stream, atom);
      SetLengthAndSize(*this, times, stream.Length());
    }
    if (step.type == "mdhd") SampleRate = std::to_string(ReadMediaTimescale(stream, atom));
    position = NextPosition(atom, step.next);
  }

  // The items, and whatever follows ilst inside moov (a free atom, say),
  // up to the end of moov.
  stream.SetPosition(position);
  while (int64_t{stream.Position()} < moov.End()) {
    uint32_t itemStart = stream.Position();
    int result = TagGetNext_AAC(stream);
    if (result != kDone) return result;
    // Only where positions stop at 4 GiB can an item fail to move the walk on.
    if (stream.Position() <= itemStart) return kBadStructure;
  }

  uint32_t mdatSize = 0;
  if (!FindMediaData(stream, mdatSize)) return kBadStructure;
  SetBitrate(*this, times, mdatSize);
  return kDone;
}
