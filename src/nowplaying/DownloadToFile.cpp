#include "DownloadToFile.h"

#include "common/NetGuard.h"
#include "core/Globals.h"

#include <QFile>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

namespace nowplaying {

namespace {

const QByteArray kAgent = QByteArrayLiteral("ZivEvazo");

// The system's proxy settings, except for addresses of this machine.
class SystemProxy : public QNetworkProxyFactory {
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery &query) override
    {
        const QString host = query.peerHostName();
        QHostAddress address;
        if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 ||
            (address.setAddress(host) && address.isLoopback()))
            return {QNetworkProxy(QNetworkProxy::NoProxy)};
        return systemProxyForQuery(query);
    }
};

bool WebScheme(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return (scheme == QLatin1String("http") || scheme == QLatin1String("https")) && !url.host().isEmpty();
}

// A Content-Length value: digits only (blanks around allowed), fitting in 64 bits.
qint64 WholeNumber(const QByteArray &raw)
{
    const QByteArray v = raw.trimmed();
    if (v.isEmpty())
        return -1;
    for (char c : v)
        if (c < '0' || c > '9')
            return -1;
    bool ok = false;
    const qint64 n = v.toLongLong(&ok);
    return ok ? n : -1;
}

} // namespace

bool Fetchable(const QString &address)
{
    if (!InfoAddressFetchable(address))
        return false;
    const QUrl url(address, QUrl::StrictMode);
    return url.isValid() && WebScheme(url);
}

QNetworkAccessManager *NewNetwork(QObject *parent)
{
    auto *network = new QNetworkAccessManager(parent);
    network->setProxyFactory(new SystemProxy);
    network->setCache(nullptr);
    network->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    return network;
}

DownloadToFile::DownloadToFile(QNetworkAccessManager *network, QObject *parent)
    : QObject(parent), m_network(network), m_total(new QTimer(this))
{
    m_total->setSingleShot(true);
    connect(m_total, &QTimer::timeout, this, &DownloadToFile::fail);
}

DownloadToFile::~DownloadToFile()
{
    // A download cut short by destruction leaves the target as it was; only the temporary file
    // goes (QSaveFile discards what was not committed).
    release();
}

bool DownloadToFile::start(const QString &address, const QString &localPath, bool remoteNamed)
{
    if (m_running)
        return false;
    m_running = true;
    m_path = localPath;
    m_length = -1;
    m_written = 0;
    m_headersChecked = false;
    m_writeFailed = false;
    if (!Fetchable(address) || !m_network) {
        QTimer::singleShot(0, this, [this] {
            if (m_running && !m_reply)
                fail();
        });
        return true;
    }
    m_remoteNamed = remoteNamed;
    m_redirects = 0;
    m_total->start(m_totalMs);
    if (remoteNamed) {
        // Named by a page from the network: fetched only from a public address.
        const quint64 attempt = ++m_attempt;
        net::CheckRemoteTarget(QUrl(address), this, [this, attempt, address](bool allowed) {
            if (attempt != m_attempt || !m_running)
                return;
            if (allowed)
                send(address);
            else
                fail();
        });
        return true;
    }
    send(address);
    return true;
}

void DownloadToFile::send(const QString &address)
{
    if (!m_network) { // gone while the address was checked
        fail();
        return;
    }
    QNetworkRequest request{QUrl(address)};
    request.setHeader(QNetworkRequest::UserAgentHeader, kAgent);
    // Always from the server: Qt then also sends "Cache-Control: no-cache" and "Pragma: no-cache".
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    // The body must arrive as the server counted it in Content-Length.
    request.setRawHeader(QByteArrayLiteral("Accept-Encoding"), QByteArrayLiteral("identity"));
    // Redirects go to web addresses only, never from https down to http, and from a page of the
    // network or a public server never to the local network.
    net::GuardedRequest(request);
    request.setTransferTimeout(m_stallMs);

    m_reply = m_network->get(request);
    QNetworkReply *reply = m_reply.data();
    reply->setReadBufferSize(16 * kPieceBytes);
    connect(reply, &QNetworkReply::metaDataChanged, this, &DownloadToFile::onMetaData);
    connect(reply, &QNetworkReply::readyRead, this, &DownloadToFile::onReadyRead);
    connect(reply, &QNetworkReply::finished, this, &DownloadToFile::onFinished);
}

// Redirects go to web addresses only, never from https down to http, and from a page of the
// network or a public server never to the local network (NetGuard.h).
bool DownloadToFile::followed()
{
    const QUrl target = net::RedirectTarget(m_reply);
    if (target.isEmpty())
        return false;
    const QUrl from = m_reply->url();
    dropReply();
    if (++m_redirects > kMaxRedirects) {
        fail();
        return true;
    }
    const quint64 attempt = m_attempt;
    net::CheckRedirect(from, target, m_remoteNamed, this, [this, attempt, target](const QString &refusal) {
        if (attempt != m_attempt || !m_running)
            return;
        if (refusal.isEmpty())
            send(target.toString(QUrl::FullyEncoded));
        else
            fail();
    });
    return true;
}

void DownloadToFile::dropReply()
{
    if (m_reply) {
        QNetworkReply *reply = m_reply.data();
        m_reply.clear();
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

void DownloadToFile::abort()
{
    if (m_running)
        fail();
}

void DownloadToFile::onMetaData()
{
    if (followed())
        return;
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status < 200 || (status >= 300 && status < 400 && m_reply->hasRawHeader(QByteArrayLiteral("Location"))))
        return; // an interim answer or a redirect under way: the final answer's headers count
    if (!checkHeaders())
        fail();
}

void DownloadToFile::onReadyRead()
{
    if (followed())
        return;
    if (!checkHeaders() || !drain())
        fail();
}

void DownloadToFile::onFinished()
{
    if (followed())
        return;
    if (m_reply->error() != QNetworkReply::NoError || !checkHeaders() || !drain() || m_written != m_length) {
        fail();
        return;
    }
    succeed();
}

// Once per download: status, length and size bound, then the file is opened.
bool DownloadToFile::checkHeaders()
{
    if (m_headersChecked)
        return true;
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status < 200 || status > 299)
        return false;
    if (!m_reply->hasRawHeader(QByteArrayLiteral("Content-Length")))
        return false;
    m_length = WholeNumber(m_reply->rawHeader(QByteArrayLiteral("Content-Length")));
    if (m_length < 0 || m_length > m_maxBytes)
        return false;
    m_file = std::make_unique<QSaveFile>(m_path);
    if (!m_file->open(QIODevice::WriteOnly)) {
        m_writeFailed = true;
        return false;
    }
    m_headersChecked = true;
    return true;
}

// Moves what has arrived to the file, one piece at a time.
bool DownloadToFile::drain()
{
    char piece[kPieceBytes];
    while (m_reply->bytesAvailable() > 0) {
        const qint64 n = m_reply->read(piece, sizeof piece);
        if (n <= 0)
            return false;
        m_written += n;
        if (m_written > m_length)
            return false;
        if (m_file->write(piece, n) != n) {
            m_writeFailed = true;
            return false;
        }
    }
    return true;
}

void DownloadToFile::succeed()
{
    // Writes are buffered: a full device shows only when the buffer goes to disk, and commit()
    // would still put the short file in place, so the buffer is flushed and checked first.
    const bool flushed = m_file->flush() && m_file->error() == QFileDevice::NoError;
    if (!flushed)
        m_file->cancelWriting();
    const bool ok = flushed && m_file->commit();
    m_writeFailed = !ok;
    m_file.reset();
    release();
    m_running = false;
    if (!ok)
        QFile::remove(m_path);
    emit finished(ok);
}

void DownloadToFile::fail()
{
    release();
    QFile::remove(m_path);
    m_running = false;
    emit finished(false);
}

void DownloadToFile::release()
{
    ++m_attempt;
    m_total->stop();
    dropReply();
    m_file.reset();
}

} // namespace nowplaying
