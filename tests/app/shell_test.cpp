#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPointer>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTreeView>

#include "about_window.h"
#include "app_fixture.h"
#include "test_server.h"
#include "pictures.h"

namespace {

TEST_F(AppTest, StartsWithTheStoredDetailsFlagBeforeTheListLaysOut) {
  WritePrefs("cbDetail\ntrue\n");
  Start();
  EXPECT_TRUE(app_->lbsDetail);
  QHeaderView* header = window_->ListBox1->header();
  EXPECT_FALSE(header->isSectionHidden(0));
  EXPECT_TRUE(header->isSectionHidden(1));
  EXPECT_FALSE(header->isSectionHidden(2));
  EXPECT_FALSE(header->isSectionHidden(3));
}

TEST_F(AppTest, FirstStartShowsOnlyTheFileNameColumnAndQuitWritesThePreferences) {
  Start();
  EXPECT_FALSE(app_->lbsDetail);
  QHeaderView* header = window_->ListBox1->header();
  EXPECT_EQ(header->sectionSize(0), window_->ListBox1->viewport()->width());
  for (int column = 1; column < 4; ++column) EXPECT_TRUE(header->isSectionHidden(column)) << column;
  QFile::remove(PrefPath());
  app_->Close();
  EXPECT_EQ(ReadPrefs(), QByteArray()) << "rewritten even though nothing changed";
}

TEST_F(AppTest, ColumnLayoutFollowsTheFlagWithoutARescan) {
  Start();
  window_->Songs().AddRow("song.mp3");
  app_->lbsDetail = true;
  window_->ApplyColumnLayout();
  QHeaderView* header = window_->ListBox1->header();
  const int third = window_->ListBox1->viewport()->width() * 33 / 100;
  EXPECT_EQ(header->sectionSize(0), third);
  EXPECT_TRUE(header->isSectionHidden(1));
  EXPECT_EQ(header->sectionSize(2), third);
  EXPECT_EQ(header->sectionSize(3), third);
  EXPECT_EQ(window_->Songs().headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(), "Track");

  // Widths are shares of the list, so they follow the window's size.
  window_->resize(window_->width() + 300, window_->height());
  EXPECT_EQ(header->sectionSize(0), window_->ListBox1->viewport()->width() * 33 / 100);
}

TEST_F(AppTest, ControlsHaveTheirCaptionsPlacesAndStartingStates) {
  Start();
  struct Expected {
    QWidget* control;
    const char* caption;
    QRect geometry;
    bool enabled;
  };
  const Expected table[] = {
      {window_->PushButton1, "Find iPod", {16, 14, 128, 20}, true},
      {window_->ListBox1, nullptr, {150, 9, 414, 348}, true},
      {window_->PopupMenu1, nullptr, {16, 83, 128, 20}, false},
      {window_->PushButton2, "Find Songs", {16, 153, 128, 20}, false},
      {window_->PushButton3, "Save file", {446, 372, 105, 22}, false},
      {window_->PushButton4, "iPod Info", {16, 121, 128, 20}, false},
      {window_->Canvas1, nullptr, {16, 198, 128, 128}, true},
      {window_->bMp3info, "File infos", {331, 372, 105, 22}, false},
      {window_->efSearch, nullptr, {16, 372, 140, 22}, false},
      {window_->PushButton5, "Search", {168, 372, 105, 22}, false},
      {window_->PushButton6, "Eject iPod", {16, 46, 128, 20}, false},
  };
  EXPECT_EQ(window_->windowTitle(), "Songhaul");
  EXPECT_EQ(window_->centralWidget()->size(), QSize(571, 411));
  for (const Expected& e : table) {
    SCOPED_TRACE(e.control->objectName().toStdString());
    if (e.caption) {
      EXPECT_EQ(static_cast<QPushButton*>(e.control)->text(), e.caption);
    }
    EXPECT_EQ(e.control->geometry(), e.geometry);
    EXPECT_EQ(e.control->isEnabled(), e.enabled);
  }
  EXPECT_TRUE(window_->efSearch->text().isEmpty());
  EXPECT_EQ(window_->PopupMenu1->count(), 0);
  EXPECT_EQ(window_->iPods, QStringList{QString()});
  EXPECT_FALSE(window_->draweropen);
  EXPECT_FALSE(window_->mp3draweropen);
  EXPECT_EQ(window_->ListBox1->selectionMode(), QAbstractItemView::ExtendedSelection);
}

TEST_F(AppTest, ControlsFollowTheEdgesTheyAreAnchoredTo) {
  Start();
  window_->resize(window_->width() + 100, window_->height() + 50);
  ASSERT_EQ(window_->centralWidget()->size(), QSize(671, 461));
  EXPECT_EQ(window_->PushButton1->geometry(), QRect(16, 14, 128, 20));
  EXPECT_EQ(window_->ListBox1->geometry(), QRect(150, 9, 514, 398));
  EXPECT_EQ(window_->PushButton3->geometry(), QRect(546, 422, 105, 22));
  EXPECT_EQ(window_->bMp3info->geometry(), QRect(431, 422, 105, 22));
  EXPECT_EQ(window_->Canvas1->geometry(), QRect(16, 248, 128, 128));
  EXPECT_EQ(window_->efSearch->geometry(), QRect(16, 422, 140, 22));
  EXPECT_EQ(window_->PushButton5->geometry(), QRect(168, 422, 105, 22));
}

TEST_F(AppTest, LockGroupIsTheEightIpodControlsAndFindIpodStaysEnabled) {
  Start();
  QList<QWidget*> group = window_->LockGroup();
  ASSERT_EQ(group.size(), 8);
  EXPECT_FALSE(app_->unlockbuttons());
  for (QWidget* control : group) EXPECT_TRUE(control->isEnabled()) << control->objectName().toStdString();
  app_->lockbuttons();
  EXPECT_FALSE(app_->lockbuttons());
  for (QWidget* control : group) EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
  EXPECT_TRUE(window_->PushButton1->isEnabled());
  EXPECT_TRUE(window_->ListBox1->isEnabled());
  app_->unlockbuttons();
  for (QWidget* control : group) EXPECT_TRUE(control->isEnabled()) << control->objectName().toStdString();
}

TEST_F(AppTest, MenuHoldsTheThreeCommandsAndQuit) {
  Start();
  QMenu* sd = window_->sd();
  ASSERT_NE(sd, nullptr);
  EXPECT_EQ(sd->title(), "Songhaul");
  QStringList texts;
  for (QAction* action : sd->actions()) texts.append(action->isSeparator() ? "-" : action->text());
  EXPECT_EQ(texts, (QStringList{"Preferences", "-", "About", "Check for update", "-", "Quit"}));

  ASSERT_NE(window_->prefs(), nullptr);
  ASSERT_NE(window_->About(), nullptr);
  ASSERT_NE(window_->AppleCheckforupdates(), nullptr);
  EXPECT_EQ(window_->prefs()->menuRole(), QAction::PreferencesRole);
  EXPECT_EQ(window_->About()->menuRole(), QAction::AboutRole);
  for (QAction* action : {window_->prefs(), window_->About(), window_->AppleCheckforupdates()}) {
    EXPECT_TRUE(action->shortcut().isEmpty()) << action->text().toStdString();
    EXPECT_TRUE(action->isEnabled());
  }

  QAction* quit = sd->actions().last();
  EXPECT_EQ(quit->shortcut(), QKeySequence(QKeySequence::Quit));
  app_->lbsDetail = true;
  EasyPrefs::SetPrefBoolean("cbDetail", true);
  quit->trigger();
  EXPECT_EQ(ReadPrefs(), QByteArray("cbDetail\ntrue\n"));
  QCoreApplication::processEvents();  // let the quit request pass while no loop runs
}

TEST_F(AppTest, AboutShowsTheAboutBoxAndCheckForUpdateTellsTheOutcome) {
  Start();
  window_->About()->trigger();
  QPointer<AboutWindow> about = AboutWindow::Instance();
  EXPECT_TRUE(about->isVisible());
  EXPECT_FALSE(about->UseCredits);
  about->close();

  TestServer server(TestServer::Response(200, "9.5\n"));
  app_->UpdateHost = server.Host();
  window_->AppleCheckforupdates()->trigger();
  QDeadlineTimer deadline(5000);
  while (platform_.messages.isEmpty() && !deadline.hasExpired())
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  ASSERT_EQ(platform_.messages.size(), 1);
  EXPECT_TRUE(platform_.messages[0].startsWith("An update is released, get it at "));
  EXPECT_TRUE(server.request.startsWith("GET /~quillworks/songhaulver.txt HTTP/1.0\r\n"));
}

TEST_F(AppTest, CanvasShowsThePictureThroughItsMask) {
  Start();
  ASSERT_EQ(ipod128().size(), QSize(128, 128));
  ASSERT_EQ(ipod128mask().size(), QSize(128, 128));
  QImage shown = window_->Canvas1->grab().toImage();
  QImage background = window_->centralWidget()->grab(QRect(0, 400, 4, 4)).toImage();
  // The corner lies outside the iPod: the window shows through. The middle
  // of the screen is the picture's own blue.
  EXPECT_EQ(shown.pixelColor(1, 1), background.pixelColor(1, 1));
  QColor screen = shown.pixelColor(64, 34);
  EXPECT_GT(screen.blue(), screen.red() + 40);
}

}  // namespace
