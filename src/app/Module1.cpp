#include "Module1.h"

#include "core/Globals.h"
#include "desktop/ScreenSaverSwitch.h"
#include "ui/Prompts.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QPointer>
#include <QWidget>

TopmostWindows &Topmost()
{
    static TopmostWindows windows;
    return windows;
}

void SetWindowTopmost(QWidget *w, bool topmost)
{
    if (!w || w->testAttribute(Qt::WA_WState_Created) == false) {
        if (w)
            w->setWindowFlag(Qt::WindowStaysOnTopHint, topmost);
        return;
    }
    if (w->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == topmost)
        return;
    const bool visible = w->isVisible();
    const QRect geometry = w->geometry();
    w->setWindowFlag(Qt::WindowStaysOnTopHint, topmost); // hides a shown window
    w->setGeometry(geometry);
    if (visible)
        w->show();
}

void ApplyTopmost()
{
    TopmostWindows &t = Topmost();
    const bool top = G().fenVisible == 1;
    SetWindowTopmost(t.main, top);
    if (t.nowPlaying)
        SetWindowTopmost(t.nowPlaying(), top);
    if (t.tvPlayer)
        SetWindowTopmost(t.tvPlayer(), G().fenVisibleTV == 1);
}

QString BrowseForFolder(QWidget *owner, const QString &title, const QString &initialFolder)
{
    return Prompts().FolderName(owner, title, initialFolder);
}

ScreenSaverSwitch *ScreenSaver()
{
    // Made on first use, once the session bus is known; ends with the application.
    static QPointer<ScreenSaverSwitch> saver;
    if (!saver)
        saver = new ScreenSaverSwitch(QDBusConnection::sessionBus(), ScreenSaverSwitch::DefaultTimeoutMs,
                                      QCoreApplication::instance());
    return saver;
}

bool SetScreenSaver(bool on) { return ScreenSaver()->SetInhibited(!on); }
