// The file dialogs: filter splitting and default extension, then both calls with the real dialog
// driven from the test (choose, type a name, switch filter, cancel, a path too long).
#include "ui/cCommonDialog.h"
#include "FakePrompts.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {

// The file dialogs keep their state in the user's configuration: give them a scratch one.
const bool kSandboxed = [] {
    static QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toLocal8Bit());
    return true;
}();

const QString kWavFilter = QStringLiteral("Fichiers Wave (*.WAV)|*.wav|Tous les fichiers (*.*)|*.*");
const QString kMp3Filter = QStringLiteral("Fichiers MP3 (*.mp3)|*.mp3|Tous les fichiers (*.*)|*.*");

TEST(FileDialogRules, FilterSplittingAndDefaultExtension)
{
    struct Split {
        QString filter;
        QList<FilterPair> pairs;
    };
    const Split splits[] = {
        {kWavFilter, {{QStringLiteral("Fichiers Wave (*.WAV)"), QStringLiteral("*.wav")},
                      {QStringLiteral("Tous les fichiers (*.*)"), QStringLiteral("*.*")}}},
        {QStringLiteral("A:*.a:B:*.b"), {{QStringLiteral("A"), QStringLiteral("*.a")}, {QStringLiteral("B"), QStringLiteral("*.b")}}},
        {QStringLiteral("A|*.a:B|*.b;*.c|"), {{QStringLiteral("A"), QStringLiteral("*.a")}, {QStringLiteral("B"), QStringLiteral("*.b;*.c")}}},
        {QStringLiteral("Seul"), {{QStringLiteral("Seul"), QStringLiteral("*")}}},
        {QString(), {}},
    };
    for (const Split &s : splits)
        EXPECT_EQ(SplitFilter(s.filter), s.pairs) << s.filter.toStdString();
    EXPECT_EQ(DialogNameFilters(SplitFilter(QStringLiteral("A|*.a:B|*.b;*.c"))),
              (QStringList{QStringLiteral("A (*.a)"), QStringLiteral("B (*.b *.c)")}));
    // A description that shows patterns itself lists those the dialog reads.
    EXPECT_EQ(QtNameFilter(QStringLiteral("Fichiers Wave (*.WAV)|*.wav|Tous les fichiers (*.*)|*.*")),
              QStringLiteral("Fichiers Wave (*.wav);;Tous les fichiers (*.*)"));

    struct Ext {
        QString path, ext, result;
    };
    const Ext exts[] = {
        {QStringLiteral("/d/essai"), QStringLiteral("MP3"), QStringLiteral("/d/essai.MP3")},
        {QStringLiteral("/d/essai.mp3"), QStringLiteral("MP3"), QStringLiteral("/d/essai.mp3")},
        {QStringLiteral("/d/essai.ogg"), QStringLiteral("MP3"), QStringLiteral("/d/essai.ogg")},
        {QStringLiteral("/d.x/essai"), QStringLiteral("MP3"), QStringLiteral("/d.x/essai.MP3")},
        {QStringLiteral("/d/essai"), QString(), QStringLiteral("/d/essai")},
        {QString(), QStringLiteral("MP3"), QString()},
    };
    for (const Ext &e : exts)
        EXPECT_EQ(AddDefaultExtension(e.path, e.ext), e.result) << e.path.toStdString();
    EXPECT_EQ(CleanFlags(0x1000 | 0x20 | 0x40 | 0x80 | 0x4), 0x1004u);
}

// A provider that records what the chooser was given and answers from the test's queues,
// the filter in force included.
class ChooserPrompts : public FakePrompts {
public:
    QString filterGiven, selectedGiven, startGiven;
    QString selectedAnswer; // empty: the selection stays as given
    QString OpenFileName(QWidget *o, const QString &t, const QString &folder, const QString &filter,
                         QString *selected) override
    {
        record(folder, filter, selected);
        return FakePrompts::OpenFileName(o, t, folder, filter, selected);
    }
    QString SaveFileName(QWidget *o, const QString &t, const QString &path, const QString &filter,
                         QString *selected) override
    {
        record(path, filter, selected);
        return FakePrompts::SaveFileName(o, t, path, filter, selected);
    }

private:
    void record(const QString &start, const QString &filter, QString *selected)
    {
        startGiven = start;
        filterGiven = filter;
        selectedGiven = selected ? *selected : QString();
        if (selected && !selectedAnswer.isEmpty())
            *selected = selectedAnswer;
    }
};

TEST(CommonDialog, ArgumentsInAndOut)
{
    QTemporaryDir dir;
    const QString d = dir.path() + QLatin1Char('/');
    QFile(d + QStringLiteral("essai.wav")).open(QIODevice::WriteOnly);
    QFile(d + QStringLiteral("exists.mp3")).open(QIODevice::WriteOnly);
    QString deep = dir.path();
    while (deep.size() < 200)
        deep += QStringLiteral("/dossier_assez_long_pour_le_test");
    const auto ofLength = [&](int length) {
        return deep + QLatin1Char('/') + QString(length - int(deep.size()) - 1 - 4, QLatin1Char('n')) +
               QStringLiteral(".mp3");
    };

    struct Case {
        const char *name;
        bool save;
        QString proposed, answer, selectedAnswer;
        int filterIndex = 1;
        bool overwritePrompt = true;
        QList<bool> yesNo;
        bool ok;
        QString filename, title, filter;
        int index;
        bool questionAsked = false;
        uint32_t flagsSet = 0, flagsClear = 0;
    };
    const QString all = QStringLiteral("Tous les fichiers (*.*)");
    const Case cases[] = {
        {"open", false, {}, d + "essai.wav", {}, 1, true, {}, true, d + "essai.wav", "essai.wav",
         "Fichiers Wave (*.WAV)|*.wav", 1, false, ofn::FileMustExist, ofn::ExtensionDifferent},
        {"open, second filter shown first", false, {}, d + "essai.wav", all, 2, true, {}, true,
         d + "essai.wav", "essai.wav", "Tous les fichiers (*.*)|*.*", 2},
        {"save adds the extension", true, "essai", d + "essai", {}, 1, true, {}, true, d + "essai.MP3",
         "essai.MP3", "Fichiers MP3 (*.mp3)|*.mp3", 1, false, ofn::OverwritePrompt | ofn::HideReadOnly,
         ofn::ExtensionDifferent},
        {"save, other filter and extension", true, {}, d + "notes.txt", all, 1, true, {}, true,
         d + "notes.txt", "notes.txt", "Tous les fichiers (*.*)|*.*", 2, false, ofn::ExtensionDifferent},
        {"save over a file, No", true, {}, d + "exists.mp3", {}, 1, true, {false}, false, {}, {}, {}, -1, true},
        {"save over a file, Yes", true, {}, d + "exists.mp3", {}, 1, true, {true}, true, d + "exists.mp3",
         "exists.mp3", "Fichiers MP3 (*.mp3)|*.mp3", 1, true},
        {"save over a file, not asked", true, {}, d + "exists.mp3", {}, 1, false, {}, true, d + "exists.mp3",
         "exists.mp3", "Fichiers MP3 (*.mp3)|*.mp3", 1, false, 0, ofn::OverwritePrompt},
        {"cancel open", false, "x", {}, {}, 1, true, {}, false, {}, {}, {}, -1},
        {"cancel save", true, "x", {}, {}, 1, true, {}, false, {}, {}, {}, -1},
        {"259 characters", true, {}, ofLength(259), {}, 1, false, {}, true, ofLength(259),
         QFileInfo(ofLength(259)).fileName(), "Fichiers MP3 (*.mp3)|*.mp3", 1},
        {"260 characters", true, {}, ofLength(260), {}, 1, false, {}, false, {}, {}, {}, -1},
    };
    for (const Case &c : cases) {
        ChooserPrompts prompts;
        if (!c.answer.isEmpty())
            prompts.files << c.answer;
        prompts.answers = c.yesNo;
        prompts.selectedAnswer = c.selectedAnswer;
        cCommonDialog dlg;
        bool ok = false;
        QString filename = QStringLiteral("?"), title = QStringLiteral("?"), filter;
        int index = 0;
        uint32_t flags = 0;
        if (c.save) {
            SaveFileArgs a;
            a.Filename = c.proposed;
            a.Filter = kMp3Filter;
            a.FilterIndex = c.filterIndex;
            a.DefaultExt = QStringLiteral("MP3");
            a.InitDir = dir.path();
            a.OverWritePrompt = c.overwritePrompt;
            a.Flags = ofn::EnableHook;
            ok = dlg.VBGetSaveFileName(a);
            filename = a.Filename, title = a.FileTitle, filter = a.Filter, index = a.FilterIndex, flags = a.Flags;
            EXPECT_EQ(prompts.filterGiven, QStringLiteral("Fichiers MP3 (*.mp3);;") + all) << c.name;
        } else {
            OpenFileArgs a;
            a.Filename = c.proposed;
            a.Filter = kWavFilter;
            a.FilterIndex = c.filterIndex;
            a.DefaultExt = QStringLiteral("WAV");
            a.InitDir = dir.path();
            a.Flags = ofn::EnableHook;
            ok = dlg.VBGetOpenFileName(a);
            filename = a.Filename, title = a.FileTitle, filter = a.Filter, index = a.FilterIndex, flags = a.Flags;
            EXPECT_EQ(prompts.filterGiven, QStringLiteral("Fichiers Wave (*.wav);;") + all) << c.name;
            EXPECT_EQ(prompts.selectedGiven, c.filterIndex == 2 ? all : QStringLiteral("Fichiers Wave (*.wav)")) << c.name;
        }
        EXPECT_EQ(prompts.startGiven, c.proposed.isEmpty() ? dir.path() : d + c.proposed) << c.name;
        EXPECT_EQ(ok, c.ok) << c.name;
        EXPECT_EQ(filename, c.filename) << c.name;
        EXPECT_EQ(title, c.title) << c.name;
        EXPECT_EQ(filter, c.filter) << c.name;
        EXPECT_EQ(index, c.index) << c.name;
        const bool asked = std::any_of(prompts.shown.begin(), prompts.shown.end(), [](const FakePrompts::Shown &s) {
            return s.kind == QStringLiteral("question");
        });
        EXPECT_EQ(asked, c.questionAsked) << c.name;
        if (!c.ok) {
            EXPECT_EQ(flags, 0u) << c.name;
            continue;
        }
        EXPECT_EQ(flags & c.flagsSet, c.flagsSet) << c.name;
        EXPECT_EQ(flags & c.flagsClear, 0u) << c.name;
        EXPECT_EQ(flags & ofn::EnableHook, 0u) << c.name;
    }
}

// The program's own provider shows Qt's file dialog: driven here as the user would.
TEST(CommonDialog, RealDialogDriven)
{
    QTemporaryDir dir;
    const QString wav = dir.path() + QStringLiteral("/essai.wav");
    QFile(wav).open(QIODevice::WriteOnly);
    for (const bool accept : {true, false}) {
        auto *timer = new QTimer;
        timer->setInterval(5);
        QStringList shownFilters;
        QObject::connect(timer, &QTimer::timeout, [&, timer] {
            auto *d = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!d || !d->isVisible())
                return;
            timer->stop();
            timer->deleteLater();
            shownFilters = d->nameFilters();
            d->selectFile(wav);
            accept ? static_cast<QDialog *>(d)->accept() : static_cast<QDialog *>(d)->reject();
        });
        timer->start();
        OpenFileArgs a;
        a.Filter = kWavFilter;
        a.DefaultExt = QStringLiteral("WAV");
        a.InitDir = dir.path();
        EXPECT_EQ(cCommonDialog().VBGetOpenFileName(a), accept);
        EXPECT_EQ(a.Filename, accept ? wav : QString());
        EXPECT_EQ(a.FilterIndex, accept ? 1 : -1);
        EXPECT_EQ(shownFilters.size(), 2);
    }
}

} // namespace
