#include "window2.h"

#include <QCloseEvent>
#include <QLayout>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPointer>
#include <algorithm>

namespace {
QPointer<Window2> shared;
}

Window2* Window2::Shared(QMainWindow* parent) {
  if (!shared) shared = new Window2(parent);
  return shared;
}

Window2* Window2::Existing() { return shared; }

Window2::Window2(QMainWindow* parent) : QDockWidget(parent), main_(parent) {
  setObjectName("Window2");
  setAttribute(Qt::WA_DeleteOnClose);
  // A drawer has no title bar and cannot be torn off or moved.
  setTitleBarWidget(new QWidget(this));
  setFeatures(QDockWidget::NoDockWidgetFeatures);
  setAllowedAreas(Qt::BottomDockWidgetArea);
  hide();

  auto* content = new QWidget(this);
  content->setObjectName("content");
  content->setMinimumSize(kContentWidth, kContentHeight);
  // A drawer is as tall as its content; the text area fills it.
  content->setMaximumHeight(kContentHeight);
  setWidget(content);

  EditField1 = new QPlainTextEdit(content);
  EditField1->setObjectName("EditField1");
  QFont font = EditField1->font();
  font.setPointSize(12);
  EditField1->setFont(font);
  QPalette white = EditField1->palette();
  white.setColor(QPalette::Base, Qt::white);
  white.setColor(QPalette::Text, Qt::black);
  EditField1->setPalette(white);
  // The text is the iPod's own file: it can be read and copied from, but
  // typing in it would suggest the iPod changes.
  EditField1->setReadOnly(true);
  EditField1->setGeometry(20, -1, 320, kContentHeight + 1);
}

void Window2::ShowDrawer() {
  if (isVisible()) return;
  const int before = main_->centralWidget()->height();
  main_->addDockWidget(Qt::BottomDockWidgetArea, this);
  show();
  // A maximised or full-screen window cannot grow; the drawer takes its room
  // from the song list then.
  if (main_->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) return;
  // Laid out at once, to see how much room the drawer took.
  main_->layout()->activate();
  grownBy_ = std::max(0, before - main_->centralWidget()->height());
  main_->resize(main_->width(), main_->height() + grownBy_);
}

void Window2::closeEvent(QCloseEvent* event) {
  QDockWidget::closeEvent(event);
  if (!event->isAccepted()) return;
  // Gone for the program at once, even before Qt deletes it.
  if (shared == this) shared = nullptr;
  main_->removeDockWidget(this);
  if (grownBy_ && !(main_->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
    main_->resize(main_->width(), main_->height() - grownBy_);
  grownBy_ = 0;
}

