#include "FormatConverter.h"

#include "common/DecimalPoint.h"

#include <algorithm>
#include <bit>
#include <clocale>
#include <cmath>
#include <cstring>
#include <new>
#include <numeric>
#include <soxr.h>

static_assert(std::endian::native == std::endian::little, "wave data is read and written as little-endian");

namespace {

// Limits that keep every buffer size and record field in range.
constexpr uint32_t kMaxRate = 1000000;
constexpr uint16_t kMaxChannels = 64;
// Room above the exact resampled length, so the resampler always takes a whole source buffer.
constexpr size_t kResampleSlack = 64;

// Rates the chooser offers besides the input's own.
constexpr uint32_t kListedRates[] = {8000, 11025, 16000, 22050, 32000, 44100, 48000, 96000};

void PutU16(uint8_t *p, uint16_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
void PutU32(uint8_t *p, uint32_t v)
{
    p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); p[2] = uint8_t(v >> 16); p[3] = uint8_t(v >> 24);
}
uint16_t GetU16(const uint8_t *p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t GetU32(const uint8_t *p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

inline int16_t ToInt16(float f)
{
    long v = std::lrint(f * 32768.0f);
    return int16_t(std::clamp(v, -32768L, 32767L));
}

// G.711 A-law from a 16-bit sample (13 significant bits).
uint8_t LinearToALaw(int16_t sample)
{
    int pcm = sample >> 3;
    uint8_t mask;
    if (pcm >= 0) {
        mask = 0xD5;
    } else {
        mask = 0x55;
        pcm = -pcm - 1;
    }
    int seg = 0;
    while (seg < 8 && pcm > (0x20 << seg) - 1)
        ++seg;
    if (seg >= 8)
        return uint8_t(0x7F ^ mask);
    int aval = seg << 4;
    aval |= seg < 2 ? (pcm >> 1) & 0x0F : (pcm >> seg) & 0x0F;
    return uint8_t(aval ^ mask);
}

// G.711 mu-law from a 16-bit sample (14 significant bits, biased).
uint8_t LinearToMuLaw(int16_t sample)
{
    constexpr int kBias = 0x84 >> 2;
    constexpr int kClip = 8159;
    int pcm = sample >> 2;
    uint8_t mask;
    if (pcm < 0) {
        pcm = -pcm;
        mask = 0x7F;
    } else {
        mask = 0xFF;
    }
    if (pcm > kClip)
        pcm = kClip;
    pcm += kBias;
    int seg = 0;
    while (seg < 8 && pcm > (0x40 << seg) - 1)
        ++seg;
    if (seg >= 8)
        return uint8_t(0x7F ^ mask);
    int uval = (seg << 4) | ((pcm >> (seg + 1)) & 0x0F);
    return uint8_t(uval ^ mask);
}

constexpr int kImaStep[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,   253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,   876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749,  3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493,  10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
constexpr int kImaIndexStep[8] = {-1, -1, -1, -1, 2, 4, 6, 8};

// One IMA ADPCM code for sample; updates the predictor and step index as a decoder will.
uint8_t ImaEncode(int sample, int &predictor, int &index)
{
    int step = kImaStep[index];
    int diff = sample - predictor;
    uint8_t code = 0;
    if (diff < 0) {
        code = 8;
        diff = -diff;
    }
    int delta = step >> 3;
    if (diff >= step) { code |= 4; diff -= step; delta += step; }
    step >>= 1;
    if (diff >= step) { code |= 2; diff -= step; delta += step; }
    step >>= 1;
    if (diff >= step) { code |= 1; delta += step; }
    predictor += (code & 8) ? -delta : delta;
    predictor = std::clamp(predictor, -32768, 32767);
    index = std::clamp(index + kImaIndexStep[code & 7], 0, 88);
    return code;
}

bool ValidPcmInput(const WaveFormatRecord &in)
{
    return in.FormatTag == WAVE_TAG_PCM && in.BitsPerSample == 16 && in.Channels >= 1 &&
           in.Channels <= kMaxChannels && in.SamplesPerSec >= 1 && in.SamplesPerSec <= kMaxRate &&
           in.BlockAlign == in.Channels * 2u &&
           uint64_t(in.AvgBytesPerSec) == uint64_t(in.BlockAlign) * in.SamplesPerSec;
}

unsigned ImaSamplesPerBlock(uint16_t blockAlign, uint16_t channels)
{
    return (blockAlign - 4u * channels) * 8u / (4u * channels) + 1u;
}

bool ValidOutput(const WaveFormatRecord &out)
{
    if (out.Channels < 1 || out.Channels > kMaxChannels || out.SamplesPerSec < 1 ||
        out.SamplesPerSec > kMaxRate)
        return false;
    const uint64_t rate = out.SamplesPerSec;
    switch (out.FormatTag) {
    case WAVE_TAG_PCM:
        if (out.BitsPerSample != 8 && out.BitsPerSample != 16 && out.BitsPerSample != 24 &&
            out.BitsPerSample != 32)
            return false;
        return out.BlockAlign == out.Channels * out.BitsPerSample / 8u &&
               out.AvgBytesPerSec == uint64_t(out.BlockAlign) * rate;
    case WAVE_TAG_ALAW:
    case WAVE_TAG_MULAW:
        return out.BitsPerSample == 8 && out.BlockAlign == out.Channels &&
               out.AvgBytesPerSec == uint64_t(out.BlockAlign) * rate;
    case WAVE_TAG_IMA_ADPCM: {
        const unsigned headerBytes = 4u * out.Channels;
        if (out.BitsPerSample != 4 || out.Extra.size() < 2 || out.BlockAlign <= headerBytes ||
            out.BlockAlign % headerBytes != 0)
            return false;
        const unsigned spb = ImaSamplesPerBlock(out.BlockAlign, out.Channels);
        return GetU16(out.Extra.data()) == spb &&
               out.AvgBytesPerSec == rate * out.BlockAlign / spb;
    }
    default:
        return false;
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Records and texts

std::vector<uint8_t> WaveFormatRecord::Bytes() const
{
    std::vector<uint8_t> b(18 + Extra.size());
    PutU16(&b[0], FormatTag);
    PutU16(&b[2], Channels);
    PutU32(&b[4], SamplesPerSec);
    PutU32(&b[8], AvgBytesPerSec);
    PutU16(&b[12], BlockAlign);
    PutU16(&b[14], BitsPerSample);
    PutU16(&b[16], uint16_t(Extra.size()));
    std::copy(Extra.begin(), Extra.end(), b.begin() + 18);
    return b;
}

bool WaveFormatRecord::Parse(const uint8_t *data, size_t len, WaveFormatRecord &out)
{
    if (!data || len < 16)
        return false;
    WaveFormatRecord r;
    r.FormatTag = GetU16(data);
    r.Channels = GetU16(data + 2);
    r.SamplesPerSec = GetU32(data + 4);
    r.AvgBytesPerSec = GetU32(data + 8);
    r.BlockAlign = GetU16(data + 12);
    r.BitsPerSample = GetU16(data + 14);
    if (len >= 18) {
        const size_t extra = std::min<size_t>(GetU16(data + 16), len - 18);
        r.Extra.assign(data + 18, data + 18 + extra);
    }
    out = std::move(r);
    return true;
}

WaveFormatRecord WaveFormatRecord::Pcm(uint32_t rate, uint16_t channels, uint16_t bits)
{
    WaveFormatRecord r;
    r.FormatTag = WAVE_TAG_PCM;
    r.Channels = channels;
    r.SamplesPerSec = rate;
    r.BitsPerSample = bits;
    r.BlockAlign = uint16_t(bits / 8u * channels);
    r.AvgBytesPerSec = uint32_t(uint64_t(r.BlockAlign) * rate);
    return r;
}

static WaveFormatRecord G711(uint16_t tag, uint32_t rate, uint16_t channels)
{
    WaveFormatRecord r;
    r.FormatTag = tag;
    r.Channels = channels;
    r.SamplesPerSec = rate;
    r.BitsPerSample = 8;
    r.BlockAlign = channels;
    r.AvgBytesPerSec = uint32_t(uint64_t(channels) * rate);
    return r;
}

WaveFormatRecord WaveFormatRecord::ALaw(uint32_t rate, uint16_t channels)
{
    return G711(WAVE_TAG_ALAW, rate, channels);
}

WaveFormatRecord WaveFormatRecord::MuLaw(uint32_t rate, uint16_t channels)
{
    return G711(WAVE_TAG_MULAW, rate, channels);
}

WaveFormatRecord WaveFormatRecord::ImaAdpcm(uint32_t rate, uint16_t channels)
{
    // The usual block sizes: 256 bytes per channel up to 11025 Hz, doubling with the rate.
    WaveFormatRecord r;
    r.FormatTag = WAVE_TAG_IMA_ADPCM;
    r.Channels = channels;
    r.SamplesPerSec = rate;
    r.BitsPerSample = 4;
    const uint64_t blockAlign = 256ull * channels * std::clamp<uint32_t>(rate / 11025, 1, 8);
    if (channels == 0 || blockAlign > 0xFFFF)
        return r; // no valid record: BlockAlign stays 0
    r.BlockAlign = uint16_t(blockAlign);
    const unsigned spb = ImaSamplesPerBlock(r.BlockAlign, channels);
    r.AvgBytesPerSec = uint32_t(uint64_t(rate) * r.BlockAlign / spb);
    r.Extra = {uint8_t(spb), uint8_t(spb >> 8)};
    return r;
}

std::string WaveFormatTagName(uint16_t tag)
{
    switch (tag) {
    case WAVE_TAG_PCM: return "PCM";
    case WAVE_TAG_ALAW: return "A-Law";
    case WAVE_TAG_MULAW: return "\xC2\xB5-Law"; // µ-Law
    case WAVE_TAG_IMA_ADPCM: return "IMA ADPCM";
    default: return {};
    }
}

std::string WaveFormatDescription(uint32_t rate, uint16_t bits, uint16_t channels)
{
    const uint64_t tenths = (uint64_t(rate) + 50) / 100;
    std::string text = std::to_string(tenths / 10) + UserDecimalPoint() +
                       std::to_string(tenths % 10) + " kHz " + std::to_string(bits) + " Bit ";
    if (channels == 2)
        text += "Stereo";
    else if (channels == 1)
        text += "Mono";
    else
        text += std::to_string(channels) + " Channels";
    return text;
}

// ---------------------------------------------------------------------------------------------
// Converter

struct FormatConverter::Resampler {
    soxr_t handle = nullptr;
    ~Resampler()
    {
        if (handle)
            soxr_delete(handle);
    }
};

FormatConverter::FormatConverter() = default;
FormatConverter::~FormatConverter() = default;

bool FormatConverter::CanConvert(const WaveFormatRecord &input, const WaveFormatRecord &output)
{
    if (!ValidPcmInput(input) || !ValidOutput(output))
        return false;
    // Channels are kept, mixed down to mono, or a mono input is copied to every output channel.
    return output.Channels == input.Channels || output.Channels == 1 || input.Channels == 1;
}

std::vector<WaveFormatChoice> FormatConverter::ListFormats(int32_t rate, int16_t channels)
{
    std::vector<WaveFormatChoice> list;
    if (rate < 1 || channels < 1)
        return list;
    const WaveFormatRecord input = WaveFormatRecord::Pcm(uint32_t(rate), uint16_t(channels), 16);
    if (!ValidPcmInput(input))
        return list;

    std::vector<uint32_t> rates(std::begin(kListedRates), std::end(kListedRates));
    rates.push_back(uint32_t(rate));
    std::sort(rates.begin(), rates.end());
    rates.erase(std::unique(rates.begin(), rates.end()), rates.end());
    std::vector<uint16_t> counts = {1, 2, uint16_t(channels)};
    std::sort(counts.begin(), counts.end());
    counts.erase(std::unique(counts.begin(), counts.end()), counts.end());

    auto add = [&](const WaveFormatRecord &r) {
        if (CanConvert(input, r))
            list.push_back({r.Bytes(), WaveFormatTagName(r.FormatTag),
                            WaveFormatDescription(r.SamplesPerSec, r.BitsPerSample, r.Channels)});
    };
    for (uint32_t r : rates)
        for (uint16_t bits : {8, 16, 24, 32})
            for (uint16_t ch : counts)
                add(WaveFormatRecord::Pcm(r, ch, bits));
    for (uint32_t r : rates)
        for (uint16_t ch : counts)
            add(WaveFormatRecord::ALaw(r, ch));
    for (uint32_t r : rates)
        for (uint16_t ch : counts)
            add(WaveFormatRecord::MuLaw(r, ch));
    for (uint32_t r : rates)
        for (uint16_t ch : counts)
            add(WaveFormatRecord::ImaAdpcm(r, ch));
    return list;
}

bool FormatConverter::Open(const WaveFormatRecord &input, const WaveFormatRecord &output,
                           size_t maxSourceBytes)
{
    Close();
    if (!CanConvert(input, output))
        return false;
    m_in = input;
    m_out = output;
    m_midChannels = std::min(input.Channels, output.Channels);
    m_maxInFrames = maxSourceBytes / input.BlockAlign;
    const bool resample = input.SamplesPerSec != output.SamplesPerSec;
    if (resample) {
        const double ratio = double(output.SamplesPerSec) / input.SamplesPerSec;
        m_maxMidFrames = size_t(std::ceil(double(m_maxInFrames) * ratio)) + kResampleSlack;
    } else {
        m_maxMidFrames = m_maxInFrames;
    }

    try {
        m_mix.assign(m_maxInFrames * m_midChannels, 0.0f);
        if (resample)
            m_resampled.assign(m_maxMidFrames * m_midChannels, 0.0f);
        if (output.FormatTag == WAVE_TAG_IMA_ADPCM) {
            m_samplesPerBlock = ImaSamplesPerBlock(output.BlockAlign, output.Channels);
            m_block.assign(size_t(m_samplesPerBlock) * output.Channels, 0);
            m_adpcmPredictor.assign(output.Channels, 0);
            m_adpcmIndex.assign(output.Channels, 0);
            const size_t blocks = (m_samplesPerBlock - 1 + m_maxMidFrames) / m_samplesPerBlock + 1;
            m_destinationSize = blocks * output.BlockAlign;
        } else {
            m_destinationSize = m_maxMidFrames * output.BlockAlign;
        }
        if (resample) {
            m_resampler = std::make_unique<Resampler>();
            const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
            const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
            const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
            soxr_error_t error = nullptr;
            m_resampler->handle = soxr_create(input.SamplesPerSec, output.SamplesPerSec,
                                              m_midChannels, &error, &io, &quality, &runtime);
            if (error || !m_resampler->handle || !WarmUpResampler()) {
                Close();
                return false;
            }
        }
    } catch (const std::bad_alloc &) {
        Close();
        return false;
    }
    m_blockFill = 0;
    m_flushed = false;
    m_open = true;
    return true;
}

bool FormatConverter::WarmUpResampler()
{
    // The resampler sets up its filters and grows its buffers on first use. Feeding it silence
    // here makes that happen before the first source buffer, so converting allocates nothing.
    // The silence lasts a whole number of periods of both rates, so it gives an exact number
    // of output frames, which are dropped before the real output.
    const uint64_t inRate = m_in.SamplesPerSec, outRate = m_out.SamplesPerSec;
    const uint64_t period = inRate / std::gcd(inRate, outRate);
    const size_t frames = size_t(m_maxInFrames / period * period);
    m_skipFrames = 0;
    if (frames == 0)
        return true;
    std::fill(m_mix.begin(), m_mix.begin() + long(frames * m_midChannels), 0.0f);
    size_t idone = 0, odone = 0;
    const soxr_error_t error = soxr_process(m_resampler->handle, m_mix.data(), frames, &idone,
                                            m_resampled.data(), m_maxMidFrames, &odone);
    const uint64_t silence = frames * outRate / inRate;
    if (error || idone != frames || odone > silence)
        return false;
    m_skipFrames = size_t(silence - odone);
    return true;
}

size_t FormatConverter::DropWarmUp(float *&frames, size_t count)
{
    const size_t drop = std::min(m_skipFrames, count);
    m_skipFrames -= drop;
    frames += drop * m_midChannels;
    return count - drop;
}

void FormatConverter::Close()
{
    m_open = false;
    m_resampler.reset();
    m_mix = {};
    m_resampled = {};
    m_block = {};
    m_adpcmPredictor = {};
    m_adpcmIndex = {};
    m_blockFill = 0;
    m_skipFrames = 0;
    m_samplesPerBlock = 0;
    m_maxInFrames = m_maxMidFrames = m_destinationSize = 0;
}

bool FormatConverter::Convert(const uint8_t *src, size_t srcLen, uint8_t *dst, size_t dstCap,
                              size_t &srcUsed, size_t &dstUsed)
{
    srcUsed = dstUsed = 0;
    const size_t frames = srcLen / (m_open ? m_in.BlockAlign : 1);
    if (!m_open || m_flushed || frames > m_maxInFrames || dstCap < m_destinationSize ||
        (frames > 0 && (!src || !dst)))
        return false;

    // Input to floats, mixed down when the output has fewer channels.
    const unsigned inCh = m_in.Channels;
    float *mix = m_mix.data();
    if (m_midChannels == inCh) {
        for (size_t i = 0; i < frames * inCh; ++i) {
            int16_t s;
            std::memcpy(&s, src + 2 * i, 2);
            mix[i] = float(s) * (1.0f / 32768.0f);
        }
    } else {
        const float scale = 1.0f / (32768.0f * float(inCh));
        for (size_t i = 0; i < frames; ++i) {
            int sum = 0;
            for (unsigned c = 0; c < inCh; ++c) {
                int16_t s;
                std::memcpy(&s, src + 2 * (i * inCh + c), 2);
                sum += s;
            }
            mix[i] = float(sum) * scale;
        }
    }

    const float *out = mix;
    size_t outFrames = frames;
    if (m_resampler) {
        size_t idone = 0, odone = 0;
        soxr_error_t error = soxr_process(m_resampler->handle, mix, frames, &idone,
                                          m_resampled.data(), m_maxMidFrames, &odone);
        if (error || idone != frames) {
            // The resampler's state is no longer known: nothing more is converted.
            m_flushed = true;
            return false;
        }
        float *resampled = m_resampled.data();
        outFrames = DropWarmUp(resampled, odone);
        out = resampled;
    }
    srcUsed = frames * inCh * 2;
    dstUsed = WriteOutput(out, outFrames, dst);
    return true;
}

bool FormatConverter::Flush(uint8_t *dst, size_t dstCap, size_t &dstUsed)
{
    dstUsed = 0;
    if (!m_open || dstCap < m_destinationSize || !dst)
        return false;
    m_flushed = true;
    while (m_resampler) {
        size_t odone = 0;
        soxr_error_t error = soxr_process(m_resampler->handle, nullptr, 0, nullptr,
                                          m_resampled.data(), m_maxMidFrames, &odone);
        if (error)
            return false;
        if (odone == 0)
            break;
        float *resampled = m_resampled.data();
        const size_t frames = DropWarmUp(resampled, odone);
        if (frames > 0) {
            dstUsed = WriteOutput(resampled, frames, dst);
            return true;
        }
    }
    if (m_out.FormatTag == WAVE_TAG_IMA_ADPCM && m_blockFill > 0) {
        // The last block is completed by holding the last sample, which adds no click.
        const unsigned ch = m_out.Channels;
        for (size_t i = m_blockFill; i < m_samplesPerBlock; ++i)
            for (unsigned c = 0; c < ch; ++c)
                m_block[i * ch + c] = m_block[(m_blockFill - 1) * ch + c];
        dstUsed = EncodeAdpcmBlock(dst);
        m_blockFill = 0;
    }
    return true;
}

namespace {
// Writes count frames of midCh floats as outCh samples of bytesPerSample bytes each; a mono
// frame goes to every output channel.
template <typename Put>
size_t Emit(const float *in, size_t count, unsigned midCh, unsigned outCh, uint8_t *dst,
            size_t bytesPerSample, Put put)
{
    uint8_t *p = dst;
    if (midCh == outCh) {
        for (size_t i = 0; i < count * outCh; ++i, p += bytesPerSample)
            put(p, in[i]);
    } else {
        for (size_t i = 0; i < count; ++i)
            for (unsigned c = 0; c < outCh; ++c, p += bytesPerSample)
                put(p, in[i]);
    }
    return size_t(p - dst);
}
} // namespace

size_t FormatConverter::WriteOutput(const float *frames, size_t count, uint8_t *dst)
{
    const unsigned mid = m_midChannels, ch = m_out.Channels;
    switch (m_out.FormatTag) {
    case WAVE_TAG_ALAW:
        return Emit(frames, count, mid, ch, dst, 1,
                    [](uint8_t *p, float f) { *p = LinearToALaw(ToInt16(f)); });
    case WAVE_TAG_MULAW:
        return Emit(frames, count, mid, ch, dst, 1,
                    [](uint8_t *p, float f) { *p = LinearToMuLaw(ToInt16(f)); });
    case WAVE_TAG_IMA_ADPCM:
        return WriteAdpcm(frames, count, dst);
    default:
        break;
    }
    switch (m_out.BitsPerSample) {
    case 8:
        return Emit(frames, count, mid, ch, dst, 1, [](uint8_t *p, float f) {
            *p = uint8_t(std::clamp(std::lrint(f * 128.0f), -128L, 127L) + 128);
        });
    case 16:
        return Emit(frames, count, mid, ch, dst, 2, [](uint8_t *p, float f) {
            const int16_t v = ToInt16(f);
            std::memcpy(p, &v, 2);
        });
    case 24:
        return Emit(frames, count, mid, ch, dst, 3, [](uint8_t *p, float f) {
            const long v = std::clamp(std::lrint(f * 8388608.0f), -8388608L, 8388607L);
            p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); p[2] = uint8_t(v >> 16);
        });
    default:
        return Emit(frames, count, mid, ch, dst, 4, [](uint8_t *p, float f) {
            const int32_t v = int32_t(std::clamp(std::llrint(double(f) * 2147483648.0),
                                                 -2147483648LL, 2147483647LL));
            std::memcpy(p, &v, 4);
        });
    }
}

size_t FormatConverter::WriteAdpcm(const float *frames, size_t count, uint8_t *dst)
{
    const unsigned mid = m_midChannels, ch = m_out.Channels;
    size_t written = 0;
    for (size_t i = 0; i < count; ++i) {
        int16_t *slot = &m_block[m_blockFill * ch];
        for (unsigned c = 0; c < ch; ++c)
            slot[c] = ToInt16(frames[i * mid + (mid == 1 ? 0 : c)]);
        if (++m_blockFill == m_samplesPerBlock) {
            written += EncodeAdpcmBlock(dst + written);
            m_blockFill = 0;
        }
    }
    return written;
}

size_t FormatConverter::EncodeAdpcmBlock(uint8_t *dst)
{
    // Block: per channel a header (first sample, step index, 0), then per group of 8 samples
    // 4 bytes per channel in channel order, the earlier sample in the low nibble.
    const unsigned ch = m_out.Channels;
    for (unsigned c = 0; c < ch; ++c) {
        const int16_t first = m_block[c];
        m_adpcmPredictor[c] = first;
        std::memcpy(dst + 4 * c, &first, 2);
        dst[4 * c + 2] = uint8_t(m_adpcmIndex[c]);
        dst[4 * c + 3] = 0;
    }
    uint8_t *p = dst + 4 * ch;
    const unsigned groups = (m_samplesPerBlock - 1) / 8;
    for (unsigned g = 0; g < groups; ++g) {
        for (unsigned c = 0; c < ch; ++c) {
            int &pred = m_adpcmPredictor[c];
            int &index = m_adpcmIndex[c];
            for (unsigned k = 0; k < 8; k += 2) {
                const size_t n = 1 + size_t(g) * 8 + k;
                const uint8_t lo = ImaEncode(m_block[n * ch + c], pred, index);
                const uint8_t hi = ImaEncode(m_block[(n + 1) * ch + c], pred, index);
                *p++ = uint8_t(lo | (hi << 4));
            }
        }
    }
    return m_out.BlockAlign;
}
