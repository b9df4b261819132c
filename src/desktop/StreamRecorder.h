#pragma once
// Records the stream of the main page as it arrives, without re-encoding, with the engine's
// stream recording. The file is written under a working name ("<name>.part.<ext>": the player
// picks the container from the extension) and takes its final name
// "<station> AAAA-MM-JJ HHhMM.<ext>" when the recording ends; a recording that wrote nothing
// leaves no file.
//
// The recording ends when asked, when the stream stops or drops (a reconnection would start the
// file again), when the player reports a write error, or when the folder's disk has less free
// space than the margin: then Ended carries a French warning, and what was written is kept.
#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include "MediaEngine.h"

class StreamRecorder : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 DefaultMinimumFreeBytes = 8 * 1024 * 1024;

    explicit StreamRecorder(MediaEngine *engine, QObject *parent = nullptr);
    ~StreamRecorder() override;

    // Starts recording what plays into folder for station; false (with a French reason in
    // error) when nothing plays, the folder cannot be written or the disk is full.
    bool Start(const QString &station, const QString &folder, const QDateTime &now = QDateTime::currentDateTime(),
               QString *error = nullptr);
    // Ends the recording; the file takes its final name. Nothing when not recording.
    void Stop();

    bool IsRecording() const { return !m_partPath.isEmpty(); }
    // While recording: the final name and the bytes written so far.
    QString FinalPath() const { return m_finalPath; }
    qint64 BytesWritten() const;

    // The least free space below which the recording ends (tests make it small).
    void setMinimumFreeBytes(qint64 bytes) { m_minFree = bytes; }
    // How often the size and the free space are looked at (ms).
    void setPollInterval(int ms) { m_poll.setInterval(qMax(10, ms)); }

signals:
    // The size written changed (while recording).
    void Progress(qint64 bytes);
    // The recording ended: the file kept (empty when nothing was written) and, when it ended
    // by itself on an error, the French warning to show.
    void Ended(const QString &path, const QString &warning);

private:
    void poll();
    void finish(const QString &warning);

    QPointer<MediaEngine> m_engine;
    QTimer m_poll;
    QString m_partPath;
    QString m_finalPath;
    qint64 m_minFree = DefaultMinimumFreeBytes;
    qint64 m_lastSize = -1;
};
