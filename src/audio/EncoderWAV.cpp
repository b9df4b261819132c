#include "EncoderWAV.h"

#include "common/NumberedError.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <new>
#include <unistd.h>

namespace {


// A chooser text: up to the first NUL, at most maxBytes, never ending inside a UTF-8 sequence.
std::string CutText(const std::string &text, size_t maxBytes)
{
    std::string cut = text.substr(0, std::min(text.find('\0'), maxBytes));
    if (cut.size() < text.size() && text[cut.size()] != '\0') {
        size_t end = cut.size();
        while (end > 0 && (uint8_t(text[end]) & 0xC0) == 0x80)
            --end;
        cut.resize(end);
    }
    return cut;
}

void PutTag(uint8_t *p, const char *tag) { std::memcpy(p, tag, 4); }
void PutU32(uint8_t *p, uint32_t v)
{
    p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); p[2] = uint8_t(v >> 16); p[3] = uint8_t(v >> 24);
}

} // namespace

EncoderWAV::EncoderWAV()
{
    SetPCMFormat(44100, 2, std::string(), "PCM"); // described in the user's decimal separator
}

EncoderWAV::~EncoderWAV()
{
    Encoder_EncoderClose();
}

long EncoderWAV::SelectFormat(int32_t SampleRate, int16_t Channels, FormatChooser *hWndOwner,
                              const std::string &Title)
{
    if (!hWndOwner)
        return EncoderWAV::NotChosen;
    const std::vector<WaveFormatChoice> formats = FormatConverter::ListFormats(SampleRate, Channels);
    if (formats.empty())
        return EncoderWAV::NotChosen;
    const std::optional<size_t> chosen = hWndOwner->ChooseFormat(formats, Title);
    if (!chosen || *chosen >= formats.size())
        return EncoderWAV::NotChosen;
    const WaveFormatChoice &choice = formats[*chosen];
    m_outputFormat = choice.Format; // 18 + its extra-byte count
    m_formatID = CutText(choice.FormatID, 128);
    m_formatTag = CutText(choice.FormatTag, 48);
    return EncoderWAV::Ok;
}

void EncoderWAV::SetFormat(const void *wfx_ptr, int32_t wfx_len, const std::string &FormatID,
                           const std::string &FormatTag)
{
    if (!wfx_ptr || wfx_len < 0)
        return;
    const auto *bytes = static_cast<const uint8_t *>(wfx_ptr);
    m_outputFormat.assign(bytes, bytes + wfx_len);
    m_formatID = FormatID;
    m_formatTag = FormatTag;
}

void EncoderWAV::SetPCMFormat(int32_t rate, int16_t channels, const std::string &FormatID,
                              const std::string &FormatTag)
{
    const uint32_t r = rate > 0 ? uint32_t(rate) : 0;
    const uint16_t ch = channels > 0 ? uint16_t(channels) : 0;
    const std::string id = FormatID.empty() ? WaveFormatDescription(r, 16, ch) : FormatID;
    const std::string tag = FormatTag.empty() ? std::string("PCM") : FormatTag;
    const std::vector<uint8_t> record = WaveFormatRecord::Pcm(r, ch, 16).Bytes();
    SetFormat(record.data(), 18, id, tag);
}

void EncoderWAV::SetWriteHeader(bool value)
{
    if (IsOpen())
        throw NumberedError(90, "EncoderWAV", "Encoder already running!");
    m_writeHeader = value;
}

long EncoderWAV::Encoder_EncoderInit(int32_t rate, int16_t channels, const std::string &fileName)
{
    Encoder_EncoderClose();
    if (rate < 1 || channels < 1)
        return EncoderWAV::BadFormat;

    m_input = WaveFormatRecord::Pcm(uint32_t(rate), uint16_t(channels), 16);
    WaveFormatRecord output;
    if (!WaveFormatRecord::Parse(m_outputFormat.data(), m_outputFormat.size(), output))
        return EncoderWAV::BadFormat;
    m_sourceSize = m_input.AvgBytesPerSec;
    if (!m_converter.Open(m_input, output, m_sourceSize))
        return EncoderWAV::BadFormat;
    try {
        m_destination.assign(m_converter.DestinationSize(), 0);
        m_fileFormat = m_outputFormat;
        m_header.assign(28 + m_fileFormat.size(), 0);
    } catch (const std::bad_alloc &) {
        m_converter.Close();
        return EncoderWAV::BadFormat;
    }

    const int fd = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0) {
        m_converter.Close();
        return EncoderWAV::NoFile;
    }
    m_fd = fd;
    m_fileName = fileName;
    m_fileSize = 0;
    m_writeFailed = false;

    // Room for the header, written when the file is closed.
    if (m_writeHeader && !WriteAll(m_header.data(), m_header.size())) {
        // A file without even its header is of no use: it does not stay behind (a device or
        // other special file named by the user is only closed).
        struct stat st{};
        const bool regular = ::fstat(m_fd, &st) == 0 && S_ISREG(st.st_mode);
        ::close(m_fd);
        if (regular)
            ::unlink(fileName.c_str());
        m_fd = -1;
        m_fileName.clear();
        m_converter.Close();
        return EncoderWAV::WriteFailed;
    }
    return EncoderWAV::Ok;
}

long EncoderWAV::Encoder_Encode(const void *buffer_ptr, int32_t buffer_len, int32_t &buffer_used)
{
    buffer_used = 0;
    if (!IsOpen())
        return EncoderWAV::NoFile;
    if (buffer_len < 0 || size_t(buffer_len) > m_sourceSize)
        return EncoderWAV::TooLong;
    if (!buffer_ptr && buffer_len > 0)
        return EncoderWAV::ConvertFailed;

    size_t used = 0, produced = 0;
    if (!m_converter.Convert(static_cast<const uint8_t *>(buffer_ptr), size_t(buffer_len),
                             m_destination.data(), m_destination.size(), used, produced))
        return EncoderWAV::ConvertFailed;
    buffer_used = int32_t(used);
    return WriteAll(m_destination.data(), produced) ? EncoderWAV::Ok : EncoderWAV::WriteFailed;
}

long EncoderWAV::Encoder_EncoderClose()
{
    if (!IsOpen())
        return EncoderWAV::NoFile;
    return CloseFile();
}

long EncoderWAV::CloseFile()
{
    // What the converter still holds (the resampler's tail, a partial block) ends the data.
    bool flushFailed = false;
    for (;;) {
        size_t produced = 0;
        if (!m_converter.Flush(m_destination.data(), m_destination.size(), produced)) {
            flushFailed = true;
            break;
        }
        if (produced == 0 || !WriteAll(m_destination.data(), produced))
            break;
    }

    if (m_writeHeader) {
        const uint32_t w = uint32_t(m_fileFormat.size());
        const uint64_t headerSize = 28 + uint64_t(w);
        const uint64_t fileSize = std::max(m_fileSize, headerSize);
        uint8_t *h = m_header.data();
        PutTag(h, "RIFF");
        PutU32(h + 4, uint32_t(std::min<uint64_t>(fileSize - 8, 0xFFFFFFFFu)));
        PutTag(h + 8, "WAVE");
        PutTag(h + 12, "fmt ");
        PutU32(h + 16, w);
        std::copy(m_fileFormat.begin(), m_fileFormat.end(), h + 20);
        PutTag(h + 20 + w, "data");
        PutU32(h + 24 + w, uint32_t(std::min<uint64_t>(fileSize - headerSize, 0xFFFFFFFFu)));
        size_t done = 0;
        while (done < m_header.size()) {
            const ssize_t n = ::pwrite(m_fd, h + done, m_header.size() - done, off_t(done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                m_writeFailed = true;
                break;
            }
            done += size_t(n);
        }
    }

    if (::close(m_fd) != 0 && errno != EINTR)
        m_writeFailed = true;
    m_fd = -1;
    m_fileName.clear();
    m_converter.Close();
    m_destination = {};
    m_sourceSize = 0;
    if (m_writeFailed)
        return EncoderWAV::WriteFailed;
    return flushFailed ? EncoderWAV::ConvertFailed : EncoderWAV::Ok;
}

bool EncoderWAV::WriteAll(const uint8_t *data, size_t len)
{
    if (m_writeHeader && m_fileSize + len > m_maxFileSize) {
        m_writeFailed = true;
        return false;
    }
    while (len > 0) {
        const ssize_t n = ::write(m_fd, data, len);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_writeFailed = true;
            return false;
        }
        data += n;
        len -= size_t(n);
        m_fileSize += uint64_t(n);
    }
    return true;
}

int32_t EncoderWAV::Encoder_EncoderMetrics(int32_t info) const
{
    if (!IsOpen())
        return -1;
    switch (info) {
    case 1: return int32_t(m_input.AvgBytesPerSec);
    case 0: return m_input.BlockAlign;
    default: return 0;
    }
}
