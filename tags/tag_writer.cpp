// Write, which tells the formats apart as Read does and hands the record to
// the writer of the file's format, and the normalisation of its numbers.
#include "audio_tag.h"
#include "binary_stream.h"
#include "text.h"

std::string AudioTagX::ChkValue(const std::string& value) {
  int64_t number = text::LeadingNumber(value);
  std::string canonical = std::to_string(number);
  if (number == 0 || canonical.size() != value.size()) return {};
  return canonical;
}

int AudioTagX::Write(const std::string& path) {
  enum class Writer { kAac, kId3v2, kNewId3v23 } writer;
  int major = 0;
  {
    BinaryStream stream(path);
    if (!stream.IsOpen()) return kWriteFailed;
    if (stream.Length() <= 3) return kNoSync;

    // The track, the track count and the year go into the tag as plain
    // whole numbers or not at all.
    Track = ChkValue(Track);
    TotTracks = ChkValue(TotTracks);
    Year = ChkValue(Year);
    int64_t year = text::LeadingNumber(Year);
    if (year < 1000 || year > 2100) Year.clear();

    stream.SetPosition(4);
    if (text::EqualsIgnoringCase(stream.Read(7), "ftypM4a")) {
      FileType = "AAC";
      writer = Writer::kAac;
    } else {
      stream.SetPosition(0);
      if (text::EqualsIgnoringCase(stream.Read(3), "ID3")) {
        major = stream.ReadByte();
        if (major < 2 || major > 4) return kUnknownVersion;
        writer = Writer::kId3v2;
      } else {
        stream.SetPosition(0);
        skipZP(stream);
        if (stream.ReadByte() != 0xFF) return kNoSync;
        uint8_t second = stream.ReadByte();
        if (second != 0xFB && second != 0xFA) return kNoSync;
        writer = Writer::kNewId3v23;
      }
    }
  }
  // The stream is closed here: every writer opens the file itself.
  switch (writer) {
    case Writer::kAac: return Write_AAC(path);
    case Writer::kId3v2:
      return major == 2 ? Write_id3v22x(path) : major == 3 ? Write_id3v23x(path) : Write_id3v24x(path);
    case Writer::kNewId3v23: return Write_new_id3v23(path);
  }
  return kNoSync;
}
