#pragma once
// The system's notification area through QSystemTrayIcon, for desktops without a status notifier
// watcher (system trays that embed the icon's window). Clicks on the icon are turned into the
// mouse messages the shell would send for them and delivered to the control from the event loop.
#include "nimbrel/TrayShell.h"

#include <QPointer>
#include <QSystemTrayIcon>

namespace nimbrel::detail {

class QtTrayShell final : public TrayShell {
public:
    QtTrayShell() = default;
    ~QtTrayShell() override;

    bool NotifyIcon(NotifyAction action, const NotifyIconData &data, const QIcon &icon, const QString &tip) override;
    QPoint MenuPosition() const override;

private:
    void Attached(QObject *window) override;
    void Activated(QSystemTrayIcon::ActivationReason reason);

    // A child of the control, so it goes with it whatever happens.
    QPointer<QSystemTrayIcon> m_tray;
};

} // namespace nimbrel::detail
