// Our conversion (cLameEncoder through the engine library) against the reference command-line
// encoder, on the same 60-second 44.1 kHz stereo WAV, runs alternating: ours, theirs, ours...
// Both use the same settings as our default record (joint stereo, no bit reservoir).
// Each side is timed by its fastest run in processor time (user + system: ours for this process,
// the reference's for its child process), which other loads on the machine do not inflate; wall
// times are shown beside. The last line printed is "ratio=<our time / reference time>", the worse
// of the two presets.
#include "mp3/cLameEncoder.h"
#include "BenchMp3.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct Preset {
    const char *name;
    int32_t code;
    std::vector<std::string> lameArgs;
};

const Preset kPresets[] = {
    {"standard", 6, {"--preset", "standard", "--nores"}},
    {"cbr128", 12, {"-b", "128", "--cbr", "--nores"}},
};

std::string g_dir;
std::string g_wav;
double g_ratio[2] = {0, 0};

using benchmp3::Times;
using benchmp3::processCpu;
using benchmp3::seconds;
using benchmp3::writeSource;

Times runOurs(const Preset &p, const std::string &out)
{
    std::filesystem::remove(out);
    const auto start = std::chrono::steady_clock::now();
    const double cpu = processCpu();
    cLameEncoder enc;
    enc.SetEncodingPreset(p.code);
    enc.SetWavFile(g_wav);
    enc.SetMp3File(out);
    enc.Encode();
    return {processCpu() - cpu, seconds(start)};
}

void BM_Mp3VsLame(benchmark::State &state)
{
    const size_t index = size_t(state.range(0));
    const Preset &p = kPresets[index];
    const std::string ours = g_dir + "/ours-" + p.name + ".mp3";
    const std::string theirs = g_dir + "/lame-" + p.name + ".mp3";
    Times bestOurs{1e9, 1e9}, bestLame{1e9, 1e9};
    for (auto _ : state) {
        const Times o = runOurs(p, ours);
        const Times l = benchmp3::runLame(p.lameArgs, g_wav, theirs);
        if (std::isnan(l.cpu)) {
            state.SkipWithError("the lame command failed");
            return;
        }
        bestOurs = {std::min(bestOurs.cpu, o.cpu), std::min(bestOurs.wall, o.wall)};
        bestLame = {std::min(bestLame.cpu, l.cpu), std::min(bestLame.wall, l.wall)};
        state.SetIterationTime(o.cpu);
    }
    g_ratio[index] = bestOurs.cpu / bestLame.cpu;
    state.SetLabel(p.name);
    state.counters["ours_cpu_s"] = bestOurs.cpu;
    state.counters["lame_cpu_s"] = bestLame.cpu;
    state.counters["ratio"] = g_ratio[index];
    state.counters["wall_ratio"] = bestOurs.wall / bestLame.wall;
    state.counters["ours_bytes"] = double(std::filesystem::file_size(ours));
    state.counters["lame_bytes"] = double(std::filesystem::file_size(theirs));
}
BENCHMARK(BM_Mp3VsLame)->Arg(0)->Arg(1)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    char tmpl[] = "/tmp/tav-bench-mp3-XXXXXX";
    if (!mkdtemp(tmpl))
        return 1;
    g_dir = tmpl;
    g_wav = g_dir + "/source.wav";
    writeSource(g_wav);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(g_dir);
    std::printf("ratio=%.3f\n", std::max(g_ratio[0], g_ratio[1]));
    return 0;
}
