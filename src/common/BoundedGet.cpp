#include "BoundedGet.h"

#include <QNetworkReply>

namespace net {

QString HttpErrorText(int status)
{
    if (status == 404 || status == 410)
        return QStringLiteral("adresse introuvable (erreur HTTP %1)").arg(status);
    if (status == 401 || status == 403)
        return QStringLiteral("accès refusé (erreur HTTP %1)").arg(status);
    return QStringLiteral("erreur HTTP %1").arg(status);
}

QString TooLongText() { return QStringLiteral("réponse trop longue"); }

BoundedGet::BoundedGet(QNetworkAccessManager &network, QNetworkRequest request, qint64 maxBytes, int timeoutMs,
                       Named named, Done done, QObject *parent)
    : QObject(parent), m_network(&network), m_request(std::move(request)), m_max(maxBytes), m_named(named),
      m_done(std::move(done))
{
    m_request.setTransferTimeout(timeoutMs);
    GuardedRequest(m_request);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { stop(QStringLiteral("le serveur ne répond pas")); });
    m_timer.start(timeoutMs);
    // Redirects are followed here, each one checked (NetGuard.h).
    if (m_named == Named::ByRemote) {
        CheckRemoteTarget(m_request.url(), this, [this](bool allowed) {
            if (m_over)
                return; // dropped meanwhile
            if (allowed) {
                send(m_request.url());
            } else {
                Done done = std::move(m_done);
                drop();
                report(done, false, {}, RefusedAddressText());
            }
        });
    } else {
        send(m_request.url());
    }
}

BoundedGet::~BoundedGet() { drop(); }

void BoundedGet::send(const QUrl &url)
{
    if (!m_network) {
        stop(QStringLiteral("le serveur ne répond pas"));
        return;
    }
    m_request.setUrl(url);
    m_reply = m_network->get(m_request);
    // Qt reads no further than this ahead of the reads below.
    m_reply->setReadBufferSize(qMin<qint64>(m_max + 1, 64 * 1024));
    connect(m_reply, &QNetworkReply::metaDataChanged, this, [this] {
        const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (const QUrl target = RedirectTarget(m_reply); !target.isEmpty()) {
            follow(target);
            return;
        }
        if (status >= 400) {
            stop(HttpErrorText(status)); // its body is not read
            return;
        }
        const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > m_max)
            stop(TooLongText());
    });
    connect(m_reply, &QNetworkReply::readyRead, this, [this] {
        if (!m_reply || !RedirectTarget(m_reply).isEmpty())
            return;
        m_body += m_reply->read(m_max + 1 - m_body.size());
        if (m_body.size() > m_max)
            stop(TooLongText());
    });
    connect(m_reply, &QNetworkReply::finished, this, &BoundedGet::finished);
}

void BoundedGet::follow(const QUrl &target)
{
    const QUrl from = m_reply->url();
    dropReply();
    if (++m_redirects > kMaxRedirects) {
        stop(QStringLiteral("trop de redirections"));
        return;
    }
    CheckRedirect(from, target, m_named == Named::ByRemote, this, [this, target](const QString &refusal) {
        if (m_over)
            return;
        if (refusal.isEmpty())
            send(target);
        else
            stop(refusal);
    });
}

void BoundedGet::dropReply()
{
    if (QNetworkReply *reply = m_reply) {
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

void BoundedGet::drop()
{
    m_over = true;
    m_done = nullptr;
    dropReply();
    m_timer.stop();
}

void BoundedGet::stop(const QString &reason)
{
    if (m_over)
        return;
    Done done = std::move(m_done);
    drop();
    report(done, false, {}, reason);
}

void BoundedGet::finished()
{
    if (!m_reply)
        return;
    QNetworkReply *reply = m_reply;
    if (const QUrl target = RedirectTarget(reply); !target.isEmpty()) {
        follow(target);
        return;
    }
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() == QNetworkReply::NoError)
        m_body += reply->read(m_max + 1 - m_body.size());
    QString reason;
    if (m_body.size() > m_max)
        reason = TooLongText();
    else if (status >= 400)
        reason = HttpErrorText(status);
    else if (reply->error() == QNetworkReply::OperationCanceledError || reply->error() == QNetworkReply::TimeoutError)
        reason = QStringLiteral("le serveur ne répond pas");
    else if (status >= 300 && status < 400)
        reason = QStringLiteral("redirection refusée"); // without an address to go to
    else if (status != 0 && status != 200)
        reason = HttpErrorText(status);
    else if (reply->error() == QNetworkReply::RemoteHostClosedError && status == 200)
        reason = QStringLiteral("connexion interrompue"); // closed before the whole answer
    else if (reply->error() != QNetworkReply::NoError)
        reason = reply->errorString();
    Done done = std::move(m_done);
    drop();
    report(done, reason.isEmpty(), reason.isEmpty() ? m_body : QByteArray(), reason);
}

void BoundedGet::report(const Done &done, bool ok, const QByteArray &body, const QString &reason)
{
    deleteLater();
    if (done)
        done(ok, body, reason);
}

} // namespace net
