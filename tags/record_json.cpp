#include "record_json.h"

#include <cstdio>
#include <utility>

#include "text.h"

std::string JsonString(std::string_view bytes) {
  std::string out = "\"";
  for (char c : text::ValidUtf8(bytes)) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

std::string RecordToJson(const std::string& file, int result, const AudioTagX& tag) {
  const std::pair<const char*, const std::string*> properties[] = {
      {"Version", &tag.Version},       {"Album", &tag.Album},         {"Artist", &tag.Artist},
      {"Bitrate", &tag.Bitrate},       {"Comments", &tag.Comments},   {"Genre", &tag.Genre},
      {"Length", &tag.Length},         {"LengthSecs", &tag.LengthSecs}, {"Size", &tag.Size},
      {"SizeMB", &tag.SizeMB},         {"Title", &tag.Title},         {"TotTracks", &tag.TotTracks},
      {"Track", &tag.Track},           {"Year", &tag.Year},           {"SampleRate", &tag.SampleRate},
      {"LengthMs", &tag.LengthMs},     {"FileType", &tag.FileType},   {"Cd", &tag.Cd},
      {"TotCds", &tag.TotCds},
  };
  std::string out = "{\"file\": " + JsonString(file) + ", \"result\": " + std::to_string(result);
  for (const auto& [name, value] : properties) out += ", \"" + std::string(name) + "\": " + JsonString(*value);
  return out + "}";
}
