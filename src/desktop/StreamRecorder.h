#pragma once
// Records the stream of the main page without re-encoding: the bytes the station sends, as they
// arrive, on a connection of the recorder's own to the address the engine plays (asked without
// ICY titles, so nothing but the stream is saved). libmpv's own stream recording keeps what it
// records in memory until it ends, which would hide the size and a full disk until then.
//
// The file is written under a working name ("<name>.part.<ext>") and takes its final name
// "<station> AAAA-MM-JJ HHhMM.<ext>" when the recording ends; a recording that wrote nothing
// leaves no file. It ends when asked, when playback stops, when the station ends the
// connection, when a write fails (a full disk) or when the folder's disk has less free space
// than the margin: then Ended carries a French warning, and what was written is kept.
#include "media/MediaEngine.h"

#include <QDateTime>
#include <QFile>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QTimer>

class QNetworkReply;

class StreamRecorder : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 DefaultMinimumFreeBytes = 1024 * 1024;

    explicit StreamRecorder(MediaEngine *engine, QObject *parent = nullptr);
    ~StreamRecorder() override;

    // Starts recording what plays into folder for station; false (with a French reason in
    // error) when nothing plays, the stream is not an http(s) stream, the folder cannot be
    // written or the disk is full.
    bool Start(const QString &station, const QString &folder, const QDateTime &now = QDateTime::currentDateTime(),
               QString *error = nullptr);
    // Ends the recording; the file takes its final name. Nothing when not recording.
    void Stop();

    bool IsRecording() const { return m_file.isOpen(); }
    // While recording: the final name and the bytes written so far.
    QString FinalPath() const { return m_finalPath; }
    qint64 BytesWritten() const { return m_written; }

    // The least free space below which the recording ends (tests make it small).
    void setMinimumFreeBytes(qint64 bytes) { m_minFree = bytes; }
    // How often the free space is looked at and the size reported (ms).
    void setPollInterval(int ms) { m_poll.setInterval(qMax(10, ms)); }

signals:
    // The size written changed (at most once per poll interval while recording).
    void Progress(qint64 bytes);
    // The recording ended: the file kept (empty when nothing was written) and, when it ended
    // by itself on an error, the French warning to show.
    void Ended(const QString &path, const QString &warning);

private:
    void onData();
    void onFinished();
    void poll();
    void finish(const QString &warning);

    QPointer<MediaEngine> m_engine;
    QNetworkAccessManager m_network;
    QPointer<QNetworkReply> m_reply;
    QFile m_file;
    QTimer m_poll;
    QString m_finalPath;
    qint64 m_minFree = DefaultMinimumFreeBytes;
    qint64 m_written = 0;
    qint64 m_reported = -1;
};
