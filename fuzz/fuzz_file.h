// The fuzzers hand their input to the tag library as a file, as a song on
// disk would be: one file per process, rewritten for every input.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzzing {

inline std::string InputPath() {
  const char* folder = std::getenv("TMPDIR");
  static const std::string path = std::string(folder ? folder : "/tmp") + "/songhaul-fuzz-" +
                                  std::to_string(getpid()) + ".bin";
  return path;
}

inline std::string WriteInput(const uint8_t* data, size_t size) {
  std::string path = InputPath();
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
  std::fclose(file);
  return path;
}

}  // namespace fuzzing
