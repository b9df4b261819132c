#include "TvDialogs.h"

#include "Prompts.h"

#include <QStringList>

namespace tvui {

void Message(QWidget *owner, QMessageBox::Icon icon, const QString &title, const QString &text)
{
    UiPrompts::Icon i = UiPrompts::Icon::None;
    switch (icon) {
    case QMessageBox::Information: i = UiPrompts::Icon::Information; break;
    case QMessageBox::Warning: i = UiPrompts::Icon::Exclamation; break;
    case QMessageBox::Critical: i = UiPrompts::Icon::Critical; break;
    default: break;
    }
    Prompts().Message(owner, title, text, i);
}

bool AskYesNo(QWidget *owner, const QString &title, const QString &text)
{
    return Prompts().AskYesNo(owner, title, text);
}

QString InputBox(QWidget *owner, const QString &title, const QString &prompt)
{
    bool ok = false;
    const QString text = Prompts().InputText(owner, title, prompt, QString(), &ok);
    return ok ? text : QString();
}

QString OpenFile(QWidget *owner, const QString &title, const QString &filter, const QString &initDir)
{
    return Prompts().OpenFileName(owner, title, initDir, QtFilter(filter));
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
