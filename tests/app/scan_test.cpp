#include <unistd.h>

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeView>

#include "app_fixture.h"
#include "audio_tag.h"
#include "ipod_thread.h"
#include "wfinding.h"

namespace {

class ScanTest : public AppTest {
protected:
  // Presses Find iPod and Find Songs and waits for the scan to end.
  void Scan() {
    window_->PushButton1_Action();
    RunScan();
  }
  void RunScan() {
    QSignalSpy finished(window_, &Window1::scanFinished);
    window_->PushButton2_Action();
    ASSERT_TRUE(finished.wait(20000)) << "the scan did not finish";
  }
  QStringList Column(int column) {
    QStringList cells;
    for (int row = 0; row < window_->Songs().rowCount(); ++row)
      cells.append(window_->Songs().Cell(row, column));
    return cells;
  }
};

// Song folders walked in whatever order the disk gives, with the things a
// scan must leave out.
QList<std::pair<QString, QString>> MixedIpod() {
  return {
      {"iPod_Control/Music/F02/b.mp3", TestData("id3v2_3.mp3")},
      {"iPod_Control/Music/F02/.DS_Store", ""},
      {"iPod_Control/Music/F00/.ds_store", ""},
      {"iPod_Control/Music/F00/Zed.mp3", TestData("untagged.mp3")},
      {"iPod_Control/Music/F00/A.m4a", TestData("aac_mutagen.m4a")},
      {"iPod_Control/Music/F01/apple.mp3", TestData("id3v1.mp3")},
      {"iPod_Control/Music/F01/Nested/inner.mp3", TestData("untagged.mp3")},
      {"iPod_Control/Music/loose.mp3", TestData("untagged.mp3")},
  };
}

TEST_F(ScanTest, ListsSongFolderItemsSortedByNameIgnoringCase) {
  QString root = MakeVolume("IPOD", MixedIpod());
  Start();
  Scan();
  EXPECT_EQ(Column(0), (QStringList{"A.m4a", "apple.mp3", "b.mp3", "Nested", "Zed.mp3"}));
  EXPECT_EQ(Column(1),
            (QStringList{root + "/iPod_Control/Music/F00/A.m4a", root + "/iPod_Control/Music/F01/apple.mp3",
                         root + "/iPod_Control/Music/F02/b.mp3", root + "/iPod_Control/Music/F01/Nested",
                         root + "/iPod_Control/Music/F00/Zed.mp3"}));
  EXPECT_EQ(Column(2), QStringList(5, QString())) << "details off: no artist";
  EXPECT_EQ(Column(3), QStringList(5, QString())) << "details off: no title";
  EXPECT_TRUE(window_->ListBox1->isEnabled());
  for (QWidget* control : window_->LockGroup()) EXPECT_TRUE(control->isEnabled());
  EXPECT_TRUE(window_->ListBox1->selectionModel()->selectedRows().isEmpty());
}

TEST_F(ScanTest, DetailsFillArtistAndTitleFromTheTags) {
  MakeVolume("IPOD", MixedIpod());
  WritePrefs("cbDetail\ntrue\n");
  Start();
  Scan();
  ASSERT_EQ(Column(0), (QStringList{"A.m4a", "apple.mp3", "b.mp3", "Nested", "Zed.mp3"}));
  AudioTagX aac, v1, v23;
  aac.Read(TestData("aac_mutagen.m4a").toStdString());
  v1.Read(TestData("id3v1.mp3").toStdString());
  v23.Read(TestData("id3v2_3.mp3").toStdString());
  ASSERT_FALSE(v23.Artist.empty());
  EXPECT_EQ(Column(2), (QStringList{QString::fromStdString(aac.Artist), QString::fromStdString(v1.Artist),
                                    QString::fromStdString(v23.Artist), "", ""}));
  EXPECT_EQ(Column(3), (QStringList{QString::fromStdString(aac.Title), QString::fromStdString(v1.Title),
                                    QString::fromStdString(v23.Title), "", ""}));
}

TEST_F(ScanTest, WhileScanningTheGroupAndListAreLockedBehindTheProgressWindow) {
  MakeVolume("IPOD", MixedIpod());
  Start();
  window_->PushButton1_Action();
  QSignalSpy finished(window_, &Window1::scanFinished);
  window_->PushButton2_Action();
  EXPECT_EQ(window_->Songs().rowCount(), 0) << "the announcement rows are gone";
  EXPECT_FALSE(window_->ListBox1->isEnabled());
  for (QWidget* control : window_->LockGroup()) EXPECT_FALSE(control->isEnabled());
  EXPECT_TRUE(window_->PushButton1->isEnabled());
  wfinding* progress = wfinding::Existing();
  ASSERT_NE(progress, nullptr);
  EXPECT_TRUE(progress->isVisible());
  EXPECT_EQ(progress->windowTitle(), "Finding songs...");
  EXPECT_EQ(progress->StaticText1->text(), "Songhaul is finding your songs, please wait... ");
  ASSERT_TRUE(finished.wait(20000));
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(wfinding::Existing(), nullptr) << "closed and gone";
}

TEST_F(ScanTest, FindIpodDuringAScanKeepsTheGroupLockedAndNoSecondScanStarts) {
  MakeVolume("IPOD", {{"iPod_Control/Music/F00/one.mp3", ""}});
  Start();
  window_->PushButton1_Action();
  bool lockedDuringScan = false;
  iPodThread* running = nullptr;
  // Runs once the scan owns the list and the group is locked.
  QObject::connect(window_, &Window1::scanStarting, window_, [&](iPodThread* thread) {
    running = thread;
    window_->PushButton1_Action();
    lockedDuringScan = !window_->PushButton2->isEnabled() && !window_->PushButton6->isEnabled();
    window_->PushButton2_Action();
  });
  RunScan();
  EXPECT_TRUE(lockedDuringScan);
  EXPECT_NE(running, nullptr);
  EXPECT_EQ(Column(0), (QStringList{"Found an iPod : IPOD", "one.mp3"}));
  for (QWidget* control : window_->LockGroup()) EXPECT_TRUE(control->isEnabled());
}

TEST_F(ScanTest, ScansTheIpodChosenInThePopup) {
  MakeVolume("ONE", {{"iPod_Control/Music/F00/one.mp3", ""}});
  MakeVolume("TWO", {{"iPod_Control/Music/F00/two.mp3", ""}});
  Start();
  window_->PushButton1_Action();
  window_->PopupMenu1->setCurrentIndex(1);
  RunScan();
  EXPECT_EQ(Column(0), QStringList{"two.mp3"});
}

TEST_F(ScanTest, IpodWithoutMusicFolderGivesAnEmptyListAndUnlocks) {
  MakeVolume("ODD", {{"iPod_Control", ""}});
  Start();
  Scan();
  EXPECT_EQ(window_->Songs().rowCount(), 0);
  EXPECT_TRUE(window_->ListBox1->isEnabled());
  for (QWidget* control : window_->LockGroup()) EXPECT_TRUE(control->isEnabled());
}

// Turns the details flag over once the first file is listed, on the scan's
// own thread, and records the order files were listed in.
class FlagTurner : public QObject {
public:
  FlagTurner(App& app, bool to) : app_(app), to_(to) {}
  void Listed(const QString& name) {
    listed.append(name);
    app_.lbsDetail = to_;
  }
  QStringList listed;

private:
  App& app_;
  bool to_;
};

class DetailsFlagDuringScan : public ScanTest, public testing::WithParamInterface<bool> {};

TEST_P(DetailsFlagDuringScan, IsReadAgainForEveryFile) {
  const bool startsOn = GetParam();
  MakeVolume("IPOD", {{"iPod_Control/Music/F00/t1.mp3", TestData("id3v2_3.mp3")},
                      {"iPod_Control/Music/F00/t2.mp3", TestData("id3v2_3.mp3")},
                      {"iPod_Control/Music/F00/t3.mp3", TestData("id3v2_3.mp3")}});
  if (startsOn) WritePrefs("cbDetail\ntrue\n");
  Start();
  window_->PushButton1_Action();
  FlagTurner turner(*app_, !startsOn);
  QObject::connect(window_, &Window1::scanStarting, &turner, [&turner](iPodThread* thread) {
    QObject::connect(thread, &iPodThread::itemListed, &turner, &FlagTurner::Listed, Qt::DirectConnection);
  });
  RunScan();
  ASSERT_EQ(turner.listed.size(), 3);
  for (int row = 0; row < 3; ++row) {
    QString name = window_->Songs().Cell(row, 0);
    // Only the first file is read under the starting state; a scan that
    // starts without details reads no tags at all.
    bool expectArtist = startsOn && name == turner.listed[0];
    EXPECT_EQ(!window_->Songs().Cell(row, 2).isEmpty(), expectArtist) << name.toStdString();
    EXPECT_EQ(!window_->Songs().Cell(row, 3).isEmpty(), expectArtist) << name.toStdString();
  }
}

INSTANTIATE_TEST_SUITE_P(StartingState, DetailsFlagDuringScan, testing::Bool());

TEST_F(ScanTest, QuittingDuringAScanStopsItAndStillWritesThePreferences) {
  QString root = MakeVolume("IPOD", {{"iPod_Control/Music/F0/s0.mp3", TestData("id3v2_3.mp3")}});
  QString first = root + "/iPod_Control/Music/F0/s0.mp3";
  for (int i = 1; i < 2000; ++i) {
    QString folder = QString("%1/iPod_Control/Music/F%2").arg(root).arg(i % 10);
    QDir().mkpath(folder);
    ASSERT_EQ(link(first.toLocal8Bit().constData(),
                   QString("%1/s%2.mp3").arg(folder).arg(i).toLocal8Bit().constData()),
              0);
  }
  WritePrefs("cbDetail\ntrue\n");
  Start();
  window_->PushButton1_Action();
  window_->PushButton2_Action();
  ASSERT_NE(window_->RunningScan(), nullptr);
  QFile::remove(PrefPath());
  app_->Quit();
  EXPECT_EQ(window_->RunningScan(), nullptr);
  EXPECT_EQ(ReadPrefs(), QByteArray("cbDetail\ntrue\n"));
  QCoreApplication::processEvents();  // queued rows of the stopped scan arrive harmlessly
}

}  // namespace
