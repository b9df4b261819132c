#pragma once
// The file dialogs' argument handling, apart from the dialog itself: the "|" / ":" separated
// filter text, the default extension, the size of what can be returned and the dialog flags.
// Pure functions, any thread.
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

// Room for a returned path or file name, its end mark included: at most 259 characters come back.
inline constexpr int kMaxPath = 260;

// The dialog flags, by their usual values.
namespace ofn {
inline constexpr uint32_t ReadOnly = 0x1;
inline constexpr uint32_t OverwritePrompt = 0x2;
inline constexpr uint32_t HideReadOnly = 0x4;
inline constexpr uint32_t EnableHook = 0x20;
inline constexpr uint32_t EnableTemplate = 0x40;
inline constexpr uint32_t EnableTemplateHandle = 0x80;
inline constexpr uint32_t AllowMultiSelect = 0x200;
inline constexpr uint32_t ExtensionDifferent = 0x400;
inline constexpr uint32_t PathMustExist = 0x800;
inline constexpr uint32_t FileMustExist = 0x1000;
inline constexpr uint32_t Explorer = 0x80000;
} // namespace ofn

struct FilterPair {
    QString description, pattern;
    bool operator==(const FilterPair &) const = default;
};
// Every "|" and every ":" ends one part: description, pattern, description, pattern... A last
// description without a pattern gets the pattern "*"; empty parts at the end are dropped.
QList<FilterPair> SplitFilter(const QString &filter);
// The pairs as the dialog lists them: "description (patterns)", the patterns separated by spaces
// (a ";" between patterns becomes a space). A description that shows patterns itself in
// parentheses ("Fichiers Wave (*.WAV)") is cut there: the dialog reads the pattern part, which
// is what the list must show.
QStringList DialogNameFilters(const QList<FilterPair> &pairs);
// A "description|pattern|..." filter as the one text Qt's file dialogs take:
// "Fichiers liste (*.TV)|*.TV|Tous les fichiers (*.*)|*.*" gives
// "Fichiers liste (*.TV);;Tous les fichiers (*.*)".
QString QtNameFilter(const QString &filter);
// The pair in its "description|pattern" form.
QString JoinFilterPair(const FilterPair &pair);

// The path with "." + extension added when its file name has no dot; unchanged otherwise or
// when the extension is empty.
QString AddDefaultExtension(const QString &path, const QString &extension);
// True when the text fits a returned-text buffer (at most kMaxPath − 1 characters).
inline bool FitsPathBuffer(const QString &text) { return text.size() < kMaxPath; }
// The flags with the bits that would install a hook or a custom template removed.
inline uint32_t CleanFlags(uint32_t flags)
{
    return flags & ~(ofn::EnableHook | ofn::EnableTemplate | ofn::EnableTemplateHandle);
}
