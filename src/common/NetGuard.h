#pragma once
// Where content named by remote data may be fetched from. A station page on the user's disk or
// an address the user typed may point anywhere, the local network included; but an address that
// came from the network (a cover or logo named by a data page or a directory answer, an entry of
// a playlist from the network, a redirect) must not make the program reach this machine or the
// local network: it is fetched only from public addresses. Host names are resolved first and
// every address they resolve to must be public; a redirect is checked again the same way. What a
// server names on its own origin (scheme, host, port) is fetched like the server itself. The
// network stack resolves the name again when it connects (from its cache in the usual case): a
// name whose answer changes within that moment is not caught here.
//
// Trusted origins are (scheme, host, port) triples the user owns, accepted whatever their
// address: tests mark their local servers this way.
//
// UI thread (or any one thread with an event loop): the checks report from the event loop.
#include <QHostAddress>
#include <QNetworkRequest>
#include <QObject>
#include <QUrl>
#include <functional>

class QNetworkReply;

namespace net {

// True for a public unicast address: not loopback, unspecified, private (10/8, 172.16/12,
// 192.168/16, 100.64/10, fc00::/7), link-local (169.254/16, fe80::/10), documentation,
// benchmarking, multicast, broadcast or reserved. An IPv4 address carried in IPv6 (::ffff:a.b.c.d,
// 64:ff9b::/96, 2002::/16) is judged by its IPv4 part.
bool IsPublicAddress(const QHostAddress &address);

void TrustOrigin(const QUrl &url);
void ForgetTrustedOrigins();
bool IsTrustedOrigin(const QUrl &url);

// Same scheme, host and port (default ports filled in).
bool SameOrigin(const QUrl &a, const QUrl &b);

// The reason given when an address named by remote data is refused.
QString RefusedAddressText();

// Calls done(true) when url may be fetched for content named by remote data: a web address whose
// origin is trusted or whose host is (or resolves only to) public addresses. done is called from
// the event loop, never from here, and never once context is gone.
void CheckRemoteTarget(const QUrl &url, QObject *context, std::function<void(bool allowed)> done);

// Prepares request for guarded redirects: Qt follows none itself; the reader asks
// RedirectTarget at each answer and CheckRedirect before it sends the next request.
void GuardedRequest(QNetworkRequest &request);
constexpr int kMaxRedirects = 5;

// The address reply redirects to (absolute), or an empty address when it is no redirect.
QUrl RedirectTarget(const QNetworkReply *reply);

// Calls done with an empty text when a redirect from one address to another may be followed:
// to a web address, not from https down to http, and, when the address came from remote data
// (remoteNamed) or the server redirecting is a public one, to an address CheckRemoteTarget
// accepts. Otherwise done gets the reason ("redirection refusée" or RefusedAddressText()). done
// is called from the event loop, never once context is gone.
void CheckRedirect(const QUrl &from, const QUrl &to, bool remoteNamed, QObject *context,
                   std::function<void(const QString &refusal)> done);

} // namespace net
