// A title journal file of any content: read, written back, read again to the same titles, and
// searched with its own bytes as the search text.
#include "desktop/TitleJournal.h"
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::Bytes(data, size);
    const QList<journal::Entry> entries = journal::ParseCsv(bytes);
    fuzz::Check(journal::ParseCsv(journal::CsvText(entries)) == entries, "what is written back reads the same");
    journal::Search search;
    search.SetEntries(entries);
    const std::vector<int> kept = search.Filter(QString::fromUtf8(bytes.left(64)));
    fuzz::Check(kept.size() <= std::size_t(entries.size()), "a search keeps at most every entry");
    return 0;
}
