// songhaul [--volume DIR]...: the desktop program. Each --volume names a
// folder to look at for an iPod besides the mounted volumes, such as an iPod
// mounted in an unusual place or a copy of one on disk.
#include <QApplication>
#include <QCommandLineParser>

#include "app.h"
#include "desktop_platform.h"
#include "window1.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName("Songhaul");
  QApplication::setApplicationVersion("1.1.2");
  QApplication::setDesktopFileName("songhaul");

  QCommandLineParser options;
  options.setApplicationDescription("Gets your songs off an iPod.");
  options.addHelpOption();
  options.addVersionOption();
  QCommandLineOption volume("volume", "Also look for an iPod in DIR (repeatable).", "DIR");
  options.addOption(volume);
  options.process(application);

  DesktopPlatform platform(options.values(volume));
  App app(platform);
  app.Open();
  app.MainWindow()->show();
  int status = QApplication::exec();
  app.Close();
  return status;
}
