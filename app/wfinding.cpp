#include "wfinding.h"

#include <QLabel>
#include <QPainter>
#include <QPointer>

#include "pictures.h"

namespace {

QPointer<wfinding> shared;

class IconCanvas : public QWidget {
public:
  using QWidget::QWidget;

protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    DrawIpodPicture(painter, QRect(0, 0, 64, 64));
  }
};

}  // namespace

wfinding* wfinding::Shared(QWidget* parent) {
  if (!shared) shared = new wfinding(parent);
  return shared;
}

wfinding* wfinding::Existing() { return shared; }

wfinding::wfinding(QWidget* parent) : QDialog(parent) {
  setObjectName("wfinding");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle("Finding songs...");
  setFixedSize(378, 103);
  QFont font = this->font();
  font.setPointSize(12);
  setFont(font);

  StaticText1 = new QLabel("Songhaul is finding your songs, please wait... ", this);
  StaticText1->setObjectName("StaticText1");
  StaticText1->setGeometry(102, 36, 292, 20);

  AppIconCanvas = new IconCanvas(this);
  AppIconCanvas->setObjectName("AppIconCanvas");
  AppIconCanvas->setGeometry(20, 14, 64, 64);
}
