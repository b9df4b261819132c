// Converting 60 s of 44.1 kHz stereo to 22.05 kHz mono 16-bit with EncoderWAV, fed from a file in
// capture-sized buffers, beside sox doing the same conversion of the same file in the same run.
// The last line is ratio=<sox time / our time> (higher is better), from the best run of each.
#include "audio/EncoderWAV.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char **environ;

namespace {

constexpr int kSeconds = 60;
constexpr size_t kBufferBytes = 10240; // one capture buffer
constexpr size_t kHeaderBytes = 46;

std::string g_dir;
std::string InputFile() { return g_dir + "/in.wav"; }

// A signal with content over the whole band: a few tones and some noise.
void WriteInput()
{
    std::vector<int16_t> samples(size_t(kSeconds) * 44100 * 2);
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    for (size_t i = 0; i < samples.size() / 2; ++i) {
        const double t = double(i) / 44100;
        const double l = 0.3 * std::sin(2 * M_PI * 220 * t) + 0.2 * std::sin(2 * M_PI * 3520 * t) +
                         0.05 * noise(rng);
        const double r = 0.3 * std::sin(2 * M_PI * 330 * t) + 0.1 * std::sin(2 * M_PI * 15000 * t) +
                         0.05 * noise(rng);
        samples[2 * i] = int16_t(std::lround(l * 32767));
        samples[2 * i + 1] = int16_t(std::lround(r * 32767));
    }
    EncoderWAV enc;
    int32_t used = 0;
    if (enc.Encoder_EncoderInit(44100, 2, InputFile()) != 0)
        std::abort();
    const auto *bytes = reinterpret_cast<const uint8_t *>(samples.data());
    for (size_t at = 0; at < samples.size() * 2; at += 176400)
        if (enc.Encoder_Encode(bytes + at, int32_t(std::min<size_t>(176400, samples.size() * 2 - at)),
                               used) != 0)
            std::abort();
    if (enc.Encoder_EncoderClose() != 0)
        std::abort();
}

void BM_EncoderWAV(benchmark::State &state)
{
    const std::string out = g_dir + "/ours.wav";
    std::vector<char> buffer(kBufferBytes);
    for (auto _ : state) {
        std::ifstream in(InputFile(), std::ios::binary);
        in.seekg(kHeaderBytes);
        EncoderWAV enc;
        enc.SetPCMFormat(22050, 1, "", "");
        if (enc.Encoder_EncoderInit(44100, 2, out) != 0) {
            state.SkipWithError("init failed");
            break;
        }
        while (in.read(buffer.data(), std::streamsize(buffer.size())) || in.gcount() > 0) {
            int32_t used = 0;
            if (enc.Encoder_Encode(buffer.data(), int32_t(in.gcount()), used) != 0) {
                state.SkipWithError("encode failed");
                break;
            }
        }
        if (enc.Encoder_EncoderClose() != 0)
            state.SkipWithError("close failed");
    }
}

void BM_Sox(benchmark::State &state)
{
    const std::string in = InputFile(), out = g_dir + "/sox.wav";
    std::vector<std::string> args = {"sox", "-D", in, "-r", "22050", "-c", "1", "-b", "16", out};
    std::vector<char *> argv;
    for (auto &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto _ : state) {
        pid_t pid = 0;
        int status = 0;
        if (posix_spawnp(&pid, "sox", nullptr, nullptr, argv.data(), environ) != 0 ||
            waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("sox failed");
            break;
        }
    }
}

// Keeps the best time of each benchmark while the console shows every run.
class BestTimes : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> best;
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &r : runs) {
            if (r.run_type != Run::RT_Iteration || r.error_occurred)
                continue;
            auto [it, added] = best.try_emplace(r.run_name.function_name, r.GetAdjustedRealTime());
            if (!added)
                it->second = std::min(it->second, r.GetAdjustedRealTime());
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

BENCHMARK(BM_EncoderWAV)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(7);
BENCHMARK(BM_Sox)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(7);

int main(int argc, char **argv)
{
    std::string tmpl = (std::filesystem::temp_directory_path() / "tavbench-XXXXXX").string();
    if (!mkdtemp(tmpl.data()))
        return 1;
    g_dir = tmpl;
    WriteInput();

    benchmark::Initialize(&argc, argv);
    BestTimes reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::filesystem::remove_all(g_dir);

    const auto ours = reporter.best.find("BM_EncoderWAV"), sox = reporter.best.find("BM_Sox");
    if (ours == reporter.best.end() || sox == reporter.best.end() || ours->second <= 0) {
        std::printf("ratio=n/a\n");
        return 1;
    }
    std::printf("ours=%.1f ms sox=%.1f ms (best of each)\n", ours->second, sox->second);
    std::printf("ratio=%.2f\n", sox->second / ours->second);
    return 0;
}
