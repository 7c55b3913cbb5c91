// Write on any file either refuses it and leaves every byte as it was, or
// writes a file that Read then takes apart without a fault.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "audio_tag.h"
#include "fuzz_file.h"

namespace {

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string path = fuzzing::WriteInput(data, size);
  AudioTagX tag;
  tag.Title = "Fuzzed Title \xC3\xA9\xF0\x9F\x8E\xB5";
  tag.Artist = "An Artist";
  tag.Album = "";
  tag.Comments = "a comment";
  tag.Genre = "Rock";
  tag.Track = "7";
  tag.TotTracks = "12";
  tag.Year = "2004";
  int result = tag.Write(path);
  if (result != AudioTagX::kDone) {
    if (Contents(path) != std::string(reinterpret_cast<const char*>(data), size)) std::abort();
    return 0;
  }
  AudioTagX back;
  back.Read(path);
  return 0;
}
