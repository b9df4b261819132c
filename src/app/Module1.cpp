#include "Module1.h"

#include "Globals.h"
#include "Prompts.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
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

namespace {
quint32 g_inhibitCookie = 0;
bool g_inhibited = false;
} // namespace

bool SetScreenSaver(bool on)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusInterface saver(QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("/org/freedesktop/ScreenSaver"),
                         QStringLiteral("org.freedesktop.ScreenSaver"), bus);
    if (!saver.isValid())
        return false;
    if (on) {
        if (!g_inhibited)
            return true;
        QDBusReply<void> r = saver.call(QStringLiteral("UnInhibit"), g_inhibitCookie);
        if (!r.isValid())
            return false;
        g_inhibited = false;
        return true;
    }
    if (g_inhibited)
        return true;
    QDBusReply<quint32> r = saver.call(QStringLiteral("Inhibit"), QStringLiteral("Tavilune"),
                                       QStringLiteral("Écoute de la radio ou de la TV"));
    if (!r.isValid())
        return false;
    g_inhibitCookie = r.value();
    g_inhibited = true;
    return true;
}
