// The application's picture, an iPod, shown by the about box.
#pragma once

#include <QImage>
#include <QPixmap>

// The picture resource ":/ipod128.png", with ":/ipod128mask.png" applied when
// the resources hold a mask. Loaded once; a null pixmap when the program was
// built without the picture.
const QPixmap& AppPicture();

// The picture with the mask's dark parts kept and its light parts made
// transparent; alpha the picture already has is kept as well.
QImage ApplyPictureMask(const QImage& picture, const QImage& mask);
