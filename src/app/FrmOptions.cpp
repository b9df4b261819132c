#include "FrmOptions.h"

#include "core/Globals.h"
#include "core/Settings.h"
#include "media/TimeShift.h"
#include "ui/PictureButton.h"
#include "ui/Prompts.h"
#include "Autostart.h"
#include "ListeningPrefs.h"
#include "Module1.h"
#include "Options.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QScopedValueRollback>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The look of the window's picture buttons.
const ui::ButtonLook kButtons{.iconSize = 20, .minimumSize = QSize(30, 28)};

} // namespace

FrmOptions::FrmOptions(OptionsLink link, QWidget *parent)
    : QDialog(parent), programPath(autostart::ProgramPath()), m_link(std::move(link))
{
    setObjectName(QStringLiteral("FrmOptions"));
    setWindowTitle(QStringLiteral("Préférences"));
    setModal(true);

    static const char *const captions[6] = {
        "Fenêtre principale Tavilune toujours visible",
        "Mémoriser la dernière radio écoutée",
        "Mémoriser la dernière position de la fenêtre principale",
        "Afficher le nom de la radio ou TV",
        "Fenêtre <Autres chaînes ou émissions> toujours visible",
        "Interdire l'économiseur d'écran",
    };
    auto *v = new QVBoxLayout(this);
    for (int i = 0; i < 6; ++i) {
        Check[i] = new QCheckBox(QString::fromUtf8(captions[i]), this);
        Check[i]->setObjectName(QStringLiteral("Check%1").arg(i + 1));
        v->addWidget(Check[i]);
    }
    // Starting with the session stands for starting with the system here.
    chkStartOnWin = new QCheckBox(QStringLiteral("Exécuter Tavilune à l'ouverture de la session"), this);
    chkStartOnWin->setObjectName(QStringLiteral("chkStartOnWin"));
    v->addWidget(chkStartOnWin);
    chkNotifTitre = new QCheckBox(QStringLiteral("Afficher une notification au changement de titre"), this);
    chkNotifTitre->setObjectName(QStringLiteral("chkNotifTitre"));
    v->addWidget(chkNotifTitre);
    chkFichierTitre = new QCheckBox(QStringLiteral("Un fichier par titre"), this);
    chkFichierTitre->setObjectName(QStringLiteral("chkFichierTitre"));
    chkFichierTitre->setToolTip(QStringLiteral("Enregistrer le flux : un nouveau fichier à chaque changement de titre, "
                                               "nommé « radio - artiste - titre »"));
    v->addWidget(chkFichierTitre);
    chkVolumeEgal = new QCheckBox(QStringLiteral("Égaliser le volume des stations"), this);
    chkVolumeEgal->setObjectName(QStringLiteral("chkVolumeEgal"));
    chkVolumeEgal->setToolTip(QStringLiteral("Les radios fortes et faibles sont entendues au même volume"));
    v->addWidget(chkVolumeEgal);
    auto *output = new QHBoxLayout;
    lblSortie = new QLabel(QStringLiteral("Sortie audio :"), this);
    cboSortie = new QComboBox(this);
    cboSortie->setObjectName(QStringLiteral("cboSortie"));
    cboSortie->setToolTip(QStringLiteral("La sortie du serveur de son où Tavilune joue"));
    lblSortie->setBuddy(cboSortie);
    output->addWidget(lblSortie);
    output->addWidget(cboSortie, 1);
    v->addLayout(output);

    // Live pause and rewind.
    auto *shift = new QFormLayout;
    const auto minutesBox = [this, shift](QSpinBox *&box, QLabel *&label, const char *name, const QString &caption,
                                          int low, const QString &tip) {
        box = new QSpinBox(this);
        box->setObjectName(QString::fromLatin1(name));
        box->setRange(low, timeshift::MaxMinutes);
        box->setSuffix(QStringLiteral(" min"));
        box->setToolTip(tip);
        label = new QLabel(caption, this);
        label->setBuddy(box);
        shift->addRow(label, box);
    };
    minutesBox(txtDiffere, lblDiffere, "txtDiffere", QStringLiteral("&Différé gardé en mémoire :"), 0,
               QStringLiteral("Tant qu'une radio joue, Tavilune garde ces dernières minutes : la pause ne coupe pas "
                              "la réception et l'on peut revenir en arrière (0 : pas de différé)"));
    minutesBox(txtGarder, lblGarder, "txtGarder", QStringLiteral("Minutes &gardées par « Garder » :"), 1,
               QStringLiteral("Durée que « Garder les dernières minutes » du menu Mode enregistre dans le dossier des "
                              "enregistrements"));
    v->addLayout(shift);

    auto folderFrame = [this, v](QGroupBox *&frame, QLineEdit *&text, QToolButton *&browse, const QString &caption,
                                 const char *textName, const char *buttonName) {
        frame = new QGroupBox(caption, this);
        text = new QLineEdit(frame);
        text->setObjectName(QString::fromLatin1(textName));
        text->setAccessibleName(caption.trimmed());
        browse = ui::PictureButton(frame, QStyle::SP_DirOpenIcon, QStringLiteral("Parcourir..."), kButtons, QString::fromLatin1(buttonName));
        auto *h = new QHBoxLayout(frame);
        h->addWidget(text, 1);
        h->addWidget(browse);
        v->addWidget(frame);
    };
    folderFrame(Frame1, Text1, Command1, QStringLiteral("Dossier radios : (Fichiers HTM) "), "Text1", "Command1");
    folderFrame(Frame2, Text2, Command4, QStringLiteral("Dossier TV : (Fichiers HTM) "), "Text2", "Command4");

    Command2 = ui::PictureButton(this, QStyle::SP_DialogSaveButton, QStringLiteral("Enregistrer"), kButtons, QStringLiteral("Command2"));
    Command3 = ui::PictureButton(this, QStyle::SP_DialogCloseButton, QStringLiteral("Fermer"), kButtons, QStringLiteral("Command3"));
    auto *bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(Command2);
    bottom->addWidget(Command3);
    v->addLayout(bottom);

    connect(Command1, &QToolButton::clicked, this, &FrmOptions::Command1_Click);
    connect(Command4, &QToolButton::clicked, this, &FrmOptions::Command4_Click);
    connect(Command2, &QToolButton::clicked, this, &FrmOptions::Command2_Click);
    connect(Command3, &QToolButton::clicked, this, &FrmOptions::Command3_Click);
    // The state change, not the click: ticked from the keyboard or by assistive technology (its
    // toggle action) the box writes the entry too.
    connect(chkStartOnWin, &QCheckBox::toggled, this, [this] {
        if (!m_loading)
            chkStartOnWin_Click();
    });
    connect(cboSortie, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_loading)
            cboSortie_Change();
    });
    connect(chkVolumeEgal, &QCheckBox::toggled, this, [this] {
        if (!m_loading)
            chkVolumeEgal_Change();
    });
}

void FrmOptions::showEvent(QShowEvent *e)
{
    if (!e->spontaneous())
        Form_Load();
    QDialog::showEvent(e);
}

void FrmOptions::Form_Load()
{
    const QScopedValueRollback loading(m_loading, true);
    const options::Values v = options::Load();
    for (int i = 0; i < 6; ++i)
        Check[i]->setChecked(v.check[i]);
    chkNotifTitre->setChecked(options::TitleNotificationsOn());
    cboSortie->clear();
    cboSortie->setEnabled(m_link.listening != nullptr);
    chkVolumeEgal->setEnabled(m_link.listening != nullptr);
    if (m_link.listening) {
        const QList<audioout::Output> outputs = m_link.listening->Outputs();
        for (const audioout::Output &o : outputs)
            cboSortie->addItem(o.text, o.name);
        const QString chosen = m_link.listening->Output();
        if (audioout::IndexOf(outputs, chosen) < 0) // gone from the server: still the choice
            cboSortie->addItem(QStringLiteral("%1 (absente)").arg(chosen), chosen);
        cboSortie->setCurrentIndex(cboSortie->findData(chosen));
        chkVolumeEgal->setChecked(m_link.listening->EvenLoudness());
    }
    chkFichierTitre->setChecked(options::OneFilePerTitleOn());
    txtDiffere->setValue(options::TimeShiftMinutes());
    txtGarder->setValue(options::KeepMinutes());
    Text1->setText(v.radioFolder);
    m_previousRadio = v.radioFolder;
    Text2->setText(v.tvFolder);
    m_previousTv = v.tvFolder;
    if (autostart::Exists()) {
        chkStartOnWin->setChecked(true);
        // The entry again for the program as it runs now; the user did not ask for it, so a
        // failure goes to the log (the old entry stays).
        if (!autostart::Write(programPath))
            qWarning("%s", qUtf8Printable(autostart::FailedText(true)));
    } else {
        chkStartOnWin->setChecked(false);
    }
}

void FrmOptions::Command1_Click()
{
    const QString folder = BrowseForFolder(this, QStringLiteral("Selectionner le dossier Radios"), G().radioFolder);
    if (!folder.isEmpty())
        Text1->setText(folder);
}

void FrmOptions::Command4_Click()
{
    const QString folder = BrowseForFolder(this, QStringLiteral("Selectionner le dossier TV"), G().tvFolder);
    if (!folder.isEmpty())
        Text2->setText(folder);
}

void FrmOptions::chkStartOnWin_Click()
{
    const bool on = chkStartOnWin->isChecked();
    if (on ? autostart::Write(programPath) : autostart::Remove())
        return;
    Prompts().Message(this, windowTitle(), autostart::FailedText(on), UiPrompts::Icon::Exclamation);
    // The box shows what the session will do.
    const QSignalBlocker block(chkStartOnWin);
    chkStartOnWin->setChecked(autostart::Exists());
}

void FrmOptions::Command2_Click()
{
    options::Values v;
    for (int i = 0; i < 6; ++i)
        v.check[i] = Check[i]->isChecked();
    v.radioFolder = Text1->text();
    v.tvFolder = Text2->text();
    options::SaveActions act;
    // The box ticked means the screen saver is held off.
    act.applyScreenSaver = [](bool forbid) { SetScreenSaver(!forbid); };
    act.refillRadio = m_link.refillRadio;
    act.refillTv = m_link.refillTv;
    // The notification box first, so the one write to the file below carries it too.
    options::SaveTitleNotifications(chkNotifTitre->isChecked());
    options::SaveOneFilePerTitle(chkFichierTitre->isChecked());
    options::SaveTimeShift(txtDiffere->value(), txtGarder->value());
    if (!options::Save(v, m_previousRadio, m_previousTv, act))
        Prompts().Message(this, windowTitle(), options::SaveFailedText(settings::FilePath()), UiPrompts::Icon::Exclamation);
}

void FrmOptions::cboSortie_Change()
{
    if (m_link.listening && cboSortie->currentIndex() >= 0)
        m_link.listening->SetOutput(cboSortie->currentData().toString());
}

void FrmOptions::chkVolumeEgal_Change()
{
    if (m_link.listening)
        m_link.listening->SetEvenLoudness(chkVolumeEgal->isChecked());
}

void FrmOptions::Command3_Click()
{
    options::ReadBackOnClose();
    ApplyTopmost();
    if (m_link.updateTitle)
        m_link.updateTitle();
    accept();
}
