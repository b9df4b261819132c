#include "PlaylistResolver.h"

#include "common/BoundedGet.h"
#include "common/LocalFile.h"
#include "common/NetGuard.h"
#include "common/Version.h"

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
    ++m_lookup;
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

void PlaylistResolver::start(const QString &address, bool remoteNamed)
{
    cancel();
    m_running = true;
    m_address = address.trimmed();
    m_url = urlOf(m_address);
    m_buffer.clear();
    m_contentType.clear();
    m_readToEnd = false;

    if (m_url.isLocalFile()) {
        // Only a regular file of a playlist's size is read: never a device, a pipe or a folder.
        QByteArray content;
        const localfile::ReadResult read = localfile::ReadSmallFile(m_url.toLocalFile(), MaxPlaylistBytes, content);
        Result result;
        result.address = m_address;
        if (read != localfile::ReadResult::Ok) {
            result.outcome = Outcome::Failed;
            result.errorText = localfile::ReadResultText(read);
        } else {
            result = resultForContent(content);
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

    m_remoteNamed = remoteNamed;
    m_redirects = 0;
    if (remoteNamed) {
        // An address from a list of the network: only fetched from a public address.
        const quint64 lookup = ++m_lookup;
        net::CheckRemoteTarget(m_url, this, [this, lookup](bool allowed) {
            if (lookup != m_lookup || !m_running)
                return;
            if (allowed)
                send(m_url);
            else
                finish(Result{Outcome::Failed, m_address, Playlist::Format::None, {}, net::RefusedAddressText()});
        });
        return;
    }
    send(m_url);
}

void PlaylistResolver::send(const QUrl &url)
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, QString::fromLatin1(kUserAgent));
    net::GuardedRequest(request);
    request.setTransferTimeout(m_timeoutMs);
    m_reply = m_network.get(request);
    // What arrives is read as it comes (at most MaxPlaylistBytes): Qt holds no more than this.
    m_reply->setReadBufferSize(64 * 1024);
    // A server that sends a byte now and then never lets the transfer time-out fire: the whole
    // lookup is bounded too, to three times that time (each redirect starts it again).
    auto *total = new QTimer(m_reply); // goes with the reply
    total->setSingleShot(true);
    connect(total, &QTimer::timeout, this, [this, reply = m_reply.data()] {
        if (m_reply == reply) // not a reply already dropped, waiting for its deletion
            finish(Result{Outcome::Failed, m_address, Playlist::Format::None, {}, QStringLiteral("le serveur ne répond pas")});
    });
    total->start(3 * m_timeoutMs);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, [this] {
        if (const QUrl target = net::RedirectTarget(m_reply); !target.isEmpty()) {
            follow(target);
            return;
        }
        // An error status is told at once: the page that comes with it is never read.
        const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (status >= 400)
            finish(Result{Outcome::Failed, m_address, Playlist::Format::None, {}, net::HttpErrorText(status)});
    });
    connect(m_reply, &QNetworkReply::readyRead, this, &PlaylistResolver::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &PlaylistResolver::onReplyFinished);
}

void PlaylistResolver::follow(const QUrl &target)
{
    // Only web addresses are followed, and to the local network only from it (NetGuard.h).
    const QUrl from = m_reply->url();
    dropReply();
    m_buffer.clear();
    if (++m_redirects > net::kMaxRedirects) {
        finish(Result{Outcome::Failed, m_address, Playlist::Format::None, {}, QStringLiteral("trop de redirections")});
        return;
    }
    const quint64 lookup = ++m_lookup;
    net::CheckRedirect(from, target, m_remoteNamed, this, [this, lookup, target](const QString &refusal) {
        if (lookup != m_lookup || !m_running)
            return;
        if (refusal.isEmpty())
            send(target);
        else
            finish(Result{Outcome::Failed, m_address, Playlist::Format::None, {}, refusal});
    });
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
    if (!m_reply || !net::RedirectTarget(m_reply).isEmpty())
        return;
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 300 && status < 400)
        return; // a redirect's own body
    if (status >= 400) {
        finish(Result{Outcome::Failed, m_address, Playlist::Format::None, {}, net::HttpErrorText(status)});
        return;
    }
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
    if (const QUrl target = net::RedirectTarget(m_reply); !target.isEmpty()) {
        follow(target);
        return;
    }
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QNetworkReply::NetworkError error = m_reply->error();
    Result result;
    result.address = m_address;
    if (status >= 400) {
        result.outcome = Outcome::Failed;
        result.errorText = net::HttpErrorText(status);
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
    } else if (status >= 300 && status < 400) {
        result.outcome = Outcome::Failed; // a redirect without an address to go to
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
