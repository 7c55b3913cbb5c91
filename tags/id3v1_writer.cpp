// ID3v1 tags turned into ID3v2.3 tags, and ID3v1 tags blanked.
#include <string_view>

#include "audio_tag.h"
#include "binary_stream.h"

namespace {

constexpr int64_t kBytesAfterMarker = 125;  // the whole tag after "TAG"

// Read names an ID3v1 tag "id3v1" or "id3v1.1", and no other tag so.
bool IsId3v1(std::string_view version) { return version.find("id3v1") != std::string_view::npos; }

}  // namespace

int AudioTagX::Convert_id3v1(const std::string& path) {
  if (Read(path) != kDone) return kNotReadable;
  if (!IsId3v1(Version)) return kDone;
  if (int result = Read_id3v1x(path); result != kDone) return result;
  // No ID3v2 tag, so Write puts a new ID3v2.3 tag in front of the audio.
  return Write(path);
}

int AudioTagX::Remove_id3v1(const std::string& path) {
  if (Read(path) != kDone) return kNotReadable;
  if (!IsId3v1(Version)) return kDone;
  if (int result = Read_id3v1x(path); result != kDone) return result;

  BinaryStream file(path, BinaryStream::Mode::ReadWrite);
  if (!file.IsOpen()) return kWriteFailed;
  // The tag is looked for again in the stream that blanks it.
  if (!Tag_id3v1present(file)) return kNoSync;
  file.SetPosition(static_cast<int64_t>(file.Length()) - kBytesAfterMarker);
  file.Write(std::string(kBytesAfterMarker, '\0'));
  return file.Sync() ? kDone : kWriteFailed;
}
