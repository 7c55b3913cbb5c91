// What the benches share: the fake iPod they scan and copy from (songs made
// from the sample songs in turn, in 50 folders under iPod_Control/Music, as
// an iPod spreads its songs), a platform that shows it as the one volume,
// and the median of their rounds.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform.h"

// sizeOf gives song i's size in bytes: the sample's bytes repeated and cut
// to that size, or the sample as it is for 0. The paths of the songs, or
// nothing after saying on standard error what could not be done.
inline std::optional<QStringList> MakeFakeIpod(const QString& root, int count,
                                               const std::vector<const char*>& samples,
                                               const std::function<qsizetype(int)>& sizeOf,
                                               const char* bench) {
  std::vector<QByteArray> contents;
  for (const char* sample : samples) {
    QFile file(QStringLiteral(SONGHAUL_TEST_DATA "/") + sample);
    if (!file.open(QIODevice::ReadOnly)) {
      std::fprintf(stderr, "%s: cannot read the sample %s\n", bench, sample);
      return std::nullopt;
    }
    contents.push_back(file.readAll());
  }
  const QString music = QDir(root).filePath("iPod_Control/Music");
  QStringList paths;
  for (int i = 0; i < count; ++i) {
    QString folder = QString("%1/F%2").arg(music).arg(i % 50, 2, 10, QChar('0'));
    QDir().mkpath(folder);
    const size_t kind = static_cast<size_t>(i) % contents.size();
    QByteArray bytes = contents[kind];
    if (const qsizetype size = sizeOf(i); size > 0) {
      while (bytes.size() < size) bytes += contents[kind];
      bytes.truncate(size);
    }
    QString path = QString("%1/S%2%3")
                       .arg(folder)
                       .arg(i, 5, 10, QChar('0'))
                       .arg(QString(samples[kind]).endsWith(".m4a") ? ".m4a" : ".mp3");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
      std::fprintf(stderr, "%s: cannot write %s\n", bench, qPrintable(path));
      return std::nullopt;
    }
    paths.append(path);
  }
  return paths;
}

// Plays nothing: selecting rows opens the details drawer's player.
class SilentPlayer : public MediaPlayer {
public:
  void Load(const QString&) override {}
  void Play() override {}
  void Stop() override {}
  void SetPosition(qint64) override {}
  void SetRate(double) override {}
  void SetVolume(int) override {}
};

// The one volume; the folder chooser answers with folder, and the last
// message is kept.
class BenchPlatform : public Platform {
public:
  explicit BenchPlatform(QString root) : root_(std::move(root)) {}
  QString folder;
  QString message;
  QList<Volume> MountedVolumes() override { return {{"BENCH", root_}}; }
  bool Unmount(const QString&) override { return false; }
  QString ChooseFolder(QWidget*) override { return folder; }
  QString SaveFileName(QWidget*, const QString&) override { return {}; }
  void MessageBox(QWidget*, const QString& text) override { message = text; }
  std::unique_ptr<MediaPlayer> NewMediaPlayer() override { return std::make_unique<SilentPlayer>(); }

private:
  QString root_;
};

inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}
