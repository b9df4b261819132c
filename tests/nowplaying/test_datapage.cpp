// The page reader on payloads: redirection target, second address, the fixed statement places,
// what a short or shifted page leaves, cover addresses and page text decoding.
#include "common/TextFile.h"
#include "nowplaying/DataPage.h"
#include "NowPlayingTestUtil.h"

#include <gtest/gtest.h>

using namespace nowplaying;

// Texts in failure messages as text.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &s, std::ostream *os) { *os << s.toStdString(); }
QT_END_NAMESPACE

TEST(DataPage, RedirectionTargetAndSecondAddress)
{
    struct Case {
        const char *name;
        QByteArray page;
        QString info;
        QString target;
        QString second;
    };
    const QString info = QStringLiteral("http://h.example/radio/d_data.html");
    const Case cases[] = {
        {"plain page", nptest::RedirectionPage(QStringLiteral("d_2026.html?x=1")), info,
         QStringLiteral("d_2026.html?x=1"), QString()},
        {"line feeds inside go, the line end around the target too",
         QByteArray("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">\n"
                    "<meta http-equiv=\"Expires\" content=\"0\"><meta http-equiv=\"Pragma\" content=\"no-cache\">"
                    "<meta http-equiv=\"Cache-Control\" content=\"no-cache\"> <meta http-equiv=\"Refresh\" "
                    "content=\"10; url=next.html\"><base target=\"_self\"></head></html>\r\n\r\n"),
         info, QStringLiteral("next.html"), QString()},
        {"unknown page is kept whole", QByteArray("<p>\"moved\"</p>\n"), info, QStringLiteral("<p>moved</p>"),
         QString()},
        {"empty page", QByteArray(), info, QString(), QStringLiteral("http://h.example/radio/")},
        {"every /d_data.html replaced", nptest::RedirectionPage(QStringLiteral("x.html")).trimmed(),
         QStringLiteral("http://h/d_data.html/d_data.html"), QStringLiteral("x.html"),
         QStringLiteral("http://h/x.html/x.html")},
        {"address without /d_data.html stays", nptest::RedirectionPage(QStringLiteral("x.html")).trimmed(),
         QStringLiteral("http://h/other.html"), QStringLiteral("x.html"), QStringLiteral("http://h/other.html")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray page = c.page;
        if (QByteArray(c.name) == "plain page")
            page.replace('\n', "\r\n");
        const QString target = RedirectionTarget(textfile::fromUtf8OrCp1252(page));
        EXPECT_EQ(target, c.target);
        if (!c.second.isEmpty()) {
            EXPECT_EQ(SecondAddress(c.info, target), c.second);
        }
    }
    EXPECT_EQ(SecondAddress(info, QStringLiteral("d_2026.html")), QStringLiteral("http://h.example/radio/d_2026.html"));
}

TEST(DataPage, FixedPlacesShortAndShiftedPages)
{
    // Every case starts from slots holding "old" and reads one page.
    struct Case {
        const char *name;
        QByteArray page;
        // expected title, label (Editeur) and cover of entries 1..5 ("old" = unchanged)
        QStringList titles, labels, covers;
    };
    auto gen = [](const char *field, int g) {
        QStringList l;
        for (int k = 1; k <= 5; ++k)
            l << nptest::Value(field, g, k);
        return l;
    };
    QStringList coverPaths;
    for (int k = 1; k <= 5; ++k)
        coverPaths << QStringLiteral("/f/covers/C%1.jpg").arg(k);
    const QStringList old5 = {QStringLiteral("old"), QStringLiteral("old"), QStringLiteral("old"),
                              QStringLiteral("old"), QStringLiteral("old")};
    // 100 statements reach entry 5's title (95) but not its label (104).
    QStringList shortLabels = gen("E", 3);
    shortLabels[4] = QStringLiteral("old");
    // Shifted by one: every place holds the statement before it, whose assignment text is not
    // the one removed there.
    QStringList shiftedTitles, shiftedLabels, shiftedCovers;
    for (int k = 1; k <= 5; ++k) {
        shiftedTitles << QStringLiteral("var v%1 = %1").arg(43 + 13 * (k - 1) - 1);
        shiftedLabels << QStringLiteral("parent.sortiePochettes[%1] = S4-%1").arg(k);
        shiftedCovers << QStringLiteral("var v%1 = %1").arg(16 + 2 * k - 1);
    }
    const Case cases[] = {
        {"five entries", nptest::DataPage(2), gen("T", 2), gen("E", 2), coverPaths},
        {"page too short for entry 5's label", nptest::DataPage(3, 0, 100), gen("T", 3), shortLabels, coverPaths},
        {"page shifted by one statement", nptest::DataPage(4, 1), shiftedTitles, shiftedLabels, shiftedCovers},
        {"no statements at all", QByteArray(), old5, old5, old5},
        {"only covers (19 statements)", nptest::DataPage(5, 0, 19), old5, old5,
         {coverPaths[0], QStringLiteral("old"), QStringLiteral("old"), QStringLiteral("old"), QStringLiteral("old")}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TrackTexts texts;
        CoverLabels covers;
        for (int s = 1; s <= 5; ++s) {
            for (int f = 0; f < FieldCount; ++f)
                texts.at(s, static_cast<Field>(f)) = QStringLiteral("old");
            covers.at(s) = QStringLiteral("old");
        }
        ReadDataPage(textfile::fromUtf8OrCp1252(c.page), texts, covers);
        for (int k = 1; k <= 5; ++k) {
            SCOPED_TRACE(k);
            const int slot = 6 - k;
            auto shown = [](const char *prefix, const QString &v) {
                return v == QLatin1String("old") ? v : QLatin1String(prefix) + v;
            };
            EXPECT_EQ(texts.at(slot, Title), shown("Titre : ", c.titles[k - 1]));
            EXPECT_EQ(texts.at(slot, Label), shown("Editeur : ", c.labels[k - 1]));
            EXPECT_EQ(covers.at(k), c.covers[k - 1]);
        }
    }
    // The three other lines of one entry.
    TrackTexts texts;
    CoverLabels covers;
    ReadDataPage(textfile::fromUtf8OrCp1252(nptest::DataPage(7)), texts, covers);
    EXPECT_EQ(texts.at(3, Album), QStringLiteral("Album : A7-3"));
    EXPECT_EQ(texts.at(3, Performer), QStringLiteral("Auteur : P7-3"));
    EXPECT_EQ(texts.at(3, Release), QStringLiteral("Sortie : S7-3"));
    // The newest track as the title journal takes it: slot 5 is entry 1.
    EXPECT_EQ(NewestTrack(texts), QStringLiteral("P7-1 - T7-1"));
    texts.at(5, Performer) = QStringLiteral("Auteur : ");
    EXPECT_EQ(NewestTrack(texts), QStringLiteral("T7-1"));
    texts.at(5, Title) = QStringLiteral("Titre : ");
    EXPECT_EQ(NewestTrack(texts), QString());
    EXPECT_EQ(NewestTrack(TrackTexts{}), QString());
}

TEST(DataPage, ValuesKeepTheirTextCoversAreTrimmedAndAssignmentsMatchTheirEntry)
{
    QStringList s;
    for (int i = 0; i < 110; ++i)
        s << QString();
    // Entry 1's title written for entry 2: the assignment text of entry 1 is not in it.
    s[43] = QStringLiteral("parent.titresPochettes[2] = \"Vu ailleurs\"");
    s[56] = QStringLiteral("parent.titresPochettes[2] = \"L'été, à Noël \"");
    s[18] = QStringLiteral("parent.imagesPochettesSrc[1] =  \"\t/img/a b.jpg \"\r");
    s[20] = QStringLiteral("parent.imagesPochettesSrc[2] = \"\"");
    TrackTexts texts;
    CoverLabels covers;
    ReadDataPage(s.join(QLatin1Char(';')), texts, covers);
    EXPECT_EQ(texts.at(5, Title), QStringLiteral("Titre : parent.titresPochettes[2] = Vu ailleurs"));
    EXPECT_EQ(texts.at(4, Title), QStringLiteral("Titre : L'été, à Noël "));
    EXPECT_EQ(texts.at(4, Album), QStringLiteral("Album : "));
    EXPECT_EQ(covers.at(1), QStringLiteral("/img/a b.jpg"));
    EXPECT_EQ(covers.at(2), QString());
}

TEST(DataPage, DecodingAndCoverAddresses)
{
    EXPECT_EQ(textfile::fromUtf8OrCp1252(QByteArray("\xc3\xa9t\xc3\xa9")), QStringLiteral("été"));
    EXPECT_EQ(textfile::fromUtf8OrCp1252(QByteArray("\xe9t\xe9 \x80")), QStringLiteral("été €"));
    EXPECT_EQ(textfile::fromUtf8OrCp1252(QByteArray()), QString());

    struct Case {
        const char *configured, *info, *label, *address;
    };
    const Case cases[] = {
        {"", "http://data.example:8080/r/d_data.html?a=1", "/img/1.jpg", "http://data.example:8080/img/1.jpg"},
        {"https://covers.example/", "http://data.example/r/d_data.html", "/img/1.jpg", "https://covers.example/img/1.jpg"},
        {"https://covers.example/base", "http://data.example/r/d_data.html", "img/1.jpg",
         "https://covers.example/base/img/1.jpg"},
        {"ftp://covers.example", "http://data.example/d_data.html", "/1.jpg", "http://data.example/1.jpg"},
        {"file:///tmp", "HTTP://user:pw@Data.example/d_data.html", "/1.jpg", "http://data.example/1.jpg"},
        {"", "http://data.example/d_data.html", "https://elsewhere.example/1.jpg", "https://elsewhere.example/1.jpg"},
        {"", "file:///tmp/d_data.html", "/1.jpg", "/1.jpg"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.info);
        const QString base = CoverBase(QString::fromUtf8(c.configured), QString::fromUtf8(c.info));
        EXPECT_EQ(CoverAddress(base, QString::fromUtf8(c.label)), QString::fromUtf8(c.address));
    }
}

// A page with huge values: what is shown is cut to a sane length, marked with "…"; a cover path
// too long to be one gives no cover (a path cut short would name another file).
TEST(DataPage, HugeValuesAreCutAndHugeCoverPathsDropped)
{
    const QString ellipsis = QString(QChar(0x2026));
    const QString emoji = QStringLiteral("\U0001F600");
    const struct {
        const char *what;
        QString title;   // entry 5's title as the page gives it
        QString shown;   // what slot 1 shows after "Titre : "
    } cases[] = {
        {"short", QStringLiteral("Court"), QStringLiteral("Court")},
        {"at the limit", QString(kMaxFieldChars, u'a'), QString(kMaxFieldChars, u'a')},
        {"one past the limit", QString(kMaxFieldChars + 1, u'b'), QString(kMaxFieldChars - 1, u'b') + ellipsis},
        {"four megabytes", QString(4 * 1024 * 1024, u'c'), QString(kMaxFieldChars - 1, u'c') + ellipsis},
        // A character outside the basic plane is never cut in two.
        {"emoji at the cut", QString(kMaxFieldChars - 2, u'd') + emoji + emoji,
         QString(kMaxFieldChars - 2, u'd') + ellipsis},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QStringList s;
        for (int i = 0; i < 110; ++i)
            s << QStringLiteral("var v%1 = %1").arg(i);
        s[43 + 13 * 4] = QStringLiteral("parent.titresPochettes[5] = \"%1\"").arg(c.title);
        s[16 + 2 * 5] = QStringLiteral("parent.imagesPochettesSrc[5] = \"/covers/%1.jpg\"").arg(c.title);
        s[16 + 2 * 4] = QStringLiteral("parent.imagesPochettesSrc[4] = \"/covers/C4.jpg\"");
        TrackTexts texts;
        CoverLabels covers;
        ReadDataPage(s.join(QStringLiteral(";\n")), texts, covers);
        EXPECT_EQ(texts.at(1, Title), QStringLiteral("Titre : ") + c.shown);
        EXPECT_LE(texts.at(1, Title).size(), kMaxFieldChars + 8);
        const QString cover = QStringLiteral("/covers/%1.jpg").arg(c.title);
        EXPECT_EQ(covers.at(5), cover.size() <= kMaxCoverChars ? cover : QString());
        EXPECT_EQ(covers.at(4), QStringLiteral("/covers/C4.jpg"));
    }
}
