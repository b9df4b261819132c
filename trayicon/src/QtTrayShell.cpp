#include "QtTrayShell.h"

#include <QCoreApplication>
#include <QCursor>
#include <QPixmap>
#include <QTextDocument>

namespace nimbrel::detail {

namespace {

// The tooltip as Qt shows it: text that looks like markup would be shown as rich text (a station
// title "<b>…</b>" in bold, an "<img>" fetched), so such text goes as rich text of its plain
// characters.
QString PlainTip(const QString &tip)
{
    return Qt::mightBeRichText(tip) ? Qt::convertFromPlainText(tip, Qt::WhiteSpaceNoWrap) : tip;
}

} // namespace

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
        m_tray->setToolTip(PlainTip(tip));
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
        PostMessages(m_tray, {WM_LBUTTONDOWN, WM_LBUTTONUP});
        break;
    case QSystemTrayIcon::DoubleClick:
        PostMessages(m_tray, {WM_LBUTTONDBLCLK, WM_LBUTTONUP});
        break;
    case QSystemTrayIcon::Context:
        PostMessages(m_tray, {WM_RBUTTONDOWN, WM_RBUTTONUP});
        break;
    case QSystemTrayIcon::MiddleClick:
        PostMessages(m_tray, {WM_MBUTTONDOWN, WM_MBUTTONUP});
        break;
    case QSystemTrayIcon::Unknown:
        break;
    }
}

QPoint QtTrayShell::MenuPosition() const
{
    // The icon's place when the tray tells it; the cursor is over the icon when it was clicked.
    const QRect place = m_tray ? m_tray->geometry() : QRect();
    const QPoint cursor = QCursor::pos();
    if (!place.isValid() || place.contains(cursor))
        return cursor;
    return place.center();
}

} // namespace nimbrel::detail
