#pragma once
// Helpers of the fuzz targets: the input as Qt bytes, and as a file for readers that take a path.
#include <QByteArray>
#include <QDir>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace fuzz {

inline QByteArray Bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

inline char g_folder[4096];

// A folder of this process, made on first use and removed when the process exits.
inline const QString &Folder()
{
    static const QString folder = [] {
        const QByteArray pattern = QDir::tempPath().toLocal8Bit() + "/tavilune-fuzz.XXXXXX";
        if (size_t(pattern.size()) >= sizeof g_folder) {
            fprintf(stderr, "temporary folder path too long\n");
            std::abort();
        }
        memcpy(g_folder, pattern.constData(), size_t(pattern.size()) + 1);
        if (!mkdtemp(g_folder)) {
            perror("mkdtemp");
            std::abort();
        }
        std::atexit([] { QDir(QString::fromLocal8Bit(g_folder)).removeRecursively(); });
        return QString::fromLocal8Bit(g_folder);
    }();
    return folder;
}

// Writes the input to name in Folder() and returns its path.
inline QString WriteFile(const QString &name, const uint8_t *data, size_t size)
{
    const QString path = Folder() + QLatin1Char('/') + name;
    const QByteArray local = path.toLocal8Bit();
    const int fd = ::open(local.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        perror("open");
        std::abort();
    }
    size_t done = 0;
    while (done < size) {
        const ssize_t w = ::write(fd, data + done, size - done);
        if (w <= 0) {
            perror("write");
            std::abort();
        }
        done += size_t(w);
    }
    ::close(fd);
    return path;
}

// Stops the run with a message when a property that must hold does not.
inline void Check(bool ok, const char *what)
{
    if (!ok) {
        fprintf(stderr, "property broken: %s\n", what);
        std::abort();
    }
}

} // namespace fuzz
