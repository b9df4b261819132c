#pragma once
// The message boxes, questions, input box and file chooser of the TV windows, through the
// program's prompt provider (Prompts.h).
#include <QMessageBox>
#include <QString>

class QWidget;

namespace tvui {

void Message(QWidget *owner, QMessageBox::Icon icon, const QString &title, const QString &text);
// True on "Oui".
bool AskYesNo(QWidget *owner, const QString &title, const QString &text);
// The text typed; empty when cancelled.
QString InputBox(QWidget *owner, const QString &title, const QString &prompt);
// The chosen file, or an empty text when cancelled. filter: description|pattern pairs.
QString OpenFile(QWidget *owner, const QString &title, const QString &filter, const QString &initDir);


} // namespace tvui
