// The record, its value operations, and Read, which tells the formats apart.
#include "audio_tag.h"

#include "binary_stream.h"
#include "text.h"

void AudioTagX::ClearAllProperties() {
  for (std::string* property :
       {&Version, &Album, &Artist, &Bitrate, &Comments, &Genre, &Length, &LengthSecs, &Size,
        &SizeMB, &Title, &TotTracks, &Track, &Year, &SampleRate, &FileType})
    property->clear();
}

std::string AudioTagX::SecsToTime(int64_t seconds) {
  int64_t minutes = seconds / 60;
  int64_t rest = seconds - 60 * minutes;
  return std::to_string(minutes) + ":" + (rest < 10 ? "0" : "") + std::to_string(rest);
}

std::string AudioTagX::msToTime(int64_t milliseconds) {
  int64_t minutes = milliseconds / 60000;
  int64_t rest = milliseconds % 60000 / 1000;
  return std::to_string(minutes) + ":" + (rest < 10 ? "0" : "") + std::to_string(rest);
}

std::string AudioTagX::BytesToMB(const std::string& bytes) {
  int64_t value = text::LeadingNumber(bytes);
  // The two decimals are cut, not rounded: 4567890 gives 4.56MB, 5000000 gives 5.MB.
  int64_t whole = value / 1000000;
  int64_t fraction = (value < 0 ? -value : value) % 1000000;
  std::string decimals = std::to_string(1000000 + fraction).substr(1, 2);
  if (fraction % 100000 == 0) decimals.resize(fraction == 0 ? 0 : 1);
  return std::to_string(whole) + "." + decimals + "MB";
}

std::string AudioTagX::LTrimZeros(const std::string& text) {
  if (!text.empty() && text.back() == '\0') return text.substr(0, text.size() - 1);
  return text;
}

int32_t AudioTagX::TagSizeGet(uint32_t syncsafe) {
  if (syncsafe & 0x80808080u) return -1;
  uint32_t b0 = syncsafe >> 24, b1 = syncsafe >> 16 & 0x7F, b2 = syncsafe >> 8 & 0x7F,
           b3 = syncsafe & 0x7F;
  return static_cast<int32_t>(b0 << 21 | b1 << 14 | b2 << 7 | b3);
}

int AudioTagX::Read(const std::string& path) {
  ClearAllProperties();
  bool mp4 = false;
  int id3v2Major = 0;
  {
    BinaryStream stream(path);
    if (!stream.IsOpen() || stream.Length() < 4) return kNoSync;

    stream.SetPosition(4);
    if (text::EqualsIgnoringCase(stream.Read(7), "ftypM4a")) {
      FileType = "AAC";
      mp4 = true;
    } else {
      stream.SetPosition(0);
      if (text::EqualsIgnoringCase(stream.Read(3), "ID3")) {
        FileType = "MP3";
        id3v2Major = stream.ReadByte();
        if (id3v2Major < 2 || id3v2Major > 4) return kUnknownVersion;
      } else {
        stream.SetPosition(0);
        skipZP(stream);
        if (stream.ReadByte() != 0xFF) return kNoSync;
        int second = stream.ReadByte();
        if (second != 0xFB && second != 0xFA) return kNoSync;
      }
    }
  }
  // The stream is closed here: every format reader opens the file itself.
  if (mp4) return Read_AAC(path);
  if (id3v2Major == 2) return Read_id3v22x(path);
  if (id3v2Major == 3) return Read_id3v23x(path);
  if (id3v2Major == 4) return Read_id3v24x(path);
  if (Read_id3v1x(path) == kDone) {
    FileType = "MP3";
    return kDone;
  }
  return ReadUntagged(path);
}
