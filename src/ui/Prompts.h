#pragma once
// Every message box, Yes/No question, file or folder chooser and input box of the windows goes
// through one provider, so that tests can read what a window says and answer what it asks.
// The program's provider shows Qt's dialogs (their buttons in French); tests install their own
// (tests/support/FakePrompts.h).
//
// Threading: UI thread only. The calls are modal where the dialog they stand for is.
#include <QString>

class QWidget;

class UiPrompts {
public:
    enum class Icon { None, Information, Exclamation, Critical };

    virtual ~UiPrompts() = default;

    // A message with an OK button.
    virtual void Message(QWidget *owner, const QString &title, const QString &text, Icon icon);
    // A question with Yes and No buttons; true for Yes.
    virtual bool AskYesNo(QWidget *owner, const QString &title, const QString &text);
    // A file to open / to save, or an empty text when the user cancels. filter is in Qt's form
    // ("Fichiers WAV (*.wav);;Tous (*)"); selectedFilter receives the filter of the choice.
    virtual QString OpenFileName(QWidget *owner, const QString &title, const QString &folder,
                                 const QString &filter, QString *selectedFilter = nullptr);
    virtual QString SaveFileName(QWidget *owner, const QString &title, const QString &path,
                                 const QString &filter, QString *selectedFilter = nullptr);
    // An existing folder, or an empty text when the user cancels.
    virtual QString FolderName(QWidget *owner, const QString &title, const QString &folder);
    // A line of text; ok is false (and the result empty) when the user cancels.
    virtual QString InputText(QWidget *owner, const QString &title, const QString &label,
                              const QString &initial, bool *ok);
};

// The provider in use; SetPrompts(nullptr) goes back to the program's own.
UiPrompts &Prompts();
void SetPrompts(UiPrompts *prompts);
