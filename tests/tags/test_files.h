// Small helpers for tests that build song files byte by byte.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include <sys/wait.h>
#include <unistd.h>

namespace testfiles {

inline std::string Be16(uint32_t v) { return {static_cast<char>(v >> 8), static_cast<char>(v)}; }
inline std::string Be24(uint32_t v) {
  return {static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}
inline std::string Be32(uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
          static_cast<char>(v)};
}
// An ID3v2 syncsafe integer: seven bits a byte.
inline std::string Syncsafe(uint32_t v) {
  return {static_cast<char>(v >> 21 & 0x7F), static_cast<char>(v >> 14 & 0x7F),
          static_cast<char>(v >> 7 & 0x7F), static_cast<char>(v & 0x7F)};
}
inline std::string Zeros(size_t n) { return std::string(n, '\0'); }

// count MPEG-1 Layer III frames with the given header indices; the bodies are
// zero bytes (the reader only looks at the headers).
inline std::string MpegFrames(int count, int bitrateIndex = 9, int sampleRateIndex = 0,
                              bool padded = false) {
  static constexpr int kBitrates[16] = {0,   32,  40,  48,  56,  64,  80,  96,
                                        112, 128, 160, 192, 224, 256, 320, 0};
  static constexpr int kSampleRates[4] = {44100, 48000, 32000, 0};
  std::string frames;
  for (int i = 0; i < count; ++i) {
    size_t length = kSampleRates[sampleRateIndex] == 0
                        ? 4
                        : 144 * kBitrates[bitrateIndex] * 1000 / kSampleRates[sampleRateIndex] +
                              (padded ? 1 : 0);
    std::string frame(length < 4 ? 4 : length, '\0');
    frame[0] = static_cast<char>(0xFF);
    frame[1] = static_cast<char>(0xFB);
    frame[2] = static_cast<char>(bitrateIndex << 4 | sampleRateIndex << 2 | (padded ? 2 : 0));
    frames += frame;
  }
  return frames;
}

// A 128-byte ID3v1 tag; each field is padded with zero bytes to its width.
inline std::string Id3v1Tag(std::string_view title, std::string_view artist,
                            std::string_view album, std::string_view year,
                            std::string_view comment30, uint8_t genre) {
  auto field = [](std::string_view s, size_t width) {
    std::string f(s.substr(0, width));
    f.resize(width, '\0');
    return f;
  };
  return "TAG" + field(title, 30) + field(artist, 30) + field(album, 30) + field(year, 4) +
         field(comment30, 30) + std::string(1, static_cast<char>(genre));
}

// An ID3v2 frame of the given major version; status and format flags only
// exist in versions 3 and 4.
inline std::string Id3v2Frame(int major, const std::string& id, const std::string& body,
                              uint8_t status = 0, uint8_t format = 0) {
  if (major == 2) return id + Be24(static_cast<uint32_t>(body.size())) + body;
  auto size = static_cast<uint32_t>(body.size());
  return id + (major == 3 ? Be32(size) : Syncsafe(size)) + static_cast<char>(status) +
         static_cast<char>(format) + body;
}

// An ID3v2 tag header and its frames; the declared size includes the padding.
inline std::string Id3v2Tag(int major, const std::string& frames, size_t padding = 0,
                            uint8_t flags = 0) {
  return std::string("ID3") + static_cast<char>(major) + '\0' + static_cast<char>(flags) +
         Syncsafe(static_cast<uint32_t>(frames.size() + padding)) + frames + Zeros(padding);
}

inline std::string FileContents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

// Runs a shell command and gives its exit status and standard output.
struct CommandRun {
  int status;
  std::string out;
};
inline CommandRun RunCommand(const std::string& command) {
  CommandRun run{-1, {}};
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char chunk[4096];
  while (size_t n = fread(chunk, 1, sizeof chunk, pipe)) run.out.append(chunk, n);
  int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

// Files written here live in one folder per test process and go with it.
class TempFiles {
public:
  TempFiles() {
    dir_ = std::filesystem::temp_directory_path() / ("songhaul-test-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
  }
  ~TempFiles() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  std::string Write(std::string_view bytes, const std::string& name = "") {
    std::string path = (dir_ / (name.empty() ? "file" + std::to_string(++count_) : name)).string();
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

private:
  std::filesystem::path dir_;
  int count_ = 0;
};

// The checked-in sample files.
inline std::string DataFile(const std::string& name) {
  return std::string(SONGHAUL_TEST_DATA) + "/" + name;
}

}  // namespace testfiles
