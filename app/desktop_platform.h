// The platform of a Linux desktop: volumes from QStorageInfo plus the folders
// given with --volume, Qt's standard dialogs and Qt Multimedia's player.
#pragma once

#include <QStringList>

#include "platform.h"

class DesktopPlatform : public Platform {
public:
  // extraVolumes: folders to treat as mounted volumes, ahead of the real ones.
  explicit DesktopPlatform(QStringList extraVolumes = {});

  QList<Volume> MountedVolumes() override;
  bool Unmount(const QString& path) override;
  QString ChooseFolder(QWidget* parent) override;
  QString SaveFileName(QWidget* parent, const QString& proposedName) override;
  void MessageBox(QWidget* parent, const QString& text) override;
  std::unique_ptr<MediaPlayer> NewMediaPlayer() override;

  // A volume's name: its label, else the last part of its root's path.
  static QString VolumeName(const QString& label, const QString& root);

private:
  QStringList extraVolumes_;
};
