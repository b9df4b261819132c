#include "TvDialogs.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QStringList>

namespace tvui {

void Message(QWidget *owner, QMessageBox::Icon icon, const QString &title, const QString &text)
{
    QMessageBox box(icon, title, text, QMessageBox::Ok, owner);
    box.exec();
}

bool AskYesNo(QWidget *owner, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, owner);
    return box.exec() == QMessageBox::Yes;
}

QString InputBox(QWidget *owner, const QString &title, const QString &prompt)
{
    bool ok = false;
    const QString text = QInputDialog::getText(owner, title, prompt, QLineEdit::Normal, QString(), &ok);
    return ok ? text : QString();
}

QString OpenFile(QWidget *owner, const QString &title, const QString &filter, const QString &initDir)
{
    return QFileDialog::getOpenFileName(owner, title, initDir, QtFilter(filter));
}

QString QtFilter(const QString &barFilter)
{
    const QStringList items = barFilter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < items.size(); i += 2) {
        QString desc = items[i];
        const QString patterns = QString(items[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        if (!desc.contains(QLatin1Char('(')))
            desc += QStringLiteral(" (") + patterns + QLatin1Char(')');
        out << desc;
    }
    return out.join(QStringLiteral(";;"));
}

} // namespace tvui
