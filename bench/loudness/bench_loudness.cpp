// The loudness filters the player could use to even out stations, run through libavfilter as
// the player runs them: the processor time of each for 10 s of sound against no filter, how far
// apart two stations 12 dB apart end, and how much sound each holds before it gives any back
// (what it adds to the first sound when sound arrives in real time).
//   build/bin/bench_loudness
#include "CollectingReporter.h"

#include <benchmark/benchmark.h>

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libavutil/samplefmt.h>
}

#include <cmath>
#include <cstdio>
#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr int kChunk = 1024;
constexpr int kSeconds = 10;

struct Candidate {
    const char *name;
    const char *graph;
};
// The first is the reference; the second is the program's choice (ListeningPrefs::kLoudnessFilter).
const Candidate kCandidates[] = {
    {"none", "anull"},
    {"dynaudnorm (chosen)", "dynaudnorm=f=200:g=5:m=20:r=0.1"},
    {"dynaudnorm, 100 ms frames", "dynaudnorm=f=100:g=3:m=20:r=0.1"},
    {"dynaudnorm, defaults", "dynaudnorm"},
    {"loudnorm", "loudnorm=I=-18:LRA=7:TP=-2"},
};

// A station: a tone over low-passed noise, gain dB under the loud one. Interleaved stereo.
std::vector<float> station(double gainDb)
{
    std::vector<float> pcm(std::size_t(kRate) * kSeconds * 2);
    const double gain = std::pow(10.0, gainDb / 20.0);
    std::uint32_t seed = 12345;
    double low = 0;
    for (std::size_t i = 0; i < pcm.size() / 2; ++i) {
        seed = seed * 1664525u + 1013904223u;
        low += 0.05 * ((double(seed >> 8) / double(1 << 24) - 0.5) - low);
        const double v = gain * (0.5 * low * 4 + 0.08 * std::sin(2 * M_PI * 330.0 * double(i) / kRate));
        pcm[2 * i] = pcm[2 * i + 1] = float(v);
    }
    return pcm;
}

struct Outcome {
    double levelDb = -200;   // RMS of the second half of the output
    double heldMs = 0;       // sound fed before the first sound came out
    bool ok = false;
};

// Runs pcm through the filter; the output is measured unless measure is null.
bool run(const char *filter, const std::vector<float> &pcm, Outcome *measure)
{
    AVFilterGraph *graph = avfilter_graph_alloc();
    AVFilterContext *src = nullptr, *sink = nullptr;
    AVFilterInOut *outputs = avfilter_inout_alloc(), *inputs = avfilter_inout_alloc();
    AVFrame *in = av_frame_alloc(), *out = av_frame_alloc();
    const std::string args = "sample_rate=44100:sample_fmt=flt:channel_layout=stereo:time_base=1/44100";
    const std::string chain = std::string(filter) + ",aresample=44100,aformat=sample_fmts=flt:channel_layouts=stereo";
    bool ok = graph && outputs && inputs && in && out &&
              avfilter_graph_create_filter(&src, avfilter_get_by_name("abuffer"), "in", args.c_str(), nullptr, graph) >= 0 &&
              avfilter_graph_create_filter(&sink, avfilter_get_by_name("abuffersink"), "out", nullptr, nullptr, graph) >= 0;
    if (ok) {
        outputs->name = av_strdup("in");
        outputs->filter_ctx = src;
        inputs->name = av_strdup("out");
        inputs->filter_ctx = sink;
        ok = avfilter_graph_parse_ptr(graph, chain.c_str(), &inputs, &outputs, nullptr) >= 0 &&
             avfilter_graph_config(graph, nullptr) >= 0;
    }
    const std::size_t frames = pcm.size() / 2;
    double sum = 0;
    std::size_t counted = 0, produced = 0, fed = 0;
    const auto drain = [&] {
        while (av_buffersink_get_frame(sink, out) >= 0) {
            const auto *s = reinterpret_cast<const float *>(out->data[0]);
            if (measure && produced == 0 && out->nb_samples > 0)
                measure->heldMs = 1000.0 * double(fed) / kRate;
            for (int i = 0; i < out->nb_samples; ++i, ++produced)
                if (produced >= frames / 2) {
                    sum += double(s[2 * i]) * s[2 * i];
                    ++counted;
                }
            av_frame_unref(out);
        }
    };
    for (std::size_t at = 0; ok && at < frames; at += kChunk) {
        const int n = int(std::min<std::size_t>(kChunk, frames - at));
        in->nb_samples = n;
        in->format = AV_SAMPLE_FMT_FLT;
        in->sample_rate = kRate;
        const AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        av_channel_layout_copy(&in->ch_layout, &stereo);
        in->pts = std::int64_t(at);
        ok = av_frame_get_buffer(in, 0) >= 0;
        if (!ok)
            break;
        std::copy(pcm.begin() + std::ptrdiff_t(2 * at), pcm.begin() + std::ptrdiff_t(2 * (at + std::size_t(n))),
                  reinterpret_cast<float *>(in->data[0]));
        ok = av_buffersrc_add_frame(src, in) >= 0; // takes the frame's data, leaves it empty
        fed += std::size_t(n);
        drain();
    }
    if (ok && av_buffersrc_add_frame(src, nullptr) >= 0) // the end: what the filter holds comes out
        drain();
    if (measure) {
        measure->ok = ok && counted > 0;
        measure->levelDb = counted ? 10.0 * std::log10(std::max(1e-20, sum / double(counted))) : -200;
    }
    av_frame_free(&in);
    av_frame_free(&out);
    avfilter_inout_free(&inputs);
    avfilter_inout_free(&outputs);
    avfilter_graph_free(&graph);
    return ok;
}

const std::vector<float> &loud()
{
    static const std::vector<float> pcm = station(0);
    return pcm;
}

void BM_Filter(benchmark::State &state, const char *filter)
{
    for (auto _ : state)
        if (!run(filter, loud(), nullptr))
            state.SkipWithError("the filter does not run");
}

} // namespace

int main(int argc, char **argv)
{
    for (const Candidate &c : kCandidates)
        benchmark::RegisterBenchmark(c.name, BM_Filter, c.graph)->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const std::vector<float> quiet = station(-12);
    const double reference = reporter.seconds[kCandidates[0].name];
    std::printf("\n%-28s %10s %14s %12s\n", "filter", "CPU ratio", "apart (12 dB)", "holds (ms)");
    for (const Candidate &c : kCandidates) {
        Outcome a, b;
        run(c.graph, loud(), &a);
        run(c.graph, quiet, &b);
        const double seconds = reporter.seconds[c.name];
        std::printf("%-28s %10.2f %14.1f %12.0f\n", c.name, reference > 0 ? seconds / reference : 0.0,
                    a.ok && b.ok ? a.levelDb - b.levelDb : 99.0, a.heldMs);
    }
    benchmark::Shutdown();
    return 0;
}
