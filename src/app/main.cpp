// Tavilune: internet radio and TV player, sound recorder and MP3 converter.
#include "App.h"
#include "DecimalPoint.h"
#include "ProgramFolder.h"
#include "FirstFrameStamp.h"

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

    // The program folder: beside the program, or the user's own when that one is read-only.
    programfolder::Setup();

    // Qt's own buttons and dialogs in French.
    QTranslator qtFrench;
    if (qtFrench.load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtFrench);

    // Numbers shown by the Qt-free parts follow the user's locale too.
    SetUserDecimalPoint(QLocale().decimalPoint().toStdString());

    App program;
    // The window shows at once; the long station lists and the tray icon follow its first frame.
    program.Main().SetListsFilledAfterFirstPaint(true);
    if (!program.Start())
        return 0;
    program.Main().show();
    firstframe::InstallIfAsked(program.Main().windowHandle());
    return app.exec();
}
