// The directory's search answer on any bytes: every station kept holds only web addresses and a
// name that is a safe file name once cleaned, and the page made of it reads back with the player
// reader without a crash.
#include "directory/DirectoryStation.h"
#include "media/StationPage.h"
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const directory::SearchAnswer answer = directory::ParseSearchAnswer(fuzz::Bytes(data, size));
    fuzz::Check(answer.stations.size() <= directory::kMaxEntries, "at most the entries read");
    for (const directory::DirectoryStation &s : answer.stations) {
        fuzz::Check(directory::IsWebAddress(s.stream), "a kept station has a web stream");
        fuzz::Check(s.homepage.isEmpty() || directory::IsWebAddress(s.homepage), "home page is web");
        fuzz::Check(s.favicon.isEmpty() || directory::IsWebAddress(s.favicon), "logo is web");
        const QString file = directory::CleanFileName(s.name);
        fuzz::Check(!file.contains(QLatin1Char('/')) && !file.contains(QLatin1Char('\\')) &&
                        !file.startsWith(QLatin1Char('.')),
                    "a cleaned name stays in its folder");
        directory::DescriptionOf(s);
        stations::GeneratePage(directory::PageFieldsFor(s, directory::LogoFileName(file, QStringLiteral("jpg"))));
        directory::EscapeHtml(s.name);
    }
    return 0;
}
