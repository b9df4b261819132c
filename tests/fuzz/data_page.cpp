// The now-playing pages on any bytes: the redirection page, the data page's tracks and covers,
// the values shown cut to their bound.
#include "common/TextFile.h"
#include "nowplaying/DataPage.h"
#include "FuzzInput.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString page = textfile::fromUtf8OrCp1252(fuzz::Bytes(data, size));
    const QString info = QStringLiteral("http://radio.example/info/d_data.html");

    const QString target = nowplaying::RedirectionTarget(page);
    nowplaying::SecondAddress(info, target);

    nowplaying::TrackTexts texts;
    nowplaying::CoverLabels covers;
    nowplaying::ReadDataPage(page, texts, covers);
    // What the window shows stays short, whatever the page holds.
    for (const auto &row : texts.rows)
        for (const QString &text : row)
            if (text.size() > nowplaying::kMaxFieldChars + 16)
                abort();
    for (const QString &cover : covers.entry)
        if (cover.size() > nowplaying::kMaxCoverChars)
            abort();
    const QString base = nowplaying::CoverBase(page.left(page.indexOf(QLatin1Char(';'))), info);
    for (int k = 1; k <= nowplaying::kSlots; ++k)
        nowplaying::CoverAddress(base, covers.at(k));
    return 0;
}
