#include "InstanceLock.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <unistd.h>

InstanceLock::~InstanceLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

InstanceLock::Result InstanceLock::TryLock(const QString &path)
{
    if (m_fd >= 0)
        return Result::Acquired;
    // Close-on-exec: programs started from here (the mixer, the starter archive) must not keep
    // the lock after this process ends.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return Result::Unavailable;
    int rc;
    do
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        return held ? Result::Held : Result::Unavailable;
    }
    // The holder's process id, for whoever looks at the file.
    const std::string pid = std::to_string(::getpid()) + '\n';
    if (::ftruncate(fd, 0) == 0 && ::write(fd, pid.data(), pid.size()) < 0) {
        // Informational only: the lock holds without it.
    }
    m_fd = fd;
    return Result::Acquired;
}
