// What the program needs from the desktop beyond Qt's widgets: the mounted
// volumes, unmounting, the folder chooser, the save dialog, the message box
// and a media player. The windows reach the desktop only through this
// interface, so tests drive them with a fake that answers in place of a
// person or a device (tests/app/fake_platform.h).
#pragma once

#include <QList>
#include <QString>
#include <memory>

class QWidget;

struct Volume {
  QString name;  // the label, else the last part of the root's path
  QString root;  // absolute path of the volume's root folder
};

// Plays one song file at a time.
class MediaPlayer {
public:
  virtual ~MediaPlayer() = default;
  // Attaches the song at path, replacing any other, stopped at its start. A
  // file that cannot be played leaves nothing to play.
  virtual void Load(const QString& path) = 0;
  virtual void Play() = 0;
  virtual void Stop() = 0;
  virtual void SetPosition(qint64 milliseconds) = 0;
  // Speed factor around 1.0; changes speed and pitch together and never
  // starts a stopped player.
  virtual void SetRate(double rate) = 0;
  // 0 to 256, 256 being full volume.
  virtual void SetVolume(int volume) = 0;
};

class Platform {
public:
  virtual ~Platform() = default;

  // Every volume to look at for an iPod, in a stable order.
  virtual QList<Volume> MountedVolumes() = 0;
  // Unmounts the volume that holds path; true when it is gone.
  virtual bool Unmount(const QString& path) = 0;
  // A folder the user picks, or an empty string when they cancel.
  virtual QString ChooseFolder(QWidget* parent) = 0;
  // A file name the user confirms, starting from proposedName, or an empty
  // string when they cancel.
  virtual QString SaveFileName(QWidget* parent, const QString& proposedName) = 0;
  // A modal message with one button.
  virtual void MessageBox(QWidget* parent, const QString& text) = 0;
  virtual std::unique_ptr<MediaPlayer> NewMediaPlayer() = 0;
};
