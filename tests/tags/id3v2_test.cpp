// ID3v2.2, ID3v2.3 and ID3v2.4: the tag header, the frame walk and the
// frame contents, on real files from ffmpeg and mutagen and on tags built
// byte by byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "audio_tag.h"
#include "binary_stream.h"
#include "test_files.h"
#include "text.h"

using namespace std::string_literals;
using namespace testfiles;

namespace {

std::string Frame(int major, const std::string& id, const std::string& body, uint8_t status = 0,
                  uint8_t format = 0) {
  return Id3v2Frame(major, id, body, status, format);
}
std::string Tag(int major, const std::string& frames, size_t padding = 0, uint8_t flags = 0) {
  return Id3v2Tag(major, frames, padding, flags);
}

// The audio after every hand-built tag: 20 frames at 128 kbit/s, 44100 Hz.
std::string Audio() { return MpegFrames(20); }

std::string Utf16Le(std::u16string_view units) {
  std::string bytes;
  for (char16_t u : units) bytes += {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
  return bytes;
}
std::string Utf16Be(std::u16string_view units) {
  std::string bytes;
  for (char16_t u : units) bytes += {static_cast<char>(u >> 8), static_cast<char>(u & 0xFF)};
  return bytes;
}

const std::string kLe = "\xFF\xFE";  // byte-order marks
const std::string kBe = "\xFE\xFF";

struct Outcome {
  int result;
  AudioTagX tag;
};

class Id3v2Test : public ::testing::Test {
protected:
  Outcome ReadBytes(const std::string& bytes) {
    Outcome outcome;
    outcome.result = outcome.tag.Read(files_.Write(bytes));
    return outcome;
  }
  TempFiles files_;
};

// --- Real files ---

// ffmpeg wrote these tags and mutagen added the comment frame; the inspector
// must show what the tools wrote, and the audio figures ffprobe agrees with.
TEST_F(Id3v2Test, InspectorShowsWhatFfmpegAndMutagenWrote) {
  for (const char* file : {"id3v2_3.mp3", "id3v2_4.mp3"}) {
    std::string path = DataFile(file);
    std::string command = std::string(SONGHAUL_TAG_TOOL) + " '" + path + "'";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[4096];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    EXPECT_EQ(pclose(pipe), 0);

    SCOPED_TRACE(file);
    std::string version = file == std::string("id3v2_3.mp3") ? "2.3.0" : "2.4.0";
    for (const std::string& expected :
         {"\"result\": 0"s, "\"Version\": \"" + version + "\"", "\"FileType\": \"MP3\""s,
          "\"Title\": \"Café Ünïcode\""s, "\"Artist\": \"The Testers\""s,
          "\"Album\": \"Fixtures\""s, "\"Year\": \"2005\""s, "\"Genre\": \"Rock\""s,
          "\"Track\": \"5\""s, "\"TotTracks\": \"12\""s, "\"Comments\": \"A fine comment\""s,
          "\"SampleRate\": \"44100\""s, "\"Bitrate\": \"32\""s, "\"Length\": \"0:03\""s,
          "\"LengthSecs\": \"3\""s,
          "\"Size\": \"" + std::to_string(std::filesystem::file_size(path)) + "\""})
      EXPECT_NE(output.find(expected), std::string::npos) << expected << "\nin " << output;
  }
}

// mutagen's frames with a picture moved ahead of the title and an extended
// header put in front: UTF-16 with marks (and a surrogate pair), UTF-16
// big-endian and UTF-8 in version 4, a comment with a description, padding.
TEST_F(Id3v2Test, ReadsMutagenTagsWithPictureAndExtendedHeader) {
  struct Case {
    const char* file;
    const char* version;
    const char* year;
    const char* genre;
  } cases[] = {
      {"id3v2_3_extras.mp3", "2.3.0", "1999", "Pop"},
      {"id3v2_4_extras.mp3", "2.4.0", "2004-05-12", "Jazz"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    AudioTagX tag;
    EXPECT_EQ(tag.Read(DataFile(c.file)), 0);
    EXPECT_EQ(tag.Version, c.version);
    EXPECT_EQ(tag.Title, "Grüße \U0001F3B5");
    EXPECT_EQ(tag.Artist, "Ærø Quartet");
    EXPECT_EQ(tag.Album, "Café Sessions");
    EXPECT_EQ(tag.Year, c.year);
    EXPECT_EQ(tag.Genre, c.genre);
    EXPECT_EQ(tag.Track, "7");
    EXPECT_EQ(tag.TotTracks, "9");
    EXPECT_EQ(tag.Comments, "Recorded live");
    EXPECT_EQ(tag.Bitrate, "32");
    EXPECT_EQ(tag.SampleRate, "44100");
    EXPECT_EQ(tag.Length, "0:03");
  }
}

// --- Tag header and frame walk ---

TEST_F(Id3v2Test, ReadsVersion22Frames) {
  std::string frames = Frame(2, "PIC", Zeros(300)) + Frame(2, "TT2", "\0Title\0"s) +
                       Frame(2, "TP1", "\0Artist"s) + Frame(2, "TAL", "\0Album"s) +
                       Frame(2, "TYE", "\0"s "1987") + Frame(2, "TCO", "\0(17)"s) +
                       Frame(2, "TRK", "\0"s "3/10") + Frame(2, "COM", "\0eng\0Nice"s);
  Outcome read = ReadBytes(Tag(2, frames, 100) + Audio());
  EXPECT_EQ(read.result, 0);
  EXPECT_EQ(read.tag.Version, "2.2.0");
  EXPECT_EQ(read.tag.FileType, "MP3");
  EXPECT_EQ(read.tag.Title, "Title");
  EXPECT_EQ(read.tag.Artist, "Artist");
  EXPECT_EQ(read.tag.Album, "Album");
  EXPECT_EQ(read.tag.Year, "1987");
  EXPECT_EQ(read.tag.Genre, "Rock");
  EXPECT_EQ(read.tag.Track, "3");
  EXPECT_EQ(read.tag.TotTracks, "10");
  EXPECT_EQ(read.tag.Comments, "Nice");
  EXPECT_EQ(read.tag.Bitrate, "128");
}

// Version 3 sizes are plain, version 4 sizes syncsafe: read the wrong way, a
// size above 127 sends the walk into the middle of a frame.
TEST_F(Id3v2Test, WalksFramesByTheSizesOfTheirVersion) {
  for (int major : {3, 4}) {
    SCOPED_TRACE(major);
    std::string frames = Frame(major, "APIC", Zeros(74565)) +
                         Frame(major, "TALB", "\0"s + std::string(256, 'a')) +
                         Frame(major, "PRIV", std::string(257, 'p')) + Frame(major, "TIT2", "\0Hello"s);
    Outcome read = ReadBytes(Tag(major, frames) + Audio());
    EXPECT_EQ(read.result, 0);
    EXPECT_EQ(read.tag.Album, std::string(256, 'a'));
    EXPECT_EQ(read.tag.Title, "Hello");
  }
}

// The audio starts after the zero bytes that follow the tag, inside its
// declared size or not, and the duration counts the bytes from there.
TEST_F(Id3v2Test, AudioStartsAfterPadding) {
  struct Case {
    size_t inside;
    size_t outside;
  } cases[] = {{1000, 0}, {0, 512}, {1000, 512}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.inside) + " + " + std::to_string(c.outside));
    std::string tag = Tag(3, Frame(3, "TIT2", "\0Hello"s), c.inside) + Zeros(c.outside);
    std::string file = tag + Audio();
    Outcome read = ReadBytes(file);
    EXPECT_EQ(read.result, 0);
    EXPECT_EQ(read.tag.Title, "Hello");
    EXPECT_EQ(read.tag.Size, std::to_string(file.size()));
    EXPECT_EQ(read.tag.LengthMs, text::WholePattern((file.size() - tag.size()) * 8, 128));
  }
}

TEST_F(Id3v2Test, SkipsTheExtendedHeader) {
  // Version 3 counts the size without its own four bytes, version 4 with them.
  std::string extended3 = Be32(6) + Zeros(6);
  std::string extended4 = Syncsafe(6) + "\x01\x00"s;
  for (int major : {3, 4}) {
    SCOPED_TRACE(major);
    std::string body = (major == 3 ? extended3 : extended4) + Frame(major, "TIT2", "\0Hello"s);
    Outcome read = ReadBytes(Tag(major, body, 50, 0x40) + Audio());
    EXPECT_EQ(read.result, 0);
    EXPECT_EQ(read.tag.Title, "Hello");
  }
}

TEST_F(Id3v2Test, LastOfRepeatedFramesWins) {
  std::string frames = Frame(3, "COMM", "\0eng\0First"s) + Frame(3, "COMM", "\0eng\0Second"s);
  EXPECT_EQ(ReadBytes(Tag(3, frames) + Audio()).tag.Comments, "Second");
}

// Every obstacle of the reader, and the frames that do not stop it.
TEST_F(Id3v2Test, ResultCodes) {
  std::string title3 = Frame(3, "TIT2", "\0Hi"s);
  std::string title4 = Frame(4, "TIT2", "\0Hi"s);
  std::string exactTag = Tag(3, title3);
  // The declared size one byte too large: the tag ends on the second byte of
  // the first audio frame.
  std::string intoAudio = exactTag.substr(0, 6) + Syncsafe(title3.size() + 1) + title3;
  struct Case {
    const char* name;
    std::string file;
    int result;
  } cases[] = {
      {"tag ends inside the audio", intoAudio + Audio(), 2},
      {"only zero bytes after the tag", exactTag + Zeros(300), 2},
      {"tag size past the end of the file", Tag(3, title3).substr(0, 6) + Syncsafe(100000) + title3 + Audio(), 2},
      {"no audio frame after the first", exactTag + MpegFrames(1) + "junk", 1},
      {"v2 unsynchronised", Tag(2, Frame(2, "TT2", "\0Hi"s), 0, 0x80) + Audio(), 7},
      {"v3 unsynchronised", Tag(3, title3, 0, 0x80) + Audio(), 7},
      {"v4 unsynchronised", Tag(4, title4, 0, 0x80) + Audio(), 7},
      {"v4 footer", Tag(4, title4, 0, 0x10) + Audio(), 6},
      {"v3 ignores the footer bit", Tag(3, title3, 0, 0x10) + Audio(), 0},
      {"v3 status flags", Tag(3, Frame(3, "TALB", "\0A"s, 0x40)) + Audio(), 9},
      {"v4 status flags", Tag(4, Frame(4, "TALB", "\0A"s, 0x01)) + Audio(), 9},
      {"unwanted frame with status flags", Tag(3, Frame(3, "PRIV", "x", 0x40) + title3) + Audio(), 0},
      {"v3 compressed", Tag(3, Frame(3, "TIT2", "\0Hi"s, 0, 0x80)) + Audio(), 5},
      {"v3 encrypted", Tag(3, Frame(3, "TIT2", "\0Hi"s, 0, 0x40)) + Audio(), 11},
      {"v3 grouped", Tag(3, Frame(3, "TIT2", "\0Hi"s, 0, 0x20)) + Audio(), 10},
      {"v3 compression decides first", Tag(3, Frame(3, "TIT2", "\0Hi"s, 0, 0xE0)) + Audio(), 5},
      {"v3 unused format bits", Tag(3, Frame(3, "TIT2", "\0Hi"s, 0, 0x1F)) + Audio(), 0},
      {"v4 grouped", Tag(4, Frame(4, "TIT2", "\0Hi"s, 0, 0x40)) + Audio(), 10},
      {"v4 compressed", Tag(4, Frame(4, "TIT2", "\0Hi"s, 0, 0x08)) + Audio(), 5},
      {"v4 encrypted", Tag(4, Frame(4, "TIT2", "\0Hi"s, 0, 0x04)) + Audio(), 11},
      {"v4 unsynchronised frame", Tag(4, Frame(4, "TIT2", "\0Hi"s, 0, 0x02)) + Audio(), 7},
      {"v4 data length indicator", Tag(4, Frame(4, "TIT2", "\0Hi"s, 0, 0x01)) + Audio(), 12},
      {"v4 grouping decides first", Tag(4, Frame(4, "TIT2", "\0Hi"s, 0, 0x4F)) + Audio(), 10},
      {"v4 unused format bits", Tag(4, Frame(4, "TIT2", "\0Hi"s, 0, 0xB0)) + Audio(), 0},
      {"unwanted compressed frame", Tag(4, Frame(4, "APIC", "x", 0, 0x08) + title4) + Audio(), 0},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadBytes(c.file).result, c.result) << c.name;
}

// A read that stops keeps what it had stored, and nothing of the audio.
TEST_F(Id3v2Test, StoppedReadKeepsTheFramesBefore) {
  Outcome unsynchronised = ReadBytes(Tag(3, Frame(3, "TIT2", "\0Hi"s), 0, 0x80) + Audio());
  EXPECT_EQ(unsynchronised.result, 7);
  EXPECT_EQ(unsynchronised.tag.Version, "2.3.0");
  EXPECT_EQ(unsynchronised.tag.FileType, "MP3");
  EXPECT_EQ(unsynchronised.tag.Title, "");
  EXPECT_EQ(unsynchronised.tag.Size, "");

  std::string frames = Frame(3, "TIT2", "\0Hi"s) + Frame(3, "TALB", "\0A"s, 0x40) +
                       Frame(3, "TPE1", "\0B"s);
  Outcome flagged = ReadBytes(Tag(3, frames) + Audio());
  EXPECT_EQ(flagged.result, 9);
  EXPECT_EQ(flagged.tag.Title, "Hi");
  EXPECT_EQ(flagged.tag.Album, "");
  EXPECT_EQ(flagged.tag.Artist, "");
  EXPECT_EQ(flagged.tag.Bitrate, "");
  EXPECT_EQ(flagged.tag.Size, "");

  Outcome lostSync = ReadBytes(Tag(3, Frame(3, "TIT2", "\0Hi"s)) + MpegFrames(1) + "junk");
  EXPECT_EQ(lostSync.result, 1);
  EXPECT_EQ(lostSync.tag.Title, "Hi");
  EXPECT_EQ(lostSync.tag.Bitrate, "");
  EXPECT_EQ(lostSync.tag.Length, "");
}

// --- Frame contents ---

// Each frame is followed by an album frame, which shows that the walk went on
// at the next frame header however the text was decoded.
TEST_F(Id3v2Test, DecodesTextFrames) {
  struct Case {
    const char* name;
    int major;
    std::string id;
    std::string body;
    std::string AudioTagX::*property;
    std::string value;
  } cases[] = {
      {"latin1 with terminator", 3, "TIT2", "\0Hello\0"s, &AudioTagX::Title, "Hello"},
      {"latin1 high bytes", 3, "TIT2", "\0Caf\xE9"s, &AudioTagX::Title, "Café"},
      {"utf16 little-endian", 3, "TIT2", "\x01"s + kLe + Utf16Le(u"Hi") + Zeros(2), &AudioTagX::Title, "Hi"},
      {"utf16 big-endian", 3, "TIT2", "\x01"s + kBe + Utf16Be(u"Hi") + Zeros(2), &AudioTagX::Title, "Hi"},
      {"utf16 mark and terminator only", 3, "TPE1", "\x01"s + kLe + Zeros(2), &AudioTagX::Artist, ""},
      {"utf16 surrogate pair", 3, "TIT2", "\x01"s + kLe + Utf16Le(u"\U0001F3B5"), &AudioTagX::Title, "\U0001F3B5"},
      {"utf16 lone surrogate", 3, "TIT2", "\x01"s + kLe + Utf16Le(u"a") + "\x00\xD8"s, &AudioTagX::Title, "a\uFFFD"},
      {"utf16 odd byte count", 3, "TIT2", "\x01"s + kLe + "H\0i"s, &AudioTagX::Title, "H"},
      {"utf16 without a mark is latin1", 3, "TIT2", "\x01" "Caf\xE9"s, &AudioTagX::Title, "Café"},
      {"utf16 without a mark, terminator only", 3, "TIT2", "\x01"s + Zeros(2), &AudioTagX::Title, ""},
      {"utf16 year", 3, "TYER", "\x01"s + kLe + Utf16Le(u"1999"), &AudioTagX::Year, "1999"},
      {"v4 utf16 big-endian without mark", 4, "TIT2", "\x02"s + Utf16Be(u"Hi") + Zeros(2), &AudioTagX::Title, "Hi"},
      {"v4 utf8", 4, "TIT2", "\x03" "Caf\xC3\xA9\0"s, &AudioTagX::Title, "Café"},
      {"v4 invalid utf8 is replaced", 4, "TIT2", "\x03" "A\xFF" "B"s, &AudioTagX::Title, "A\uFFFDB"},
      {"v3 has no utf8", 3, "TIT2", "\x03Hi"s, &AudioTagX::Title, ""},
      {"unknown encoding", 4, "TPE1", "\x07Hi"s, &AudioTagX::Artist, ""},
      {"v4 latin1 strings keep inner terminators", 4, "TPE1", "\0A\0B\0"s, &AudioTagX::Artist, "A\0B"s},
      {"v4 utf16 strings are joined", 4, "TPE1", "\x01"s + kLe + Utf16Le(u"A") + Zeros(2) + kBe + Utf16Be(u"B") + Zeros(2),
       &AudioTagX::Artist, "AB"},
      {"genre number", 3, "TCON", "\0(13)"s, &AudioTagX::Genre, "Pop"},
      {"genre text", 3, "TCON", "\0Rock"s, &AudioTagX::Genre, "Rock"},
      {"v4 genre digits are text", 4, "TCON", "\0" "17"s, &AudioTagX::Genre, "17"},
      {"lower-case identifier", 3, "tit2", "\0Hello"s, &AudioTagX::Title, "Hello"},
      {"empty frame", 3, "TIT2", "", &AudioTagX::Title, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string frames = Frame(c.major, c.id, c.body) + Frame(c.major, "TALB", "\0Next"s);
    Outcome read = ReadBytes(Tag(c.major, frames) + Audio());
    EXPECT_EQ(read.result, 0);
    EXPECT_EQ(read.tag.*c.property, c.value);
    EXPECT_EQ(read.tag.Album, "Next");
  }
}

TEST_F(Id3v2Test, DecodesComments) {
  struct Case {
    const char* name;
    int major;
    std::string body;
    std::string comment;
  } cases[] = {
      {"latin1", 3, "\0eng\0Nice"s, "Nice"},
      {"utf16 with empty description", 3, "\x01" "eng"s + kLe + Zeros(2) + kLe + Utf16Le(u"Nice") + Zeros(2), "Nice"},
      {"latin1 description", 3, "\0eng" "About\0Nice"s, "Nice"},
      {"utf16 description, other byte order", 3,
       "\x01" "eng"s + kLe + Utf16Le(u"About") + Zeros(2) + kBe + Utf16Be(u"Nice"), "Nice"},
      {"utf16 comment without its own mark", 3,
       "\x01" "eng"s + kBe + Utf16Be(u"About") + Zeros(2) + Utf16Be(u"Nice"), "Nice"},
      {"v4 utf16 big-endian description", 4, "\x02" "eng"s + Utf16Be(u"About") + Zeros(2) + Utf16Be(u"Nice"), "Nice"},
      {"v4 utf8 description", 4, "\x03" "eng" "\xC3\xA9t\xC3\xA9\0Nic\xC3\xA9"s, "Nicé"},
      {"description without terminator", 3, "\0eng" "About"s, ""},
      {"shorter than the language", 3, "\0en"s, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string frames = Frame(c.major, "COMM", c.body) + Frame(c.major, "TALB", "\0Next"s);
    Outcome read = ReadBytes(Tag(c.major, frames) + Audio());
    EXPECT_EQ(read.tag.Comments, c.comment);
    EXPECT_EQ(read.tag.Album, "Next");
  }
}

TEST_F(Id3v2Test, SplitsTheTrackFrame) {
  struct Case {
    std::string frames;
    const char* track;
    const char* total;
  } cases[] = {
      {Frame(3, "TRCK", "\0" "3/10"s), "3", "10"},
      {Frame(3, "TRCK", "\x01"s + kLe + Utf16Le(u"3/10") + Zeros(2)), "3", "10"},
      {Frame(3, "TRCK", "\0" "5"s), "5", ""},
      {Frame(3, "TRCK", "\0/12"s), "", "12"},
      // An encoding the version does not define leaves both as they were.
      {Frame(3, "TRCK", "\0" "4/8"s) + Frame(3, "TRCK", "\x03" "6/7"s), "4", "8"},
  };
  for (const Case& c : cases) {
    Outcome read = ReadBytes(Tag(3, c.frames) + Audio());
    EXPECT_EQ(read.tag.Track, c.track);
    EXPECT_EQ(read.tag.TotTracks, c.total);
  }
}

TEST_F(Id3v2Test, ReadUnicodeConsumesExactlyItsCount) {
  struct Case {
    std::string bytes;
    int64_t count;
    std::string text;
  } cases[] = {
      {kLe + Utf16Le(u"Hi") + Zeros(2), 8, "Hi"},
      {kBe + Utf16Be(u"Hi"), 6, "Hi"},
      {kLe + Zeros(2), 4, ""},
      {kLe + "H\0i"s, 5, "H"},
      {"Hi\xE9"s, 3, "Hi\u00E9"},
      {"Hi", 0, ""},
  };
  for (const Case& c : cases) {
    BinaryStream stream(files_.Write(c.bytes + "after"));
    EXPECT_EQ(AudioTagX::ReadUnicode(stream, c.count), c.text);
    EXPECT_EQ(stream.Position(), c.count);
  }
}

// --- Damaged files ---

// Sizes that point past the end, wrap around or claim gigabytes end the walk
// with a result; a wanted frame never takes the audio for its text.
TEST_F(Id3v2Test, DamagedSizesGiveAResult) {
  std::string title = Frame(3, "TIT2", "\0Hello"s);
  std::string hugeTitle = "TIT2" + Be32(0xFFFFFFFF) + Zeros(2) + "\0Hello"s;
  struct Case {
    const char* name;
    std::string file;
    int result;
    const char* title;
  } cases[] = {
      {"wanted frame claiming 4 GB", Tag(3, hugeTitle) + Audio(), 0, "Hello"},
      {"unwanted frame claiming 4 GB", Tag(3, "PRIV" + Be32(0xFFFFFFFF) + Zeros(2) + title) + Audio(), 0, ""},
      {"v4 wanted frame with invalid size", Tag(4, "TIT2" + Be32(0x80808080) + Zeros(2) + "\0Hello"s) + Audio(), 0, ""},
      {"v4 unwanted frame with invalid size", Tag(4, "PRIV" + Be32(0xFFFFFFFF) + Zeros(2)) + Audio(), 0, ""},
      {"v2 frame claiming 16 MB", Tag(2, "TT2" + Be24(0xFFFFFF) + "\0Hello"s) + Audio(), 0, "Hello"},
      {"v3 extended header claiming 4 GB", Tag(3, Be32(0xFFFFFFFF) + title, 0, 0x40) + Audio(), 0, ""},
      {"v4 extended header with invalid size", Tag(4, Be32(0xFFFFFFFF) + Frame(4, "TIT2", "\0Hello"s), 0, 0x40) + Audio(), 0, ""},
      {"invalid tag size", "ID3\x03\0\0"s + Be32(0x00000080) + title + Audio(), 2, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Outcome read = ReadBytes(c.file);
    EXPECT_EQ(read.result, c.result);
    EXPECT_EQ(read.tag.Title, c.title);
  }
}

// Cut anywhere, a file still gives a result (and, under the sanitizers, no
// read outside a buffer): inside the tag there is no audio to find, inside
// the audio the frame walk may still succeed.
TEST_F(Id3v2Test, TruncatedFilesGiveAResult) {
  for (int major : {2, 3, 4}) {
    std::string comment = major == 2 ? "COM" : "COMM";
    std::string title = major == 2 ? "TT2" : "TIT2";
    std::string frames = Frame(major, title, "\x01"s + kLe + Utf16Le(u"Title") + Zeros(2)) +
                         Frame(major, comment, "\x01" "eng"s + kLe + Zeros(2) + kLe + Utf16Le(u"Nice"));
    std::string tag = Tag(major, frames, 20);
    std::string file = tag + MpegFrames(2);
    for (size_t length = 0; length < file.size(); ++length) {
      int result = ReadBytes(file.substr(0, length)).result;
      if (length < 4)
        EXPECT_EQ(result, 1) << major << " cut at " << length;
      else if (length <= tag.size())
        EXPECT_EQ(result, 2) << major << " cut at " << length;
      else
        EXPECT_TRUE(result == 0 || result == 1) << major << " cut at " << length;
    }
  }
}

}  // namespace
