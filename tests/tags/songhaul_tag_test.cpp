#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <sys/wait.h>

#include "audio_tag.h"
#include "record_json.h"
#include "test_files.h"

using namespace testfiles;

namespace {

struct ToolRun {
  int status;
  std::string out;
};

ToolRun Inspector(const std::string& arguments) {
  std::string command = std::string(SONGHAUL_TAG_TOOL) + " " + arguments;
  FILE* pipe = popen(command.c_str(), "r");
  std::string out;
  std::array<char, 4096> chunk;
  size_t n;
  while ((n = fread(chunk.data(), 1, chunk.size(), pipe)) > 0) out.append(chunk.data(), n);
  int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

bool Has(const std::string& line, const std::string& name, const std::string& value) {
  return line.find(JsonString(name) + ": " + JsonString(value)) != std::string::npos;
}

}  // namespace

// What lame, ffmpeg and mutagen wrote into the sample songs (scripts/make-test-data.sh).
TEST(Inspector, ReportsWhatTheToolsWrote) {
  ToolRun run = Inspector(DataFile("id3v1.mp3") + " " + DataFile("id3v1_1.mp3") + " " +
                      DataFile("untagged.mp3") + " " + DataFile("id3v1_latin1.mp3") + " " +
                      DataFile("short_id3v1.mp3"));
  EXPECT_EQ(run.status, 0);
  std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 5u);

  const std::vector<std::pair<std::string, std::string>> expected[] = {
      {{"result", ""}, {"Version", "id3v1"}, {"Title", "Morning Light"}, {"Artist", "The Testers"},
       {"Album", "Fixtures"}, {"Year", "2003"}, {"Comments", "made by lame, thirty bytes ok"},
       {"Genre", "Rock"}, {"Track", ""}, {"Bitrate", "32"}, {"SampleRate", "44100"},
       {"Length", "0:15"}, {"LengthSecs", "15"}, {"FileType", "MP3"}},
      {{"result", ""}, {"Version", "id3v1.1"}, {"Title", "Evening Song"}, {"Year", "2004"},
       {"Comments", "track seven"}, {"Genre", "Pop"}, {"Track", "7"}, {"Length", "0:15"}},
      {{"result", ""}, {"Version", "untagged mp3"}, {"Title", ""}, {"Bitrate", "32"},
       {"SampleRate", "44100"}, {"Length", "0:03"}, {"Size", "12303"}},
      {{"result", ""}, {"Title", "Caf\xC3\xA9 Noir"}, {"Artist", "Bj\xC3\xB6rk \xC3\x85lund"},
       {"Album", "\xC3\x9C" "ber"}},
      {{"result", "1"}, {"Version", "id3v1.1"}, {"Title", "Short Tune"}, {"Track", "3"},
       {"Genre", "Jazz"}, {"Bitrate", ""}},
  };
  for (size_t i = 0; i < lines.size(); ++i) {
    for (const auto& [name, value] : expected[i]) {
      if (name == "result") {
        std::string code = value.empty() ? "0" : value;
        EXPECT_NE(lines[i].find("\"result\": " + code + ","), std::string::npos) << lines[i];
      } else {
        EXPECT_TRUE(Has(lines[i], name, value)) << name << " in " << lines[i];
      }
    }
  }
}

TEST(Inspector, NamesUnreadableFilesAndGoesOn) {
  TempFiles files;
  ToolRun run = Inspector(files.Path("gone.mp3") + " " + DataFile("untagged.mp3") + " 2>" +
                      files.Path("err.txt"));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(Lines(run.out).size(), 1u);
  std::ifstream err(files.Path("err.txt"));
  std::string message((std::istreambuf_iterator<char>(err)), {});
  EXPECT_NE(message.find("gone.mp3"), std::string::npos) << message;
  EXPECT_NE(message.find("No such file"), std::string::npos) << message;
}

TEST(Inspector, PrintsEveryPropertyAsJson) {
  AudioTagX tag;
  tag.Title = std::string("Say \"hi\"\\\n\0", 11);
  tag.TotCds = "\xFF";
  std::string json = RecordToJson("a.mp3", 3, tag);
  EXPECT_EQ(json.rfind("{\"file\": \"a.mp3\", \"result\": 3, \"Version\": \"\", ", 0), 0u) << json;
  EXPECT_NE(json.find("\"Title\": \"Say \\\"hi\\\"\\\\\\n\\u0000\""), std::string::npos) << json;
  EXPECT_NE(json.find("\"TotCds\": \"\xEF\xBF\xBD\"}"), std::string::npos) << json;
  for (const char* name : {"Album", "Artist", "Bitrate", "Comments", "Genre", "Length", "LengthSecs",
                           "Size", "SizeMB", "TotTracks", "Track", "Year", "SampleRate", "LengthMs",
                           "FileType", "Cd"})
    EXPECT_NE(json.find("\"" + std::string(name) + "\": \"\""), std::string::npos) << name;
}

TEST(Inspector, HelpSaysWhatItDoes) {
  ToolRun run = Inspector("--help");
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("Usage: songhaul-tag FILE"), std::string::npos);
  for (const char* verb : {"songhaul-tag set FILE", "songhaul-tag convert-id3v1 FILE", "songhaul-tag remove-id3v1 FILE"})
    EXPECT_NE(run.out.find(verb), std::string::npos) << verb;
}

// --- The writing verbs ---

namespace {

// A copy of a sample song to write into, and what the tool says on stderr.
struct WriteRun {
  ToolRun run;
  std::string err;
};

WriteRun InspectorWriting(TempFiles& files, const std::string& arguments) {
  WriteRun result{Inspector(arguments + " 2>" + files.Path("err.txt")), {}};
  result.err = FileContents(files.Path("err.txt"));
  return result;
}

}  // namespace

TEST(Inspector, SetWritesTheFieldsAndPrintsWhatTheFileHoldsNow) {
  TempFiles files;
  std::string path = files.Write(FileContents(DataFile("id3v2_3.mp3")), "song.mp3");
  WriteRun write = InspectorWriting(
      files, "set " + path + " --title 'Neue Grüße' --artist '' --year 1999 --track 2 --total 10 --comment c");
  EXPECT_EQ(write.run.status, 0) << write.err;
  std::vector<std::string> lines = Lines(write.run.out);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("\"result\": 0,"), std::string::npos) << lines[0];
  for (const auto& [name, value] : std::vector<std::pair<std::string, std::string>>{
           {"Title", "Neue Grüße"}, {"Artist", ""}, {"Album", "Fixtures"}, {"Year", "1999"},
           {"Track", "2"}, {"TotTracks", "10"}, {"Comments", "c"}, {"Version", "2.3.0"}})
    EXPECT_TRUE(Has(lines[0], name, value)) << name << " in " << lines[0];
  EXPECT_EQ(write.err, "");

  // A number that is not written is mentioned.
  write = InspectorWriting(files, "set " + path + " --track 07");
  EXPECT_EQ(write.run.status, 0);
  EXPECT_NE(write.err.find("--track 07 is not a plain whole number"), std::string::npos) << write.err;
  EXPECT_TRUE(Has(Lines(write.run.out).at(0), "Track", ""));
}

TEST(Inspector, RefusedWritesSayWhyAndLeaveTheFile) {
  TempFiles files;
  struct Case {
    std::string arguments;
    std::string file;  // copied from the samples, or written as bytes
    std::string why;
    int status;
  } cases[] = {
      {"set FILE --title T", FileContents(DataFile("id3v2_3_extras.mp3")), "extended header", 1},
      {"set FILE --title T", "RIFF" + Zeros(100), "neither an MP4 (AAC) file nor MPEG-1 Layer III", 1},
      {"convert-id3v1 FILE", FileContents(DataFile("short_id3v1.mp3")), "could not be read completely", 1},
      // the read stops at the album's flags, before the title: writing would drop it
      {"set FILE --year 2001",
       Id3v2Tag(3, Id3v2Frame(3, "TALB", std::string(1, '\0') + "A", 0x40) +
                       Id3v2Frame(3, "TIT2", std::string(1, '\0') + "Kept"), 100) + MpegFrames(20),
       "could not be read completely (code 9)", 1},
      {"set FILE --colour red", FileContents(DataFile("id3v2_3.mp3")), "--colour is not an option", 2},
      {"set FILE --title", FileContents(DataFile("id3v2_3.mp3")), "--title needs a value", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    std::string path = files.Write(c.file);
    std::string arguments = c.arguments;
    arguments.replace(arguments.find("FILE"), 4, path);
    WriteRun write = InspectorWriting(files, arguments);
    EXPECT_EQ(write.run.status, c.status);
    EXPECT_EQ(write.run.out, "");
    EXPECT_NE(write.err.find(c.why), std::string::npos) << write.err;
    EXPECT_EQ(FileContents(path), c.file);
  }
  WriteRun write = InspectorWriting(files, "set " + files.Path("gone.mp3") + " --title T");
  EXPECT_EQ(write.run.status, 1);
  EXPECT_NE(write.err.find("No such file"), std::string::npos) << write.err;
}

TEST(Inspector, ConvertsAndRemovesId3v1Tags) {
  TempFiles files;
  std::string converted = files.Write(FileContents(DataFile("id3v1_1.mp3")), "converted.mp3");
  WriteRun write = InspectorWriting(files, "convert-id3v1 " + converted);
  EXPECT_EQ(write.run.status, 0) << write.err;
  std::string line = Lines(write.run.out).at(0);
  EXPECT_TRUE(Has(line, "Version", "2.3.0")) << line;
  EXPECT_TRUE(Has(line, "Title", "Evening Song")) << line;
  EXPECT_TRUE(Has(line, "Track", "7")) << line;

  std::string removed = files.Write(FileContents(DataFile("id3v1_1.mp3")), "removed.mp3");
  write = InspectorWriting(files, "remove-id3v1 " + removed);
  EXPECT_EQ(write.run.status, 0) << write.err;
  line = Lines(write.run.out).at(0);
  EXPECT_TRUE(Has(line, "Version", "id3v1")) << line;
  EXPECT_TRUE(Has(line, "Title", "")) << line;

  // A file with an ID3v2 tag has nothing to convert.
  write = InspectorWriting(files, "convert-id3v1 " + converted);
  EXPECT_EQ(write.run.status, 0);
  EXPECT_NE(write.err.find("nothing to do"), std::string::npos) << write.err;
}
