#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStorageInfo>
#include <cerrno>
#include <cstring>

#include "app_fixture.h"
#include "desktop_platform.h"
#include "window2.h"

namespace {

// Carriage returns and all: the drawer shows the file as it is.
const QByteArray kOneInfo = "BoardHwName: iPod Q98\r\nSerialNumber: ONE123\r\n";
const QByteArray kTwoInfo = "BoardHwName: iPod M25\nSerialNumber: TWO456\n";

bool GroupEnabled(Window1* window) {
  for (QWidget* control : window->LockGroup())
    if (!control->isEnabled()) return false;
  return true;
}

// Lets a closed drawer be deleted.
void Settle() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::processEvents();
}

class InfoTest : public AppTest {
protected:
  void SetUp() override {
    AppTest::SetUp();
    one_ = MakeVolume("ONE", {{"iPod_Control/Music/F00/", ""}});
    two_ = MakeVolume("TWO", {{"iPod_Control/Music/F00/", ""}});
    MakeVolume("BARE", {{"iPod_Control/Music/F00/", ""}});
    WriteSysInfo(one_, kOneInfo);
    WriteSysInfo(two_, kTwoInfo);
    Start();
    window_->PushButton1_Action();
    ASSERT_EQ(window_->PopupMenu1->count(), 3);
  }
  void WriteSysInfo(const QString& root, const QByteArray& text) {
    QDir().mkpath(root + "/iPod_Control/Device");
    QFile file(root + "/iPod_Control/Device/SysInfo");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
  }
  QString DrawerText() {
    Window2* drawer = Window2::Existing();
    return drawer && drawer->isVisible() ? drawer->EditField1->toPlainText() : "<closed>";
  }

  QString one_, two_;
};

// The drawer opens below the window, which grows so that its own controls
// keep their size, and shrinks back when the drawer closes.
TEST_F(InfoTest, PressedTwiceOpensTheDrawerWithSysInfoThenClosesIt) {
  Settle();
  const QSize content = window_->centralWidget()->size();
  const int height = window_->height();
  window_->PushButton4_Action();
  Settle();
  EXPECT_TRUE(window_->draweropen);
  EXPECT_EQ(DrawerText(), QString::fromUtf8(kOneInfo).remove('\r'));
  EXPECT_EQ(window_->dockWidgetArea(Window2::Existing()), Qt::BottomDockWidgetArea);
  EXPECT_EQ(window_->centralWidget()->size(), content);
  EXPECT_EQ(Window2::Existing()->widget()->height(), Window2::kContentHeight);
  EXPECT_GT(window_->height(), height);
  EXPECT_EQ(window_->PushButton4->text(), "iPod Info");

  window_->PushButton4_Action();
  Settle();
  EXPECT_FALSE(window_->draweropen);
  EXPECT_EQ(Window2::Existing(), nullptr) << "closing destroys the drawer";
  EXPECT_EQ(window_->height(), height);
  EXPECT_EQ(window_->centralWidget()->size(), content);
}

TEST_F(InfoTest, WithoutSysInfoNothingOpensAndTheNextPressTriesAgain) {
  window_->PopupMenu1->setCurrentIndex(2);  // BARE
  window_->PushButton4_Action();
  EXPECT_FALSE(window_->draweropen);
  EXPECT_EQ(Window2::Existing(), nullptr);
  WriteSysInfo(disks_.filePath("BARE"), "now here");
  window_->PushButton4_Action();
  EXPECT_TRUE(window_->draweropen);
  EXPECT_EQ(DrawerText(), "now here");
}

TEST_F(InfoTest, AnotherIpodChosenWhileOpenClosesThenShowsTheNewOne) {
  window_->PushButton4_Action();
  window_->PopupMenu1->setCurrentIndex(1);
  EXPECT_EQ(DrawerText(), QString::fromUtf8(kOneInfo).remove('\r')) << "the drawer is not refreshed";
  window_->PushButton4_Action();
  Settle();
  EXPECT_EQ(DrawerText(), "<closed>");
  window_->PushButton4_Action();
  EXPECT_EQ(DrawerText(), QString::fromUtf8(kTwoInfo));
}

// Eject leaves the popup and an open drawer; only Find iPod unlocks again,
// and the first iPod Info after that closes the drawer.
TEST_F(InfoTest, EjectAcceptedEmptiesTheListAndLocksTheControls) {
  window_->PushButton4_Action();
  window_->PushButton6_Action();
  EXPECT_EQ(platform_.unmounted, QStringList{one_ + "/iPod_Control/Music"});
  EXPECT_EQ(window_->Songs().rowCount(), 0);
  for (QWidget* control : window_->LockGroup()) EXPECT_FALSE(control->isEnabled());
  EXPECT_EQ(window_->PopupMenu1->count(), 3);
  EXPECT_TRUE(window_->draweropen);
  EXPECT_NE(DrawerText(), "<closed>");

  window_->PushButton1_Action();
  EXPECT_TRUE(GroupEnabled(window_));
  window_->PushButton4_Action();
  EXPECT_FALSE(window_->draweropen);
  Settle();
  EXPECT_EQ(DrawerText(), "<closed>");
}

TEST_F(InfoTest, EjectRefusedChangesNothing) {
  platform_.unmountSucceeds = false;
  window_->PopupMenu1->setCurrentIndex(1);
  window_->PushButton6_Action();
  EXPECT_EQ(platform_.unmounted, QStringList{two_ + "/iPod_Control/Music"});
  EXPECT_EQ(window_->Songs().rowCount(), 3);
  EXPECT_TRUE(GroupEnabled(window_));
  EXPECT_EQ(window_->PopupMenu1->currentIndex(), 1);
}

TEST_F(InfoTest, WithoutAChosenIpodInfoAndEjectDoNothing) {
  platform_.volumes.clear();
  window_->PushButton1_Action();  // finds none: the popup is empty
  ASSERT_EQ(window_->PopupMenu1->currentIndex(), -1);
  window_->PushButton4_Action();
  window_->PushButton6_Action();
  EXPECT_FALSE(window_->draweropen);
  EXPECT_EQ(Window2::Existing(), nullptr);
  EXPECT_TRUE(platform_.unmounted.isEmpty());
  EXPECT_TRUE(GroupEnabled(window_));
}

TEST(DesktopUnmountTest, AFolderThatIsNoMountPointIsEjectedAsItStandsButRootNever) {
  QTemporaryDir folder;
  DesktopPlatform platform({folder.path()});
  EXPECT_TRUE(platform.Unmount(folder.filePath("iPod_Control/Music")));
  EXPECT_TRUE(QFileInfo::exists(folder.path()));
  EXPECT_FALSE(DesktopPlatform().Unmount("/"));
}

// A real mount: Eject unmounts it, unless the volume is busy.
TEST_F(AppTest, EjectUnmountsAMountedTmpfs) {
  const QString point = disks_.filePath("TMPIPOD");
  ASSERT_TRUE(QDir().mkpath(point));
  if (mount("tmpfs", point.toLocal8Bit().constData(), "tmpfs", 0, "size=1m") != 0)
    GTEST_SKIP() << "cannot mount a tmpfs here (" << std::strerror(errno)
                 << "); run as root to include this test";
  struct Unmount {
    QString point;
    ~Unmount() { umount(point.toLocal8Bit().constData()); }
  } unmountLater{point};
  ASSERT_TRUE(QDir().mkpath(point + "/iPod_Control/Music/F00"));
  auto mounted = [&] { return QStorageInfo(point).rootPath() == point; };

  DesktopPlatform desktop;
  app_ = std::make_unique<App>(desktop);
  app_->Open();
  window_ = app_->MainWindow();
  window_->PushButton1_Action();
  const int row = window_->PopupMenu1->findText("TMPIPOD");
  ASSERT_GE(row, 0) << "the tmpfs was not among the mounted volumes";
  window_->PopupMenu1->setCurrentIndex(row);
  const int rows = window_->Songs().rowCount();

  // A song held open keeps the volume busy: the eject is refused.
  const int busy = ::open((point + "/iPod_Control/Music/F00").toLocal8Bit().constData(), O_RDONLY);
  ASSERT_GE(busy, 0);
  window_->PushButton6_Action();
  EXPECT_TRUE(mounted());
  EXPECT_EQ(window_->Songs().rowCount(), rows);
  EXPECT_TRUE(GroupEnabled(window_));
  ::close(busy);

  window_->PushButton6_Action();
  EXPECT_FALSE(mounted());
  EXPECT_EQ(window_->Songs().rowCount(), 0);
  for (QWidget* control : window_->LockGroup()) EXPECT_FALSE(control->isEnabled());
  app_.reset();
}

}  // namespace
