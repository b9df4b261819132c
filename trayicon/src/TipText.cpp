#include "TipText.h"

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

} // namespace

void FillTip(const QString &text, char (&szTip)[64])
{
    std::memset(szTip, 0, sizeof szTip);
    std::size_t n = 0;
    for (qsizetype i = 0; i < text.size() && n < sizeof szTip - 1; ++i) {
        char32_t c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            ++i;
        }
        szTip[n++] = ToByte(c);
    }
}

QString TipText(const char (&szTip)[64])
{
    QString text;
    for (const char b : szTip) {
        const auto u = static_cast<unsigned char>(b);
        if (u == 0)
            break;
        text += (u >= 0x80 && u < 0xA0) ? QChar(High[u - 0x80]) : QChar(u);
    }
    return text;
}

} // namespace nimbrel::detail
