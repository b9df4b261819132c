#include "DirectoryLogo.h"

#include "common/TextFile.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

namespace directory {

LogoPicture LogoPictureOf(const QByteArray &data)
{
    if (data.isEmpty())
        return {};
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QByteArray format = reader.format().toLower();
    const QSize size = reader.size();
    if (format.isEmpty() || format == "svg" || format == "svgz" || !size.isValid() || size.width() > kMaxLogoSide
        || size.height() > kMaxLogoSide)
        return {};
    const QImage image = reader.read();
    if (image.isNull())
        return {};
    if (format == "gif")
        return {data, QStringLiteral("gif")};
    if (format == "jpeg" || format == "jpg")
        return {data, QStringLiteral("jpg")};
    // Transparent parts over white, as the page shows them.
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    {
        QPainter painter(&flat);
        painter.drawImage(0, 0, image);
    }
    QByteArray jpeg;
    QBuffer out(&jpeg);
    out.open(QIODevice::WriteOnly);
    if (!flat.save(&out, "JPEG", 90))
        return {};
    return {jpeg, QStringLiteral("jpg")};
}

bool SaveLogo(const QString &folder, const QString &fileName, const QByteArray &bytes)
{
    if (fileName.isEmpty() || fileName.contains(QLatin1Char('/')) || bytes.isEmpty() || !QDir().mkpath(folder))
        return false;
    return textfile::writeBytes(QDir(folder).filePath(fileName), bytes);
}

} // namespace directory
