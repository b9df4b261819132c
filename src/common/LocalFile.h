#pragma once
// Local files named by station pages and playlists are read only when they are regular files of
// a sane size: a device (/dev/zero), a named pipe that nobody writes, a folder or a file of
// gigabytes is refused before a byte is read. The file is opened without waiting (O_NONBLOCK, so
// a pipe never blocks the open) and judged on the opened handle (fstat), so what is read is what
// was checked. Any thread.
#include <QByteArray>
#include <QString>

namespace localfile {

enum class ReadResult {
    Ok,
    Missing,    // no such file, or it cannot be opened
    NotRegular, // a device, a pipe, a socket or a folder
    TooLarge,   // larger than the bound
    Unreadable, // a read failed
};

// Reads the whole file into bytes when it is a regular file of at most maxBytes.
ReadResult ReadSmallFile(const QString &path, qint64 maxBytes, QByteArray &bytes);

// Ok when path names a regular file (of any size) that can be opened for reading.
ReadResult CheckRegularFile(const QString &path);

// The French reason of a refusal: "fichier introuvable", "ce n'est pas un fichier ordinaire",
// "fichier trop volumineux", "fichier illisible".
QString ReadResultText(ReadResult result);

} // namespace localfile
