#pragma once
// The file-open and file-save dialogs behind two calls whose arguments go in and come back in
// the same record: the chosen path, its file name, the filter pair and index in force, the flags.
//
// Both calls return true when the user confirmed a choice; false after a cancel, a failure or a
// choice too long to be returned (kMaxPath), and then Filename, FileTitle and Filter are empty,
// FilterIndex is −1 and Flags 0. There is no read-only box: ReadOnly comes back as it went in.
// The dialogs are the file choosers of Prompts(): one file at a time (MultiSelect gives one file),
// an existing one for the open dialog. The save dialog asks itself before an existing file is
// replaced (OverWritePrompt), after the default extension has been added.
//
// UI thread only; the dialog is modal over Owner (or over the application without one).
#include "FileDialogRules.h"

#include <QString>

class QWidget;

struct OpenFileArgs {
    QString Filename, FileTitle;
    bool FileMustExist = true;
    bool MultiSelect = false;
    bool ReadOnly = false;
    bool HideReadOnly = false;
    QString Filter;
    int FilterIndex = 1;
    QString InitDir, DlgTitle, DefaultExt;
    QWidget *Owner = nullptr;
    uint32_t Flags = 0;
};

struct SaveFileArgs {
    QString Filename, FileTitle;
    bool OverWritePrompt = true;
    QString Filter;
    int FilterIndex = 1;
    QString InitDir, DlgTitle, DefaultExt;
    QWidget *Owner = nullptr;
    uint32_t Flags = 0;
};

class cCommonDialog {
public:
    bool VBGetOpenFileName(OpenFileArgs &a);
    bool VBGetSaveFileName(SaveFileArgs &a);
};
