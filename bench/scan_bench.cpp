// scan_bench [SONGS] [ROUNDS]: builds a fake iPod of SONGS song files (default
// 10,000; MP3 and AAC mixed, copies of the sample songs spread over 50 song
// folders) in a temporary folder and times Find Songs in the real main window
// until the list is sorted, ROUNDS times (default 5) each after a warm-up, from
// a warm cache:
//   - without details, against `find` listing the same folders;
//   - with details, against TagLib reading the same files (when built with
//     libtag1-dev), as files per second.
// It also reports the longest time the event loop went without running during
// each scan, measured by a 1 ms timer. Figures are medians over the rounds.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app.h"
#include "fake_ipod.h"
#include "platform.h"
#include "window1.h"

#ifdef SONGHAUL_BENCH_TAGLIB
#include <taglib/fileref.h>
#include <taglib/tag.h>
#endif

namespace {

struct ScanFigures {
  double seconds;
  double longestStallMs;
};

ScanFigures TimeScan(Window1& window) {
  QElapsedTimer sinceTick;
  double longest = 0;
  QTimer ticker;
  ticker.setTimerType(Qt::PreciseTimer);
  ticker.setInterval(1);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    longest = std::max(longest, sinceTick.nsecsElapsed() / 1e6);
    sinceTick.restart();
  });
  QEventLoop loop;
  QObject::connect(&window, &Window1::scanFinished, &loop, &QEventLoop::quit);

  auto start = std::chrono::steady_clock::now();
  window.PushButton2_Action();
  sinceTick.start();
  ticker.start();
  loop.exec();
  std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  ticker.stop();
  // The gap between the last tick and the end counts as well.
  longest = std::max(longest, sinceTick.nsecsElapsed() / 1e6);
  return {elapsed.count(), longest};
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const int songs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

  QTemporaryDir ipod;
  QTemporaryDir config;
  qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
  const std::optional<QStringList> made = MakeFakeIpod(
      ipod.path(), songs,
      {"id3v2_3.mp3", "aac_mutagen.m4a", "id3v2_4.mp3", "aac_ffmpeg.m4a", "id3v1_1.mp3", "untagged.mp3"},
      [](int) { return qsizetype{0}; }, "scan_bench");
  if (!made) return 1;
  const QString music = ipod.filePath("iPod_Control/Music");
  std::vector<std::string> paths;
  for (const QString& path : *made) paths.push_back(path.toStdString());
  std::printf("%d songs in %d folders, %d rounds, medians\n", songs, std::min(songs, 50), rounds);

  // find: list the same folders, from a warm cache.
  const std::string find = "find '" + music.toStdString() + "' -mindepth 2 -maxdepth 2 > /dev/null";
  std::vector<double> findSeconds;
  for (int round = 0; round <= rounds; ++round) {
    auto start = std::chrono::steady_clock::now();
    if (std::system(find.c_str()) != 0) std::fprintf(stderr, "scan_bench: find failed\n");
    std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (round) findSeconds.push_back(elapsed.count());
  }

  BenchPlatform platform(ipod.path());
  App app(platform);
  app.Open();
  Window1& window = *app.MainWindow();
  window.show();
  window.PushButton1_Action();

  auto measure = [&](bool details, std::vector<double>& seconds, std::vector<double>& stalls) {
    app.lbsDetail = details;
    window.ApplyColumnLayout();
    for (int round = 0; round <= rounds; ++round) {
      ScanFigures figures = TimeScan(window);
      if (window.Songs().rowCount() != songs)
        std::fprintf(stderr, "scan_bench: listed %d rows\n", window.Songs().rowCount());
      if (!round) continue;  // warm-up
      seconds.push_back(figures.seconds);
      stalls.push_back(figures.longestStallMs);
    }
  };
  std::vector<double> plainSeconds, plainStalls, detailSeconds, detailStalls;
  measure(false, plainSeconds, plainStalls);
  measure(true, detailSeconds, detailStalls);

  const double findTime = Median(findSeconds);
  const double plainTime = Median(plainSeconds);
  const double detailTime = Median(detailSeconds);
  std::printf("find listing            %8.1f ms\n", findTime * 1e3);
  std::printf("scan, no details        %8.1f ms   %.2f x find   longest stall %.1f ms (worst %.1f)\n",
              plainTime * 1e3, plainTime / findTime, Median(plainStalls),
              *std::max_element(plainStalls.begin(), plainStalls.end()));
  std::printf("scan, details           %8.0f files/s   longest stall %.1f ms (worst %.1f)\n",
              songs / detailTime, Median(detailStalls),
              *std::max_element(detailStalls.begin(), detailStalls.end()));

#ifdef SONGHAUL_BENCH_TAGLIB
  volatile size_t sink = 0;
  std::vector<double> taglibSeconds;
  for (int round = 0; round <= rounds; ++round) {
    auto start = std::chrono::steady_clock::now();
    for (const std::string& path : paths) {
      TagLib::FileRef ref(path.c_str(), true, TagLib::AudioProperties::Average);
      if (!ref.isNull() && ref.tag()) sink = sink + ref.tag()->artist().size() + ref.tag()->title().size();
    }
    std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (round) taglibSeconds.push_back(elapsed.count());
  }
  const double taglibTime = Median(taglibSeconds);
  std::printf("TagLib reading the files %7.0f files/s\n", songs / taglibTime);
  std::printf("scan with details / TagLib, files per second: %.2f\n", taglibTime / detailTime);
#else
  std::printf("(built without TagLib: install libtag1-dev for the comparison)\n");
#endif
  return 0;
}
