// The inspector's JSON for any record is one well-formed object of valid
// UTF-8 on one line, whatever bytes the properties hold.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "audio_tag.h"
#include "record_json.h"
#include "text.h"

namespace {

// Checks a JSON string literal from position at, and moves at past it.
bool SkipString(std::string_view json, size_t& at) {
  if (at >= json.size() || json[at] != '"') return false;
  for (++at; at < json.size(); ++at) {
    auto c = static_cast<unsigned char>(json[at]);
    if (c < 0x20) return false;
    if (c == '"') {
      ++at;
      return true;
    }
    if (c == '\\') {
      ++at;
      if (at >= json.size()) return false;
      if (json[at] == 'u') {
        if (at + 4 >= json.size()) return false;
        for (int i = 1; i <= 4; ++i)
          if (!std::isxdigit(static_cast<unsigned char>(json[at + i]))) return false;
        at += 4;
      } else if (std::string_view("\"\\/bfnrt").find(json[at]) == std::string_view::npos) {
        return false;
      }
    }
  }
  return false;
}

bool Expect(std::string_view json, size_t& at, std::string_view literal) {
  if (json.substr(at, literal.size()) != literal) return false;
  at += literal.size();
  return true;
}

// {"file": S, "result": N, "Name": S, ...}
bool WellFormed(std::string_view json) {
  size_t at = 0;
  if (!Expect(json, at, "{")) return false;
  bool first = true;
  while (at < json.size() && json[at] != '}') {
    if (!first && !Expect(json, at, ", ")) return false;
    first = false;
    if (!SkipString(json, at) || !Expect(json, at, ": ")) return false;
    if (json[at] == '"') {
      if (!SkipString(json, at)) return false;
    } else {
      size_t digits = at;
      if (at < json.size() && json[at] == '-') ++at;
      while (at < json.size() && std::isdigit(static_cast<unsigned char>(json[at]))) ++at;
      if (at == digits) return false;
    }
  }
  return Expect(json, at, "}") && at == json.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The input, cut at zero bytes, fills the file name and the properties in turn.
  std::string_view input(reinterpret_cast<const char*>(data), size);
  AudioTagX tag;
  std::string* fields[] = {nullptr,         &tag.Version,    &tag.Album,   &tag.Artist,
                           &tag.Bitrate,    &tag.Comments,   &tag.Genre,   &tag.Length,
                           &tag.LengthSecs, &tag.Size,       &tag.SizeMB,  &tag.Title,
                           &tag.TotTracks,  &tag.Track,      &tag.Year,    &tag.SampleRate,
                           &tag.LengthMs,   &tag.FileType,   &tag.Cd,      &tag.TotCds};
  std::string file;
  size_t field = 0;
  for (char c : input) {
    if (c == '\0') {
      if (++field == std::size(fields)) break;
      continue;
    }
    (field == 0 ? file : *fields[field]) += c;
  }
  std::string json = RecordToJson(file, static_cast<int>(size % 15), tag);
  if (text::ValidUtf8(json) != json || !WellFormed(json)) std::abort();
  return 0;
}
