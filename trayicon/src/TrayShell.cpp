#include "nimbrel/TrayShell.h"

#include <QCoreApplication>
#include <QCursor>
#include <QPointer>
#include <vector>

namespace nimbrel {

TrayShell::~TrayShell() = default;

void TrayShell::Attach(QObject *window, MouseMoveHandler handler)
{
    m_handler = std::move(handler);
    Attached(window);
}

void TrayShell::Attached(QObject *) {}

void TrayShell::SendMessage(int message) const
{
    SendMouseMove(0, 0, static_cast<float>(message * TwipsPerPixelX), 0.0f);
}

void TrayShell::SendMouseMove(short Button, short Shift, float X, float Y) const
{
    // The handlers of the control's events may destroy the control and this shell with it; the
    // copy keeps the callable alive until it returns.
    if (const MouseMoveHandler handler = m_handler)
        handler(Button, Shift, X, Y);
}

QPoint TrayShell::MenuPosition() const
{
    return QCursor::pos();
}

void TrayShell::PostMessages(QObject *guard, std::initializer_list<int> messages)
{
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [this, alive = QPointer<QObject>(guard), sequence = std::vector<int>(messages)] {
            for (const int message : sequence) {
                if (!alive)
                    return;
                SendMessage(message);
            }
        },
        Qt::QueuedConnection);
}

} // namespace nimbrel
