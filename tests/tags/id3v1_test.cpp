#include <gtest/gtest.h>

#include "audio_tag.h"
#include "test_files.h"

using namespace testfiles;
using std::string_literals::operator""s;

namespace {

// 501 frames at 128 kbit/s: enough for the walk to finish before the tag.
const std::string kAudio = MpegFrames(501);

}  // namespace

TEST(Id3v1, FieldsWithoutTheirZeroPadding) {
  TempFiles files;
  std::string path = files.Write(
      kAudio + Id3v1Tag("Hello", "Band  ", "Caf\xE9", "1999", "a comment", 17));
  AudioTagX tag;
  ASSERT_EQ(tag.Read(path), 0);
  EXPECT_EQ(tag.Version, "id3v1");
  EXPECT_EQ(tag.FileType, "MP3");
  EXPECT_EQ(tag.Title, "Hello");          // not Hello followed by 25 U+0000
  EXPECT_EQ(tag.Artist, "Band  ");        // spaces stay
  EXPECT_EQ(tag.Album, "Caf\xC3\xA9");    // ISO-8859-1
  EXPECT_EQ(tag.Year, "1999");
  EXPECT_EQ(tag.Comments, "a comment");
  EXPECT_EQ(tag.Track, "");
  EXPECT_EQ(tag.Genre, "Rock");
  EXPECT_EQ(tag.TotTracks, "");
  EXPECT_EQ(tag.Bitrate, "128");
}

TEST(Id3v1, TrackNumberMakesVersionOnePointOne) {
  TempFiles files;
  struct Case {
    std::string comment;
    const char* version;
    const char* track;
    std::string comments;
  } cases[] = {
      {"twenty-eight bytes of text.."s + "\0\x0C"s, "id3v1.1", "12", "twenty-eight bytes of text.."},
      {"short"s + Zeros(25), "id3v1", "", "short"},
      {"thirty bytes of comment text.!", "id3v1", "", "thirty bytes of comment text.!"},
      {"x"s + Zeros(27) + "\x01\x05"s, "id3v1", "", "x"s + Zeros(27) + "\x01\x05"s},
  };
  for (const Case& c : cases) {
    AudioTagX tag;
    ASSERT_EQ(tag.Read(files.Write(kAudio + Id3v1Tag("t", "a", "b", "2000", c.comment, 255))), 0);
    EXPECT_EQ(tag.Version, c.version);
    EXPECT_EQ(tag.Track, c.track);
    EXPECT_EQ(tag.Comments, c.comments);
    EXPECT_EQ(tag.Genre, "");
  }
}

TEST(Id3v1, LowerCaseTagAndDuration) {
  TempFiles files;
  std::string bytes = kAudio;
  bytes.resize(4000000, '\0');
  std::string tagBytes = Id3v1Tag("Song", "", "", "", "", 0);
  tagBytes.replace(0, 3, "tag");
  AudioTagX tag;
  ASSERT_EQ(tag.Read(files.Write(bytes + tagBytes)), 0);  // 4,000,128 bytes
  EXPECT_EQ(tag.Title, "Song");
  EXPECT_EQ(tag.Genre, "Blues");
  EXPECT_EQ(tag.Size, "4000128");
  EXPECT_EQ(tag.LengthMs, "250000");
  EXPECT_EQ(tag.LengthSecs, "250");
  EXPECT_EQ(tag.Length, "4:10");
}

TEST(Id3v1, ShortSongKeepsTheTagButLosesTheWalk) {
  TempFiles files;
  std::string tagBytes = Id3v1Tag("Short", "Artist", "", "", "", 13);
  AudioTagX tag;
  // Fewer than 501 frames: the walk runs into "TAG" and loses its sync.
  EXPECT_EQ(tag.Read(files.Write(MpegFrames(100) + tagBytes)), 1);
  EXPECT_EQ(tag.Title, "Short");
  EXPECT_EQ(tag.Genre, "Pop");
  EXPECT_EQ(tag.Version, "id3v1");
  EXPECT_EQ(tag.FileType, "");
  EXPECT_EQ(tag.Bitrate, "");
  EXPECT_EQ(tag.Size, "");

  AudioTagX untagged;
  EXPECT_EQ(untagged.Read(files.Write(MpegFrames(100))), 0);
  EXPECT_EQ(untagged.Version, "untagged mp3");
}
