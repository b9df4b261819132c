#pragma once
// Records the stream of the main page without re-encoding: the bytes the station sends, as they
// arrive, on a connection of the recorder's own to the address the engine plays. libmpv's own
// stream recording keeps what it records in memory until it ends, which would hide the size and a
// full disk until then.
//
// A file is written under a working name ("<name>.part.<ext>") and takes its final name
// "<station> AAAA-MM-JJ HHhMM.<ext>" when the recording ends; a recording that wrote nothing
// leaves no file. It ends when asked, when playback stops, when the station ends the
// connection, when a write fails (a full disk) or when the folder's disk has less free space
// than the margin: then Ended carries a French warning, and what was written is kept.
//
// One file per title (setOneFilePerTitle): the station is asked for its ICY titles, the metadata
// blocks are taken out of what is written (IcyStream.h), and each change of title ends the file
// at the first frame boundary after it and begins the next one, named "<station> - <artiste> -
// <titre>.<ext>". The first file, which begins before the first title is known, is the end of
// the title playing at the start and takes its name. MP3 and AAC files begin with an ID3v2 tag
// (title, artist, album = station, date); Ogg files are tagged in their comment header on a worker
// thread once complete, then renamed there. Streams whose frames cannot be cut (MP4, FLAC,
// Matroska, WMA...) are recorded in one file as without the preference.
#include "media/MediaEngine.h"
#include "IcyStream.h"
#include "RecordTags.h"

#include <QDateTime>
#include <QFile>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <optional>
#include <vector>

class QNetworkReply;

class StreamRecorder : public QObject, private icy::Splitter::Sink {
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

    bool IsRecording() const { return m_recording; }
    // Whether a recording makes one file per title; asked at each Start (off when not set).
    void setOneFilePerTitle(std::function<bool()> on) { m_perTitleSetting = std::move(on); }
    // While recording: the final name of the file being written and the bytes of stream written
    // so far (all files of the recording).
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
    // A file of a recording made one file per title is complete (the last one too, before Ended).
    void FileKept(const QString &path);

private:
    void onData();
    void onFinished();
    void poll();
    void finish(const QString &warning);
    void Audio(const char *data, qsizetype size) override;
    void Title(const QString &title, bool first, QByteArrayView oggHeaders) override;
    bool openFile(const QString &stem);
    QString closeFile();
    QString freeStem(const QString &fileName) const;
    bool write(const char *data, qsizetype size, bool stream);
    bool writeHeld();
    void writeTag();

    QPointer<MediaEngine> m_engine;
    QNetworkAccessManager m_network;
    QPointer<QNetworkReply> m_reply;
    QFile m_file;
    QTimer m_poll;
    QString m_finalPath;
    qint64 m_minFree = DefaultMinimumFreeBytes;
    qint64 m_written = 0;
    qint64 m_reported = -1;
    bool m_recording = false;

    std::function<bool()> m_perTitleSetting;
    bool m_perTitle = false; // this recording asked for titles
    QString m_station, m_extension, m_folder;
    std::optional<icy::Splitter> m_splitter;
    std::vector<char> m_buffer; // what is read from the connection, sized once
    std::vector<char> m_held;   // the stream before the first title, to follow the first file's tag
    bool m_holding = false;
    qint64 m_fileBytes = 0;     // stream bytes in the current file
    recordtags::Fields m_tags;  // of the current file
};
