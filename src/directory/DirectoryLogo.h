#pragma once
// A station's logo from the directory, as a file of the radio folder's "logo" subfolder. Only a
// download that decodes as a picture becomes a logo: GIF and JPEG files are kept as they came,
// any other picture is written again as JPEG (the generator's logo list shows those two).
#include <QByteArray>
#include <QString>

namespace directory {

struct LogoPicture {
    QByteArray bytes; // empty: not a picture (or too large to decode)
    QString suffix;   // "gif" or "jpg"
};

// Pictures larger than this on either side are refused before they are decoded.
inline constexpr int kMaxLogoSide = 4096;

LogoPicture LogoPictureOf(const QByteArray &data);

// Writes bytes as folder/fileName through a temporary file, the folder made when missing.
bool SaveLogo(const QString &folder, const QString &fileName, const QByteArray &bytes);

} // namespace directory
