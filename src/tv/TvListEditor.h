#pragma once
// The TV list editor's rules apart from its widgets: the list being edited, the file it is saved
// to, the channel being edited, and which buttons are enabled through the adding and testing
// modes. The window asks the questions and shows the messages; this class changes the state.
#include "TvList.h"

#include <QString>

class TvListEditor {
public:
    // Enabled state of each button.
    struct Buttons {
        bool nouveau = true;     // Command11 "Nouveau"
        bool ovrLst = true;      // open a list
        bool enregistrer = true; // Command7
        bool ajouter = true;     // Command2
        bool appliquer = false;  // Command4 "Appliquer..."
        bool editer = false;     // Command5
        bool command8 = true;    // apply the modification
        bool supprimer = true;   // Command3
        bool monter = true;      // Command9
        bool descendre = true;   // Command10
        bool tester = false;     // Command6 "Tester" / "STOP"
        bool aide = true;        // Command12 "?"
        bool fermer = true;      // Command1
        friend bool operator==(const Buttons &, const Buttons &) = default;
    };

    const TvList &list() const { return m_list; }
    const QString &path() const { return m_path; }
    // Position of the channel "Editer" loaded last (0 before any), or -1 once that channel was
    // deleted. It follows the channel when channels move or earlier ones are deleted.
    int editedIndex() const { return m_edited; }
    const Buttons &buttons() const { return m_buttons; }
    bool adding() const { return m_adding; }
    bool testing() const { return m_testing; }
    // "Création - Suppression", then " : " and the list path once there is one.
    QString caption() const;

    // The default list of programFolder when it exists; true when it was found (the entries
    // read before a fault in the file are kept).
    bool loadDefault(const QString &programFolder);
    // Path of a new list named name ("Nouveau"); empty when name is blank. Blanks inside and
    // around the name are kept.
    static QString newListPath(const QString &programFolder, const QString &name);
    // Starts a new, empty list saved later to path.
    void startNew(const QString &path);
    // Reads another list ("open"): the path becomes the list path and the list is replaced by
    // what the file holds (the entries before a fault included).
    TvListRead open(const QString &path);
    // "Enregistrer".
    bool save() const;

    // "Ajouter": starts the adding mode.
    void beginAdd();
    // "Appliquer...": appends the channel when both fields hold text; ends the adding mode.
    // True when the channel was appended.
    bool applyAdd(const QString &name, const QString &link);
    // "Editer": the channel at selected, copied into name and link. False with no selection.
    bool edit(int selected, QString &name, QString &link);
    // Command8 after the question was answered: replaces the edited channel when the answer was
    // yes and both fields hold text; always restores "Editer" and "Supprimer". False when nothing
    // was replaced (no channel at the edited position included).
    bool applyEdit(const QString &name, const QString &link, bool confirmed);
    // Whether Command8 asks its question at all (both fields hold text).
    static bool editNeedsQuestion(const QString &name, const QString &link)
    {
        return !name.isEmpty() && !link.isEmpty();
    }
    // "Supprimer" after its question: removes the channel at selected. False with no channel.
    bool remove(int selected);
    // "Monter" / "Descendre": the channel's new position, or -1 when nothing moved.
    int moveUp(int selected);
    int moveDown(int selected);

    // A channel selected (or none: -1) in the name list.
    void selectionChanged(int selected);
    // The address field changed.
    void linkChanged(const QString &link);
    // "Tester" and "STOP".
    void startTest();
    void stopTest();

private:
    void setEditingButtons(bool on);

    TvList m_list;
    QString m_path;
    int m_edited = 0;
    bool m_adding = false;
    bool m_testing = false;
    bool m_linkEmpty = true;
    Buttons m_buttons;
};
