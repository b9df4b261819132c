#pragma once
// A prompt provider for window tests: records every message and question a window shows and
// answers from queues the test fills (Yes, a file name, a folder, a typed text). An empty queue
// answers No / cancel. Installed for the lifetime of the object.
#include "ui/Prompts.h"

#include <QList>
#include <QString>
#include <QStringList>

class FakePrompts : public UiPrompts {
public:
    struct Shown {
        QString kind; // "message", "question", "open", "save", "folder", "input"
        QString title;
        QString text;
        Icon icon = Icon::None;
    };

    FakePrompts() { SetPrompts(this); }
    ~FakePrompts() override { SetPrompts(nullptr); }
    FakePrompts(const FakePrompts &) = delete;
    FakePrompts &operator=(const FakePrompts &) = delete;

    QList<Shown> shown;
    QList<bool> answers;      // AskYesNo
    QStringList files;        // OpenFileName / SaveFileName
    QStringList folders;      // FolderName
    QStringList inputs;       // InputText

    void Message(QWidget *, const QString &title, const QString &text, Icon icon) override
    {
        shown.append({QStringLiteral("message"), title, text, icon});
    }
    bool AskYesNo(QWidget *, const QString &title, const QString &text) override
    {
        shown.append({QStringLiteral("question"), title, text, Icon::None});
        return !answers.isEmpty() && answers.takeFirst();
    }
    QString OpenFileName(QWidget *, const QString &title, const QString &folder, const QString &,
                         QString *) override
    {
        shown.append({QStringLiteral("open"), title, folder, Icon::None});
        return files.isEmpty() ? QString() : files.takeFirst();
    }
    QString SaveFileName(QWidget *, const QString &title, const QString &path, const QString &,
                         QString *) override
    {
        shown.append({QStringLiteral("save"), title, path, Icon::None});
        return files.isEmpty() ? QString() : files.takeFirst();
    }
    QString FolderName(QWidget *, const QString &title, const QString &folder) override
    {
        shown.append({QStringLiteral("folder"), title, folder, Icon::None});
        return folders.isEmpty() ? QString() : folders.takeFirst();
    }
    QString InputText(QWidget *, const QString &title, const QString &label, const QString &,
                      bool *ok) override
    {
        shown.append({QStringLiteral("input"), title, label, Icon::None});
        const bool have = !inputs.isEmpty();
        if (ok)
            *ok = have;
        return have ? inputs.takeFirst() : QString();
    }

    // The last message's text, or an empty text.
    QString lastText() const { return shown.isEmpty() ? QString() : shown.last().text; }
};
