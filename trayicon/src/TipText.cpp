#include "TipText.h"

#include <QTextBoundaryFinder>
#include <array>
#include <cstring>

namespace nimbrel::detail {
namespace {

// Characters of bytes 0x80..0x9F; the five bytes Windows-1252 leaves unassigned stand for the
// control character of the same number.
constexpr std::array<char16_t, 32> High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char ToByte(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(static_cast<unsigned char>(c));
    for (std::size_t i = 0; i < High.size(); ++i)
        if (High[i] == c)
            return static_cast<char>(0x80 + i);
    return '?';
}

// A character of several code points (a letter and its accents): its composed form when that is
// one code point Windows-1252 holds, else '?'.
char ToByteComposed(const QString &character)
{
    const QString composed = character.normalized(QString::NormalizationForm_C);
    return composed.size() == 1 ? ToByte(composed.at(0).unicode()) : '?';
}

} // namespace

QString TipText(const QString &text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int characters = 0;
    qsizetype end = 0;
    while (characters < TipCharacters) {
        const qsizetype next = finder.toNextBoundary();
        if (next < 0)
            return text;
        end = next;
        ++characters;
    }
    return text.left(end);
}

void FillTip(const QString &tip, char (&szTip)[64])
{
    std::memset(szTip, 0, sizeof szTip);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, tip);
    std::size_t n = 0;
    qsizetype start = 0;
    while (n < sizeof szTip - 1) {
        const qsizetype next = finder.toNextBoundary();
        if (next < 0)
            break;
        // One byte per character: its Windows-1252 byte, or '?'.
        char32_t c = tip.at(start).unicode();
        if (QChar::isHighSurrogate(c) && start + 1 < next)
            c = QChar::surrogateToUcs4(tip.at(start), tip.at(start + 1));
        const bool single = next - start == (c > 0xFFFF ? 2 : 1);
        szTip[n++] = single ? ToByte(c) : ToByteComposed(tip.mid(start, next - start));
        start = next;
    }
}

} // namespace nimbrel::detail
