#pragma once
// Pages as a now-playing data server lays them out, and the local data server that serves them
// (tests/tools/dataserver.py).
#include "StreamServer.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QImage>
#include <QStringList>

namespace nptest {

// The redirection page that points to target.
inline QByteArray RedirectionPage(const QString &target)
{
    return QStringLiteral("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">"
                          "<meta http-equiv=\"Expires\" content=\"0\"><meta http-equiv=\"Pragma\" content=\"no-cache\">"
                          "<meta http-equiv=\"Cache-Control\" content=\"no-cache\"> <meta http-equiv=\"Refresh\" "
                          "content=\"10; url=%1\"><base target=\"_self\"></head></html>\n")
        .arg(target)
        .toLatin1();
}

// The value texts of entry k in generation g: "T<g>-<k>" for the title, and so on.
inline QString Value(const char *field, int g, int k) { return QStringLiteral("%1%2-%3").arg(QLatin1String(field)).arg(g).arg(k); }

// A data page: 110 statements, one a line, with entry k's values and cover path at their places.
// shift puts that many extra statements in front; coverPath(k) gives entry k's cover path.
inline QByteArray DataPage(int g, int shift = 0, int statements = 110,
                           const QString &coverDir = QStringLiteral("/f/covers"))
{
    QStringList s;
    for (int i = 0; i < statements; ++i)
        s << QStringLiteral("var v%1 = %1").arg(i);
    for (int k = 1; k <= 5; ++k) {
        const int b = 43 + 13 * (k - 1);
        auto put = [&](int n, const QString &text) {
            if (n < s.size())
                s[n] = text;
        };
        put(16 + 2 * k, QStringLiteral("parent.imagesPochettesSrc[%1] = \"%2/C%1.jpg\"").arg(k).arg(coverDir));
        put(b, QStringLiteral("parent.titresPochettes[%1] = \"%2\"").arg(k).arg(Value("T", g, k)));
        put(b + 1, QStringLiteral("parent.albumsPochettes[%1] = \"%2\"").arg(k).arg(Value("A", g, k)));
        put(b + 2, QStringLiteral("parent.interpretesPochettes[%1] = \"%2\"").arg(k).arg(Value("P", g, k)));
        put(b + 8, QStringLiteral("parent.sortiePochettes[%1] = \"%2\"").arg(k).arg(Value("S", g, k)));
        put(b + 9, QStringLiteral("parent.labelPochettes[%1] = \"%2\"").arg(k).arg(Value("E", g, k)));
    }
    for (int i = 0; i < shift; ++i)
        s.prepend(QStringLiteral("var extra%1 = 1").arg(i));
    return s.join(QStringLiteral(";\n")).toUtf8() + ";\n";
}

// Colour of entry k's cover.
inline QRgb CoverColour(int k) { return qRgb(40 * k, 255 - 40 * k, 100 + 20 * k); }

// Writes bytes to name (subfolders made) in folder.
inline bool Put(const QString &folder, const QString &name, const QByteArray &bytes)
{
    const QString path = QDir(folder).filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

inline QByteArray Cover(QRgb colour, const char *format)
{
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// A station on the server: "<name>/d_data.html" redirecting to "<name>/data.html", generation g's
// data page, and the five covers in "covers/" (PNG and JPEG: the names say nothing of the format).
inline bool PutStation(const QString &folder, const QString &name, int g)
{
    bool ok = Put(folder, name + QStringLiteral("/d_data.html"), RedirectionPage(QStringLiteral("data.html")));
    ok = ok && Put(folder, name + QStringLiteral("/data.html"), DataPage(g));
    for (int k = 1; k <= 5; ++k)
        ok = ok && Put(folder, QStringLiteral("covers/C%1.jpg").arg(k), Cover(CoverColour(k), k % 2 ? "PNG" : "JPG"));
    return ok;
}

// How many requests the server had for path.
inline int Count(const StreamServer &server, const QString &path)
{
    return server.get(QStringLiteral("/count?path=") + path).toInt();
}

} // namespace nptest
