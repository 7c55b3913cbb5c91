#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "audio_tag.h"
#include "binary_stream.h"
#include "mp4_files.h"
#include "test_files.h"

namespace {

using namespace mp4files;
using testfiles::Be16;
using testfiles::Be32;
using testfiles::DataFile;
using testfiles::Zeros;

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

uint32_t GetBe32(std::string_view bytes, size_t at) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<uint8_t>(bytes[at + i]);
  return value;
}

// ---- Reading a written file's atoms ----

struct Found {
  size_t start = 0;
  uint32_t size = 0;
  size_t End() const { return start + size; }
  size_t Body(std::string_view type) const { return start + 8 + (type == "meta" ? 4 : 0); }
};

bool IsContainer(std::string_view type) {
  for (std::string_view c :
       {"moov", "trak", "mdia", "minf", "dinf", "stbl", "udta", "meta", "ilst"})
    if (type == c) return true;
  return false;
}

// The atoms of bytes[begin, end), each a child of the one before in path
// ("moov", "udta", "meta", "ilst"); size 0 when one is missing.
Found Locate(std::string_view bytes, const std::vector<std::string>& path) {
  size_t begin = 0, end = bytes.size();
  Found found;
  for (const std::string& type : path) {
    found = {};
    for (size_t at = begin; at + 8 <= end;) {
      uint32_t size = GetBe32(bytes, at);
      if (size < 8) return {};
      if (bytes.substr(at + 4, 4) == type) {
        found = {at, size};
        break;
      }
      at += size;
    }
    if (found.size == 0) return {};
    begin = found.Body(type);
    end = found.End();
  }
  return found;
}

// Where the children of bytes[begin, end) do not fill it exactly: every
// container's size must match its contents for other software to read it.
std::string SizeFaults(std::string_view bytes, size_t begin, size_t end, bool items = false) {
  std::string faults;
  size_t at = begin;
  while (at + 8 <= end) {
    uint32_t size = GetBe32(bytes, at);
    std::string type(bytes.substr(at + 4, 4));
    if (size < 8 || at + size > end)
      return faults + type + " at " + std::to_string(at) + " overruns its container; ";
    // An ilst item holds atoms (data, mean, name) too.
    if (IsContainer(type) || items)
      faults += SizeFaults(bytes, at + 8 + (type == "meta" ? 4 : 0), at + size, type == "ilst");
    at += size;
  }
  if (at != end) faults += "container ending at " + std::to_string(end) + " not filled; ";
  return faults;
}

std::string SizeFaults(std::string_view bytes) { return SizeFaults(bytes, 0, bytes.size()); }

// The chunk offsets of the stco atom, each less the start of mdat.
std::vector<int64_t> ChunksIntoMediaData(std::string_view bytes) {
  Found stco = Locate(bytes, {"moov", "trak", "mdia", "minf", "stbl", "stco"});
  Found mdat = Locate(bytes, {"mdat"});
  std::vector<int64_t> chunks;
  for (uint32_t i = 0; i < GetBe32(bytes, stco.start + 12); ++i)
    chunks.push_back(int64_t{GetBe32(bytes, stco.start + 16 + 4 * i)} - int64_t(mdat.start));
  return chunks;
}

std::string FromMediaData(std::string_view bytes) {
  return std::string(bytes.substr(Locate(bytes, {"mdat"}).start));
}

std::string IlstBody(std::string_view bytes) {
  Found ilst = Locate(bytes, {"moov", "udta", "meta", "ilst"});
  return std::string(bytes.substr(ilst.start + 8, ilst.size - 8));
}

// What follows the end of ilst up to mdat.
std::string AfterIlst(std::string_view bytes) {
  size_t end = Locate(bytes, {"moov", "udta", "meta", "ilst"}).End();
  return std::string(bytes.substr(end, Locate(bytes, {"mdat"}).start - end));
}

// A song with chunk offsets pointing into its media data, the way a real
// song's do.
std::string WithChunks(Song song) {
  song.chunkOffsets = {0, 0, 0};
  size_t mdat = song.Bytes().rfind("mdat") - 4;
  song.chunkOffsets = {static_cast<uint32_t>(mdat + 8), static_cast<uint32_t>(mdat + 24),
                       static_cast<uint32_t>(mdat + 40)};
  return song.Bytes();
}

const std::string kCover = Item("covr", 13, "\xFF\xD8\xFF\xE0" + Zeros(20));

class Mp4WriterTest : public ::testing::Test {
protected:
  std::string Write(const std::string& bytes, const std::string& name = "") {
    return files_.Write(bytes, name);
  }
  std::string Folder() const { return std::filesystem::path(files_.Path("x")).parent_path(); }
  size_t FilesInFolder() const {
    size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(Folder()))
      count += entry.is_regular_file();
    return count;
  }

  testfiles::TempFiles files_;
};

AudioTagX TitleOnly(const std::string& title) {
  AudioTagX tag;
  tag.Title = title;
  return tag;
}

// ---- In place ----

// A cover and a title, then a free atom of 2,000 bytes before mdat, wherever
// it is: the title is rebuilt, the cover kept, and the free atom shrinks.
TEST_F(Mp4WriterTest, RewritesInPlaceWhenTheItemsFit) {
  struct Case {
    const char* name;
    std::function<void(Song&)> placeFree;
  };
  const Case cases[] = {
      {"free in meta", [](Song& s) { s.afterIlst = Atom("free", Zeros(1992)); }},
      {"free in udta", [](Song& s) { s.afterMeta = Atom("free", Zeros(1992)); }},
      {"free at the top", [](Song& s) { s.afterMoov = Atom("free", Zeros(1992)); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Song song;
    song.items = Item(kName, 1, "Old title") + kCover;
    song.afterMoov.clear();
    c.placeFree(song);
    std::string before = WithChunks(song);
    std::string path = Write(before);

    AudioTagX tag = TitleOnly("Yesterday");
    {
      BinaryStream stream(path);
      EXPECT_EQ(tag.TagAvailableSpace2(stream), 1992 - 33);
    }
    ASSERT_EQ(tag.Write_AAC(path), 0);
    EXPECT_EQ(tag.SampleRate, "44100");

    std::string after = Contents(path);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(FromMediaData(after), FromMediaData(before));
    EXPECT_EQ(Locate(after, {"mdat"}).start, Locate(before, {"mdat"}).start);
    EXPECT_EQ(ChunksIntoMediaData(after), ChunksIntoMediaData(before));
    EXPECT_EQ(IlstBody(after), Item(kName, 1, "Yesterday") + kCover);
    // One free atom from the end of ilst to mdat, inside meta.
    size_t mdat = before.size() - 64 - 8;
    size_t freeSize = mdat - Locate(after, {"moov", "udta", "meta", "ilst"}).End();
    EXPECT_EQ(AfterIlst(after), Atom("free", Zeros(freeSize - 8)));
    EXPECT_EQ(Locate(after, {"moov"}).End(), Locate(after, {"mdat"}).start);
    EXPECT_EQ(SizeFaults(after), "");

    AudioTagX read;
    EXPECT_EQ(read.Read(path), 0);
    EXPECT_EQ(read.Title, "Yesterday");
    EXPECT_EQ(FilesInFolder(), 1u);
    std::filesystem::remove(path);
  }
}

// What the new ilst holds, field by field.
TEST_F(Mp4WriterTest, ItemsFollowTheRecord) {
  const std::string managed = Item(kAlbum, 1, "A") + Item(kArtist, 1, "B") +
                              Item(kComment, 1, "C") + Item(kName, 1, "D") +
                              Item(kGenre, 1, "E") + TrackItem(1, 2) + Item(kDay, 1, "1990");
  struct Case {
    const char* name;
    std::string items;
    std::function<void(AudioTagX&)> set;
    std::string expected;
  };
  const Case cases[] = {
      {"every field empty: only the other items stay", managed + kCover, [](AudioTagX&) {},
       kCover},
      {"missing items are appended in their order", kCover,
       [](AudioTagX& t) {
         t.Year = "2001";
         t.Track = "3";
         t.TotTracks = "12";
         t.Genre = "Pop";
         t.Title = "T";
         t.Comments = "C";
         t.Artist = "Ar";
         t.Album = "Al";
       },
       kCover + Item(kAlbum, 1, "Al") + Item(kArtist, 1, "Ar") + Item(kComment, 1, "C") +
           Item(kName, 1, "T") + Item(kGenre, 1, "Pop") + TrackItem(3, 12) +
           Item(kDay, 1, "2001")},
      {"items keep their places", managed,
       [](AudioTagX& t) {
         t.Year = "2002";
         t.Album = "New";
       },
       Item(kAlbum, 1, "New") + Item(kDay, 1, "2002")},
      {"a track without a count", TrackItem(1, 2) + kCover, [](AudioTagX& t) { t.Track = "3"; },
       Item("trkn", 0, Be32(3) + Be32(0)) + kCover},
      {"a count without a track writes no track item", TrackItem(1, 2),
       [](AudioTagX& t) { t.TotTracks = "12"; }, ""},
      {"UTF-8, less one terminator", "",
       [](AudioTagX& t) { t.Title = std::string("Caf\xC3\xA9\0", 6); },
       Item(kName, 1, "Caf\xC3\xA9")},
      {"free atoms among the items go", Atom("free", Zeros(30)) + kCover, [](AudioTagX&) {},
       kCover},
      // Other children of an item stay; one data atom carries the value.
      {"an item with two data atoms",
       Atom(kArtist, Atom("name", "x") + Atom("data", Be32(1) + Be32(0) + "One") +
                         Atom("data", Be32(1) + Be32(0) + "Two")),
       [](AudioTagX& t) { t.Artist = "Both"; },
       Atom(kArtist, Atom("name", "x") + Atom("data", Be32(1) + Be32(0) + "Both"))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Song song;
    song.items = c.items;
    song.afterIlst = Atom("free", Zeros(1000));
    std::string path = Write(song.Bytes());
    AudioTagX tag;
    c.set(tag);
    ASSERT_EQ(tag.Write_AAC(path), 0);
    std::string after = Contents(path);
    EXPECT_EQ(after.size(), song.Bytes().size());
    EXPECT_EQ(IlstBody(after), c.expected);
    EXPECT_EQ(SizeFaults(after), "");
  }
}

// ---- Growth ----

TEST_F(Mp4WriterTest, GrowsWhenTheEstimateDoesNotFit) {
  struct Case {
    const char* name;
    std::function<void(Song&)> change;
    int64_t growth;
  };
  const Case cases[] = {
      // 12 bytes of room for an estimated 33: 21 short, and 500 more
      {"a small free atom in udta", [](Song& s) { s.afterMeta = Atom("free", Zeros(12)); }, 521},
      {"a small free atom at the top", [](Song& s) { s.afterMoov = Atom("free", Zeros(12)); }, 521},
      // the new free atom's header too
      {"no free atom", [](Song&) {}, 33 + 508},
      // the estimate counts characters; the bytes of the other items count
      // as no room
      {"the old items are not counted", [](Song& s) { s.items = Item(kName, 1, Zeros(100)); },
       33 + 508},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Song song;
    song.items = "";
    song.afterMoov.clear();
    song.mdat = Atom("mdat", std::string(64, 'm'));
    c.change(song);
    std::string before = WithChunks(song);
    std::string path = Write(before);
    AudioTagX tag = TitleOnly("Yesterday");
    ASSERT_EQ(tag.Write_AAC(path), 0);

    std::string after = Contents(path);
    ASSERT_EQ(int64_t(after.size()), int64_t(before.size()) + c.growth);
    EXPECT_EQ(FromMediaData(after), FromMediaData(before));
    EXPECT_EQ(ChunksIntoMediaData(after), ChunksIntoMediaData(before));
    // udta, meta and moov now end where mdat begins: the new free atom closes meta.
    size_t mdat = Locate(after, {"mdat"}).start;
    EXPECT_EQ(mdat, Locate(before, {"mdat"}).start + c.growth);
    EXPECT_EQ(Locate(after, {"moov"}).End(), mdat);
    EXPECT_EQ(Locate(after, {"moov", "udta"}).End(), mdat);
    EXPECT_EQ(Locate(after, {"moov", "udta", "meta"}).End(), mdat);
    EXPECT_EQ(IlstBody(after), Item(kName, 1, "Yesterday"));
    EXPECT_EQ(SizeFaults(after), "");
    EXPECT_EQ(FilesInFolder(), 1u);

    // With 500 bytes to spare, the next write is in place.
    AudioTagX again = TitleOnly("Tomorrow");
    ASSERT_EQ(again.Write_AAC(path), 0);
    EXPECT_EQ(Contents(path).size(), after.size());
    AudioTagX read;
    EXPECT_EQ(read.Read(path), 0);
    EXPECT_EQ(read.Title, "Tomorrow");
    std::filesystem::remove(path);
  }
}

// The estimate counts characters, but the file holds UTF-8 bytes; and the
// free atom that closes the items needs its 8-byte header.
TEST_F(Mp4WriterTest, GrowsWhenTheRealItemsDoNotFit) {
  // Ten characters of three bytes: estimated at 34 bytes, written as 54.
  std::string tokyo;
  for (int i = 0; i < 10; ++i) tokyo += "\xE6\x9D\xB1";
  struct Case {
    int64_t freePayload;
    int64_t growth;
  };
  const Case cases[] = {
      {40, 54 + 8 - 48 + 500},  // the item alone does not fit
      {50, 54 + 8 - 58 + 500},  // 4 bytes would be left: too few for a free atom
      {54, 0},                  // exactly a free atom's header left: in place
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.freePayload);
    Song song;
    song.items = "";
    song.afterMoov.clear();
    song.afterIlst = Atom("free", Zeros(static_cast<size_t>(c.freePayload)));
    std::string before = WithChunks(song);
    std::string path = Write(before);
    AudioTagX tag = TitleOnly(tokyo);
    ASSERT_EQ(tag.Write_AAC(path), 0);
    std::string after = Contents(path);
    EXPECT_EQ(int64_t(after.size()), int64_t(before.size()) + c.growth);
    EXPECT_EQ(ChunksIntoMediaData(after), ChunksIntoMediaData(before));
    EXPECT_EQ(SizeFaults(after), "");
    AudioTagX read;
    EXPECT_EQ(read.Read(path), 0);
    EXPECT_EQ(read.Title, tokyo);
  }
}

// Atoms after ilst stay in the containers that held them; free atoms among
// them merge into the one that ends at mdat.
TEST_F(Mp4WriterTest, KeepsTheAtomsAfterIlstWhereTheyWere) {
  const std::string inMeta = Atom("keys", "m");
  const std::string inUdta = Atom("Xtra", "u");
  const std::string inMoov = Atom("uuid", "v");
  const std::string atTop = Atom("uuid", "t");
  for (int freeRoom : {2000, 0}) {  // in place, and by growth
    SCOPED_TRACE(freeRoom);
    Song song;
    song.items = Item(kName, 1, "Old");
    std::string free = freeRoom ? Atom("free", Zeros(static_cast<size_t>(freeRoom))) : "";
    song.afterIlst = free + inMeta;
    song.afterMeta = inUdta + free;
    song.afterUdta = inMoov;
    song.afterMoov = free + atTop + free;
    std::string before = WithChunks(song);
    std::string path = Write(before);
    AudioTagX tag = TitleOnly("New");
    ASSERT_EQ(tag.Write_AAC(path), 0);

    std::string after = Contents(path);
    EXPECT_EQ(after.size() == before.size(), freeRoom != 0);
    EXPECT_EQ(SizeFaults(after), "");
    EXPECT_EQ(ChunksIntoMediaData(after), ChunksIntoMediaData(before));
    EXPECT_EQ(IlstBody(after), Item(kName, 1, "New"));
    EXPECT_EQ(AfterIlst(after).substr(0, inMeta.size() + inUdta.size() + inMoov.size()),
              inMeta + inUdta + inMoov);
    EXPECT_EQ(Locate(after, {"moov", "udta", "meta", "keys"}).size, inMeta.size());
    EXPECT_EQ(Locate(after, {"moov", "udta", "Xtra"}).size, inUdta.size());
    // the free atom comes last, at the top level, after the one other atom there
    size_t moovEnd = Locate(after, {"moov"}).End();
    EXPECT_EQ(after.substr(moovEnd, atTop.size()), atTop);
    EXPECT_EQ(after.substr(moovEnd + atTop.size() + 4, 4), "free");
    AudioTagX read;
    EXPECT_EQ(read.Read(path), 0);
    EXPECT_EQ(read.Title, "New");
  }
}

// ---- Refusals and failures ----

// The first atom of the type gets the size field.
std::string WithSize(std::string bytes, std::string_view type, uint32_t size) {
  size_t at = bytes.find(type);
  return bytes.replace(at - 4, 4, Be32(size));
}

TEST_F(Mp4WriterTest, RefusesWithoutTouchingTheFile) {
  Song plain;
  plain.items = Item(kName, 1, "Old") + kCover;
  const std::string song = plain.Bytes();
  auto changed = [](std::function<void(Song&)> change) {
    Song s;
    s.items = Item(kName, 1, "Old");
    change(s);
    return s.Bytes();
  };
  struct Case {
    const char* name;
    std::string bytes;
    std::function<void(AudioTagX&)> set;
    int result;
  };
  auto title = [](AudioTagX& t) { t.Title = "New"; };
  const Case cases[] = {
      {"an edit list in the track",
       changed([](Song& s) { s.afterTkhd = Atom("edts", Atom("elst", Zeros(8))); }), title, 2},
      {"mdat before moov", changed([](Song& s) { s.mdatFirst = true; }), title, 2},
      {"no media data", changed([](Song& s) { s.mdat.clear(); }), title, 2},
      {"an item of size 0", WithSize(song, "covr", 0), title, 2},
      {"an item past the end of ilst", WithSize(song, "ilst", 8 + 20), title, 2},
      {"ilst past the end of meta", WithSize(song, "ilst", 2000), title, 2},
      {"moov around mdat", WithSize(song, "moov", uint32_t(song.size() - 28)), title, 2},
      {"a free atom past the end of the file", WithSize(song, "free", 0x7FFFFFFF), title, 2},
      {"a track number too large for the item", song,
       [](AudioTagX& t) { t.Track = "65536"; }, AudioTagX::kTagNotWritable},
      {"a negative count", song, [](AudioTagX& t) {
         t.Track = "1";
         t.TotTracks = "-1";
       },
       AudioTagX::kTagNotWritable},
      {"a missing file", "", title, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = c.bytes.empty() ? files_.Path("missing.m4a") : Write(c.bytes);
    AudioTagX tag;
    c.set(tag);
    EXPECT_EQ(tag.Write_AAC(path), c.result);
    if (!c.bytes.empty()) {
      EXPECT_EQ(Contents(path), c.bytes);
    }
  }
  // 65,535 is the largest track number the item holds.
  std::string path = Write(song);
  AudioTagX tag;
  tag.Track = "65535";
  tag.TotTracks = "65535";
  EXPECT_EQ(tag.Write_AAC(path), 0);
  AudioTagX read;
  EXPECT_EQ(read.Read(path), 0);
  EXPECT_EQ(read.Track + "/" + read.TotTracks, "65535/65535");
}

// A disk that fails at any point of a growth leaves the old file whole, and
// nothing beside it.
TEST_F(Mp4WriterTest, AnIoErrorLeavesTheOriginal) {
  Song song;
  song.afterMoov.clear();
  song.mdat = Atom("mdat", std::string(600000, 'm'));  // copied in more than one piece
  const std::string before = WithChunks(song);
  for (int64_t failAfter : {0, 100, 300000}) {
    SCOPED_TRACE(failAfter);
    std::string path = Write(before, "song.m4a");
    AudioTagX tag = TitleOnly("Yesterday");
    BinaryStream::FailWritesAfterForTesting(failAfter);
    int result = tag.Write_AAC(path);
    BinaryStream::FailWritesAfterForTesting(-1);
    EXPECT_EQ(result, AudioTagX::kWriteFailed);
    EXPECT_TRUE(Contents(path) == before);
    EXPECT_EQ(FilesInFolder(), 1u);
  }
  // In place: the one write fails, and the file is as it was.
  Song roomy = song;
  roomy.afterIlst = Atom("free", Zeros(2000));
  std::string roomyBytes = roomy.Bytes();
  std::string path = Write(roomyBytes, "song.m4a");
  AudioTagX tag = TitleOnly("Yesterday");
  BinaryStream::FailWritesAfterForTesting(0);
  EXPECT_EQ(tag.Write_AAC(path), AudioTagX::kWriteFailed);
  BinaryStream::FailWritesAfterForTesting(-1);
  EXPECT_TRUE(Contents(path) == roomyBytes);
}

TEST_F(Mp4WriterTest, FindsTheAtomsOfThePath) {
  Song song;
  song.afterMoov.clear();
  song.afterMeta = Atom("free", Zeros(100));
  std::string bytes = song.Bytes();
  BinaryStream stream(Write(bytes));
  struct Case {
    const char* type;
    std::function<int64_t(BinaryStream&)> find;
  };
  const Case cases[] = {
      {"mdhd", AudioTagX::Find_AAC_mdhd},
      {"udta", AudioTagX::Find_AAC_udta},
      {"ilst", AudioTagX::Find_AAC_ilst},
      {"free", AudioTagX::Find_AAC_free},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    size_t at = bytes.find(c.type) - 4;
    EXPECT_EQ(c.find(stream), int64_t{GetBe32(bytes, at)});
    EXPECT_EQ(stream.Position(), at + 8);
  }
  // mdat before any free atom
  song.afterMeta.clear();
  bytes = song.Bytes();
  BinaryStream noFree(Write(bytes));
  EXPECT_EQ(AudioTagX::Find_AAC_free(noFree), -2);
  EXPECT_EQ(noFree.Position(), bytes.rfind("mdat") + 4);
  // a path that differs
  song.afterTkhd = Atom("edts", "");
  BinaryStream other(Write(song.Bytes()));
  EXPECT_EQ(AudioTagX::Find_AAC_mdhd(other), -2);
  EXPECT_EQ(AudioTagX::Find_AAC_ilst(other), -2);
  EXPECT_EQ(AudioTagX::Find_AAC_free(other), -2);
}

// ---- Real songs, read back by other software ----

// Shell commands started together, since each tool takes a while to start;
// Output gives one's standard output and fails the test unless it succeeded.
struct Command {
  explicit Command(const std::string& line) : line(line), pipe(popen(line.c_str(), "r")) {}
  std::string Output() {
    if (pipe == nullptr) return "<no pipe>";
    std::string out;
    for (int c; (c = std::fgetc(pipe)) != EOF;) out += static_cast<char>(c);
    EXPECT_EQ(pclose(pipe), 0) << line;
    pipe = nullptr;
    return out;
  }
  std::string line;
  FILE* pipe;
};

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines(1);
  for (char c : text) {
    if (c == '\n')
      lines.emplace_back();
    else
      lines.back() += c;
  }
  if (lines.back().empty()) lines.pop_back();
  return lines;
}

struct Fields {
  std::string title, artist, album, comment, genre, track, total, year;
};

// mutagen's view of a file: the seven items, tab-separated, then the keys of
// the other items.
const char kMutagenScript[] = R"PY(
import sys
from mutagen.mp4 import MP4
for path in sys.argv[1:]:
    tags = MP4(path).tags
    text = lambda key: tags[key][0] if key in tags else ""
    track = "%d/%d" % tags["trkn"][0] if "trkn" in tags else ""
    keys = ["\xa9nam", "\xa9ART", "\xa9alb", "\xa9cmt", "\xa9gen", "trkn", "\xa9day"]
    others = ",".join(sorted(k for k in tags.keys() if k not in keys))
    print("\t".join([text("\xa9nam"), text("\xa9ART"), text("\xa9alb"), text("\xa9cmt"),
                     text("\xa9gen"), track, text("\xa9day"), others]))
)PY";

// Written into the two sample songs in place and by growth: ffmpeg's has no
// free atom, so its first write grows the file and the second fits; the
// free atom in mutagen's holds short fields but not a long comment.
TEST(Mp4WriterPeers, OtherSoftwareReadsWhatWasWrittenAndTheAudioStays) {
  testfiles::TempFiles files;
  const Fields first = {"\xC3\x87" "a marche \xE2\x80\x93 \xE6\x9D\xB1\xE4\xBA\xAC",
                        "\xC3\x9Cn\xC3\xAF" "code Artist", "New Album", "written by songhaul",
                        "Ambient", "7", "11", "1999"};
  const Fields second = {"Second Pass", "Other Artist", "Other Album", "again", "Pop", "8", "",
                         "2000"};
  const Fields longComment = {"Long", "Someone", "Somewhere", std::string(1500, 'c'), "Jazz",
                              "1", "2", "2010"};
  struct Written {
    const char* name;
    std::string source;  // a sample, or a file written before
    Fields fields;
    bool grows;
    const char* otherItems;  // as mutagen lists them
  };
  const std::string ffmpegSong = DataFile("aac_ffmpeg.m4a");
  const std::string mutagenSong = DataFile("aac_mutagen.m4a");
  const std::vector<Written> written = {
      {"ffmpeg_grown.m4a", ffmpegSong, first, true, ""},
      {"ffmpeg_then_in_place.m4a", files.Path("ffmpeg_grown.m4a"), second, false, ""},
      {"mutagen_in_place.m4a", mutagenSong, first, false, "covr,cpil,disk"},
      {"mutagen_grown.m4a", mutagenSong, longComment, true, "covr,cpil,disk"},
  };
  std::string paths;
  for (const Written& w : written) {
    SCOPED_TRACE(w.name);
    std::string path = files.Path(w.name);
    std::filesystem::copy_file(w.source, path);
    AudioTagX tag;
    tag.Title = w.fields.title;
    tag.Artist = w.fields.artist;
    tag.Album = w.fields.album;
    tag.Comments = w.fields.comment;
    tag.Genre = w.fields.genre;
    tag.Year = w.fields.year;
    tag.Track = w.fields.track;
    tag.TotTracks = w.fields.total;
    ASSERT_EQ(tag.Write_AAC(path), 0);
    EXPECT_EQ(std::filesystem::file_size(path) > std::filesystem::file_size(w.source), w.grows);
    EXPECT_EQ(SizeFaults(Contents(path)), "");

    AudioTagX read;
    EXPECT_EQ(read.Read(path), 0);
    EXPECT_EQ(read.Title + "|" + read.Artist + "|" + read.Album + "|" + read.Comments + "|" +
                  read.Genre + "|" + read.Track + "|" + read.TotTracks + "|" + read.Year,
              w.fields.title + "|" + w.fields.artist + "|" + w.fields.album + "|" +
                  w.fields.comment + "|" + w.fields.genre + "|" + w.fields.track + "|" +
                  w.fields.total + "|" + w.fields.year);
    paths += " " + Quoted(path);
  }

  Command mutagen("/usr/bin/python3 -c '" + std::string(kMutagenScript) + "'" + paths);
  std::vector<std::unique_ptr<Command>> probes;
  for (const Written& w : written)
    probes.push_back(std::make_unique<Command>(
        "ffprobe -v error -of default=noprint_wrappers=1 -show_entries "
        "format_tags=title,artist,album,comment,genre,track,date " +
        Quoted(files.Path(w.name))));
  // The decoded audio of every file, the samples first.
  std::string inputs = " -i " + Quoted(ffmpegSong) + " -i " + Quoted(mutagenSong);
  std::string maps = " -map 0:a -map 1:a";
  for (size_t i = 0; i < written.size(); ++i) {
    inputs += " -i " + Quoted(files.Path(written[i].name));
    maps += " -map " + std::to_string(i + 2) + ":a";
  }
  Command audio("ffmpeg -nostdin -v error" + inputs + maps + " -f streamhash -hash md5 -");

  std::vector<std::string> items = Lines(mutagen.Output());
  ASSERT_EQ(items.size(), written.size());
  for (size_t i = 0; i < written.size(); ++i) {
    const Fields& f = written[i].fields;
    std::string track = f.track + "/" + (f.total.empty() ? "0" : f.total);
    EXPECT_EQ(items[i], f.title + "\t" + f.artist + "\t" + f.album + "\t" + f.comment + "\t" +
                            f.genre + "\t" + track + "\t" + f.year + "\t" +
                            written[i].otherItems)
        << written[i].name;
  }

  for (size_t i = 0; i < written.size(); ++i) {
    SCOPED_TRACE(written[i].name);
    std::string probe = probes[i]->Output();
    const Fields& f = written[i].fields;
    // ffprobe leaves out a count of 0
    std::string track = f.track + (f.total.empty() ? "" : "/" + f.total);
    for (const std::string& expected :
         {"TAG:title=" + f.title, "TAG:artist=" + f.artist, "TAG:album=" + f.album,
          "TAG:comment=" + f.comment, "TAG:genre=" + f.genre, "TAG:track=" + track,
          "TAG:date=" + f.year})
      EXPECT_NE(probe.find(expected + "\n"), std::string::npos) << expected << "\n" << probe;
  }

  // All the same as the samples' audio.
  std::vector<std::string> hashes = Lines(audio.Output());
  ASSERT_EQ(hashes.size(), written.size() + 2);
  for (size_t i = 1; i < hashes.size(); ++i)
    EXPECT_EQ(hashes[i].substr(hashes[i].find("MD5=")), hashes[0].substr(hashes[0].find("MD5=")))
        << hashes[i];
}

}  // namespace
