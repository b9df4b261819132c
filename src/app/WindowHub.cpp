#include "WindowHub.h"

#include "common/Twips.h"

#include <QScreen>

WindowHub::WindowHub(MainLink &main, QObject *parent) : QObject(parent), m_main(main) {}

WindowHub::~WindowHub()
{
    for (QPointer<QWidget> &w : m_windows)
        delete w.data();
}

void WindowHub::Register(WindowKind kind, Factory factory)
{
    m_factories[static_cast<int>(kind)] = std::move(factory);
    emit Registered(kind);
}

bool WindowHub::IsRegistered(WindowKind kind) const
{
    return static_cast<bool>(m_factories[static_cast<int>(kind)]);
}

QWidget *WindowHub::Window(WindowKind kind, bool create)
{
    const int i = static_cast<int>(kind);
    if (!m_windows[i] && create && m_factories[i]) {
        QWidget *w = m_factories[i]();
        if (w)
            w->setWindowFlag(Qt::Window); // a top-level window even when given a parent
        m_windows[i] = w;
        if (w)
            emit Created(kind, w);
    }
    return m_windows[i];
}

QPoint WindowHub::KeepOnScreen(QWidget *w, QPoint topLeft) const
{
    QWidget *main = m_main.MainWindow();
    QScreen *screen = main ? main->screen() : w->screen();
    if (!screen)
        return topLeft;
    // The size the window takes when shown: showing a window that was never sized fits it to its
    // contents, as done here beforehand.
    w->ensurePolished();
    if (!w->testAttribute(Qt::WA_Resized)) {
        w->adjustSize();
        w->setAttribute(Qt::WA_Resized, false);
    }
    // The frame the desktop adds: the window's own once shown, else the main window's.
    QSize frame = w->frameGeometry().size();
    if (frame == w->size() && main)
        frame += main->frameGeometry().size() - main->size();
    return KeepInside(topLeft, frame, screen->availableGeometry());
}

bool WindowHub::Open(WindowKind kind) { return Open(kind, RuleFor(kind).modal); }

bool WindowHub::Open(WindowKind kind, bool modal)
{
    QWidget *w = Window(kind);
    if (!w)
        return false;
    if (const auto at = PlacementTwips(kind, m_main.MainGeometryTwips()))
        w->move(KeepOnScreen(w, QPoint(TwipsToPixels(at->x()), TwipsToPixels(at->y()))));
    const Qt::WindowModality modality = modal ? Qt::ApplicationModal : Qt::NonModal;
    if (w->windowModality() != modality) {
        // Qt applies a change of modality when the window is shown.
        w->hide();
        w->setWindowModality(modality);
    }
    w->show();
    w->raise();
    w->activateWindow();
    emit Opened(kind, w);
    return true;
}
