#pragma once
// TaskBarIcon: puts an icon with a tooltip into the notification area, takes it away again, and
// turns the shell's mouse notifications for the icon into the mouse events of the control.
//
// The control is invisible and lives on the user-interface thread of its host. Its events are
// raised synchronously and pass their arguments by reference, so connect them directly (the
// default connection on one thread); a queued connection cannot carry them. A handler may delete
// the control; the decoding then stops at once.
#include "nimbrel/NotifyIconData.h"
#include "nimbrel/nimbrel_export.h"

#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QSize>
#include <QString>
#include <memory>

namespace nimbrel {

class PropertyBag;
class TrayShell;

class NIMBREL_EXPORT TaskBarIcon : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString ToolTipText READ ToolTipText WRITE SetToolTipText)
    Q_PROPERTY(QIcon Icon READ Icon WRITE SetIcon)
    Q_PROPERTY(bool IsShowed READ IsShowed)
    Q_CLASSINFO("MouseDown", "Se produit lorsque l'utilisateur appuie sur le bouton de la souris alors qu'un objet a le focus.")
    Q_CLASSINFO("MouseUp", "Se produit lorsque l'utilisateur relâche le bouton de la souris alors qu'un objet a le focus.")

public:
    // The name the host creates the control by.
    static constexpr const char *ProgId = "Nimbrel.TaskBarIcon";

    // A control on the desktop's notification area (status notifier items where the desktop shows
    // them, else the system tray).
    explicit TaskBarIcon(QObject *parent = nullptr);
    // A control on the given shell.
    explicit TaskBarIcon(std::unique_ptr<TrayShell> shell, QObject *parent = nullptr);
    // Takes the icon out of the notification area.
    ~TaskBarIcon() override;

    QString ToolTipText() const { return m_toolTipText; }
    void SetToolTipText(const QString &New_ToolTipText);
    QIcon Icon() const { return m_icon; }
    void SetIcon(const QIcon &New_Icon);
    bool IsShowed() const { return m_isShowed; }
    Q_INVOKABLE void Show();
    Q_INVOKABLE void Hide();

    // The control keeps this size, in twips.
    static QSize Size() { return {320, 320}; }

    // True when the desktop shows a notification area. Without one a shown icon is seen by no one,
    // so a host should minimise its window rather than hide it. A desktop whose status notifier
    // watcher does not answer within a second counts as having none (it is not asked again).
    static bool TrayAvailable();

    // Where a menu for the icon opens (screen coordinates): the point of the last click the
    // notification area reported, else the icon's place, else the mouse cursor. A host that pops
    // a menu up from MouseDown uses it rather than the cursor, which desktops that draw the
    // notification area themselves do not keep current.
    QPoint MenuPosition() const;

    // Persisted properties "Icon" (default none) and "ToolTipText" (default "---").
    // A new control without stored properties: empty icon, "---", and the icon is shown.
    void InitProperties();
    // Loading from a layout; the icon is not shown until Show.
    void ReadProperties(const PropertyBag &bag);
    // Saving to a layout.
    void WriteProperties(PropertyBag &bag) const;

signals:
    // Every notification, with the values as received. The other events carry Button 1 (left),
    // 2 (right) or 4 (middle) and pass Shift, X and Y on.
    void MouseMove(short &Button, short &Shift, float &X, float &Y);
    void MouseDown(short &Button, short &Shift, float &X, float &Y);
    void MouseUp(short &Button, short &Shift, float &X, float &Y);
    void Click(short &Button, short &Shift, float &X, float &Y);
    void DblClick(short &Button, short &Shift, float &X, float &Y);

    // A persisted property ("Icon" or "ToolTipText") has changed and the host's layout should be saved.
    void PropertyChanged(const QString &name);

private:
    void Update();
    // Fills the record; returns the tooltip it carries, every character as it is.
    QString FillRecord();
    void CallShell(NotifyAction action);
    void UserControl_MouseMove(short Button, short Shift, float X, float Y);

    std::unique_ptr<TrayShell> m_shell;
    QIcon m_icon;
    QString m_toolTipText;
    bool m_isShowed = false;
    NotifyIconData m_nid;
    bool m_busy = false;
    bool m_leftDown = false;
    bool m_rightDown = false;
    bool m_middleDown = false;
};

} // namespace nimbrel
