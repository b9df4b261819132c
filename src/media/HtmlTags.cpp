#include "HtmlTags.h"

namespace tavhtml {

namespace {

bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'-' || c == u'_' || c == u':' || c == u'.';
}

bool isSpace(QChar c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f'; }

} // namespace

QString Tag::attribute(QStringView wanted) const
{
    for (const Attribute &a : attributes)
        if (a.name == wanted)
            return a.value;
    return {};
}

bool Tag::hasAttribute(QStringView wanted) const
{
    for (const Attribute &a : attributes)
        if (a.name == wanted)
            return true;
    return false;
}

QString decodeEntities(QStringView text)
{
    if (!text.contains(u'&'))
        return text.toString();
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text[i];
        if (c != u'&') {
            out += c;
            ++i;
            continue;
        }
        // A reference ends with ";" within 10 characters: look no further (a long run of "&"
        // without any ";" stays linear).
        const qsizetype semi = text.mid(i + 1, 10).indexOf(u';');
        if (semi < 0) {
            out += c;
            ++i;
            continue;
        }
        const QStringView ref = text.mid(i + 1, semi);
        char32_t code = 0;
        if (ref.compare(u"amp", Qt::CaseInsensitive) == 0)
            code = U'&';
        else if (ref.compare(u"lt", Qt::CaseInsensitive) == 0)
            code = U'<';
        else if (ref.compare(u"gt", Qt::CaseInsensitive) == 0)
            code = U'>';
        else if (ref.compare(u"quot", Qt::CaseInsensitive) == 0)
            code = U'"';
        else if (ref.compare(u"apos", Qt::CaseInsensitive) == 0)
            code = U'\'';
        else if (ref.startsWith(u'#') && ref.size() > 1) {
            bool ok = false;
            const uint v = (ref[1] == u'x' || ref[1] == u'X') ? ref.mid(2).toUInt(&ok, 16)
                                                               : ref.mid(1).toUInt(&ok, 10);
            if (ok && v > 0 && v <= 0x10FFFF && (v < 0xD800 || v > 0xDFFF))
                code = v;
        }
        if (code == 0) {
            out += c;
            ++i;
            continue;
        }
        out += QString::fromUcs4(&code, 1);
        i += semi + 2;
    }
    return out;
}

QList<Tag> scanTags(QStringView text)
{
    QList<Tag> tags;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const qsizetype lt = text.indexOf(u'<', i);
        if (lt < 0 || lt + 1 >= n)
            break;
        i = lt + 1;
        if (text.mid(lt, 4) == u"<!--") {
            const qsizetype close = text.indexOf(u"-->", lt + 4);
            i = close < 0 ? n : close + 3;
            continue;
        }
        if (text[i] == u'!' || text[i] == u'?') {
            const qsizetype close = text.indexOf(u'>', i);
            i = close < 0 ? n : close + 1;
            continue;
        }
        Tag tag;
        tag.begin = lt;
        if (text[i] == u'/') {
            tag.closing = true;
            ++i;
        }
        const qsizetype nameStart = i;
        while (i < n && isNameChar(text[i]))
            ++i;
        if (i == nameStart || !text[nameStart].isLetter()) {
            i = nameStart; // a lone "<" in text
            continue;
        }
        tag.name = text.mid(nameStart, i - nameStart).toString().toLower();
        // Attributes up to the closing ">"; a quoted value may hold ">".
        while (i < n && text[i] != u'>') {
            if (isSpace(text[i]) || text[i] == u'/') {
                ++i;
                continue;
            }
            const qsizetype attrStart = i;
            while (i < n && !isSpace(text[i]) && text[i] != u'=' && text[i] != u'>'
                   && text[i] != u'/')
                ++i;
            if (i == attrStart) { // a stray "=" or quote
                ++i;
                continue;
            }
            Attribute attr;
            attr.name = text.mid(attrStart, i - attrStart).toString().toLower();
            qsizetype j = i;
            while (j < n && isSpace(text[j]))
                ++j;
            if (j < n && text[j] == u'=') {
                ++j;
                while (j < n && isSpace(text[j]))
                    ++j;
                if (j < n && (text[j] == u'"' || text[j] == u'\'')) {
                    const QChar quote = text[j];
                    const qsizetype close = text.indexOf(quote, j + 1);
                    const qsizetype stop = close < 0 ? n : close;
                    attr.value = decodeEntities(text.mid(j + 1, stop - j - 1));
                    i = close < 0 ? n : close + 1;
                } else {
                    const qsizetype valueStart = j;
                    while (j < n && !isSpace(text[j]) && text[j] != u'>')
                        ++j;
                    attr.value = decodeEntities(text.mid(valueStart, j - valueStart));
                    i = j;
                }
            }
            tag.attributes.append(std::move(attr));
        }
        tag.end = i < n ? i + 1 : n;
        i = tag.end;
        tags.append(std::move(tag));
    }
    return tags;
}

} // namespace tavhtml
