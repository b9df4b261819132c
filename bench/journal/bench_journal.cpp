// The title journal at its cap (20 000 titles): opening it (reading and parsing the file, the
// search keys) and narrowing it as the user types, one keystroke at a time. The reference, in the
// same run, is a bare scan of the same titles for the same text, without folding case or accents.
// The last lines print the milliseconds of an opening and of a keystroke, and their ratios.
#include "desktop/TitleJournal.h"

#include <QTemporaryDir>
#include "CollectingReporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <random>

namespace {

QList<journal::Entry> fullJournal()
{
    static const char *artists[] = {"Édith Piaf", "Miles Davis", "Björk", "Nina Simone", "Daft Punk", "Ibrahim Maalouf"};
    static const char *words[] = {"rose", "nuit", "blue", "été", "soleil", "green", "Jóga", "vie", "so", "what"};
    std::mt19937 gen(5);
    QList<journal::Entry> out;
    const QDateTime start = journal::WallClock(QDate(2026, 1, 1), QTime(0, 0));
    for (int i = 0; i < journal::kMaxLines; ++i) {
        QString title;
        for (int w = 0; w < 3; ++w)
            title += QString::fromUtf8(words[gen() % 10]) + QLatin1Char(' ');
        out << journal::Entry{start.addSecs(i * 180), QStringLiteral("Radio %1").arg(gen() % 40),
                              QString::fromUtf8(artists[gen() % 6]), title.trimmed()};
    }
    return out;
}

const QStringList kTyped = {QStringLiteral("m"), QStringLiteral("mi"), QStringLiteral("mil"), QStringLiteral("mile"),
                            QStringLiteral("miles"), QStringLiteral("miles "), QStringLiteral("miles b"),
                            QStringLiteral("miles bl"), QStringLiteral("miles blu"), QStringLiteral("miles blue")};

void BM_Open(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("titres.csv"));
    QFile f(file);
    f.open(QIODevice::WriteOnly);
    f.write(journal::CsvText(fullJournal()));
    f.close();
    TitleJournal j(file);
    for (auto _ : state) {
        journal::JournalModel model;
        model.SetEntries(j.Load());
        benchmark::DoNotOptimize(model.rowCount());
    }
}

void BM_Keystroke(benchmark::State &state)
{
    journal::JournalModel model;
    model.SetEntries(fullJournal());
    std::size_t k = 0;
    for (auto _ : state) {
        model.SetFilter(kTyped[qsizetype(k++ % std::size_t(kTyped.size()))]);
        benchmark::DoNotOptimize(model.rowCount());
    }
}

// The least a search can do: look for the text in each title as it is stored.
void BM_Keystroke_BareScan(benchmark::State &state)
{
    const QList<journal::Entry> entries = fullJournal();
    std::size_t k = 0;
    for (auto _ : state) {
        const QString &text = kTyped[qsizetype(k++ % std::size_t(kTyped.size()))];
        int kept = 0;
        for (const journal::Entry &e : entries)
            kept += e.artist.contains(text) || e.title.contains(text) || e.station.contains(text);
        benchmark::DoNotOptimize(kept);
    }
}

BENCHMARK(BM_Open)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Keystroke)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Keystroke_BareScan)->Unit(benchmark::kMillisecond);


} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    CollectingReporter reporter(true); // wall-clock time: what the user waits for
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const auto &t = reporter.seconds;
    if (!t.count("BM_Open") || !t.count("BM_Keystroke") || !t.count("BM_Keystroke_BareScan")) {
        std::printf("keystroke_ms=unknown (not every part was run)\n");
        return 0;
    }
    std::printf("open_ms=%.1f keystroke_ms=%.2f bare_scan_ms=%.2f\n", t.at("BM_Open") * 1e3, t.at("BM_Keystroke") * 1e3,
                t.at("BM_Keystroke_BareScan") * 1e3);
    std::printf("keystroke_vs_bare_scan=%.2f\n", t.at("BM_Keystroke") / t.at("BM_Keystroke_BareScan"));
    std::printf("keystroke_share_of_50ms=%.3f\n", t.at("BM_Keystroke") / 0.050);
    return 0;
}
