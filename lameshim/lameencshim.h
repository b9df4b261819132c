#pragma once
// The MP3 engine library: a thin layer over libmp3lame, loaded by the program at run time.
//
// A stream is opened from a 331-byte configuration record, fed interleaved 16-bit stereo samples
// one chunk at a time, flushed, asked for its leading info frame and closed. Every function but
// beVersion returns 0 on success or one of the BE_ERR_* codes. All counts are unsigned 32-bit.
//
// Threads: the functions may be called from any thread, but one stream must not be used by two
// threads at once.
//
// Records are plain byte arrays with little-endian fields at fixed offsets (BE_CFG_*, BE_VER_*),
// so that both sides agree on the layout whatever the compiler's packing rules.
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes. */
#define BE_ERR_SUCCESSFUL 0u
#define BE_ERR_INVALID_FORMAT 1u            /* "Invalid Format" */
#define BE_ERR_INVALID_FORMAT_PARAMETERS 2u /* "Invalid Format Parameters" */
#define BE_ERR_NO_MORE_HANDLES 3u           /* "Out of LAME handles" */
#define BE_ERR_INVALID_HANDLE 4u            /* "LAME handle is invalid" */
#define BE_ERR_BUFFER_TOO_SMALL 5u          /* "Buffer is too small" */

/* Configuration record: 331 bytes. */
#define BE_CONFIG_SIZE 331u
#define BE_CONFIG_KIND_LAME 256u
#define BE_CFG_KIND 0            /* uint32, must be BE_CONFIG_KIND_LAME */
#define BE_CFG_STRUCT_VERSION 4  /* uint32, 1 */
#define BE_CFG_STRUCT_SIZE 8     /* uint32, at least BE_CONFIG_SIZE */
#define BE_CFG_IN_RATE 12        /* uint32, Hz */
#define BE_CFG_OUT_RATE 16       /* uint32, Hz: an MPEG audio rate (8000 to 48000), or 0 to let the engine choose */
#define BE_CFG_MODE 20           /* int32: 0 stereo, 1 joint stereo, 2 dual channel, 3 mono */
#define BE_CFG_BITRATE 24        /* uint32 kbit/s: constant rate, or lowest variable rate */
#define BE_CFG_MAX_BITRATE 28    /* uint32 kbit/s: highest variable rate; 0 = engine's choice */
#define BE_CFG_PRESET 32         /* int32, BE_PRESET_* */
#define BE_CFG_MPEG_VERSION 36   /* uint32; informative, the output rate decides */
#define BE_CFG_PSY_MODEL 40      /* uint32; informative, the engine has one model */
#define BE_CFG_EMPHASIS 44       /* uint32, 0 to 3 */
#define BE_CFG_PRIVATE 48        /* uint32, 0 or 1 */
#define BE_CFG_CRC 52            /* uint32, 0 or 1 */
#define BE_CFG_COPYRIGHT 56      /* uint32, 0 or 1 */
#define BE_CFG_ORIGINAL 60       /* uint32, 0 or 1 */
#define BE_CFG_WRITE_VBR_HEADER 64 /* uint32, 0 or 1: leading info frame */
#define BE_CFG_ENABLE_VBR 68     /* uint32, 0 or 1 */
#define BE_CFG_VBR_QUALITY 72    /* int32, 0 (best) to 9 */
#define BE_CFG_ABR_BITRATE 76    /* uint32 kbit/s; 0 = use BE_CFG_BITRATE */
#define BE_CFG_VBR_METHOD 80     /* int32, BE_VBR_METHOD_* */
#define BE_CFG_NO_RESERVOIR 84   /* uint32, 0 or 1 */
#define BE_CFG_STRICT_ISO 88     /* uint32, 0 or 1 */
#define BE_CFG_QUALITY 92        /* uint16: 0 = preset's or engine's default, n = engine quality n-1 (0 best .. 9) */

/* Preset codes (BE_CFG_PRESET) and the engine settings they select. The record's mode, flags,
 * output rate and (when not 0) quality apply to every preset. */
#define BE_PRESET_DEFAULT (-1)     /* no preset: CBR at BE_CFG_BITRATE, or with BE_CFG_ENABLE_VBR the
                                      variable-rate fields (method, quality, lowest/highest rate) */
#define BE_PRESET_NORMAL 0         /* CBR 128, engine quality 3 (its default) */
#define BE_PRESET_LOW 1            /* CBR 128, quality 7 */
#define BE_PRESET_HIGH 2           /* CBR 128, quality 2 */
#define BE_PRESET_VOICE 3          /* VBR V5 at 32 kHz (a lower input rate is kept), 96 to 160 kbit/s */
#define BE_PRESET_R3MIX 4          /* the engine's R3MIX preset (VBR) */
#define BE_PRESET_VERY_HIGH 5      /* CBR 128, quality 0 (very slow) */
#define BE_PRESET_STANDARD 6       /* the engine's STANDARD preset (VBR V2) */
#define BE_PRESET_STANDARD_FAST 7  /* the engine's STANDARD_FAST preset */
#define BE_PRESET_EXTREME 8        /* the engine's EXTREME preset (VBR V0) */
#define BE_PRESET_EXTREME_FAST 9   /* the engine's EXTREME_FAST preset */
#define BE_PRESET_INSANE 10        /* the engine's INSANE preset (CBR 320) */
#define BE_PRESET_ABR 11           /* ABR at BE_CFG_ABR_BITRATE, else BE_CFG_BITRATE */
#define BE_PRESET_CBR 12           /* CBR at BE_CFG_BITRATE */
#define BE_PRESET_MEDIUM 13        /* CBR 128, quality 5 */
#define BE_PRESET_MEDIUM_FAST 14   /* CBR 128, quality 6 */

/* Variable-rate methods (BE_CFG_VBR_METHOD), used when BE_CFG_ENABLE_VBR is 1 and no preset. */
#define BE_VBR_METHOD_DEFAULT 0
#define BE_VBR_METHOD_OLD 1  /* rate-distortion search */
#define BE_VBR_METHOD_NEW 2  /* fast search */
#define BE_VBR_METHOD_ABR 3  /* average bit rate at BE_CFG_ABR_BITRATE */

/* Version record: 265 bytes. */
#define BE_VERSION_SIZE 265u
#define BE_VER_DLL_MAJOR 0
#define BE_VER_DLL_MINOR 1
#define BE_VER_MAJOR 2
#define BE_VER_MINOR 3
#define BE_VER_DAY 4
#define BE_VER_MONTH 5
#define BE_VER_YEAR 6      /* uint16 */
#define BE_VER_HOMEPAGE 8  /* 129 bytes, zero-ended */
#define BE_VER_HOMEPAGE_SIZE 129
#define BE_VER_ALPHA 137
#define BE_VER_BETA 138
#define BE_VER_MMX 139

/* Opens a stream configured from the record. On success *samplesPerChunk is the largest number of
 * 16-bit samples (both channels counted) one beEncodeChunk call takes, and *outputBufferSize the
 * size of the output buffer that every later call on the stream may fill. */
uint32_t beInitStream(const uint8_t *config, uint32_t *samplesPerChunk, uint32_t *outputBufferSize,
                      uint32_t *stream);

/* Encodes `samples` interleaved samples (an even count, at most samplesPerChunk); writes what the
 * engine produces at the start of `output` (outputBufferSize bytes) and its length to *produced. */
uint32_t beEncodeChunk(uint32_t stream, uint32_t samples, const int16_t *pcm, uint8_t *output,
                       uint32_t *produced);

/* Flushes what the engine still holds into `output`; no chunk may follow. */
uint32_t beDeinitStream(uint32_t stream, uint8_t *output, uint32_t *produced);

/* After beDeinitStream: the final contents of the stream's leading info frame, which the caller
 * writes over the first *produced bytes it wrote for this stream. *produced is 0 when the stream
 * has no info frame (BE_CFG_WRITE_VBR_HEADER 0) or when the stream was not flushed yet. */
uint32_t beInfoFrame(uint32_t stream, uint8_t *output, uint32_t *produced);

/* Releases the stream. */
uint32_t beCloseStream(uint32_t stream);

/* Fills the 265-byte version record. */
void beVersion(uint8_t *version);

#ifdef __cplusplus
}
#endif
