#include "DirectoryClient.h"

#include "common/Version.h"

#include <QNetworkRequest>
#include <QRandomGenerator>
#include <algorithm>

using directory::SearchQuery;

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
    // The logo's address comes from the directory's answer: elsewhere than on a directory server,
    // never one of the local network.
    const QUrl url(address);
    const bool onMirror = std::any_of(m_mirrors.cbegin(), m_mirrors.cend(),
                                      [&url](const QString &base) { return net::SameOrigin(QUrl(base), url); });
    get(url, kMaxLogoBytes, "image/*", finish,
        onMirror ? net::BoundedGet::Named::ByUser : net::BoundedGet::Named::ByRemote);
}

net::BoundedGet *DirectoryClient::get(const QUrl &url, qint64 maxBytes, const char *accept, Done done,
                                      net::BoundedGet::Named named)
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArray(kUserAgent));
    request.setRawHeader("Accept", accept);
    return new net::BoundedGet(m_network, request, maxBytes, m_timeoutMs, named, std::move(done), this);
}
