// ID3v1 and ID3v1.1: the 128-byte tag at the end of an MP3 file.
#include "audio_tag.h"
#include "binary_stream.h"
#include "text.h"

namespace {

// Fields are filled up to their width with zero bytes; none of that filling
// belongs to the value. Spaces used as filling stay.
std::string FieldText(std::string bytes) {
  while (!bytes.empty() && bytes.back() == '\0') bytes.pop_back();
  return text::Latin1ToUtf8(bytes);
}

}  // namespace

int AudioTagX::Read_id3v1x(const std::string& path) {
  BinaryStream stream(path);
  if (!stream.IsOpen() || !Tag_id3v1present(stream)) return kNoSync;

  Title = FieldText(stream.Read(30));
  Artist = FieldText(stream.Read(30));
  Album = FieldText(stream.Read(30));
  Year = FieldText(stream.Read(4));

  std::string comment = stream.Read(30);
  comment.resize(30, '\0');  // in case the file shrank under us
  // ID3v1.1 gives the comment's last two bytes to a zero and the track number.
  if (comment[28] == '\0' && comment[29] != '\0') {
    Track = std::to_string(static_cast<uint8_t>(comment[29]));
    Comments = FieldText(comment.substr(0, 28));
    Version = "id3v1.1";
  } else {
    Comments = FieldText(comment);
    Version = "id3v1";
  }
  Genre = TagGetGenre_v1(stream.ReadByte());

  stream.SetPosition(0);
  skipZP(stream);
  int result = ReadMp3Tag(stream);
  if (result != kDone) return result;
  SetAudioFigures(stream, 0, true);
  return kDone;
}
