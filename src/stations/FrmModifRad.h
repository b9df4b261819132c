#pragma once
// The station page editor window ("Modifier une radio "): any page of the radio folder edited as
// raw text, saved back, tried in the window's own page view, or deleted. Opened modally; every
// opening starts with no page loaded. Saving and testing use the page last loaded or deleted,
// not the current selection of the list.
#include "PageWindowState.h"

#include "PagePreviewDialog.h"

class QLabel;
class QListWidget;
class QPushButton;

class FrmModifRad : public PagePreviewDialog {
    Q_OBJECT
public:
    // main: as for the generator window (FrmRadPerso.h).
    explicit FrmModifRad(MainLink &main, QWidget *parent = nullptr);
    ~FrmModifRad() override;

    // The state of a fresh opening: no page, the radio folder listed.
    void Form_Load() override;

    void Command1_Click(); // "Editer"
    void Command3_Click(); // "Enregistrer"
    void Command4_Click(); // "Tester"
    void Command5_Click(); // "STOP"
    void Command6_Click(); // "Supprimer"
    void Command2_Click(); // "Fermer"

    // The page being edited (full path), empty before the first "Editer" or "Supprimer".
    QString PagePath() const { return m_pagePath; }
    const stations::EditorState &State() const { return m_state; }

    QListWidget *File1 = nullptr;
    QLabel *Label2 = nullptr;
    QPushButton *Command1 = nullptr, *Command2 = nullptr, *Command3 = nullptr, *Command4 = nullptr,
                *Command5 = nullptr, *Command6 = nullptr;

protected:
    QString PreviewPageName() const override;

private:
    void applyState();
    void readFolder();
    QString selectedPath() const;

    stations::EditorState m_state;
    QString m_pagePath;
};
