// Processor time of the recording window's live work: every captured buffer (10240 bytes, 44100 Hz
// stereo) copied and run through all four effects, and every 25 ms display tick (waveform,
// spectrum, two meters) painted into images of the window's sizes. The last line,
// cpu_share=..., is the processor time spent per second of recorded sound (buffers and ticks
// together) as a share of one second; the copy of a buffer alone is the reference measured in
// the same run.
#include "dsp/clsDraw.h"
#include "dsp/clsDSP.h"
#include "dsp/clsSmooth.h"

#include "CollectingReporter.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr std::size_t kBufferSamples = 5120; // one 10240-byte capture buffer
constexpr double kTicksPerSecond = 40;       // the 25 ms display timer

std::vector<std::int16_t> musicLike(std::size_t n)
{
    std::mt19937 gen(11);
    std::normal_distribution<double> noise(0, 1500);
    std::vector<std::int16_t> v(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i / kChannels) / kRate;
        v[i] = static_cast<std::int16_t>(std::lround(7000 * std::sin(2 * std::numbers::pi * 330 * t) +
                                                     2500 * std::sin(2 * std::numbers::pi * 2900 * t) + noise(gen)));
    }
    return v;
}

void BM_Buffer_CopyOnly(benchmark::State &state)
{
    const auto input = musicLike(kBufferSamples);
    std::vector<std::int16_t> processed(kBufferSamples);
    for (auto _ : state) {
        processed.assign(input.begin(), input.end());
        benchmark::DoNotOptimize(processed.data());
        benchmark::ClobberMemory();
    }
}

void BM_Buffer_AllEffects(benchmark::State &state)
{
    clsDSP dsp;
    dsp.setSampleRate(kRate);
    dsp.setChannels(kChannels);
    dsp.setEffectsUsed(clsDSP::EffectEcho | clsDSP::EffectPhaseShift | clsDSP::EffectAmplify | clsDSP::EffectEqualizer);
    for (int i = 0; i < dsp.EqualizerBands(); ++i)
        dsp.setEqualizerBandGainDB(i, static_cast<float>((i % 3) * 4 - 4));
    const auto input = musicLike(kBufferSamples);
    std::vector<std::int16_t> processed(kBufferSamples);
    for (auto _ : state) {
        // As the window does with each captured buffer: copy it, process the copy.
        processed.assign(input.begin(), input.end());
        dsp.ProcessSamples(processed);
        benchmark::DoNotOptimize(processed.data());
        benchmark::ClobberMemory();
    }
}

void BM_DisplayTick(benchmark::State &state)
{
    clsDraw draw;
    DrawSurface wave(QSize(240, 64)), spectrum(QSize(96, 64)), left(QSize(240, 10), 0x202020),
        right(QSize(240, 10), 0x202020);
    clsSmooth smoothL, smoothR;
    smoothL.SmoothNew(3);
    smoothR.SmoothNew(3);
    const auto buffer = musicLike(kBufferSamples);
    for (auto _ : state) {
        draw.DrawAmplitudes(buffer, wave);
        draw.DrawFrequencies(buffer, spectrum);
        const MeterPeakValues peaks = MeterPeaks(buffer, true);
        smoothL.SmoothAdd(static_cast<float>(peaks.left));
        smoothR.SmoothAdd(static_cast<float>(peaks.right));
        DrawLevelBar(left, smoothL.SmoothGetMax() / 32768.0);
        DrawLevelBar(right, smoothR.SmoothGetMax() / 32768.0);
        benchmark::DoNotOptimize(wave.Image().constBits());
        benchmark::ClobberMemory();
    }
}

BENCHMARK(BM_Buffer_CopyOnly);
BENCHMARK(BM_Buffer_AllEffects);
BENCHMARK(BM_DisplayTick);


} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto &t = reporter.seconds;
    if (!t.count("BM_Buffer_AllEffects") || !t.count("BM_DisplayTick")) {
        std::printf("cpu_share=unknown (not every part was run)\n");
        return 0;
    }
    const double buffersPerSecond = static_cast<double>(kRate) * kChannels / kBufferSamples;
    const double buffer = t.at("BM_Buffer_AllEffects"), tick = t.at("BM_DisplayTick");
    std::printf("buffer_us=%.1f tick_us=%.1f\n", buffer * 1e6, tick * 1e6);
    if (t.count("BM_Buffer_CopyOnly") && t.at("BM_Buffer_CopyOnly") > 0)
        std::printf("effects_vs_copy=%.1f\n", buffer / t.at("BM_Buffer_CopyOnly"));
    std::printf("one_buffer_plus_one_tick_share=%.5f\n", (buffer + tick) / (kBufferSamples / double(kChannels) / kRate));
    std::printf("cpu_share=%.5f\n", buffer * buffersPerSecond + tick * kTicksPerSecond);
    return 0;
}
