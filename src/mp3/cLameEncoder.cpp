#include "cLameEncoder.h"

#include "common/NumberedError.h"
#include "common/ProgramName.h"
#include "cMp3Writer.h"
#include "cWavReader.h"

#include <cstdio>
#include <sys/stat.h>

namespace {

void put32(std::array<uint8_t, BE_CONFIG_SIZE> &record, int offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        record[size_t(offset + i)] = uint8_t(value >> (8 * i));
}

uint32_t get32(const std::array<uint8_t, BE_CONFIG_SIZE> &record, int offset)
{
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= uint32_t(record[size_t(offset + i)]) << (8 * i);
    return value;
}

// A file (not a folder) of that name exists.
bool fileExists(const std::string &path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

const char *const kEngineErrors[] = {
    "",
    "Invalid Format",
    "Invalid Format Parameters",
    "Out of LAME handles",
    "LAME handle is invalid",
    "Buffer is too small",
};

} // namespace

cLameEncoder::cLameEncoder(std::string engineName) : m_engine(std::move(engineName))
{
    put32(m_config, BE_CFG_KIND, BE_CONFIG_KIND_LAME);
    put32(m_config, BE_CFG_STRUCT_VERSION, 1);
    put32(m_config, BE_CFG_STRUCT_SIZE, BE_CONFIG_SIZE);
    put32(m_config, BE_CFG_IN_RATE, 44100);
    put32(m_config, BE_CFG_OUT_RATE, 0);
    put32(m_config, BE_CFG_MODE, 1);
    put32(m_config, BE_CFG_BITRATE, 128);
    put32(m_config, BE_CFG_MAX_BITRATE, 0);
    put32(m_config, BE_CFG_PRESET, 4);
    put32(m_config, BE_CFG_MPEG_VERSION, 1);
    put32(m_config, BE_CFG_ORIGINAL, 1);
    put32(m_config, BE_CFG_WRITE_VBR_HEADER, 1);
    put32(m_config, BE_CFG_NO_RESERVOIR, 1);
}

cLameEncoder::~cLameEncoder() { closeStreamQuietly(); }

void cLameEncoder::SetWavFile(const std::string &path)
{
    if (fileExists(path))
        m_wavFile = path;
}

void cLameEncoder::SetMp3File(const std::string &path)
{
    if (!fileExists(path))
        m_mp3File = path;
}

int32_t cLameEncoder::EncodingPreset() const { return int32_t(get32(m_config, BE_CFG_PRESET)); }
void cLameEncoder::SetEncodingPreset(int32_t preset) { put32(m_config, BE_CFG_PRESET, uint32_t(preset)); }
int32_t cLameEncoder::BitRate() const { return int32_t(get32(m_config, BE_CFG_BITRATE)); }
void cLameEncoder::SetBitRate(int32_t kbps) { put32(m_config, BE_CFG_BITRATE, uint32_t(kbps)); }
int32_t cLameEncoder::SampleRate() const { return int32_t(get32(m_config, BE_CFG_IN_RATE)); }
void cLameEncoder::SetSampleRate(int32_t hz) { put32(m_config, BE_CFG_IN_RATE, uint32_t(hz)); }
int32_t cLameEncoder::OutputMode() const { return int32_t(get32(m_config, BE_CFG_MODE)); }
void cLameEncoder::SetOutputMode(int32_t mode) { put32(m_config, BE_CFG_MODE, uint32_t(mode)); }

const cLameEncoderVersion &cLameEncoder::Version()
{
    if (!m_version)
        m_version = std::make_unique<cLameEncoderVersion>(m_engine);
    return *m_version;
}

void cLameEncoder::check(const char *operation, uint32_t result) const
{
    if (result == BE_ERR_SUCCESSFUL)
        return;
    const char *description = result <= 5 ? kEngineErrors[result] : "";
    throw NumberedError(kErrorBase + long(result), ErrorSource(operation), description);
}

void cLameEncoder::startStream(const Config &config)
{
    closeStream();
    const uint32_t result =
        m_engine.InitStream(config.data(), &m_samplesPerChunk, &m_outputBufferSize, &m_stream);
    if (result != BE_ERR_SUCCESSFUL) {
        m_samplesPerChunk = 0;
        m_outputBufferSize = 0;
        m_stream = 0;
    }
    check("lameInit", result);
}

void cLameEncoder::closeStream()
{
    if (m_stream == 0)
        return;
    const uint32_t result = m_engine.CloseStream(m_stream);
    m_stream = 0;
    m_samplesPerChunk = 0;
    m_outputBufferSize = 0;
    check("lameClose", result);
}

void cLameEncoder::closeStreamQuietly() noexcept
{
    try {
        closeStream();
    } catch (...) {
        // Closing after a failure: the first error is the one reported.
    }
}

void cLameEncoder::Encode()
{
    startStream(m_config);
    if (m_stream == 0)
        throw NumberedError(kErrorBase + 1, ErrorSource("lameConvert"), "Lame engine not initialised");
    try {
        convert();
    } catch (const NumberedError &e) {
        closeStreamQuietly();
        throw NumberedError(e.Number(), ErrorSource("lameConvert"), e.Description());
    }
    closeStream();
}

void cLameEncoder::encodeChunk(int32_t samples, const int16_t *pcm, cMp3Writer &writer)
{
    uint32_t produced = 0;
    check("lameConvert",
          m_engine.EncodeChunk(m_stream, uint32_t(samples), pcm, writer.BufferPointer(), &produced));
    writer.WriteBufferToFile(int32_t(produced));
}

void cLameEncoder::convert()
{
    cWavReader reader;
    reader.SetReadBufferSize(int32_t(m_samplesPerChunk / 2));
    reader.SetFilename(m_wavFile);

    // The engine must take the samples at the rate the file declares, or a 22050 Hz file would
    // come out at double speed: restart the stream at that rate (the record itself is kept).
    if (reader.IsOpen() && reader.Format().SamplesPerSec != get32(m_config, BE_CFG_IN_RATE)) {
        Config config = m_config;
        put32(config, BE_CFG_IN_RATE, reader.Format().SamplesPerSec);
        startStream(config);
        if (int32_t(m_samplesPerChunk / 2) != reader.ReadBufferSize()) {
            reader.CloseFile();
            reader.SetReadBufferSize(int32_t(m_samplesPerChunk / 2));
            reader.SetFilename(m_wavFile);
        }
    }

    cMp3Writer writer;
    writer.SetBufferSize(int32_t(m_outputBufferSize));
    // Created here, never opened through a link or over a file that came since SetMp3File.
    writer.SetFilename(m_mp3File, cMp3Writer::Open::NewOnly);

    int64_t position = 0;
    bool cancel = false;
    const auto progress = [&](int64_t pos, int64_t length) {
        if (Progress)
            Progress(int32_t(pos), int32_t(length), cancel);
    };
    for (;;) {
        const bool more = reader.Read();
        if (cancel) {
            writer.CloseFile();
            std::remove(writer.Filename().c_str());
            return;
        }
        if (!more)
            break;
        encodeChunk(reader.ReadBufferSize() * 2, reader.ReadBufferPtr(), writer);
        position += int64_t(reader.ReadBufferSize()) * 2;
        progress(position, int64_t(reader.AudioLength()) * 2);
    }

    if (reader.ReadSize() > 0)
        encodeChunk(reader.ReadSize() * 2, reader.ReadBufferPtr(), writer);
    uint32_t produced = 0;
    check("lameConvert", m_engine.DeinitStream(m_stream, writer.BufferPointer(), &produced));
    writer.WriteBufferToFile(int32_t(produced));
    // The leading info frame (frame count, size, seek table) is known only now.
    check("lameConvert", m_engine.InfoFrame(m_stream, writer.BufferPointer(), &produced));
    if (produced > 0)
        writer.RewriteFileStart(int32_t(produced));

    const int64_t length = int64_t(reader.AudioLength()) * 2;
    progress(length, length);
    writer.CloseFile();
}
