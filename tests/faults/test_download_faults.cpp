// Every download of the program against a server that answers badly in every way it can: each
// ends in time with a clear result, nothing crashes, the process does not grow with what the
// server sends, and no partial file is kept.
#include "DownloadToFile.h"
#include "NowPlayingTestUtil.h"
#include "PlaylistResolver.h"
#include "TestUtil.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <gtest/gtest.h>
#include <optional>

using nowplaying::DownloadToFile;
using Outcome = PlaylistResolver::Outcome;

// Texts in failure messages as text.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &s, std::ostream *os) { *os << s.toStdString(); }
QT_END_NAMESPACE

namespace {

QByteArray slurp(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
}

long RssKiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

// A playlist of 40 entries, long enough that half of it is not all of it.
QByteArray Pls()
{
    QByteArray b = "[playlist]\nNumberOfEntries=40\n";
    for (int i = 1; i <= 40; ++i)
        b += "File" + QByteArray::number(i) + "=http://127.0.0.1:9/flux" + QByteArray::number(i) + ".mp3\n";
    return b + "Version=2\n";
}

constexpr int kStallMs = 800;    // the downloads' time without data, shortened
constexpr int kTotalMs = 3000;   // the page download's whole time, shortened
constexpr int kNoHangMs = 8000;  // every case ends well before this

struct Fault {
    const char *what;
    const char *path;        // on the server; a full address when it has a scheme
    bool pageStored;         // DownloadToFile: finished(true) and the file holds the body
    Outcome resolved;        // PlaylistResolver
    const char *resolvedText; // PlaylistResolver: errorText of a failure, or ""
};

const Fault kFaults[] = {
    {"not found", "/status/404", false, Outcome::Failed, "adresse introuvable (erreur HTTP 404)"},
    {"server error", "/status/500", false, Outcome::Failed, "erreur HTTP 500"},
    {"no length", "/nolength/list.pls", false, Outcome::Entries, ""},
    {"length longer than the body", "/short/list.pls", false, Outcome::Failed,
     "liste de lecture incomplète (connexion interrompue)"},
    {"length shorter than the body", "/long/list.pls", true, Outcome::Entries, ""},
    {"reset mid-body", "/reset/list.pls", false, Outcome::Failed, "liste de lecture incomplète (connexion interrompue)"},
    {"stall", "/stall/list.pls", false, Outcome::Failed, "le serveur ne répond pas"},
    {"a byte now and then", "/trickle/list.pls", false, Outcome::Failed, "le serveur ne répond pas"},
    {"endless body", "/endless/list.pls", false, Outcome::Entries, ""},
    {"endless body with a huge length", "/endless-length/list.pls", false, Outcome::Entries, ""},
    {"endless stream", "/endless/radio", false, Outcome::Direct, ""},
    {"redirect loop", "/loop/list.pls", false, Outcome::Failed, "trop de redirections"},
    {"redirect to file:", "/redirect-to?url=file:///etc/hostname", false, Outcome::Failed, "redirection refusée"},
    {"redirect to ftp:", "/redirect-to?url=ftp://127.0.0.1/list.pls", false, Outcome::Failed, "redirection refusée"},
    {"redirect to javascript:", "/redirect-to?url=javascript:alert(1)", false, Outcome::Failed,
     "redirection refusée"},
    {"redirect then fine", "/redirect/2/list.pls", true, Outcome::Entries, ""},
};

class DownloadFaults : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        server = new StreamServer("dataserver.py");
        QString error;
        if (!server->start(&error))
            FAIL() << error.toStdString();
        nptest::Put(server->folder(), QStringLiteral("list.pls"), Pls());
        nptest::Put(server->folder(), QStringLiteral("radio"), QByteArray(8192, '\x55'));
    }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }
    QString address(const Fault &f) const
    {
        const QString p = QString::fromLatin1(f.path);
        return p.startsWith(u'/') ? server->url(p) : p;
    }

    static StreamServer *server;
    QTemporaryDir dir;
};
StreamServer *DownloadFaults::server = nullptr;

} // namespace

TEST_F(DownloadFaults, EveryDownloadEndsInTimeWithAClearResultAndBoundedMemory)
{
    QNetworkAccessManager network;
    network.setProxyFactory(nullptr);
    network.setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    const long before = RssKiB();
    for (int round = 0; round < 2; ++round) { // twice: a leak or a growing buffer would show
        for (const Fault &f : kFaults) {
            SCOPED_TRACE(f.what);
            // A now-playing page or cover into its file.
            {
                const QString target = dir.filePath(QStringLiteral("page.html"));
                DownloadToFile d(&network);
                d.setStallTimeout(kStallMs);
                d.setTotalTimeout(kTotalMs);
                std::optional<bool> ok;
                QObject::connect(&d, &DownloadToFile::finished, &d, [&](bool r) { ok = r; });
                QElapsedTimer clock;
                clock.start();
                ASSERT_TRUE(d.start(address(f), target));
                ASSERT_TRUE(tavtest::waitUntil([&] { return ok.has_value(); }, kNoHangMs)) << "page download hangs";
                EXPECT_LT(clock.elapsed(), kTotalMs + 1000);
                EXPECT_EQ(*ok, f.pageStored);
                if (f.pageStored) {
                    EXPECT_TRUE(Pls().startsWith(slurp(target)));
                } else {
                    EXPECT_FALSE(QFile::exists(target)) << "a failed download left its file";
                }
                EXPECT_FALSE(d.writeFailed());
                EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                          f.pageStored ? QStringList{QStringLiteral("page.html")} : QStringList{});
                QFile::remove(target);
            }
            // A station address looked at before it is played.
            {
                PlaylistResolver r;
                r.setTimeoutMs(kStallMs);
                std::optional<PlaylistResolver::Result> result;
                QObject::connect(&r, &PlaylistResolver::finished, &r,
                                 [&](const PlaylistResolver::Result &res) { result = res; });
                QElapsedTimer clock;
                clock.start();
                r.start(address(f));
                ASSERT_TRUE(tavtest::waitUntil([&] { return result.has_value(); }, kNoHangMs)) << "lookup hangs";
                EXPECT_LT(clock.elapsed(), kStallMs * 3 + 2000);
                EXPECT_EQ(int(result->outcome), int(f.resolved)) << result->errorText.toStdString();
                if (f.resolved == Outcome::Failed) {
                    EXPECT_EQ(result->errorText, QString::fromUtf8(f.resolvedText));
                }
                if (f.resolved == Outcome::Entries) {
                    EXPECT_FALSE(result->entries.isEmpty());
                    for (const QString &e : result->entries)
                        EXPECT_TRUE(e.startsWith(QStringLiteral("http://127.0.0.1:9/flux"))) << e.toStdString();
                }
            }
        }
    }
#ifndef __SANITIZE_ADDRESS__ // the sanitizer holds freed blocks back: the size says nothing there
    const long grown = RssKiB() - before;
    EXPECT_LT(grown, 24 * 1024) << grown << " KiB";
#else
    (void)before;
#endif
}
