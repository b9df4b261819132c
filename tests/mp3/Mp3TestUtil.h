#pragma once
// Test helpers for the MP3 converter: WAV files built byte by byte (so that any layout, size or
// fault can be made), a PCM WAV parser for decoded output, MP3 frame headers and the leading info
// frame, a tone's dominant frequency, and a scratch folder.
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

namespace mp3test {

class TempDir {
public:
    TempDir()
    {
        char tmpl[] = "/tmp/tavmp3-XXXXXX";
        if (char *p = mkdtemp(tmpl))
            m_path = p;
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    std::string file(const std::string &name) const { return m_path + '/' + name; }

private:
    std::string m_path;
};

inline void put16(std::vector<uint8_t> &v, uint32_t x)
{
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
}
inline void put32(std::vector<uint8_t> &v, uint32_t x)
{
    put16(v, x & 0xFFFF);
    put16(v, x >> 16);
}
inline void putId(std::vector<uint8_t> &v, const char *id)
{
    for (int i = 0; i < 4; ++i)
        v.push_back(uint8_t(id[i]));
}

// Interleaved stereo 16-bit tone: frequency in Hz per channel.
inline std::vector<uint8_t> stereoTone(uint32_t frames, uint32_t rate, double leftHz, double rightHz,
                                       double amplitude = 12000)
{
    std::vector<uint8_t> bytes;
    bytes.reserve(size_t(frames) * 4);
    for (uint32_t i = 0; i < frames; ++i) {
        const double t = double(i) / rate;
        put16(bytes, uint16_t(int16_t(std::lround(amplitude * std::sin(2 * std::numbers::pi * leftHz * t)))));
        put16(bytes, uint16_t(int16_t(std::lround(amplitude * std::sin(2 * std::numbers::pi * rightHz * t)))));
    }
    return bytes;
}

struct WavLayout {
    uint16_t formatTag = 1;
    uint16_t channels = 2;
    uint32_t rate = 44100;
    uint16_t bits = 16;
    uint32_t fmtSize = 16;           // bytes of the "fmt " chunk (extra bytes are zeros)
    bool listBetween = false;        // a LIST chunk (odd size, padded) between "fmt " and "data"
    bool dataBeforeFmt = false;
    std::optional<uint32_t> declaredData; // data size written in the header instead of the real one
};

inline std::vector<uint8_t> makeWav(const WavLayout &l, const std::vector<uint8_t> &data)
{
    std::vector<uint8_t> fmt;
    putId(fmt, "fmt ");
    put32(fmt, l.fmtSize);
    std::vector<uint8_t> body;
    put16(body, l.formatTag);
    put16(body, l.channels);
    put32(body, l.rate);
    const uint32_t align = l.channels * ((l.bits + 7) / 8);
    put32(body, l.rate * align);
    put16(body, align);
    put16(body, l.bits);
    body.resize(std::max<size_t>(l.fmtSize, 16), 0);
    body.resize(l.fmtSize);
    fmt.insert(fmt.end(), body.begin(), body.end());
    if (l.fmtSize & 1)
        fmt.push_back(0);

    std::vector<uint8_t> dataChunk;
    putId(dataChunk, "data");
    put32(dataChunk, l.declaredData.value_or(uint32_t(data.size())));
    dataChunk.insert(dataChunk.end(), data.begin(), data.end());
    if (data.size() & 1 && !l.declaredData)
        dataChunk.push_back(0);

    std::vector<uint8_t> list;
    if (l.listBetween) {
        putId(list, "LIST");
        put32(list, 13);
        const char info[] = "INFOISFT\1\0\0\0x";
        for (int i = 0; i < 13; ++i)
            list.push_back(uint8_t(info[i]));
        list.push_back(0);
    }

    std::vector<uint8_t> out;
    putId(out, "RIFF");
    put32(out, uint32_t(4 + fmt.size() + list.size() + dataChunk.size()));
    putId(out, "WAVE");
    if (l.dataBeforeFmt) {
        out.insert(out.end(), dataChunk.begin(), dataChunk.end());
        out.insert(out.end(), fmt.begin(), fmt.end());
    } else {
        out.insert(out.end(), fmt.begin(), fmt.end());
        out.insert(out.end(), list.begin(), list.end());
        out.insert(out.end(), dataChunk.begin(), dataChunk.end());
    }
    return out;
}

inline void writeFile(const std::string &path, const std::vector<uint8_t> &bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(bytes.data()),
                                                std::streamsize(bytes.size()));
}

inline std::vector<uint8_t> readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline uint32_t le32(const uint8_t *p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

struct Pcm {
    uint32_t rate = 0;
    uint16_t channels = 0;
    std::vector<int16_t> samples;
    size_t frames() const { return channels ? samples.size() / channels : 0; }
};

// A plain 16-bit PCM WAV, as a decoder writes it.
inline Pcm parsePcmWav(const std::vector<uint8_t> &b)
{
    Pcm pcm;
    for (size_t pos = 12; pos + 8 <= b.size();) {
        const uint32_t size = le32(&b[pos + 4]);
        if (!std::memcmp(&b[pos], "fmt ", 4)) {
            pcm.channels = uint16_t(b[pos + 10] | b[pos + 11] << 8);
            pcm.rate = le32(&b[pos + 12]);
        } else if (!std::memcmp(&b[pos], "data", 4)) {
            const size_t n = std::min<size_t>(size, b.size() - pos - 8) / 2;
            pcm.samples.resize(n);
            std::memcpy(pcm.samples.data(), &b[pos + 8], n * 2);
            break;
        }
        pos += 8 + size + (size & 1);
    }
    return pcm;
}

// Decodes with the reference decoder; an empty Pcm when it fails.
inline Pcm decodeMp3(const std::string &mp3, const std::string &wav)
{
    const std::string cmd = "lame --quiet --decode '" + mp3 + "' '" + wav + "'";
    if (std::system(cmd.c_str()) != 0)
        return {};
    return parsePcmWav(readFile(wav));
}

// Strongest frequency of one channel over 16384 frames from the middle of the signal (Hann
// window, parabolic interpolation between bins).
inline double dominantFrequency(const Pcm &pcm, int channel)
{
    const size_t n = 16384;
    if (pcm.frames() < n)
        return 0;
    const size_t start = (pcm.frames() - n) / 2;
    std::vector<std::complex<double>> x(n);
    for (size_t i = 0; i < n; ++i) {
        const double w = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * double(i) / double(n));
        x[i] = w * pcm.samples[(start + i) * pcm.channels + size_t(channel)];
    }
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(x[i], x[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const auto wl = std::polar(1.0, -2 * std::numbers::pi / double(len));
        for (size_t i = 0; i < n; i += len) {
            std::complex<double> w = 1;
            for (size_t k = 0; k < len / 2; ++k, w *= wl) {
                const auto u = x[i + k], v = x[i + k + len / 2] * w;
                x[i + k] = u + v;
                x[i + k + len / 2] = u - v;
            }
        }
    }
    size_t peak = 1;
    for (size_t k = 1; k < n / 2 - 1; ++k)
        if (std::abs(x[k]) > std::abs(x[peak]))
            peak = k;
    const double a = std::abs(x[peak - 1]), b = std::abs(x[peak]), c = std::abs(x[peak + 1]);
    const double shift = (a - c) / (2 * (a - 2 * b + c));
    return (double(peak) + shift) * pcm.rate / double(n);
}

struct FrameHeader {
    bool valid = false;
    bool mpeg1 = false;
    int bitrate = 0; // kbit/s
    int rate = 0;
    int size = 0;    // bytes
    int samples = 0; // per channel
};

inline FrameHeader frameHeader(const uint8_t *p)
{
    static const int br1[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
    static const int br2[] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
    static const int sr[3][3] = {{44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};
    FrameHeader h;
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0 || ((p[1] >> 1) & 3) != 1)
        return h;
    const int version = (p[1] >> 3) & 3; // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
    const int bi = p[2] >> 4, si = (p[2] >> 2) & 3, pad = (p[2] >> 1) & 1;
    if (version == 1 || bi == 0 || bi == 15 || si == 3)
        return h;
    h.mpeg1 = version == 3;
    h.bitrate = h.mpeg1 ? br1[bi] : br2[bi];
    h.rate = sr[version == 3 ? 0 : version == 2 ? 1 : 2][si];
    h.samples = h.mpeg1 ? 1152 : 576;
    h.size = (h.mpeg1 ? 144000 : 72000) * h.bitrate / h.rate + pad;
    h.valid = true;
    return h;
}

struct StreamInfo {
    std::vector<FrameHeader> frames; // every frame of the stream, the info frame first
    std::string tag;                 // "Xing" or "Info" when the first frame carries one
    uint32_t tagFrames = 0;          // frame count the info frame declares
    int delay = 0, padding = 0;      // encoder delay and padding of its extension, in samples
};

inline StreamInfo scanMp3(const std::vector<uint8_t> &b)
{
    StreamInfo info;
    for (size_t pos = 0; pos + 4 <= b.size();) {
        const FrameHeader h = frameHeader(&b[pos]);
        if (!h.valid || pos + size_t(h.size) > b.size())
            break;
        if (info.frames.empty()) {
            for (int off = 4; off + 8 <= h.size; ++off) {
                const uint8_t *t = &b[pos + size_t(off)];
                if (std::memcmp(t, "Xing", 4) && std::memcmp(t, "Info", 4))
                    continue;
                info.tag.assign(reinterpret_cast<const char *>(t), 4);
                if (t[7] & 1)
                    info.tagFrames = uint32_t(t[8]) << 24 | uint32_t(t[9]) << 16 | uint32_t(t[10]) << 8 | t[11];
                const uint8_t *ext = t + 120 + 21;
                if (off + 120 + 24 <= h.size) {
                    info.delay = ext[0] << 4 | ext[1] >> 4;
                    info.padding = (ext[1] & 0x0F) << 8 | ext[2];
                }
                break;
            }
        }
        info.frames.push_back(h);
        pos += size_t(h.size);
    }
    return info;
}

} // namespace mp3test
