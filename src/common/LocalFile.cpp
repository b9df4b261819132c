#include "LocalFile.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace localfile {

namespace {

// One descriptor, closed on every path.
class Fd {
public:
    explicit Fd(const QString &path)
        : m_fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY))
    {
    }
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

ReadResult Judge(const Fd &fd, struct stat &st)
{
    if (fd.get() < 0)
        return ReadResult::Missing;
    if (::fstat(fd.get(), &st) != 0)
        return ReadResult::Unreadable;
    if (!S_ISREG(st.st_mode))
        return ReadResult::NotRegular;
    return ReadResult::Ok;
}

} // namespace

ReadResult ReadSmallFile(const QString &path, qint64 maxBytes, QByteArray &bytes)
{
    bytes.clear();
    if (path.isEmpty())
        return ReadResult::Missing;
    const Fd fd(path);
    struct stat st {};
    const ReadResult judged = Judge(fd, st);
    if (judged != ReadResult::Ok)
        return judged;
    if (st.st_size > maxBytes)
        return ReadResult::TooLarge;
    // The file may grow while it is read: one byte past the bound tells.
    QByteArray out(static_cast<qsizetype>(st.st_size) + 1, Qt::Uninitialized);
    qsizetype have = 0;
    for (;;) {
        if (have == out.size()) {
            if (have > maxBytes)
                return ReadResult::TooLarge;
            out.resize(qMin<qint64>(maxBytes + 1, qMax<qint64>(2 * have, 4096)));
        }
        const ssize_t n = ::read(fd.get(), out.data() + have, static_cast<size_t>(out.size() - have));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return ReadResult::Unreadable;
        if (n == 0)
            break;
        have += n;
    }
    if (have > maxBytes)
        return ReadResult::TooLarge;
    out.truncate(have);
    bytes = std::move(out);
    return ReadResult::Ok;
}

ReadResult CheckRegularFile(const QString &path)
{
    if (path.isEmpty())
        return ReadResult::Missing;
    const Fd fd(path);
    struct stat st {};
    return Judge(fd, st);
}

QString ReadResultText(ReadResult result)
{
    switch (result) {
    case ReadResult::Ok:
        return QString();
    case ReadResult::Missing:
        return QStringLiteral("fichier introuvable");
    case ReadResult::NotRegular:
        return QStringLiteral("ce n'est pas un fichier ordinaire");
    case ReadResult::TooLarge:
        return QStringLiteral("fichier trop volumineux");
    case ReadResult::Unreadable:
        break;
    }
    return QStringLiteral("fichier illisible");
}

} // namespace localfile
