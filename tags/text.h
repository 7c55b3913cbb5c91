// Character sets and number patterns shared by the readers and writers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace text {

std::string Latin1ToUtf8(std::string_view bytes);
// Code units as read, little- or big-endian; a lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian);
// Keeps valid UTF-8 as it is and replaces every invalid byte with U+FFFD.
std::string ValidUtf8(std::string_view bytes);
void AppendUtf8(std::string& out, char32_t codePoint);

// The leading number of a text: optional sign, digits, and a fractional part
// that is dropped; 0 when the text does not begin with one.
int64_t LeadingNumber(std::string_view text);

// The pattern "#" for numerator / denominator (denominator > 0): rounded to a
// whole number, halves away from zero.
std::string WholePattern(uint64_t numerator, uint64_t denominator);
// The pattern "#.##" for numerator / denominator: at most two decimals, no
// trailing zeros, no decimal point for a whole number, "0." below 1.
std::string TwoDecimalsPattern(uint64_t numerator, uint64_t denominator);

bool EqualsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace text
