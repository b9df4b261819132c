#pragma once
// What the other windows may ask of the main window, without knowing its widgets.
#include <QRect>
#include <QString>

class QWidget;

class MainLink {
public:
    virtual ~MainLink() = default;

    // Stops the main window's page (and its stream) and shows the idle page "Intro.htm": windows
    // that play call it first, so that one stream plays at a time.
    virtual void StopMainPage() = 0;
    // Opens the now-playing window for the information address (the one of the link a page view
    // caught) with caption, modal or modeless, placed below the main window.
    virtual void OpenNowPlaying(bool modal, const QString &caption, const QString &address) = 0;
    // The main window's frame: left, top, width and height in twips.
    virtual QRect MainGeometryTwips() const = 0;
    // Reads both station folders again and refills the lists, keeping the text and current
    // station path (a page just made or deleted shows at once).
    virtual void RefreshStationLists() = 0;
    // The main window, as owner of dialogs.
    virtual QWidget *MainWindow() = 0;
};
