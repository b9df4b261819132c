#include "nimbrel/TaskBarIcon.h"

#include "LiveControls.h"
#include "QtTrayShell.h"
#include "SniTrayShell.h"
#include "TipText.h"
#include "nimbrel/PropertyBag.h"
#include "nimbrel/TrayShell.h"

#include <QBuffer>
#include <QCursor>
#include <QPixmap>
#include <QPointer>
#include <QSystemTrayIcon>
#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>

namespace nimbrel {
namespace {

const QString IconProperty = QStringLiteral("Icon");
const QString ToolTipTextProperty = QStringLiteral("ToolTipText");
const QString DefaultToolTipText = QStringLiteral("---");

std::atomic<int> liveControls{0};

// Each control's window identifier in the record; never 0.
std::uint32_t NextWindowId()
{
    static std::atomic<std::uint32_t> next{0};
    std::uint32_t id = ++next;
    while (id == 0)
        id = ++next;
    return id;
}

// A 32-bit handle naming the icon, 0 for none.
std::uint32_t IconHandle(const QIcon &icon)
{
    if (icon.isNull())
        return 0;
    const auto key = static_cast<std::uint64_t>(icon.cacheKey());
    const auto handle = static_cast<std::uint32_t>(key ^ (key >> 32));
    return handle == 0 ? 1 : handle;
}

// The mouse message number carried by X; -1 when X holds no whole number of pixels in range.
int MessageNumber(float X)
{
    const double n = std::nearbyint(static_cast<double>(X) / TwipsPerPixelX);
    if (!std::isfinite(n) || n < INT_MIN || n > INT_MAX)
        return -1;
    return static_cast<int>(n);
}

QByteArray IconData(const QIcon &icon)
{
    const QList<QSize> sizes = icon.availableSizes();
    QSize size(32, 32);
    if (!sizes.isEmpty())
        size = *std::max_element(sizes.cbegin(), sizes.cend(), [](const QSize &a, const QSize &b) {
            return a.width() * a.height() < b.width() * b.height();
        });
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    icon.pixmap(size).save(&buffer, "PNG");
    return data;
}

QIcon IconFromData(const QVariant &value)
{
    QPixmap pixmap;
    if (value.typeId() != QMetaType::QByteArray || !pixmap.loadFromData(value.toByteArray(), "PNG"))
        return {};
    return QIcon(pixmap);
}

} // namespace

namespace detail {
int LiveControls()
{
    return liveControls.load();
}
} // namespace detail

namespace {
// The desktop's notification area: status notifier items where a watcher shows them, else the
// system tray. A watcher that does not answer gets an item too (registered without waiting for
// it): the system tray would first ask that same watcher and wait for it.
std::unique_ptr<TrayShell> SystemShell()
{
    using W = detail::SniTrayShell::Watcher;
    const W watcher = detail::SniTrayShell::Probe();
    if (watcher == W::Shows || watcher == W::Unanswered)
        return std::make_unique<detail::SniTrayShell>();
    return std::make_unique<detail::QtTrayShell>();
}
} // namespace

TaskBarIcon::TaskBarIcon(QObject *parent) : TaskBarIcon(SystemShell(), parent) {}

TaskBarIcon::TaskBarIcon(std::unique_ptr<TrayShell> shell, QObject *parent)
    : QObject(parent), m_shell(std::move(shell))
{
    ++liveControls;
    m_nid.hWnd = NextWindowId();
    if (m_shell)
        m_shell->Attach(this, [this](short Button, short Shift, float X, float Y) {
            UserControl_MouseMove(Button, Shift, X, Y);
        });
}

TaskBarIcon::~TaskBarIcon()
{
    Hide();
    --liveControls;
}

void TaskBarIcon::SetToolTipText(const QString &New_ToolTipText)
{
    m_toolTipText = New_ToolTipText;
    Update();
    emit PropertyChanged(ToolTipTextProperty);
}

void TaskBarIcon::SetIcon(const QIcon &New_Icon)
{
    m_icon = New_Icon;
    Update();
    emit PropertyChanged(IconProperty);
}

void TaskBarIcon::Show()
{
    if (m_isShowed)
        return;
    CallShell(NIM_ADD);
    m_isShowed = true;
}

void TaskBarIcon::Update()
{
    if (m_isShowed)
        CallShell(NIM_MODIFY);
}

void TaskBarIcon::Hide()
{
    if (!m_isShowed)
        return;
    CallShell(NIM_DELETE);
    m_isShowed = false;
}

bool TaskBarIcon::TrayAvailable()
{
    using W = detail::SniTrayShell::Watcher;
    switch (detail::SniTrayShell::Probe()) {
    case W::Shows:
        return true;
    case W::Unanswered:
        // Nobody answers for the notification area; the system tray check would wait for that
        // same watcher (25 s) before looking further.
        return false;
    case W::None:
    case W::NoHost:
        break;
    }
    return QSystemTrayIcon::isSystemTrayAvailable();
}

QPoint TaskBarIcon::MenuPosition() const
{
    return m_shell ? m_shell->MenuPosition() : QCursor::pos();
}

void TaskBarIcon::InitProperties()
{
    m_icon = QIcon();
    m_toolTipText = DefaultToolTipText;
    Show();
}

void TaskBarIcon::ReadProperties(const PropertyBag &bag)
{
    m_icon = IconFromData(bag.ReadProperty(IconProperty, QVariant()));
    m_toolTipText = bag.ReadProperty(ToolTipTextProperty, DefaultToolTipText).toString();
    Update();
}

void TaskBarIcon::WriteProperties(PropertyBag &bag) const
{
    bag.WriteProperty(IconProperty, m_icon.isNull() ? QVariant() : QVariant(IconData(m_icon)), QVariant());
    bag.WriteProperty(ToolTipTextProperty, m_toolTipText, DefaultToolTipText);
}

QString TaskBarIcon::FillRecord()
{
    m_nid.cbSize = sizeof(NotifyIconData);
    m_nid.uID = 1;
    m_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_nid.uCallbackMessage = WM_MOUSEMOVE;
    m_nid.hIcon = IconHandle(m_icon);
    QString tip = detail::TipText(m_toolTipText);
    detail::FillTip(tip, m_nid.szTip);
    return tip;
}

void TaskBarIcon::CallShell(NotifyAction action)
{
    const QString tip = FillRecord();
    if (m_shell)
        m_shell->NotifyIcon(action, m_nid, m_icon, tip);
}

void TaskBarIcon::UserControl_MouseMove(short Button, short Shift, float X, float Y)
{
    // Any handler may delete the control; nothing of it is touched after that.
    const QPointer<TaskBarIcon> alive(this);
    emit MouseMove(Button, Shift, X, Y);
    if (!alive)
        return;

    const int message = MessageNumber(X);
    // A handler running its own message loop (a context menu) lets notifications in meanwhile;
    // they raise MouseMove only.
    if (m_busy)
        return;
    m_busy = true;

    const auto clearFlags = [this] { m_leftDown = m_rightDown = m_middleDown = false; };
    if (message < WM_LBUTTONDOWN || message > WM_MBUTTONDBLCLK) {
        clearFlags();
    } else {
        // Three messages per button: down, up, double click; left, right, middle.
        const int index = (message - WM_LBUTTONDOWN) / 3;
        bool *const down[] = {&m_leftDown, &m_rightDown, &m_middleDown};
        const auto button = static_cast<short>(1 << index);
        switch ((message - WM_LBUTTONDOWN) % 3) {
        case 0: {
            clearFlags();
            *down[index] = true;
            short b = button;
            emit MouseDown(b, Shift, X, Y);
            break;
        }
        case 1: {
            if (*down[index]) {
                short b = button;
                emit Click(b, Shift, X, Y);
                if (!alive)
                    return;
            }
            clearFlags();
            short b = button;
            emit MouseUp(b, Shift, X, Y);
            break;
        }
        default: {
            clearFlags();
            short b = button;
            emit DblClick(b, Shift, X, Y);
            break;
        }
        }
    }
    if (alive)
        m_busy = false;
}

} // namespace nimbrel
