// Writing ID3v2 tags, on tags built byte by byte: the frames written, which
// old frames stay and where, the room check and the growth, the new ID3v2.3
// tag in front of untagged audio, the refusals, and what a failing disk or a
// read-only folder leaves behind.
#include <gtest/gtest.h>

#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "audio_tag.h"
#include "binary_stream.h"
#include "test_files.h"

using namespace std::string_literals;
using namespace testfiles;

namespace {

// The audio after every hand-built tag: 20 frames at 128 kbit/s, 44100 Hz.
std::string Audio() { return MpegFrames(20); }

std::string Utf16Be(std::u16string_view units) {
  std::string bytes;
  for (char16_t u : units) bytes += {static_cast<char>(u >> 8), static_cast<char>(u & 0xFF)};
  return bytes;
}

// Frame bodies as the writer lays them out.
std::string MarkedText(std::u16string_view units) { return "\x01\xFE\xFF"s + Utf16Be(units) + "\0\0"s; }
std::string Latin1Text(const std::string& bytes) { return "\0"s + bytes; }

uint32_t DeclaredSize(const std::string& file) {
  return static_cast<uint32_t>(AudioTagX::TagSizeGet(
      static_cast<uint32_t>(static_cast<uint8_t>(file[6])) << 24 |
      static_cast<uint32_t>(static_cast<uint8_t>(file[7])) << 16 |
      static_cast<uint32_t>(static_cast<uint8_t>(file[8])) << 8 | static_cast<uint8_t>(file[9])));
}

size_t FilesIn(const std::string& folder) {
  size_t count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) count += !entry.is_directory();
  return count;
}

class Id3v2WriterTest : public ::testing::Test {
protected:
  TempFiles files_;
};

}  // namespace

// --- The value operations ---

TEST(Id3v2WriterValues, TagSizeSetIsTheSyncsafeForm) {
  struct Case {
    uint32_t size;
    uint32_t syncsafe;
  } cases[] = {{0, 0}, {1000, 0x00000768}, {16384, 0x00010000}, {200000, 0x000C1A40},
               {268435455, 0x7F7F7F7F}};
  for (const Case& c : cases) {
    EXPECT_EQ(AudioTagX::TagSizeSet(c.size), c.syncsafe) << c.size;
    EXPECT_EQ(AudioTagX::TagSizeGet(c.syncsafe), static_cast<int32_t>(c.size)) << c.size;
  }
}

TEST(Id3v2WriterValues, CountZeroPaddingStartsAtTheFirstEmptyFrame) {
  const std::string title3 = Id3v2Frame(3, "TIT2", Latin1Text("Hello"));
  struct Case {
    const char* what;
    std::string tag;
    int major;
    int64_t padding;
  } cases[] = {
      {"padding after two frames", Id3v2Tag(3, title3 + Id3v2Frame(3, "PRIV", Zeros(20)), 1000), 3, 1000},
      {"frames that fill the tag", Id3v2Tag(3, title3), 3, 0},
      {"version 2 frames", Id3v2Tag(2, Id3v2Frame(2, "TT2", Latin1Text("Hi")), 7), 2, 7},
      // a version 4 size that is not syncsafe ends the frames
      {"invalid version 4 size",
       Id3v2Tag(4, Id3v2Frame(4, "TIT2", Latin1Text("Hi")) + "TPE1\x00\x00\x80\x01\0\0abc"s, 5), 4,
       13 + 5},
      {"a frame that runs past the tag's end", Id3v2Tag(3, "TIT2"s + Be32(50) + "\0\0abc"s), 3, 0},
      {"too little padding for a frame header", Id3v2Tag(3, title3, 3), 3, 3},
      {"a tag of no frames", Id3v2Tag(3, ""), 3, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(AudioTagX::CountZeroPadding(c.tag, c.major), c.padding) << c.what;
}

TEST(Id3v2WriterValues, ChkValueKeepsOnlyCanonicalWholeNumbers) {
  const std::pair<const char*, const char*> cases[] = {
      {"7", "7"},   {"2004", "2004"},    {"07", ""}, {"7/12", ""}, {"2004-05-06", ""},
      {"0", ""},    {"", ""},            {" 7", ""}, {"12a", ""},  {"+7", ""},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(AudioTagX::ChkValue(in), out) << in;
}

// --- Refusals: decided before a byte is written ---

TEST_F(Id3v2WriterTest, RefusalsLeaveTheFileAlone) {
  const std::string frames = Id3v2Frame(3, "TIT2", Latin1Text("Old"));
  struct Case {
    const char* what;
    std::string bytes;
    int result;
  } cases[] = {
      {"unsynchronised", Id3v2Tag(3, frames, 100, 0x80) + Audio(), AudioTagX::kUnsynchronised},
      {"version 4 footer", Id3v2Tag(4, frames, 100, 0x10) + Audio(), AudioTagX::kFooter},
      {"version 2 compression", Id3v2Tag(2, Id3v2Frame(2, "TT2", "\0Old"s), 100, 0x40) + Audio(),
       AudioTagX::kCompressedFrame},
      {"version 3 experimental", Id3v2Tag(3, frames, 100, 0x20) + Audio(), AudioTagX::kExperimentalTag},
      {"version 4 experimental", Id3v2Tag(4, frames, 100, 0x20) + Audio(), AudioTagX::kExperimentalTag},
      {"version 3 extended header", Id3v2Tag(3, Be32(6) + Zeros(6) + frames, 100, 0x40) + Audio(),
       AudioTagX::kTagNotWritable},
      {"version 4 extended header", Id3v2Tag(4, Syncsafe(6) + "\x01\0"s + frames, 100, 0x40) + Audio(),
       AudioTagX::kTagNotWritable},
      {"zero bytes beyond the declared size", Id3v2Tag(3, frames, 100) + Zeros(512) + Audio(),
       AudioTagX::kBadStructure},
      {"size pointing into the audio", Id3v2Tag(3, frames, 100).replace(6, 4, Syncsafe(150)) + Audio(),
       AudioTagX::kBadStructure},
      {"size that is not syncsafe", Id3v2Tag(3, frames).replace(9, 1, "\xFF") + Audio(),
       AudioTagX::kBadStructure},
      {"major version 5", Id3v2Tag(5, frames, 100) + Audio(), AudioTagX::kUnknownVersion},
      {"a file of 3 bytes", "ID3", AudioTagX::kNoSync},
      {"MPEG-2 audio without a tag", "\xFF\xF3\x90\x00"s + Zeros(400), AudioTagX::kNoSync},
      {"neither MP3 nor MP4", "RIFF"s + Zeros(400), AudioTagX::kNoSync},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string path = files_.Write(c.bytes);
    AudioTagX tag;
    tag.Title = "A new title";
    tag.Album = "An album";
    EXPECT_EQ(tag.Write(path), c.result);
    EXPECT_EQ(FileContents(path), c.bytes);
  }
  AudioTagX tag;
  EXPECT_EQ(tag.Write(files_.Path("missing.mp3")), AudioTagX::kWriteFailed);
  EXPECT_FALSE(std::filesystem::exists(files_.Path("missing.mp3")));
}

// The writers of each version check that they were given a tag of theirs.
TEST_F(Id3v2WriterTest, VersionWritersRefuseOtherFiles) {
  std::string v3 = Id3v2Tag(3, "", 100) + Audio();
  std::string untagged = Audio();
  AudioTagX tag;
  tag.Title = "T";
  std::string path = files_.Write(v3);
  EXPECT_EQ(tag.Write_id3v24x(path), AudioTagX::kUnknownVersion);
  EXPECT_EQ(FileContents(path), v3);
  path = files_.Write(untagged);
  EXPECT_EQ(tag.Write_id3v23x(path), AudioTagX::kNoSync);
  EXPECT_EQ(FileContents(path), untagged);
  path = files_.Write(v3);
  EXPECT_EQ(tag.Write_new_id3v23(path), AudioTagX::kNoSync);
  EXPECT_EQ(FileContents(path), v3);
}

// --- Frames written in place ---

// Ten characters need an estimated 30 bytes; 600 bytes of padding hold them.
TEST_F(Id3v2WriterTest, AlbumIsWrittenInPlaceAsUtf16) {
  std::string path = files_.Write(Id3v2Tag(3, "", 600) + Audio());
  AudioTagX tag;
  tag.Album = "Abbey Road";
  EXPECT_EQ(tag.TagAvailableSpace(Id3v2Tag(3, "", 600), 3), 570);
  ASSERT_EQ(tag.Write(path), AudioTagX::kDone);

  std::string album = Id3v2Frame(3, "TALB", MarkedText(u"Abbey Road"));
  ASSERT_EQ(album.size(), 10u + 25u);
  EXPECT_EQ(FileContents(path), Id3v2Tag(3, album, 600 - album.size()) + Audio());
}

// Field frames give way to new ones where they stood, or go when their field
// is empty; every other frame keeps its bytes and place; missing fields follow.
TEST_F(Id3v2WriterTest, FieldFramesAreReplacedWhereTheyStood) {
  const std::string priv = Id3v2Frame(3, "PRIV", "owner\0data"s);
  const std::string picture = Id3v2Frame(3, "APIC", "\0image/png\0\x03\0"s + std::string(300, 'p'));
  std::string old = priv + Id3v2Frame(3, "TIT2", Latin1Text("A much longer old title")) +
                    Id3v2Frame(3, "TALB", Latin1Text("Old album")) + picture +
                    Id3v2Frame(3, "TRCK", Latin1Text("1/2")) +
                    Id3v2Frame(3, "COMM", "\0eng\0old comment"s) +
                    Id3v2Frame(3, "tit2", Latin1Text("A second title frame"));
  std::string path = files_.Write(Id3v2Tag(3, old, 400) + Audio());

  AudioTagX tag;
  tag.Title = "New";
  tag.Artist = "Band";
  tag.Track = "5";
  tag.TotTracks = "12";
  ASSERT_EQ(tag.Write(path), AudioTagX::kDone);

  std::string track = Id3v2Frame(3, "TRCK", Latin1Text("5/12"));
  EXPECT_EQ(track, "TRCK\x00\x00\x00\x05\x00\x00\x00" "5/12"s);
  std::string frames = priv + Id3v2Frame(3, "TIT2", MarkedText(u"New")) + picture + track +
                       Id3v2Frame(3, "TPE1", MarkedText(u"Band"));
  EXPECT_EQ(FileContents(path), Id3v2Tag(3, frames, old.size() + 400 - frames.size()) + Audio());

  AudioTagX back;
  EXPECT_EQ(back.Read(path), AudioTagX::kDone);
  EXPECT_EQ(back.Title, "New");
  EXPECT_EQ(back.Artist, "Band");
  EXPECT_EQ(back.Album, "");
  EXPECT_EQ(back.Comments, "");
  EXPECT_EQ(back.Track, "5");
  EXPECT_EQ(back.TotTracks, "12");
}

TEST_F(Id3v2WriterTest, EmptyAlbumKeepsItsFrameOnlyInVersion4) {
  for (int major : {3, 4}) {
    SCOPED_TRACE(major);
    std::string album = Id3v2Frame(major, "TALB", Latin1Text("Kept?"));
    std::string path = files_.Write(Id3v2Tag(major, album, 200) + Audio());
    AudioTagX tag;
    tag.Title = "T";
    ASSERT_EQ(tag.Write(path), AudioTagX::kDone);
    std::string frames = (major == 4 ? album : "") + Id3v2Frame(major, "TIT2", MarkedText(u"T"));
    EXPECT_EQ(FileContents(path), Id3v2Tag(major, frames, album.size() + 200 - frames.size()) + Audio());
  }
}

// Write's normalisation: a track written 07 is not a track, a year of 99 not
// a year, so their frames go although a track count is set.
TEST_F(Id3v2WriterTest, NumbersThatAreNotCanonicalLoseTheirFrames) {
  std::string old = Id3v2Frame(3, "TRCK", Latin1Text("3/10")) + Id3v2Frame(3, "TYER", Latin1Text("1999"));
  std::string path = files_.Write(Id3v2Tag(3, old, 200) + Audio());
  AudioTagX tag;
  tag.Track = "07";
  tag.TotTracks = "12";
  tag.Year = "99";
  ASSERT_EQ(tag.Write(path), AudioTagX::kDone);
  EXPECT_EQ(tag.Track, "");
  EXPECT_EQ(tag.TotTracks, "12");
  EXPECT_EQ(tag.Year, "");
  EXPECT_EQ(FileContents(path), Id3v2Tag(3, "", old.size() + 200) + Audio());
}

// Version 2 text is ISO-8859-1 with a terminator, or UTF-16 when ISO-8859-1
// cannot hold it; the comment has the language XXX.
TEST_F(Id3v2WriterTest, Version2WritesLatin1OrUtf16) {
  std::string path = files_.Write(Id3v2Tag(2, Id3v2Frame(2, "TT2", "\0Old\0"s), 200) + Audio());
  AudioTagX tag;
  tag.Title = "Café";
  tag.Artist = "Snow \u2603";
  tag.Comments = "Nice";
  tag.Year = "2001";
  ASSERT_EQ(tag.Write(path), AudioTagX::kDone);
  std::string frames = Id3v2Frame(2, "TT2", "\0Caf\xE9\0"s) + Id3v2Frame(2, "TP1", MarkedText(u"Snow \u2603")) +
                       Id3v2Frame(2, "COM", "\0XXX\0Nice\0"s) + Id3v2Frame(2, "TYE", "\0" "2001\0"s);
  EXPECT_EQ(FileContents(path), Id3v2Tag(2, frames, 11 + 200 - frames.size()) + Audio());

  AudioTagX back;
  EXPECT_EQ(back.Read(path), AudioTagX::kDone);
  EXPECT_EQ(back.Title, "Café");
  EXPECT_EQ(back.Artist, "Snow \u2603");
  EXPECT_EQ(back.Comments, "Nice");
  EXPECT_EQ(back.Year, "2001");
}

TEST_F(Id3v2WriterTest, Version4FrameSizesAreSyncsafe) {
  std::string path = files_.Write(Id3v2Tag(4, "", 1000) + Audio());
  AudioTagX tag;
  tag.Title = std::string(100, 'a');
  tag.Comments = "c";
  ASSERT_EQ(tag.Write(path), AudioTagX::kDone);
  std::string file = FileContents(path);
  EXPECT_EQ(file.substr(10, 10), "COMM"s + Syncsafe(14) + "\0\0"s);
  EXPECT_EQ(file.substr(10 + 24, 10), "TIT2\x00\x00\x01\x4D\0\0"s);  // 205 bytes
  AudioTagX back;
  EXPECT_EQ(back.Read(path), AudioTagX::kDone);
  EXPECT_EQ(back.Title, std::string(100, 'a'));
  EXPECT_EQ(back.Comments, "c");
}

// --- Growth ---

// Without padding the tag grows by the estimate and 500 bytes, in every version.
TEST_F(Id3v2WriterTest, TagWithoutPaddingGrowsByTheEstimateAnd500) {
  struct Case {
    int major;
    const char* id;
    uint32_t estimate;  // 2 x 5 characters + 7 (version 2) or + 10
  } cases[] = {{2, "TT2", 17}, {3, "TIT2", 20}, {4, "TIT2", 20}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.major);
    std::string old = Id3v2Tag(c.major, Id3v2Frame(c.major, c.id, "\0Old"s));
    std::string path = files_.Write(old + Audio());
    AudioTagX tag;
    tag.Title = "Hello";
    ASSERT_EQ(tag.Write(path), AudioTagX::kDone);
    std::string file = FileContents(path);
    uint32_t grown = c.estimate + 500;
    ASSERT_EQ(file.size(), old.size() + Audio().size() + grown);
    EXPECT_EQ(DeclaredSize(file), old.size() - 10 + grown);
    EXPECT_EQ(file.substr(0, 6), old.substr(0, 6));
    EXPECT_EQ(file.substr(old.size() + grown), Audio());
    AudioTagX back;
    EXPECT_EQ(back.Read(path), AudioTagX::kDone);
    EXPECT_EQ(back.Title, "Hello");
  }
}

// The estimate counts characters; where it falls short of the real frames,
// the tag grows instead of running into the audio.
TEST_F(Id3v2WriterTest, TagGrowsWhenTheEstimateFallsShort) {
  struct Case {
    const char* what;
    size_t padding;
    std::string title;
    size_t frameSize;
  } cases[] = {
      // estimate 20 of 22 bytes of padding, the frame needs 25
      {"five letters", 22, "Hello", 25},
      // estimate 610, the frame needs 1215: more than the 500 bytes to spare
      {"characters beyond the BMP", 0, [] {
         std::string t;
         for (int i = 0; i < 300; ++i) t += "\U0001F3B5";
         return t;
       }(), 1215},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string old = Id3v2Tag(3, "", c.padding);
    std::string path = files_.Write(old + Audio());
    AudioTagX tag;
    tag.Title = c.title;
    ASSERT_EQ(tag.Write(path), AudioTagX::kDone);
    std::string file = FileContents(path);
    size_t tagEnd = 10 + DeclaredSize(file);
    EXPECT_GE(tagEnd, 10 + c.frameSize);
    EXPECT_EQ(file.substr(tagEnd), Audio());
    EXPECT_EQ(file.substr(10 + c.frameSize, tagEnd - 10 - c.frameSize), Zeros(tagEnd - 10 - c.frameSize));
    AudioTagX back;
    EXPECT_EQ(back.Read(path), AudioTagX::kDone);
    EXPECT_EQ(back.Title, c.title);
  }
}

// A syncsafe size cannot pass 2^28 - 1 bytes: a tag that would grow beyond
// is refused. The file is sparse, so it costs no disk.
TEST_F(Id3v2WriterTest, TagThatWouldReach256MBIsRefused) {
  const uint32_t size = (1u << 28) - 100;
  std::string path = files_.Path("huge.mp3");
  {
    std::ofstream out(path, std::ios::binary);
    std::string head = Id3v2Tag(3, "").replace(6, 4, Syncsafe(size)) + "PRIV" + Be32(size - 10) + "\0\0"s;
    out.write(head.data(), static_cast<std::streamsize>(head.size()));
    out.seekp(10 + size);
    std::string audio = Audio();
    out.write(audio.data(), static_cast<std::streamsize>(audio.size()));
  }
  auto before = std::filesystem::last_write_time(path);
  AudioTagX tag;
  tag.Title = "Hello";
  EXPECT_EQ(tag.Write(path), AudioTagX::kTagNotWritable);
  EXPECT_EQ(std::filesystem::file_size(path), 10 + size + Audio().size());
  EXPECT_EQ(std::filesystem::last_write_time(path), before);
  EXPECT_EQ(FilesIn(std::filesystem::path(path).parent_path()), 1u);
}

// --- A new ID3v2.3 tag in front of untagged audio ---

TEST_F(Id3v2WriterTest, NewTagOfUntaggedAudio) {
  // 600 zero bytes hold the whole estimate of 510: the header goes over them.
  std::string path = files_.Write(Zeros(600) + Audio());
  AudioTagX tag;
  ASSERT_EQ(tag.Write(path), AudioTagX::kDone);
  EXPECT_EQ(FileContents(path), Id3v2Tag(3, "", 590) + Audio());

  // Five characters: 525 bytes estimated, put in front with the header.
  path = files_.Write(Audio());
  tag.Title = "Hello";
  ASSERT_EQ(tag.Write(path), AudioTagX::kDone);
  std::string title = Id3v2Frame(3, "TIT2", MarkedText(u"Hello"));
  EXPECT_EQ(FileContents(path), Id3v2Tag(3, title, 525 - title.size()) + Audio());

  // Fewer zero bytes than the estimate: they make way for the tag.
  path = files_.Write(Zeros(100) + Audio());
  ASSERT_EQ(tag.Write(path), AudioTagX::kDone);
  EXPECT_EQ(FileContents(path), Id3v2Tag(3, title, 525 - 100 - title.size()) + Audio());

  // More than the estimate allows for: the tag grows once, in the same write.
  path = files_.Write(Audio());
  tag.Title = std::string(600, 't');
  ASSERT_EQ(tag.Write(path), AudioTagX::kDone);
  std::string file = FileContents(path);
  EXPECT_EQ(file.substr(10 + DeclaredSize(file)), Audio());
  AudioTagX back;
  EXPECT_EQ(back.Read(path), AudioTagX::kDone);
  EXPECT_EQ(back.Title, std::string(600, 't'));
}

TEST_F(Id3v2WriterTest, Mp4FilesGoToTheMp4Writer) {
  // The brand in another letter case is still MP4; without its atoms the
  // MP4 writer finds nothing to write into.
  std::string bytes = Be32(24) + "ftypM4A " + Zeros(12) + Audio();
  std::string path = files_.Write(bytes);
  AudioTagX tag;
  tag.Title = "T";
  EXPECT_EQ(tag.Write(path), AudioTagX::kBadStructure);
  EXPECT_EQ(tag.FileType, "AAC");
  EXPECT_EQ(FileContents(path), bytes);
}

// --- Failures on the way ---

// A write that fails anywhere while the new file is made (its head, the copy
// of the audio, the flush) leaves the original file and no other behind.
TEST_F(Id3v2WriterTest, FailingDiskLeavesTheOriginal) {
  struct Case {
    const char* what;
    std::string bytes;
    std::vector<int64_t> failAfter;  // bytes written before the disk fails
  } cases[] = {
      {"growth", Id3v2Tag(3, Id3v2Frame(3, "TIT2", Latin1Text("Old"))) + Audio(), {0, 10, 700, 5000}},
      {"new tag", Audio(), {0, 10, 700, 5000}},
      // the bytes that change are written at once, or not at all
      {"in place", Id3v2Tag(3, Id3v2Frame(3, "TIT2", Latin1Text("Old")), 1000) + Audio(), {0, 10}},
  };
  for (const Case& c : cases) {
    for (int64_t failAfter : c.failAfter) {
      SCOPED_TRACE(std::string(c.what) + " failing after " + std::to_string(failAfter));
      TempFiles folder;
      std::string path = folder.Write(c.bytes, "song.mp3");
      AudioTagX tag;
      tag.Title = "A new title";
      BinaryStream::FailWritesAfterForTesting(failAfter);
      int result = tag.Write(path);
      BinaryStream::FailWritesAfterForTesting(-1);
      EXPECT_EQ(result, AudioTagX::kWriteFailed);
      EXPECT_EQ(FileContents(path), c.bytes);
      EXPECT_EQ(FilesIn(std::filesystem::path(path).parent_path()), 1u);
    }
  }
}

// The same through a real read-only file system: a bind mount of a folder,
// remounted read-only (tests run as root).
TEST_F(Id3v2WriterTest, ReadOnlyFolderLeavesTheOriginal) {
  std::string folder = files_.Path("readonly");
  std::filesystem::create_directories(folder);
  std::vector<std::string> contents = {
      Id3v2Tag(3, Id3v2Frame(3, "TIT2", Latin1Text("Old"))) + Audio(),
      Id3v2Tag(3, Id3v2Frame(3, "TIT2", Latin1Text("Old")), 1000) + Audio(),
      Audio(),
  };
  std::vector<std::string> paths;
  for (size_t i = 0; i < contents.size(); ++i)
    paths.push_back(files_.Write(contents[i], "readonly/song" + std::to_string(i) + ".mp3"));

  if (mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) != 0)
    GTEST_SKIP() << "cannot bind-mount a folder here (" << std::strerror(errno)
                 << "); the read-only case is covered by the failing-disk test only";
  struct Unmount {
    std::string folder;
    ~Unmount() { umount2(folder.c_str(), MNT_DETACH); }
  } unmount{folder};
  if (mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
    GTEST_SKIP() << "cannot remount a folder read-only here (" << std::strerror(errno) << ")";

  for (size_t i = 0; i < paths.size(); ++i) {
    SCOPED_TRACE(i);
    AudioTagX tag;
    tag.Title = "A new title";
    EXPECT_EQ(tag.Write(paths[i]), AudioTagX::kWriteFailed);
    EXPECT_EQ(FileContents(paths[i]), contents[i]);
  }
  EXPECT_EQ(FilesIn(folder), paths.size());
}
