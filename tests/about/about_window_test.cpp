#include "about_window.h"

#include <QCoreApplication>
#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

#include "sa_edit_field.h"

namespace {

// Closing deletes the window later, from the event loop.
bool Deleted(QPointer<AboutWindow>& window) {
  return QTest::qWaitFor([&] { return window.isNull(); }, 2000);
}

class AboutWindowTest : public testing::Test {
protected:
  void TearDown() override {
    if (!window.isNull()) window->close();
    Deleted(window);
  }

  QTextCharFormat FormatOf(const QString& phrase) {
    QTextDocument* document = window->EditAppCredits->document();
    QTextCursor found = document->find(phrase);
    EXPECT_FALSE(found.isNull()) << phrase.toStdString();
    QTextCursor cursor(document);
    cursor.setPosition(found.selectionStart() + 1);
    return cursor.charFormat();
  }

  QPointer<AboutWindow> window = AboutWindow::Instance();
};

TEST_F(AboutWindowTest, AboutShowsNameVersionAndCopyrightWithoutCredits) {
  window->Show(false);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->height(), 178);
  EXPECT_EQ(window->width(), 284);
  EXPECT_EQ(window->StatAppName->text(), "Songhaul");
  EXPECT_EQ(window->StatAppVersion->text(), "Version 1.1.2");
  EXPECT_EQ(window->StatAppCopyright->text().split('\n').size(), 3);
  EXPECT_TRUE(window->StatAppCopyright->text().contains("the Songhaul team"));
  EXPECT_EQ(window->StatAppCopyright->geometry(), QRect(20, 132, 244, 42));
  EXPECT_FALSE(window->EditAppCredits->isVisible());
}

TEST_F(AboutWindowTest, CreditsMakeItTallerAndAreStyled) {
  window->Show(true);
  EXPECT_EQ(window->height(), 326);
  EXPECT_EQ(window->StatAppCopyright->geometry(), QRect(20, 280, 244, 42));
  ASSERT_TRUE(window->EditAppCredits->isVisible());
  EXPECT_TRUE(window->rect().contains(window->EditAppCredits->geometry()));

  QString credits = window->EditAppCredits->toPlainText();
  EXPECT_EQ(credits.split('\n').size(), 8);
  EXPECT_FALSE(credits.contains('<'));
  EXPECT_FALSE(credits.contains('>'));
  EXPECT_TRUE(credits.contains("the Songhaul team"));
  EXPECT_TRUE(credits.contains("WITHOUT WARRANTY"));

  EXPECT_EQ(FormatOf("Engineering:").fontWeight(), QFont::Bold);
  EXPECT_FALSE(FormatOf("Engineering:").fontItalic());
  EXPECT_EQ(FormatOf("With special thanks to:").fontWeight(), QFont::Bold);
  EXPECT_TRUE(FormatOf("With special thanks to:").fontItalic());
  EXPECT_EQ(FormatOf("Disclaimer:").fontWeight(), QFont::Bold);
  EXPECT_EQ(FormatOf("the Songhaul team").fontWeight(), QFont::Normal);
  QTextCharFormat disclaimer = FormatOf("WITHOUT WARRANTY");
  EXPECT_EQ(disclaimer.fontWeight(), QFont::Normal);
  EXPECT_EQ(disclaimer.intProperty(QTextFormat::FontPixelSize), 10);

  // Shown at its first line with nothing selected.
  EXPECT_FALSE(window->EditAppCredits->textCursor().hasSelection());
  EXPECT_EQ(window->EditAppCredits->textCursor().position(), 0);

  // The same window shown again without credits is arranged back.
  window->Show(false);
  EXPECT_EQ(window->height(), 178);
  EXPECT_EQ(window->StatAppCopyright->y(), 132);
  EXPECT_FALSE(window->EditAppCredits->isVisible());
}

TEST_F(AboutWindowTest, UnstyledCreditsKeepTheirMarkup) {
  window->SetCreditsFieldText("<b>x</b>", false);
  EXPECT_EQ(window->EditAppCredits->toPlainText(), "<b>x</b>");
}

TEST_F(AboutWindowTest, SelectAllSelectsTheWholeCredits) {
  window->Show(true);
  window->EditAppCredits->EditSelectAll();
  QTextCursor cursor = window->EditAppCredits->textCursor();
  EXPECT_EQ(cursor.selectionStart(), 0);
  EXPECT_EQ(cursor.selectionEnd(), window->EditAppCredits->toPlainText().size());
}

TEST_F(AboutWindowTest, OneWindowUntilClosed) {
  EXPECT_EQ(AboutWindow::Instance(), window.data());
  window->Show(false);
  window->close();
  EXPECT_TRUE(Deleted(window));

  window = AboutWindow::Instance();
  ASSERT_FALSE(window.isNull());
  window->Show(false);
  QTest::keyClick(window.data(), Qt::Key_Escape);
  EXPECT_TRUE(Deleted(window));
}

TEST_F(AboutWindowTest, CanvasDrawsThePictureAt64By64) {
  window->Show(false);
  QImage drawn = window->AppIconCanvas->grab().toImage();
  EXPECT_EQ(drawn.size(), QSize(64, 64));
  // The picture covers the middle; its mask leaves the corner to the window.
  EXPECT_NE(drawn.pixelColor(32, 32), drawn.pixelColor(0, 0));
}

}  // namespace
