#include "TvListEditor.h"

#include <QDir>
#include <QFileInfo>

QString TvListEditor::caption() const
{
    if (m_path.isEmpty())
        return QStringLiteral("Création - Suppression");
    return QStringLiteral("Création - Suppression : ") + m_path;
}

bool TvListEditor::loadDefault(const QString &programFolder)
{
    const QString path = QDir(programFolder).filePath(QString::fromLatin1(DefaultTvListName));
    if (!QFileInfo(path).isFile())
        return false;
    open(path);
    return true;
}

QString TvListEditor::newListPath(const QString &programFolder, const QString &name)
{
    if (name.trimmed().isEmpty())
        return QString();
    return QDir(programFolder).filePath(name + QStringLiteral(".TV"));
}

void TvListEditor::startNew(const QString &path)
{
    m_path = path;
    m_list.clear();
    m_edited = 0;
}

TvListRead TvListEditor::open(const QString &path)
{
    m_path = path;
    m_list.clear();
    m_edited = 0;
    return ReadTvList(path, m_list);
}

bool TvListEditor::save() const { return WriteTvList(m_path, m_list); }

void TvListEditor::setEditingButtons(bool on)
{
    m_buttons.editer = on;
    m_buttons.supprimer = on;
    m_buttons.command8 = on;
    m_buttons.monter = on;
    m_buttons.descendre = on;
    m_buttons.enregistrer = on;
    m_buttons.fermer = on;
}

void TvListEditor::beginAdd()
{
    m_adding = true;
    m_buttons.appliquer = true;
    setEditingButtons(false);
}

bool TvListEditor::applyAdd(const QString &name, const QString &link)
{
    const bool append = !name.isEmpty() && !link.isEmpty();
    if (append)
        m_list.append(name, link);
    m_adding = false;
    m_buttons.appliquer = false;
    setEditingButtons(true);
    return append;
}

bool TvListEditor::edit(int selected, QString &name, QString &link)
{
    if (selected < 0 || selected >= m_list.size())
        return false;
    name = m_list.names[selected];
    link = m_list.links[selected];
    m_edited = selected;
    return true;
}

bool TvListEditor::applyEdit(const QString &name, const QString &link, bool confirmed)
{
    bool replaced = false;
    if (confirmed && editNeedsQuestion(name, link) && m_edited >= 0 && m_edited < m_list.size()) {
        m_list.names[m_edited] = name;
        m_list.links[m_edited] = link;
        replaced = true;
    }
    m_buttons.appliquer = false;
    m_buttons.editer = true;
    m_buttons.supprimer = true;
    return replaced;
}

bool TvListEditor::remove(int selected)
{
    if (selected < 0 || selected >= m_list.size())
        return false;
    m_list.names.removeAt(selected);
    m_list.links.removeAt(selected);
    if (m_edited == selected)
        m_edited = -1;
    else if (m_edited > selected)
        --m_edited;
    m_buttons.editer = false;
    return true;
}

int TvListEditor::moveUp(int selected)
{
    if (selected <= 0 || selected >= m_list.size())
        return -1;
    m_list.names.move(selected, selected - 1);
    m_list.links.move(selected, selected - 1);
    if (m_edited == selected)
        m_edited = selected - 1;
    else if (m_edited == selected - 1)
        m_edited = selected;
    return selected - 1;
}

int TvListEditor::moveDown(int selected)
{
    if (selected < 0 || selected + 1 >= m_list.size())
        return -1;
    m_list.names.move(selected, selected + 1);
    m_list.links.move(selected, selected + 1);
    if (m_edited == selected)
        m_edited = selected + 1;
    else if (m_edited == selected + 1)
        m_edited = selected;
    return selected + 1;
}

void TvListEditor::selectionChanged(int selected) { m_buttons.editer = selected >= 0; }

void TvListEditor::linkChanged(const QString &link)
{
    // While a test plays, its button is the only way to stop it: it stays enabled.
    m_buttons.tester = m_testing || !link.isEmpty();
    m_linkEmpty = link.isEmpty();
}

void TvListEditor::startTest()
{
    m_testing = true;
    m_adding = false;
    m_buttons.tester = true;
    m_buttons.appliquer = false;
    m_buttons.ajouter = false;
    m_buttons.nouveau = false;
    m_buttons.ovrLst = false;
    setEditingButtons(false);
}

void TvListEditor::stopTest()
{
    m_testing = false;
    m_buttons.ajouter = true;
    m_buttons.nouveau = true;
    m_buttons.ovrLst = true;
    m_buttons.tester = !m_linkEmpty;
    setEditingButtons(true);
}
