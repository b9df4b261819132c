#pragma once
// The client of the public radio directory. Every request is asynchronous, names the program
// and its version in its User-Agent, ends after a time-out and is aborted once its answer grows
// beyond a bound. A search is sent to one base address of the mirror list; when that mirror
// fails (network or HTTP error, time-out, answer too long or not a JSON array) the same search
// goes to the next one, and the mirror that answered is asked first the next time.
//
// A new search replaces the one running: the old request is aborted and never reported.
// UI thread only.
#include "common/BoundedGet.h"
#include "DirectoryStation.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>

class DirectoryClient : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kMaxAnswerBytes = 2 * 1024 * 1024;
    static constexpr qint64 kMaxLogoBytes = 512 * 1024;
    static constexpr qint64 kMaxClickBytes = 64 * 1024;
    static constexpr int kDefaultTimeoutMs = 15000;
    static constexpr int kTypingPauseMs = 400;

    // mirrors: base addresses (directory::MirrorList); randomStart: the first search goes to a
    // mirror chosen at random (spreads the program's users over the public mirrors).
    explicit DirectoryClient(const QStringList &mirrors, bool randomStart = false, QObject *parent = nullptr);
    ~DirectoryClient() override;

    // The base addresses in the order the next search tries them.
    QStringList Mirrors() const;

    // Sends the search now. An empty query sends nothing and reports no stations.
    void Search(const directory::SearchQuery &query);
    // Sends the search once the user has paused typing for kTypingPauseMs; a later call (or
    // Search) within the pause replaces it.
    void SearchSoon(const directory::SearchQuery &query);
    // Drops the pending and the running search.
    void Cancel();
    bool IsSearching() const;

    // Tells the directory that the station was listened to (its click counter); the answer is
    // read and dropped. Stations without an identifier send nothing.
    void ReportClick(const QString &uuid);

    // Downloads a logo (http(s) only, at most kMaxLogoBytes; elsewhere than on a directory server
    // only from a public address, see NetGuard.h); done gets the bytes, or nothing when the
    // download failed. done is called later, never from here, and never once context is gone.
    void FetchLogo(const QString &address, QObject *context, std::function<void(const QByteArray &)> done);

    // Limits (tests shorten them).
    void SetTimeoutMs(int ms) { m_timeoutMs = qMax(1, ms); }
    void SetMaxAnswerBytes(qint64 bytes) { m_maxAnswer = qMax<qint64>(1, bytes); }

signals:
    void SearchStarted(const directory::SearchQuery &query);
    // The stations of the first mirror that answered well; refused: entries left out.
    void SearchDone(const directory::SearchQuery &query, const QList<directory::DirectoryStation> &stations,
                    int refused);
    // Every mirror failed: frenchText says why the last one did.
    void SearchFailed(const directory::SearchQuery &query, const QString &frenchText);
    // One mirror failed and the search goes on with the next (or ends).
    void MirrorFailed(const QString &base, const QString &reason);

private:
    using Done = net::BoundedGet::Done;
    net::BoundedGet *get(const QUrl &url, qint64 maxBytes, const char *accept, Done done,
                         net::BoundedGet::Named named = net::BoundedGet::Named::ByUser);
    void tryMirror(int attempt);

    QNetworkAccessManager m_network;
    QStringList m_mirrors;
    int m_first = 0; // the mirror asked first
    int m_timeoutMs = kDefaultTimeoutMs;
    qint64 m_maxAnswer = kMaxAnswerBytes;
    QTimer m_typing;
    directory::SearchQuery m_pending, m_query;
    QPointer<net::BoundedGet> m_search;
    quint64 m_generation = 0;
};
