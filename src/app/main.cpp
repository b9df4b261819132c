// Tavilune: internet radio and TV player, sound recorder and MP3 converter.
#include "common/DecimalPoint.h"
#include "core/InstanceLock.h"
#include "core/ProgramFolder.h"
#include "App.h"
#include "FirstFrameStamp.h"
#include "FontWarmUp.h"
#include "ProgramStyle.h"
#include "WaylandSeat.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QStandardPaths>
#include <QStyle>
#include <QTranslator>

int main(int argc, char **argv)
{
    // Read while the display connection is made (see FontWarmUp.h).
    const FontWarmUp fonts;
    waylandseat::AvoidSeatlessPopupCrash();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavilune"));
    QApplication::setOrganizationName(QStringLiteral("Tavilune"));
    QApplication::setDesktopFileName(QStringLiteral("tavilune"));
    QApplication::setQuitOnLastWindowClosed(false);

    // One instance at a time: a second start ends at once, silently.
    QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        runtime = QDir::tempPath();
    // When the lock cannot be taken at all (a read-only runtime folder), the program still starts.
    InstanceLock lock;
    if (lock.TryLock(runtime + QStringLiteral("/Tavilune.lock")) == InstanceLock::Result::Held)
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

    // The chosen widget style (the desktop's, or -style / QT_STYLE_OVERRIDE), with the program's
    // own menu-bar chevron (see ProgramStyle.h).
    QApplication::setStyle(new ProgramStyle(QApplication::style()->name()));
    App program;
    // The window shows at once; the long station lists and the tray icon follow its first frame.
    program.Main().SetListsFilledAfterFirstPaint(true);
    if (!program.Start())
        return 0;
    program.Main().show();
    firstframe::InstallIfAsked(program.Main().windowHandle());
    return app.exec();
}
