#pragma once
// A small, lenient reader of the start and end tags of HTML pages and ASX lists. It is not a
// full HTML parser: it finds tags and their attributes the way hand-written pages use them
// (any letter case, values in double quotes, single quotes or no quotes, spaces around "="),
// skips comments, and never fails: whatever it cannot read as a tag is ordinary text.
#include <QList>
#include <QString>
#include <QStringView>

namespace tavhtml {

struct Attribute {
    QString name;  // lower case
    QString value; // character references decoded
};

struct Tag {
    QString name;       // lower case, without the "/" of an end tag
    bool closing = false;
    QList<Attribute> attributes;
    qsizetype begin = 0; // offset of "<"
    qsizetype end = 0;   // offset just past ">"

    // The value of the attribute called name (given in lower case); empty when absent.
    QString attribute(QStringView name) const;
    bool hasAttribute(QStringView name) const;
};

// Every tag of text in order, comments and declarations ("<!...>", "<?...?>") left out.
QList<Tag> scanTags(QStringView text);

// Replaces the character references &amp; &lt; &gt; &quot; &apos; &#NN; &#xNN; by their
// characters; anything else is left as it is.
QString decodeEntities(QStringView text);

} // namespace tavhtml
