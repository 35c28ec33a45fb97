#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace plenarvo::pictures {

// What a file must be, besides a regular file, to be read.
struct OpenRules {
    bool followLinks = true;   // false: a symbolic link in the last place is refused
    bool ownedByUser = false;  // true: only a file of the user the program runs as
};

// A regular file open for reading. Every file the program reads a picture or a
// thumbnail from is opened here: opened without waiting (a pipe or a device named
// like a picture must never hold up the thread that opens it), then checked on the
// descriptor itself, so that what is read is what was checked. Pipes, devices,
// sockets and folders are refused, and links to them.
class RegularFile {
public:
    RegularFile() = default;
    ~RegularFile();
    RegularFile(RegularFile&& other) noexcept;
    RegularFile& operator=(RegularFile&& other) noexcept;
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    // Nothing open when the file cannot be opened or breaks the rules; *error then
    // says why in the program's words.
    static RegularFile open(const QString& path, OpenRules rules, QString* error);

    bool isOpen() const { return fd_ >= 0; }
    int descriptor() const { return fd_; }
    qint64 size() const { return size_; }  // when it was opened
    // Hands the descriptor over to the caller, who closes it.
    int release();

    // Reads the rest of the file, never more than `limit` bytes whatever its size
    // said: nothing when the file holds more (*tooLarge set) or a read fails.
    std::optional<QByteArray> readAll(qint64 limit, bool* tooLarge = nullptr);

private:
    int fd_ = -1;
    qint64 size_ = 0;
};

// Why a name was refused that leads to a pipe, a device, a socket or a folder.
QString notAFileMessage();

}  // namespace plenarvo::pictures
