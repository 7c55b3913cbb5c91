#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeView>

#include "app_fixture.h"
#include "wpref.h"

namespace {

class WprefTest : public AppTest {
protected:
  wpref* OpenPreferences() {
    window_->prefs()->trigger();
    return app_->ExistingPrefsWindow();
  }
  // Which of the list's four columns show.
  std::vector<bool> Shown() {
    std::vector<bool> shown;
    QHeaderView* header = window_->ListBox1->header();
    for (int column = 0; column < 4; ++column) shown.push_back(!header->isSectionHidden(column));
    return shown;
  }
  const std::vector<bool> kNameOnly{true, false, false, false};
  const std::vector<bool> kDetails{true, false, true, true};
};

TEST_F(WprefTest, FirstStartOpensClearedAndTickingShowsThreeColumnsAtOnceAndAfterARestart) {
  Start();
  EXPECT_EQ(app_->ExistingPrefsWindow(), nullptr) << "made before Preferences was chosen";
  wpref* window = OpenPreferences();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->windowTitle(), "Preferences");
  EXPECT_EQ(window->size(), QSize(348, 102));
  EXPECT_EQ(window->GroupBox1->title(), "List options");
  EXPECT_EQ(window->GroupBox1->geometry(), QRect(10, 14, 324, 53));
  EXPECT_EQ(window->cbDetail->text(), "Details (Artist + Track)");
  EXPECT_EQ(window->cbDetail->geometry(), QRect(20, 38, 227, 20));
  EXPECT_EQ(window->PushButton1->text(), "Ok");
  EXPECT_EQ(window->PushButton1->geometry(), QRect(254, 73, 80, 20));
  EXPECT_FALSE(window->cbDetail->isChecked());
  EXPECT_EQ(Shown(), kNameOnly);

  window->cbDetail->setChecked(true);
  window->PushButton1->click();
  EXPECT_TRUE(app_->lbsDetail);
  EXPECT_EQ(Shown(), kDetails);
  const int third = window_->ListBox1->viewport()->width() * 33 / 100;
  EXPECT_EQ(window_->ListBox1->header()->sectionSize(0), third);
  EXPECT_EQ(window_->ListBox1->header()->sectionSize(3), third);
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(app_->ExistingPrefsWindow(), window) << "Ok destroyed the window";
  EXPECT_EQ(OpenPreferences(), window);
  EXPECT_TRUE(window->cbDetail->isChecked());

  app_->Close();
  EXPECT_EQ(ReadPrefs(), QByteArray("cbDetail\ntrue\n"));
  app_.reset();
  EasyPrefs::ResetPrefs();
  Start();
  EXPECT_TRUE(app_->lbsDetail);
  EXPECT_EQ(Shown(), kDetails);
  EXPECT_TRUE(OpenPreferences()->cbDetail->isChecked());
}

TEST_F(WprefTest, OkWithoutAChangeStoresAndAppliesTheSameValue) {
  Start();
  OpenPreferences()->PushButton1_Action();
  EXPECT_FALSE(app_->lbsDetail);
  EXPECT_EQ(Shown(), kNameOnly);
  EXPECT_EQ(window_->ListBox1->header()->sectionSize(0), window_->ListBox1->viewport()->width());
  EXPECT_FALSE(EasyPrefs::GetPrefBoolean("cbDetail", true)) << "Ok did not store the flag";
}

TEST_F(WprefTest, TurningDetailsOffHidesTheColumnsAndOnShowsTheirDataAgain) {
  WritePrefs("cbDetail\ntrue\n");
  Start();
  window_->Songs().AddRows({{"a.mp3", "/ipod/a.mp3", "The Testers", "Morning Light", {}}});
  wpref* window = OpenPreferences();
  window->cbDetail->setChecked(false);
  window->PushButton1_Action();
  EXPECT_EQ(Shown(), kNameOnly);
  window = OpenPreferences();
  window->cbDetail->setChecked(true);
  window->PushButton1_Action();
  EXPECT_EQ(Shown(), kDetails);
  EXPECT_EQ(window_->Songs().Cell(0, 2), "The Testers");
  EXPECT_EQ(window_->Songs().Cell(0, 3), "Morning Light");
  EXPECT_EQ(window_->Songs().Cell(0, 1), "/ipod/a.mp3");
}

TEST_F(WprefTest, ClosingWithoutOkStoresNothingAndTheNextWindowShowsTheFlag) {
  Start();
  QPointer<wpref> window = OpenPreferences();
  window->cbDetail->setChecked(true);
  window->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(window.isNull()) << "closing kept the window";
  EXPECT_FALSE(app_->lbsDetail);
  EXPECT_EQ(Shown(), kNameOnly);
  EXPECT_TRUE(EasyPrefs::GetPrefBoolean("cbDetail", true)) << "closing stored the flag";
  wpref* fresh = OpenPreferences();
  ASSERT_NE(fresh, nullptr);
  EXPECT_FALSE(fresh->cbDetail->isChecked());
}

}  // namespace
