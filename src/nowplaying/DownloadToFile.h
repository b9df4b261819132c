#pragma once
// One HTTP download into a local file, asynchronous: start() returns at once and finished(ok)
// follows from the event loop, so the window keeps serving the user and its timer meanwhile.
//
// Rules: only http:// and https:// addresses are fetched (anything else fails without a request);
// the agent is "ZivEvazo", the system's proxy settings apply, the answer always comes from the
// server (never from a cache); a status outside 2xx fails, an answer without a whole-number
// Content-Length fails, a body longer than the size bound fails; the body is written to the file
// in pieces of at most 2048 bytes as it arrives. The new content goes to a temporary file beside
// the target and replaces the target only when the whole body was stored; on failure the target
// is removed, so no partial and no stale file is left. A server that sends nothing for the stall
// bound, or takes longer than the total bound, fails. Redirects are followed a bounded number of
// times, to web addresses only, checked by the network guard (NetGuard.h).
//
// Lives on the thread of its network manager; finished() is emitted once per start().
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QSaveFile>
#include <QString>
#include <memory>

class QNetworkAccessManager;
class QTimer;

namespace nowplaying {

constexpr qint64 kMaxPageBytes = 4 * 1024 * 1024;
constexpr qint64 kMaxCoverBytes = 2 * 1024 * 1024;
constexpr int kStallMs = 15000;
constexpr int kTotalMs = 60000;
constexpr int kMaxRedirects = 5;
constexpr int kPieceBytes = 2048;

// A network manager for these downloads: system proxy (never for the local host), no cache.
QNetworkAccessManager *NewNetwork(QObject *parent);

class DownloadToFile : public QObject {
    Q_OBJECT
public:
    explicit DownloadToFile(QNetworkAccessManager *network, QObject *parent = nullptr);
    ~DownloadToFile() override;

    void setMaxBytes(qint64 bytes) { m_maxBytes = bytes; }
    void setStallTimeout(int ms) { m_stallMs = ms; }
    void setTotalTimeout(int ms) { m_totalMs = ms; }

    // Starts downloading address into localPath. False (and no finished()) when a download is
    // already running. remoteNamed: the address came from a page of the network; it is fetched
    // only from a public address (NetGuard.h).
    bool start(const QString &address, const QString &localPath, bool remoteNamed = false);
    bool isRunning() const { return m_running; }
    // Ends a running download as a failure.
    void abort();
    // True when the last download failed because its file could not be written (full device,
    // folder that cannot be written), not because of the server.
    bool writeFailed() const { return m_writeFailed; }

signals:
    // True only when the whole body was stored in the file.
    void finished(bool ok);

private:
    void send(const QString &address);
    bool followed();
    void dropReply();
    void onMetaData();
    void onReadyRead();
    void onFinished();
    bool checkHeaders();
    bool drain();
    void succeed();
    void fail();
    void release();

    // The manager may go first (it owns its replies): both are watched.
    QPointer<QNetworkAccessManager> m_network;
    QPointer<QNetworkReply> m_reply;
    QTimer *m_total;
    std::unique_ptr<QSaveFile> m_file;
    QString m_path;
    qint64 m_maxBytes = kMaxPageBytes;
    qint64 m_length = -1;
    qint64 m_written = 0;
    int m_stallMs = kStallMs;
    int m_totalMs = kTotalMs;
    bool m_running = false;
    bool m_headersChecked = false;
    bool m_writeFailed = false;
    bool m_remoteNamed = false;
    int m_redirects = 0;
    quint64 m_attempt = 0; // the address check of the running download
};

// True for an address this downloader may fetch: http or https with a host.
bool Fetchable(const QString &address);

} // namespace nowplaying
