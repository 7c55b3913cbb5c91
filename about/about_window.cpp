#include "about_window.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QTextCursor>

#include "pictures.h"
#include "credits_markup.h"
#include "sa_edit_field.h"
#include "songhaul_config.h"

namespace {

constexpr int kWidth = 284;
constexpr int kHeightWithoutCredits = 178;
constexpr int kHeightWithCredits = 326;
constexpr int kCopyrightTopWithoutCredits = 132;
constexpr int kCopyrightTopWithCredits = 280;

// Text sizes are in pixels, to fit the window's pixel layout.
QFont SystemFont(int pixelSize, bool bold = false) {
  QFont font;
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  return font;
}

QLabel* CentredLabel(const QString& placeholder, const QFont& font, QWidget* parent) {
  auto* label = new QLabel(placeholder, parent);
  label->setFont(font);
  label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  return label;
}

}  // namespace

const QString AboutWindow::kCopyright = QStringLiteral(
    "Copyright \u00A9 2026 the Songhaul team.\n"
    "iPod picture drawn by the Songhaul team.\n"
    "All rights reserved.");

const QString AboutWindow::kCredits = QStringLiteral(
    "<b>Engineering:</b>\n"
    "      the Songhaul team\n"
    "       \n"
    "<b><i>With special thanks to:</i></b>\n"
    "      everyone who tested Songhaul\n"
    "\n"
    "<b>Disclaimer:</b>\n"
    "<font size=\"10\">SONGHAUL IS PROVIDED AS IS, WITHOUT WARRANTY OF ANY KIND, EXPRESS OR "
    "IMPLIED, INCLUDING THE WARRANTIES OF MERCHANTABILITY AND FITNESS FOR A PARTICULAR "
    "PURPOSE. THE SONGHAUL TEAM AND THE OTHER COPYRIGHT HOLDERS ARE NOT LIABLE FOR ANY "
    "DAMAGES, DIRECT OR INDIRECT, THAT ARISE FROM THE USE OF THIS SOFTWARE OR FROM BEING "
    "UNABLE TO USE IT, INCLUDING LOST OR DAMAGED SONGS AND FILES.</font>");

AboutWindow* AboutWindow::Instance() {
  static QPointer<AboutWindow> window;
  if (window.isNull()) window = new AboutWindow;
  return window;
}

AboutWindow::AboutWindow(QWidget* parent) : QDialog(parent) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QString());
  resize(kWidth, kHeightWithoutCredits);

  AppIconCanvas = new QWidget(this);
  AppIconCanvas->setGeometry(110, 10, 64, 64);
  AppIconCanvas->installEventFilter(this);

  StatAppName = CentredLabel(QStringLiteral("kAppName"), SystemFont(14, true), this);
  StatAppName->setGeometry(20, 86, 244, 16);
  StatAppVersion = CentredLabel(QStringLiteral("kAppVersion"), SystemFont(10), this);
  StatAppVersion->setGeometry(20, 112, 244, 12);

  // Kept inside the window, so that its scroll bar can be reached.
  EditAppCredits = new SAEditField(this);
  EditAppCredits->setGeometry(1, 136, kWidth - 2, 129);
  EditAppCredits->setFont(SystemFont(12));
  EditAppCredits->setReadOnly(true);
  EditAppCredits->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

  StatAppCopyright = CentredLabel(QStringLiteral("kAppCopyright"), SystemFont(10), this);
  StatAppCopyright->setGeometry(20, kCopyrightTopWithoutCredits, 244, 42);
}

void AboutWindow::Show(bool useCredits) {
  UseCredits = useCredits;
  SetupWindow();
  show();
  raise();
  activateWindow();
}

void AboutWindow::SetupWindow() {
  StatAppName->setText(QString::fromUtf8(config::kAppName));
  StatAppVersion->setText(QStringLiteral("Version ") + QString::fromUtf8(config::kAppVersion));
  StatAppCopyright->setText(kCopyright);

  int height = kHeightWithoutCredits;
  if (UseCredits) {
    SetCreditsFieldText(kCredits, true);
    StatAppCopyright->move(StatAppCopyright->x(), kCopyrightTopWithCredits);
    EditAppCredits->setVisible(true);
    height = kHeightWithCredits;
  } else {
    EditAppCredits->setVisible(false);
    StatAppCopyright->move(StatAppCopyright->x(), kCopyrightTopWithoutCredits);
  }
  setFixedSize(kWidth, height);
}

void AboutWindow::SetCreditsFieldText(const QString& text, bool styled) {
  EditAppCredits->setPlainText(text);
  if (!styled) return;
  ApplyCreditsMarkup(*EditAppCredits->document());
  EditAppCredits->setTextCursor(QTextCursor(EditAppCredits->document()));
  EditAppCredits->verticalScrollBar()->setValue(0);
}

void AboutWindow::FileClose() {
  if (isActiveWindow()) close();
}

void AboutWindow::FileCloseWindow() {
  if (isActiveWindow()) close();
}

bool AboutWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == AppIconCanvas && event->type() == QEvent::Paint) {
    QPainter painter(AppIconCanvas);
    AppIconCanvas_Paint(painter);
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void AboutWindow::AppIconCanvas_Paint(QPainter& painter) {
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  DrawIpodPicture(painter, QRect(0, 0, 64, 64));
}
