#include "cCommonDialog.h"

#include "Prompts.h"

#include <QFileInfo>

namespace {

struct Request {
    bool save = false;
    QString title, folder, proposed, defaultSuffix;
    QStringList nameFilters;
    int filterIndex = 0; // 0-based
    uint32_t flags = 0;
    QWidget *owner = nullptr;
};

struct Answer {
    bool accepted = false;
    QStringList files;
    int filterIndex = -1; // 0-based
};

QString joinPath(const QString &folder, const QString &name)
{
    if (folder.isEmpty())
        return name;
    if (name.isEmpty())
        return folder;
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

// Shows the chooser of the program's prompt provider; the default extension is added to the
// choice and, for the save dialog, the replacement of an existing file confirmed here (with the
// extension already in place).
Answer runDialog(const Request &r)
{
    const QString filter = r.nameFilters.join(QStringLiteral(";;"));
    QString selected = r.nameFilters.value(r.filterIndex);
    const QString start = joinPath(r.folder, r.proposed);
    QString path = r.save ? Prompts().SaveFileName(r.owner, r.title, start, filter, &selected)
                          : Prompts().OpenFileName(r.owner, r.title, start, filter, &selected);
    Answer a;
    if (path.isEmpty())
        return a;
    const QString withExtension = AddDefaultExtension(path, r.defaultSuffix);
    if (r.save || !(r.flags & ofn::FileMustExist) || QFileInfo(withExtension).isFile())
        path = withExtension;
    if (r.save && (r.flags & ofn::OverwritePrompt) && QFileInfo::exists(path)) {
        const QString name = QFileInfo(path).fileName();
        const QString title = r.title.isEmpty() ? QStringLiteral("Enregistrer sous") : r.title;
        if (!Prompts().AskYesNo(r.owner, title,
                                name + QStringLiteral(" existe déjà.\nVoulez-vous le remplacer ?")))
            return a;
    }
    a.accepted = true;
    a.files = QStringList{path};
    // The chooser may report the filter with or without its patterns.
    for (qsizetype i = 0; i < r.nameFilters.size() && a.filterIndex < 0; ++i) {
        const QString &f = r.nameFilters[i];
        if (f == selected || f.left(f.lastIndexOf(QStringLiteral(" ("))) == selected)
            a.filterIndex = int(i);
    }
    return a;
}

// Common part of both calls: shows the dialog and fills the out arguments.
struct Outcome {
    bool ok = false;
    QString filename, title, filter;
    int filterIndex = -1;
    uint32_t flags = 0;
};

Outcome choose(Request r, const QString &filter, int filterIndex, const QString &defaultExt)
{
    const QList<FilterPair> pairs = SplitFilter(filter);
    r.nameFilters = DialogNameFilters(pairs);
    r.filterIndex = filterIndex >= 1 && filterIndex <= pairs.size() ? filterIndex - 1 : 0;
    r.defaultSuffix = defaultExt;
    r.proposed.truncate(kMaxPath - 1);
    r.flags = CleanFlags(r.flags);

    Outcome out;
    const Answer a = runDialog(r);
    if (!a.accepted || a.files.isEmpty())
        return out;
    const QString path = a.files.front();
    const QString title = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    if (!FitsPathBuffer(path) || !FitsPathBuffer(title))
        return out;
    out.ok = true;
    out.filename = path;
    out.title = title;
    if (a.filterIndex >= 0 && a.filterIndex < pairs.size()) {
        out.filterIndex = a.filterIndex + 1;
        out.filter = JoinFilterPair(pairs[a.filterIndex]);
    }
    out.flags = r.flags;
    const qsizetype dot = title.lastIndexOf(QLatin1Char('.'));
    const QString ext = dot < 0 ? QString() : title.mid(dot + 1);
    if (!defaultExt.isEmpty() && ext.compare(defaultExt, Qt::CaseInsensitive) != 0)
        out.flags |= ofn::ExtensionDifferent;
    return out;
}

} // namespace

bool cCommonDialog::VBGetOpenFileName(OpenFileArgs &a)
{
    Request r;
    r.title = a.DlgTitle;
    r.folder = a.InitDir;
    r.proposed = a.Filename;
    r.owner = a.Owner;
    r.flags = a.Flags | ofn::Explorer;
    if (a.FileMustExist)
        r.flags |= ofn::FileMustExist | ofn::PathMustExist;
    if (a.MultiSelect)
        r.flags |= ofn::AllowMultiSelect;
    if (a.ReadOnly)
        r.flags |= ofn::ReadOnly;
    if (a.HideReadOnly)
        r.flags |= ofn::HideReadOnly;
    const Outcome o = choose(r, a.Filter, a.FilterIndex, a.DefaultExt);
    a.Filename = o.filename;
    a.FileTitle = o.title;
    if (o.ok) {
        a.Filter = o.filter;
        a.FilterIndex = o.filterIndex;
        a.Flags = o.flags;
        a.ReadOnly = o.flags & ofn::ReadOnly;
    } else {
        a.Filter.clear();
        a.FilterIndex = -1;
        a.Flags = 0;
    }
    return o.ok;
}

bool cCommonDialog::VBGetSaveFileName(SaveFileArgs &a)
{
    Request r;
    r.save = true;
    r.title = a.DlgTitle;
    r.folder = a.InitDir;
    r.proposed = a.Filename;
    r.owner = a.Owner;
    r.flags = a.Flags | ofn::Explorer | ofn::HideReadOnly;
    if (a.OverWritePrompt)
        r.flags |= ofn::OverwritePrompt;
    const Outcome o = choose(r, a.Filter, a.FilterIndex, a.DefaultExt);
    a.Filename = o.filename;
    a.FileTitle = o.title;
    if (o.ok) {
        a.Filter = o.filter;
        a.FilterIndex = o.filterIndex;
        a.Flags = o.flags;
    } else {
        a.Filter.clear();
        a.FilterIndex = -1;
        a.Flags = 0;
    }
    return o.ok;
}
