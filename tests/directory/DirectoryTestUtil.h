#pragma once
// A local directory for the tests: tests/tools/directoryserver.py answering from a stations file
// the test writes, and what it was asked.
#include "StreamServer.h"

#include <QFile>
#include <QString>
#include <QStringList>

class LocalDirectory : public StreamServer {
public:
    explicit LocalDirectory(const QStringList &mode = {}) : StreamServer("directoryserver.py")
    {
        setExtraArguments(mode);
    }
    // The base address the client is given.
    QString base() const { return url(QString()); }
    void writeStations(const QByteArray &json) const
    {
        QFile f(folder() + QStringLiteral("/stations.json"));
        if (f.open(QIODevice::WriteOnly))
            f.write(json);
    }
    void writeFile(const QString &name, const QByteArray &bytes) const
    {
        QFile f(folder() + QLatin1Char('/') + name);
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
    }
    int count(const QString &path) const
    {
        return get(QStringLiteral("/count?path=") + QString::fromLatin1(QUrl::toPercentEncoding(path))).toInt();
    }
    // Every request so far: "path?query\tUser-Agent".
    QStringList log() const { return QString::fromUtf8(get(QStringLiteral("/log"))).split(u'\n', Qt::SkipEmptyParts); }
};
