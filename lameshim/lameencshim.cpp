// The MP3 engine library over libmp3lame: configuration record to encoder settings, a small table
// of open streams addressed by 32-bit handles, and the version record.
#include "lameencshim.h"

#include <lame/lame.h>

#include <algorithm>
#include <array>
#include <iterator>
#include <cstdarg>
#include <cstring>
#include <mutex>

namespace {

constexpr uint32_t kFramesPerChunk = 1152 * 8; // eight MPEG-1 frames of input per chunk
constexpr uint32_t kLargestFrameBytes = 1441;  // 320 kbit/s at 32 kHz, or 160 kbit/s at 8 kHz, padded
constexpr uint32_t kFlushBytes = 7200;         // what the engine asks for when flushing
constexpr int kShimMajor = 1;
constexpr int kShimMinor = 0;

uint32_t u32(const uint8_t *p, int off)
{
    return uint32_t(p[off]) | uint32_t(p[off + 1]) << 8 | uint32_t(p[off + 2]) << 16 |
           uint32_t(p[off + 3]) << 24;
}
int32_t i32(const uint8_t *p, int off) { return int32_t(u32(p, off)); }
uint16_t u16(const uint8_t *p, int off) { return uint16_t(p[off] | p[off + 1] << 8); }

void silent(const char *, va_list) {}

struct Stream {
    lame_global_flags *gf = nullptr;
    uint32_t generation = 0;
    uint32_t samplesPerChunk = 0;
    uint32_t outputBufferSize = 0;
    bool flushed = false;
};

// Handle = generation << 8 | (slot + 1): 0 is never a handle, and a closed stream's handle stays
// invalid after its slot is reused.
constexpr size_t kSlots = 64;
std::mutex g_lock;
std::array<Stream, kSlots> g_streams;

Stream *find(uint32_t handle)
{
    const uint32_t slot = (handle & 0xFF) - 1;
    if ((handle & 0xFF) == 0 || slot >= kSlots)
        return nullptr;
    Stream &s = g_streams[slot];
    if (!s.gf || s.generation != handle >> 8)
        return nullptr;
    return &s;
}

void setCbr(lame_global_flags *gf, int kbps)
{
    lame_set_VBR(gf, vbr_off);
    lame_set_brate(gf, kbps);
}

void setAbr(lame_global_flags *gf, const uint8_t *cfg)
{
    uint32_t kbps = u32(cfg, BE_CFG_ABR_BITRATE);
    if (kbps == 0)
        kbps = u32(cfg, BE_CFG_BITRATE);
    lame_set_VBR(gf, vbr_abr);
    lame_set_VBR_mean_bitrate_kbps(gf, int(kbps));
}

// Rate control: the preset decides, or with no preset the record's rate fields.
uint32_t applyRateControl(lame_global_flags *gf, const uint8_t *cfg)
{
    const int32_t preset = i32(cfg, BE_CFG_PRESET);
    switch (preset) {
    case BE_PRESET_DEFAULT:
        if (u32(cfg, BE_CFG_ENABLE_VBR) == 0) {
            setCbr(gf, int(u32(cfg, BE_CFG_BITRATE)));
            return BE_ERR_SUCCESSFUL;
        }
        switch (i32(cfg, BE_CFG_VBR_METHOD)) {
        case BE_VBR_METHOD_DEFAULT: lame_set_VBR(gf, vbr_default); break;
        case BE_VBR_METHOD_OLD: lame_set_VBR(gf, vbr_rh); break;
        case BE_VBR_METHOD_NEW: lame_set_VBR(gf, vbr_mtrh); break;
        case BE_VBR_METHOD_ABR: setAbr(gf, cfg); break;
        default: return BE_ERR_INVALID_FORMAT_PARAMETERS;
        }
        if (lame_get_VBR(gf) != vbr_abr) {
            const int32_t q = i32(cfg, BE_CFG_VBR_QUALITY);
            if (q < 0 || q > 9)
                return BE_ERR_INVALID_FORMAT_PARAMETERS;
            lame_set_VBR_q(gf, q);
        }
        if (uint32_t lo = u32(cfg, BE_CFG_BITRATE))
            lame_set_VBR_min_bitrate_kbps(gf, int(lo));
        if (uint32_t hi = u32(cfg, BE_CFG_MAX_BITRATE))
            lame_set_VBR_max_bitrate_kbps(gf, int(hi));
        return BE_ERR_SUCCESSFUL;
    case BE_PRESET_NORMAL: setCbr(gf, 128); break;
    case BE_PRESET_LOW: setCbr(gf, 128); lame_set_quality(gf, 7); break;
    case BE_PRESET_HIGH: setCbr(gf, 128); lame_set_quality(gf, 2); break;
    case BE_PRESET_VERY_HIGH: setCbr(gf, 128); lame_set_quality(gf, 0); break;
    case BE_PRESET_MEDIUM: setCbr(gf, 128); lame_set_quality(gf, 5); break;
    case BE_PRESET_MEDIUM_FAST: setCbr(gf, 128); lame_set_quality(gf, 6); break;
    case BE_PRESET_VOICE:
        // Speech needs no more than 16 kHz of bandwidth; a lower input rate is kept as it is.
        if (u32(cfg, BE_CFG_OUT_RATE) == 0 && lame_get_in_samplerate(gf) >= 32000)
            lame_set_out_samplerate(gf, 32000);
        lame_set_VBR(gf, vbr_mtrh);
        lame_set_VBR_q(gf, 5);
        lame_set_VBR_min_bitrate_kbps(gf, 96);
        lame_set_VBR_max_bitrate_kbps(gf, 160);
        break;
    case BE_PRESET_R3MIX: lame_set_preset(gf, R3MIX); break;
    case BE_PRESET_STANDARD: lame_set_preset(gf, STANDARD); break;
    case BE_PRESET_STANDARD_FAST: lame_set_preset(gf, STANDARD_FAST); break;
    case BE_PRESET_EXTREME: lame_set_preset(gf, EXTREME); break;
    case BE_PRESET_EXTREME_FAST: lame_set_preset(gf, EXTREME_FAST); break;
    case BE_PRESET_INSANE: lame_set_preset(gf, INSANE); break;
    case BE_PRESET_ABR: setAbr(gf, cfg); break;
    case BE_PRESET_CBR: setCbr(gf, int(u32(cfg, BE_CFG_BITRATE))); break;
    default: return BE_ERR_INVALID_FORMAT_PARAMETERS;
    }
    return BE_ERR_SUCCESSFUL;
}

uint32_t configure(lame_global_flags *gf, const uint8_t *cfg)
{
    lame_set_errorf(gf, silent);
    lame_set_debugf(gf, silent);
    lame_set_msgf(gf, silent);

    const uint32_t inRate = u32(cfg, BE_CFG_IN_RATE);
    const uint32_t outRate = u32(cfg, BE_CFG_OUT_RATE);
    if (inRate == 0 || inRate > 1000000)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    static constexpr uint32_t mp3Rates[] = {0, 8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
    if (std::find(std::begin(mp3Rates), std::end(mp3Rates), outRate) == std::end(mp3Rates))
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    lame_set_num_channels(gf, 2);
    lame_set_in_samplerate(gf, int(inRate));
    if (outRate != 0)
        lame_set_out_samplerate(gf, int(outRate));

    static constexpr MPEG_mode modes[] = {STEREO, JOINT_STEREO, DUAL_CHANNEL, MONO};
    const int32_t mode = i32(cfg, BE_CFG_MODE);
    if (mode < 0 || mode > 3)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    lame_set_mode(gf, modes[mode]);

    const uint32_t emphasis = u32(cfg, BE_CFG_EMPHASIS);
    if (emphasis > 3)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    lame_set_emphasis(gf, int(emphasis));
    lame_set_extension(gf, u32(cfg, BE_CFG_PRIVATE) != 0);
    lame_set_error_protection(gf, u32(cfg, BE_CFG_CRC) != 0);
    lame_set_copyright(gf, u32(cfg, BE_CFG_COPYRIGHT) != 0);
    lame_set_original(gf, u32(cfg, BE_CFG_ORIGINAL) != 0);
    lame_set_bWriteVbrTag(gf, u32(cfg, BE_CFG_WRITE_VBR_HEADER) != 0);
    lame_set_disable_reservoir(gf, u32(cfg, BE_CFG_NO_RESERVOIR) != 0);
    lame_set_strict_ISO(gf, u32(cfg, BE_CFG_STRICT_ISO) != 0);
    // The stream starts with the info frame, so the caller knows where to write it back.
    lame_set_write_id3tag_automatic(gf, 0);

    if (uint32_t r = applyRateControl(gf, cfg))
        return r;

    if (uint16_t q = u16(cfg, BE_CFG_QUALITY)) {
        if (q > 10)
            return BE_ERR_INVALID_FORMAT_PARAMETERS;
        lame_set_quality(gf, q - 1);
    }
    return BE_ERR_SUCCESSFUL;
}

// Largest output of one chunk: every frame the chunk can complete (after resampling), plus the
// frames the engine may still hold and the leading info frame; never less than the engine's own
// worst-case estimate of 1.25 bytes a sample plus 7200.
uint32_t outputBufferSizeFor(lame_global_flags *gf)
{
    const uint64_t in = uint64_t(lame_get_in_samplerate(gf));
    const uint64_t out = uint64_t(lame_get_out_samplerate(gf));
    const uint64_t frameSize = uint64_t(lame_get_framesize(gf) > 0 ? lame_get_framesize(gf) : 576);
    const uint64_t outSamples = (kFramesPerChunk * out + in - 1) / in;
    const uint64_t byFrames = (outSamples / frameSize + 8) * kLargestFrameBytes;
    const uint64_t byEstimate = outSamples + outSamples / 4 + 1 + kFlushBytes;
    return uint32_t(byFrames > byEstimate ? byFrames : byEstimate);
}

} // namespace

extern "C" {

uint32_t beInitStream(const uint8_t *config, uint32_t *samplesPerChunk, uint32_t *outputBufferSize,
                      uint32_t *stream)
{
    if (!config || !samplesPerChunk || !outputBufferSize || !stream)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    *samplesPerChunk = 0;
    *outputBufferSize = 0;
    *stream = 0;
    if (u32(config, BE_CFG_KIND) != BE_CONFIG_KIND_LAME)
        return BE_ERR_INVALID_FORMAT;
    if (u32(config, BE_CFG_STRUCT_SIZE) < BE_CONFIG_SIZE)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;

    lame_global_flags *gf = lame_init();
    if (!gf)
        return BE_ERR_NO_MORE_HANDLES;
    uint32_t result = configure(gf, config);
    if (result == BE_ERR_SUCCESSFUL && lame_init_params(gf) < 0)
        result = BE_ERR_INVALID_FORMAT_PARAMETERS;
    if (result != BE_ERR_SUCCESSFUL) {
        lame_close(gf);
        return result;
    }

    std::lock_guard lock(g_lock);
    for (size_t i = 0; i < kSlots; ++i) {
        Stream &s = g_streams[i];
        if (s.gf)
            continue;
        s.gf = gf;
        s.generation = (s.generation + 1) & 0xFFFFFF;
        if (s.generation == 0)
            s.generation = 1;
        s.samplesPerChunk = kFramesPerChunk * 2;
        s.outputBufferSize = outputBufferSizeFor(gf);
        s.flushed = false;
        *samplesPerChunk = s.samplesPerChunk;
        *outputBufferSize = s.outputBufferSize;
        *stream = s.generation << 8 | uint32_t(i + 1);
        return BE_ERR_SUCCESSFUL;
    }
    lame_close(gf);
    return BE_ERR_NO_MORE_HANDLES;
}

uint32_t beEncodeChunk(uint32_t stream, uint32_t samples, const int16_t *pcm, uint8_t *output,
                       uint32_t *produced)
{
    if (produced)
        *produced = 0;
    Stream s;
    {
        std::lock_guard lock(g_lock);
        Stream *found = find(stream);
        if (!found || found->flushed)
            return BE_ERR_INVALID_HANDLE;
        s = *found;
    }
    if (!produced || !output || (samples != 0 && !pcm) || samples % 2 != 0)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    if (samples > s.samplesPerChunk)
        return BE_ERR_BUFFER_TOO_SMALL;
    // The engine reads the samples only; its prototype lacks the const.
    const int n = lame_encode_buffer_interleaved(s.gf, const_cast<short *>(pcm), int(samples / 2),
                                                 output, int(s.outputBufferSize));
    if (n == -1)
        return BE_ERR_BUFFER_TOO_SMALL;
    if (n < 0)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    *produced = uint32_t(n);
    return BE_ERR_SUCCESSFUL;
}

uint32_t beDeinitStream(uint32_t stream, uint8_t *output, uint32_t *produced)
{
    if (produced)
        *produced = 0;
    lame_global_flags *gf = nullptr;
    uint32_t size = 0;
    {
        std::lock_guard lock(g_lock);
        Stream *found = find(stream);
        if (!found || found->flushed)
            return BE_ERR_INVALID_HANDLE;
        if (!produced || !output)
            return BE_ERR_INVALID_FORMAT_PARAMETERS;
        found->flushed = true;
        gf = found->gf;
        size = found->outputBufferSize;
    }
    const int n = lame_encode_flush(gf, output, int(size));
    if (n == -1)
        return BE_ERR_BUFFER_TOO_SMALL;
    if (n < 0)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    *produced = uint32_t(n);
    return BE_ERR_SUCCESSFUL;
}

uint32_t beInfoFrame(uint32_t stream, uint8_t *output, uint32_t *produced)
{
    if (produced)
        *produced = 0;
    Stream s;
    {
        std::lock_guard lock(g_lock);
        Stream *found = find(stream);
        if (!found)
            return BE_ERR_INVALID_HANDLE;
        s = *found;
    }
    if (!produced || !output)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    if (!s.flushed)
        return BE_ERR_SUCCESSFUL;
    const size_t n = lame_get_lametag_frame(s.gf, output, s.outputBufferSize);
    if (n > s.outputBufferSize)
        return BE_ERR_BUFFER_TOO_SMALL;
    *produced = uint32_t(n);
    return BE_ERR_SUCCESSFUL;
}

uint32_t beCloseStream(uint32_t stream)
{
    lame_global_flags *gf = nullptr;
    {
        std::lock_guard lock(g_lock);
        Stream *found = find(stream);
        if (!found)
            return BE_ERR_INVALID_HANDLE;
        gf = found->gf;
        found->gf = nullptr;
    }
    lame_close(gf);
    return BE_ERR_SUCCESSFUL;
}

void beVersion(uint8_t *version)
{
    if (!version)
        return;
    std::memset(version, 0, BE_VERSION_SIZE);
    lame_version_t v{};
    get_lame_version_numerical(&v);
    version[BE_VER_DLL_MAJOR] = kShimMajor;
    version[BE_VER_DLL_MINOR] = kShimMinor;
    version[BE_VER_MAJOR] = uint8_t(v.major);
    version[BE_VER_MINOR] = uint8_t(v.minor);
    version[BE_VER_ALPHA] = uint8_t(v.alpha);
    version[BE_VER_BETA] = uint8_t(v.beta);
    version[BE_VER_MMX] = v.features && std::strstr(v.features, "MMX") ? 1 : 0;

    // The engine does not report its release date; the releases this layer knows are listed here,
    // any other leaves the date empty.
    struct Release {
        int major, minor, year, month, day;
    };
    static constexpr Release releases[] = {{3, 100, 2017, 10, 13}};
    for (const Release &r : releases) {
        if (r.major == v.major && r.minor == v.minor) {
            version[BE_VER_DAY] = uint8_t(r.day);
            version[BE_VER_MONTH] = uint8_t(r.month);
            version[BE_VER_YEAR] = uint8_t(r.year & 0xFF);
            version[BE_VER_YEAR + 1] = uint8_t(r.year >> 8);
        }
    }
    if (const char *url = get_lame_url())
        std::strncpy(reinterpret_cast<char *>(version + BE_VER_HOMEPAGE), url,
                     BE_VER_HOMEPAGE_SIZE - 1);
}

} // extern "C"
