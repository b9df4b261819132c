// The Windows-1252 codec and the line reader on any bytes and any text: what decodes encodes
// back to the same text, text the code page holds survives a round trip, and the lines of a file
// hold no line feed; a list line keeps any text whole in bytes the code page holds.
#include "common/TextFile.h"
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::Bytes(data, size);

    const QString decoded = textfile::fromCp1252(bytes);
    fuzz::Check(decoded.size() == bytes.size(), "one character per byte");
    const QByteArray encoded = textfile::toCp1252(decoded);
    fuzz::Check(encoded.size() == decoded.size(), "one byte per character");
    fuzz::Check(textfile::fromCp1252(encoded) == decoded, "decoded text encodes back");

    // The bytes as UTF-16 text (any code units, lone surrogates included).
    const QString text = QString(reinterpret_cast<const QChar *>(bytes.constData()), bytes.size() / 2);
    const qsizetype bad = textfile::firstNonCp1252(text);
    const QString back = textfile::fromCp1252(textfile::toCp1252(text));
    if (bad < 0)
        fuzz::Check(back == text, "text the code page holds survives");
    else
        fuzz::Check(bad < text.size() && back.left(bad) == text.left(bad),
                    "text before the first character the code page lacks survives");

    const QString listLine = textfile::toListLine(text);
    fuzz::Check(textfile::firstNonCp1252(listLine) < 0, "a list line fits the code page");
    bool lone = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else
            lone = lone || text[i].isSurrogate();
    }
    if (!lone)
        fuzz::Check(textfile::fromListLine(listLine) == text, "a list line reads back as the text");
    fuzz::Check(textfile::fromListLine(textfile::toListLine(decoded)) == decoded, "any decoded line survives");

    QStringList lines;
    fuzz::Check(textfile::readLines(fuzz::WriteFile(QStringLiteral("input.txt"), data, size), lines),
                "a written file reads");
    for (const QString &line : lines)
        fuzz::Check(!line.contains(QLatin1Char('\n')), "a line holds no line feed");
    return 0;
}
