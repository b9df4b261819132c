#pragma once
// Start-up measurements: with TAVILUNE_SHOWN_FILE set in the environment, the wall-clock time
// (microseconds since the epoch) at which a window's first frame was drawn is written to that
// file, once. The frame counts once the window's first expose event has been handled (Qt draws
// and flushes the frame while handling it). Without the variable nothing is installed.
// Header-only, QtGui: the program and the bare reference window of bench/startup share it.
#include <QEvent>
#include <QFile>
#include <QObject>
#include <QTimer>
#include <QWindow>
#include <chrono>

namespace firstframe {

class Stamp : public QObject {
public:
    Stamp(QWindow *window, QString file) : QObject(window), m_file(std::move(file))
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Expose && !m_done) {
            m_done = true;
            watched->removeEventFilter(this);
            // Runs once the expose event (and the frame it draws) is done.
            QTimer::singleShot(0, this, [this] { write(); });
        }
        return false;
    }

private:
    void write()
    {
        const auto us = std::chrono::duration_cast<std::chrono::microseconds>(
                            std::chrono::system_clock::now().time_since_epoch())
                            .count();
        QFile out(m_file);
        if (out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            out.write(QByteArray::number(qint64(us)) + '\n');
    }

    QString m_file;
    bool m_done = false;
};

// Call right after the window's show().
inline void InstallIfAsked(QWindow *window)
{
    const QString file = qEnvironmentVariable("TAVILUNE_SHOWN_FILE");
    if (window && !file.isEmpty())
        new Stamp(window, file);
}

} // namespace firstframe
