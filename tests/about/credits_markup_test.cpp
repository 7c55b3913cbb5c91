#include "credits_markup.h"

#include <QFont>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <vector>

namespace {

constexpr int kDefaultSize = 12;

struct Style {
  bool bold = false;
  bool italic = false;
  int size = kDefaultSize;
  bool operator==(const Style&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Style& style) {
  return out << (style.bold ? "bold " : "") << (style.italic ? "italic " : "") << "size " << style.size;
}

const Style kPlain{};
const Style kBold{true, false, kDefaultSize};
const Style kItalic{false, true, kDefaultSize};
const Style kBoldItalic{true, true, kDefaultSize};
Style Sized(int size) { return {false, false, size}; }

Style StyleAt(QTextDocument& document, int position) {
  QTextCursor cursor(&document);
  cursor.setPosition(position + 1);  // the format of the character before the cursor
  QTextCharFormat format = cursor.charFormat();
  Style style;
  style.bold = format.fontWeight() >= QFont::Bold;
  style.italic = format.fontItalic();
  if (format.hasProperty(QTextFormat::FontPixelSize)) style.size = format.intProperty(QTextFormat::FontPixelSize);
  return style;
}

struct StyledRun {
  const char* text;  // found in the result, every character of it styled as below
  Style style;
};

struct Case {
  const char* markup;
  const char* plain;
  std::vector<StyledRun> runs;
};

TEST(CreditsMarkupTest, StylesAndRemovesTags) {
  const Case cases[] = {
      {"<b>Bold</b> plain", "Bold plain", {{"Bold", kBold}, {" plain", kPlain}}},
      {"<i>It</i>x", "Itx", {{"It", kItalic}, {"x", kPlain}}},
      {"<b><i>Both</i></b> none", "Both none", {{"Both", kBoldItalic}, {" none", kPlain}}},
      {"<B>upper</B>case", "uppercase", {{"upper", kBold}, {"case", kPlain}}},
      // The last tag of each kind before a character decides.
      {"<b>a<b>b</b>c", "abc", {{"ab", kBold}, {"c", kPlain}}},
      {"<b class=\"x\">attr</b>ibutes", "attributes", {{"attr", kBold}, {"ibutes", kPlain}}},
      {"<font size=\"20\">big</font>back", "bigback", {{"big", Sized(20)}, {"back", kPlain}}},
      {"<font size=\"10.7\">cut", "cut", {{"cut", Sized(10)}}},
      {"<font face=\"Times\">no size", "no size", {{"no size", kPlain}}},
      // Only the innermost font's saved size survives: both closing tags restore it.
      {"a<font size=\"10\">b<font size=\"20\">c</font>d</font>e", "abcde",
       {{"a", kPlain}, {"b", Sized(10)}, {"c", Sized(20)}, {"d", Sized(10)}, {"e", Sized(10)}}},
      {"</font>default", "default", {{"default", kPlain}}},
      {"<blink>un</blink>known", "unknown", {{"unknown", kPlain}}},
      {"end<b>", "end", {{"end", kPlain}}},
      {"1 < 2", "1 < 2", {{"1 < 2", kPlain}}},
      {"<b>x</b> 1 < 2 <i", "x 1 < 2 <i", {{"x", kBold}, {" 1 < 2 <i", kPlain}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.markup);
    QTextDocument document;
    QFont font;
    font.setPixelSize(kDefaultSize);
    document.setDefaultFont(font);
    document.setPlainText(QString::fromUtf8(c.markup));
    ApplyCreditsMarkup(document);

    QString plain = document.toPlainText();
    ASSERT_EQ(plain.toStdString(), c.plain);
    for (const StyledRun& run : c.runs) {
      qsizetype start = plain.indexOf(QString::fromUtf8(run.text));
      ASSERT_GE(start, 0) << run.text;
      for (qsizetype i = 0; i < qsizetype(strlen(run.text)); ++i) {
        EXPECT_EQ(StyleAt(document, int(start + i)), run.style) << run.text << " at " << i;
      }
    }
  }
}

}  // namespace
