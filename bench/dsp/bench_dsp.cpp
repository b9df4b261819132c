// Speed of the recorder's per-buffer work: the effects chain on one captured buffer and the
// spectrum of the display timer. Prints, after Google Benchmark's table, the figures that
// matter against references measured in the same run; the last line is the real-time factor of
// the full effects chain (duration of the sound in a buffer / time to process it).
#include "dsp/clsDSP.h"
#include "dsp/SpectrumBands.h"

#include "CollectingReporter.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <complex>
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

std::vector<std::int16_t> musicLike(std::size_t n)
{
    // Two tones and some noise, interleaved stereo, well below full scale.
    std::mt19937 gen(5);
    std::normal_distribution<double> noise(0, 1500);
    std::vector<std::int16_t> v(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i / kChannels) / kRate;
        const double s = 6000 * std::sin(2 * std::numbers::pi * 220 * t) + 3000 * std::sin(2 * std::numbers::pi * 3100 * t) +
                         noise(gen);
        v[i] = static_cast<std::int16_t>(std::lround(s));
    }
    return v;
}

clsDSP makeProcessor(std::int32_t effects)
{
    clsDSP d;
    d.setSampleRate(kRate);
    d.setChannels(kChannels);
    d.setEffectsUsed(effects);
    for (int i = 0; i < d.EqualizerBands(); ++i)
        d.setEqualizerBandGainDB(i, static_cast<float>((i % 3) * 4 - 4));
    return d;
}

void processBuffers(benchmark::State &state, std::int32_t effects)
{
    clsDSP d = makeProcessor(effects);
    const auto input = musicLike(kBufferSamples);
    std::vector<std::int16_t> buffer(kBufferSamples);
    for (auto _ : state) {
        // As the recording window does: copy the captured buffer, then process the copy.
        buffer = input;
        d.ProcessSamples(buffer);
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kBufferSamples));
}

void BM_ProcessSamples_AllEffects(benchmark::State &state)
{
    processBuffers(state, clsDSP::EffectAmplify | clsDSP::EffectEcho | clsDSP::EffectPhaseShift |
                              clsDSP::EffectEqualizer);
}
void BM_ProcessSamples_Amplify(benchmark::State &state) { processBuffers(state, clsDSP::EffectAmplify); }
void BM_ProcessSamples_Echo(benchmark::State &state) { processBuffers(state, clsDSP::EffectEcho); }
void BM_ProcessSamples_PhaseShift(benchmark::State &state) { processBuffers(state, clsDSP::EffectPhaseShift); }
void BM_ProcessSamples_Equalizer(benchmark::State &state) { processBuffers(state, clsDSP::EffectEqualizer); }
// Reference: the copy alone.
void BM_ProcessSamples_None(benchmark::State &state) { processBuffers(state, 0); }

void BM_Spectrum_Fft1024AndBands(benchmark::State &state)
{
    SpectrumBands bands;
    const auto input = musicLike(kBufferSamples);
    for (auto _ : state) {
        bands.Update(input);
        benchmark::DoNotOptimize(bands.Levels().data());
    }
}

// Reference: the same 110 bins the bars use, summed directly from a table of twiddles.
void BM_Spectrum_DirectBins(benchmark::State &state)
{
    constexpr int n = 1024, bins = 110;
    std::vector<std::complex<double>> twiddle(n);
    for (int i = 0; i < n; ++i)
        twiddle[static_cast<std::size_t>(i)] = std::polar(1.0, 2 * std::numbers::pi * i / n);
    std::vector<double> window(n);
    for (int k = 0; k < n; ++k)
        window[static_cast<std::size_t>(k)] = 0.42 - 0.5 * std::cos(2 * std::numbers::pi * k / (n - 1)) +
                                              0.08 * std::cos(4 * std::numbers::pi * k / (n - 1));
    const auto input = musicLike(kBufferSamples);
    std::vector<double> x(n), magnitude(bins);
    for (auto _ : state) {
        for (int i = 0; i < n; ++i)
            x[static_cast<std::size_t>(i)] = input[static_cast<std::size_t>(i)] * window[static_cast<std::size_t>(i)];
        for (int k = 0; k < bins; ++k) {
            double re = 0, im = 0;
            for (int i = 0; i < n; ++i) {
                const auto &w = twiddle[static_cast<std::size_t>((k * i) % n)];
                re += x[static_cast<std::size_t>(i)] * w.real();
                im += x[static_cast<std::size_t>(i)] * w.imag();
            }
            magnitude[static_cast<std::size_t>(k)] = std::sqrt(re * re + im * im);
        }
        benchmark::DoNotOptimize(magnitude.data());
    }
}

BENCHMARK(BM_ProcessSamples_AllEffects);
BENCHMARK(BM_ProcessSamples_Amplify);
BENCHMARK(BM_ProcessSamples_Echo);
BENCHMARK(BM_ProcessSamples_PhaseShift);
BENCHMARK(BM_ProcessSamples_Equalizer);
BENCHMARK(BM_ProcessSamples_None);
BENCHMARK(BM_Spectrum_Fft1024AndBands);
BENCHMARK(BM_Spectrum_DirectBins);


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
    auto has = [&](const char *name) { return t.count(name) != 0; };
    const double bufferSeconds = static_cast<double>(kBufferSamples) / kChannels / kRate;
    if (has("BM_Spectrum_Fft1024AndBands")) {
        const double spectrum = t.at("BM_Spectrum_Fft1024AndBands");
        std::printf("spectrum_us=%.2f share_of_25ms_tick=%.5f\n", spectrum * 1e6, spectrum / 0.025);
        if (has("BM_Spectrum_DirectBins"))
            std::printf("spectrum_speedup_vs_direct_bins=%.1f\n", t.at("BM_Spectrum_DirectBins") / spectrum);
    }
    for (const char *name : {"BM_ProcessSamples_Amplify", "BM_ProcessSamples_Echo", "BM_ProcessSamples_PhaseShift",
                             "BM_ProcessSamples_Equalizer", "BM_ProcessSamples_None"})
        if (has(name))
            std::printf("%s_realtime_factor=%.0f\n", name + 3, bufferSeconds / t.at(name));
    if (has("BM_ProcessSamples_AllEffects"))
        std::printf("realtime_factor=%.1f\n", bufferSeconds / t.at("BM_ProcessSamples_AllEffects"));
    else
        std::printf("realtime_factor=unknown (full chain not run)\n");
    return 0;
}
