#pragma once
// The notification area as the control sees it: one call that adds, modifies or deletes the icon a
// record describes, and mouse notifications for that icon coming back as mouse-moves of the
// control's window whose X carries the mouse message number in twips.
//
// The control owns its shell and uses it on the user-interface thread only.
#include "nimbrel/NotifyIconData.h"
#include "nimbrel/nimbrel_export.h"

#include <QIcon>
#include <QString>
#include <QPoint>
#include <functional>
#include <initializer_list>

class QObject;

namespace nimbrel {

class NIMBREL_EXPORT TrayShell {
public:
    using MouseMoveHandler = std::function<void(short Button, short Shift, float X, float Y)>;

    virtual ~TrayShell();

    // Called once by the control that owns the shell. window is the control itself (a parent for
    // objects the shell creates); handler is its mouse-move entry point.
    void Attach(QObject *window, MouseMoveHandler handler);

    // Carries out one request. icon is the picture whose handle the record carries; tip is the
    // tooltip of the record with every character as it is (szTip holds its Windows-1252 form, in
    // which characters outside that code page became '?'). The control does not look at the result.
    virtual bool NotifyIcon(NotifyAction action, const NotifyIconData &data, const QIcon &icon,
                            const QString &tip) = 0;

    // The screen point where a menu for the icon opens: where the shell reported the last click
    // when it knows, else the icon's place, else the mouse cursor.
    virtual QPoint MenuPosition() const;

protected:
    TrayShell() = default;
    TrayShell(const TrayShell &) = delete;
    TrayShell &operator=(const TrayShell &) = delete;

    // Lets a shell create what it needs once it knows the control's window.
    virtual void Attached(QObject *window);

    // Sends mouse message number message to the control: a mouse-move with X = message in twips.
    // The control may be destroyed by the handlers of the events this raises.
    void SendMessage(int message) const;
    // Sends a raw mouse-move.
    void SendMouseMove(short Button, short Shift, float X, float Y) const;
    // Sends the messages one after the other from the event loop, outside the shell's own event
    // handling, so that the host may open a menu or delete the control from its handlers. Once
    // guard is gone (it dies with the shell) the remaining messages are dropped.
    void PostMessages(QObject *guard, std::initializer_list<int> messages);

private:
    MouseMoveHandler m_handler;
};

} // namespace nimbrel
