// songhaul-tag: reads song files with the tag library and prints what it found,
// and writes the fields it is given.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "audio_tag.h"
#include "binary_stream.h"
#include "record_json.h"

namespace {

constexpr const char* kUsage =
    "Usage: songhaul-tag FILE...\n"
    "       songhaul-tag set FILE [--title T] [--artist A] [--album A] [--comment C]\n"
    "                             [--genre G] [--track N] [--total N] [--year Y]\n"
    "       songhaul-tag convert-id3v1 FILE\n"
    "       songhaul-tag remove-id3v1 FILE\n"
    "\n"
    "Reads each song file (MP3 with ID3v1, ID3v1.1, ID3v2.2/2.3/2.4 or no tag;\n"
    "MP4/AAC) and prints one JSON object per line: \"file\", \"result\" (the\n"
    "reader's code, 0 when the file was read completely) and the nineteen\n"
    "tag properties, \"Version\" to \"TotCds\", as UTF-8 text.\n"
    "\n"
    "A file that does not exist or cannot be read is named on standard error,\n"
    "the other files are still read, and the exit status is 1.\n"
    "\n"
    "set reads FILE, changes the fields named (an empty text clears one) and\n"
    "writes the tag back: an ID3v2 tag is rewritten, an untagged MP3 file gets\n"
    "an ID3v2.3 tag, an MP4 file its metadata items. The track, the track count\n"
    "and the year are written only as plain whole numbers (no leading zeros),\n"
    "and a year only from 1000 to 2100.\n"
    "convert-id3v1 copies the ID3v1 tag of an MP3 file that has no other tag\n"
    "into a new ID3v2.3 tag; the ID3v1 tag stays.\n"
    "remove-id3v1 blanks the ID3v1 tag of such a file.\n"
    "\n"
    "Each prints the writer's code as \"result\" (0 when it wrote) and the\n"
    "file's tags as read back afterwards, in the JSON form above. A write that\n"
    "is refused or fails is explained on standard error, leaves the file as it\n"
    "was, and the exit status is 1.\n";

// Read() answers a file it cannot open with a code like any other; the
// inspector tells the user why instead.
bool Readable(const std::string& path, std::string& why) {
  errno = 0;
  BinaryStream stream(path);
  if (stream.IsOpen()) return true;
  why = errno != 0 ? std::strerror(errno) : "not a regular file";
  return false;
}

// Why a writer gave code, in words.
std::string WriteFailure(int code, const AudioTagX& tag, int error) {
  switch (code) {
    case AudioTagX::kNoSync:
      return "it is neither an MP4 (AAC) file nor MPEG-1 Layer III audio";
    case AudioTagX::kBadStructure:
      if (tag.FileType == "AAC") return "its MP4 atoms are not laid out as the writer expects";
      return "no MPEG audio frame follows right after its ID3v2 tag";
    case AudioTagX::kNotReadable: return "the song could not be read completely";
    case AudioTagX::kUnknownVersion:
      return "its ID3v2 tag has a major version other than 2, 3 and 4";
    case AudioTagX::kCompressedFrame: return "its ID3v2.2 tag is compressed";
    case AudioTagX::kFooter: return "its ID3v2.4 tag has a footer";
    case AudioTagX::kUnsynchronised: return "its ID3v2 tag is unsynchronised";
    case AudioTagX::kExperimentalTag: return "its ID3v2 tag is marked experimental";
    case AudioTagX::kWriteFailed:
      return std::string("reading or writing it failed") +
             (error != 0 ? std::string(" (") + std::strerror(error) + ")" : "");
    case AudioTagX::kTagNotWritable:
      return "its ID3v2 tag has an extended header, or would grow to 256 MB or more";
    default: return "the writer gave code " + std::to_string(code);
  }
}

// Reads the file again and prints what it holds now, with the writer's code.
void PrintWritten(const std::string& path, int code) {
  AudioTagX written;
  written.Read(path);
  std::printf("%s\n", RecordToJson(path, code, written).c_str());
}

int Refuse(const std::string& path, const std::string& why) {
  std::fprintf(stderr, "songhaul-tag: %s not written: %s\n", path.c_str(), why.c_str());
  return 1;
}

// songhaul-tag set FILE --title T ...: the fields named, then Write.
int SetFields(int argc, char** argv) {
  if (argc < 3) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::string path = argv[2];
  std::string why;
  if (!Readable(path, why)) return Refuse(path, why);
  AudioTagX tag;
  int readResult = tag.Read(path);
  // A read that stopped early leaves fields out of the record, and writing
  // the record would remove them from the file.
  if (readResult != AudioTagX::kDone && readResult != AudioTagX::kNoSync)
    return Refuse(path, "its tag could not be read completely (code " +
                            std::to_string(readResult) + "), and writing would lose what was not read");

  struct Option {
    const char* name;
    std::string AudioTagX::*field;
  };
  static constexpr Option kOptions[] = {
      {"--title", &AudioTagX::Title},    {"--artist", &AudioTagX::Artist},
      {"--album", &AudioTagX::Album},    {"--comment", &AudioTagX::Comments},
      {"--genre", &AudioTagX::Genre},    {"--track", &AudioTagX::Track},
      {"--total", &AudioTagX::TotTracks}, {"--year", &AudioTagX::Year},
  };
  std::vector<std::pair<const char*, std::string>> numbers;  // as given, to tell of any dropped
  for (int i = 3; i < argc; i += 2) {
    const Option* option = nullptr;
    for (const Option& candidate : kOptions)
      if (std::strcmp(argv[i], candidate.name) == 0) option = &candidate;
    if (option == nullptr || i + 1 >= argc) {
      std::fprintf(stderr, "songhaul-tag: %s %s\n", argv[i],
                   option == nullptr ? "is not an option of set" : "needs a value");
      return 2;
    }
    tag.*(option->field) = argv[i + 1];
    if (option->field == &AudioTagX::Track || option->field == &AudioTagX::TotTracks ||
        option->field == &AudioTagX::Year)
      numbers.emplace_back(option->name, argv[i + 1]);
  }

  errno = 0;
  int result = tag.Write(path);
  int error = errno;
  if (result != AudioTagX::kDone) return Refuse(path, WriteFailure(result, tag, error));
  for (const auto& [name, given] : numbers) {
    const std::string& kept = std::strcmp(name, "--track") == 0   ? tag.Track
                              : std::strcmp(name, "--total") == 0 ? tag.TotTracks
                                                                  : tag.Year;
    if (!given.empty() && kept.empty())
      std::fprintf(stderr, "songhaul-tag: %s %s is not a plain whole number%s and was not written\n",
                   name, given.c_str(), std::strcmp(name, "--year") == 0 ? " from 1000 to 2100" : "");
  }
  PrintWritten(path, result);
  return 0;
}

// songhaul-tag convert-id3v1 FILE and songhaul-tag remove-id3v1 FILE.
int ChangeId3v1(int argc, char** argv, bool convert) {
  if (argc != 3) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::string path = argv[2];
  std::string why;
  if (!Readable(path, why)) return Refuse(path, why);
  AudioTagX tag;
  errno = 0;
  int result = convert ? tag.Convert_id3v1(path) : tag.Remove_id3v1(path);
  int error = errno;
  if (result != AudioTagX::kDone) return Refuse(path, WriteFailure(result, tag, error));
  if (tag.Version.find("id3v1") == std::string::npos)
    std::fprintf(stderr, "songhaul-tag: %s: nothing to do, its tag is not an ID3v1 tag alone\n",
                 path.c_str());
  PrintWritten(path, result);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::string verb = argv[1];
  if (verb == "set") return SetFields(argc, argv);
  if (verb == "convert-id3v1") return ChangeId3v1(argc, argv, true);
  if (verb == "remove-id3v1") return ChangeId3v1(argc, argv, false);
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
  }
  for (int i = 1; i < argc; ++i) {
    std::string path = argv[i];
    std::string why;
    if (!Readable(path, why)) {
      std::fprintf(stderr, "songhaul-tag: cannot read %s: %s\n", path.c_str(), why.c_str());
      status = 1;
      continue;
    }
    AudioTagX tag;
    int result = tag.Read(path);
    std::printf("%s\n", RecordToJson(path, result, tag).c_str());
  }
  return status;
}
