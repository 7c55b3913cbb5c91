// What other software makes of the songs the writers change: the sample MP3
// files from lame, ffmpeg and mutagen, written in place and by growth, then
// read back by mutagen (python3-mutagen) and ffprobe, and decoded by ffmpeg
// to show that not one audio sample changed.
//
// The peers start slowly, so every case is written first and the peers then
// look at all the files at once.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "audio_tag.h"
#include "test_files.h"

using namespace testfiles;

namespace {

using Fields = std::map<std::string, std::string>;

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// KEY=value lines that begin with prefix, into a map by KEY.
Fields ParseLines(const std::string& text, const std::string& prefix) {
  Fields fields;
  for (const std::string& line : Lines(text)) {
    size_t equals = line.find('=');
    if (equals != std::string::npos && line.rfind(prefix, 0) == 0)
      fields[line.substr(prefix.size(), equals - prefix.size())] = line.substr(equals + 1);
  }
  return fields;
}

// The MD5 of each file's decoded audio, from one ffmpeg run (the pictures in
// some samples are not audio and are left out).
std::vector<std::string> AudioMd5s(const std::vector<std::string>& paths, const std::string& folder) {
  std::string command = "ffmpeg -nostdin -v error";
  for (const std::string& path : paths) command += " -i " + Quoted(path);
  for (size_t i = 0; i < paths.size(); ++i)
    command += " -map " + std::to_string(i) + ":a -f md5 " + Quoted(folder + "/" + std::to_string(i) + ".md5");
  CommandRun run = RunCommand(command + " 2>&1");
  EXPECT_EQ(run.status, 0) << command << "\n" << run.out;
  std::vector<std::string> md5s;
  for (size_t i = 0; i < paths.size(); ++i) md5s.push_back(FileContents(folder + "/" + std::to_string(i) + ".md5"));
  return md5s;
}

// The fields as mutagen reads them: the text frames, the comment without a
// description, and the bytes of all pictures.
std::map<std::string, Fields> MutagenFields(const std::vector<std::string>& paths) {
  std::string command = "PYTHONIOENCODING=utf-8 /usr/bin/python3 -";
  for (const std::string& path : paths) command += " " + Quoted(path);
  command += R"( <<'PY'
import sys
from mutagen.id3 import ID3, ID3NoHeaderError
for path in sys.argv[1:]:
    print("file=" + path)
    try:
        tags = ID3(path)
    except ID3NoHeaderError:
        continue
    for key, frame in (("title", "TIT2"), ("artist", "TPE1"), ("album", "TALB"), ("genre", "TCON"),
                       ("track", "TRCK"), ("year", "TDRC")):
        print(key + "=" + (str(tags[frame]) if frame in tags else ""))
    comments = [c for c in tags.getall("COMM") if c.desc == ""]
    print("comment=" + (str(comments[0]) if comments else ""))
    print("pictures=%d" % sum(len(p.data) for p in tags.getall("APIC")))
PY
)";
  CommandRun run = RunCommand(command);
  EXPECT_EQ(run.status, 0) << "python3-mutagen is needed: " << run.out;
  // file=PATH, then that file's key=value lines
  std::map<std::string, Fields> byFile;
  std::string current;
  for (const std::string& line : Lines(run.out)) {
    size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    std::string key = line.substr(0, equals);
    if (key == "file")
      byFile[current = line.substr(equals + 1)];
    else
      byFile[current][key] = line.substr(equals + 1);
  }
  return byFile;
}

// The format tags as ffprobe reads them, named as mutagen's fields are; the
// files are probed side by side.
std::vector<Fields> FfprobeFields(const std::vector<std::string>& paths, const std::string& folder) {
  std::string command;
  for (size_t i = 0; i < paths.size(); ++i)
    command += "ffprobe -v error -show_entries format_tags -of default=noprint_wrappers=1 " +
               Quoted(paths[i]) + " >" + Quoted(folder + "/" + std::to_string(i) + ".probe") + " & ";
  CommandRun run = RunCommand(command + "wait");
  EXPECT_EQ(run.status, 0);
  std::vector<Fields> probed;
  for (size_t i = 0; i < paths.size(); ++i) {
    Fields fields = ParseLines(FileContents(folder + "/" + std::to_string(i) + ".probe"), "TAG:");
    if (fields.count("date")) fields["year"] = fields["date"];
    probed.push_back(fields);
  }
  return probed;
}

enum class Change { kSetShort, kSetLong, kSetLongThenShort, kConvert, kRemove };
enum class Length { kSame, kGrows };

const Fields kShort = {{"title", "Grüße ♪ \U0001F3B5"}, {"artist", "Ærø Quartet"}, {"album", "Fixtures II"},
                       {"comment", "Written by songhaul"}, {"genre", "Jazz"}, {"track", "4/11"},
                       {"year", "2011"}};

Fields LongFields() {
  Fields fields = kShort;
  fields["comment"] = std::string(3000, 'c');  // more than any sample's padding
  return fields;
}

// Read, change the fields, Write: what a tagger built on the library does.
int SetFields(const std::string& path, const Fields& fields) {
  AudioTagX tag;
  EXPECT_EQ(tag.Read(path), AudioTagX::kDone);
  tag.Title = fields.at("title");
  tag.Artist = fields.at("artist");
  tag.Album = fields.at("album");
  tag.Comments = fields.at("comment");
  tag.Genre = fields.at("genre");
  std::string track = fields.at("track");
  tag.Track = track.substr(0, track.find('/'));
  tag.TotTracks = track.find('/') == std::string::npos ? "" : track.substr(track.find('/') + 1);
  tag.Year = fields.at("year");
  return tag.Write(path);
}

}  // namespace

TEST(WriterPeers, WrittenSongsReadBackEverywhereWithTheSameAudio) {
  const Fields converted = {{"title", "Evening Song"}, {"artist", "The Testers"}, {"album", "Fixtures"},
                            {"comment", "track seven"}, {"genre", "Pop"}, {"track", "7"}, {"year", "2004"}};
  const Fields blank = {{"title", ""}, {"artist", ""}, {"album", ""}, {"comment", ""}};
  struct Case {
    const char* sample;
    Change change;
    Length length;
    Fields expected;
  } cases[] = {
      {"id3v2_2.mp3", Change::kSetShort, Length::kSame, kShort},
      {"id3v2_2.mp3", Change::kSetLong, Length::kGrows, LongFields()},
      {"id3v2_3.mp3", Change::kSetShort, Length::kSame, kShort},
      {"id3v2_3.mp3", Change::kSetLong, Length::kGrows, LongFields()},
      {"id3v2_4.mp3", Change::kSetShort, Length::kGrows, kShort},
      // the padding the growth leaves takes the next write in place
      {"id3v2_4.mp3", Change::kSetLongThenShort, Length::kSame, kShort},
      {"untagged.mp3", Change::kSetShort, Length::kGrows, kShort},
      {"id3v1_1.mp3", Change::kConvert, Length::kGrows, converted},
      {"id3v1.mp3", Change::kRemove, Length::kSame, blank},
  };

  TempFiles files;
  std::vector<std::string> originals, written;
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(std::string(c.sample) + " case " + std::to_string(i));
    std::string path = files.Write(FileContents(DataFile(c.sample)), std::to_string(i) + "-" + c.sample);
    AudioTagX tag;
    switch (c.change) {
      case Change::kSetShort: EXPECT_EQ(SetFields(path, kShort), AudioTagX::kDone); break;
      case Change::kSetLong: EXPECT_EQ(SetFields(path, LongFields()), AudioTagX::kDone); break;
      case Change::kSetLongThenShort: EXPECT_EQ(SetFields(path, LongFields()), AudioTagX::kDone); break;
      case Change::kConvert: EXPECT_EQ(tag.Convert_id3v1(path), AudioTagX::kDone); break;
      case Change::kRemove: EXPECT_EQ(tag.Remove_id3v1(path), AudioTagX::kDone); break;
    }
    uintmax_t before = std::filesystem::file_size(c.change == Change::kSetLongThenShort ? path : DataFile(c.sample));
    if (c.change == Change::kSetLongThenShort) {
      EXPECT_EQ(SetFields(path, kShort), AudioTagX::kDone);
    }
    uintmax_t after = std::filesystem::file_size(path);
    if (c.length == Length::kSame)
      EXPECT_EQ(after, before);
    else
      EXPECT_GT(after, before);

    // Our own reader first.
    AudioTagX back;
    EXPECT_EQ(back.Read(path), AudioTagX::kDone);
    EXPECT_EQ(back.Title, c.expected.at("title"));
    EXPECT_EQ(back.Artist, c.expected.at("artist"));
    EXPECT_EQ(back.Album, c.expected.at("album"));
    EXPECT_EQ(back.Comments, c.expected.at("comment"));
    if (c.change != Change::kRemove) {
      EXPECT_EQ(back.Genre, c.expected.at("genre"));
      EXPECT_EQ(back.Track + (back.TotTracks.empty() ? "" : "/" + back.TotTracks), c.expected.at("track"));
      EXPECT_EQ(back.Year, c.expected.at("year"));
    }
    originals.push_back(DataFile(c.sample));
    written.push_back(path);
  }

  std::vector<std::string> all = originals;
  all.insert(all.end(), written.begin(), written.end());
  std::vector<std::string> md5s = AudioMd5s(all, files.Path(""));
  std::map<std::string, Fields> mutagen = MutagenFields(all);
  std::vector<Fields> ffprobe = FfprobeFields(written, files.Path(""));

  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(std::string(c.sample) + " case " + std::to_string(i));
    EXPECT_EQ(md5s[std::size(cases) + i], md5s[i]) << "the decoded audio changed";
    EXPECT_NE(md5s[i].find("MD5="), std::string::npos) << md5s[i];
    const Fields& theirs = mutagen[written[i]];
    for (const auto& [key, value] : c.expected) {
      EXPECT_EQ(theirs.count(key) ? theirs.at(key) : "", value) << "mutagen's " << key;
      EXPECT_EQ(ffprobe[i].count(key) ? ffprobe[i].at(key) : "", value) << "ffprobe's " << key;
    }
    // Frames the writer does not own, such as a picture, come through whole.
    EXPECT_EQ(theirs.count("pictures") ? theirs.at("pictures") : "0",
              mutagen[originals[i]].count("pictures") ? mutagen[originals[i]].at("pictures") : "0");
  }
}
