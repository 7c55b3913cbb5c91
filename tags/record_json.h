// The record as one line of JSON, as the inspector prints it.
#pragma once

#include <string>
#include <string_view>

#include "audio_tag.h"

// A JSON string literal, quotes included; bytes that are not UTF-8 become U+FFFD.
std::string JsonString(std::string_view text);

// {"file": ..., "result": ..., "Version": ..., ... "TotCds": ...}
std::string RecordToJson(const std::string& file, int result, const AudioTagX& tag);
