#include <gtest/gtest.h>

#include "audio_tag.h"
#include "text.h"

TEST(ValueOperations, TimesAreMinutesAndSeconds) {
  const std::pair<int64_t, const char*> seconds[] = {
      {0, "0:00"}, {9, "0:09"}, {60, "1:00"}, {65, "1:05"}, {600, "10:00"}, {3600, "60:00"}, {3725, "62:05"}};
  for (auto [n, expected] : seconds) EXPECT_EQ(AudioTagX::SecsToTime(n), expected) << n;
  EXPECT_EQ(AudioTagX::msToTime(61999), "1:01");
  EXPECT_EQ(AudioTagX::msToTime(600000), "10:00");
}

TEST(ValueOperations, BytesToMBCutsToTwoDecimals) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "0.MB"},           {"999999", "0.99MB"}, {"4567890", "4.56MB"}, {"5000000", "5.MB"},
      {"500000", "0.5MB"},    {"1050000", "1.05MB"}, {"12abc", "0.00MB"},  {"abc", "0.MB"},
  };
  for (auto [bytes, expected] : cases) EXPECT_EQ(AudioTagX::BytesToMB(bytes), expected) << bytes;
}

TEST(ValueOperations, LTrimZerosRemovesOneTerminator) {
  using std::string_literals::operator""s;
  EXPECT_EQ(AudioTagX::LTrimZeros(""), "");
  EXPECT_EQ(AudioTagX::LTrimZeros("abc"), "abc");
  EXPECT_EQ(AudioTagX::LTrimZeros("abc\0"s), "abc");
  EXPECT_EQ(AudioTagX::LTrimZeros("ab\0\0"s), "ab\0"s);
}

TEST(ValueOperations, BitsAndSyncsafeSizes) {
  EXPECT_EQ(AudioTagX::GetBit(0xFB, 2), 0);
  EXPECT_EQ(AudioTagX::GetBit(0xFB, 3), 1);
  EXPECT_EQ(AudioTagX::GetBit(0x80, 7), 1);
  EXPECT_EQ(AudioTagX::TagSizeGet(0x00000201), 257);
  EXPECT_EQ(AudioTagX::TagSizeGet(0x00000080), -1);
  EXPECT_EQ(AudioTagX::TagSizeGet(0x80000000), -1);
  EXPECT_EQ(AudioTagX::TagSizeGet(0x7F7F7F7F), 268435455);
}

TEST(Genres, TableKeepsItsSpellings) {
  const std::pair<int, const char*> names[] = {
      {0, "Blues"},          {14, "R&b"},          {17, "Rock"},         {22, "Death Metal"},
      {23, "Pranks"},        {29, "Jazz Funk"},    {40, "AlternRock"},   {64, "Native American"},
      {67, "Psychadelic"},   {79, "Hard Rock"},    {80, "Folk"},         {81, "Folk/Rock"},
      {83, "Swing"},         {85, "Bebob"},        {90, "Avantgarde"},   {100, "Humour"},
      {123, "A Cappella"},   {128, "Club- House"}, {132, "BritPop"},     {146, "JPop"},
      {147, "Synthpop"},     {148, ""},            {255, ""},            {-1, ""},
  };
  for (auto [number, name] : names) EXPECT_EQ(AudioTagX::TagGetGenre_v1(number), name) << number;
}

TEST(Genres, ContentTypeText) {
  const std::pair<const char*, const char*> cases[] = {
      {"(13)", "Pop"},           {"(17)", "Rock"},   {"(17)Rock & Roll", "Rock"},
      {"(255)", ""},             {"Live (RX)", "Remix"}, {"(cr)", "Cover"},
      {"Rock", "Rock"},          {"Rock ((live)", "Rock (live)"}, {"(", "Blues"},
      {"", ""},                  {"17", "17"},       {"((Live) Set", "(Live) Set"},
      {"(abc)", "Blues"},        {"(12.7)", "Other"},
  };
  for (auto [contentType, expected] : cases)
    EXPECT_EQ(AudioTagX::TagGetGenre_v2(contentType), expected) << contentType;
}

TEST(Record, ClearKeepsLengthMsAndDiscs) {
  AudioTagX tag;
  tag.Title = "t";
  tag.FileType = "MP3";
  tag.LengthMs = "1000";
  tag.Cd = "1";
  tag.TotCds = "2";
  tag.ClearAllProperties();
  EXPECT_EQ(tag.Title, "");
  EXPECT_EQ(tag.FileType, "");
  EXPECT_EQ(tag.LengthMs, "1000");
  EXPECT_EQ(tag.Cd, "1");
  EXPECT_EQ(tag.TotCds, "2");
}

TEST(NumberPatterns, RoundHalvesAwayFromZero) {
  EXPECT_EQ(text::WholePattern(5, 2), "3");
  EXPECT_EQ(text::WholePattern(4, 3), "1");
  EXPECT_EQ(text::WholePattern(0, 7), "0");
  const std::pair<uint64_t, const char*> megabytes[] = {
      {4567890, "4.57"}, {3500000, "3.5"}, {5000000, "5"}, {4565000, "4.57"},
      {5000, "0.01"},    {4999, "0"},      {60314, "0.06"}, {999999999, "1000"},
  };
  for (auto [bytes, expected] : megabytes)
    EXPECT_EQ(text::TwoDecimalsPattern(bytes, 1000000), expected) << bytes;
}

TEST(Text, DecodingKeepsUtf8Valid) {
  EXPECT_EQ(text::Latin1ToUtf8("Caf\xE9"), "Caf\xC3\xA9");
  EXPECT_EQ(text::Utf16ToUtf8(std::string("\x00H\x00i", 4), true), "Hi");
  EXPECT_EQ(text::Utf16ToUtf8(std::string("H\x00i\x00", 4), false), "Hi");
  // a surrogate pair, then a lone high surrogate
  EXPECT_EQ(text::Utf16ToUtf8(std::string("\xD8\x3D\xDE\x00\xD8\x00", 6), true), "\xF0\x9F\x98\x80\xEF\xBF\xBD");
  EXPECT_EQ(text::ValidUtf8("ok \xC3\xA9 \xFF \xC0\xAF \xED\xA0\x80"),
            "ok \xC3\xA9 \xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
}
