#pragma once
// One instance of the program at a time: an advisory lock (flock) on a file of the user's runtime
// folder. The system releases it when the process ends, however it ends, so a crash leaves no
// stale lock behind; nothing is flushed to disk to take it.
#include <QString>

class InstanceLock {
public:
    enum class Result {
        Acquired,   // this process is the only instance
        Held,       // another instance holds the lock
        Unavailable // the lock file cannot be opened or locked (the program runs unguarded)
    };

    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    // Takes the lock on `path` (created if missing, mode 0600) without waiting.
    Result TryLock(const QString &path);

private:
    int m_fd = -1;
};
