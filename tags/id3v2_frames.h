// The frames of the seven fields that the record reads from and writes to
// an ID3v2 tag, with their identifiers in each version.
#pragma once

#include <cstddef>
#include <iterator>
#include <string_view>

#include "text.h"

namespace id3v2 {

enum class Field { kAlbum, kArtist, kComment, kTitle, kGenre, kTrack, kYear };

struct FieldFrame {
  std::string_view v2;  // ID3v2.2 identifier
  std::string_view v3;
  std::string_view v4;
  Field field;
};

// In the order in which the writer appends missing frames.
inline constexpr FieldFrame kFieldFrames[] = {
    {"TAL", "TALB", "TALB", Field::kAlbum},   {"TP1", "TPE1", "TPE1", Field::kArtist},
    {"COM", "COMM", "COMM", Field::kComment}, {"TT2", "TIT2", "TIT2", Field::kTitle},
    {"TCO", "TCON", "TCON", Field::kGenre},   {"TRK", "TRCK", "TRCK", Field::kTrack},
    {"TYE", "TYER", "TDRC", Field::kYear},
};
inline constexpr size_t kFieldCount = std::size(kFieldFrames);

inline std::string_view FrameId(const FieldFrame& frame, int major) {
  return major == 2 ? frame.v2 : major == 3 ? frame.v3 : frame.v4;
}

// The index in kFieldFrames of the field frame with this identifier (letter
// case aside), or kFieldCount for any other frame.
inline size_t FieldFrameIndex(std::string_view id, int major) {
  for (size_t i = 0; i < kFieldCount; ++i)
    if (text::EqualsIgnoringCase(id, FrameId(kFieldFrames[i], major))) return i;
  return kFieldCount;
}

}  // namespace id3v2
