#include "ipod_thread.h"

#include <QCollator>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <filesystem>
#include <memory>

#include "audio_tag.h"

namespace {

// A batch goes out when it is this large or this old, whichever comes first:
// large enough that the list is not redrawn for every row, small enough that
// adding one never holds up the event loop.
constexpr qsizetype kBatchRows = 1000;
constexpr qint64 kBatchMilliseconds = 30;

QString NameOf(const std::filesystem::path& path) {
  return QFile::decodeName(path.filename().native().c_str());
}

}  // namespace

iPodThread::iPodThread(Window1* caller, QString musicFolder, const std::atomic<bool>& details)
    : caller(caller), musicFolder_(std::move(musicFolder)), details_(details) {}

void iPodThread::Run() {
  namespace fs = std::filesystem;
  // Folders are listed first and their items after; a scan that starts with
  // the flag off reads no tags even if the flag is turned on meanwhile.
  QList<fs::path> songFolders;
  std::unique_ptr<AudioTagX> tag;
  if (details_.load()) tag = std::make_unique<AudioTagX>();
  QCollator collator = FileNameCollator();

  QList<SongRow> batch;
  QElapsedTimer sinceBatch;
  sinceBatch.start();
  auto sendBatch = [&] {
    if (!batch.isEmpty()) emit rowsFound(batch);
    batch.clear();
    sinceBatch.restart();
  };

  std::error_code error;
  const fs::path music(QFile::encodeName(musicFolder_).toStdString());
  for (fs::directory_iterator item(music, error), end; !error && item != end; item.increment(error)) {
    std::error_code typeError;
    if (item->is_directory(typeError)) songFolders.append(item->path());
  }

  for (const fs::path& folder : songFolders) {
    for (fs::directory_iterator item(folder, error), end; !error && item != end; item.increment(error)) {
      if (isInterruptionRequested()) return;
      QString name = NameOf(item->path());
      if (name.compare(QLatin1String(".DS_Store"), Qt::CaseInsensitive) == 0) continue;
      SongRow row;
      row.name = name;
      row.path = QDir::toNativeSeparators(QFile::decodeName(item->path().native().c_str()));
      if (tag && details_.load()) {
        // Read empties the record first, so a file it cannot read gets empty
        // cells rather than the previous file's.
        tag->Read(item->path().native());
        row.artist = QString::fromStdString(tag->Artist);
        row.title = QString::fromStdString(tag->Title);
      }
      row.sortKey = FileNameKey(collator, name);
      batch.append(std::move(row));
      emit itemListed(name);
      if (batch.size() >= kBatchRows || sinceBatch.elapsed() >= kBatchMilliseconds) sendBatch();
    }
    error.clear();
  }
  sendBatch();
  emit scanDone();
}
