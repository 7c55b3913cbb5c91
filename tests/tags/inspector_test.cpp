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
}
