// Writing ID3v2.2, ID3v2.3 and ID3v2.4 tags: the frames of the record's seven
// fields, the room check, the in-place rewrite and the growth of a tag, and a
// new ID3v2.3 tag in front of an untagged MP3 file.
#include <algorithm>
#include <string_view>

#include "audio_tag.h"
#include "binary_stream.h"
#include "file_replace.h"
#include "id3v2_frames.h"
#include "text.h"

namespace {

constexpr int64_t kTagHeaderSize = 10;
// A syncsafe size holds 28 bits.
constexpr int64_t kLargestTagSize = (int64_t{1} << 28) - 1;
// Extra padding given to a tag that grows, so that the next write fits in it.
constexpr int64_t kGrowthPadding = 500;
// A version 2 frame size has three bytes.
constexpr int64_t kLargestV2FrameSize = 0xFFFFFF;

using id3v2::FieldFrame;
using id3v2::Field;
using id3v2::FieldFrameIndex;
using id3v2::FrameId;
using id3v2::kFieldCount;
using id3v2::kFieldFrames;

bool IsWritten(const AudioTagX& tag, Field field) {
  switch (field) {
    case Field::kAlbum: return !tag.Album.empty();
    case Field::kArtist: return !tag.Artist.empty();
    case Field::kComment: return !tag.Comments.empty();
    case Field::kTitle: return !tag.Title.empty();
    case Field::kGenre: return !tag.Genre.empty();
    case Field::kTrack: return !tag.Track.empty();
    case Field::kYear: return !tag.Year.empty();
  }
  return false;
}

// The text a field's frame holds: the property less one trailing terminator;
// the track is Track, or Track/TotTracks.
std::string FieldText(const AudioTagX& tag, Field field) {
  switch (field) {
    case Field::kAlbum: return AudioTagX::LTrimZeros(tag.Album);
    case Field::kArtist: return AudioTagX::LTrimZeros(tag.Artist);
    case Field::kComment: return AudioTagX::LTrimZeros(tag.Comments);
    case Field::kTitle: return AudioTagX::LTrimZeros(tag.Title);
    case Field::kGenre: return AudioTagX::LTrimZeros(tag.Genre);
    case Field::kYear: return AudioTagX::LTrimZeros(tag.Year);
    case Field::kTrack:
      if (tag.TotTracks.empty()) return AudioTagX::LTrimZeros(tag.Track);
      return AudioTagX::LTrimZeros(tag.Track) + "/" + AudioTagX::LTrimZeros(tag.TotTracks);
  }
  return {};
}

// The code points of UTF-8 text; a byte that is not UTF-8 counts as U+FFFD.
std::u32string CodePoints(std::string_view utf8) {
  std::string valid = text::ValidUtf8(utf8);
  std::u32string points;
  points.reserve(valid.size());
  for (size_t i = 0; i < valid.size();) {
    auto lead = static_cast<unsigned char>(valid[i]);
    size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t point = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
    for (size_t k = 1; k < length; ++k) point = point << 6 | (static_cast<unsigned char>(valid[i + k]) & 0x3F);
    points += point;
    i += length;
  }
  return points;
}

int64_t CharacterCount(std::string_view utf8) { return static_cast<int64_t>(CodePoints(utf8).size()); }

// ISO-8859-1 bytes of the text, or false when a character is beyond U+00FF.
bool ToLatin1(std::string_view utf8, std::string& latin1) {
  latin1.clear();
  for (char32_t point : CodePoints(utf8)) {
    if (point > 0xFF) return false;
    latin1 += static_cast<char>(point);
  }
  return true;
}

std::string Utf16BigEndian(std::string_view utf8) {
  std::string bytes;
  auto unit = [&bytes](char32_t u) {
    bytes += static_cast<char>(u >> 8);
    bytes += static_cast<char>(u & 0xFF);
  };
  for (char32_t point : CodePoints(utf8)) {
    if (point >= 0x10000) {
      unit(0xD800 + ((point - 0x10000) >> 10));
      unit(0xDC00 + ((point - 0x10000) & 0x3FF));
    } else {
      unit(point);
    }
  }
  return bytes;
}

const std::string kLatin1Encoding(1, '\x00');
const std::string kUtf16Encoding(1, '\x01');
const std::string kBigEndianMark = "\xFE\xFF";
const std::string kUtf16Terminator(2, '\x00');

// Encoding 1 text: the byte-order mark, UTF-16 big-endian, the terminator.
std::string MarkedUtf16(std::string_view utf8) {
  return kBigEndianMark + Utf16BigEndian(utf8) + kUtf16Terminator;
}

// The body of a new field frame. Versions 3 and 4 hold text in UTF-16 behind
// a byte-order mark, and the track and year, which are digits once Write has
// normalised them, in ISO-8859-1 without a terminator. Version 2 holds
// ISO-8859-1 text with its terminator, or UTF-16 (encoding 1, which version 2
// allows too) when the text has characters that ISO-8859-1 cannot hold. The
// comment has a language and an empty description before the text.
std::string FrameBody(Field field, std::string_view value, int major) {
  std::string latin1;
  bool isLatin1 = ToLatin1(value, latin1);
  if (major == 2) {
    if (field == Field::kComment) {
      if (isLatin1) return kLatin1Encoding + "XXX" + '\0' + latin1 + '\0';
      return kUtf16Encoding + "XXX" + kBigEndianMark + kUtf16Terminator + MarkedUtf16(value);
    }
    if (isLatin1) return kLatin1Encoding + latin1 + '\0';
    return kUtf16Encoding + MarkedUtf16(value);
  }
  if (field == Field::kComment)
    return kUtf16Encoding + "eng" + kBigEndianMark + kUtf16Terminator + MarkedUtf16(value);
  if ((field == Field::kTrack || field == Field::kYear) && isLatin1) return kLatin1Encoding + latin1;
  return kUtf16Encoding + MarkedUtf16(value);
}

// A frame header: identifier, size (version 2: three bytes; version 3: four;
// version 4: four syncsafe ones) and, after versions 3 and 4, flags 00 00.
std::string FrameHeader(std::string_view id, size_t bodySize, int major) {
  auto size = static_cast<uint32_t>(bodySize);
  if (major == 4) size = AudioTagX::TagSizeSet(size);
  std::string header(id);
  if (major != 2) header += static_cast<char>(size >> 24);
  header += static_cast<char>(size >> 16);
  header += static_cast<char>(size >> 8);
  header += static_cast<char>(size);
  if (major != 2) header += std::string(2, '\0');
  return header;
}

std::string NewFrame(const AudioTagX& tag, const FieldFrame& frame, int major) {
  std::string body = FrameBody(frame.field, FieldText(tag, frame.field), major);
  return FrameHeader(FrameId(frame, major), body.size(), major) + body;
}

size_t IdLength(int major) { return major == 2 ? 3 : 4; }
size_t FrameHeaderLength(int major) { return major == 2 ? 6 : 10; }

// A frame size field as the version reads it: -1 for a version 4 size that
// is not syncsafe.
int64_t DecodeFrameSize(uint32_t field, int major) {
  if (major == 2) return field >> 8;
  if (major == 4) return AudioTagX::TagSizeGet(field);
  return field;
}

// The frame size whose size field starts at offset in tag, or 0 when the
// field does not lie wholly inside tag.
int64_t FrameSizeAt(std::string_view tag, int64_t offset, int major) {
  const auto width = static_cast<int64_t>(IdLength(major));  // as wide as the identifier
  if (offset < 0 || offset + width > static_cast<int64_t>(tag.size())) return 0;
  uint32_t field = 0;
  for (int64_t i = 0; i < 4; ++i)
    field = field << 8 | (i < width ? static_cast<unsigned char>(tag[offset + i]) : 0);
  return DecodeFrameSize(field, major);
}

// The same, read from a file whose tag ends at tagEnd.
int64_t FrameSizeAt(BinaryStream& file, uint32_t tagEnd, int64_t offset, int major) {
  const auto width = static_cast<int64_t>(IdLength(major));
  if (offset < 0 || offset + width > tagEnd) return 0;
  file.SetPosition(offset);
  uint32_t field = file.ReadUInt32();
  if (width == 3) field &= 0xFFFFFF00;
  return DecodeFrameSize(field, major);
}

// The walk of CountZeroPadding over a tag of length bytes, whose frame sizes
// sizeAt gives by the offset of their size field.
template <typename SizeAt>
int64_t PaddingWalk(int64_t length, int major, SizeAt sizeAt) {
  const auto idLength = static_cast<int64_t>(IdLength(major));
  const int64_t flagsLength = major == 2 ? 0 : 2;
  // p is the offset of a frame's size field, right after its identifier.
  int64_t p = kTagHeaderSize + idLength;
  int64_t size = sizeAt(p);
  while (size > 0) {
    p += size + flagsLength + 2 * idLength;
    size = sizeAt(p);
  }
  // Frames whose sizes run past the tag's end leave no padding at all.
  return std::max<int64_t>(0, length + idLength - p);
}

// Whether a tag of size bytes after its header can grow as far as available
// (the room check's answer) asks, with the padding to spare.
bool GrowthFits(int64_t size, int64_t available) {
  return available >= 1 || size + kGrowthPadding - available <= kLargestTagSize;
}

// Whether the file, once its bytes before `from` are replaced by head, stays
// below the largest 32-bit position: a stream's length saturates there, so
// a file that reaches it could not be copied whole.
bool FitsInFile(size_t headLength, const BinaryStream& file, uint32_t from) {
  constexpr uint64_t kLargestLength = 0xFFFFFFFF;
  return file.Length() < kLargestLength &&
         uint64_t{headLength} + (file.Length() - from) < kLargestLength;
}

// Writes a new version of the file at path: head, then file's bytes from
// `from` to its end. The new file is written beside the old one and renamed
// over it only once it is whole and on disk.
int ReplaceHead(const std::string& path, std::string_view head, BinaryStream& file, uint32_t from) {
  if (!FitsInFile(head.size(), file, from)) return AudioTagX::kTagNotWritable;
  ReplacementFile replacement(path);
  if (!replacement.IsOpen()) return AudioTagX::kWriteFailed;
  replacement.Stream().Write(head);
  file.SetPosition(from);
  if (!CopyBytes(file, replacement.Stream(), file.Length() - from)) return AudioTagX::kWriteFailed;
  return replacement.Commit() ? AudioTagX::kDone : AudioTagX::kWriteFailed;
}

// Rewrites the start of the file with bytes, which are as long as the part
// they replace: only the bytes that differ are written.
int OverwriteHead(BinaryStream& file, std::string_view bytes, std::string_view old) {
  size_t first = 0;
  while (first < bytes.size() && bytes[first] == old[first]) ++first;
  if (first == bytes.size()) return AudioTagX::kDone;
  size_t end = bytes.size();
  while (bytes[end - 1] == old[end - 1]) --end;
  file.SetPosition(static_cast<int64_t>(first));
  file.Write(bytes.substr(first, end - first));
  return file.Sync() ? AudioTagX::kDone : AudioTagX::kWriteFailed;
}

// The offset of the first byte that is not zero, or the length of the file.
uint32_t LeadingZeroBytes(BinaryStream& file) {
  constexpr int64_t kChunk = 4096;
  file.SetPosition(0);
  int64_t at = 0;
  while (at < file.Length()) {
    std::string chunk = file.Read(kChunk);
    size_t nonZero = chunk.find_first_not_of('\0');
    if (nonZero != std::string::npos) return static_cast<uint32_t>(at + nonZero);
    at += static_cast<int64_t>(chunk.size());
    if (chunk.empty()) break;
  }
  return file.Length();
}

}  // namespace

uint32_t AudioTagX::TagSizeSet(uint32_t size) {
  return (size >> 21 & 0x7F) << 24 | (size >> 14 & 0x7F) << 16 | (size >> 7 & 0x7F) << 8 |
         (size & 0x7F);
}

int64_t AudioTagX::CountZeroPadding(std::string_view tag, int major) {
  return PaddingWalk(static_cast<int64_t>(tag.size()), major,
                     [&](int64_t offset) { return FrameSizeAt(tag, offset, major); });
}

int64_t AudioTagX::TagAvailableSpace(std::string_view tag, int major) const {
  return CountZeroPadding(tag, major) - EstimatedFramesSize(major);
}

int64_t AudioTagX::EstimatedFramesSize(int major) const {
  const int64_t perText = major == 2 ? 7 : 10;
  const int64_t perTrack = major == 2 ? 8 : 11;
  // From the character counts: two bytes a character and a frame header with
  // a little over, for each field that is written.
  int64_t needed = 0;
  for (const std::string* value : {&Album, &Artist, &Comments, &Genre, &Title, &Year})
    if (!value->empty()) needed += 2 * CharacterCount(*value) + perText;
  if (!Track.empty() || !TotTracks.empty())
    needed += 2 * CharacterCount(Track) + CharacterCount(TotTracks) + perTrack;
  return needed;
}

std::string AudioTagX::TagSet_id3v22x(std::string_view tag, uint32_t framesEnd) const {
  return TagSetId3v2(tag, framesEnd, 2);
}
std::string AudioTagX::TagSet_id3v23x(std::string_view tag, uint32_t framesEnd) const {
  return TagSetId3v2(tag, framesEnd, 3);
}
std::string AudioTagX::TagSet_id3v24x(std::string_view tag, uint32_t framesEnd) const {
  return TagSetId3v2(tag, framesEnd, 4);
}

std::string AudioTagX::TagSetId3v2(std::string_view tag, uint32_t framesEnd, int major) const {
  const size_t headerLength = FrameHeaderLength(major);
  const size_t end = std::min<size_t>(framesEnd, tag.size());
  std::string frames(tag.substr(0, std::min<size_t>(kTagHeaderSize, tag.size())));
  bool met[kFieldCount] = {};

  size_t at = kTagHeaderSize;
  while (at < end) {
    std::string_view id = tag.substr(at, IdLength(major));
    int64_t size = FrameSizeAt(tag, at + IdLength(major), major);
    size_t index = FieldFrameIndex(id, major);
    // Version 4 keeps its album frame when there is no album to write.
    if (index != kFieldCount && major == 4 && kFieldFrames[index].field == Field::kAlbum &&
        Album.empty())
      index = kFieldCount;

    if (index != kFieldCount) {
      // A field frame gives way to the field's new frame, written where the
      // field's first frame stood; a repeated one is dropped, since a tag
      // holds one frame of each.
      const FieldFrame& frame = kFieldFrames[index];
      if (!met[index] && IsWritten(*this, frame.field)) frames += NewFrame(*this, frame, major);
      met[index] = true;
      if (size < 0) break;
      at += headerLength + static_cast<size_t>(size);
      continue;
    }
    // Any other frame keeps its bytes. One of size 0 ends the walk after its
    // header; one that runs past the end of the frames is damaged and is not
    // carried over.
    if (size <= 0) {
      if (size == 0) frames += tag.substr(at, std::min(headerLength, tag.size() - at));
      break;
    }
    if (headerLength + static_cast<uint64_t>(size) > end - at) break;
    frames += tag.substr(at, headerLength + static_cast<size_t>(size));
    at += headerLength + static_cast<size_t>(size);
  }

  for (size_t i = 0; i < kFieldCount; ++i)
    if (!met[i] && IsWritten(*this, kFieldFrames[i].field))
      frames += NewFrame(*this, kFieldFrames[i], major);
  if (frames.size() < framesEnd) frames.resize(framesEnd, '\0');
  return frames;
}

int AudioTagX::ComposeId3v2(std::string_view tag, int major, std::string& composed) const {
  if (major == 2) {
    for (const FieldFrame& frame : kFieldFrames)
      if (IsWritten(*this, frame.field) &&
          static_cast<int64_t>(FrameBody(frame.field, FieldText(*this, frame.field), 2).size()) >
              kLargestV2FrameSize)
        return kTagNotWritable;
  }
  const auto tagEnd = static_cast<int64_t>(tag.size());
  const auto framesEnd = static_cast<uint32_t>(tagEnd - CountZeroPadding(tag, major));
  int64_t available = TagAvailableSpace(tag, major);
  if (!GrowthFits(tagEnd - kTagHeaderSize, available)) return kTagNotWritable;
  std::string frames = TagSetId3v2(tag, framesEnd, major);
  const auto framesLength = static_cast<int64_t>(frames.size());

  // In place, when the estimate says the frames fit and they really do: the
  // new tag never reaches past the old one's end.
  if (available >= 1 && framesLength <= tagEnd) {
    frames.resize(tag.size(), '\0');
    composed = std::move(frames);
    return kDone;
  }
  // Grow by what the estimate found missing, or, when that falls short of
  // the real frames, by what they need, and 500 bytes more.
  int64_t growth = available <= 0 ? kGrowthPadding - available : 0;
  if (framesLength > tagEnd + growth) growth = framesLength - tagEnd + kGrowthPadding;
  int64_t newSize = tagEnd - kTagHeaderSize + growth;
  if (newSize > kLargestTagSize) return kTagNotWritable;
  frames.resize(static_cast<size_t>(tagEnd + growth), '\0');
  uint32_t sizeField = TagSizeSet(static_cast<uint32_t>(newSize));
  for (int i = 0; i < 4; ++i) frames[6 + i] = static_cast<char>(sizeField >> (24 - 8 * i));
  composed = std::move(frames);
  return kDone;
}

int AudioTagX::Write_id3v22x(const std::string& path) { return WriteId3v2(path, 2); }
int AudioTagX::Write_id3v23x(const std::string& path) { return WriteId3v2(path, 3); }
int AudioTagX::Write_id3v24x(const std::string& path) { return WriteId3v2(path, 4); }

int AudioTagX::WriteId3v2(const std::string& path, int major) {
  BinaryStream file(path, BinaryStream::Mode::ReadWrite);
  if (!file.IsOpen()) return kWriteFailed;
  // Every refusal comes before the first byte is written.
  if (!text::EqualsIgnoringCase(file.Read(3), "ID3")) return kNoSync;
  if (file.ReadByte() != major) return kUnknownVersion;
  file.ReadByte();  // revision
  uint8_t flags = file.ReadByte();
  if (GetBit(flags, 7)) return kUnsynchronised;
  if (major == 2 && GetBit(flags, 6)) return kCompressedFrame;
  if (major != 2 && GetBit(flags, 5)) return kExperimentalTag;
  if (major == 4 && GetBit(flags, 4)) return kFooter;
  // The frames would have to be found behind an extended header, and its
  // CRC and restrictions kept true: such tags are left alone.
  if (major != 2 && GetBit(flags, 6)) return kTagNotWritable;

  int32_t size = TagSizeGet(file.ReadUInt32());
  if (size < 0) return kBadStructure;
  const uint32_t tagEnd = static_cast<uint32_t>(kTagHeaderSize + size);
  file.SetPosition(tagEnd);
  if (file.ReadByte() != 0xFF) return kBadStructure;

  // Whether a tag that must grow can is known from its frame headers, before
  // a tag of hundreds of megabytes is read only to be refused.
  int64_t padding = PaddingWalk(tagEnd, major, [&](int64_t offset) {
    return FrameSizeAt(file, tagEnd, offset, major);
  });
  if (!GrowthFits(size, padding - EstimatedFramesSize(major))) return kTagNotWritable;

  file.SetPosition(0);
  std::string tag = file.Read(tagEnd);
  std::string composed;
  if (int result = ComposeId3v2(tag, major, composed); result != kDone) return result;
  if (composed.size() == tag.size()) return OverwriteHead(file, composed, tag);
  return ReplaceHead(path, composed, file, tagEnd);
}

int AudioTagX::Write_new_id3v23(const std::string& path) {
  BinaryStream file(path, BinaryStream::Mode::ReadWrite);
  if (!file.IsOpen()) return kWriteFailed;
  const uint32_t zeros = LeadingZeroBytes(file);
  // Only in front of MPEG-1 Layer III audio.
  file.SetPosition(zeros);
  if (file.ReadByte() != 0xFF) return kNoSync;
  uint8_t second = file.ReadByte();
  if (second != 0xFB && second != 0xFA) return kNoSync;

  // An estimate of the tag: the header, each field's characters and frame
  // header, and room to spare.
  int64_t estimate = kTagHeaderSize;
  for (const std::string* value : {&Album, &Artist, &Comments, &Genre, &Title, &Year})
    if (!value->empty()) estimate += CharacterCount(*value) + 10;
  if (!Track.empty() || !TotTracks.empty())
    estimate += CharacterCount(Track) + CharacterCount(TotTracks) + 11;
  estimate += kGrowthPadding;

  // An empty tag takes the place of the leading zero bytes; when there are
  // enough of them it is made of them alone.
  int64_t size = estimate > zeros ? estimate - zeros : int64_t{zeros} - kTagHeaderSize;
  if (size > kLargestTagSize) return kTagNotWritable;
  std::string empty("ID3\x03\x00\x00", 6);  // version 2.3.0, no flags
  uint32_t sizeField = TagSizeSet(static_cast<uint32_t>(size));
  for (int shift = 24; shift >= 0; shift -= 8) empty += static_cast<char>(sizeField >> shift);
  empty.resize(static_cast<size_t>(kTagHeaderSize + size), '\0');

  // The record's frames go into the empty tag before anything is written, so
  // that the file is changed once: in place over the zero bytes when the tag
  // is as long as they are, otherwise into a new file.
  std::string composed;
  if (int result = ComposeId3v2(empty, 3, composed); result != kDone) return result;
  if (composed.size() == zeros) {
    return OverwriteHead(file, composed, std::string(zeros, '\0'));
  }
  return ReplaceHead(path, composed, file, zeros);
}
