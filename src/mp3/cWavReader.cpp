#include "cWavReader.h"

#include "common/NumberedError.h"
#include "common/ProgramName.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

static_assert(std::endian::native == std::endian::little,
              "the buffer hands out the file's little-endian samples as they are");

namespace {

constexpr uint32_t fourcc(const char (&s)[5])
{
    return uint32_t(uint8_t(s[0])) | uint32_t(uint8_t(s[1])) << 8 | uint32_t(uint8_t(s[2])) << 16 |
           uint32_t(uint8_t(s[3])) << 24;
}
constexpr uint32_t kRiff = fourcc("RIFF");
constexpr uint32_t kWave = fourcc("WAVE");
constexpr uint32_t kFmt = fourcc("fmt ");
constexpr uint32_t kData = fourcc("data");

uint16_t le16(const uint8_t *p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t le32(const uint8_t *p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Reads up to n bytes at offset; returns how many were read (short at the end of the file).
int64_t readAt(int fd, void *dest, int64_t n, int64_t offset)
{
    auto *p = static_cast<uint8_t *>(dest);
    int64_t done = 0;
    while (done < n) {
        const ssize_t r = pread(fd, p + done, size_t(n - done), off_t(offset + done));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            break;
        done += r;
    }
    return done;
}

const char *const kDescriptions[] = {
    "",
    "Only stereo 16 bit wave files supported.",
    "Unable to open file.",
    "Not a Wave file.",
    "Unable to retrieve format chunk",
    "Error reading format",
    "No Wave File Open",
    "Insufficient memory",
    "Position out of range",
    "Cannot change buffer size whilst a file is open.",
};

NumberedError readerError(int code)
{
    return NumberedError(29670 + code, ErrorSource("cWavePlayer"), kDescriptions[code]);
}

} // namespace

cWavReader::~cWavReader() { CloseFile(); }

void cWavReader::fail(int code)
{
    CloseFile();
    throw readerError(code);
}

void cWavReader::SetFilename(const std::string &path)
{
    if (OpenFile(path))
        m_filename = path;
}

void cWavReader::CloseFile()
{
    if (m_fd < 0)
        return;
    ::close(m_fd);
    m_fd = -1;
    m_buffer.reset();
    m_lastReadBytes = 0;
    m_dataStart = 0;
    m_dataLength = 0;
    m_position = 0;
    m_fileSize = 0;
}

// Looks for a chunk among those lying between `from` and `end`, skipping the others and their pad
// byte. With a form type, the chunk must also begin with that four-character code.
bool cWavReader::findChunk(uint32_t id, uint32_t formType, int64_t from, int64_t end,
                           Chunk &found) const
{
    int64_t pos = from;
    while (pos + 8 <= end) {
        uint8_t header[12];
        const int64_t want = formType ? 12 : 8;
        if (readAt(m_fd, header, want, pos) < 8)
            return false;
        const uint32_t ckId = le32(header);
        const uint32_t ckSize = le32(header + 4);
        if (ckId == id &&
            (!formType || (ckSize >= 4 && pos + 12 <= end && le32(header + 8) == formType))) {
            found = {ckId, ckSize, pos + 8};
            return true;
        }
        pos += 8 + int64_t(ckSize) + (ckSize & 1);
    }
    return false;
}

bool cWavReader::OpenFile(const std::string &path)
{
    CloseFile();
    if (path.empty())
        return false;

    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0)
        fail(2);
    struct stat st {};
    if (::fstat(m_fd, &st) != 0 || S_ISDIR(st.st_mode))
        fail(2);
    m_fileSize = st.st_size;

    Chunk riff;
    if (!findChunk(kRiff, kWave, 0, m_fileSize, riff))
        fail(3);
    // A RIFF size that claims more than the file holds ends with the file.
    const int64_t riffEnd = std::min<int64_t>(riff.dataStart + riff.size, m_fileSize);

    Chunk fmt;
    if (!findChunk(kFmt, 0, riff.dataStart + 4, riffEnd, fmt))
        fail(4);
    // Only the first 50 bytes of a longer "fmt " chunk are read; the rest is skipped below.
    uint8_t area[kFormatAreaSize] = {};
    const int64_t want = std::min<int64_t>(fmt.size, kFormatAreaSize);
    if (readAt(m_fd, area, want, fmt.dataStart) != want)
        fail(5);
    const int64_t afterFmt = fmt.dataStart + int64_t(fmt.size) + (fmt.size & 1);

    m_format.FormatTag = le16(area);
    m_format.Channels = le16(area + 2);
    m_format.SamplesPerSec = le32(area + 4);
    m_format.AvgBytesPerSec = le32(area + 8);
    m_format.BlockAlign = le16(area + 12);
    m_format.BitsPerSample = le16(area + 14);
    m_format.ExtraSize = le16(area + 16);
    if (m_format.BitsPerSample != 16 || m_format.Channels != 2)
        fail(1);

    Chunk data;
    if (!findChunk(kData, 0, afterFmt, riffEnd, data))
        fail(6);
    m_dataStart = data.dataStart;
    // A file cut short holds less than its data chunk declares: what it holds is the data.
    m_dataLength = std::min<int64_t>(data.size, m_fileSize - data.dataStart);
    m_position = m_dataStart;

    m_buffer.reset(new (std::nothrow) int16_t[size_t(m_readBufferBytes) / 2]());
    if (!m_buffer)
        fail(7);
    return true;
}

bool cWavReader::Read()
{
    if (m_fd < 0)
        throw readerError(6);
    const int64_t remaining = m_dataStart + m_dataLength - m_position;
    const int64_t want = m_readBufferBytes < remaining ? m_readBufferBytes : remaining;
    if (want <= 0)
        return false;
    const int64_t got = readAt(m_fd, m_buffer.get(), want, m_position);
    m_position += got;
    m_lastReadBytes = got;
    if (got < want) {
        // The file shrank under us: the data ends here.
        m_dataLength = m_position - m_dataStart;
        return false;
    }
    return want < remaining;
}

void cWavReader::SetReadBufferSize(int32_t frames)
{
    if (m_fd >= 0)
        throw readerError(9);
    if (frames < 1 || frames > (1 << 26))
        return;
    m_readBufferBytes = frames * 4;
}

void cWavReader::SeekAbsolute(int32_t frame)
{
    if (m_fd < 0)
        throw readerError(6);
    const int64_t bytes = int64_t(frame) * 4;
    if (frame < 0 || bytes > m_dataLength)
        throw readerError(8);
    m_position = m_dataStart + bytes;
}

void cWavReader::SeekRelative(int32_t offset)
{
    if (m_fd < 0)
        throw readerError(6);
    const int64_t target = m_position - m_dataStart + int64_t(offset) * 4;
    if (target > m_dataLength || target < 0)
        throw readerError(8);
    m_position = m_dataStart + target;
}
