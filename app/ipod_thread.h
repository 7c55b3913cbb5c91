// iPodThread: the song scan. It lists every item of the song folders of one
// iPod ("iPod_Control/Music/<folder>/<item>") and, while the details flag is
// set, reads each file's artist and title. It runs on its own thread and
// never touches a widget: rows reach the main window in batches through
// queued signals, so the window stays responsive and the tag reading stays
// off the user-interface thread.
#pragma once

#include <QList>
#include <QString>
#include <QThread>
#include <atomic>

#include "song_list.h"

class Window1;

class iPodThread : public QThread {
  Q_OBJECT
public:
  // musicFolder: the iPod's "iPod_Control/Music"; details: the application's
  // details flag, read once at the start and again for every file.
  iPodThread(Window1* caller, QString musicFolder, const std::atomic<bool>& details);

  Window1* const caller;

  void Run();

signals:
  // Rows in the order they were listed, a batch at a time.
  void rowsFound(const QList<SongRow>& rows);
  // After each item, on the scanning thread: lets a test act at a known point.
  void itemListed(const QString& name);
  // The last signal of a scan that ran to its end.
  void scanDone();

protected:
  void run() override { Run(); }

private:
  const QString musicFolder_;
  const std::atomic<bool>& details_;
};
