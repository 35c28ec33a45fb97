#include "pictures/regular_file.h"

#include "pictures/file_names.h"

#include <QCoreApplication>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace plenarvo::pictures {

namespace {

void setError(QString* error, const QString& message) {
    if (error) {
        *error = message;
    }
}

QString unreadable() {
    return QCoreApplication::translate("Pictures", "The file could not be read.");
}

}  // namespace

QString notAFileMessage() {
    return QCoreApplication::translate("Pictures",
                                       "The name is not that of an ordinary file: it is a pipe, "
                                       "a device, a socket or a folder.");
}

RegularFile::~RegularFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

RegularFile::RegularFile(RegularFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), size_(other.size_) {}

RegularFile& RegularFile::operator=(RegularFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = std::exchange(other.fd_, -1);
        size_ = other.size_;
    }
    return *this;
}

RegularFile RegularFile::open(const QString& path, OpenRules rules, QString* error) {
    RegularFile file;
    const QByteArray name = fileNameBytes(path);  // the name's own bytes, even when not UTF-8
    if (name.isEmpty()) {
        setError(error, unreadable());
        return file;
    }
    // Devices are not even opened where it can be helped: opening one may do
    // something (a watchdog starts, a tape rewinds). The check on the descriptor
    // below is the one that counts, should the name change in between.
    struct stat named {};
    const int found =
        rules.followLinks ? ::stat(name.constData(), &named) : ::lstat(name.constData(), &named);
    if (found == 0 && !S_ISREG(named.st_mode)) {
        setError(error,
                 rules.followLinks || !S_ISLNK(named.st_mode) ? notAFileMessage() : unreadable());
        return file;
    }
    // Without waiting: opening a pipe for reading would otherwise wait for a
    // writer, and some devices wait too.
    int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    if (!rules.followLinks) {
        flags |= O_NOFOLLOW;
    }
    int fd = -1;
    do {
        fd = ::open(name.constData(), flags);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        // A socket cannot be opened at all (ENXIO), a link refused gives ELOOP.
        setError(error, errno == ENXIO || errno == ELOOP ? notAFileMessage() : unreadable());
        return file;
    }
    file.fd_ = fd;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        setError(error, unreadable());
        return RegularFile();
    }
    if (!S_ISREG(st.st_mode)) {
        setError(error, notAFileMessage());
        return RegularFile();
    }
    if (rules.ownedByUser && st.st_uid != ::geteuid()) {
        setError(error, unreadable());
        return RegularFile();
    }
    // Reads of a regular file do not wait on the flag; take it off all the same,
    // so that a short read can only mean the end of the file.
    const int status = ::fcntl(fd, F_GETFL);
    if (status < 0 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) {
        setError(error, unreadable());
        return RegularFile();
    }
    file.size_ = qint64(st.st_size);
    return file;
}

int RegularFile::release() {
    return std::exchange(fd_, -1);
}

std::optional<QByteArray> RegularFile::readAll(qint64 limit, bool* tooLarge) {
    if (tooLarge) {
        *tooLarge = false;
    }
    if (fd_ < 0 || limit < 0) {
        return std::nullopt;
    }
    // The size is only a first guess at the buffer: the file may have grown since,
    // and the limit is what counts. One byte more than the limit tells a file of
    // exactly the limit from a larger one.
    QByteArray bytes;
    bytes.resize(std::min(size_, limit) + 1);
    qint64 done = 0;
    for (;;) {
        if (done == bytes.size()) {
            if (done > limit) {
                if (tooLarge) {
                    *tooLarge = true;
                }
                return std::nullopt;
            }
            bytes.resize(std::min(limit + 1, done * 2 + 64 * 1024));
        }
        const ssize_t n = ::read(fd_, bytes.data() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return std::nullopt;
        }
        if (n == 0) {
            break;
        }
        done += n;
    }
    bytes.resize(done);
    return bytes;
}

}  // namespace plenarvo::pictures
