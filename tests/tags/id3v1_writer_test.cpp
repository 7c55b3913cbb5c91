// Turning an ID3v1 tag into an ID3v2.3 tag, and blanking it.
#include <gtest/gtest.h>

#include <string>

#include "audio_tag.h"
#include "test_files.h"

using namespace std::string_literals;
using namespace testfiles;

namespace {

// More frames than the reader walks, so that it never reaches the ID3v1 tag.
std::string LongAudio() { return MpegFrames(600); }

std::string V11Comment(std::string text, uint8_t track) {
  text.resize(28, '\0');
  return text + '\0' + static_cast<char>(track);
}

}  // namespace

TEST(Id3v1Writer, ConvertPutsTheFieldsIntoANewId3v23Tag) {
  TempFiles files;
  std::string v1 = Id3v1Tag("Title", "Artist", "Album", "2003", V11Comment("Comment", 7), 17);
  std::string path = files.Write(LongAudio() + v1);
  AudioTagX tag;
  ASSERT_EQ(tag.Convert_id3v1(path), AudioTagX::kDone);
  EXPECT_EQ(tag.Version, "id3v1.1");  // the record as the ID3v1 reader filled it

  std::string file = FileContents(path);
  EXPECT_EQ(file.substr(0, 6), "ID3\x03\0\0"s);
  EXPECT_EQ(file.substr(file.size() - v1.size()), v1);  // the ID3v1 tag stays
  EXPECT_EQ(file.substr(file.size() - v1.size() - LongAudio().size(), LongAudio().size()), LongAudio());
  AudioTagX back;
  EXPECT_EQ(back.Read(path), AudioTagX::kDone);
  EXPECT_EQ(back.Version, "2.3.0");
  EXPECT_EQ(back.Title, "Title");
  EXPECT_EQ(back.Artist, "Artist");
  EXPECT_EQ(back.Album, "Album");
  EXPECT_EQ(back.Year, "2003");
  EXPECT_EQ(back.Comments, "Comment");
  EXPECT_EQ(back.Track, "7");
  EXPECT_EQ(back.Genre, "Rock");
}

TEST(Id3v1Writer, RemoveBlanksTheTagAfterItsMarker) {
  TempFiles files;
  std::string path = files.Write(LongAudio() + Id3v1Tag("Title", "Artist", "Album", "2003", "C", 17));
  AudioTagX tag;
  ASSERT_EQ(tag.Remove_id3v1(path), AudioTagX::kDone);
  EXPECT_EQ(tag.Title, "Title");
  EXPECT_EQ(FileContents(path), LongAudio() + "TAG" + Zeros(125));
  AudioTagX back;
  EXPECT_EQ(back.Read(path), AudioTagX::kDone);
  EXPECT_EQ(back.Version, "id3v1");
  EXPECT_EQ(back.Title, "");
  EXPECT_EQ(back.Genre, "Blues");  // genre byte 0
}

// Only a file whose one tag is an ID3v1 tag is changed.
TEST(Id3v1Writer, OtherFilesAreLeftAlone) {
  const std::string v1 = Id3v1Tag("Title", "Artist", "Album", "2003", "C", 17);
  struct Case {
    const char* what;
    std::string bytes;
    int result;
  } cases[] = {
      {"an ID3v2 tag as well", Id3v2Tag(3, Id3v2Frame(3, "TIT2", "\0v2"s), 100) + LongAudio() + v1,
       AudioTagX::kDone},
      {"no tag", LongAudio(), AudioTagX::kDone},
      // the frame walk reaches the ID3v1 tag, so Read does not give 0
      {"a song shorter than the frame walk", MpegFrames(20) + v1, AudioTagX::kNotReadable},
      // Read knows no MPEG-2 audio
      {"MPEG-2 audio", "\xFF\xF3\x90\x00"s + Zeros(2000) + v1, AudioTagX::kNotReadable},
      {"not a song", "RIFF"s + Zeros(2000), AudioTagX::kNotReadable},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempFiles files;
    std::string path = files.Write(c.bytes);
    AudioTagX tag;
    EXPECT_EQ(tag.Convert_id3v1(path), c.result);
    EXPECT_EQ(FileContents(path), c.bytes);
    EXPECT_EQ(tag.Remove_id3v1(path), c.result);
    EXPECT_EQ(FileContents(path), c.bytes);
  }
}
