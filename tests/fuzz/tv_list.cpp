// A TV list file of any content, read as the player and the list editor read it.
#include "FuzzInput.h"
#include "TvList.h"
#include "TvListEditor.h"

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
    return 0;
}
