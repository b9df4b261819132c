// Hostile input from the network and the disk: which addresses remote data may make the program
// fetch, text from stations shown exactly as written, local names that are no regular files.
#include "common/LocalFile.h"
#include "common/NetGuard.h"
#include "directory/DirectoryClient.h"
#include "nowplaying/InfoRefresh.h"
#include "ui/PlainTip.h"
#include "NowPlayingTestUtil.h"
#include "TestUtil.h"

#include <QNetworkAccessManager>
#include <QTextDocument>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>

using namespace nowplaying;

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &s, std::ostream *os) { *os << s.toStdString(); }
QT_END_NAMESPACE

namespace {

// Forgets the servers a test marked as the user's own, also when it fails.
struct TrustReset {
    ~TrustReset() { net::ForgetTrustedOrigins(); }
};

std::optional<bool> Verdict(const QString &address)
{
    std::optional<bool> verdict;
    QObject context;
    net::CheckRemoteTarget(QUrl(address), &context, [&](bool allowed) { verdict = allowed; });
    EXPECT_FALSE(verdict.has_value()) << "answered from inside the call";
    tavtest::waitUntil([&] { return verdict.has_value(); }, 10000);
    return verdict;
}

} // namespace

TEST(NetGuard, RemoteDataMayNameOnlyPublicAddresses)
{
    const struct {
        const char *address;
        bool allowed;
    } cases[] = {
        {"127.0.0.1", false},      {"127.255.1.2", false},    {"0.0.0.0", false},
        {"0.1.2.3", false},        {"10.0.0.1", false},       {"10.255.255.255", false},
        {"172.16.0.1", false},     {"172.31.255.254", false}, {"172.15.255.255", true},
        {"172.32.0.1", true},      {"192.168.1.1", false},    {"192.169.0.1", true},
        {"169.254.169.254", false}, {"100.64.0.1", false},    {"100.128.0.1", true},
        {"192.0.2.7", false},      {"198.18.0.1", false},     {"224.0.0.251", false},
        {"255.255.255.255", false}, {"240.0.0.1", false},     {"8.8.8.8", true},
        {"93.184.216.34", true},   {"1.1.1.1", true},         {"::", false},
        {"::1", false},            {"fe80::1", false},        {"febf:ffff::1", false},
        {"fc00::1", false},        {"fd12:3456::1", false},   {"ff02::1", false},
        {"fec0::1", false},        {"2001:db8::1", false},    {"::ffff:127.0.0.1", false},
        {"::ffff:10.1.2.3", false}, {"::ffff:8.8.8.8", true}, {"::127.0.0.1", false},
        {"64:ff9b::7f00:1", false}, {"64:ff9b::808:808", true}, {"2002:7f00:1::1", false},
        {"2002:808:808::1", true}, {"2001:4860:4860::8888", true}, {"2a00:1450:4007:80b::200e", true},
    };
    for (const auto &c : cases) {
        QHostAddress address;
        ASSERT_TRUE(address.setAddress(QString::fromLatin1(c.address))) << c.address;
        EXPECT_EQ(net::IsPublicAddress(address), c.allowed) << c.address;
    }
}

TEST(NetGuard, AddressesAreJudgedAfterResolutionAndTrustedServersPass)
{
    TrustReset reset;
    const struct {
        const char *address;
        bool allowed;
    } cases[] = {
        {"http://127.0.0.1:8000/cover.jpg", false},
        {"http://[::1]:8000/cover.jpg", false},
        {"http://[::ffff:127.0.0.1]/x", false},
        {"http://localhost:8000/cover.jpg", false}, // a name: resolved, then judged
        {"https://10.0.0.2/logo.png", false},
        {"http://8.8.8.8/logo.png", true},
        {"file:///etc/passwd", false},
        {"ftp://8.8.8.8/x", false},
        {"http:///nohost", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Verdict(QString::fromLatin1(c.address)), c.allowed) << c.address;

    // A server the user owns (the tests' own) passes, on its port only.
    net::TrustOrigin(QUrl(QStringLiteral("http://127.0.0.1:8000")));
    EXPECT_EQ(Verdict(QStringLiteral("http://127.0.0.1:8000/cover.jpg")), true);
    EXPECT_EQ(Verdict(QStringLiteral("http://127.0.0.1:8001/cover.jpg")), false);
    EXPECT_EQ(Verdict(QStringLiteral("https://127.0.0.1:8000/cover.jpg")), false);
}

// A station's data page names a cover on another server of this machine; the directory names a
// logo there. Neither is fetched, until the test marks that server as the user's own.
TEST(NetGuard, RemotePagesNamingALocalServerAreNotFollowed)
{
    TrustReset reset;
    StreamServer station("dataserver.py"); // the station's site
    StreamServer local("dataserver.py");   // a service of this machine
    QString error;
    ASSERT_TRUE(station.start(&error)) << error.toStdString();
    ASSERT_TRUE(local.start(&error)) << error.toStdString();
    // The station's site stands for a public server: redirects from it are judged as such.
    net::TrustOrigin(QUrl(station.url(QString())));
    const QString covers = local.url(QStringLiteral("/f/covers"));
    ASSERT_TRUE(nptest::Put(station.folder(), QStringLiteral("radio/d_data.html"),
                            nptest::RedirectionPage(QStringLiteral("data.html"))));
    ASSERT_TRUE(nptest::Put(station.folder(), QStringLiteral("radio/data.html"), nptest::DataPage(1, 0, 110, covers)));
    for (int k = 1; k <= 5; ++k)
        ASSERT_TRUE(nptest::Put(local.folder(), QStringLiteral("covers/C%1.jpg").arg(k),
                                nptest::Cover(nptest::CoverColour(k), "PNG")));
    // A redirect from the station's site to the local service, and the local logo.
    ASSERT_TRUE(nptest::Put(local.folder(), QStringLiteral("logo.png"), nptest::Cover(qRgb(1, 2, 3), "PNG")));
    const QString redirect = station.url(QStringLiteral("/redirect-to?url="))
                             + QString::fromLatin1(QUrl::toPercentEncoding(local.url(QStringLiteral("/f/logo.png"))));

    QTemporaryDir dir;
    QNetworkAccessManager network;
    network.setProxyFactory(nullptr);
    DirectoryClient directory({station.url(QStringLiteral("/json"))});
    const QString info = station.url(QStringLiteral("/f/radio/d_data.html"));
    for (const bool trusted : {false, true}) {
        SCOPED_TRACE(trusted ? "trusted" : "not trusted");
        if (trusted) // the user's own
            net::TrustOrigin(QUrl(local.url(QString())));
        TrackTexts texts;
        InfoRefresh refresh(&network, texts);
        std::optional<bool> shown;
        QObject::connect(&refresh, &InfoRefresh::finished, [&](bool s) { shown = s; });
        ASSERT_TRUE(refresh.Start(info, dir.path(), CoverBase(QString(), info)));
        ASSERT_TRUE(tavtest::waitUntil([&] { return shown.has_value(); }, 20000));
        EXPECT_TRUE(*shown);
        EXPECT_EQ(texts.at(5, Title), QStringLiteral("Titre : T1-1")); // the page itself was read
        EXPECT_EQ(refresh.Covers().at(1), covers + QStringLiteral("/C1.jpg"));
        EXPECT_EQ(QFile::exists(dir.filePath(CoverFileName(1))), trusted);
        EXPECT_EQ(nptest::Count(local, QStringLiteral("/f/covers/C1.jpg")), trusted ? 1 : 0);

        for (const QString &logo : {local.url(QStringLiteral("/f/logo.png")), redirect}) {
            std::optional<QByteArray> got;
            QObject context;
            directory.FetchLogo(logo, &context, [&](const QByteArray &b) { got = b; });
            ASSERT_TRUE(tavtest::waitUntil([&] { return got.has_value(); }, 10000)) << logo.toStdString();
            EXPECT_EQ(got->isEmpty(), !trusted) << logo.toStdString();
        }
        EXPECT_EQ(nptest::Count(local, QStringLiteral("/f/logo.png")), trusted ? 2 : 0);
        QFile::remove(dir.filePath(CoverFileName(1)));
    }
}

// Titles and addresses from stations as tooltips: what the reader sees is the text as written.
TEST(PlainText, TooltipsShowStationTextAsWritten)
{
    const char *const texts[] = {
        "Radio Jazz — Miles Davis - So What",
        "<b>Gras</b> et <i>italique</i>",
        "<img src=\"http://127.0.0.1:1/x.png\">",
        "Tom & Jerry <3 > tout",
        "Fip &amp; co",
        "http://radio.example/<script>",
        "<table><tr><td>cellule</td></tr></table>",
    };
    for (const char *raw : texts) {
        const QString text = QString::fromUtf8(raw);
        const QString tip = PlainTip(text);
        // Qt shows a tooltip as rich text exactly when it looks like markup.
        QString shown = tip;
        if (Qt::mightBeRichText(tip)) {
            QTextDocument doc;
            doc.setHtml(tip);
            shown = doc.toPlainText();
        }
        EXPECT_EQ(shown, text) << raw;
    }
}

TEST(LocalFiles, OnlyRegularFilesOfASaneSizeAreRead)
{
    using localfile::ReadResult;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString small = dir.filePath(QStringLiteral("small.m3u"));
    ASSERT_TRUE(nptest::Put(dir.path(), QStringLiteral("small.m3u"), QByteArray("http://a.example/live\r\n")));
    ASSERT_TRUE(nptest::Put(dir.path(), QStringLiteral("empty.pls"), QByteArray()));
    ASSERT_TRUE(nptest::Put(dir.path(), QStringLiteral("edge.pls"), QByteArray(1000, 'x')));
    ASSERT_TRUE(nptest::Put(dir.path(), QStringLiteral("over.pls"), QByteArray(1001, 'x')));
    const QString fifo = dir.filePath(QStringLiteral("fifo.m3u"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(fifo, dir.filePath(QStringLiteral("to-fifo.m3u"))));
    ASSERT_TRUE(QFile::link(small, dir.filePath(QStringLiteral("to-small.m3u"))));
    {
        QFile huge(dir.filePath(QStringLiteral("huge.pls"))); // sparse
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
        ASSERT_TRUE(huge.resize(qint64(5) << 30));
    }
    const struct {
        QString path;
        ReadResult read;    // ReadSmallFile with a bound of 1000 bytes
        ReadResult regular; // CheckRegularFile
        qsizetype size;
    } cases[] = {
        {small, ReadResult::Ok, ReadResult::Ok, 23},
        {dir.filePath(QStringLiteral("empty.pls")), ReadResult::Ok, ReadResult::Ok, 0},
        {dir.filePath(QStringLiteral("edge.pls")), ReadResult::Ok, ReadResult::Ok, 1000},
        {dir.filePath(QStringLiteral("over.pls")), ReadResult::TooLarge, ReadResult::Ok, 0},
        {dir.filePath(QStringLiteral("huge.pls")), ReadResult::TooLarge, ReadResult::Ok, 0},
        {dir.filePath(QStringLiteral("to-small.m3u")), ReadResult::Ok, ReadResult::Ok, 23},
        {fifo, ReadResult::NotRegular, ReadResult::NotRegular, 0},
        {dir.filePath(QStringLiteral("to-fifo.m3u")), ReadResult::NotRegular, ReadResult::NotRegular, 0},
        {QStringLiteral("/dev/zero"), ReadResult::NotRegular, ReadResult::NotRegular, 0},
        {QStringLiteral("/dev/null"), ReadResult::NotRegular, ReadResult::NotRegular, 0},
        {dir.path(), ReadResult::NotRegular, ReadResult::NotRegular, 0},
        {dir.filePath(QStringLiteral("absent.pls")), ReadResult::Missing, ReadResult::Missing, 0},
        {QString(), ReadResult::Missing, ReadResult::Missing, 0},
    };
    for (const auto &c : cases) {
        QByteArray bytes("unset");
        EXPECT_EQ(localfile::ReadSmallFile(c.path, 1000, bytes), c.read) << c.path.toStdString();
        EXPECT_EQ(bytes.size(), c.size) << c.path.toStdString();
        EXPECT_EQ(localfile::CheckRegularFile(c.path), c.regular) << c.path.toStdString();
    }
    EXPECT_EQ(localfile::ReadResultText(ReadResult::NotRegular), QStringLiteral("ce n'est pas un fichier ordinaire"));
    EXPECT_EQ(localfile::ReadResultText(ReadResult::TooLarge), QStringLiteral("fichier trop volumineux"));
}
