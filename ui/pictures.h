#pragma once

#include <QIcon>
#include <QPixmap>

namespace corvane::pictures {

QIcon programIcon();
// The maker's logo, decoded by libjpeg from the resource bytes. Throws JpegError.
QPixmap logo();
// Button glyph 1..6, its lower-left pixel's colour transparent.
QPixmap glyph(int button);
// Menu picture 0..8 of the image list, with its 1-bit mask applied.
QPixmap imageListPicture(int index);
QPixmap portrait();
QPixmap splash();

// A picture with every pixel of its lower-left pixel's colour made transparent.
QPixmap withLowerLeftTransparent(const QImage& image);

} // namespace corvane::pictures
