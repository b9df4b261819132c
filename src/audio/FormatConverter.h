#pragma once
// Conversion of 16-bit PCM into the wave formats a recording can be written in: PCM at another rate
// (libsoxr), channel count (stereo <-> mono) or resolution (8-bit unsigned, 16, 24, 32 bits), and the
// classic compressed wave formats A-law, mu-law and IMA ADPCM. Also the list of formats offered for a
// given input, with the texts the format chooser shows.
//
// Thread contract: a FormatConverter is used by one thread at a time; ListFormats and the record
// helpers are free of shared state.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Wave format tags this converter writes.
enum : uint16_t {
    WAVE_TAG_PCM = 0x0001,
    WAVE_TAG_ALAW = 0x0006,
    WAVE_TAG_MULAW = 0x0007,
    WAVE_TAG_IMA_ADPCM = 0x0011,
};

// A wave format record: 18 bytes (tag, channels, rate, average bytes per second, block alignment,
// bits per sample, extra-byte count) followed by the extra bytes, all little-endian.
struct WaveFormatRecord {
    uint16_t FormatTag = WAVE_TAG_PCM;
    uint16_t Channels = 0;
    uint32_t SamplesPerSec = 0;
    uint32_t AvgBytesPerSec = 0;
    uint16_t BlockAlign = 0;
    uint16_t BitsPerSample = 0;
    std::vector<uint8_t> Extra;

    // The record as written in a file: 18 bytes plus the extra bytes.
    std::vector<uint8_t> Bytes() const;
    // Reads a record of len bytes (at least 16; a 16-byte record has no extra-byte count).
    // Extra bytes beyond len are not invented: Extra holds what the record really carries.
    static bool Parse(const uint8_t *data, size_t len, WaveFormatRecord &out);

    static WaveFormatRecord Pcm(uint32_t rate, uint16_t channels, uint16_t bits);
    static WaveFormatRecord ALaw(uint32_t rate, uint16_t channels);
    static WaveFormatRecord MuLaw(uint32_t rate, uint16_t channels);
    static WaveFormatRecord ImaAdpcm(uint32_t rate, uint16_t channels);
};

// One entry of the format chooser: the record and its two texts (UTF-8).
struct WaveFormatChoice {
    std::vector<uint8_t> Format;
    std::string FormatTag; // "PCM", "A-Law", ...
    std::string FormatID;  // "44.1 kHz 16 Bit Stereo"
};

// Name of a format tag as the chooser shows it; empty for tags this converter does not know.
std::string WaveFormatTagName(uint16_t tag);
// Description of a format: rate in kHz with one decimal (system decimal separator), " kHz ", bits,
// " Bit ", then "Stereo" for two channels, "Mono" for one, "<n> Channels" above two.
std::string WaveFormatDescription(uint32_t rate, uint16_t bits, uint16_t channels);

class FormatConverter {
public:
    FormatConverter();
    ~FormatConverter();
    FormatConverter(const FormatConverter &) = delete;
    FormatConverter &operator=(const FormatConverter &) = delete;

    // True when 16-bit PCM input can be converted into output.
    static bool CanConvert(const WaveFormatRecord &input, const WaveFormatRecord &output);
    // Every format offered for 16-bit PCM input at rate and channels, in display order:
    // PCM, A-Law, mu-Law, IMA ADPCM; by rate, resolution, then mono before stereo.
    static std::vector<WaveFormatChoice> ListFormats(int32_t rate, int16_t channels);

    // Opens a conversion from input (16-bit PCM) into output and sizes every work buffer for
    // source buffers of up to maxSourceBytes. False when the formats cannot be converted or the
    // buffers cannot be had; the converter is then closed.
    bool Open(const WaveFormatRecord &input, const WaveFormatRecord &output, size_t maxSourceBytes);
    void Close();
    bool IsOpen() const { return m_open; }
    // Output bytes one source buffer of maxSourceBytes may produce: the destination buffer size.
    size_t DestinationSize() const { return m_destinationSize; }

    // Converts the whole input frames of src (srcLen bytes, at most maxSourceBytes) into dst
    // (dstCap >= DestinationSize()). The conversion state (resampler history, partial ADPCM
    // block) is carried to the next call. srcUsed = input bytes consumed, dstUsed = bytes
    // produced. False when the conversion failed; then nothing was consumed or produced.
    // No allocation.
    bool Convert(const uint8_t *src, size_t srcLen, uint8_t *dst, size_t dstCap, size_t &srcUsed,
                 size_t &dstUsed);
    // End of stream: gives out what the converter still holds (the resampler's tail, the last
    // partial ADPCM block). Call until it produces 0 bytes. False when it failed.
    bool Flush(uint8_t *dst, size_t dstCap, size_t &dstUsed);

private:
    struct Resampler;

    bool WarmUpResampler();
    size_t DropWarmUp(float *&frames, size_t count);
    size_t WriteOutput(const float *frames, size_t count, uint8_t *dst);
    size_t WriteAdpcm(const float *frames, size_t count, uint8_t *dst);
    size_t EncodeAdpcmBlock(uint8_t *dst);

    bool m_open = false;
    WaveFormatRecord m_in;
    WaveFormatRecord m_out;
    unsigned m_midChannels = 0;   // channels through the resampler
    size_t m_maxInFrames = 0;
    size_t m_maxMidFrames = 0;
    size_t m_destinationSize = 0;
    bool m_flushed = false;
    size_t m_skipFrames = 0;      // resampler output still owed to the warm-up silence
    std::vector<float> m_mix;      // input frames, channel-mapped, as floats
    std::vector<float> m_resampled; // resampler output
    std::unique_ptr<Resampler> m_resampler;

    // IMA ADPCM: samples of the block being filled, the encoder state per channel.
    unsigned m_samplesPerBlock = 0;
    std::vector<int16_t> m_block;
    size_t m_blockFill = 0;
    std::vector<int> m_adpcmPredictor;
    std::vector<int> m_adpcmIndex;
};
