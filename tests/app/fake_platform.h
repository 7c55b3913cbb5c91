// A platform that answers from fields the test sets, and records what the
// program asked of it.
#pragma once

#include <QStringList>

#include "platform.h"

class FakeMediaPlayer : public MediaPlayer {
public:
  QString loaded;
  bool playing = false;
  qint64 position = 0;
  double rate = 1.0;
  int volume = -1;

  void Load(const QString& path) override { loaded = path, playing = false, position = 0; }
  void Play() override { playing = !loaded.isEmpty(); }
  void Stop() override { playing = false; }
  void SetPosition(qint64 milliseconds) override { position = milliseconds; }
  void SetRate(double value) override { rate = value; }
  void SetVolume(int value) override { volume = value; }
};

class FakePlatform : public Platform {
public:
  QList<Volume> volumes;
  bool unmountSucceeds = true;
  QStringList unmounted;
  QString chosenFolder;  // empty: the user cancels
  QString savedFileName;  // empty: the user cancels
  QStringList proposedNames;
  QStringList messages;
  FakeMediaPlayer* lastPlayer = nullptr;

  QList<Volume> MountedVolumes() override { return volumes; }
  bool Unmount(const QString& path) override {
    unmounted.append(path);
    return unmountSucceeds;
  }
  QString ChooseFolder(QWidget*) override { return chosenFolder; }
  QString SaveFileName(QWidget*, const QString& proposedName) override {
    proposedNames.append(proposedName);
    return savedFileName;
  }
  void MessageBox(QWidget*, const QString& text) override { messages.append(text); }
  std::unique_ptr<MediaPlayer> NewMediaPlayer() override {
    auto player = std::make_unique<FakeMediaPlayer>();
    lastPlayer = player.get();
    return player;
  }
};
