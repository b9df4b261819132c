// Reading the player that a station page declares, on pages laid out as the station page
// generator writes them and on hand-edited variants.
#include "media/HtmlTags.h"
#include "media/PagePlayer.h"

#include <QElapsedTimer>
#include <QStringList>
#include <gtest/gtest.h>

namespace {

QString lines(const QStringList &l)
{
    return l.join(QStringLiteral("\r\n"));
}

// A page as the generator writes it with the first player (Windows Media Player object).
QString windowsMediaPage(const QString &stream)
{
    QStringList l = {
        QStringLiteral("<HTML>"), QStringLiteral("<HEAD>"),
        QStringLiteral("<META http-equiv=\"content-type\" content=\"text/html; charset=iso-8859-1\">"),
        QStringLiteral("<LINK REL=\"stylesheet\" TYPE=\"text/css\" HREF=\"bas.css\">"),
        QStringLiteral("</HEAD>"), QStringLiteral("<BODY>"),
        QStringLiteral("<font name=\"titre\">Radio Jazz</font><br>"),
        QStringLiteral("<TABLE CELLPADDING=0 CELLSPACING=0>"), QStringLiteral("    <TR>"),
        QStringLiteral("      <TD VALIGN=\"MIDDLE\"><A HREF=\"http://jazz.example\" TARGET=\"_blank\"><IMG SRC=\"logo/jazz.gif\" BORDER=0 WIDTH=66 HEIGHT=50></A></TD>"),
        QStringLiteral("      <TD VALIGN=\"MIDDLE\">"),
        QStringLiteral("<object id=\"NSPlay\" name=\"NSPlay\""),
        QStringLiteral("    classid = \"CLSID:22D6F312-B0F6-11D0-94AB-0080C74C7E95\""),
        QStringLiteral("    width=152 height=25"),
        QStringLiteral("    codebase = \"http://download.example/activex/controls/mplayer/en/nsmp2inf.cab#Version=6,1,5,217\""),
        QStringLiteral("    standby = \"Loading Microsoft® Windows Media™ Player components...\""),
        QStringLiteral("    type=\"application/x-oleobject\">"),
        QStringLiteral("    <param name=\"Filename\" value=\"%1\">").arg(stream)};
    const char *params[][2] = {{"AudioStream", "-1"}, {"AutoSize", "0"}, {"AutoRewind", "0"},
                               {"BufferingTime", "5"}, {"DisplaySize", "4"}, {"EnableContextMenu", "1"},
                               {"ShowCaptioning", "0"}, {"ShowControls", "0"}, {"ShowAudioControls", "0"},
                               {"ShowDisplay", "0"}, {"ShowGotoBar", "0"}, {"ShowPositionControls", "0"},
                               {"ShowStatusBar", "-1"}, {"ShowTracker", "0"}, {"TransparentAtStart", "-1"},
                               {"Volume", "-200"}};
    for (const auto &p : params)
        l.append(QStringLiteral("    <param name=\"%1\" value=\"%2\">").arg(QLatin1String(p[0]), QLatin1String(p[1])));
    l << QStringLiteral("</object>") << QStringLiteral("    </TD>") << QStringLiteral("    </TR>")
      << QStringLiteral("</TABLE>") << QStringLiteral("<!-- Description -->")
      << QStringLiteral("<SMALL>Du jazz <object> & \"guillemets\"</SMALL><BR>")
      << QStringLiteral("<A HREF=\"app:live('http://info.example/now')\">Informations</A>")
      << QStringLiteral("</HTML>");
    return lines(l);
}

// A page with the second player (RealPlayer object).
QString realPlayerPage(const QString &stream)
{
    QStringList l = {QStringLiteral("<HTML>"), QStringLiteral("<BODY>"),
                     QStringLiteral("<TABLE CELLPADDING=0 CELLSPACING=0>"), QStringLiteral("    <TR>"),
                     QStringLiteral("      <TD VALIGN=\"MIDDLE\">"),
                     QStringLiteral("<object id=\"NSPlay\""),
                     QStringLiteral(" CLASSID = \"clsid:CFCDAA03-8BE4-11cf-B84B-0020AFBBCCFA\""),
                     QStringLiteral(" width=152 height=25>"),
                     QStringLiteral("  <param name=\"SRC\" value=\"%1\">").arg(stream),
                     QStringLiteral("  <param NAME=\"controls\" value=\"StatusField\">"),
                     QStringLiteral("  <param NAME=\"CONSOLE\" value=\"clip1\">")};
    const char *params[][2] = {{"_ExtentX", "7276"}, {"_ExtentY", "3307"}, {"AUTOSTART", "-1"},
                               {"SHUFFLE", "0"}, {"PREFETCH", "0"}, {"NOLABELS", "0"}, {"LOOP", "0"},
                               {"NUMLOOP", "0"}, {"CENTER", "0"}, {"MAINTAINASPECT", "0"},
                               {"BACKGROUNDCOLOR", "#000000"}};
    for (const auto &p : params)
        l.append(QStringLiteral("  <param name=\"%1\" value=\"%2\">").arg(QLatin1String(p[0]), QLatin1String(p[1])));
    l << QStringLiteral("</OBJECT>") << QStringLiteral("    </TD>") << QStringLiteral("    </TR>")
      << QStringLiteral("</TABLE>") << QStringLiteral("</HTML>");
    return lines(l);
}

} // namespace

TEST(PagePlayer, GeneratedPagesOfBothPlayers)
{
    const PagePlayer wmp = findPagePlayer(windowsMediaPage(QStringLiteral("http://jazz.example:8000/live.asx")));
    EXPECT_EQ(wmp.kind, PagePlayer::Kind::WindowsMedia);
    EXPECT_EQ(wmp.address, QStringLiteral("http://jazz.example:8000/live.asx"));
    EXPECT_TRUE(wmp.autostart); // the first player's page carries no automatic-start parameter
    EXPECT_TRUE(wmp.isValid());

    const PagePlayer real = findPagePlayer(realPlayerPage(QStringLiteral("rtsp://real.example/radio.rm")));
    EXPECT_EQ(real.kind, PagePlayer::Kind::RealPlayer);
    EXPECT_EQ(real.address, QStringLiteral("rtsp://real.example/radio.rm"));
    EXPECT_TRUE(real.autostart); // AUTOSTART -1 is "true"
}

TEST(PagePlayer, EmptyStreamKeepsThePlayerKind)
{
    const PagePlayer p = findPagePlayer(windowsMediaPage(QString()));
    EXPECT_EQ(p.kind, PagePlayer::Kind::WindowsMedia);
    EXPECT_TRUE(p.address.isEmpty());
    EXPECT_FALSE(p.isValid());
}

TEST(PagePlayer, HandEditedSpellings)
{
    // Lower-case tags, single quotes, unquoted values, spaces around "=", entities.
    const PagePlayer a = findPagePlayer(QStringLiteral(
        "<html><object classid='clsid:22d6f312-b0f6-11d0-94ab-0080c74c7e95'>"
        "<PARAM NAME='FILENAME' VALUE='http://a.example/s?x=1&amp;y=2'>"
        "<param name=autostart value=False></object></html>"));
    EXPECT_EQ(a.kind, PagePlayer::Kind::WindowsMedia);
    EXPECT_EQ(a.address, QStringLiteral("http://a.example/s?x=1&y=2"));
    EXPECT_FALSE(a.autostart);

    const PagePlayer b = findPagePlayer(QStringLiteral(
        "<OBJECT ID=NSPlay CLASSID=clsid:CFCDAA03-8BE4-11cf-B84B-0020AFBBCCFA>\n"
        "<Param Name=src Value=http://b.example/live.mp3>\n<PARAM NAME=AutoStart VALUE=0></OBJECT>"));
    EXPECT_EQ(b.kind, PagePlayer::Kind::RealPlayer);
    EXPECT_EQ(b.address, QStringLiteral("http://b.example/live.mp3"));
    EXPECT_FALSE(b.autostart);

    const PagePlayer c = findPagePlayer(QStringLiteral(
        "<object classid=\"CLSID:22D6F312-B0F6-11D0-94AB-0080C74C7E95\">"
        "<param name=\"AutoStart\" value=\"true\"><param name=\"FileName\" value=\"  mms://c.example/x  \"></object>"));
    EXPECT_EQ(c.address, QStringLiteral("mms://c.example/x"));
    EXPECT_TRUE(c.autostart);
}

TEST(PagePlayer, CommentsOtherObjectsAndEmbeds)
{
    // A commented-out player and an object of another kind are passed over.
    const PagePlayer a = findPagePlayer(QStringLiteral(
        "<!-- <object classid=\"CLSID:22D6F312-B0F6-11D0-94AB-0080C74C7E95\"><param name=Filename value=old></object> -->"
        "<object classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\"><param name=movie value=x.swf></object>"
        "<object classid=\"clsid:CFCDAA03-8BE4-11cf-B84B-0020AFBBCCFA\"><param name=\"SRC\" value=\"http://new.example/\"></object>"));
    EXPECT_EQ(a.kind, PagePlayer::Kind::RealPlayer);
    EXPECT_EQ(a.address, QStringLiteral("http://new.example/"));

    // An object without a stream falls back to the <embed> inside it.
    const PagePlayer b = findPagePlayer(QStringLiteral(
        "<OBJECT classid=\"CLSID:22D6F312-B0F6-11D0-94AB-0080C74C7E95\"><PARAM NAME=\"Filename\" VALUE=\"\">"
        "<EMBED SRC=\"http://embed.example/s\" AUTOSTART=\"false\"></EMBED></OBJECT>"));
    EXPECT_EQ(b.kind, PagePlayer::Kind::WindowsMedia);
    EXPECT_EQ(b.address, QStringLiteral("http://embed.example/s"));
    EXPECT_FALSE(b.autostart);

    // A page with a bare <embed> only.
    const PagePlayer c = findPagePlayer(QStringLiteral("<body><embed src='http://e.example/x.mp3'></body>"));
    EXPECT_EQ(c.kind, PagePlayer::Kind::Embed);
    EXPECT_EQ(c.address, QStringLiteral("http://e.example/x.mp3"));
    EXPECT_TRUE(c.autostart);
}

TEST(PagePlayer, PagesWithoutPlayerOrBroken)
{
    EXPECT_EQ(findPagePlayer(QString()).kind, PagePlayer::Kind::None);
    EXPECT_EQ(findPagePlayer(QStringLiteral("<HTML><BODY>Intro</BODY></HTML>")).kind, PagePlayer::Kind::None);
    // Cut in the middle of the object: what was read is used, nothing breaks.
    const PagePlayer cut = findPagePlayer(QStringLiteral(
        "<object classid=\"CLSID:22D6F312-B0F6-11D0-94AB-0080C74C7E95\"><param name=\"Filename\" value=\"http://x/"));
    EXPECT_EQ(cut.kind, PagePlayer::Kind::WindowsMedia);
    EXPECT_EQ(cut.address, QStringLiteral("http://x/"));
    EXPECT_EQ(findPagePlayer(QStringLiteral("<object <param <<< >>> <embed")).kind, PagePlayer::Kind::None);
}

TEST(PagePlayer, AutostartValues)
{
    for (const char *off : {"false", "FALSE", "0", " 0 ", "no"})
        EXPECT_FALSE(readAutostart(QString::fromLatin1(off))) << off;
    for (const char *on : {"true", "True", "1", "-1", "yes", "", "peut-être"})
        EXPECT_TRUE(readAutostart(QString::fromLatin1(on))) << on;
}

TEST(PagePlayer, CharacterReferences)
{
    const struct {
        const char *text;
        const char *decoded;
    } cases[] = {
        {"a&amp;b&LT;&gt;&quot;&apos;", "a&b<>\"'"},
        {"&&amp;&", "&&&"},
        {"&#65;&#x42;&#X43;", "ABC"},
        {"&#00000065;", "A"},             // the longest reference read: 9 characters before ";"
        {"&#000000065;", "&#000000065;"}, // one more is text
        {"&amp &;& amp;&bogus;", "&amp &;& amp;&bogus;"},
        {"&#0;&#xD800;&#x110000;&#x;", "&#0;&#xD800;&#x110000;&#x;"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(tavhtml::decodeEntities(QString::fromLatin1(c.text)), QString::fromLatin1(c.decoded))
            << c.text;
}

TEST(PagePlayer, LongRunsOfAmpersandsReadQuickly)
{
    // A reference is looked for only a few characters ahead: a page of a million "&" without any
    // ";" reads in a moment, not in minutes.
    const QString run(1 << 20, QLatin1Char('&'));
    const QString page = QStringLiteral("<embed src=\"http://e.example/") + run + QStringLiteral("\">") + run;
    QElapsedTimer timer;
    timer.start();
    const PagePlayer player = findPagePlayer(page);
    EXPECT_EQ(tavhtml::decodeEntities(run), run);
    EXPECT_LT(timer.elapsed(), 5000);
    EXPECT_EQ(player.kind, PagePlayer::Kind::Embed);
    EXPECT_EQ(player.address.size(), 17 + run.size());
}
