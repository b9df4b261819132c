#include "DirectoryClient.h"

#include "Version.h"

#include <QNetworkReply>
#include <QRandomGenerator>

using directory::SearchQuery;

// One bounded GET: reports once (ok, body, French reason) unless dropped first.
class DirectoryClient::Fetch : public QObject {
public:
    Fetch(QNetworkAccessManager &network, const QUrl &url, qint64 maxBytes, int timeoutMs, const char *accept,
          Done done, QObject *parent)
        : QObject(parent), m_max(maxBytes), m_done(std::move(done))
    {
        QNetworkRequest request(url);
        request.setHeader(QNetworkRequest::UserAgentHeader, QByteArray(kUserAgent));
        request.setRawHeader("Accept", accept);
        request.setTransferTimeout(timeoutMs);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
        request.setMaximumRedirectsAllowed(5);
        m_reply = network.get(request);
        m_timer.setSingleShot(true);
        m_timer.start(timeoutMs);
        connect(&m_timer, &QTimer::timeout, this, [this] { stop(QStringLiteral("le serveur ne répond pas")); });
        connect(m_reply, &QNetworkReply::metaDataChanged, this, [this] {
            const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
            if (length.isValid() && length.toLongLong() > m_max)
                stop(QStringLiteral("réponse trop longue"));
        });
        connect(m_reply, &QNetworkReply::readyRead, this, [this] {
            if (!m_reply)
                return;
            m_body += m_reply->read(m_max + 1 - m_body.size());
            if (m_body.size() > m_max)
                stop(QStringLiteral("réponse trop longue"));
        });
        connect(m_reply, &QNetworkReply::finished, this, &Fetch::finished);
    }
    ~Fetch() override { drop(); }

    // Ends the request without a report.
    void drop()
    {
        m_done = nullptr;
        if (QNetworkReply *reply = m_reply) {
            m_reply = nullptr;
            reply->disconnect(this);
            reply->abort();
            reply->deleteLater();
        }
        m_timer.stop();
    }

private:
    void stop(const QString &reason)
    {
        if (!m_reply)
            return;
        Done done = std::move(m_done);
        drop();
        report(done, false, {}, reason);
    }

    void finished()
    {
        if (!m_reply)
            return;
        QNetworkReply *reply = m_reply;
        if (reply->error() == QNetworkReply::NoError)
            m_body += reply->read(m_max + 1 - m_body.size());
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        QString reason;
        if (m_body.size() > m_max)
            reason = QStringLiteral("réponse trop longue");
        else if (reply->error() == QNetworkReply::OperationCanceledError
                 || reply->error() == QNetworkReply::TimeoutError)
            reason = QStringLiteral("le serveur ne répond pas");
        else if (reply->error() == QNetworkReply::TooManyRedirectsError)
            reason = QStringLiteral("trop de redirections");
        else if (reply->error() == QNetworkReply::InsecureRedirectError
                 || (reply->error() == QNetworkReply::ProtocolUnknownError && status >= 300 && status < 400))
            reason = QStringLiteral("redirection refusée"); // to an address that is not a web one
        else if (status != 0 && status != 200)
            reason = QStringLiteral("erreur HTTP %1").arg(status);
        else if (reply->error() == QNetworkReply::RemoteHostClosedError && status == 200)
            reason = QStringLiteral("connexion interrompue"); // closed before the whole answer
        else if (reply->error() != QNetworkReply::NoError)
            reason = reply->errorString();
        Done done = std::move(m_done);
        drop();
        report(done, reason.isEmpty(), reason.isEmpty() ? m_body : QByteArray(), reason);
    }

    void report(const Done &done, bool ok, const QByteArray &body, const QString &reason)
    {
        deleteLater();
        if (done)
            done(ok, body, reason);
    }

    QPointer<QNetworkReply> m_reply;
    qint64 m_max;
    Done m_done;
    QByteArray m_body;
    QTimer m_timer;
};

DirectoryClient::DirectoryClient(const QStringList &mirrors, bool randomStart, QObject *parent)
    : QObject(parent), m_mirrors(mirrors)
{
    if (randomStart && m_mirrors.size() > 1)
        m_first = static_cast<int>(QRandomGenerator::global()->bounded(m_mirrors.size()));
    m_typing.setSingleShot(true);
    m_typing.setInterval(kTypingPauseMs);
    connect(&m_typing, &QTimer::timeout, this, [this] { Search(m_pending); });
}

DirectoryClient::~DirectoryClient() = default;

QStringList DirectoryClient::Mirrors() const
{
    QStringList out;
    for (qsizetype i = 0; i < m_mirrors.size(); ++i)
        out << m_mirrors[(m_first + i) % m_mirrors.size()];
    return out;
}

void DirectoryClient::SearchSoon(const SearchQuery &query)
{
    m_pending = query;
    m_typing.start();
}

void DirectoryClient::Cancel()
{
    m_typing.stop();
    ++m_generation;
    if (m_search)
        m_search->drop(), m_search->deleteLater();
    m_search = nullptr;
}

bool DirectoryClient::IsSearching() const { return m_search != nullptr; }

void DirectoryClient::Search(const SearchQuery &query)
{
    Cancel();
    m_query = query;
    if (query.isEmpty() || m_mirrors.isEmpty()) {
        const quint64 generation = m_generation;
        // Reported from the event loop like every other answer.
        QTimer::singleShot(0, this, [this, generation, query] {
            if (generation != m_generation)
                return;
            if (m_mirrors.isEmpty() && !query.isEmpty())
                emit SearchFailed(query, QStringLiteral("Annuaire injoignable : aucune adresse"));
            else
                emit SearchDone(query, {}, 0);
        });
        return;
    }
    emit SearchStarted(query);
    tryMirror(0);
}

void DirectoryClient::tryMirror(int attempt)
{
    const int index = (m_first + attempt) % static_cast<int>(m_mirrors.size());
    const QString base = m_mirrors[index];
    const quint64 generation = m_generation;
    m_search = get(directory::SearchUrl(base, m_query), m_maxAnswer, "application/json",
                   [this, attempt, index, base, generation](bool ok, const QByteArray &body, QString reason) {
                       if (generation != m_generation)
                           return;
                       m_search = nullptr;
                       directory::SearchAnswer answer;
                       if (ok) {
                           answer = directory::ParseSearchAnswer(body);
                           if (!answer.ok)
                               reason = QStringLiteral("réponse illisible");
                       }
                       if (ok && answer.ok) {
                           m_first = index;
                           emit SearchDone(m_query, answer.stations, answer.refused);
                           return;
                       }
                       emit MirrorFailed(base, reason);
                       if (generation != m_generation)
                           return; // a slot started another search
                       if (attempt + 1 < m_mirrors.size())
                           tryMirror(attempt + 1);
                       else
                           emit SearchFailed(m_query, QStringLiteral("Annuaire injoignable : ") + reason);
                   });
}

void DirectoryClient::ReportClick(const QString &uuid)
{
    if (m_mirrors.isEmpty())
        return;
    const QUrl url = directory::ClickUrl(m_mirrors[m_first], uuid);
    if (url.isEmpty())
        return;
    get(url, kMaxClickBytes, "application/json", nullptr);
}

void DirectoryClient::FetchLogo(const QString &address, QObject *context, std::function<void(const QByteArray &)> done)
{
    QPointer<QObject> guard(context);
    auto finish = [guard, done = std::move(done)](bool ok, const QByteArray &body, const QString &) {
        if (guard && done)
            done(ok ? body : QByteArray());
    };
    if (!directory::IsWebAddress(address)) {
        QTimer::singleShot(0, this, [finish] { finish(false, {}, {}); });
        return;
    }
    get(QUrl(address), kMaxLogoBytes, "image/*", finish);
}

DirectoryClient::Fetch *DirectoryClient::get(const QUrl &url, qint64 maxBytes, const char *accept, Done done)
{
    return new Fetch(m_network, url, maxBytes, m_timeoutMs, accept, std::move(done), this);
}
