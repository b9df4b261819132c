// The file dialogs: filter splitting and default extension, then both calls with the real dialog
// driven from the test (choose, type a name, switch filter, cancel, a path too long).
#include "cCommonDialog.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

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

// Acts on the file dialog as soon as it is shown; `seen` receives what it showed.
struct Shown {
    QStringList nameFilters;
    QString selectedFilter, defaultSuffix, proposed, title;
    QFileDialog::AcceptMode acceptMode = QFileDialog::AcceptOpen;
    QFileDialog::FileMode fileMode = QFileDialog::AnyFile;
    bool confirmOverwrite = false;
};
void whenShown(Shown &seen, std::function<void(QFileDialog *)> act)
{
    auto *timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, &seen, act] {
        auto *d = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!d || !d->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        seen.nameFilters = d->nameFilters();
        seen.selectedFilter = d->selectedNameFilter();
        seen.defaultSuffix = d->defaultSuffix();
        seen.proposed = d->selectedFiles().value(0);
        seen.title = d->windowTitle();
        seen.acceptMode = d->acceptMode();
        seen.fileMode = d->fileMode();
        seen.confirmOverwrite = !d->testOption(QFileDialog::DontConfirmOverwrite);
        act(d);
    });
    timer->start();
}

class CommonDialogTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.path() + QLatin1Char('/') + name; }
    cCommonDialog dlg;
};

TEST_F(CommonDialogTest, OpenReturnsTheChosenFileAndFilter)
{
    QFile f(path(QStringLiteral("essai.wav")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    OpenFileArgs a;
    a.Filter = kWavFilter;
    a.DefaultExt = QStringLiteral("WAV");
    a.InitDir = dir.path();
    a.Flags = ofn::EnableHook;
    Shown seen;
    whenShown(seen, [&](QFileDialog *d) {
        d->selectFile(path(QStringLiteral("essai.wav")));
        static_cast<QDialog *>(d)->accept();
    });
    ASSERT_TRUE(dlg.VBGetOpenFileName(a));
    EXPECT_EQ(a.Filename, path(QStringLiteral("essai.wav")));
    EXPECT_EQ(a.FileTitle, QStringLiteral("essai.wav"));
    EXPECT_EQ(a.FilterIndex, 1);
    EXPECT_EQ(a.Filter, QStringLiteral("Fichiers Wave (*.WAV)|*.wav"));
    EXPECT_TRUE(a.Flags & ofn::FileMustExist);
    EXPECT_FALSE(a.Flags & ofn::EnableHook);
    EXPECT_FALSE(a.Flags & ofn::ExtensionDifferent); // "wav" is "WAV" whatever the case
    EXPECT_FALSE(a.ReadOnly);

    EXPECT_EQ(seen.nameFilters, (QStringList{QStringLiteral("Fichiers Wave (*.WAV) (*.wav)"),
                                             QStringLiteral("Tous les fichiers (*.*) (*.*)")}));
    EXPECT_EQ(seen.selectedFilter, QStringLiteral("Fichiers Wave (*.WAV)")); // shown without the patterns
    EXPECT_EQ(seen.defaultSuffix, QStringLiteral("WAV"));
    EXPECT_EQ(seen.acceptMode, QFileDialog::AcceptOpen);
    EXPECT_EQ(seen.fileMode, QFileDialog::ExistingFile);
}

TEST_F(CommonDialogTest, SaveAddsTheDefaultExtensionAndReportsTheFilterInForce)
{
    SaveFileArgs a;
    a.Filename = QStringLiteral("essai"); // the suggested name
    a.Filter = kMp3Filter;
    a.DefaultExt = QStringLiteral("MP3");
    a.InitDir = dir.path();
    Shown seen;
    whenShown(seen, [](QFileDialog *d) { static_cast<QDialog *>(d)->accept(); }); // the suggestion as it stands
    ASSERT_TRUE(dlg.VBGetSaveFileName(a));
    EXPECT_EQ(a.Filename, path(QStringLiteral("essai.MP3")));
    EXPECT_EQ(a.FileTitle, QStringLiteral("essai.MP3"));
    EXPECT_EQ(seen.proposed, path(QStringLiteral("essai.MP3"))); // the suggestion was shown
    EXPECT_EQ(seen.acceptMode, QFileDialog::AcceptSave);
    EXPECT_TRUE(seen.confirmOverwrite);
    EXPECT_TRUE(a.Flags & ofn::OverwritePrompt);
    EXPECT_TRUE(a.Flags & ofn::HideReadOnly);

    // The second pair, and a name with another extension.
    SaveFileArgs b;
    b.Filter = kMp3Filter;
    b.DefaultExt = QStringLiteral("MP3");
    b.InitDir = dir.path();
    b.OverWritePrompt = false;
    whenShown(seen, [&](QFileDialog *d) {
        d->selectNameFilter(d->nameFilters().value(1));
        d->selectFile(QStringLiteral("notes.txt"));
        static_cast<QDialog *>(d)->accept();
    });
    ASSERT_TRUE(dlg.VBGetSaveFileName(b));
    EXPECT_FALSE(seen.confirmOverwrite);
    EXPECT_EQ(b.Filename, path(QStringLiteral("notes.txt")));
    EXPECT_EQ(b.FilterIndex, 2);
    EXPECT_EQ(b.Filter, QStringLiteral("Tous les fichiers (*.*)|*.*"));
    EXPECT_TRUE(b.Flags & ofn::ExtensionDifferent);
    EXPECT_FALSE(b.Flags & ofn::OverwritePrompt);
}

TEST_F(CommonDialogTest, CancelAndOverlongPathsReturnNothing)
{
    // A folder deep enough that a chosen file's path passes 259 characters.
    QString deep = dir.path();
    while (deep.size() < 200)
        deep += QStringLiteral("/dossier_assez_long_pour_le_test");
    ASSERT_TRUE(QDir().mkpath(deep));

    // A name that makes the whole path `length` characters long.
    const auto nameFor = [&](int length) {
        return QString(length - int(deep.size()) - 1 - 4, QLatin1Char('n')) + QStringLiteral(".mp3");
    };
    struct Case {
        const char *name;
        QString initDir, proposed;
        bool accept, ok;
    };
    const Case cases[] = {
        {"cancel", dir.path(), QStringLiteral("essai"), false, false},
        {"259 characters", deep, nameFor(259), true, true},
        {"260 characters", deep, nameFor(260), true, false},
    };
    for (const Case &c : cases) {
        for (const bool save : {true, false}) {
            Shown seen;
            whenShown(seen, [&](QFileDialog *d) { c.accept ? static_cast<QDialog *>(d)->accept() : static_cast<QDialog *>(d)->reject(); });
            bool ok = true;
            QString filename, title, filter;
            int index = 0;
            uint32_t flags = 1;
            if (save) {
                SaveFileArgs a;
                a.Filename = c.proposed;
                a.Filter = kMp3Filter;
                a.InitDir = c.initDir;
                a.OverWritePrompt = false;
                a.Flags = ofn::ReadOnly;
                ok = dlg.VBGetSaveFileName(a);
                filename = a.Filename, title = a.FileTitle, filter = a.Filter, index = a.FilterIndex, flags = a.Flags;
            } else {
                OpenFileArgs a;
                a.Filename = c.proposed;
                a.Filter = kWavFilter;
                a.InitDir = c.initDir;
                a.FileMustExist = false;
                ok = dlg.VBGetOpenFileName(a);
                filename = a.Filename, title = a.FileTitle, filter = a.Filter, index = a.FilterIndex, flags = a.Flags;
            }
            EXPECT_EQ(ok, c.ok) << c.name << (save ? " save" : " open");
            if (c.ok) {
                EXPECT_EQ(filename, deep + QLatin1Char('/') + c.proposed);
                continue;
            }
            EXPECT_TRUE(filename.isEmpty()) << c.name;
            EXPECT_TRUE(title.isEmpty()) << c.name;
            EXPECT_TRUE(filter.isEmpty()) << c.name;
            EXPECT_EQ(index, -1) << c.name;
            EXPECT_EQ(flags, 0u) << c.name;
        }
    }
}

} // namespace
