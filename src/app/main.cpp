// Tavilune: internet radio and TV player, sound recorder and MP3 converter.
#include "FrmMain.h"
#include "InfoRadio.h"
#include "Module1.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QComboBox>
#include <QLockFile>
#include <QPointer>
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
    // The now-playing window: created hidden by the always-on-top handling at start-up, shown
    // below the main window when an information link is followed, destroyed when it closes.
    QPointer<InfoRadio> nowPlaying;
    Topmost().nowPlaying = [&nowPlaying]() -> QWidget * {
        if (!nowPlaying)
            nowPlaying = new InfoRadio;
        return nowPlaying;
    };
    w.SetOpener(FrmMain::Opener::NowPlaying, [&w] {
        QWidget *info = Topmost().nowPlaying();
        const QRect main = w.frameGeometry();
        info->move(main.left(), main.top() + main.height() + 1);
        info->setWindowTitle(QStringLiteral("Information titre en cours : ") + w.ComboRad->currentText());
        info->show();
        info->raise();
        info->activateWindow();
    });
    if (!w.Form_Load()) {
        delete nowPlaying.data();
        return 0;
    }
    w.show();
    const int rc = app.exec();
    delete nowPlaying.data();
    return rc;
}
