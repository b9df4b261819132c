#include "PlaylistResolver.h"

#include "Version.h"

#include <QFile>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace {

QUrl urlOf(const QString &address)
{
    if (address.startsWith(u'/'))
        return QUrl::fromLocalFile(address);
    return QUrl(address, QUrl::TolerantMode);
}

bool isHttp(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return scheme == u"http" || scheme == u"https";
}

QString httpErrorText(int status)
{
    if (status == 404 || status == 410)
        return QStringLiteral("adresse introuvable (erreur HTTP %1)").arg(status);
    if (status == 401 || status == 403)
        return QStringLiteral("accès refusé (erreur HTTP %1)").arg(status);
    return QStringLiteral("erreur HTTP %1").arg(status);
}

} // namespace

PlaylistResolver::PlaylistResolver(QObject *parent) : QObject(parent)
{
    qRegisterMetaType<PlaylistResolver::Result>();
    m_deliver.setSingleShot(true);
    m_deliver.setInterval(0);
    connect(&m_deliver, &QTimer::timeout, this, [this] { finish(std::move(m_pending)); });
}

PlaylistResolver::~PlaylistResolver()
{
    dropReply();
}

bool PlaylistResolver::needsLookup(const QString &address)
{
    const QUrl url = urlOf(address.trimmed());
    if (!url.isValid())
        return false;
    if (isHttp(url))
        return !Playlist::hasMediaExtension(url);
    if (url.isLocalFile())
        return Playlist::formatFromExtension(url) != Playlist::Format::None;
    return false;
}

bool PlaylistResolver::playerLooksFirst(const QString &address)
{
    const QUrl url = urlOf(address.trimmed());
    if (!url.isValid() || !isHttp(url) || Playlist::hasMediaExtension(url))
        return false;
    return Playlist::formatFromExtension(url) == Playlist::Format::None
           || url.path().endsWith(u".m3u8", Qt::CaseInsensitive);
}

bool PlaylistResolver::isRunning() const
{
    return m_running;
}

void PlaylistResolver::cancel()
{
    dropReply();
    m_deliver.stop();
    m_running = false;
}

void PlaylistResolver::dropReply()
{
    if (!m_reply)
        return;
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    reply->disconnect(this);
    if (reply->isRunning())
        reply->abort();
    reply->deleteLater();
}

void PlaylistResolver::start(const QString &address)
{
    cancel();
    m_running = true;
    m_address = address.trimmed();
    m_url = urlOf(m_address);
    m_buffer.clear();
    m_contentType.clear();
    m_readToEnd = false;

    if (m_url.isLocalFile()) {
        QFile file(m_url.toLocalFile());
        Result result;
        result.address = m_address;
        if (!file.open(QIODevice::ReadOnly)) {
            result.outcome = Outcome::Failed;
            result.errorText = QStringLiteral("fichier introuvable");
        } else {
            result = resultForContent(file.read(MaxPlaylistBytes));
        }
        m_pending = std::move(result);
        m_deliver.start();
        return;
    }
    if (!isHttp(m_url)) {
        m_pending = Result{Outcome::Direct, m_address, Playlist::Format::None, {}, {}};
        m_deliver.start();
        return;
    }

    QNetworkRequest request(m_url);
    request.setHeader(QNetworkRequest::UserAgentHeader, QString::fromLatin1(kUserAgent));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(m_timeoutMs);
    m_reply = m_network.get(request);
    // A server that sends a byte now and then never lets the transfer time-out fire: the whole
    // lookup is bounded too, to three times that time.
    auto *total = new QTimer(m_reply); // goes with the reply
    total->setSingleShot(true);
    connect(total, &QTimer::timeout, this, [this, reply = m_reply.data()] {
        if (m_reply == reply) // not a reply already dropped, waiting for its deletion
            finish(Result{Outcome::Failed, m_address, Playlist::Format::None, {}, QStringLiteral("le serveur ne répond pas")});
    });
    total->start(3 * m_timeoutMs);
    // Only web addresses are followed: a redirect elsewhere ends the lookup.
    connect(m_reply, &QNetworkReply::redirected, this, [this](const QUrl &target) {
        if (!isHttp(target))
            finish(Result{Outcome::Failed, m_address, Playlist::Format::None, {}, QStringLiteral("redirection refusée")});
    });
    connect(m_reply, &QNetworkReply::readyRead, this, &PlaylistResolver::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &PlaylistResolver::onReplyFinished);
}

PlaylistResolver::Result PlaylistResolver::resultForContent(const QByteArray &content) const
{
    Result result;
    result.address = m_address;
    const QUrl base = m_reply ? m_reply->url() : m_url;
    result.format = Playlist::detect(m_contentType, base, content);
    if (result.format == Playlist::Format::None || result.format == Playlist::Format::Hls)
        return result; // Direct
    result.entries = Playlist::decode(result.format, content, base);
    if (result.entries.isEmpty()) {
        result.outcome = Outcome::Failed;
        result.errorText = QStringLiteral("liste de lecture vide ou illisible");
    } else {
        result.outcome = Outcome::Entries;
    }
    return result;
}

void PlaylistResolver::onReadyRead()
{
    if (!m_reply)
        return;
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 400)
        return; // an error page: finished() follows and reports the status
    m_contentType = m_reply->header(QNetworkRequest::ContentTypeHeader).toString();
    const qint64 room = MaxPlaylistBytes - m_buffer.size();
    if (room > 0)
        m_buffer += m_reply->read(room);
    if (m_readToEnd) {
        if (m_buffer.size() >= MaxPlaylistBytes) // a list that big is cut, not waited for
            finish(resultForContent(m_buffer));
        return;
    }
    if (m_buffer.isEmpty())
        return;
    const Playlist::Format format = Playlist::detect(m_contentType, m_reply->url(), m_buffer);
    if (format != Playlist::Format::None && format != Playlist::Format::Hls) {
        m_readToEnd = true;
        return;
    }
    // A stream: its type or its first bytes are enough to tell.
    if (Playlist::isMediaContentType(m_contentType) || m_buffer.size() >= SniffBytes
        || format == Playlist::Format::Hls)
        finish(Result{Outcome::Direct, m_address, format, {}, {}});
}

void PlaylistResolver::onReplyFinished()
{
    if (!m_reply)
        return;
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QNetworkReply::NetworkError error = m_reply->error();
    Result result;
    result.address = m_address;
    if (status >= 400) {
        result.outcome = Outcome::Failed;
        result.errorText = httpErrorText(status);
    } else if (error == QNetworkReply::ConnectionRefusedError) {
        result.outcome = Outcome::Failed;
        result.errorText = QStringLiteral("connexion refusée");
    } else if (error == QNetworkReply::HostNotFoundError) {
        result.outcome = Outcome::Failed;
        result.errorText = QStringLiteral("serveur introuvable");
    } else if (error == QNetworkReply::TimeoutError
               || error == QNetworkReply::OperationCanceledError) {
        // The only abort of a connected reply is the transfer timeout.
        result.outcome = Outcome::Failed;
        result.errorText = QStringLiteral("le serveur ne répond pas");
    } else if (error == QNetworkReply::TooManyRedirectsError) {
        result.outcome = Outcome::Failed;
        result.errorText = QStringLiteral("trop de redirections");
    } else if (error == QNetworkReply::InsecureRedirectError
               || (error == QNetworkReply::ProtocolUnknownError && status >= 300 && status < 400)) {
        result.outcome = Outcome::Failed;
        result.errorText = QStringLiteral("redirection refusée");
    } else if (error != QNetworkReply::NoError && m_buffer.isEmpty()) {
        // Answers that this HTTP client does not take (old "ICY 200 OK" servers, TLS
        // trouble...) are left to the media library, which has its own network code.
        result.outcome = Outcome::Direct;
    } else {
        if (m_reply->bytesAvailable() > 0 && m_buffer.size() < MaxPlaylistBytes)
            m_buffer += m_reply->read(MaxPlaylistBytes - m_buffer.size());
        m_contentType = m_reply->header(QNetworkRequest::ContentTypeHeader).toString();
        result = resultForContent(m_buffer);
        // A list cut by the network may end in half an address: none of it is played.
        if (error != QNetworkReply::NoError && result.outcome == Outcome::Entries) {
            result.outcome = Outcome::Failed;
            result.entries.clear();
            result.errorText = QStringLiteral("liste de lecture incomplète (connexion interrompue)");
        }
    }
    finish(std::move(result));
}

void PlaylistResolver::finish(Result result)
{
    dropReply();
    m_buffer.clear();
    m_running = false;
    emit finished(result);
}
