// Eject of a real block device through a stand-in for UDisks2, the desktop's
// disk service, on a private message bus: the program's D-Bus calls go over
// a real bus and the unmount is real.
#include <sys/mount.h>

#include <QComboBox>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QProcess>
#include <QStorageInfo>
#include <QThread>
#include <atomic>

#include "app_fixture.h"
#include "desktop_platform.h"

namespace {

const char* const kBlockPath = "/org/freedesktop/UDisks2/block_devices/loop_ipod";

// Knows one block device, by its device file.
class FakeUDisksManager : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.UDisks2.Manager")
public:
  QString device;
  std::atomic<int> resolved{0};

public slots:
  QList<QDBusObjectPath> ResolveDevice(const QVariantMap& devspec, const QVariantMap&) {
    if (devspec.value("path").toString() != device) return {};
    ++resolved;
    return {QDBusObjectPath(kBlockPath)};
  }
};

// Unmounts its filesystem for real, or refuses as for a disk in use.
class FakeUDisksFilesystem : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.UDisks2.Filesystem")
public:
  QString point;
  std::atomic<bool> refuse{false};
  std::atomic<int> calls{0};

public slots:
  void Unmount(const QVariantMap&) {
    ++calls;
    if (refuse || umount(point.toLocal8Bit().constData()) != 0)
      sendErrorReply("org.freedesktop.UDisks2.Error.DeviceBusy", "Target is busy");
  }
};

TEST_F(AppTest, EjectAsksUDisksToUnmountItsBlockDevice) {
  // An ext4 image on a loop device, labelled as the iPod.
  const QString image = disks_.filePath("ipod.img");
  const QString point = disks_.filePath("LOOPIPOD");
  ASSERT_TRUE(QDir().mkpath(point));
  {
    QFile file(image);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(8 << 20));
  }
  if (QProcess::execute("mkfs.ext4", {"-q", "-F", "-L", "LOOPIPOD", image}) != 0 ||
      QProcess::execute("mount", {"-o", "loop", image, point}) != 0)
    GTEST_SKIP() << "cannot make and mount a loop device here (needs root, mkfs.ext4 and loop devices)";
  struct Unmount {
    QString point;
    ~Unmount() { umount(point.toLocal8Bit().constData()); }
  } unmountLater{point};
  auto mounted = [&] { return QStorageInfo(point).rootPath() == point; };
  ASSERT_TRUE(QDir().mkpath(point + "/iPod_Control/Music/F00"));
  const QString device = QString::fromLocal8Bit(QStorageInfo(point).device());
  ASSERT_TRUE(device.startsWith("/dev/loop")) << device.toStdString();

  QProcess daemon;
  daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
  if (!daemon.waitForStarted(5000) || !daemon.waitForReadyRead(5000))
    GTEST_SKIP() << "cannot start dbus-daemon for a private bus";
  struct Stop {
    QProcess& daemon;
    ~Stop() {
      daemon.kill();
      daemon.waitForFinished(5000);
    }
  } stopLater{daemon};
  const QString address = QString::fromLocal8Bit(daemon.readLine()).trimmed();

  // The service answers on a thread of its own, as the program waits for it.
  QThread serviceThread;
  serviceThread.start();
  FakeUDisksManager manager;
  FakeUDisksFilesystem filesystem;
  manager.device = device;
  filesystem.point = point;
  manager.moveToThread(&serviceThread);
  filesystem.moveToThread(&serviceThread);
  struct Join {
    QThread& thread;
    ~Join() {
      QDBusConnection::disconnectFromBus("fake-udisks");
      thread.quit();
      thread.wait();
    }
  } joinLater{serviceThread};
  QDBusConnection bus = QDBusConnection::connectToBus(address, "fake-udisks");
  ASSERT_TRUE(bus.isConnected());
  ASSERT_TRUE(bus.registerService("org.freedesktop.UDisks2"));
  ASSERT_TRUE(bus.registerObject("/org/freedesktop/UDisks2/Manager", &manager, QDBusConnection::ExportAllSlots));
  ASSERT_TRUE(bus.registerObject(kBlockPath, &filesystem, QDBusConnection::ExportAllSlots));

  const QByteArray savedBus = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
  qputenv("DBUS_SYSTEM_BUS_ADDRESS", address.toLocal8Bit());
  struct Restore {
    QByteArray value;
    ~Restore() {
      if (value.isNull())
        qunsetenv("DBUS_SYSTEM_BUS_ADDRESS");
      else
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", value);
    }
  } restoreLater{savedBus};

  DesktopPlatform desktop;
  app_ = std::make_unique<App>(desktop);
  app_->Open();
  window_ = app_->MainWindow();
  window_->PushButton1_Action();
  const int row = window_->PopupMenu1->findText("LOOPIPOD");
  ASSERT_GE(row, 0) << "the loop device was not among the mounted volumes";
  window_->PopupMenu1->setCurrentIndex(row);
  const int rows = window_->Songs().rowCount();

  // UDisks2 has the last word: its refusal is not worked around.
  filesystem.refuse = true;
  window_->PushButton6_Action();
  EXPECT_EQ(filesystem.calls, 1);
  EXPECT_TRUE(mounted());
  EXPECT_EQ(window_->Songs().rowCount(), rows);

  filesystem.refuse = false;
  window_->PushButton6_Action();
  EXPECT_EQ(manager.resolved, 2);
  EXPECT_EQ(filesystem.calls, 2);
  EXPECT_FALSE(mounted());
  EXPECT_EQ(window_->Songs().rowCount(), 0);
  app_.reset();
}

}  // namespace

#include "udisks_eject_test.moc"
