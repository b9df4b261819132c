// The "Programmation" window: adding, changing and removing events saves the file and the
// desktop's units at once; a page cannot be recorded as a sound source, nor a source listened to.
#include "desktop/FrmProgrammation.h"
#include "FakePrompts.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace programmation;

TEST(FrmProgrammation, EventsAreSavedWithTheirUnitsAsTheyChange)
{
    QTemporaryDir dir;
    FakePrompts prompts;
    FrmProgrammation::Services s;
    s.fileName = dir.filePath(QStringLiteral("programmation.ini"));
    s.program = QStringLiteral("/usr/bin/tavilune");
    s.choices = [] {
        return QList<ProgrammationChoice>{{QStringLiteral("FIP"), QStringLiteral("/r/FIP.htm"), false},
                                          {QStringLiteral("Source : Micro"), QStringLiteral("Micro"), true}};
    };
    int changes = 0;
    s.changed = [&](const QList<Event> &) { ++changes; };
    FrmProgrammation w(s);
    w.show();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Programmation"));
    EXPECT_TRUE(w.lblSystemd->text().contains(QStringLiteral("que si Tavilune est ouvert"))); // no user manager in tests
    EXPECT_FALSE(w.cboJour->isEnabled());

    const QDateTime when(QDate(2026, 12, 24), QTime(20, 0));
    w.cboQuoi->setCurrentIndex(0);
    w.cboAction->setCurrentIndex(int(Action::EnregistrerFlux));
    w.txtDebut->setDateTime(when);
    w.txtDuree->setValue(90);
    w.cmdAjouter->click();
    ASSERT_EQ(w.Events().size(), 1);
    EXPECT_EQ(w.lstEvents->topLevelItemCount(), 1);
    EXPECT_EQ(Load(s.fileName), w.Events());
    EXPECT_EQ(w.Events()[0].what, QStringLiteral("/r/FIP.htm"));
    EXPECT_EQ(w.Events()[0].minutes, 90);
    const QString timer = UnitsFolder() + QStringLiteral("/tavilune-1.timer");
    ASSERT_TRUE(QFile::exists(timer));
    EXPECT_EQ(changes, 1);

    // A source only records.
    w.cboQuoi->setCurrentIndex(1);
    w.cboAction->setCurrentIndex(int(Action::Ecouter));
    w.cmdAjouter->click();
    EXPECT_EQ(w.Events().size(), 1);
    EXPECT_EQ(prompts.shown.size(), 1);

    // Changed into a weekly wake-up.
    w.lstEvents->setCurrentItem(w.lstEvents->topLevelItem(0));
    EXPECT_EQ(w.cboAction->currentIndex(), int(Action::EnregistrerFlux)); // the form shows the event
    w.cboAction->setCurrentIndex(int(Action::Reveil));
    w.cboRepetition->setCurrentIndex(int(Repeat::Weekday));
    EXPECT_TRUE(w.cboJour->isEnabled() && w.txtFondu->isEnabled());
    w.cboJour->setCurrentIndex(5);
    w.cmdModifier->click();
    ASSERT_EQ(Load(s.fileName).size(), 1);
    EXPECT_EQ(Load(s.fileName)[0].repeat, Repeat::Weekday);
    EXPECT_EQ(Load(s.fileName)[0].weekday, 6);
    QFile t(timer);
    ASSERT_TRUE(t.open(QIODevice::ReadOnly));
    EXPECT_TRUE(t.readAll().contains("OnCalendar=Sat *-*-* 20:00:00"));
    t.close();

    w.lstEvents->setCurrentItem(w.lstEvents->topLevelItem(0));
    w.cmdSupprimer->click();
    EXPECT_TRUE(Load(s.fileName).isEmpty());
    EXPECT_FALSE(QFile::exists(timer));
    EXPECT_EQ(changes, 3);
}

TEST(FrmProgrammation, TheTvCataloguesProgrammeBecomesAnEventOfItsLink)
{
    QTemporaryDir dir;
    FakePrompts prompts;
    FrmProgrammation::Services s;
    s.fileName = dir.filePath(QStringLiteral("programmation.ini"));
    s.program = QStringLiteral("/usr/bin/tavilune");
    s.choices = [] { return QList<ProgrammationChoice>{{QStringLiteral("FIP"), QStringLiteral("/r/FIP.htm"), false}}; };
    FrmProgrammation w(s);
    w.show();
    const QString link = QStringLiteral("http://media.example/FluxJt/jt20d07032007/jt20d07032007.asx");
    const QDateTime when(QDate(2030, 3, 7), QTime(21, 0));
    w.ProposeLink(QStringLiteral("Journal TF1 20h"), link, when, Action::EnregistrerFlux);
    EXPECT_EQ(w.cboQuoi->currentText(), QStringLiteral("Journal TF1 20h"));
    EXPECT_EQ(w.txtDebut->dateTime(), when);
    w.cmdAjouter->click();
    ASSERT_EQ(w.Events().size(), 1);
    const Event e = w.Events()[0];
    EXPECT_EQ(e.link, link);
    EXPECT_EQ(e.what, QStringLiteral("Journal TF1 20h"));
    EXPECT_EQ(e.start, when);
    EXPECT_EQ(e.action, Action::EnregistrerFlux);
    EXPECT_FALSE(e.source);
    EXPECT_EQ(Load(s.fileName), w.Events());
    EXPECT_EQ(w.lstEvents->topLevelItem(0)->text(0), QStringLiteral("Journal TF1 20h"));
    // Chosen again from the list, the event shows its programme.
    w.cboQuoi->setCurrentIndex(0);
    w.lstEvents->setCurrentItem(w.lstEvents->topLevelItem(0));
    EXPECT_EQ(w.cboQuoi->currentText(), QStringLiteral("Journal TF1 20h"));
    EXPECT_TRUE(prompts.shown.isEmpty());
    RemoveUnits(e);
}
