// The iPod picture and its mask, loaded from the resources on first use and
// kept for the life of the process. Call only on the user-interface thread.
#pragma once

#include <QPixmap>
#include <QRect>

class QPainter;

const QPixmap& ipod128();
const QPixmap& ipod128mask();

// Draws the picture, made transparent where the mask is white, scaled into
// target: the main window's canvas and the progress window both use it.
void DrawIpodPicture(QPainter& painter, const QRect& target);
