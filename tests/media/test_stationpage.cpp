// The station page writer, compared byte for byte with pages written out line by line.
#include "media/StationPage.h"

#include <gtest/gtest.h>

using stations::GeneratePage;
using stations::PageFields;
using stations::Player;

namespace {

const char kHead[] =
    "<HTML>\r\n"
    "<HEAD>\r\n"
    "<META http-equiv=\"content-type\" content=\"text/html; charset=iso-8859-1\">\r\n"
    "<LINK REL=\"stylesheet\" TYPE=\"text/css\" HREF=\"bas.css\">\r\n"
    "</HEAD>\r\n"
    "<BODY>\r\n"
    "<font name=\"titre\">Radio Jazz</font><br>\r\n"
    "<TABLE CELLPADDING=0 CELLSPACING=0>\r\n"
    "    <TR>\r\n";

const char kLogoAndSite[] =
    "      <TD VALIGN=\"MIDDLE\"><A HREF=\"http://jazz.example/\" TARGET=\"_blank\"><IMG SRC=\"logo/jazz.gif\" BORDER=0 WIDTH=66 HEIGHT=50></A></TD>\r\n";
const char kLogoOnly[] =
    "      <TD VALIGN=\"MIDDLE\"><IMG SRC=\"logo/jazz.gif\" BORDER=0 WIDTH=66 HEIGHT=50></TD>\r\n";
const char kSiteOnly[] =
    "      <TD VALIGN=\"MIDDLE\"><A HREF=\"http://jazz.example/\" TARGET=\"_blank\"></A></TD>\r\n";

const char kWindowsMedia[] =
    "      <TD VALIGN=\"MIDDLE\">\r\n"
    "<object id=\"NSPlay\" name=\"NSPlay\"\r\n"
    "    classid = \"CLSID:22D6F312-B0F6-11D0-94AB-0080C74C7E95\"\r\n"
    "    width=152 height=25\r\n"
    "    codebase = \"http://activex.microsoft.com/activex/controls/mplayer/en/nsmp2inf.cab#Version=6,1,5,217\"\r\n"
    "    standby = \"Loading Microsoft\u00AE Windows Media\u2122 Player components...\"\r\n"
    "    type=\"application/x-oleobject\">\r\n"
    "    <param name=\"Filename\" value=\"http://127.0.0.1:8000/jazz.mp3\">\r\n"
    "    <param name=\"AudioStream\" value=\"-1\">\r\n"
    "    <param name=\"AutoSize\" value=\"0\">\r\n"
    "    <param name=\"AutoRewind\" value=\"0\">\r\n"
    "    <param name=\"BufferingTime\" value=\"5\">\r\n"
    "    <param name=\"DisplaySize\" value=\"4\">\r\n"
    "    <param name=\"EnableContextMenu\" value=\"1\">\r\n"
    "    <param name=\"ShowCaptioning\" value=\"0\">\r\n"
    "    <param name=\"ShowControls\" value=\"0\">\r\n"
    "    <param name=\"ShowAudioControls\" value=\"0\">\r\n"
    "    <param name=\"ShowDisplay\" value=\"0\">\r\n"
    "    <param name=\"ShowGotoBar\" value=\"0\">\r\n"
    "    <param name=\"ShowPositionControls\" value=\"0\">\r\n"
    "    <param name=\"ShowStatusBar\" value=\"-1\">\r\n"
    "    <param name=\"ShowTracker\" value=\"0\">\r\n"
    "    <param name=\"TransparentAtStart\" value=\"-1\">\r\n"
    "    <param name=\"Volume\" value=\"-200\">\r\n"
    "</object>\r\n";

const char kReal[] =
    "      <TD VALIGN=\"MIDDLE\">\r\n"
    "<object id=\"NSPlay\"\r\n"
    " CLASSID = \"clsid:CFCDAA03-8BE4-11cf-B84B-0020AFBBCCFA\"\r\n"
    " width=152 height=25>\r\n"
    "  <param name=\"SRC\" value=\"http://127.0.0.1:8000/jazz.mp3\">\r\n"
    "  <param NAME=\"controls\" value=\"StatusField\">\r\n"
    "  <param NAME=\"CONSOLE\" value=\"clip1\">\r\n"
    "  <param name=\"_ExtentX\" value=\"7276\">\r\n"
    "  <param name=\"_ExtentY\" value=\"3307\">\r\n"
    "  <param name=\"AUTOSTART\" value=\"-1\">\r\n"
    "  <param name=\"SHUFFLE\" value=\"0\">\r\n"
    "  <param name=\"PREFETCH\" value=\"0\">\r\n"
    "  <param name=\"NOLABELS\" value=\"0\">\r\n"
    "  <param name=\"LOOP\" value=\"0\">\r\n"
    "  <param name=\"NUMLOOP\" value=\"0\">\r\n"
    "  <param name=\"CENTER\" value=\"0\">\r\n"
    "  <param name=\"MAINTAINASPECT\" value=\"0\">\r\n"
    "  <param name=\"BACKGROUNDCOLOR\" value=\"#000000\">\r\n"
    "</OBJECT>\r\n";

const char kTable[] =
    "    </TD>\r\n"
    "    </TR>\r\n"
    "</TABLE>\r\n";
const char kDescription[] =
    "<!-- Description -->\r\n"
    "<SMALL>Le meilleur du jazz</SMALL><BR>\r\n";
const char kInfo[] = "<A HREF=\"app:live('http://jazz.example/live.txt')\">Informations</A>\r\n";
const char kEnd[] = "</HTML>";

QString u(const char *s) { return QString::fromUtf8(s); }

} // namespace

TEST(StationPage, EveryPlayerLogoSiteDescriptionAndInformationCombination)
{
    struct Line10 {
        const char *name;
        bool logoOn, siteOn;
        const char *site;
        const char *expected;
    };
    // The site switch off leaves the typed site out, as an empty site does.
    const Line10 cases[] = {
        {"logo and site", true, true, "http://jazz.example/", kLogoAndSite},
        {"logo, empty site", true, true, "", kLogoOnly},
        {"logo, site switched off", true, false, "http://jazz.example/", kLogoOnly},
        {"site only", false, true, "http://jazz.example/", kSiteOnly},
        {"neither", false, true, "", ""},
        {"neither, site switched off", false, false, "http://jazz.example/", ""},
    };
    for (const Player player : {Player::WindowsMedia, Player::Real}) {
        for (const Line10 &c : cases) {
            for (int extras = 0; extras < 4; ++extras) {
                PageFields f;
                f.player = player;
                f.title = u("Radio Jazz");
                f.stream = u("http://127.0.0.1:8000/jazz.mp3");
                f.logoOn = c.logoOn;
                f.logo = u("jazz.gif");
                f.siteOn = c.siteOn;
                f.site = u(c.site);
                f.descriptionOn = (extras & 1) != 0;
                f.description = u("Le meilleur du jazz");
                f.infoOn = (extras & 2) != 0;
                f.info = u("http://jazz.example/live.txt");
                const QString expected = u(kHead) + u(c.expected)
                                         + u(player == Player::WindowsMedia ? kWindowsMedia : kReal) + u(kTable)
                                         + (f.descriptionOn ? u(kDescription) : QString())
                                         + (f.infoOn ? u(kInfo) : QString()) + u(kEnd);
                EXPECT_EQ(GeneratePage(f), expected)
                    << (player == Player::WindowsMedia ? "first player, " : "second player, ") << c.name
                    << ", description " << f.descriptionOn << ", information " << f.infoOn;
            }
        }
    }
}

TEST(StationPage, ValuesGoInExactlyAsTypedAndEmptyValuesGiveEmptyAttributes)
{
    PageFields f;
    f.title = u("  A & B <i>\"live\"</i> ");
    f.stream = u("http://h/%1 a\"b");
    f.logoOn = true; // an empty logo name gives "logo/"
    f.descriptionOn = true;
    f.description = u("<b>Été</b> \"quoted\" 100%\u00A0sûr");
    f.infoOn = true; // an empty address gives "app:live('')"
    const QString page = GeneratePage(f);
    EXPECT_TRUE(page.contains(u("<font name=\"titre\">  A & B <i>\"live\"</i> </font><br>\r\n")));
    EXPECT_TRUE(page.contains(u("    <param name=\"Filename\" value=\"http://h/%1 a\"b\">\r\n")));
    EXPECT_TRUE(page.contains(u("      <TD VALIGN=\"MIDDLE\"><IMG SRC=\"logo/\" BORDER=0 WIDTH=66 HEIGHT=50></TD>\r\n")));
    EXPECT_TRUE(page.contains(u("<SMALL><b>Été</b> \"quoted\" 100%\u00A0sûr</SMALL><BR>\r\n")));
    EXPECT_TRUE(page.endsWith(u("<A HREF=\"app:live('')\">Informations</A>\r\n</HTML>")));
    EXPECT_FALSE(page.contains(u("</BODY>")));
}

TEST(StationPage, InformationLinksAreRecognisedByTheirFirstNineCharacters)
{
    struct Case {
        const char *target;
        bool intercepted;
        const char *address;
    };
    const Case cases[] = {
        {"app:live('http://jazz.example/live.txt')", true, "http://jazz.example/live.txt"},
        {"app:live('')", true, ""},
        {"app:live(", true, ""},      // too short to cut: empty address
        {"app:live('x", true, ""},
        {"APP:LIVE('http://x/')", false, ""},
        {"app:live", false, ""},
        {"http://jazz.example/", false, ""},
        {"", false, ""},
    };
    for (const Case &c : cases) {
        QString address = u("unchanged");
        EXPECT_EQ(stations::InfoLinkAddress(u(c.target), &address), c.intercepted) << c.target;
        EXPECT_EQ(address, c.intercepted ? u(c.address) : u("unchanged")) << c.target;
    }
    // A generated link gives its address back.
    QString back;
    ASSERT_TRUE(stations::InfoLinkAddress(stations::InfoLink(u("http://a/b?c='d'")), &back));
    EXPECT_EQ(back, u("http://a/b?c='d'"));
}
