#include "QtTrayShell.h"

#include <QCoreApplication>
#include <QPixmap>
#include <vector>

namespace nimbrel::detail {

QtTrayShell::~QtTrayShell()
{
    delete m_tray.data();
}

void QtTrayShell::Attached(QObject *window)
{
    m_tray = new QSystemTrayIcon(window);
    QObject::connect(m_tray, &QSystemTrayIcon::activated, m_tray,
                     [this](QSystemTrayIcon::ActivationReason reason) { Activated(reason); });
}

bool QtTrayShell::NotifyIcon(NotifyAction action, const NotifyIconData &data, const QIcon &icon, const QString &tip)
{
    if (!m_tray)
        return false;
    if (action == NIM_DELETE) {
        m_tray->hide();
        return true;
    }
    if (data.uFlags & NIF_ICON) {
        if (icon.isNull()) {
            // An empty picture still takes its place in the notification area.
            QPixmap blank(16, 16);
            blank.fill(Qt::transparent);
            m_tray->setIcon(QIcon(blank));
        } else {
            m_tray->setIcon(icon);
        }
    }
    if (data.uFlags & NIF_TIP)
        m_tray->setToolTip(tip);
    if (action == NIM_ADD)
        m_tray->show();
    return true;
}

void QtTrayShell::Activated(QSystemTrayIcon::ActivationReason reason)
{
    // The shell reports a left double click as down, up, double click, up. Qt reports its first
    // press as Trigger and its second as DoubleClick, so DoubleClick gives the second half only.
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        Deliver({WM_LBUTTONDOWN, WM_LBUTTONUP});
        break;
    case QSystemTrayIcon::DoubleClick:
        Deliver({WM_LBUTTONDBLCLK, WM_LBUTTONUP});
        break;
    case QSystemTrayIcon::Context:
        Deliver({WM_RBUTTONDOWN, WM_RBUTTONUP});
        break;
    case QSystemTrayIcon::MiddleClick:
        Deliver({WM_MBUTTONDOWN, WM_MBUTTONUP});
        break;
    case QSystemTrayIcon::Unknown:
        break;
    }
}

void QtTrayShell::Deliver(std::initializer_list<int> messages)
{
    // Delivered from the event loop rather than from inside the tray's own mouse handling, so the
    // host may open a menu or delete the control from its handlers. The tray icon dies with this
    // shell: once it is gone the remaining messages are dropped.
    const std::vector<int> sequence(messages);
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [this, tray = m_tray, sequence] {
            for (const int message : sequence) {
                if (!tray)
                    return;
                SendMessage(message);
            }
        },
        Qt::QueuedConnection);
}

} // namespace nimbrel::detail
