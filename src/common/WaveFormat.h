#pragma once
// The WAV format record: the first 18 bytes of a RIFF "fmt " chunk, as the capture engine opens
// a stream with it and the WAV reader finds it in a file. Qt-free.
#include <cstdint>

inline constexpr std::uint16_t kWaveFormatPcm = 1;

struct WaveFormat {
    std::uint16_t FormatTag = kWaveFormatPcm;
    std::uint16_t Channels = 0;
    std::uint32_t SamplesPerSec = 0;
    std::uint32_t AvgBytesPerSec = 0; // BlockAlign × SamplesPerSec
    std::uint16_t BlockAlign = 0;     // bytes of one frame (all channels)
    std::uint16_t BitsPerSample = 0;
    std::uint16_t ExtraSize = 0;      // bytes that follow the 18 in the chunk
};
