#pragma once
// Start-up: the font configuration (its XML files and its cache of the installed fonts) is read
// on a thread of its own while the display connection is made, so that the first text the main
// window measures does not wait for it. The font library keeps what it read for the process;
// Qt's font database finds it ready. The destructor waits for the thread.
#include <thread>

class FontWarmUp {
public:
    FontWarmUp();
    ~FontWarmUp();
    FontWarmUp(const FontWarmUp &) = delete;
    FontWarmUp &operator=(const FontWarmUp &) = delete;

private:
    std::thread m_thread;
};
