#include "thumbnails/thumbnail_cache.h"

#include "pictures/colour.h"
#include "pictures/cost.h"
#include "pictures/file_names.h"
#include "pictures/picture.h"
#include "pictures/regular_file.h"
#include "thumbnails/embedded_thumbnail.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>
#include <cerrno>
#include <cstdlib>

namespace plenarvo {

namespace {

#ifndef PLENARVO_VERSION
#define PLENARVO_VERSION "0"
#endif

// Entries larger than this on either side are not thumbnails; they are not read.
constexpr int kMaxEntrySide = 1024;
// A colour profile's bytes; the common ones take a few hundred.
constexpr qint64 kMaxProfileBytes = 1024 * 1024;

quint32 be32(const QByteArray& bytes, qsizetype at) {
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData() + at);
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | quint32(p[3]);
}

// How many bytes the zlib stream `data` inflates to, when that is at most `limit`
// and the stream is whole; nothing otherwise. Inflates into a small buffer it
// throws away, so that the cost is bounded by `limit`, whatever the stream says.
std::optional<qint64> inflatedSize(const QByteArray& data, qint64 limit) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) {
        return std::nullopt;
    }
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    stream.avail_in = uInt(data.size());
    Bytef out[4096];
    qint64 total = 0;
    int result = Z_OK;
    while (result == Z_OK && total <= limit) {
        stream.next_out = out;
        stream.avail_out = sizeof(out);
        result = inflate(&stream, Z_NO_FLUSH);
        total += qint64(sizeof(out) - stream.avail_out);
    }
    inflateEnd(&stream);
    if (result != Z_STREAM_END || total > limit) {
        return std::nullopt;
    }
    return total;
}

// The text a text chunk carries once inflated, counted in bytes; nothing when it
// is damaged or would inflate past `limit`. tEXt is keyword, NUL, text; zTXt
// keyword, NUL, method, zlib stream; iTXt keyword, NUL, flag, method, language,
// NUL, translated keyword, NUL, text (a zlib stream when the flag is set).
std::optional<qint64> textSize(const QByteArray& type, const QByteArray& data, qint64 limit) {
    const qsizetype keyword = data.indexOf('\0');
    if (keyword < 0) {
        return std::nullopt;
    }
    if (type == "tEXt") {
        return data.size();
    }
    qsizetype stream = keyword + 2;  // zTXt
    if (type == "iTXt") {
        const qsizetype language = data.indexOf('\0', keyword + 3);
        const qsizetype translated = language < 0 ? -1 : data.indexOf('\0', language + 1);
        if (translated < 0) {
            return std::nullopt;
        }
        if (data[keyword + 1] == '\0') {
            return data.size();  // not compressed
        }
        stream = translated + 1;
    }
    const std::optional<qint64> text = inflatedSize(data.mid(stream), limit - stream);
    return text ? std::optional<qint64>(*text + stream) : std::nullopt;
}

// Walks a PNG's chunks, a plain list of length, type, data and checksum, before
// any decoder sees them: a decoder inflates every compressed text chunk just to
// report the picture's size, and a few megabytes of them inflate to gigabytes.
// True when the file is one list of chunks from the header to the end, with a
// header no larger than an entry can be and little text, compressed or not (Qt
// itself compresses every text longer than 40 characters, a long URI among them;
// each is inflated here, into nothing, up to what is left of the allowance).
bool chunksLookLikeAnEntry(const QByteArray& bytes) {
    if (!bytes.startsWith("\x89PNG\r\n\x1A\n")) {
        return false;
    }
    qint64 text = 0;
    bool first = true;
    for (qsizetype at = 8;;) {
        if (bytes.size() - at < 12) {
            return false;
        }
        const quint32 length = be32(bytes, at);
        if (length > quint32(bytes.size() - at - 12)) {
            return false;
        }
        const QByteArray type = bytes.mid(at + 4, 4);
        const QByteArray data = QByteArray::fromRawData(bytes.constData() + at + 8, length);
        if (first != (type == "IHDR")) {
            return false;  // one header, first
        }
        if (first) {
            const quint32 width = length == 13 ? be32(bytes, at + 8) : 0;
            const quint32 height = length == 13 ? be32(bytes, at + 12) : 0;
            if (width == 0 || height == 0 || width > quint32(kMaxEntrySide) ||
                height > quint32(kMaxEntrySide)) {
                return false;
            }
            first = false;
        }
        if (type == "tEXt" || type == "zTXt" || type == "iTXt") {
            const std::optional<qint64> size =
                textSize(type, data, ThumbnailCache::kMaxEntryText - text);
            if (!size || (text += *size) > ThumbnailCache::kMaxEntryText) {
                return false;
            }
        }
        if (type == "iCCP") {
            const qsizetype name = data.indexOf('\0');
            if (name < 0 || !inflatedSize(data.mid(name + 2), kMaxProfileBytes)) {
                return false;
            }
        }
        at += 12 + qsizetype(length);
        if (type == "IEND") {
            return at == bytes.size();  // nothing after the end: the file is whole
        }
    }
}

// A folder the cache may use: a folder (a link to one counts as the folder),
// the user's own, that no one else may write to. A group may write to it only
// when it is the user's own group (systems that give each user a group of their
// own make folders group-writable).
bool ownFolder(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == ::geteuid() && (st.st_mode & S_IWOTH) == 0 &&
           ((st.st_mode & S_IWGRP) == 0 || st.st_gid == ::getegid());
}

// A folder new folders may be made in: the user's own, or a shared one with the
// sticky bit (like /tmp), where no one can take over what the user makes.
bool mayMakeFoldersIn(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return false;
    }
    return st.st_uid == ::geteuid() || (st.st_mode & S_ISVTX) != 0;
}

// Makes `path` and whatever folders above it are missing, each with mode 0700,
// when the nearest folder that is there may hold them. Folders that are already
// there are left as they are.
bool makeFolders(const QString& path) {
    QStringList missing;
    QString at = path;
    for (; !QFileInfo(at).isDir(); at = QFileInfo(at).path()) {
        if (at.size() <= 1) {
            return false;
        }
        missing.prepend(at);
    }
    if (!missing.isEmpty() && !mayMakeFoldersIn(at)) {
        return false;
    }
    for (const QString& folder : missing) {
        if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
    }
    return true;
}

bool writeAll(int fd, const QByteArray& bytes) {
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += n;
    }
    return true;
}

}  // namespace

ThumbnailCache::ThumbnailCache(const QString& cacheHome) {
    if (!cacheHome.isEmpty()) {
        root_ = QDir::cleanPath(QDir(cacheHome).absolutePath()) + QStringLiteral("/thumbnails");
    }
}

ThumbnailCache ThumbnailCache::fromEnvironment() {
    const QString xdg = qEnvironmentVariable("XDG_CACHE_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg)) {
        return ThumbnailCache(xdg);
    }
    const QString home = QDir::homePath();
    if (home.isEmpty() || home == QDir::rootPath()) {
        return ThumbnailCache(QString());
    }
    return ThumbnailCache(home + QStringLiteral("/.cache"));
}

QByteArray ThumbnailCache::uriOf(const QString& absolutePath) {
    static const QByteArray kept("!$&'()*+,-./:=@_~");
    static const char hex[] = "0123456789ABCDEF";
    QByteArray uri("file://");
    for (const char c : QFile::encodeName(absolutePath)) {
        const auto u = static_cast<uchar>(c);
        if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
            kept.contains(c)) {
            uri.append(c);
        } else {
            uri.append('%');
            uri.append(hex[u >> 4]);
            uri.append(hex[u & 15]);
        }
    }
    return uri;
}

QString ThumbnailCache::entryName(const QByteArray& uri) {
    return QString::fromLatin1(QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex()) +
           QStringLiteral(".png");
}

QSize ThumbnailCache::entrySize(QSize picture, Flavour flavour) {
    const int edge = edgeOf(flavour);
    if (picture.isEmpty()) {
        return {};
    }
    if (picture.width() <= edge && picture.height() <= edge) {
        return picture;
    }
    return picture.scaled(edge, edge, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

QString ThumbnailCache::folderOf(Flavour flavour) const {
    switch (flavour) {
        case Flavour::Normal:
            return root_ + QStringLiteral("/normal");
        case Flavour::Large:
            return root_ + QStringLiteral("/large");
        case Flavour::XLarge:
            return root_ + QStringLiteral("/x-large");
        case Flavour::XXLarge:
            return root_ + QStringLiteral("/xx-large");
    }
    return {};
}

// Every folder from the cache home down to `folder` must be the user's own.
bool ThumbnailCache::ownFolders(const QString& folder) const {
    const QString home = QFileInfo(root_).path();
    if (!ownFolder(home)) {
        return false;
    }
    for (QString at = folder; at.size() > home.size(); at = QFileInfo(at).path()) {
        if (!ownFolder(at)) {
            return false;
        }
    }
    return true;
}

QString ThumbnailCache::failFolder() const {
    return root_ + QStringLiteral("/fail/plenarvo-") + QStringLiteral(PLENARVO_VERSION);
}

std::optional<ThumbnailCache::Source> ThumbnailCache::describe(const QString& path) const {
    if (!isOn()) {
        return std::nullopt;
    }
    // Qt's file classes reach no name that is not valid UTF-8: no entry for one.
    const QFileInfo info(path);
    if (pictures::holdsUndecodedBytes(path) || !info.isFile()) {
        return std::nullopt;
    }
    Source source;
    source.path = QDir::cleanPath(info.absoluteFilePath());
    // Inside the cache folder, by its name or through links.
    const QString canonical = info.canonicalFilePath();
    const QString canonicalRoot = QFileInfo(root_).canonicalFilePath();
    if (source.path.startsWith(root_ + u'/') || canonical.startsWith(root_ + u'/') ||
        (!canonicalRoot.isEmpty() && canonical.startsWith(canonicalRoot + u'/'))) {
        return std::nullopt;
    }
    source.uri = uriOf(source.path);
    source.name = entryName(source.uri);
    source.mtime = info.lastModified().toSecsSinceEpoch();
    source.bytes = info.size();
    source.readable = info.isReadable();
    return source;
}

bool ThumbnailCache::valid(const QImage& entry, const Source& source) const {
    if (entry.text(QStringLiteral("Thumb::URI")).toUtf8() != source.uri) {
        return false;
    }
    bool number = false;
    const qint64 mtime = entry.text(QStringLiteral("Thumb::MTime")).trimmed().toLongLong(&number);
    if (!number || mtime != source.mtime) {
        return false;
    }
    const QString size = entry.text(QStringLiteral("Thumb::Size"));
    return size.isEmpty() || size.trimmed().toLongLong() == source.bytes;
}

QImage ThumbnailCache::decodeEntry(const QByteArray& bytes) {
    if (!chunksLookLikeAnEntry(bytes)) {
        return {};
    }
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    reader.setAutoDetectImageFormat(false);
    const QSize size = reader.size();
    if (size.isEmpty() || size.width() > kMaxEntrySide || size.height() > kMaxEntrySide) {
        return {};
    }
    QImage entry;
    if (!reader.read(&entry) || entry.size() != size) {
        return {};
    }
    return entry;
}

QImage ThumbnailCache::readEntry(const QString& file, const Source& source) const {
    if (!ownFolders(QFileInfo(file).path())) {
        return {};
    }
    // Never through a link, and never anything but the user's own regular file:
    // a pipe would wait for ever, a device would never end.
    pictures::RegularFile in =
        pictures::RegularFile::open(file, {.followLinks = false, .ownedByUser = true}, nullptr);
    if (!in.isOpen() || in.size() > kMaxEntryBytes) {
        return {};
    }
    const std::optional<QByteArray> bytes = in.readAll(kMaxEntryBytes);
    if (!bytes) {
        return {};
    }
    QImage entry = decodeEntry(*bytes);
    if (entry.isNull() || !valid(entry, source)) {
        return {};
    }
    return entry;
}

namespace {

// Whether an entry shows the picture whole and undistorted: its sides in the
// proportions of the picture's (either way round, as some programs record the
// stored size of a turned photo), up to the pixel each side was rounded to. A
// letterboxed or cropped entry is not. An entry that does not give the picture's
// size is taken as it is.
bool proportionsAgree(const QImage& entry) {
    bool wide = false;
    bool high = false;
    const qint64 w = entry.text(QStringLiteral("Thumb::Image::Width")).trimmed().toLongLong(&wide);
    const qint64 h = entry.text(QStringLiteral("Thumb::Image::Height")).trimmed().toLongLong(&high);
    if (!wide || !high || w <= 0 || h <= 0) {
        return true;
    }
    const auto agree = [&entry](qint64 pw, qint64 ph) {
        return std::llabs(qint64(entry.width()) * ph - qint64(entry.height()) * pw) <= pw + ph;
    };
    return agree(w, h) || agree(h, w);
}

}  // namespace

QImage ThumbnailCache::find(const Source& source, QSize cell) const {
    for (const Flavour flavour : kFlavours) {
        const int edge = edgeOf(flavour);
        if (cell.width() > edge || cell.height() > edge) {
            continue;  // no entry of this flavour can cover the cell
        }
        QImage entry = readEntry(folderOf(flavour) + u'/' + source.name, source);
        if (!entry.isNull() && entry.width() >= cell.width() && entry.height() >= cell.height() &&
            proportionsAgree(entry)) {
            return entry;
        }
    }
    return {};
}

bool ThumbnailCache::failed(const Source& source) const {
    return !readEntry(failFolder() + u'/' + source.name, source).isNull();
}

bool ThumbnailCache::write(const QString& folder, const QString& name, const QImage& image) const {
    if (!makeFolders(folder) || !ownFolders(folder)) {
        return false;
    }
    QByteArray encoded;
    {
        QBuffer buffer(&encoded);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "png");
        // Qt's PNG quality 80 is zlib's fastest level: a fifth larger than the
        // default, and a third of its time, which would otherwise add a tenth to a
        // 12-megapixel photo's decode for a 128-pixel entry and half for a 256-pixel one.
        writer.setQuality(80);
        if (!writer.write(image)) {
            return false;
        }
    }
    const QByteArray target = QFile::encodeName(folder + u'/' + name);
    QByteArray temporary = target + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());  // made with mode 0600
    if (fd < 0) {
        return false;
    }
    const bool written = writeAll(fd, encoded);
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temporary.constData(), target.constData()) != 0) {
        ::unlink(temporary.constData());
        return false;
    }
    return true;
}

bool ThumbnailCache::store(const Source& source, Flavour flavour, const QImage& thumbnail,
                           QSize picture) const {
    // An entry whose text would be too long to be read back is not written.
    if (!isOn() || thumbnail.isNull() || source.uri.size() > kMaxEntryText / 2) {
        return false;
    }
    QImage entry = thumbnail;
    entry.setText(QStringLiteral("Thumb::URI"), QString::fromUtf8(source.uri));
    entry.setText(QStringLiteral("Thumb::MTime"), QString::number(source.mtime));
    entry.setText(QStringLiteral("Thumb::Size"), QString::number(source.bytes));
    if (picture.isValid()) {
        entry.setText(QStringLiteral("Thumb::Image::Width"), QString::number(picture.width()));
        entry.setText(QStringLiteral("Thumb::Image::Height"), QString::number(picture.height()));
    }
    entry.setText(QStringLiteral("Software"), QStringLiteral("Plenarvo " PLENARVO_VERSION));
    return write(folderOf(flavour), source.name, entry);
}

bool ThumbnailCache::storeFailure(const Source& source) const {
    if (!isOn() || source.uri.size() > kMaxEntryText / 2) {
        return false;
    }
    QImage mark(1, 1, QImage::Format_ARGB32);
    mark.fill(Qt::transparent);
    mark.setText(QStringLiteral("Thumb::URI"), QString::fromUtf8(source.uri));
    mark.setText(QStringLiteral("Thumb::MTime"), QString::number(source.mtime));
    mark.setText(QStringLiteral("Software"), QStringLiteral("Plenarvo " PLENARVO_VERSION));
    return write(failFolder(), source.name, mark);
}

namespace {

// Entries and embedded thumbnails are sRGB; the cell shows the display's colours.
QImage toCell(const QImage& image, QSize cell) {
    if (image.isNull() || image.size() == cell) {
        return pictures::inShownColours(image);
    }
    return pictures::inShownColours(
        image.scaled(cell, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

}  // namespace

QImage makeThumbnail(const QString& path, QSize cell, const ThumbnailCache& cache,
                     const std::atomic<bool>* cancel, QString* error) {
    const pictures::detail::CancelScope scope(cancel);
    const std::optional<ThumbnailCache::Source> source = cache.describe(path);
    if (source) {
        const QImage entry = cache.find(*source, cell);
        if (!entry.isNull()) {
            return toCell(entry, cell);
        }
        if (cache.failed(*source)) {
            if (error) {
                *error = QCoreApplication::translate(
                    "Thumbnails",
                    "The picture could not be read before, and its file has "
                    "not changed since.");
            }
            return {};
        }
    }
    const QImage embedded = embeddedThumbnail(path, cell);
    if (!embedded.isNull()) {
        return toCell(embedded, cell);
    }

    const pictures::Picture picture = pictures::Picture::fromFile(path, error);
    if (pictures::detail::cancelled()) {
        return {};  // not wanted any more: neither a picture nor a failure to record
    }
    if (picture.isNull()) {
        if (source && source->readable) {
            cache.storeFailure(*source);
        }
        return {};
    }
    // The entry comes from the decode the cell needs anyway: the picture is decoded
    // at the entry's size, which for a photo costs what the cell's size does (the
    // JPEG decoder lands on the same one of its scales), and the cell is made from
    // the entry, so that it looks the same now as from the cache later. An entry
    // too small for the cell (a panorama's) is not written: the cell is decoded
    // straight at its own size.
    if (source) {
        for (const auto flavour : ThumbnailCache::kFlavours) {
            const QSize size = ThumbnailCache::entrySize(picture.size(), flavour);
            if (size.width() < cell.width() || size.height() < cell.height()) {
                continue;
            }
            // Other programs read the shared entries as sRGB.
            const QImage entry = picture.scaled(size, nullptr, pictures::Colours::Srgb);
            if (entry.isNull() || pictures::detail::cancelled()) {
                break;
            }
            cache.store(*source, flavour, entry, picture.size());
            return toCell(entry, cell);
        }
    }
    QImage image = picture.scaled(cell, error);
    if (pictures::detail::cancelled()) {
        return {};
    }
    if (image.isNull() && source && source->readable) {
        cache.storeFailure(*source);
    }
    return image;
}

}  // namespace plenarvo
