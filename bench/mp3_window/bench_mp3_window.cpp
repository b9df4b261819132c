// A conversion through the conversion window (offscreen): button click, worker thread, queued
// progress steps, bar text and repaint of the bottom strip, rename into place; against the
// reference command-line encoder on the same 60-second stereo WAV and preset, runs alternating.
// Each side is timed by its fastest run in processor time (this whole process for ours: the
// window's thread and the worker; the child process for the reference); wall times beside.
// The last line printed is "ratio=<our time / reference time>", the worse of the two presets.
#include "mp3/Mp3Encoder.h"
#include "ui/Prompts.h"
#include "BenchMp3.h"

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace {

struct Preset {
    const char *name;
    int listIndex; // entry of the window's preset list
    std::vector<std::string> lameArgs;
};

const Preset kPresets[] = {
    {"standard", 3, {"--preset", "standard", "--nores"}},
    {"cbr128", 15, {"-b", "128", "--cbr", "--nores"}},
};

std::string g_dir, g_wav;
double g_ratio[2] = {0, 0};
Mp3Encoder *g_window = nullptr;

benchmp3::Times runWindow(const Preset &p, const std::string &out)
{
    std::filesystem::remove(out);
    g_window->cboOption->setCurrentIndex(p.listIndex);
    g_window->txtSourceFile->setText(QString::fromStdString(g_wav));
    g_window->txtOutputMp3File->setText(QString::fromStdString(out));
    QEventLoop loop;
    QObject::connect(g_window, &Mp3Encoder::EncodingFinished, &loop, &QEventLoop::quit);
    const auto start = std::chrono::steady_clock::now();
    const double cpu = benchmp3::processCpu();
    g_window->cmdEncode->click();
    loop.exec();
    return {benchmp3::processCpu() - cpu, benchmp3::seconds(start)};
}

void BM_Mp3Window(benchmark::State &state)
{
    const size_t index = size_t(state.range(0));
    const Preset &p = kPresets[index];
    const std::string ours = g_dir + "/window-" + p.name + ".mp3";
    const std::string theirs = g_dir + "/lame-" + p.name + ".mp3";
    benchmp3::Times bestOurs{1e9, 1e9}, bestLame{1e9, 1e9};
    for (auto _ : state) {
        const benchmp3::Times o = runWindow(p, ours);
        const benchmp3::Times l = benchmp3::runLame(p.lameArgs, g_wav, theirs);
        if (std::isnan(l.cpu)) {
            state.SkipWithError("the lame command failed");
            return;
        }
        if (!std::filesystem::exists(ours)) {
            state.SkipWithError("the window wrote no file");
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
BENCHMARK(BM_Mp3Window)->Arg(0)->Arg(1)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    char tmpl[] = "/tmp/tav-bench-mp3win-XXXXXX";
    if (!mkdtemp(tmpl))
        return 1;
    g_dir = tmpl;
    g_wav = g_dir + "/source.wav";
    benchmp3::writeSource(g_wav);

    // A failure is printed instead of waiting on a message box.
    struct PrintedPrompts : UiPrompts {
        void Message(QWidget *, const QString &, const QString &text, Icon) override
        {
            std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        }
    } prompts;
    SetPrompts(&prompts);
    auto window = std::make_unique<Mp3Encoder>();
    window->show();
    g_window = window.get();

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    window.reset();
    SetPrompts(nullptr);
    std::filesystem::remove_all(g_dir);
    std::printf("ratio=%.3f\n", std::max(g_ratio[0], g_ratio[1]));
    return 0;
}
