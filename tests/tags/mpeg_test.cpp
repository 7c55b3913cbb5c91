#include <gtest/gtest.h>

#include <fstream>

#include "audio_tag.h"
#include "test_files.h"

using namespace testfiles;
using std::string_literals::operator""s;

namespace {

bool RecordIsEmpty(const AudioTagX& t) {
  for (const std::string* p : {&t.Version, &t.Album, &t.Artist, &t.Bitrate, &t.Comments, &t.Genre,
                               &t.Length, &t.LengthSecs, &t.Size, &t.SizeMB, &t.Title, &t.TotTracks,
                               &t.Track, &t.Year, &t.SampleRate, &t.LengthMs, &t.FileType})
    if (!p->empty()) return false;
  return true;
}

// Frames of 128 kbit/s at 44100 Hz are 417 bytes long.
constexpr size_t kFrame128 = 417;

}  // namespace

TEST(Read, TellsFormatsApartByTheirFirstBytes) {
  TempFiles files;
  struct Case {
    std::string bytes;
    int result;
    const char* fileType;
  } cases[] = {
      {"abc", 1, ""},
      {Zeros(4), 1, ""},
      {"ID3\x05" + Zeros(20), 4, "MP3"},
      {"ID3\x01" + Zeros(20), 4, "MP3"},
      {"\0\0\0\x20" "ftypM4B "s + Zeros(20), 1, ""},
      {"\0\0\0\x20" "ftypmp42"s + Zeros(20), 1, ""},
      {"\0\0\0\x20" "ftypM4A "s + Zeros(20), 2, "AAC"},  // the brand as files carry it
      {"\0\0\0\x20" "FTYPm4a "s + Zeros(20), 2, "AAC"},
      {"\xFF\xF3\x90\x00"s + Zeros(400), 1, ""},        // MPEG-2: not understood
      {"RIFF" + Zeros(400), 1, ""},
  };
  for (const Case& c : cases) {
    AudioTagX tag;
    EXPECT_EQ(tag.Read(files.Write(c.bytes)), c.result) << c.bytes;
    EXPECT_EQ(tag.FileType, c.fileType) << c.bytes;
    tag.FileType.clear();
    EXPECT_TRUE(RecordIsEmpty(tag)) << c.bytes;
  }
}

TEST(Read, LowerCaseId3IsAnId3v2Tag) {
  TempFiles files;
  AudioTagX tag;
  // version 3, unsynchronised: the reader stops right after the version
  EXPECT_EQ(tag.Read(files.Write("id3\x03\x00\x80\x00\x00\x00\x00"s + MpegFrames(3))), 7);
  EXPECT_EQ(tag.FileType, "MP3");
  EXPECT_EQ(tag.Version, "2.3.0");
}

TEST(Read, FileThatCannotBeOpenedGivesOne) {
  TempFiles files;
  AudioTagX tag;
  EXPECT_EQ(tag.Read(files.Path("missing.mp3")), 1);
  EXPECT_EQ(tag.Read(std::filesystem::temp_directory_path().string()), 1);
  EXPECT_TRUE(RecordIsEmpty(tag));
}

TEST(Untagged, LeadingZerosCountAsAudio) {
  TempFiles files;
  std::string path = files.Write(Zeros(1000) + MpegFrames(600));
  AudioTagX tag;
  ASSERT_EQ(tag.Read(path), 0);
  uint64_t length = 1000 + 600 * kFrame128;  // 251200
  EXPECT_EQ(tag.Version, "untagged mp3");
  EXPECT_EQ(tag.FileType, "MP3");
  EXPECT_EQ(tag.Bitrate, "128");
  EXPECT_EQ(tag.SampleRate, "44100");
  EXPECT_EQ(tag.Size, std::to_string(length));
  EXPECT_EQ(tag.SizeMB, "0.25");
  EXPECT_EQ(tag.LengthMs, "15700");    // 251200 * 8 / 128
  EXPECT_EQ(tag.LengthSecs, "16");     // 15.7 rounded
  EXPECT_EQ(tag.Length, "0:16");
}

TEST(Untagged, MeanBitrateOfTheFramesWalked) {
  TempFiles files;
  std::string frames;
  for (int i = 0; i < 300; ++i) frames += MpegFrames(1, 9) + MpegFrames(1, 11);  // 128, 192
  AudioTagX tag;
  ASSERT_EQ(tag.Read(files.Write(frames)), 0);
  // 251 frames of 128000 and 250 of 192000 walked: 159.68 truncated
  EXPECT_EQ(tag.Bitrate, "159");
}

TEST(Untagged, PaddingAndCrcFramesAreWalked) {
  TempFiles files;
  std::string frames = MpegFrames(10, 9, 0, true) + MpegFrames(10, 9, 1);
  for (size_t at = 0; at < frames.size(); at += kFrame128 + 1) {
    if (at >= 10 * (kFrame128 + 1)) break;
    frames[at + 1] = '\xFA';  // protected by a CRC
  }
  AudioTagX tag;
  ASSERT_EQ(tag.Read(files.Write(frames)), 0);
  EXPECT_EQ(tag.SampleRate, "46050");  // ten at 44100, ten at 48000
}

TEST(Untagged, SizesOfALargeFile) {
  TempFiles files;
  std::string bytes = MpegFrames(501);
  bytes.resize(4567890, '\0');  // the walk stops after 501 frames
  AudioTagX tag;
  ASSERT_EQ(tag.Read(files.Write(bytes)), 0);
  EXPECT_EQ(tag.Size, "4567890");
  EXPECT_EQ(tag.SizeMB, "4.57");
}

TEST(Untagged, LostSyncReportsOneAndStoresNothing) {
  TempFiles files;
  const std::string broken[] = {
      MpegFrames(5) + "garbage" + MpegFrames(5),
      MpegFrames(1, 9, 3) + MpegFrames(5),      // reserved sample rate in the first frame
      MpegFrames(5) + "\xFF\xF3\x90\x00"s + Zeros(300),  // an MPEG-2 frame follows
  };
  for (const std::string& bytes : broken) {
    AudioTagX tag;
    EXPECT_EQ(tag.Read(files.Write(bytes)), 1);
    EXPECT_TRUE(RecordIsEmpty(tag));
  }
}

TEST(Untagged, FreeFormatHasNoDuration) {
  TempFiles files;
  AudioTagX tag;
  tag.LengthMs = "999";  // left over from an earlier file
  ASSERT_EQ(tag.Read(files.Write(MpegFrames(1, 0) + Zeros(1000))), 0);
  EXPECT_EQ(tag.Bitrate, "0");
  EXPECT_EQ(tag.Size, "1004");
  EXPECT_EQ(tag.LengthMs, "");
  EXPECT_EQ(tag.LengthSecs, "");
  EXPECT_EQ(tag.Length, "");
}

TEST(Untagged, ReadsAFileThroughTheBuffer) {
  // A system call per byte would show as tens of thousands of reads here.
  auto readCalls = [] {
    std::ifstream io("/proc/self/io");
    std::string key;
    uint64_t value = 0;
    while (io >> key >> value)
      if (key == "syscr:") return value;
    return uint64_t{0};
  };
  AudioTagX tag;
  uint64_t before = readCalls();
  ASSERT_EQ(tag.Read(DataFile("id3v1.mp3")), 0);
  uint64_t calls = readCalls() - before;
  EXPECT_LT(calls, 40u);
}
