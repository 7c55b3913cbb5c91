// copy_bench [SONGS] [ROUNDS] [DIR]: builds a fake iPod of SONGS song files
// (default 500 of about 400 kB, 200 MB in all, made from the sample songs) and
// copies them all into an empty folder under DIR (default: the temporary
// folder), ROUNDS times (default 9) after a warm-up, from a warm cache:
//   - through "Save file" in the real main window, with every row selected,
//     which copies on its own thread behind the progress dialog;
//   - with one `cp` of the same files into the same kind of folder.
// The two alternate, each into a fresh folder after a sync, so neither pays
// for the other's writing. It also reports the longest time the progress
// dialog went without an update during each copy. Figures are medians over
// the rounds.
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTreeView>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app.h"
#include "fake_ipod.h"
#include "platform.h"
#include "song_copier.h"
#include "window1.h"

namespace {

int CountFiles(const QString& folder) { return QDir(folder).entryList(QDir::Files).size(); }

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const int songs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 500;
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 9;
  const QString outParent = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QDir::tempPath();

  QTemporaryDir ipod;
  QTemporaryDir config;
  qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
  // Songs of 300 to 500 kB: a sample, then its bytes again up to that size.
  auto sizeOf = [](int i) -> qsizetype { return 300 * 1024 + (i * 7919) % (200 * 1024); };
  const std::optional<QStringList> made = MakeFakeIpod(
      ipod.path(), songs, {"id3v2_3.mp3", "aac_mutagen.m4a", "id3v2_4.mp3", "aac_ffmpeg.m4a", "untagged.mp3"},
      sizeOf, "copy_bench");
  if (!made) return 1;
  const QStringList& paths = *made;
  qint64 totalBytes = 0;
  for (int i = 0; i < songs; ++i) totalBytes += sizeOf(i);
  std::printf("%d songs, %.1f MB, into %s, %d rounds after a warm-up, medians\n", songs, totalBytes / 1e6,
              qPrintable(outParent), rounds);

  BenchPlatform platform(ipod.path());
  App app(platform);
  app.Open();
  Window1& window = *app.MainWindow();
  window.show();
  window.PushButton1_Action();
  QEventLoop scanned;
  QObject::connect(&window, &Window1::scanFinished, &scanned, &QEventLoop::quit);
  window.PushButton2_Action();
  scanned.exec();
  if (window.Songs().rowCount() != songs) {
    std::fprintf(stderr, "copy_bench: the scan listed %d rows\n", window.Songs().rowCount());
    return 1;
  }
  window.ListBox1->selectAll();

  // The progress dialog's updates arrive as these signals do.
  QElapsedTimer sinceUpdate;
  double longestGap = 0;
  int updates = 0;
  QObject::connect(&window, &Window1::copyStarting, [&](SongCopier* copier) {
    QObject::connect(copier, &SongCopier::progress, &window, [&] {
      longestGap = std::max(longestGap, sinceUpdate.nsecsElapsed() / 1e6);
      sinceUpdate.restart();
      ++updates;
    });
  });

  auto timed = [](auto&& run) {
    ::sync();  // the previous round's writing is not this one's
    auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };

  std::vector<double> cpSeconds, saveSeconds, gaps;
  int minUpdates = 0;
  for (int round = 0; round <= rounds; ++round) {
    QTemporaryDir cpOut(outParent + "/copy_bench_cp-XXXXXX");
    QTemporaryDir saveOut(outParent + "/copy_bench_save-XXXXXX");
    const double cpTime = timed([&] {
      if (QProcess::execute("cp", QStringList{"--"} + paths + QStringList{cpOut.path()}) != 0)
        std::fprintf(stderr, "copy_bench: cp failed\n");
    });
    platform.folder = saveOut.path();
    longestGap = 0;
    updates = 0;
    const double saveTime = timed([&] {
      sinceUpdate.start();
      window.PushButton3_Action();
    });
    longestGap = std::max(longestGap, sinceUpdate.nsecsElapsed() / 1e6);  // to the end
    if (CountFiles(cpOut.path()) != songs || CountFiles(saveOut.path()) != songs ||
        platform.message != QString("%1 files copied").arg(songs))
      std::fprintf(stderr, "copy_bench: round %d copied %d with cp, %d with Save file (\"%s\")\n", round,
                   CountFiles(cpOut.path()), CountFiles(saveOut.path()), qPrintable(platform.message));
    if (!round) continue;  // warm-up
    cpSeconds.push_back(cpTime);
    saveSeconds.push_back(saveTime);
    gaps.push_back(longestGap);
    minUpdates = minUpdates ? std::min(minUpdates, updates) : updates;
  }

  const double cpTime = Median(cpSeconds);
  const double saveTime = Median(saveSeconds);
  std::printf("cp                  %8.1f ms  %7.0f MB/s\n", cpTime * 1e3, totalBytes / 1e6 / cpTime);
  std::printf("Save file           %8.1f ms  %7.0f MB/s  %.2f x cp\n", saveTime * 1e3,
              totalBytes / 1e6 / saveTime, saveTime / cpTime);
  std::printf("progress: longest gap between updates %.1f ms (worst %.1f), at least %d updates per copy\n",
              Median(gaps), *std::max_element(gaps.begin(), gaps.end()), minUpdates);
  return 0;
}
