#include "app.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

#include "about_window.h"
#include "easy_prefs.h"
#include "http.h"
#include "platform.h"
#include "songhaul_config.h"
#include "window1.h"

namespace {
App* theApp = nullptr;
}

App::App(Platform& platform)
    : UpdateHost(QString::fromUtf8(config::kUpdateHost)), platform_(platform) {
  theApp = this;
  connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, &App::Close);
}

App::~App() {
  window_.reset();
  if (theApp == this) theApp = nullptr;
}

App* App::instance() { return theApp; }

void App::Open() {
  EasyPrefs::InitPrefFile("Songhaul");
  lbsDetail = EasyPrefs::GetPrefBoolean("cbDetail", false);
}

void App::Close() {
  if (closed_) return;
  closed_ = true;
  if (window_) window_->StopScan();
  EasyPrefs::WritePrefsFile();
}

void App::Quit() {
  Close();
  QCoreApplication::quit();
}

bool App::lockbuttons() {
  for (QWidget* control : MainWindow()->LockGroup()) control->setEnabled(false);
  return false;
}

bool App::unlockbuttons() {
  for (QWidget* control : MainWindow()->LockGroup()) control->setEnabled(true);
  return false;
}

bool App::About_Action() {
  AboutWindow::Instance()->Show(false);
  return false;
}

bool App::AppleCheckforupdates_Action() {
  // The check deletes itself once answered; its message goes to a box of
  // the main window.
  auto* check = new http(this);
  connect(check, &http::UpdateMessage, this,
          [this](const QString& text) { platform_.MessageBox(MainWindow(), text); });
  check->CheckForUpdate(UpdateHost);
  return false;
}

// Preferences: the one preferences window, made hidden on first use and
// shown here.
bool App::prefs_Action() {
  if (!wpref_) wpref_ = new wpref(lbsDetail, [this] { MainWindow()->ApplyColumnLayout(); }, MainWindow());
  wpref_->show();
  wpref_->raise();
  wpref_->activateWindow();
  return false;
}

QMenuBar* App::Menu() {
  if (!menu_) menu_ = BuildMenu();
  return menu_;
}

// One menu, "Songhaul", holding the program's three commands and Quit. The
// roles let a desktop with an application menu move the items there.
QMenuBar* App::BuildMenu() {
  auto* bar = new QMenuBar;
  bar->setObjectName("Menu");
  QMenu* sd = bar->addMenu("Songhaul");
  sd->setObjectName("sd");

  QAction* prefs = sd->addAction("Preferences");
  prefs->setObjectName("prefs");
  prefs->setMenuRole(QAction::PreferencesRole);
  connect(prefs, &QAction::triggered, this, &App::prefs_Action);

  sd->addSeparator();

  QAction* about = sd->addAction("About");
  about->setObjectName("About");
  about->setMenuRole(QAction::AboutRole);
  connect(about, &QAction::triggered, this, &App::About_Action);

  QAction* update = sd->addAction("Check for update");
  update->setObjectName("AppleCheckforupdates");
  update->setMenuRole(QAction::ApplicationSpecificRole);
  connect(update, &QAction::triggered, this, &App::AppleCheckforupdates_Action);

  sd->addSeparator();

  QAction* quit = sd->addAction("Quit");
  quit->setObjectName("quit");
  quit->setMenuRole(QAction::QuitRole);
  quit->setShortcut(QKeySequence::Quit);
  connect(quit, &QAction::triggered, this, &App::Quit);
  return bar;
}

Window1* App::MainWindow() {
  if (!window_) window_ = std::make_unique<Window1>(*this);
  return window_.get();
}
