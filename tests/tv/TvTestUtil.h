#pragma once
// Helpers of the TV tests: the local TV channel and what a picture or the sound server shows.
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QString>

namespace tvtest {

// Distinct colours of an image (sampled on a grid): 1 for a uniform picture.
inline int distinctColours(const QImage &image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 4)
        for (int x = 0; x < image.width(); x += 4)
            colours.insert(image.pixel(x, y) & 0xF0F0F0);
    return static_cast<int>(colours.size());
}

// Streams the sound server plays from the program (its client name is "Tavilune").
inline int soundStreams()
{
    QProcess p;
    p.start(QStringLiteral("pactl"), {QStringLiteral("list"), QStringLiteral("sink-inputs")});
    if (!p.waitForFinished(5000))
        return -1;
    return static_cast<int>(QString::fromUtf8(p.readAllStandardOutput())
                                .count(QStringLiteral("application.name = \"Tavilune\"")));
}

} // namespace tvtest
