#include "desktop_platform.h"

#include <sys/mount.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QStorageInfo>

#include "preview_player.h"

DesktopPlatform::DesktopPlatform(QStringList extraVolumes) {
  for (const QString& folder : extraVolumes)
    extraVolumes_.append(QDir::cleanPath(QFileInfo(folder).absoluteFilePath()));
}

QString DesktopPlatform::VolumeName(const QString& label, const QString& root) {
  if (!label.isEmpty()) return label;
  QString name = QFileInfo(QDir::cleanPath(root)).fileName();
  return name.isEmpty() ? root : name;
}

QList<Volume> DesktopPlatform::MountedVolumes() {
  QList<Volume> volumes;
  for (const QString& folder : extraVolumes_) volumes.append({VolumeName({}, folder), folder});
  for (const QStorageInfo& storage : QStorageInfo::mountedVolumes()) {
    if (!storage.isValid()) continue;
    QString root = storage.rootPath();
    if (extraVolumes_.contains(QDir::cleanPath(root))) continue;  // already listed
    volumes.append({VolumeName(storage.name(), root), root});
  }
  return volumes;
}

namespace {

// Where path lies, or its nearest parent that exists, canonically.
QString ExistingFolder(const QString& path) {
  QFileInfo info(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
  while (!info.exists() && !info.isRoot()) info = QFileInfo(info.absolutePath());
  return info.canonicalFilePath();
}

bool IsMounted(const QString& root, const QByteArray& device) {
  for (const QStorageInfo& storage : QStorageInfo::mountedVolumes())
    if (storage.rootPath() == root && storage.device() == device) return true;
  return false;
}

enum class UDisksAnswer { kNotManaged, kUnmounted, kRefused };

// Asks UDisks2, the desktop's disk service, to unmount the filesystem on
// device: it lets an ordinary user unmount a removable disk, asking for a
// password where the system wants one. kNotManaged when there is no UDisks2
// or the device is none of its block devices.
UDisksAnswer UnmountWithUDisks(const QByteArray& device) {
  const QString service = QStringLiteral("org.freedesktop.UDisks2");
  if (!device.startsWith("/dev/")) return UDisksAnswer::kNotManaged;
  // A connection of its own for each eject, found afresh: the system bus may
  // have come up, or gone, since the last one.
  const QString name = QStringLiteral("songhaul-eject");
  struct Disconnect {
    const QString& name;
    ~Disconnect() { QDBusConnection::disconnectFromBus(name); }
  } disconnectLater{name};
  QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SystemBus, name);
  if (!bus.isConnected()) return UDisksAnswer::kNotManaged;

  QDBusMessage resolve = QDBusMessage::createMethodCall(service, QStringLiteral("/org/freedesktop/UDisks2/Manager"),
                                                        QStringLiteral("org.freedesktop.UDisks2.Manager"),
                                                        QStringLiteral("ResolveDevice"));
  resolve << QVariantMap{{QStringLiteral("path"), QString::fromLocal8Bit(device)}} << QVariantMap{};
  const QDBusMessage found = bus.call(resolve, QDBus::Block, 10000);
  if (found.type() != QDBusMessage::ReplyMessage || found.arguments().isEmpty()) return UDisksAnswer::kNotManaged;
  const auto objects = qdbus_cast<QList<QDBusObjectPath>>(found.arguments().first());
  if (objects.isEmpty()) return UDisksAnswer::kNotManaged;

  QDBusMessage unmount = QDBusMessage::createMethodCall(service, objects.first().path(),
                                                        QStringLiteral("org.freedesktop.UDisks2.Filesystem"),
                                                        QStringLiteral("Unmount"));
  unmount << QVariantMap{};
  unmount.setInteractiveAuthorizationAllowed(true);
  // Long enough for the user to type a password.
  const QDBusMessage done = bus.call(unmount, QDBus::Block, 120000);
  if (done.type() == QDBusMessage::ReplyMessage) return UDisksAnswer::kUnmounted;
  if (done.errorName() == QLatin1String("org.freedesktop.DBus.Error.UnknownMethod") ||
      done.errorName() == QLatin1String("org.freedesktop.DBus.Error.UnknownInterface"))
    return UDisksAnswer::kNotManaged;
  return UDisksAnswer::kRefused;
}

}  // namespace

// Success means the volume is no longer mounted, whoever unmounted it.
bool DesktopPlatform::Unmount(const QString& path) {
  const QString folder = ExistingFolder(path);
  // A folder given with --volume that is not a mount point of its own is not
  // a device: nothing is mounted for it, so it is ejected as it stands.
  for (const QString& extra : extraVolumes_) {
    const QString root = QFileInfo(extra).canonicalFilePath();
    if (root.isEmpty() || (folder != root && !folder.startsWith(root + '/'))) continue;
    if (QStorageInfo(root).rootPath() != root) return true;
    break;
  }
  const QStorageInfo storage(folder);
  if (!storage.isValid() || storage.isRoot()) return false;
  const QString root = storage.rootPath();
  const QByteArray device = storage.device();

  switch (UnmountWithUDisks(device)) {
    case UDisksAnswer::kUnmounted:
      break;
    case UDisksAnswer::kRefused:
      return false;
    case UDisksAnswer::kNotManaged:
      // umount(8) also unmounts what the system lets users unmount.
      if (::umount(QFile::encodeName(root).constData()) != 0)
        QProcess::execute(QStringLiteral("umount"), {root});
      break;
  }
  return !IsMounted(root, device);
}

QString DesktopPlatform::ChooseFolder(QWidget* parent) { return QFileDialog::getExistingDirectory(parent); }

QString DesktopPlatform::SaveFileName(QWidget* parent, const QString& proposedName) {
  return QFileDialog::getSaveFileName(parent, QString(), QDir::home().filePath(proposedName));
}

void DesktopPlatform::MessageBox(QWidget* parent, const QString& text) {
  QMessageBox::information(parent, QString(), text);
}

std::unique_ptr<MediaPlayer> DesktopPlatform::NewMediaPlayer() { return std::make_unique<PreviewPlayer>(); }
