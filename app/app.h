// App: the application object. It holds the details flag, builds the menu
// bar, owns the main window, and loads and writes the preference file at
// start and quit.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <atomic>
#include <memory>

#include "wpref.h"

class Platform;
class QMenuBar;
class Window1;

class App : public QObject {
  Q_OBJECT
public:
  explicit App(Platform& platform);
  ~App() override;

  // The one application object, or nullptr before it is made.
  static App* instance();

  // The details flag: the song scan reads each file's artist and title, and
  // the list shows those columns. The scan thread reads it while the
  // preferences window may change it.
  std::atomic<bool> lbsDetail{false};

  // Start-up: loads the preference file; call before the main window exists.
  void Open();
  // Quit: stops a running scan and rewrites the preference file. Runs once,
  // however the program ends.
  void Close();
  // Close, then leave the event loop.
  void Quit();

  bool lockbuttons();
  bool unlockbuttons();

  // Menu commands. The about box, the update check and the preferences
  // window connect here.
  bool About_Action();
  bool AppleCheckforupdates_Action();
  bool prefs_Action();

  // The menu bar, built on first use.
  QMenuBar* Menu();
  // The main window, created on first reference.
  Window1* MainWindow();
  // The preferences window while it exists (shown or hidden), else nullptr.
  wpref* ExistingPrefsWindow() const { return wpref_; }

  Platform& platform() { return platform_; }

  // Where "Check for update" asks for the version file (host or host:port).
  QString UpdateHost;

private:
  QMenuBar* BuildMenu();

  Platform& platform_;
  QPointer<QMenuBar> menu_;
  std::unique_ptr<Window1> window_;
  QPointer<wpref> wpref_;
  bool closed_ = false;
};
