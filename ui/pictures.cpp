#include "ui/pictures.h"

#include "platform/jpegimage.h"

#include <QBitmap>
#include <QFile>
#include <QImage>

namespace corvane::pictures {

QIcon programIcon()
{
    return QIcon(QStringLiteral(":/icons/corvane.ico"));
}

QPixmap logo()
{
    QFile file(QStringLiteral(":/pictures/logo.jpg"));
    file.open(QIODevice::ReadOnly);
    const QByteArray bytes = file.readAll();
    const RgbImage decoded = decodeJpeg(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                        static_cast<std::size_t>(bytes.size()));
    const QImage image(decoded.pixels.data(), decoded.width, decoded.height,
                       static_cast<qsizetype>(decoded.width) * 3, QImage::Format_RGB888);
    return QPixmap::fromImage(image.copy());
}

QPixmap withLowerLeftTransparent(const QImage& image)
{
    if (image.isNull())
        return {};
    QPixmap pixmap = QPixmap::fromImage(image);
    const QRgb background = image.pixel(0, image.height() - 1);
    pixmap.setMask(QBitmap::fromImage(image.createMaskFromColor(background, Qt::MaskInColor)));
    return pixmap;
}

QPixmap glyph(int button)
{
    return withLowerLeftTransparent(QImage(QStringLiteral(":/glyphs/speedbutton%1.bmp").arg(button)));
}

QPixmap imageListPicture(int index)
{
    const QImage image(QStringLiteral(":/menu/image%1.bmp").arg(index));
    const QImage mask(QStringLiteral(":/menu/image%1-mask.bmp").arg(index));
    if (image.isNull())
        return {};
    QPixmap pixmap = QPixmap::fromImage(image);
    // In the mask file black marks the picture and white what shows through.
    if (!mask.isNull())
        pixmap.setMask(QBitmap::fromImage(mask.createMaskFromColor(qRgb(255, 255, 255), Qt::MaskInColor)));
    return pixmap;
}

QPixmap portrait()
{
    return QPixmap(QStringLiteral(":/pictures/portrait.bmp"));
}

QPixmap splash()
{
    return QPixmap(QStringLiteral(":/pictures/splash.bmp"));
}

} // namespace corvane::pictures
