#pragma once
// One HTTP GET whose answer is read into memory up to a bound, whatever the status: the program's
// reader of small answers (directory searches, logos, click reports). It reports once, from the
// event loop: ok with the body, or a French reason ("réponse trop longue", "adresse introuvable
// (erreur HTTP 404)", "le serveur ne répond pas"...). An error status ends the request at its
// headers, its body never read; a body past the bound ends it at once. Redirects are followed to
// web addresses only, checked by the network guard (NetGuard.h); an address named by remote data
// is checked before the request is sent.
//
// Lives on the thread of its network manager. Deletes itself after reporting; drop() ends it
// without a report.
#include "NetGuard.h"

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>

namespace net {

// The reason for an HTTP error status: "adresse introuvable (erreur HTTP 404)", "accès refusé
// (erreur HTTP 403)", "erreur HTTP 500"...
QString HttpErrorText(int status);
QString TooLongText(); // "réponse trop longue"

class BoundedGet : public QObject {
public:
    using Done = std::function<void(bool ok, const QByteArray &body, const QString &reason)>;
    enum class Named { ByUser, ByRemote };

    // The request goes out now (after the guard's check when named by remote data).
    BoundedGet(QNetworkAccessManager &network, QNetworkRequest request, qint64 maxBytes, int timeoutMs, Named named,
               Done done, QObject *parent);
    ~BoundedGet() override;

    // Ends the request without a report.
    void drop();

private:
    void send(const QUrl &url);
    void follow(const QUrl &target);
    void dropReply();
    void stop(const QString &reason);
    void finished();
    void report(const Done &done, bool ok, const QByteArray &body, const QString &reason);

    QPointer<QNetworkAccessManager> m_network;
    QNetworkRequest m_request;
    QPointer<QNetworkReply> m_reply;
    qint64 m_max;
    Named m_named;
    Done m_done;
    QByteArray m_body;
    QTimer m_timer;
    bool m_over = false; // reported or dropped
    int m_redirects = 0;
};

} // namespace net
