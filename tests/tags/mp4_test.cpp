#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "audio_tag.h"
#include "mp4_files.h"
#include "record_json.h"
#include "test_files.h"

namespace {

using namespace mp4files;
using testfiles::Be16;
using testfiles::Be32;
using testfiles::DataFile;
using testfiles::Zeros;

class Mp4Test : public ::testing::Test {
protected:
  int Read(const std::string& bytes, AudioTagX& tag) { return tag.Read(files_.Write(bytes)); }

private:
  testfiles::TempFiles files_;
};

// ---- Real files made by ffmpeg and retagged by mutagen ----

struct RealFile {
  const char* name;
  AudioTagX expected;
};

AudioTagX Expected(const char* name, const char* title, const char* artist, const char* album,
                   const char* year, const char* genre, const char* comment, const char* track,
                   const char* total) {
  AudioTagX tag;
  tag.FileType = "AAC";
  tag.Title = title;
  tag.Artist = artist;
  tag.Album = album;
  tag.Year = year;
  tag.Genre = genre;
  tag.Comments = comment;
  tag.Track = track;
  tag.TotTracks = total;
  // Both files hold the same 3 s of audio: mvhd 3024 of 1000, mdat 12287 bytes.
  tag.SampleRate = "44100";
  tag.LengthMs = "3024";
  tag.LengthSecs = "3";
  tag.Length = "0:03";
  tag.Bitrate = "33";  // 12287 × 8 ÷ 3.024 s = 32.5 kbit/s
  tag.Size = std::to_string(std::filesystem::file_size(DataFile(name)));
  tag.SizeMB = "0.01";
  return tag;
}

TEST_F(Mp4Test, ReadsRealFiles) {
  const RealFile files[] = {
      {"aac_ffmpeg.m4a", Expected("aac_ffmpeg.m4a", "Morning Light", "The Testers", "Fixtures",
                                  "2003", "Rock", "made by ffmpeg", "3", "12")},
      // UTF-8 letters, and a disc number, compilation flag, cover art and a
      // free atom after ilst to pass over.
      {"aac_mutagen.m4a",
       Expected("aac_mutagen.m4a", "Café Noir", "Björk Ålund", "Über Straße", "2004", "Jazz",
                "retagged by mutagen", "5", "9")},
  };
  for (const RealFile& file : files) {
    AudioTagX tag;
    int result = tag.Read(DataFile(file.name));
    EXPECT_EQ(RecordToJson(file.name, result, tag), RecordToJson(file.name, 0, file.expected));
  }
}

std::string Property(const std::string& json, const std::string& name) {
  std::string key = "\"" + name + "\": ";
  size_t at = json.find(key);
  if (at == std::string::npos) return "<missing>";
  at += key.size();
  if (json[at] != '"') return json.substr(at, json.find_first_of(",}", at) - at);
  return json.substr(at + 1, json.find('"', at + 1) - at - 1);
}

// What the inspector prints for the real files against what the tools were
// told to write (scripts/make-test-data.sh) and what they report.
TEST(Mp4Inspector, ReportsWhatTheToolsWrote) {
  std::string command = std::string(SONGHAUL_TAG_TOOL) + " '" + DataFile("aac_ffmpeg.m4a") +
                        "' '" + DataFile("aac_mutagen.m4a") + "'";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::vector<std::string> lines(1);
  for (int c; (c = std::fgetc(pipe)) != EOF;) {
    if (c == '\n')
      lines.emplace_back();
    else
      lines.back() += static_cast<char>(c);
  }
  ASSERT_EQ(pclose(pipe), 0);
  ASSERT_EQ(lines.size(), 3u);

  struct Written {
    const char* title;
    const char* artist;
    const char* album;
    const char* year;
    const char* genre;
    const char* track;
    const char* total;
    const char* comment;
  };
  const Written written[] = {
      {"Morning Light", "The Testers", "Fixtures", "2003", "Rock", "3", "12", "made by ffmpeg"},
      {"Café Noir", "Björk Ålund", "Über Straße", "2004", "Jazz", "5", "9", "retagged by mutagen"},
  };
  for (int i = 0; i < 2; ++i) {
    const std::string& json = lines[i];
    SCOPED_TRACE(json);
    EXPECT_EQ(Property(json, "result"), "0");
    EXPECT_EQ(Property(json, "FileType"), "AAC");
    EXPECT_EQ(Property(json, "Title"), written[i].title);
    EXPECT_EQ(Property(json, "Artist"), written[i].artist);
    EXPECT_EQ(Property(json, "Album"), written[i].album);
    EXPECT_EQ(Property(json, "Year"), written[i].year);
    EXPECT_EQ(Property(json, "Genre"), written[i].genre);
    EXPECT_EQ(Property(json, "Track"), written[i].track);
    EXPECT_EQ(Property(json, "TotTracks"), written[i].total);
    EXPECT_EQ(Property(json, "Comments"), written[i].comment);
    EXPECT_EQ(Property(json, "SampleRate"), "44100");  // the tone's rate
    // ffmpeg was asked for 32 kbit/s; the reader counts the whole mdat atom.
    int64_t bitrate = std::stoll(Property(json, "Bitrate"));
    EXPECT_GE(bitrate, 31);
    EXPECT_LE(bitrate, 33);
    // 3 s of tone; ffprobe gives the file 3.024 s (the encoder's priming).
    EXPECT_EQ(Property(json, "LengthMs"), "3024");
    EXPECT_EQ(Property(json, "Length"), "0:03");
  }
}

// ---- Length, bit rate and size ----

TEST_F(Mp4Test, LengthAndBitrateFromTheMovieHeader) {
  struct Case {
    int version;
    uint32_t timescale;
    uint64_t duration;
    uint32_t mdatSize;
    const char* lengthMs;
    const char* lengthSecs;
    const char* length;
    const char* bitrate;
  };
  const Case cases[] = {
      // four minutes: 4,000,000 × 8 ÷ 144,000 × 600 ÷ 1000 = 133.33
      {0, 600, 144000, 4000000, "240000", "240", "4:00", "133"},
      // five minutes at 44100: D × 1000 does not fit in 32 bits
      {0, 44100, 13230000, 4000000, "300000", "300", "5:00", "107"},
      {0, 1000, 3024, 12287, "3024", "3", "0:03", "33"},
      // a 64-bit duration: 5,000,000,000 ms
      {1, 1000, 5000000000, 4000000000u, "5000000000", "5000000", "83333:20", "6"},
      // no length, so no bit rate either
      {0, 0, 144000, 4000000, "", "", "", ""},
      {0, 600, 0, 4000000, "", "", "", ""},
      {1, 1, UINT64_MAX, 4000000, "", "", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.timescale) + " " + std::to_string(c.duration));
    Song song;
    song.headerVersion = c.version;
    song.timescale = c.timescale;
    song.duration = c.duration;
    // Only the header of the media data is there: its size alone counts.
    song.mdat = Be32(c.mdatSize) + "mdat";
    AudioTagX tag;
    tag.LengthMs = "999";  // Read keeps LengthMs from the song read before
    EXPECT_EQ(Read(song.Bytes(), tag), 0);
    EXPECT_EQ(tag.LengthMs, c.lengthMs);
    EXPECT_EQ(tag.LengthSecs, c.lengthSecs);
    EXPECT_EQ(tag.Length, c.length);
    EXPECT_EQ(tag.Bitrate, c.bitrate);
    EXPECT_EQ(tag.SampleRate, "44100");  // mdhd of the same version
  }
}

TEST_F(Mp4Test, SizeInBytesAndDecimalMegabytes) {
  Song song;
  song.mdat.clear();
  std::string head = song.Bytes();
  song.mdat = Atom("mdat", Zeros(3500000 - head.size() - 8));
  AudioTagX tag;
  ASSERT_EQ(Read(song.Bytes(), tag), 0);
  EXPECT_EQ(tag.Size, "3500000");
  EXPECT_EQ(tag.SizeMB, "3.5");
}

// ---- Items ----

TEST_F(Mp4Test, TextByDataClass) {
  struct Case {
    uint32_t dataClass;
    std::string payload;
    std::string title;
  };
  const Case cases[] = {
      {1, "Song", "Song"},
      {1, "Caf\xC3\xA9", "Café"},
      {1, std::string("Song\0", 5), "Song"},                 // one terminator goes
      {1, "Caf\xE9", "Caf\xEF\xBF\xBD"},                     // not UTF-8: U+FFFD
      {2, std::string("\0S\0o\0n\0g", 8), "Song"},           // UTF-16 big-endian
      {2, std::string("\0C\0a\0f\0\xE9\0\0", 10), "Café"},   // with its terminator
      {0, "Caf\xE9", "Café"},                                // no character set: ISO-8859-1
      {21, "Caf\xE9", "Café"},
      {1, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dataClass);
    Song song;
    song.items = Item(kName, c.dataClass, c.payload) + Item(kArtist, 1, "Next");
    AudioTagX tag;
    EXPECT_EQ(Read(song.Bytes(), tag), 0);
    EXPECT_EQ(tag.Title, c.title);
    EXPECT_EQ(tag.Artist, "Next");
  }
}

TEST_F(Mp4Test, TrackNumberAndCount) {
  struct Case {
    uint16_t track, total;
    const char* trackText;
    const char* totalText;
  };
  const Case cases[] = {{5, 12, "5", "12"}, {5, 0, "5", ""}, {0, 12, "", ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.track) + "/" + std::to_string(c.total));
    Song song;
    song.items = TrackItem(c.track, c.total) + Item(kName, 1, "After");
    AudioTagX tag;
    EXPECT_EQ(Read(song.Bytes(), tag), 0);
    EXPECT_EQ(tag.Track, c.trackText);
    EXPECT_EQ(tag.TotTracks, c.totalText);
    EXPECT_EQ(tag.Title, "After");
  }
}

TEST_F(Mp4Test, TrackItemOfATextClassEndsTheRead) {
  Song song;
  song.items = TrackItem(5, 12, 1) + Item(kName, 1, "After");
  AudioTagX tag;
  EXPECT_EQ(Read(song.Bytes(), tag), 2);
  EXPECT_EQ(tag.Track, "");
  EXPECT_EQ(tag.Title, "");
  EXPECT_EQ(tag.LengthMs, "240000");
  EXPECT_EQ(tag.Bitrate, "");
}

TEST_F(Mp4Test, GenreNumberEmptiesTheGenre) {
  Song song;
  song.items = Item(kGenre, 1, "Rock") + Item(kGenre, 0, Be16(18)) + Item(kName, 1, "After");
  AudioTagX tag;
  EXPECT_EQ(Read(song.Bytes(), tag), 0);
  EXPECT_EQ(tag.Genre, "");
  EXPECT_EQ(tag.Title, "After");
}

TEST_F(Mp4Test, PassesOverOtherItemsAndFreeAtoms) {
  Song song;
  song.items = Item("covr", 13, "\xFF\xD8\xFF\xE0" + Zeros(40)) + Item("cpil", 21, "\x01") +
               Item("gnre", 0, Be16(18)) + Item("disk", 0, Be16(0) + Be16(1) + Be16(2)) +
               Atom("free", Zeros(10)) + Item(kAlbum, 1, "Last");
  song.afterIlst = Atom("free", Zeros(100));
  song.afterMoov = Atom("free", Zeros(8)) + Atom("skip", "");
  AudioTagX tag;
  EXPECT_EQ(Read(song.Bytes(), tag), 0);
  EXPECT_EQ(tag.Album, "Last");
  EXPECT_EQ(tag.Title + tag.Artist + tag.Comments + tag.Year + tag.Genre + tag.Track +
                tag.TotTracks + tag.Cd + tag.TotCds + tag.Version,
            "");
  EXPECT_EQ(tag.Bitrate, "0");  // 72 bytes of media data in four minutes
}

// ---- Structure ----

TEST_F(Mp4Test, OtherLayoutsGive2) {
  struct Case {
    const char* name;
    std::function<void(Song&)> change;
    const char* lengthMs;  // set when the mismatch lies after mvhd
    const char* sampleRate;
    const char* title;
  };
  const Case cases[] = {
      {"mdat before moov", [](Song& s) { s.mdatFirst = true; }, "", "", ""},
      {"iods after mvhd", [](Song& s) { s.afterMvhd = Atom("iods", Zeros(16)); }, "240000", "",
       ""},
      {"edit list in the track", [](Song& s) { s.afterTkhd = Atom("edts", Atom("elst", Zeros(8))); },
       "240000", "", ""},
      {"a second track", [](Song& s) { s.afterTrak = Atom("trak", Atom("tkhd", Zeros(84))); },
       "240000", "44100", ""},
      {"no media data", [](Song& s) { s.mdat.clear(); }, "240000", "44100", "Song"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Song song;
    c.change(song);
    AudioTagX tag;
    EXPECT_EQ(Read(song.Bytes(), tag), 2);
    EXPECT_EQ(tag.FileType, "AAC");
    EXPECT_EQ(tag.LengthMs, c.lengthMs);
    EXPECT_EQ(tag.Size.empty(), std::string(c.lengthMs).empty());
    EXPECT_EQ(tag.SampleRate, c.sampleRate);
    EXPECT_EQ(tag.Title, c.title);
    EXPECT_EQ(tag.Bitrate, "");
  }
}

// The first atom of the type gets the size field.
std::string WithSize(std::string bytes, std::string_view type, uint32_t size) {
  size_t at = bytes.find(type);
  return bytes.replace(at - 4, 4, Be32(size));
}

std::string SongWithItems(const std::string& items) {
  Song song;
  song.items = items;
  return song.Bytes();
}

// Damaged sizes end the read with 2: no endless walk, no read of gigabytes.
TEST_F(Mp4Test, SizesThatCannotBeFollowedGive2) {
  struct Case {
    const char* name;
    std::string bytes;
  };
  const std::string song = Song().Bytes();
  const Case cases[] = {
      {"moov of size 0", WithSize(song, "moov", 0)},
      {"moov of size 1", WithSize(song, "moov", 1)},
      {"moov of size 7", WithSize(song, "moov", 7)},
      {"stco of size 4", WithSize(song, "stco", 4)},
      // the item walk goes on through the media data to the end of the file
      {"moov past the end of the file", WithSize(song, "moov", 0x7FFFFFFF)},
      {"moov past 4 GiB", WithSize(song, "moov", 0xFFFFFFFF)},
      {"item of size 0", SongWithItems(Be32(0) + "free" + Zeros(8))},
      {"item of size 7", SongWithItems(Be32(7) + "free" + Zeros(8))},
      {"item of size 1", SongWithItems(Be32(1) + "free" + Be32(0) + Be32(16))},
      {"data atom smaller than its header",
       WithSize(SongWithItems(Item(kName, 1, "Song")), "data", 12)},
      {"data atom of 4 GiB", WithSize(SongWithItems(Item(kName, 1, "Song")), "data", 0xFFFFFFF0)},
      {"free of size 0 before mdat", WithSize(song, "free", 0)},
      {"free reaching past 4 GiB", WithSize(song, "free", 0xFFFFFFF8)},
      {"mdat of size 0", WithSize(song, "mdat", 0)},
      {"mdat of size 1", WithSize(song, "mdat", 1)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AudioTagX tag;
    EXPECT_EQ(Read(c.bytes, tag), 2);
    EXPECT_EQ(tag.Bitrate, "");
  }
}

// Cut anywhere, the file gives 1 while Read cannot see the MP4 brand, 2 until
// the mdat header is whole, and 0 from there on.
TEST_F(Mp4Test, EveryTruncationGivesACode) {
  Song song;
  song.items = Item(kName, 1, "Song") + TrackItem(1, 2) + Item(kGenre, 0, Be16(1)) +
               Item("covr", 13, Zeros(20));
  std::string bytes = song.Bytes();
  size_t mdatEnd = bytes.rfind("mdat") + 4;
  for (size_t length = 0; length <= bytes.size(); ++length) {
    AudioTagX tag;
    int result = Read(bytes.substr(0, length), tag);
    int expected = length < 11 ? 1 : length < mdatEnd ? 2 : 0;
    ASSERT_EQ(result, expected) << "cut at " << length;
  }
}

}  // namespace
