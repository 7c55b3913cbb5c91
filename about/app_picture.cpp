#include "app_picture.h"


const QPixmap& AppPicture() {
  static const QPixmap picture = [] {
    QImage image(QStringLiteral(":/ipod128.png"));
    QImage mask(QStringLiteral(":/ipod128mask.png"));
    if (!image.isNull() && !mask.isNull()) image = ApplyPictureMask(image, mask);
    return QPixmap::fromImage(image);
  }();
  return picture;
}

QImage ApplyPictureMask(const QImage& picture, const QImage& mask) {
  QImage result = picture.convertToFormat(QImage::Format_ARGB32);
  QImage gray = mask.scaled(result.size()).convertToFormat(QImage::Format_Grayscale8);
  for (int y = 0; y < result.height(); ++y) {
    auto* pixels = reinterpret_cast<QRgb*>(result.scanLine(y));
    const uchar* shades = gray.constScanLine(y);
    for (int x = 0; x < result.width(); ++x) {
      int alpha = qAlpha(pixels[x]) * (255 - shades[x]) / 255;
      pixels[x] = qRgba(qRed(pixels[x]), qGreen(pixels[x]), qBlue(pixels[x]), alpha);
    }
  }
  return result;
}
