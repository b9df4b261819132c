#include "cCommonDialog.h"

#include <QFileDialog>

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

Answer runDialog(const Request &r)
{
    QFileDialog d(r.owner, r.title, r.folder);
    d.setAcceptMode(r.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (r.save)
        d.setFileMode(QFileDialog::AnyFile);
    else if (r.flags & ofn::AllowMultiSelect)
        d.setFileMode(QFileDialog::ExistingFiles);
    else
        d.setFileMode(r.flags & ofn::FileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    d.setOption(QFileDialog::DontConfirmOverwrite, !(r.flags & ofn::OverwritePrompt));
    // The list shows the descriptions as given; the patterns are for matching only.
    d.setOption(QFileDialog::HideNameFilterDetails, true);
    if (!r.nameFilters.isEmpty()) {
        d.setNameFilters(r.nameFilters);
        d.selectNameFilter(r.nameFilters.value(r.filterIndex, r.nameFilters.front()));
    }
    d.setDefaultSuffix(r.defaultSuffix);
    if (!r.proposed.isEmpty())
        d.selectFile(r.proposed);
    d.setWindowModality(r.owner ? Qt::WindowModal : Qt::ApplicationModal);
    Answer a;
    if (d.exec() != QDialog::Accepted)
        return a;
    a.accepted = true;
    a.files = d.selectedFiles();
    // The dialog reports the filter as it shows it, without its patterns.
    const QString shown = d.selectedNameFilter();
    for (qsizetype i = 0; i < r.nameFilters.size() && a.filterIndex < 0; ++i) {
        const QString &f = r.nameFilters[i];
        if (f == shown || f.left(f.lastIndexOf(QStringLiteral(" ("))) == shown)
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
    const QString path = AddDefaultExtension(a.files.front(), defaultExt);
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
