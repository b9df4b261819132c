#pragma once
// The one place that creates and opens the program's windows. Each window is made by the factory
// registered for its kind on first use, then reused; Open() places it as its rule says (below the
// main window, top 100 / left 100...), kept inside the available area of the main window's
// screen, and shows it modal or modeless. Modal windows are
// application-modal top-level windows: no nested event loop runs while they are open.
//
// Ownership: the hub owns the windows it created (deleted with the hub). UI thread only.
#include "ui/MainLink.h"
#include "WindowRules.h"

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>

class WindowHub : public QObject {
    Q_OBJECT
public:
    using Factory = std::function<QWidget *()>;

    explicit WindowHub(MainLink &main, QObject *parent = nullptr);
    ~WindowHub() override;

    // Makes kind available; a trigger of a kind without a factory stays disabled.
    void Register(WindowKind kind, Factory factory);
    bool IsRegistered(WindowKind kind) const;

    // The window of kind, created (hidden) when it does not exist yet and create is true;
    // nullptr when the kind has no factory.
    QWidget *Window(WindowKind kind, bool create = true);

    // Places and shows the window as its rule says; modal overrides the rule (the previews open
    // the now-playing window modally). False when the kind has no factory.
    bool Open(WindowKind kind);
    bool Open(WindowKind kind, bool modal);

signals:
    void Registered(WindowKind kind);
    void Opened(WindowKind kind, QWidget *window);
    // A window was just made by its factory (before it is placed or shown).
    void Created(WindowKind kind, QWidget *window);

private:
    // topLeft (pixels) moved as little as needed for the whole window to fit in the available
    // area of the main window's screen.
    QPoint KeepOnScreen(QWidget *w, QPoint topLeft) const;

    MainLink &m_main;
    std::array<Factory, kWindowKinds> m_factories;
    std::array<QPointer<QWidget>, kWindowKinds> m_windows;
};
