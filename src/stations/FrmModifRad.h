#pragma once
// The station page editor window ("Modifier une radio "): any page of the radio folder edited as
// raw text, saved back, tried in the window's own page view, or deleted. Opened modally; every
// opening starts with no page loaded. Saving and testing use the page last loaded or deleted,
// not the current selection of the list.
#include "PageWindowState.h"

#include <QDialog>

class MainLink;
class MediaEngine;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class WebBrowser;

class FrmModifRad : public QDialog {
    Q_OBJECT
public:
    // main: as for the generator window (FrmRadPerso.h).
    explicit FrmModifRad(MainLink &main, QWidget *parent = nullptr);
    ~FrmModifRad() override;

    // The state of a fresh opening: no page, the radio folder listed.
    void Form_Load();

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
    QPlainTextEdit *TextHTML = nullptr;
    WebBrowser *WebBrowser1 = nullptr;
    QPushButton *Command1 = nullptr, *Command2 = nullptr, *Command3 = nullptr, *Command4 = nullptr,
                *Command5 = nullptr, *Command6 = nullptr;

protected:
    void showEvent(QShowEvent *e) override;
    void done(int result) override;

private:
    void applyState();
    void readFolder();
    QString selectedPath() const;
    void onBeforeNavigate(const QString &url, bool &cancel);

    stations::EditorState m_state;
    MainLink &m_main;
    MediaEngine *m_engine = nullptr;
    QString m_pagePath;
    bool m_fresh = true;
};
