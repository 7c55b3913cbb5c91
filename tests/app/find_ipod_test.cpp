#include <sys/mount.h>

#include <QComboBox>
#include <QPushButton>
#include <cerrno>
#include <cstring>

#include "app_fixture.h"
#include "desktop_platform.h"

namespace {

QStringList FirstCells(SongList& songs) {
  QStringList cells;
  for (int row = 0; row < songs.rowCount(); ++row) cells.append(songs.Cell(row, 0));
  return cells;
}

bool GroupEnabled(Window1* window) {
  for (QWidget* control : window->LockGroup())
    if (!control->isEnabled()) return false;
  return true;
}

TEST_F(AppTest, FindIpodListsEveryIpodInVolumeOrder) {
  QString first = MakeVolume("FIRST", {{"iPod_Control/", ""}});
  MakeVolume("Data", {{"Documents/", ""}});
  QString second = MakeVolume("SECOND", {{"iPod_Control/", ""}});
  Start();
  window_->PushButton1_Action();
  EXPECT_EQ(FirstCells(window_->Songs()), (QStringList{"Found an iPod : FIRST", "Found an iPod : SECOND"}));
  EXPECT_EQ(window_->iPods, (QStringList{QString(), first, second}));
  ASSERT_EQ(window_->PopupMenu1->count(), 2);
  EXPECT_EQ(window_->PopupMenu1->itemText(0), "FIRST");
  EXPECT_EQ(window_->PopupMenu1->itemText(1), "SECOND");
  EXPECT_EQ(window_->PopupMenu1->currentIndex(), 0);
  EXPECT_TRUE(GroupEnabled(window_));
  EXPECT_EQ(window_->SelectedIPod(), first);
}

TEST_F(AppTest, FindIpodTwiceAddsTheAnnouncementTwiceButTheIpodOnce) {
  MakeVolume("IPOD", {{"iPod_Control/Music/", ""}});
  Start();
  window_->PushButton1_Action();
  window_->PushButton1_Action();
  EXPECT_EQ(FirstCells(window_->Songs()), (QStringList{"Found an iPod : IPOD", "Found an iPod : IPOD"}));
  EXPECT_EQ(window_->PopupMenu1->count(), 1);
  EXPECT_EQ(window_->iPods.size(), 2);
}

TEST_F(AppTest, PlainFileNamedIpodControlCounts) {
  MakeVolume("ODD", {{"iPod_Control", ""}});
  Start();
  window_->PushButton1_Action();
  EXPECT_EQ(window_->PopupMenu1->count(), 1);
}

TEST_F(AppTest, NoIpodChangesNothingAndARemovedIpodLeavesTheGroupEnabled) {
  MakeVolume("Data", {{"iPod_Control_not/", ""}});
  Start();
  window_->PushButton1_Action();
  EXPECT_EQ(window_->Songs().rowCount(), 0);
  EXPECT_EQ(window_->PopupMenu1->count(), 0);
  for (QWidget* control : window_->LockGroup()) EXPECT_FALSE(control->isEnabled());

  QString ipod = MakeVolume("IPOD", {{"iPod_Control/", ""}});
  window_->PushButton1_Action();
  ASSERT_EQ(window_->PopupMenu1->count(), 1);
  QDir(ipod).removeRecursively();
  window_->PushButton1_Action();
  EXPECT_EQ(window_->PopupMenu1->count(), 0);
  EXPECT_EQ(window_->iPods, QStringList{QString()});
  EXPECT_TRUE(GroupEnabled(window_));
  // With no iPod chosen, Find Songs has nothing to scan and does nothing.
  window_->PushButton2_Action();
  EXPECT_EQ(window_->RunningScan(), nullptr);
  EXPECT_EQ(window_->Songs().rowCount(), 1);
}

TEST(DesktopPlatformTest, VolumeNameIsTheLabelElseTheLastPartOfThePath) {
  EXPECT_EQ(DesktopPlatform::VolumeName("MY IPOD", "/media/x"), "MY IPOD");
  EXPECT_EQ(DesktopPlatform::VolumeName("", "/media/user/IPOD"), "IPOD");
  EXPECT_EQ(DesktopPlatform::VolumeName("", "/media/user/IPOD/"), "IPOD");
  EXPECT_EQ(DesktopPlatform::VolumeName("", "/"), "/");
}

TEST(DesktopPlatformTest, CommandLineFoldersComeFirstAndOnce) {
  QTemporaryDir folder;
  DesktopPlatform platform({folder.path() + "/", "/"});
  QList<Volume> volumes = platform.MountedVolumes();
  ASSERT_GE(volumes.size(), 2);
  EXPECT_EQ(volumes[0].root, folder.path());
  EXPECT_EQ(volumes[0].name, QFileInfo(folder.path()).fileName());
  EXPECT_EQ(volumes[1].root, "/");
  int roots = 0;
  for (const Volume& volume : volumes) roots += volume.root == "/";
  EXPECT_EQ(roots, 1);
}

// A real mount: the iPod is found among the volumes Qt reports.
TEST_F(AppTest, FindsAnIpodOnAMountedTmpfs) {
  QString point = disks_.filePath("TMPIPOD");
  ASSERT_TRUE(QDir().mkpath(point));
  if (mount("tmpfs", point.toLocal8Bit().constData(), "tmpfs", 0, "size=1m") != 0)
    GTEST_SKIP() << "cannot mount a tmpfs here (" << std::strerror(errno)
                 << "); run as root to include this test";
  struct Unmount {
    QString point;
    ~Unmount() { umount(point.toLocal8Bit().constData()); }
  } unmountLater{point};
  ASSERT_TRUE(QDir().mkpath(point + "/iPod_Control/Music/F00"));

  DesktopPlatform desktop;
  app_ = std::make_unique<App>(desktop);
  app_->Open();
  window_ = app_->MainWindow();
  window_->PushButton1_Action();
  int row = window_->PopupMenu1->findText("TMPIPOD");
  ASSERT_GE(row, 0) << "the tmpfs was not among the mounted volumes";
  EXPECT_EQ(window_->iPods[row + 1], point);
  app_.reset();
}

}  // namespace
