#pragma once

#include <QString>

#include <array>
#include <optional>

namespace plenarvo::settings {

// The seven option flags, in the order of their lines in the file.
enum Flag {
    SchemeDarkBlue,
    SchemePutty,
    SchemeTeal,
    SchemeHotMaroon,
    SchemeNeon,
    ViewRandom,
    ViewConsecutive,
};
inline constexpr int kFlagCount = 7;

// The default folder and the seven flags: eight lines, each ended by CR LF.
struct Record {
    QString defaultDirectory;
    std::array<bool, kFlagCount> flags{};
};

// What reading the file gave. Reading stops at the first problem; what came
// before it is kept so that the caller can apply exactly that much.
struct ReadResult {
    enum class Status {
        Ok,
        Unreadable,   // missing, not a file, cannot be opened, or far too large
        Short,        // fewer than eight lines
        FormatError,  // a flag line that is neither a flag word nor a number
    };
    Status status = Status::Unreadable;
    QString defaultDirectory;                           // set unless Unreadable or Short
    std::array<std::optional<bool>, kFlagCount> flags;  // the flags read before a format error
};

// A settings file is eight short lines; anything larger than this is not one.
inline constexpr qint64 kMaxFileBytes = 64 * 1024;

// Reads at most a few kilobytes; never hangs or grows on a huge or binary file.
ReadResult readFile(const QString& path);

// Reads one flag word: True/False in any letter case, or a decimal number
// (zero is false, anything else true).
std::optional<bool> parseFlag(const QString& text);

// The file's bytes for a record.
QByteArray format(const Record& record);

// Replaces the file as a whole: a temporary file renamed over the old one, so a
// failed write leaves the old file as it was. Creates the folder when missing.
// A record too long to be read back (a default folder of tens of thousands of
// characters) is not written at all.
bool writeFile(const QString& path, const Record& record, QString* error = nullptr);

}  // namespace plenarvo::settings
