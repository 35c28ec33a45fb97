#pragma once

#include <QFileInfo>
#include <QList>
#include <QString>

#include <optional>

class QWidget;

namespace plenarvo::platform {

// Flags of the save dialog.
inline constexpr int kSaveOverwritePrompt = 0x2;  // ask before replacing an existing file
inline constexpr int kSavePathMustExist = 0x800;  // accept only an existing folder

// What the save dialog is shown with.
struct SaveDialogRequest {
    QString fileName;  // the name the dialog starts with (may be empty)
    QString folder;    // the folder it starts in (empty: the dialog's own choice)
    // Pairs of description and pattern, all separated by "|":
    // "Bitmaps (*.bmp)|*.bmp|Icons (*.ico)|*.ico".
    QString filter;
    int filterIndex = 1;  // the entry selected at first, from 1
    QString title;
    int flags = 0;
    // Added to a name chosen without an extension, e.g. ".jpg".
    QString defaultExtension;
};

// One entry of a dialog filter.
struct FilterEntry {
    QString description;
    QString pattern;
    friend bool operator==(const FilterEntry&, const FilterEntry&) = default;
};

// Splits "Description|pattern|Description|pattern" into its entries. A last
// description without a pattern is left out.
inline QList<FilterEntry> parseFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QList<FilterEntry> entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        entries.append({parts[i], parts[i + 1]});
    }
    return entries;
}

// The name as saved: a file name without any dot in it gets `extension`.
inline QString withDefaultExtension(const QString& path, const QString& extension) {
    if (path.isEmpty() || extension.isEmpty() || QFileInfo(path).fileName().contains(u'.')) {
        return path;
    }
    return extension.startsWith(u'.') ? path + extension : path + u'.' + extension;
}

// The platform's common dialogs.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Shows the modal save dialog over `owner`. Returns the full path chosen, or
    // nothing when the user cancelled. The dialog asks before overwriting and
    // checks the folder as the flags say; timers keep firing while it is open.
    virtual std::optional<QString> saveFile(QWidget* owner, const SaveDialogRequest& request) = 0;
};

}  // namespace plenarvo::platform
