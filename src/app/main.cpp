// Tavilune: internet radio and TV player, sound recorder and MP3 converter.
#include "FrmFav.h"
#include "FrmMain.h"
#include "FrmOptions.h"
#include "frmAbout.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <QTranslator>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavilune"));
    QApplication::setOrganizationName(QStringLiteral("Tavilune"));
    QApplication::setDesktopFileName(QStringLiteral("tavilune"));
    QApplication::setQuitOnLastWindowClosed(false);

    // One instance at a time: a second start ends at once, silently.
    QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        runtime = QDir::tempPath();
    QLockFile lock(runtime + QStringLiteral("/Tavilune.lock"));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0))
        return 0;

    // Qt's own buttons and dialogs in French.
    QTranslator qtFrench;
    if (qtFrench.load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtFrench);

    FrmMain w;
    if (!w.Form_Load())
        return 0;

    // Below the main window, in twips: top = main top + main height + 10, left = main left.
    const auto below = [&w](QWidget *win, int leftShiftTwips) {
        const QRect g = w.frameGeometry();
        win->move(g.left() + leftShiftTwips / 15, (g.top() * 15 + g.height() * 15 + 10) / 15);
    };
    FrmOptions *options = nullptr;
    w.SetOpener(FrmMain::Opener::Options, [&] {
        if (!options)
            options = new FrmOptions({[&w](const QString &f) { w.RefillStationList(true, f); },
                                      [&w](const QString &f) { w.RefillStationList(false, f); },
                                      [&w] { w.setWindowTitle(w.TitleText()); }},
                                     &w);
        below(options, 0);
        options->exec();
    });
    FrmFav *favourites = nullptr;
    w.SetOpener(FrmMain::Opener::Favourites, [&] {
        if (!favourites)
            favourites = new FrmFav(&w);
        below(favourites, -200);
        favourites->exec();
    });
    frmAbout *aboutBox = nullptr;
    w.SetOpener(FrmMain::Opener::About, [&] {
        if (!aboutBox)
            aboutBox = new frmAbout(&w);
        aboutBox->exec();
    });
    w.show();
    return app.exec();
}
