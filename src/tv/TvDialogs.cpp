#include "TvDialogs.h"

#include "ui/FileDialogRules.h"
#include "ui/Prompts.h"

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
    return Prompts().OpenFileName(owner, title, initDir, QtNameFilter(filter));
}

} // namespace tvui
