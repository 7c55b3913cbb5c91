// ID3v2.2, ID3v2.3 and ID3v2.4 tags: the tag header, the walk over the
// frames, and the contents of the frames the record wants.
#include <algorithm>
#include <optional>
#include <span>
#include <string_view>

#include "audio_tag.h"
#include "binary_stream.h"
#include "id3v2_frames.h"
#include "text.h"

namespace {

constexpr int64_t kTagHeaderSize = 10;

using id3v2::Field;
using id3v2::kFieldCount;
using id3v2::kFieldFrames;

// The field of a frame the record wants, or nothing for any other frame.
std::optional<Field> WantedField(std::string_view id, int major) {
  size_t index = id3v2::FieldFrameIndex(id, major);
  if (index == kFieldCount) return std::nullopt;
  return kFieldFrames[index].field;
}

// A format flag of versions 3 and 4 that stops the walk, with its code, in the
// order the flags are tested.
struct StoppingFlag {
  int bit;
  int result;
};

constexpr StoppingFlag kFormatFlags23[] = {
    {7, AudioTagX::kCompressedFrame},
    {6, AudioTagX::kEncryptedFrame},
    {5, AudioTagX::kGroupedFrame},
};
constexpr StoppingFlag kFormatFlags24[] = {
    {6, AudioTagX::kGroupedFrame},        {3, AudioTagX::kCompressedFrame},
    {2, AudioTagX::kEncryptedFrame},      {1, AudioTagX::kUnsynchronised},
    {0, AudioTagX::kDataLengthIndicator},
};

// Text encodings of a frame's first byte.
constexpr uint8_t kLatin1 = 0;
constexpr uint8_t kUtf16WithMark = 1;
constexpr uint8_t kUtf16BigEndian = 2;  // ID3v2.4
constexpr uint8_t kUtf8 = 3;            // ID3v2.4

enum class ByteOrder { kLittleEndian, kBigEndian };

// UTF-16 code units, two bytes at a time. A frame may hold several strings,
// each with its terminator and, in encoding 1, its own byte-order mark: both
// are dropped wherever they occur, and a mark read the wrong way round
// (U+FFFE) means the strings after it are in the other byte order. A last odd
// byte is half a unit and is dropped.
std::string Utf16UnitsToUtf8(std::string_view bytes, ByteOrder order) {
  std::string kept;  // the units kept, big-endian
  kept.reserve(bytes.size());
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    auto first = static_cast<uint8_t>(bytes[i]);
    auto second = static_cast<uint8_t>(bytes[i + 1]);
    uint16_t unit = order == ByteOrder::kBigEndian ? (first << 8 | second) : (second << 8 | first);
    if (unit == 0x0000 || unit == 0xFEFF) continue;
    if (unit == 0xFFFE) {
      order = order == ByteOrder::kBigEndian ? ByteOrder::kLittleEndian : ByteOrder::kBigEndian;
      continue;
    }
    kept += static_cast<char>(unit >> 8);
    kept += static_cast<char>(unit & 0xFF);
  }
  return text::Utf16ToUtf8(kept, true);
}

std::optional<ByteOrder> ByteOrderMark(std::string_view bytes) {
  if (bytes.size() < 2) return std::nullopt;
  auto first = static_cast<uint8_t>(bytes[0]);
  auto second = static_cast<uint8_t>(bytes[1]);
  if (first == 0xFF && second == 0xFE) return ByteOrder::kLittleEndian;
  if (first == 0xFE && second == 0xFF) return ByteOrder::kBigEndian;
  return std::nullopt;
}

// Text of encoding 1: UTF-16 behind a byte-order mark. Without a mark the
// bytes are in the order given by unmarked, if any; otherwise they are
// single-byte text, taken as ISO-8859-1 without its two-byte terminator.
std::string MarkedUtf16ToUtf8(std::string_view bytes, std::optional<ByteOrder> unmarked = {}) {
  if (std::optional<ByteOrder> order = ByteOrderMark(bytes))
    return Utf16UnitsToUtf8(bytes.substr(2), *order);
  if (unmarked) return Utf16UnitsToUtf8(bytes, *unmarked);
  if (bytes.ends_with(std::string_view("\0\0", 2))) bytes.remove_suffix(2);
  return text::Latin1ToUtf8(bytes);
}

// The text of bytes in a frame's encoding, or nothing for an encoding that
// this version of the tag does not define.
std::optional<std::string> DecodeText(uint8_t encoding, std::string_view bytes, int major,
                                      std::optional<ByteOrder> unmarked = {}) {
  switch (encoding) {
    case kLatin1: return text::Latin1ToUtf8(bytes);
    case kUtf16WithMark: return MarkedUtf16ToUtf8(bytes, unmarked);
    case kUtf16BigEndian:
      if (major == 4) return Utf16UnitsToUtf8(bytes, ByteOrder::kBigEndian);
      break;
    case kUtf8:
      if (major == 4) return text::ValidUtf8(bytes);
      break;
  }
  return std::nullopt;
}

// Where the bytes after a string's terminator begin, or npos when the string
// has none. UTF-16 terminators are two zero bytes on a unit boundary.
size_t AfterTerminator(std::string_view bytes, uint8_t encoding) {
  if (encoding == kUtf16WithMark || encoding == kUtf16BigEndian) {
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
      if (bytes[i] == '\0' && bytes[i + 1] == '\0') return i + 2;
    return std::string_view::npos;
  }
  size_t zero = bytes.find('\0');
  return zero == std::string_view::npos ? zero : zero + 1;
}

// A comment frame's data after the encoding byte: a language code (3 bytes),
// a short description ended by its terminator, then the comment. The
// description is not kept. With UTF-16 its byte-order mark also stands for
// a comment that lacks one.
std::optional<std::string> CommentText(uint8_t encoding, std::string_view bytes, int major) {
  std::string_view described = bytes.substr(std::min<size_t>(3, bytes.size()));
  size_t textStart = AfterTerminator(described, encoding);
  if (textStart == std::string_view::npos) return DecodeText(encoding, {}, major);
  std::optional<ByteOrder> descriptionOrder =
      encoding == kUtf16WithMark ? ByteOrderMark(described) : std::nullopt;
  return DecodeText(encoding, described.substr(textStart), major, descriptionOrder);
}

// Decodes a wanted frame's data into its property. A frame too short to hold
// its encoding byte holds the empty text; one in an encoding the version does
// not define stores the empty text, or nothing for the track.
void StoreFrame(AudioTagX& tag, Field field, std::string_view data, int major) {
  uint8_t encoding = data.empty() ? kLatin1 : static_cast<uint8_t>(data[0]);
  std::string_view bytes = data.substr(std::min<size_t>(1, data.size()));
  std::optional<std::string> decoded = field == Field::kComment
                                           ? CommentText(encoding, bytes, major)
                                           : DecodeText(encoding, bytes, major);
  if (field == Field::kTrack) {
    if (!decoded) return;
    // "5/12": the track, and the number of tracks after the slash.
    std::string track = AudioTagX::LTrimZeros(*decoded);
    size_t slash = track.find('/');
    if (slash == std::string::npos) {
      tag.Track = AudioTagX::LTrimZeros(track);
    } else {
      tag.Track = AudioTagX::LTrimZeros(track.substr(0, slash));
      tag.TotTracks = AudioTagX::LTrimZeros(track.substr(slash + 1));
    }
    return;
  }
  std::string value = decoded ? AudioTagX::LTrimZeros(*decoded) : std::string();
  switch (field) {
    case Field::kAlbum: tag.Album = std::move(value); break;
    case Field::kArtist: tag.Artist = std::move(value); break;
    case Field::kTitle: tag.Title = std::move(value); break;
    case Field::kYear: tag.Year = std::move(value); break;
    case Field::kGenre: tag.Genre = AudioTagX::TagGetGenre_v2(value); break;
    case Field::kComment: tag.Comments = std::move(value); break;
    case Field::kTrack: break;
  }
}

// Reads size bytes of frame data, but none at or past framesEnd, and leaves
// the stream after the whole frame, wherever its data would have ended.
std::string ReadFrameData(BinaryStream& stream, int64_t size, uint32_t framesEnd) {
  int64_t start = stream.Position();
  size = std::max<int64_t>(size, 0);
  std::string data = stream.Read(std::min<int64_t>(size, static_cast<int64_t>(framesEnd) - start));
  stream.SetPosition(start + size);
  return data;
}

// An unwanted frame is passed over by moving the position, never read. A size
// of 0 (the padding) sends the position to the end of the file, which ends
// the walk.
void SkipFrame(BinaryStream& stream, int64_t bytesAfterSize, int64_t size) {
  if (size == 0)
    stream.SetPosition(stream.Length());
  else
    stream.SetPosition(static_cast<int64_t>(stream.Position()) + bytesAfterSize);
}

// The frame readers of versions 3 and 4 differ only in the size field and
// the format flags.
int ReadFrame34(AudioTagX& tag, BinaryStream& stream, int major, uint32_t framesEnd) {
  std::string id = stream.Read(4);
  uint32_t sizeField = stream.ReadUInt32();
  // A version 4 size is syncsafe; a size byte of 0x80 or more makes it -1.
  int64_t size = major == 4 ? AudioTagX::TagSizeGet(sizeField) : static_cast<int64_t>(sizeField);
  std::optional<Field> field = WantedField(id, major);
  if (!field) {
    SkipFrame(stream, size + 2, size);  // the two flag bytes, then the data
    return AudioTagX::kDone;
  }
  if (stream.ReadByte() != 0) return AudioTagX::kFrameStatusFlags;
  uint8_t formatFlags = stream.ReadByte();
  std::span<const StoppingFlag> stopping =
      major == 4 ? std::span<const StoppingFlag>(kFormatFlags24) : kFormatFlags23;
  for (const StoppingFlag& flag : stopping)
    if (AudioTagX::GetBit(formatFlags, flag.bit)) return flag.result;
  StoreFrame(tag, *field, ReadFrameData(stream, size, framesEnd), major);
  return AudioTagX::kDone;
}

// Where the audio begins: at the tag's end, or after zero bytes that follow it
// (padding beyond the declared tag size). Nothing when the file ends in them.
std::optional<uint32_t> FindAudioStart(BinaryStream& stream, int64_t tagEnd) {
  stream.SetPosition(tagEnd);
  int64_t at = stream.Position();
  if (stream.ReadByte() != 0) return static_cast<uint32_t>(at);
  ++at;
  constexpr int64_t kChunk = 4096;
  while (at < stream.Length()) {
    std::string chunk = stream.Read(kChunk);
    size_t nonZero = chunk.find_first_not_of('\0');
    if (nonZero != std::string::npos) return static_cast<uint32_t>(at + nonZero);
    at += kChunk;
  }
  return std::nullopt;
}

// The frames follow the tag header, or the extended header that flag bit 6
// announces in versions 3 and 4. Version 3 gives its size without the four
// bytes of the size itself, version 4 a syncsafe size that includes them. An
// extended header too damaged to skip leaves no frames to walk.
int64_t FramesStart(BinaryStream& stream, int major, uint8_t flags, uint32_t framesEnd) {
  if (major == 2 || AudioTagX::GetBit(flags, 6) == 0) return kTagHeaderSize;
  stream.SetPosition(kTagHeaderSize);
  uint32_t sizeField = stream.ReadUInt32();
  if (major == 3) return kTagHeaderSize + 4 + static_cast<int64_t>(sizeField);
  int32_t size = AudioTagX::TagSizeGet(sizeField);
  return size < 4 ? framesEnd : kTagHeaderSize + size;
}

}  // namespace

int AudioTagX::Read_id3v22x(const std::string& path) { return ReadId3v2(path, 2); }
int AudioTagX::Read_id3v23x(const std::string& path) { return ReadId3v2(path, 3); }
int AudioTagX::Read_id3v24x(const std::string& path) { return ReadId3v2(path, 4); }

int AudioTagX::ReadId3v2(const std::string& path, int major) {
  BinaryStream stream(path);
  if (!stream.IsOpen()) return kNoSync;
  stream.Read(3);  // "ID3", which Read has matched
  int fileMajor = stream.ReadByte();
  int revision = stream.ReadByte();
  Version = "2." + std::to_string(fileMajor) + "." + std::to_string(revision);

  uint8_t flags = stream.ReadByte();
  if (GetBit(flags, 7)) return kUnsynchronised;
  if (major == 4 && GetBit(flags, 4)) return kFooter;
  int64_t tagEnd = kTagHeaderSize + TagSizeGet(stream.ReadUInt32());

  std::optional<uint32_t> audioStart = FindAudioStart(stream, tagEnd);
  if (!audioStart) return kBadStructure;
  stream.SetPosition(*audioStart);
  if (stream.ReadByte() != 0xFF) return kBadStructure;

  // The walk ends at the padding (a zero identifier and size), after the last
  // frame, or when a frame's size carries the position past the audio start.
  stream.SetPosition(FramesStart(stream, major, flags, *audioStart));
  while (stream.Position() < *audioStart) {
    int result = kDone;
    if (major == 2)
      TagGetNext_id3v22x(stream, *audioStart);
    else if (major == 3)
      result = TagGetNext_id3v23x(stream, *audioStart);
    else
      result = TagGetNext_id3v24x(stream, *audioStart);
    if (result != kDone) return result;
  }

  stream.SetPosition(*audioStart);
  if (ReadMp3Tag(stream) != kDone) return kNoSync;
  bool hasId3v1 = Tag_id3v1present(stream);
  SetAudioFigures(stream, *audioStart, hasId3v1);
  return kDone;
}

void AudioTagX::TagGetNext_id3v22x(BinaryStream& stream, uint32_t framesEnd) {
  std::string id = stream.Read(3);
  uint32_t size = stream.ReadByte();
  size = size << 8 | stream.ReadByte();
  size = size << 8 | stream.ReadByte();
  std::optional<Field> field = WantedField(id, 2);
  if (!field) {
    SkipFrame(stream, size, size);
    return;
  }
  StoreFrame(*this, *field, ReadFrameData(stream, size, framesEnd), 2);
}

int AudioTagX::TagGetNext_id3v23x(BinaryStream& stream, uint32_t framesEnd) {
  return ReadFrame34(*this, stream, 3, framesEnd);
}

int AudioTagX::TagGetNext_id3v24x(BinaryStream& stream, uint32_t framesEnd) {
  return ReadFrame34(*this, stream, 4, framesEnd);
}

std::string AudioTagX::ReadUnicode(BinaryStream& stream, int64_t count) {
  return MarkedUtf16ToUtf8(stream.Read(count));
}
