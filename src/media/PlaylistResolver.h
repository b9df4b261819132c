#pragma once
// Looks at what an address serves before it is handed to the media library: a playlist (PLS,
// M3U, ASX, ASF reference, XSPF) is fetched and decoded into its entries; a stream, an HLS
// list or anything not understood is played as it is.
//
// An http(s) address whose file name is plainly media (.mp3, .ogg, ...) is not looked at.
// Any other http(s) address gets one GET: a playlist (by content, Content-Type or file name)
// is read to its end (at most MaxPlaylistBytes); anything else is dropped after its headers
// or its first SniffBytes; an error status ends the lookup at the headers. A local file is read
// when its name says playlist and it is a regular file of at most MaxPlaylistBytes.
// mms://, rtsp:// and the like are never looked at.
//
// Thread contract: a QObject of the thread that created it (the UI thread); finished() is
// always emitted from the event loop, never from inside start().
#include "Playlist.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QTimer>

class QNetworkReply;

class PlaylistResolver : public QObject {
    Q_OBJECT
public:
    enum class Outcome {
        Direct,  // play result.address as it is
        Entries, // a playlist: play result.entries in order until one plays
        Failed,  // the address cannot be played: result.errorText says why (French)
    };
    struct Result {
        Outcome outcome = Outcome::Direct;
        QString address;     // the address that was looked at
        Playlist::Format format = Playlist::Format::None;
        QStringList entries; // Entries: absolute addresses, in list order
        QString errorText;   // Failed: "connexion refusée", "adresse introuvable (erreur HTTP 404)"...
    };

    static constexpr qint64 SniffBytes = 4096;
    static constexpr qint64 MaxPlaylistBytes = 512 * 1024;

    explicit PlaylistResolver(QObject *parent = nullptr);
    ~PlaylistResolver() override;

    // True when start() would look at address; false means play it as it is.
    static bool needsLookup(const QString &address);
    // True for an address that the media library had better open first: http(s) whose file
    // name says neither media nor a playlist mpv cannot read (a station mount, a script), or
    // an .m3u8 list. A stream then plays on its first connection; start() is only needed when
    // mpv does not recognise what it got.
    static bool playerLooksFirst(const QString &address);

    // Looks at address; a lookup still running is dropped first (its result never comes).
    // remoteNamed: the address came from a list of the network; it is looked at only when it is
    // public (NetGuard.h), and fails with "adresse du réseau local refusée" otherwise.
    void start(const QString &address, bool remoteNamed = false);
    void cancel();
    bool isRunning() const;

    // Time without any data after which a lookup fails with "le serveur ne répond pas"; a
    // lookup that takes three times as long in all fails the same way.
    void setTimeoutMs(int ms) { m_timeoutMs = ms; }
    int timeoutMs() const { return m_timeoutMs; }

signals:
    void finished(const PlaylistResolver::Result &result);

private:
    void send(const QUrl &url);
    void follow(const QUrl &target);
    void onReadyRead();
    void onReplyFinished();
    void finish(Result result);
    void dropReply();
    Result resultForContent(const QByteArray &content) const;

    QNetworkAccessManager m_network;
    QPointer<QNetworkReply> m_reply;
    QByteArray m_buffer;
    QString m_address;
    QUrl m_url;
    QString m_contentType;
    bool m_readToEnd = false; // the download is a playlist: read all of it
    QTimer m_deliver;         // delivers a result found without a download from the event loop
    Result m_pending;
    bool m_running = false;
    bool m_remoteNamed = false;
    int m_redirects = 0;
    quint64 m_lookup = 0; // the address check of the current lookup
    int m_timeoutMs = 10000;
};

Q_DECLARE_METATYPE(PlaylistResolver::Result)
