#include "StationPage.h"

#include "common/TextFile.h"

#include <QStringList>

namespace stations {

const char kCodeBase[] =
    "http://activex.microsoft.com/activex/controls/mplayer/en/nsmp2inf.cab#Version=6,1,5,217";

namespace {

struct Param {
    const char *name;
    const char *value;
};

// Parameter rows of the first player object, after its "Filename" row.
constexpr Param kWindowsMediaParams[] = {
    {"AudioStream", "-1"},     {"AutoSize", "0"},          {"AutoRewind", "0"},
    {"BufferingTime", "5"},    {"DisplaySize", "4"},       {"EnableContextMenu", "1"},
    {"ShowCaptioning", "0"},   {"ShowControls", "0"},      {"ShowAudioControls", "0"},
    {"ShowDisplay", "0"},      {"ShowGotoBar", "0"},       {"ShowPositionControls", "0"},
    {"ShowStatusBar", "-1"},   {"ShowTracker", "0"},       {"TransparentAtStart", "-1"},
    {"Volume", "-200"},
};

// Parameter rows of the second player object, after its "CONSOLE" row.
constexpr Param kRealParams[] = {
    {"_ExtentX", "7276"}, {"_ExtentY", "3307"},     {"AUTOSTART", "-1"}, {"SHUFFLE", "0"},
    {"PREFETCH", "0"},    {"NOLABELS", "0"},        {"LOOP", "0"},       {"NUMLOOP", "0"},
    {"CENTER", "0"},      {"MAINTAINASPECT", "0"}, {"BACKGROUNDCOLOR", "#000000"},
};

const QString kEol = QStringLiteral("\r\n");

class PageText {
public:
    void line(int indent, const QString &text) { m_text += QString(indent, QLatin1Char(' ')) + text + kEol; }
    void line(int indent, const char *text) { line(indent, QString::fromUtf8(text)); }
    void param(int indent, const Param &p)
    {
        line(indent, QStringLiteral("<param name=\"%1\" value=\"%2\">")
                         .arg(QLatin1String(p.name), QLatin1String(p.value)));
    }
    QString &text() { return m_text; }

private:
    QString m_text;
};

void windowsMediaObject(PageText &page, const QString &stream)
{
    page.line(0, "<object id=\"NSPlay\" name=\"NSPlay\"");
    page.line(4, "classid = \"CLSID:22D6F312-B0F6-11D0-94AB-0080C74C7E95\"");
    page.line(4, "width=152 height=25");
    page.line(4, QStringLiteral("codebase = \"") + QLatin1String(kCodeBase) + QLatin1Char('"'));
    page.line(4, "standby = \"Loading Microsoft\u00AE Windows Media\u2122 Player components...\"");
    page.line(4, "type=\"application/x-oleobject\">");
    page.line(4, QStringLiteral("<param name=\"Filename\" value=\"") + stream + QStringLiteral("\">"));
    for (const Param &p : kWindowsMediaParams)
        page.param(4, p);
    page.line(0, "</object>");
}

void realObject(PageText &page, const QString &stream)
{
    page.line(0, "<object id=\"NSPlay\"");
    page.line(1, "CLASSID = \"clsid:CFCDAA03-8BE4-11cf-B84B-0020AFBBCCFA\"");
    page.line(1, "width=152 height=25>");
    page.line(2, QStringLiteral("<param name=\"SRC\" value=\"") + stream + QStringLiteral("\">"));
    page.line(2, "<param NAME=\"controls\" value=\"StatusField\">");
    page.line(2, "<param NAME=\"CONSOLE\" value=\"clip1\">");
    for (const Param &p : kRealParams)
        page.param(2, p);
    page.line(0, "</OBJECT>");
}

} // namespace

QString GeneratePage(const PageFields &f)
{
    PageText page;
    page.line(0, "<HTML>");
    page.line(0, "<HEAD>");
    page.line(0, "<META http-equiv=\"content-type\" content=\"text/html; charset=iso-8859-1\">");
    page.line(0, "<LINK REL=\"stylesheet\" TYPE=\"text/css\" HREF=\"bas.css\">");
    page.line(0, "</HEAD>");
    page.line(0, "<BODY>");
    page.line(0, QStringLiteral("<font name=\"titre\">") + f.title + QStringLiteral("</font><br>"));

    page.line(0, "<TABLE CELLPADDING=0 CELLSPACING=0>");
    page.line(4, "<TR>");
    const bool site = f.siteOn && !f.site.isEmpty();
    const QString image = QStringLiteral("<IMG SRC=\"") + LogoAddress(f.logo) + QStringLiteral("\" BORDER=0 WIDTH=66 HEIGHT=50>");
    const QString anchor = QStringLiteral("<A HREF=\"") + f.site + QStringLiteral("\" TARGET=\"_blank\">");
    const QString cell = QStringLiteral("<TD VALIGN=\"MIDDLE\">");
    if (f.logoOn && site)
        page.line(6, cell + anchor + image + QStringLiteral("</A></TD>"));
    else if (f.logoOn)
        page.line(6, cell + image + QStringLiteral("</TD>"));
    else if (site)
        page.line(6, cell + anchor + QStringLiteral("</A></TD>"));
    page.line(6, cell);

    if (f.player == Player::WindowsMedia)
        windowsMediaObject(page, f.stream);
    else
        realObject(page, f.stream);

    page.line(4, "</TD>");
    page.line(4, "</TR>");
    page.line(0, "</TABLE>");
    if (f.descriptionOn) {
        page.line(0, "<!-- Description -->");
        page.line(0, QStringLiteral("<SMALL>") + f.description + QStringLiteral("</SMALL><BR>"));
    }
    if (f.infoOn)
        page.line(0, QStringLiteral("<A HREF=\"") + InfoLink(f.info) + QStringLiteral("\">Informations</A>"));
    page.text() += QStringLiteral("</HTML>");
    return page.text();
}

QString LogoAddress(const QString &fileName)
{
    static const QString reserved = QStringLiteral("%#?&\"'<>");
    QString out = QStringLiteral("logo/");
    for (qsizetype i = 0; i < fileName.size(); ++i) {
        const QChar c = fileName[i];
        const bool pair = c.isHighSurrogate() && i + 1 < fileName.size() && fileName[i + 1].isLowSurrogate();
        if (!pair && c.unicode() >= 0x20 && c.unicode() != 0x7F && !reserved.contains(c)
            && textfile::firstNonCp1252(QString(c)) < 0) {
            out += c;
            continue;
        }
        const QString character = pair ? fileName.mid(i, 2) : QString(c);
        out += QString::fromLatin1(character.toUtf8().toPercentEncoding());
        if (pair)
            ++i;
    }
    return out;
}

QString InfoLink(const QString &address)
{
    return QStringLiteral("app:live('") + address + QStringLiteral("')");
}

bool InfoLinkAddress(const QString &target, QString *address)
{
    if (target.left(9) != QStringLiteral("app:live("))
        return false;
    if (address)
        *address = target.size() >= 12 ? target.mid(10, target.size() - 12) : QString();
    return true;
}

} // namespace stations
