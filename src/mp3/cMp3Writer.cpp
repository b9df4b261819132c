#include "cMp3Writer.h"

#include "common/NumberedError.h"
#include "common/ProgramName.h"

#include <cerrno>
#include <fcntl.h>
#include <new>
#include <unistd.h>

namespace {

NumberedError writerError(int code, const char *operation)
{
    static const char *const descriptions[] = {
        "",
        "Unable to allocate output buffer for writing",
        "Unable to open file for writing",
        "Cannot write more data than is available in the buffer",
        "File not open for writing",
        "Failed to write buffer to file",
    };
    return NumberedError(29870 + code, ErrorSource(operation), descriptions[code]);
}

// Writes all n bytes at offset (or at the end with offset -1); false on any failure.
bool writeAll(int fd, const uint8_t *p, int64_t n, int64_t offset)
{
    while (n > 0) {
        const ssize_t w = offset < 0 ? ::write(fd, p, size_t(n)) : ::pwrite(fd, p, size_t(n), off_t(offset));
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false;
        p += w;
        n -= w;
        if (offset >= 0)
            offset += w;
    }
    return true;
}

} // namespace

cMp3Writer::~cMp3Writer()
{
    m_buffer.reset();
    CloseFile();
}

void cMp3Writer::allocateBuffer(int32_t bytes)
{
    m_buffer.reset();
    if (bytes < 0)
        throw writerError(1, "AllocateBuffer");
    m_buffer.reset(new (std::nothrow) uint8_t[size_t(bytes)]());
    if (!m_buffer)
        throw writerError(1, "AllocateBuffer");
}

void cMp3Writer::SetBufferSize(int32_t bytes)
{
    allocateBuffer(bytes);
    m_bufferSize = bytes;
}

void cMp3Writer::SetFilename(const std::string &path, Open mode)
{
    CloseFile();
    m_filename = path;
    if (!m_buffer)
        allocateBuffer(m_bufferSize);
    const int how = mode == Open::NewOnly ? O_EXCL : O_TRUNC;
    m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | how | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (m_fd < 0)
        throw writerError(2, "OpenFile");
}

void cMp3Writer::checkWrite(int32_t bytes, const char *operation) const
{
    if (bytes > m_bufferSize || bytes < 0)
        throw writerError(3, operation);
    if (m_fd < 0 || !m_buffer)
        throw writerError(4, operation);
}

int32_t cMp3Writer::WriteBufferToFile(int32_t bytes)
{
    checkWrite(bytes, "WriteBufferToFile");
    if (!writeAll(m_fd, m_buffer.get(), bytes, -1))
        throw writerError(5, "WriteBufferToFile");
    return bytes;
}

void cMp3Writer::RewriteFileStart(int32_t bytes)
{
    checkWrite(bytes, "RewriteFileStart");
    if (!writeAll(m_fd, m_buffer.get(), bytes, 0))
        throw writerError(5, "RewriteFileStart");
}

void cMp3Writer::CloseFile()
{
    if (m_fd < 0)
        return;
    ::close(m_fd);
    m_fd = -1;
}
