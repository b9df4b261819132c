#pragma once
// Converts one 16-bit stereo WAV file into one MP3 file through the MP3 engine library:
// reads the file buffer by buffer (cWavReader), encodes each buffer, appends the engine's output
// (cMp3Writer) and reports progress after every buffer, letting the listener cancel.
//
// Errors are NumberedError: 29771 to 29775 from the engine (29770 + its result code), the reader's
// 29671 to 29679 and the writer's 29871 to 29875, all with the source "tavilune.lameConvert"
// once a conversion runs; 29776 when the engine library cannot be loaded.
//
// Threads: everything runs on the caller's thread; Encode returns when the conversion is finished,
// cancelled or failed, and calls Progress on that same thread.
#include "LameEngine.h"
#include "cLameEncoderVersion.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class cMp3Writer;
class cWavReader;

class cLameEncoder {
public:
    // position and length count 16-bit samples (two per stereo frame); setting cancel to true
    // stops the conversion at the next buffer and deletes the output file.
    using ProgressHandler = std::function<void(int32_t position, int32_t length, bool &cancel)>;

    static constexpr long kErrorBase = 29770;

    explicit cLameEncoder(std::string engineName = "lameencshim");
    ~cLameEncoder();
    cLameEncoder(const cLameEncoder &) = delete;
    cLameEncoder &operator=(const cLameEncoder &) = delete;

    // Kept only when a file of that name exists.
    void SetWavFile(const std::string &path);
    const std::string &WavFile() const { return m_wavFile; }
    // Kept only when no file of that name exists. Encode() creates it and fails (29872) when a
    // file or a link of that name has come since.
    void SetMp3File(const std::string &path);
    const std::string &Mp3File() const { return m_mp3File; }

    int32_t EncodingPreset() const;
    void SetEncodingPreset(int32_t preset);
    int32_t BitRate() const;
    void SetBitRate(int32_t kbps);
    // The engine is always started at the rate the WAV file declares; this value is the record's
    // own field and applies when no file is being converted.
    int32_t SampleRate() const;
    void SetSampleRate(int32_t hz);
    int32_t OutputMode() const;
    void SetOutputMode(int32_t mode);

    // Read from the engine on first use, then kept.
    const cLameEncoderVersion &Version();

    void Encode();

    ProgressHandler Progress;

private:
    using Config = std::array<uint8_t, BE_CONFIG_SIZE>;

    void startStream(const Config &config);
    void closeStream();
    void closeStreamQuietly() noexcept;
    void check(const char *operation, uint32_t result) const;
    void convert();
    void encodeChunk(int32_t samples, const int16_t *pcm, cMp3Writer &writer);

    LameEngine m_engine;
    Config m_config{};
    uint32_t m_stream = 0;
    uint32_t m_samplesPerChunk = 0;
    uint32_t m_outputBufferSize = 0;
    std::string m_wavFile;
    std::string m_mp3File;
    std::unique_ptr<cLameEncoderVersion> m_version;
};
