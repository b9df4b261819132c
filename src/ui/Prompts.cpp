#include "Prompts.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace {
UiPrompts *g_current = nullptr;

QMessageBox::Icon boxIcon(UiPrompts::Icon icon)
{
    switch (icon) {
    case UiPrompts::Icon::Information:
        return QMessageBox::Information;
    case UiPrompts::Icon::Exclamation:
        return QMessageBox::Warning;
    case UiPrompts::Icon::Critical:
        return QMessageBox::Critical;
    case UiPrompts::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}
} // namespace

UiPrompts &Prompts()
{
    static UiPrompts program;
    return g_current ? *g_current : program;
}

void SetPrompts(UiPrompts *prompts) { g_current = prompts; }

void UiPrompts::Message(QWidget *owner, const QString &title, const QString &text, Icon icon)
{
    QMessageBox box(boxIcon(icon), title, text, QMessageBox::Ok, owner);
    box.exec();
}

bool UiPrompts::AskYesNo(QWidget *owner, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, owner);
    return box.exec() == QMessageBox::Yes;
}

QString UiPrompts::OpenFileName(QWidget *owner, const QString &title, const QString &folder,
                                const QString &filter, QString *selectedFilter)
{
    return QFileDialog::getOpenFileName(owner, title, folder, filter, selectedFilter);
}

QString UiPrompts::SaveFileName(QWidget *owner, const QString &title, const QString &path,
                                const QString &filter, QString *selectedFilter)
{
    return QFileDialog::getSaveFileName(owner, title, path, filter, selectedFilter,
                                        QFileDialog::DontConfirmOverwrite);
}

QString UiPrompts::FolderName(QWidget *owner, const QString &title, const QString &folder)
{
    return QFileDialog::getExistingDirectory(owner, title, folder);
}

QString UiPrompts::InputText(QWidget *owner, const QString &title, const QString &label,
                             const QString &initial, bool *ok)
{
    bool accepted = false;
    QString text = QInputDialog::getText(owner, title, label, QLineEdit::Normal, initial, &accepted);
    if (ok)
        *ok = accepted;
    return accepted ? text : QString();
}
