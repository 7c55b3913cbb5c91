#include "pictures.h"

#include <QBitmap>
#include <QPainter>

const QPixmap& ipod128() {
  static const QPixmap picture(":/pictures/ipod128.png");
  return picture;
}

const QPixmap& ipod128mask() {
  static const QPixmap mask(":/pictures/ipod128mask.png");
  return mask;
}

void DrawIpodPicture(QPainter& painter, const QRect& target) {
  // The mask is applied again on every paint, to a copy, so the shared
  // picture stays as loaded.
  QPixmap picture = ipod128();
  picture.setMask(QBitmap::fromPixmap(ipod128mask()));
  painter.drawPixmap(target, picture, QRect(QPoint(0, 0), picture.size()));
}
