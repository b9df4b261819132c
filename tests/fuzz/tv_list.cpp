// A TV list file of any content, read as the player and the list editor read it, then written
// and read again.
#include "tv/TvList.h"
#include "tv/TvListEditor.h"
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = fuzz::WriteFile(QStringLiteral("input.TV"), data, size);
    TvList list;
    const TvListRead result = ReadTvList(path, list);
    fuzz::Check(result != TvListRead::CannotOpen, "a written file opens");
    fuzz::Check(list.names.size() == list.links.size(), "names and addresses pair up");

    TvListEditor editor;
    editor.open(path);
    fuzz::Check(editor.list() == list, "the editor reads what the player reads");

    // What was read is written and read back the same (a CR alone inside a line stays in the
    // value as read, and the writer refuses line breaks).
    const bool breaks = (list.names + list.links).join(QString()).contains(QLatin1Char('\r'));
    if (result == TvListRead::Ok && !breaks) {
        const QString copy = fuzz::Folder() + QStringLiteral("/copy.TV");
        fuzz::Check(WriteTvList(copy, list), "what was read can be written");
        TvList back;
        fuzz::Check(ReadTvList(copy, back) == TvListRead::Ok && back == list, "what was written reads back");
    }
    return 0;
}
