// A favourites file of any content: read, turned into the menu entries, opened in the manager,
// and each line looked up as a station page.
#include "app/Favourites.h"
#include "core/Globals.h"
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    SetProgramFolder(fuzz::Folder());
    fuzz::WriteFile(QStringLiteral("Favoris.lst"), data, size);
    const QStringList lines = favourites::Read();

    favourites::Menu menu = favourites::InitialMenu();
    favourites::RebuildMenu(lines, menu);
    for (qsizetype i = 0; i < favourites::kMenuEntries && i < lines.size(); ++i) {
        fuzz::Check(menu[size_t(i)].caption == lines[i], "an entry shows its line");
        favourites::PagePath(fuzz::Folder(), lines[i]);
    }

    favourites::Editor editor;
    editor.Open(lines);
    const int n = int(lines.size());
    editor.MoveDown(n / 2);
    editor.MoveUp(n - 1);
    editor.Remove(n / 3);
    editor.ClickList();
    editor.Count();
    return 0;
}
