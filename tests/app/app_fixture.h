// A fresh application for each test: an empty configuration folder, a fake
// platform, the real App and main window under the offscreen platform.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <memory>
#include <ostream>

#include "app.h"
#include "easy_prefs.h"
#include "fake_platform.h"
#include "window1.h"

// Lets test failures show text rather than bytes.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

inline QString TestData(const char* name) { return QStringLiteral(SONGHAUL_TEST_DATA "/") + name; }

class AppTest : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(config_.isValid());
    ASSERT_TRUE(disks_.isValid());
    savedConfig_ = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config_.path().toLocal8Bit());
    EasyPrefs::ResetPrefs();
  }
  void TearDown() override {
    app_.reset();
    EasyPrefs::ResetPrefs();
    qputenv("XDG_CONFIG_HOME", savedConfig_);
  }

  // Starts the program as main does, after any preference file the test wrote.
  void Start() {
    app_ = std::make_unique<App>(platform_);
    app_->Open();
    window_ = app_->MainWindow();
    window_->show();
  }

  QString PrefPath() const { return config_.filePath("Songhaul"); }
  void WritePrefs(const QByteArray& content) {
    QFile file(PrefPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
  }
  QByteArray ReadPrefs() const {
    QFile file(PrefPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
  }

  // A folder standing for a mounted volume, named name, with optional files
  // given by relative path; a path ending in '/' is a folder, a source of ""
  // an empty file.
  QString MakeVolume(const QString& name, const QList<std::pair<QString, QString>>& items = {}) {
    QString root = disks_.filePath(name);
    QDir().mkpath(root);
    for (const auto& [path, source] : items) {
      QString target = QDir(root).filePath(path);
      if (path.endsWith('/')) {
        QDir().mkpath(target);
        continue;
      }
      QDir().mkpath(QFileInfo(target).absolutePath());
      if (source.isEmpty()) {
        QFile file(target);
        file.open(QIODevice::WriteOnly);
      } else {
        QFile::copy(source, target);
      }
    }
    platform_.volumes.append({name, root});
    return root;
  }

  FakePlatform platform_;
  std::unique_ptr<App> app_;
  Window1* window_ = nullptr;
  QTemporaryDir config_;
  QTemporaryDir disks_;
  QByteArray savedConfig_;
};
