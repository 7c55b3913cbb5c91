#include "easy_prefs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

namespace EasyPrefs {
namespace {

// Parallel lists; index 0 of each is an unused slot, entries start at 1.
QString prefFile;
QStringList prefNames{QString()};
QStringList prefItems{QString()};

QString ConfigFolder() {
  QString folder = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (folder.isEmpty() || !QDir::isAbsolutePath(folder)) folder = QDir::homePath() + "/.config";
  return folder;
}

// Index of the first entry whose key equals key, letter case ignored; 0 if none.
qsizetype FindKey(const QString& key) {
  for (qsizetype i = 1; i < prefNames.size(); ++i)
    if (prefNames[i].compare(key, Qt::CaseInsensitive) == 0) return i;
  return 0;
}

// Splits the file's text into lines. The writer ends every line with a line
// feed; a carriage return before it (a file edited elsewhere) is dropped.
QStringList Lines(const QByteArray& content) {
  QStringList lines;
  qsizetype start = 0;
  while (start < content.size()) {
    qsizetype end = content.indexOf('\n', start);
    if (end < 0) end = content.size();
    qsizetype lineEnd = end;
    if (lineEnd > start && content[lineEnd - 1] == '\r') --lineEnd;
    lines.append(QString::fromUtf8(content.mid(start, lineEnd - start)));
    start = end + 1;
  }
  return lines;
}

}  // namespace

void InitPrefFile(const QString& name) {
  QDir folder(ConfigFolder());
  prefFile = folder.filePath(name);
  QFile file(prefFile);
  if (file.exists()) {
    if (!file.open(QIODevice::ReadOnly)) return;
    QStringList lines = Lines(file.readAll());
    // The end is tested only before a key: a last key without a value line
    // gets an empty value.
    for (qsizetype i = 0; i < lines.size(); i += 2) {
      prefNames.append(lines[i]);
      prefItems.append(i + 1 < lines.size() ? lines[i + 1] : QString());
    }
    return;
  }
  folder.mkpath(".");
  if (file.open(QIODevice::WriteOnly)) file.close();
}

QString GetPrefString(const QString& key, const QString& defaultValue) {
  qsizetype i = FindKey(key);
  return i ? prefItems[i] : defaultValue;
}

bool GetPrefBoolean(const QString& key, bool defaultValue) {
  QString value = GetPrefString(key, defaultValue ? "true" : "false");
  return value.compare("true", Qt::CaseInsensitive) == 0;
}

void SetPrefString(const QString& key, const QString& value) {
  if (qsizetype i = FindKey(key)) {
    prefItems[i] = value;
    return;
  }
  prefNames.append(key);
  prefItems.append(value);
}

void SetPrefBoolean(const QString& key, bool value) { SetPrefString(key, value ? "true" : "false"); }

void WritePrefsFile() {
  if (prefFile.isEmpty()) return;
  QByteArray content;
  for (qsizetype i = 1; i < prefNames.size(); ++i) {
    content += prefNames[i].toUtf8() + '\n';
    content += prefItems[i].toUtf8() + '\n';
  }
  QDir().mkpath(QFileInfo(prefFile).absolutePath());
  // QSaveFile writes a temporary file beside the old one, flushes it to the
  // disk and renames it over the old one on commit.
  QSaveFile file(prefFile);
  if (!file.open(QIODevice::WriteOnly)) return;
  file.write(content);
  file.commit();
}

QString PrefFilePath() { return prefFile; }

void ResetPrefs() {
  prefFile.clear();
  prefNames = QStringList{QString()};
  prefItems = QStringList{QString()};
}

}  // namespace EasyPrefs
