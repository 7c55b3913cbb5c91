#include "song_copier.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstring>
#include <vector>

namespace {

// Beyond this many numbered names the folder is not worth searching further.
constexpr int kMaxNumber = 10000;

QString Reason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

QByteArray Native(const QString& path) { return QFile::encodeName(path); }

// Opens a new file at path, never one that exists; -1 with errno set.
int CreateNew(const QString& path) {
  return ::open(Native(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}

}  // namespace

SongCopier::SongCopier(QList<CopyJob> jobs) : jobs_(std::move(jobs)) {}

QString SongCopier::NumberedName(const QString& name, int number) {
  const qsizetype dot = name.lastIndexOf('.');
  if (dot <= 0) return name + ' ' + QString::number(number);
  return name.left(dot) + ' ' + QString::number(number) + name.mid(dot);
}

void SongCopier::Run() {
  outcomes_ = QList<CopyOutcome>(jobs_.size());
  totalBytes_ = 0;
  for (const CopyJob& job : jobs_) {
    struct stat status {};
    if (::stat(Native(job.source).constData(), &status) == 0 && S_ISREG(status.st_mode))
      totalBytes_ += status.st_size;
  }
  bytesDone_ = 0;
  current_ = 0;
  sinceReport_.start();
  Report(true);
  for (current_ = 0; current_ < jobs_.size() && !cancelled_; ++current_) {
    outcomes_[current_] = CopyOne(jobs_[current_]);
    emit fileDone(current_);
  }
  Report(true);
}

void SongCopier::Report(bool force) {
  if (!force && sinceReport_.elapsed() < kProgressInterval) return;
  sinceReport_.restart();
  emit progress(bytesDone_, totalBytes_, std::min<int>(current_, jobs_.size() - 1));
}

CopyOutcome SongCopier::CopyOne(const CopyJob& job) {
  CopyOutcome outcome;
  auto fail = [&outcome](QString why) {
    outcome.result = CopyOutcome::kFailed;
    outcome.error = std::move(why);
    return outcome;
  };

  const int in = ::open(Native(job.source).constData(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return fail(errno == ENOENT ? QStringLiteral("it is no longer on the iPod") : Reason(errno));
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closeIn{in};
  struct stat status {};
  if (::fstat(in, &status) != 0) return fail(Reason(errno));
  if (!S_ISREG(status.st_mode)) return fail(QStringLiteral("it is not a file"));

  // Into a folder the copy goes straight to its final, free name; onto a
  // chosen file it goes to a hidden name beside it first.
  QString written;
  int out = -1;
  if (job.intoFolder) {
    const QString name = QFileInfo(job.source).fileName();
    const QDir folder(job.target);
    for (int number = 1; number <= kMaxNumber && out < 0; ++number) {
      written = folder.filePath(number == 1 ? name : NumberedName(name, number));
      out = CreateNew(written);
      if (out < 0 && errno != EEXIST) return fail(Reason(errno));
    }
    if (out < 0) return fail(QStringLiteral("every free name is taken"));
  } else {
    const QFileInfo target(job.target);
    while (out < 0) {
      written = target.dir().filePath(QStringLiteral(".%1.%2.part")
                                          .arg(target.fileName())
                                          .arg(QRandomGenerator::global()->generate(), 8, 16, QChar('0')));
      out = CreateNew(written);
      if (out < 0 && errno != EEXIST) return fail(Reason(errno));
    }
  }

  QString error = CopyData(in, out, status.st_size);
  if (::close(out) != 0 && error.isEmpty()) error = Reason(errno);
  // Read once: a cancel that comes after this point is too late for this file.
  const bool cancelled = cancelled_;
  if (error.isEmpty() && !cancelled && !job.intoFolder &&
      ::rename(Native(written).constData(), Native(job.target).constData()) != 0)
    error = Reason(errno);
  if (!error.isEmpty() || cancelled) {
    ::unlink(Native(written).constData());
    if (error.isEmpty()) return outcome;  // cancelled: not tried after all
    return fail(error);
  }
  outcome.result = CopyOutcome::kCopied;
  outcome.copy = job.intoFolder ? written : job.target;
  return outcome;
}

// The kernel copies the data itself where it can (sharing the blocks on
// filesystems that allow it); between filesystems that cannot, a plain read
// and write of one block at a time does.
QString SongCopier::CopyData(int in, int out, qint64 size) {
  ::posix_fadvise(in, 0, 0, POSIX_FADV_SEQUENTIAL);
  if (size > 0 && ::ioctl(out, FICLONE, in) == 0) {
    bytesDone_ += size;
    Report(false);
    return {};
  }
  bool kernelCopy = true;
  std::vector<char> buffer;
  while (!cancelled_) {
    ssize_t moved;
    if (kernelCopy) {
      moved = ::copy_file_range(in, nullptr, out, nullptr, kBlockSize, 0);
      if (moved < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP ||
                        errno == EBADF || errno == EPERM)) {
        kernelCopy = false;
        buffer.resize(kBlockSize);
        continue;
      }
    } else {
      moved = ::read(in, buffer.data(), buffer.size());
      for (ssize_t written = 0; moved > 0 && written < moved;) {
        const ssize_t part = ::write(out, buffer.data() + written, moved - written);
        if (part < 0 && errno == EINTR) continue;
        if (part < 0) return Reason(errno);
        written += part;
      }
    }
    if (moved < 0 && errno == EINTR) continue;
    if (moved < 0) return Reason(errno);
    if (moved == 0) return {};
    bytesDone_ += moved;
    Report(false);
  }
  return {};
}

CopySummary SongCopier::Summary() const {
  CopySummary summary;
  for (qsizetype i = 0; i < outcomes_.size(); ++i) {
    switch (outcomes_[i].result) {
      case CopyOutcome::kCopied:
        ++summary.copied;
        break;
      case CopyOutcome::kFailed:
        summary.failures.append({QFileInfo(jobs_[i].source).fileName(), outcomes_[i].error});
        break;
      case CopyOutcome::kNotTried:
        ++summary.notTried;
        break;
    }
  }
  return summary;
}

QString FolderCopyMessage(const CopySummary& summary) {
  // More reasons than this would make a box taller than the screen.
  constexpr int kListed = 10;
  QString text = QString::number(summary.copied) + " files copied";
  const qsizetype failed = summary.failures.size();
  if (failed) {
    text += QStringLiteral("\n\n%1 %2 could not be copied:").arg(failed).arg(failed == 1 ? "file" : "files");
    for (qsizetype i = 0; i < std::min<qsizetype>(failed, kListed); ++i)
      text += QStringLiteral("\n%1: %2").arg(summary.failures[i].first, summary.failures[i].second);
    if (failed > kListed) text += QStringLiteral("\nand %1 more").arg(failed - kListed);
  }
  if (summary.notTried)
    text += QStringLiteral("\n\nCancelled: %1 %2 not copied.")
                .arg(summary.notTried)
                .arg(summary.notTried == 1 ? "file was" : "files were");
  return text;
}
