#include "FrmProgrammation.h"

#include "ui/Prompts.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace programmation;

namespace {
const QString kTitle = QStringLiteral("Programmation");

QString whenText(const Event &e)
{
    const QLocale locale;
    if (e.repeat == Repeat::Once)
        return locale.toString(e.start, QLocale::ShortFormat);
    return RepeatText(e) + QStringLiteral(" à ") + locale.toString(e.start.time(), QLocale::ShortFormat);
}
} // namespace

FrmProgrammation::FrmProgrammation(Services services, QWidget *parent)
    : QWidget(parent), m_services(std::move(services))
{
    setObjectName(QStringLiteral("FrmProgrammation"));
    setWindowTitle(kTitle);
    auto *outer = new QVBoxLayout(this);

    lstEvents = new QTreeWidget(this);
    lstEvents->setObjectName(QStringLiteral("lstEvents"));
    lstEvents->setAccessibleName(QStringLiteral("Événements programmés"));
    lstEvents->setRootIsDecorated(false);
    lstEvents->setHeaderLabels({QStringLiteral("Quoi"), QStringLiteral("Quand"), QStringLiteral("Durée"), QStringLiteral("Action")});
    outer->addWidget(lstEvents, 1);

    auto *form = new QFormLayout;
    const auto row = [&](const QString &caption, QWidget *field, const QString &tip) {
        auto *label = new QLabel(caption, this);
        label->setBuddy(field);
        field->setToolTip(tip);
        form->addRow(label, field);
    };
    cboQuoi = new QComboBox(this);
    cboQuoi->setObjectName(QStringLiteral("cboQuoi"));
    row(QStringLiteral("Quoi :"), cboQuoi, QStringLiteral("La radio, la chaîne TV ou la source sonore"));
    cboAction = new QComboBox(this);
    cboAction->setObjectName(QStringLiteral("cboAction"));
    for (Action a : {Action::Ecouter, Action::EnregistrerFlux, Action::EnregistrerSource, Action::Reveil})
        cboAction->addItem(ActionText(a));
    row(QStringLiteral("Action :"), cboAction, QStringLiteral("Ce que Tavilune fait à l'heure dite"));
    txtDebut = new QDateTimeEdit(QDateTime::currentDateTime().addSecs(3600), this);
    txtDebut->setObjectName(QStringLiteral("txtDebut"));
    txtDebut->setCalendarPopup(true);
    txtDebut->setDisplayFormat(QStringLiteral("dd/MM/yyyy HH:mm"));
    row(QStringLiteral("Début :"), txtDebut, QStringLiteral("Date et heure du début"));
    cboRepetition = new QComboBox(this);
    cboRepetition->setObjectName(QStringLiteral("cboRepetition"));
    cboRepetition->addItems({QStringLiteral("Une fois"), QStringLiteral("Tous les jours"), QStringLiteral("Du lundi au vendredi"),
                             QStringLiteral("Un jour de la semaine")});
    row(QStringLiteral("Répétition :"), cboRepetition, QStringLiteral("Une seule fois, ou à la même heure chaque jour choisi"));
    cboJour = new QComboBox(this);
    cboJour->setObjectName(QStringLiteral("cboJour"));
    cboJour->addItems({QStringLiteral("lundi"), QStringLiteral("mardi"), QStringLiteral("mercredi"), QStringLiteral("jeudi"),
                       QStringLiteral("vendredi"), QStringLiteral("samedi"), QStringLiteral("dimanche")});
    row(QStringLiteral("Jour :"), cboJour, QStringLiteral("Le jour de la semaine"));
    txtDuree = new QSpinBox(this);
    txtDuree->setObjectName(QStringLiteral("txtDuree"));
    txtDuree->setRange(1, 24 * 60);
    txtDuree->setValue(60);
    txtDuree->setSuffix(QStringLiteral(" min"));
    row(QStringLiteral("Durée :"), txtDuree, QStringLiteral("Combien de temps, en minutes"));
    txtFondu = new QSpinBox(this);
    txtFondu->setObjectName(QStringLiteral("txtFondu"));
    txtFondu->setRange(0, 600);
    txtFondu->setValue(60);
    txtFondu->setSuffix(QStringLiteral(" s"));
    row(QStringLiteral("Montée du son :"), txtFondu, QStringLiteral("Réveil : le son monte du silence au volume choisi en ce temps"));
    txtVolume = new QSpinBox(this);
    txtVolume->setObjectName(QStringLiteral("txtVolume"));
    txtVolume->setRange(0, 100);
    txtVolume->setValue(70);
    txtVolume->setSuffix(QStringLiteral(" %"));
    row(QStringLiteral("Volume :"), txtVolume, QStringLiteral("Réveil : le volume atteint à la fin de la montée"));
    outer->addLayout(form);

    lblSystemd = new QLabel(this);
    lblSystemd->setObjectName(QStringLiteral("lblSystemd"));
    lblSystemd->setWordWrap(true);
    outer->addWidget(lblSystemd);

    auto *buttons = new QHBoxLayout;
    cmdAjouter = new QPushButton(QStringLiteral("Ajouter"), this);
    cmdAjouter->setObjectName(QStringLiteral("cmdAjouter"));
    cmdAjouter->setToolTip(QStringLiteral("Programmer un nouvel événement"));
    cmdModifier = new QPushButton(QStringLiteral("Modifier"), this);
    cmdModifier->setObjectName(QStringLiteral("cmdModifier"));
    cmdModifier->setToolTip(QStringLiteral("Enregistrer les changements de l'événement choisi"));
    cmdSupprimer = new QPushButton(QStringLiteral("Supprimer"), this);
    cmdSupprimer->setObjectName(QStringLiteral("cmdSupprimer"));
    cmdSupprimer->setToolTip(QStringLiteral("Supprimer l'événement choisi"));
    buttons->addWidget(cmdAjouter);
    buttons->addWidget(cmdModifier);
    buttons->addWidget(cmdSupprimer);
    buttons->addStretch(1);
    outer->addLayout(buttons);
    resize(620, 520);

    connect(lstEvents, &QTreeWidget::itemSelectionChanged, this, &FrmProgrammation::selectionChanged);
    connect(cboRepetition, &QComboBox::currentIndexChanged, this, &FrmProgrammation::formChanged);
    connect(cboAction, &QComboBox::currentIndexChanged, this, &FrmProgrammation::formChanged);
    connect(cmdAjouter, &QPushButton::clicked, this, &FrmProgrammation::Ajouter);
    connect(cmdModifier, &QPushButton::clicked, this, &FrmProgrammation::Modifier);
    connect(cmdSupprimer, &QPushButton::clicked, this, &FrmProgrammation::Supprimer);
    reload();
    formChanged();
}

void FrmProgrammation::showEvent(QShowEvent *event)
{
    reload();
    QWidget::showEvent(event);
}

void FrmProgrammation::reload()
{
    m_events = Load(m_services.fileName);
    fillChoices();
    fillList();
    lblSystemd->setText(UserManagerRuns()
                            ? QStringLiteral("Les événements sont aussi lancés par le bureau quand Tavilune n'est pas ouvert.")
                            : QStringLiteral("Pas de session systemd : les événements ne s'exécutent que si Tavilune est ouvert "
                                             "(aussi caché dans la barre des tâches)."));
}

void FrmProgrammation::fillChoices()
{
    const QString current = cboQuoi->currentData().toString();
    m_choices = m_services.choices ? m_services.choices() : QList<ProgrammationChoice>();
    cboQuoi->clear();
    for (const ProgrammationChoice &c : m_choices)
        cboQuoi->addItem(c.text, c.link.isEmpty() ? c.what : c.link);
    const int again = cboQuoi->findData(current);
    if (again >= 0)
        cboQuoi->setCurrentIndex(again);
}

void FrmProgrammation::fillList()
{
    lstEvents->clear();
    for (const Event &e : m_events) {
        auto *item = new QTreeWidgetItem(lstEvents, {WhatText(e), whenText(e), QStringLiteral("%1 min").arg(e.minutes), ActionText(e.action)});
        item->setData(0, Qt::UserRole, e.id);
    }
    for (int c = 0; c < 4; ++c)
        lstEvents->resizeColumnToContents(c);
    selectionChanged();
}

void FrmProgrammation::selectionChanged()
{
    const QList<QTreeWidgetItem *> chosen = lstEvents->selectedItems();
    cmdModifier->setEnabled(!chosen.isEmpty());
    cmdSupprimer->setEnabled(!chosen.isEmpty());
    cmdAjouter->setEnabled(cboQuoi->count() > 0);
    if (chosen.isEmpty())
        return;
    const QString id = chosen.first()->data(0, Qt::UserRole).toString();
    for (const Event &e : m_events) {
        if (e.id != id)
            continue;
        cboQuoi->setCurrentIndex(choiceIndex({WhatText(e), e.what, e.source, e.link}));
        cboAction->setCurrentIndex(int(e.action));
        txtDebut->setDateTime(e.start);
        cboRepetition->setCurrentIndex(int(e.repeat));
        cboJour->setCurrentIndex(e.weekday - 1);
        txtDuree->setValue(e.minutes);
        txtFondu->setValue(e.fadeSeconds);
        txtVolume->setValue(e.volume);
    }
}

void FrmProgrammation::formChanged()
{
    cboJour->setEnabled(cboRepetition->currentIndex() == int(Repeat::Weekday));
    const bool wake = cboAction->currentIndex() == int(Action::Reveil);
    txtFondu->setEnabled(wake);
    txtVolume->setEnabled(wake);
}

bool FrmProgrammation::formEvent(Event &e) const
{
    const int at = cboQuoi->currentIndex();
    if (at < 0 || at >= m_choices.size())
        return false;
    e.what = m_choices[at].what;
    e.source = m_choices[at].source;
    e.link = m_choices[at].link;
    e.action = Action(cboAction->currentIndex());
    e.start = txtDebut->dateTime();
    e.start.setTime(QTime(e.start.time().hour(), e.start.time().minute()));
    e.repeat = Repeat(cboRepetition->currentIndex());
    e.weekday = cboJour->currentIndex() + 1;
    e.minutes = txtDuree->value();
    e.fadeSeconds = txtFondu->value();
    e.volume = txtVolume->value();
    // A sound source can only be recorded; a page cannot be recorded as a source.
    if (e.source != (e.action == Action::EnregistrerSource)) {
        Prompts().Message(const_cast<FrmProgrammation *>(this), kTitle,
                          e.source ? QStringLiteral("Une source sonore ne peut être qu'enregistrée (« Enregistrer la source »).")
                                   : QStringLiteral("« Enregistrer la source » demande une source sonore, pas une radio."),
                          UiPrompts::Icon::Exclamation);
        return false;
    }
    return true;
}

bool FrmProgrammation::commit(const QList<Event> &events, const QList<Event> &removed)
{
    QString error;
    if (!Save(m_services.fileName, events, &error)) {
        Prompts().Message(this, kTitle, QStringLiteral("La programmation n'a pas pu être enregistrée : %1").arg(error),
                          UiPrompts::Icon::Exclamation);
        return false;
    }
    for (const Event &e : removed)
        RemoveUnits(e);
    for (const Event &e : events) {
        if (!InstallUnits(e, m_services.program, &error)) {
            Prompts().Message(this, kTitle, QStringLiteral("Le minuteur du bureau n'a pas pu être écrit : %1").arg(error),
                              UiPrompts::Icon::Exclamation);
            break;
        }
    }
    m_events = events;
    fillList();
    if (m_services.changed)
        m_services.changed(m_events);
    return true;
}

int FrmProgrammation::choiceIndex(const ProgrammationChoice &choice)
{
    const int at = cboQuoi->findData(choice.link.isEmpty() ? choice.what : choice.link);
    if (at >= 0)
        return at;
    cboQuoi->addItem(choice.text, choice.link.isEmpty() ? choice.what : choice.link);
    m_choices.append(choice);
    return cboQuoi->count() - 1;
}

void FrmProgrammation::propose(int choice, const QDateTime &when, Action action)
{
    lstEvents->clearSelection();
    cboQuoi->setCurrentIndex(choice);
    cboAction->setCurrentIndex(int(action));
    txtDebut->setDateTime(when);
    cboRepetition->setCurrentIndex(int(Repeat::Once));
    cmdAjouter->setEnabled(true);
}

void FrmProgrammation::Propose(const QString &what, const QDateTime &when, Action action)
{
    const QString name = QFileInfo(what).completeBaseName();
    propose(choiceIndex({name.isEmpty() ? what : name, what, false, {}}), when, action);
}

void FrmProgrammation::ProposeLink(const QString &name, const QString &link, const QDateTime &when, Action action)
{
    propose(choiceIndex({name.isEmpty() ? link : name, name, false, link}), when, action);
}

void FrmProgrammation::Ajouter()
{
    Event e;
    if (!formEvent(e))
        return;
    e.id = NewId(m_events);
    QList<Event> events = m_events;
    events << e;
    commit(events, {});
}

void FrmProgrammation::Modifier()
{
    const QList<QTreeWidgetItem *> chosen = lstEvents->selectedItems();
    if (chosen.isEmpty())
        return;
    Event e;
    if (!formEvent(e))
        return;
    e.id = chosen.first()->data(0, Qt::UserRole).toString();
    QList<Event> events = m_events;
    for (Event &old : events)
        if (old.id == e.id)
            old = e;
    commit(events, {});
}

void FrmProgrammation::Supprimer()
{
    const QList<QTreeWidgetItem *> chosen = lstEvents->selectedItems();
    if (chosen.isEmpty())
        return;
    const QString id = chosen.first()->data(0, Qt::UserRole).toString();
    QList<Event> events, removed;
    for (const Event &e : m_events)
        (e.id == id ? removed : events) << e;
    commit(events, removed);
}
