// songhaul-tag: reads song files with the tag library and prints what it found.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "audio_tag.h"
#include "binary_stream.h"
#include "record_json.h"

namespace {

constexpr const char* kUsage =
    "Usage: songhaul-tag FILE...\n"
    "\n"
    "Reads each song file (MP3 with ID3v1, ID3v1.1, ID3v2.2/2.3/2.4 or no tag;\n"
    "MP4/AAC) and prints one JSON object per line: \"file\", \"result\" (the\n"
    "reader's code, 0 when the file was read completely) and the nineteen\n"
    "tag properties, \"Version\" to \"TotCds\", as UTF-8 text.\n"
    "\n"
    "A file that does not exist or cannot be read is named on standard error,\n"
    "the other files are still read, and the exit status is 1.\n";

// Read() answers a file it cannot open with a code like any other; the
// inspector tells the user why instead.
bool Readable(const std::string& path, std::string& why) {
  errno = 0;
  BinaryStream stream(path);
  if (stream.IsOpen()) return true;
  why = errno != 0 ? std::strerror(errno) : "not a regular file";
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
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
