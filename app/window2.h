// Window2: the iPod information drawer, showing the iPod's SysInfo text. It
// opens along the bottom edge of the main window, which grows by the
// drawer's height so that its own controls keep their size and place, and it
// moves with the window. It lives inside the main window rather than as a
// window of its own, so it works where a program cannot place its windows
// (Wayland) as well as on X11. One shared instance, created on first
// reference; closing it destroys it.
#pragma once

#include <QDockWidget>

class QMainWindow;
class QPlainTextEdit;

class Window2 : public QDockWidget {
  Q_OBJECT
public:
  // The shared instance, created hidden on first reference.
  static Window2* Shared(QMainWindow* parent);
  // The shared instance if there is one, else nullptr.
  static Window2* Existing();

  // Slides the drawer out below the parent window.
  void ShowDrawer();

  QPlainTextEdit* EditField1;

  static constexpr int kContentWidth = 354;
  static constexpr int kContentHeight = 225;

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  explicit Window2(QMainWindow* parent);

  QMainWindow* const main_;
  int grownBy_ = 0;  // how much taller the main window became for the drawer
};
