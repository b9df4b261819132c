#pragma once
// What the desktop services may ask of the main window, without knowing its widgets.
#include <QString>

class PlayerLink {
public:
    virtual ~PlayerLink() = default;

    // Listen on the station of the current list (as the Listen button does).
    virtual void Listen() = 0;
    // Stop the main page (as the Stop button does).
    virtual void StopListening() = 0;
    // Select the station step places away in the current list (going round) and listen to it.
    virtual void StepStation(int step) = 0;
    // Whether the current list holds a station to step to.
    virtual bool CanStep() const = 0;
    // Bring the main window back (from the tray too).
    virtual void RaiseWindow() = 0;
    // End the program as "&Quitter" does.
    virtual void Quit() = 0;
    // The station that plays as the list named it at Listen, and its page's logo (a local file);
    // empty texts when there is none.
    virtual QString PlayingStation() const = 0;
    virtual QString PlayingLogo() const = 0;
};
