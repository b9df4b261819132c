#pragma once
// Favourite radios: the file "Favoris.lst" of the program folder (one display name a line,
// Windows-1252 with references for what it cannot hold (textfile::toListLine), CR LF), the rule that turns its lines into the twenty menu entries, the page a
// favourite names, and the editing rules of the favourites manager.
#include <QString>
#include <QStringList>
#include <array>

namespace favourites {

inline constexpr int kMenuEntries = 20;

// Program folder + "Favoris.lst".
QString FilePath();
// The file's lines; empty when it is missing or unreadable.
QStringList Read();
// Rewrites the whole file, one line per favourite with CR LF. False when the file could not be
// written completely; the previous file is then left as it was.
bool Save(const QStringList &lines);

// "Liste des Favoris : 7/20 Maxi".
QString CountText(qsizetype count);

struct MenuEntry {
    QString caption;
    bool visible = false;
};
using Menu = std::array<MenuEntry, kMenuEntries>;
// The entries as created: captions "FAV0" to "FAV19", all hidden.
Menu InitialMenu();
// Rebuilds the entries from the lines: positions 0 up to and including the one past the last
// line (which reads as empty) take their line as caption and are shown when it is not empty;
// positions of 20 and more are skipped; the entries further on keep their state.
void RebuildMenu(const QStringList &lines, Menu &menu);

// The page a favourite names: the radio folder + caption + ".HTM", found whatever the letter
// case of the file on disk.
QString PagePath(const QString &radioFolder, const QString &caption);

// Display names the manager offers: the pages of the radio folder, pop-up pages left out.
QStringList AvailableStations(const QString &radioFolder);

// The favourites being edited in the manager and the state of its buttons.
class Editor {
public:
    // Opening: the list as read, add enabled, remove disabled, nothing selected.
    void Open(const QStringList &lines);

    // Appends the selected station names (no check for duplicates), then re-evaluates both
    // buttons: remove enabled with at least one favourite, add enabled below twenty.
    void Add(const QStringList &selectedStations);
    // Removes the entry at index when there is one; remove enabled while entries remain. The add
    // button keeps its state.
    void Remove(int index);
    // Empties the list; remove disabled; the add button keeps its state.
    void Clear();
    // Moves the entry at index one place up / down and selects it there. At the ends, or with no
    // valid index, nothing changes. Returns the index selected afterwards (-1 for an invalid one).
    int MoveUp(int index);
    int MoveDown(int index);
    // A click in the favourites list: remove enabled when the list is not empty.
    void ClickList();

    const QStringList &Lines() const { return m_lines; }
    int Selected() const { return m_selected; }
    bool AddEnabled() const { return m_add; }
    bool RemoveEnabled() const { return m_remove; }
    QString Count() const { return CountText(m_lines.size()); }

private:
    QStringList m_lines;
    int m_selected = -1;
    bool m_add = true;
    bool m_remove = false;
};

} // namespace favourites
