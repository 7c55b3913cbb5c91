#include "desktop_platform.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QStorageInfo>

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

bool DesktopPlatform::Unmount(const QString& path) {
  QString folder = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
  // A folder given with --volume is not a device: there is nothing to unmount.
  for (const QString& extra : extraVolumes_) {
    if (folder != extra && !folder.startsWith(extra + '/')) continue;
    if (QStorageInfo(extra).rootPath() != extra) return true;
    break;
  }
  QStorageInfo storage(folder);
  if (!storage.isValid() || storage.isRoot()) return false;
  // udisks lets an ordinary user unmount a removable disk; umount needs root.
  if (QProcess::execute("udisksctl",
                        {"unmount", "--block-device", QString::fromLocal8Bit(storage.device())}) == 0)
    return true;
  return QProcess::execute("umount", {storage.rootPath()}) == 0;
}

QString DesktopPlatform::ChooseFolder(QWidget* parent) { return QFileDialog::getExistingDirectory(parent); }

QString DesktopPlatform::SaveFileName(QWidget* parent, const QString& proposedName) {
  return QFileDialog::getSaveFileName(parent, QString(), QDir::home().filePath(proposedName));
}

void DesktopPlatform::MessageBox(QWidget* parent, const QString& text) {
  QMessageBox::information(parent, QString(), text);
}

std::unique_ptr<MediaPlayer> DesktopPlatform::NewMediaPlayer() {
  // The preview player comes with the song details drawer.
  return nullptr;
}
