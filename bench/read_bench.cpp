// read_bench DIR [ROUNDS]: reads every file of DIR with AudioTagX::Read,
// ROUNDS times (default 5) after one warm-up round, and prints files per
// second and the bytes read from the file system per file. Built with
// TagLib, it reads the same files with TagLib's FileRef and audio properties
// in the same run and prints the ratio of our time to TagLib's.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "audio_tag.h"

#ifdef SONGHAUL_BENCH_TAGLIB
#include <taglib/fileref.h>
#include <taglib/tag.h>
#endif

namespace {

// Bytes this process has had from read system calls so far.
uint64_t BytesRead() {
  std::ifstream io("/proc/self/io");
  std::string key;
  uint64_t value = 0;
  while (io >> key >> value)
    if (key == "rchar:") return value;
  return 0;
}

struct Figures {
  double seconds = 0;
  double filesPerSecond = 0;
  double bytesPerFile = 0;
};

// Keeps the compiler from dropping reads whose results nobody looks at.
volatile size_t gSink = 0;

Figures Measure(const std::vector<std::string>& files, int rounds,
                const std::function<void(const std::string&)>& readOne) {
  for (const std::string& file : files) readOne(file);  // warm the cache
  uint64_t bytesBefore = BytesRead();
  for (const std::string& file : files) readOne(file);
  uint64_t bytesOneRound = BytesRead() - bytesBefore;

  auto start = std::chrono::steady_clock::now();
  for (int round = 0; round < rounds; ++round)
    for (const std::string& file : files) readOne(file);
  std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;

  Figures figures;
  figures.seconds = elapsed.count();
  figures.filesPerSecond = static_cast<double>(files.size()) * rounds / elapsed.count();
  figures.bytesPerFile = static_cast<double>(bytesOneRound) / static_cast<double>(files.size());
  return figures;
}

void Print(const char* name, const Figures& f) {
  std::printf("%-10s %10.0f files/s %12.0f bytes read/file %8.3f s\n", name, f.filesPerSecond,
              f.bytesPerFile, f.seconds);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "Usage: read_bench DIR [ROUNDS]\n");
    return 2;
  }
  int rounds = argc == 3 ? std::max(1, std::atoi(argv[2])) : 5;
  std::vector<std::string> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(argv[1], error))
    if (entry.is_regular_file()) files.push_back(entry.path().string());
  if (error || files.empty()) {
    std::fprintf(stderr, "read_bench: no files to read in %s\n", argv[1]);
    return 1;
  }
  std::sort(files.begin(), files.end());
  std::printf("%zu files in %s, %d rounds\n", files.size(), argv[1], rounds);

  int failed = 0;
  for (const std::string& file : files) failed += AudioTagX().Read(file) != 0;
  if (failed) std::printf("(%d files read with a result other than 0)\n", failed);

  Figures ours = Measure(files, rounds, [](const std::string& file) {
    AudioTagX tag;
    tag.Read(file);
    gSink = gSink + tag.Title.size() + tag.Bitrate.size();
  });
  Print("Songhaul", ours);

#ifdef SONGHAUL_BENCH_TAGLIB
  Figures taglib = Measure(files, rounds, [](const std::string& file) {
    TagLib::FileRef ref(file.c_str(), true, TagLib::AudioProperties::Average);
    if (!ref.isNull() && ref.tag()) gSink = gSink + ref.tag()->title().size();
    if (!ref.isNull() && ref.audioProperties()) gSink = gSink + ref.audioProperties()->bitrate();
  });
  Print("TagLib", taglib);
  std::printf("time ratio Songhaul/TagLib: %.2f\n", ours.seconds / taglib.seconds);
#else
  std::printf("(built without TagLib: install libtag1-dev for the comparison)\n");
#endif
  return 0;
}
