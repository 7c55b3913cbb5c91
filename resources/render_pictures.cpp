// render_pictures SVG PICTURE MASK: renders the iPod artwork at 128 x 128 into
// the picture and its mask, black where the picture is opaque and white
// elsewhere. Runs at build time; the two PNG files go into the program's
// resources.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "Usage: render_pictures SVG PICTURE MASK\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
  if (!svg.isValid()) {
    std::fprintf(stderr, "render_pictures: cannot read %s\n", argv[1]);
    return 1;
  }
  QImage picture(128, 128, QImage::Format_ARGB32);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  svg.render(&painter);
  painter.end();

  QImage mask(128, 128, QImage::Format_Grayscale8);
  for (int y = 0; y < 128; ++y)
    for (int x = 0; x < 128; ++x)
      mask.setPixel(x, y, qAlpha(picture.pixel(x, y)) ? qRgb(0, 0, 0) : qRgb(255, 255, 255));

  // The picture carries no transparency of its own: the mask supplies it.
  QImage opaque(128, 128, QImage::Format_RGB32);
  opaque.fill(Qt::white);
  QPainter flatten(&opaque);
  flatten.drawImage(0, 0, picture);
  flatten.end();

  if (!opaque.save(QString::fromLocal8Bit(argv[2]), "PNG") ||
      !mask.save(QString::fromLocal8Bit(argv[3]), "PNG")) {
    std::fprintf(stderr, "render_pictures: cannot write the pictures\n");
    return 1;
  }
  return 0;
}
