// SongCopier: copies song files off the iPod, for "Save file". It needs no
// widget, so the window runs it on a thread of its own behind a progress
// dialog, and the copy bench times the very same code.
//
// A copy is written so that a failure never costs the user a file: into a
// folder, a name that is taken gets the next free one ("ABCD 2.mp3") and an
// existing file is never opened; onto a chosen file (which the user agreed to
// replace), the copy is written beside it and renamed over it only once it is
// whole. A copy that fails or is cancelled leaves nothing behind.
#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <atomic>

struct CopyJob {
  QString source;  // absolute path of the song on the iPod
  // intoFolder: the folder to copy into under the source's own name;
  // otherwise the file to write, replacing any file of that name.
  QString target;
  bool intoFolder = true;
};

struct CopyOutcome {
  enum Result { kNotTried, kCopied, kFailed };
  Result result = kNotTried;
  QString copy;  // kCopied: the path written
  QString error;  // kFailed: why, in words for the user
};

// What a run did, for the message shown afterwards.
struct CopySummary {
  int copied = 0;
  int notTried = 0;  // left over by a cancel
  // File name and reason of each copy that failed, in job order.
  QList<std::pair<QString, QString>> failures;
};

class SongCopier : public QObject {
  Q_OBJECT
public:
  explicit SongCopier(QList<CopyJob> jobs);

  const QList<CopyJob>& Jobs() const { return jobs_; }
  // The total size of the sources that exist, in bytes.
  qint64 TotalBytes() const { return totalBytes_; }

  // Copies every job in order on the calling thread. After Cancel it stops
  // within one block and removes the partial copy.
  void Run();
  // Safe from any thread.
  void Cancel() { cancelled_ = true; }
  bool Cancelled() const { return cancelled_; }

  const QList<CopyOutcome>& Outcomes() const { return outcomes_; }
  CopySummary Summary() const;

  // "ABCD.mp3" numbered 2 is "ABCD 2.mp3"; the number goes before the last
  // extension, and a name without one (or a dot file) gets it at the end.
  static QString NumberedName(const QString& name, int number);

signals:
  // From the copying thread: bytes copied so far and the file being copied
  // (0-based). Sent at the start, at least every kProgressInterval ms while
  // data moves, and at the end.
  void progress(qint64 bytesDone, qint64 bytesTotal, int file);
  // From the copying thread, after each job, whatever its outcome.
  void fileDone(int file);

public:
  static constexpr int kProgressInterval = 100;
  // Bytes moved by one call, small enough that even a slow stick moves one
  // well within half a second, so progress keeps coming and Cancel is quick.
  static constexpr qint64 kBlockSize = 1 << 20;

private:
  CopyOutcome CopyOne(const CopyJob& job);
  // Moves size bytes from in to out; an empty string on success, else why.
  QString CopyData(int in, int out, qint64 size);
  void Report(bool force);

  const QList<CopyJob> jobs_;
  QList<CopyOutcome> outcomes_;
  qint64 totalBytes_ = 0;
  qint64 bytesDone_ = 0;
  int current_ = 0;
  QElapsedTimer sinceReport_;
  std::atomic<bool> cancelled_{false};
};

// The message after a copy of any number of rows other than one: the number
// copied followed by " files copied", then how many could not be copied and
// why, and what a cancel left out.
QString FolderCopyMessage(const CopySummary& summary);
