#include "NetGuard.h"

#include <QHostInfo>
#include <QMutex>
#include <QNetworkReply>
#include <QPointer>
#include <QSet>
#include <QTimer>

namespace net {

namespace {

struct Range4 {
    quint32 base;
    int bits;
};

// IPv4 blocks that are not public unicast space.
constexpr Range4 kNotPublic4[] = {
    {0x00000000, 8},  // 0.0.0.0/8 "this network"
    {0x0A000000, 8},  // 10/8 private
    {0x64400000, 10}, // 100.64/10 shared (carrier NAT)
    {0x7F000000, 8},  // 127/8 loopback
    {0xA9FE0000, 16}, // 169.254/16 link-local
    {0xAC100000, 12}, // 172.16/12 private
    {0xC0000000, 24}, // 192.0.0/24 protocol assignments
    {0xC0000200, 24}, // 192.0.2/24 documentation
    {0xC0A80000, 16}, // 192.168/16 private
    {0xC6120000, 15}, // 198.18/15 benchmarking
    {0xC6336400, 24}, // 198.51.100/24 documentation
    {0xCB007100, 24}, // 203.0.113/24 documentation
    {0xE0000000, 4},  // 224/4 multicast
    {0xF0000000, 4},  // 240/4 reserved, broadcast
};

bool IsPublic4(quint32 a)
{
    for (const Range4 &r : kNotPublic4) {
        const quint32 mask = ~quint32(0) << (32 - r.bits);
        if ((a & mask) == r.base)
            return false;
    }
    return true;
}

quint32 V4At(const Q_IPV6ADDR &a, int at)
{
    return quint32(a[at]) << 24 | quint32(a[at + 1]) << 16 | quint32(a[at + 2]) << 8 | quint32(a[at + 3]);
}

bool IsPublic6(const Q_IPV6ADDR &a)
{
    const auto zeros = [&a](int from, int to) {
        for (int i = from; i < to; ++i)
            if (a[i] != 0)
                return false;
        return true;
    };
    if (zeros(0, 10) && a[10] == 0xff && a[11] == 0xff)
        return IsPublic4(V4At(a, 12)); // ::ffff:a.b.c.d
    if (zeros(0, 12))
        return false; // ::, ::1 and the old IPv4-compatible form
    if (a[0] == 0x00 && a[1] == 0x64 && a[2] == 0xff && a[3] == 0x9b && zeros(4, 12))
        return IsPublic4(V4At(a, 12)); // 64:ff9b::/96 NAT64
    if (a[0] == 0x20 && a[1] == 0x02)
        return IsPublic4(V4At(a, 2)); // 2002::/16 6to4
    if ((a[0] & 0xfe) == 0xfc)
        return false; // fc00::/7 unique local
    if (a[0] == 0xfe && (a[1] & 0xc0) == 0x80)
        return false; // fe80::/10 link-local
    if (a[0] == 0xfe && (a[1] & 0xc0) == 0xc0)
        return false; // fec0::/10 old site-local
    if (a[0] == 0xff)
        return false; // multicast
    if (a[0] == 0x20 && a[1] == 0x01 && a[2] == 0x0d && a[3] == 0xb8)
        return false; // 2001:db8::/32 documentation
    if (a[0] == 0x01 && a[1] == 0x00 && zeros(2, 8))
        return false; // 100::/64 discard
    return (a[0] & 0xe0) == 0x20; // 2000::/3 is the global unicast space
}

QString OriginKey(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    const int port = url.port(scheme == u"https" ? 443 : 80);
    return scheme + QStringLiteral("://") + url.host().toLower() + QLatin1Char(':') + QString::number(port);
}

struct Trusted {
    QMutex lock;
    QSet<QString> origins;
};

Trusted &TrustedOrigins()
{
    static Trusted trusted;
    return trusted;
}

bool IsWeb(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == u"http" || scheme == u"https") && !url.host().isEmpty();
}

// Reports verdict from the event loop while context lives.
void Later(QObject *context, std::function<void(bool)> done, bool verdict)
{
    QTimer::singleShot(0, context, [done = std::move(done), verdict] { done(verdict); });
}

} // namespace

bool IsPublicAddress(const QHostAddress &address)
{
    switch (address.protocol()) {
    case QAbstractSocket::IPv4Protocol:
        return IsPublic4(address.toIPv4Address());
    case QAbstractSocket::IPv6Protocol:
        return IsPublic6(address.toIPv6Address());
    default:
        return false;
    }
}

void TrustOrigin(const QUrl &url)
{
    Trusted &t = TrustedOrigins();
    QMutexLocker locker(&t.lock);
    t.origins.insert(OriginKey(url));
}

void ForgetTrustedOrigins()
{
    Trusted &t = TrustedOrigins();
    QMutexLocker locker(&t.lock);
    t.origins.clear();
}

bool IsTrustedOrigin(const QUrl &url)
{
    Trusted &t = TrustedOrigins();
    QMutexLocker locker(&t.lock);
    return !t.origins.isEmpty() && t.origins.contains(OriginKey(url));
}

bool SameOrigin(const QUrl &a, const QUrl &b)
{
    return a.isValid() && b.isValid() && OriginKey(a) == OriginKey(b);
}

QString RefusedAddressText() { return QStringLiteral("adresse du réseau local refusée"); }

void CheckRemoteTarget(const QUrl &url, QObject *context, std::function<void(bool allowed)> done)
{
    if (!IsWeb(url)) {
        Later(context, std::move(done), false);
        return;
    }
    if (IsTrustedOrigin(url)) {
        Later(context, std::move(done), true);
        return;
    }
    QHostAddress literal;
    if (literal.setAddress(url.host())) { // no lookup: a literal would get a reverse one
        Later(context, std::move(done), IsPublicAddress(literal));
        return;
    }
    QHostInfo::lookupHost(url.host(), context, [done = std::move(done)](const QHostInfo &info) {
        bool allowed = info.error() == QHostInfo::NoError && !info.addresses().isEmpty();
        for (const QHostAddress &a : info.addresses())
            allowed = allowed && IsPublicAddress(a);
        done(allowed);
    });
}

void GuardedRequest(QNetworkRequest &request)
{
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
}

QUrl RedirectTarget(const QNetworkReply *reply)
{
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status != 301 && status != 302 && status != 303 && status != 307 && status != 308)
        return {};
    const QUrl target = reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
    if (!target.isValid() || target.isEmpty())
        return {};
    return reply->url().resolved(target);
}

void CheckRedirect(const QUrl &from, const QUrl &to, bool remoteNamed, QObject *context,
                   std::function<void(const QString &refusal)> done)
{
    const bool downgrade = from.scheme().compare(u"https", Qt::CaseInsensitive) == 0
                           && to.scheme().compare(u"http", Qt::CaseInsensitive) == 0;
    if (!IsWeb(to) || downgrade) {
        QTimer::singleShot(0, context, [done = std::move(done)] { done(QStringLiteral("redirection refusée")); });
        return;
    }
    auto verdict = [done = std::move(done)](bool allowed) { done(allowed ? QString() : RefusedAddressText()); };
    if (SameOrigin(from, to)) { // the server already reached
        Later(context, std::move(verdict), true);
        return;
    }
    if (remoteNamed) {
        CheckRemoteTarget(to, context, std::move(verdict));
        return;
    }
    // An address of the user's: a server of the local network may send it anywhere, a public
    // one only to public addresses.
    QPointer<QObject> guard(context);
    CheckRemoteTarget(from, context, [guard, to, verdict = std::move(verdict)](bool fromPublic) mutable {
        if (!fromPublic)
            verdict(true);
        else if (guard)
            CheckRemoteTarget(to, guard, std::move(verdict));
    });
}

} // namespace net
