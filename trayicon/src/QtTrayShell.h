#pragma once
// The system's notification area through QSystemTrayIcon. Clicks on the icon are turned into the
// mouse messages the shell would send for them and delivered to the control from the event loop.
#include "nimbrel/TrayShell.h"

#include <QPointer>
#include <QSystemTrayIcon>
#include <initializer_list>

namespace nimbrel::detail {

class QtTrayShell final : public TrayShell {
public:
    QtTrayShell() = default;
    ~QtTrayShell() override;

    bool NotifyIcon(NotifyAction action, const NotifyIconData &data, const QIcon &icon, const QString &tip) override;

private:
    void Attached(QObject *window) override;
    void Activated(QSystemTrayIcon::ActivationReason reason);
    void Deliver(std::initializer_list<int> messages);

    // A child of the control, so it goes with it whatever happens.
    QPointer<QSystemTrayIcon> m_tray;
};

} // namespace nimbrel::detail
