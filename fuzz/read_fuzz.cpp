// Read on any file gives a result code: no crash, no read outside a buffer,
// no allocation beyond the file's length, and a record of valid UTF-8.
#include <cstdint>
#include <cstdlib>

#include "audio_tag.h"
#include "fuzz_file.h"
#include "record_json.h"
#include "text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  AudioTagX tag;
  int result = tag.Read(fuzzing::WriteInput(data, size));
  if (result < 0 || result > 14) std::abort();
  for (const std::string* property : {&tag.Album, &tag.Artist, &tag.Title, &tag.Comments,
                                      &tag.Genre, &tag.Year, &tag.Track, &tag.TotTracks})
    if (text::ValidUtf8(*property) != *property) std::abort();
  RecordToJson("input", result, tag);
  return 0;
}
