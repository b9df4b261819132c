#pragma once
// A shell that records the control's requests, and a recorder of the control's events.
#include "nimbrel/TaskBarIcon.h"
#include "nimbrel/TrayShell.h"

#include <QStringList>
#include <memory>
#include <vector>

namespace traytest {

struct ShellCall {
    nimbrel::NotifyAction action;
    nimbrel::NotifyIconData data;
    bool iconNull;
    QString tip; // the tooltip as the notification area gets it
};

// Outlives the control, so requests made by its destructor are seen.
using ShellLog = std::shared_ptr<std::vector<ShellCall>>;

class FakeShell final : public nimbrel::TrayShell {
public:
    explicit FakeShell(ShellLog log) : m_log(std::move(log)) {}

    bool NotifyIcon(nimbrel::NotifyAction action, const nimbrel::NotifyIconData &data, const QIcon &icon,
                    const QString &tip) override
    {
        m_log->push_back({action, data, icon.isNull(), tip});
        return true;
    }

    using TrayShell::SendMessage;
    using TrayShell::SendMouseMove;

private:
    ShellLog m_log;
};

// A control on a FakeShell.
struct FakeControl {
    ShellLog log = std::make_shared<std::vector<ShellCall>>();
    FakeShell *shell = nullptr;
    std::unique_ptr<nimbrel::TaskBarIcon> control;

    FakeControl()
    {
        auto s = std::make_unique<FakeShell>(log);
        shell = s.get();
        control = std::make_unique<nimbrel::TaskBarIcon>(std::move(s));
    }
};

// Writes every event of a control as "Move", "Down1", "Click2", "Up4", "Dbl1"...
struct EventRecorder {
    QStringList events;

    void Attach(nimbrel::TaskBarIcon *control)
    {
        using T = nimbrel::TaskBarIcon;
        QObject::connect(control, &T::MouseMove, [this](short &, short &, float &, float &) {
            events << QStringLiteral("Move");
        });
        const auto add = [this](const char *name) {
            return [this, name](short &Button, short &, float &, float &) {
                events << QLatin1String(name) + QString::number(Button);
            };
        };
        QObject::connect(control, &T::MouseDown, add("Down"));
        QObject::connect(control, &T::MouseUp, add("Up"));
        QObject::connect(control, &T::Click, add("Click"));
        QObject::connect(control, &T::DblClick, add("Dbl"));
    }

    // The events without the MouseMove entries.
    QStringList Buttons() const
    {
        QStringList out;
        for (const QString &e : events)
            if (e != QLatin1String("Move"))
                out << e;
        return out;
    }
};

} // namespace traytest
