#pragma once
// Which controls of the generator and editor windows are enabled or shown, step by step. The
// windows apply these states to their widgets after every step. QtCore only.
#include <QString>

namespace stations {

// The generator window ("Création de radio perso").
struct GeneratorState {
    bool generate = false; // "Générer le fichier HTML": the name holds at least one character
    bool save = false;     // "Enregistrer": after the first generation
    bool test = false;     // "Tester le fichier": after the first successful save
    bool logo = false;     // logo name, logo list and "Appliquer le logo": the logo switch is on
    bool preview = false;  // preview browser and "STOP" shown instead of the text

    void NameChanged(const QString &name) { generate = !name.isEmpty(); }
    void LogoSwitched(bool on) { logo = on; }
    void Generated() { save = true; }
    void Saved() { test = true; }
    void PreviewShown() { preview = true; }
    void PreviewLeft() { preview = false; }
};

// The editor window ("Modifier une radio ").
struct EditorState {
    bool edit = true;      // "Editer"
    bool save = false;     // "Enregistrer"
    bool test = false;     // "Tester"
    bool stop = false;     // "STOP"
    bool close = true;     // "Fermer"
    bool fileList = true;  // the radio list
    bool preview = false;  // preview browser shown instead of the text

    // The text box changed: "Enregistrer" and "Tester" follow whether it holds text.
    void TextChanged(bool hasText) { save = test = hasText; }
    // "Tester": browser and "STOP" on; "Enregistrer", "Editer", "Fermer" and the list off.
    void PreviewShown() { setPreview(true); }
    // "STOP": the reverse.
    void PreviewLeft() { setPreview(false); }

private:
    void setPreview(bool on)
    {
        preview = stop = on;
        save = edit = close = fileList = !on;
    }
};

} // namespace stations
