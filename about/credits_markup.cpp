#include "credits_markup.h"

#include <QFont>
#include <QFontInfo>
#include <QTextCursor>
#include <QTextDocument>

namespace {

// Text sizes are pixel sizes, like the window's own layout. 0 stands for
// the document's default size.
int SizeAt(QTextDocument& document, int position) {
  QTextCursor cursor(&document);
  cursor.setPosition(position);
  // A cursor's format is that of the character before it.
  if (position < document.characterCount() - 1) cursor.movePosition(QTextCursor::NextCharacter);
  QTextCharFormat format = cursor.charFormat();
  return format.hasProperty(QTextFormat::FontPixelSize) ? format.intProperty(QTextFormat::FontPixelSize) : 0;
}

void SetSize(QTextCharFormat& format, int size, const QTextDocument& document) {
  if (size <= 0) size = document.defaultFont().pixelSize();
  if (size <= 0) size = QFontInfo(document.defaultFont()).pixelSize();
  format.setProperty(QTextFormat::FontPixelSize, size);
}

// The number between the first and the second double quote, whatever the
// attribute's name, truncated to an integer; 0 when there is none.
int QuotedSize(const QString& inner) {
  qsizetype open = inner.indexOf('"');
  if (open < 0) return 0;
  qsizetype digits = 0;
  while (open + 1 + digits < inner.size() && inner[open + 1 + digits].isDigit()) ++digits;
  bool ok = false;
  int size = inner.mid(open + 1, digits).toInt(&ok);
  return ok ? size : 0;
}

}  // namespace

void ApplyCreditsMarkup(QTextDocument& document) {
  int saved = 0;
  for (;;) {
    QTextCursor open = document.find(QStringLiteral("<"));
    if (open.isNull()) break;
    int start = open.selectionStart();
    QTextCursor close = document.find(QStringLiteral(">"), start);
    if (close.isNull()) break;  // every later "<" lacks a ">" too

    QTextCursor tag(&document);
    tag.setPosition(start);
    tag.setPosition(close.selectionEnd(), QTextCursor::KeepAnchor);
    QString inner = tag.selectedText().mid(1);
    inner.chop(1);
    QString name = inner.section(' ', 0, 0);
    tag.removeSelectedText();

    QTextCharFormat format;
    if (name.compare(QLatin1String("b"), Qt::CaseInsensitive) == 0) {
      format.setFontWeight(QFont::Bold);
    } else if (name.compare(QLatin1String("/b"), Qt::CaseInsensitive) == 0) {
      format.setFontWeight(QFont::Normal);
    } else if (name.compare(QLatin1String("i"), Qt::CaseInsensitive) == 0) {
      format.setFontItalic(true);
    } else if (name.compare(QLatin1String("/i"), Qt::CaseInsensitive) == 0) {
      format.setFontItalic(false);
    } else if (name.compare(QLatin1String("font"), Qt::CaseInsensitive) == 0) {
      saved = SizeAt(document, start);
      SetSize(format, QuotedSize(inner), document);
    } else if (name.compare(QLatin1String("/font"), Qt::CaseInsensitive) == 0) {
      SetSize(format, saved, document);
    } else {
      continue;
    }
    QTextCursor rest(&document);
    rest.setPosition(start);
    rest.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    rest.mergeCharFormat(format);
  }
}
