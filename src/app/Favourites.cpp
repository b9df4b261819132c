#include "Favourites.h"

#include "common/TextFile.h"
#include "core/Globals.h"
#include "core/Paths.h"
#include "StationList.h"

namespace favourites {

QString FilePath() { return WithBackslash(ProgramFolder()) + QStringLiteral("Favoris.lst"); }

QStringList Read()
{
    QStringList lines;
    const QString path = FilePath();
    if (FileExists(path) && !textfile::readListLines(path, lines))
        lines.clear();
    return lines;
}

bool Save(const QStringList &lines) { return textfile::writeListLines(FilePath(), lines); }

QString CountText(qsizetype count)
{
    // The count as its text form with a leading space for a non-negative number.
    return QStringLiteral("Liste des Favoris :") + (count >= 0 ? QStringLiteral(" ") : QString()) +
           QString::number(count) + QStringLiteral("/20 Maxi");
}

Menu InitialMenu()
{
    Menu m;
    for (int i = 0; i < kMenuEntries; ++i)
        m[i] = {QStringLiteral("FAV%1").arg(i), false};
    return m;
}

void RebuildMenu(const QStringList &lines, Menu &menu)
{
    for (qsizetype i = 0; i <= lines.size(); ++i) {
        if (i >= kMenuEntries)
            break;
        const QString line = i < lines.size() ? lines[i] : QString();
        menu[i].caption = line;
        menu[i].visible = !line.isEmpty();
    }
}

QString PagePath(const QString &radioFolder, const QString &caption)
{
    return ResolveNoCase(WithBackslash(radioFolder) + caption + QStringLiteral(".HTM"));
}

QStringList AvailableStations(const QString &radioFolder)
{
    QStringList names;
    for (const StationEntry &e : ListStations(WithBackslash(radioFolder)))
        names.append(e.displayName);
    return names;
}

void Editor::Open(const QStringList &lines)
{
    m_lines = lines;
    m_selected = -1;
    m_add = true;
    m_remove = false;
}

void Editor::Add(const QStringList &selectedStations)
{
    m_lines.append(selectedStations);
    m_remove = !m_lines.isEmpty();
    m_add = m_lines.size() < kMenuEntries;
}

void Editor::Remove(int index)
{
    if (index >= 0 && index < m_lines.size())
        m_lines.removeAt(index);
    m_selected = -1;
    m_remove = !m_lines.isEmpty();
}

void Editor::Clear()
{
    m_lines.clear();
    m_selected = -1;
    m_remove = false;
}

int Editor::MoveUp(int index)
{
    const bool valid = index >= 0 && index < m_lines.size();
    if (valid && index > 0) {
        m_lines.move(index, index - 1);
        --index;
    }
    m_selected = valid ? index : -1;
    return m_selected;
}

int Editor::MoveDown(int index)
{
    const bool valid = index >= 0 && index < m_lines.size();
    if (valid && index + 1 < m_lines.size()) {
        m_lines.move(index, index + 1);
        ++index;
    }
    m_selected = valid ? index : -1;
    return m_selected;
}

void Editor::ClickList() { m_remove = !m_lines.isEmpty(); }

} // namespace favourites
