#include "thumbnails/thumbnail_cache.h"

#include "pictures/colour.h"
#include "pictures/cost.h"
#include "pictures/picture.h"
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
#include <cerrno>

namespace plenarvo {

namespace {

#ifndef PLENARVO_VERSION
#define PLENARVO_VERSION "0"
#endif

// Entries larger than this on either side are not thumbnails; they are not read.
constexpr int kMaxEntrySide = 1024;

// A PNG file ends with its IEND chunk; one that does not was cut short.
bool endsLikePng(const QByteArray& bytes) {
    static const QByteArray iend("IEND\xAE\x42\x60\x82", 8);
    return bytes.startsWith("\x89PNG\r\n\x1A\n") && bytes.endsWith(iend);
}

// Makes `path` and whatever folders above it are missing, each with mode 0700.
// Folders that are already there are left as they are.
bool makeFolders(const QString& path) {
    QStringList missing;
    for (QString at = path; !QFileInfo(at).isDir(); at = QFileInfo(at).path()) {
        if (at.size() <= 1) {
            return false;
        }
        missing.prepend(at);
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
    return root_ +
           (flavour == Flavour::Normal ? QStringLiteral("/normal") : QStringLiteral("/large"));
}

QString ThumbnailCache::failFolder() const {
    return root_ + QStringLiteral("/fail/plenarvo-") + QStringLiteral(PLENARVO_VERSION);
}

std::optional<ThumbnailCache::Source> ThumbnailCache::describe(const QString& path) const {
    if (!isOn()) {
        return std::nullopt;
    }
    const QFileInfo info(path);
    if (!info.isFile()) {
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

QImage ThumbnailCache::readEntry(const QString& file, const Source& source) const {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly) || in.size() > 16 * 1024 * 1024) {
        return {};
    }
    const QByteArray bytes = in.readAll();
    if (!endsLikePng(bytes)) {
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
    if (!reader.read(&entry) || !valid(entry, source)) {
        return {};
    }
    return entry;
}

QImage ThumbnailCache::find(const Source& source, QSize cell) const {
    for (const Flavour flavour : {Flavour::Normal, Flavour::Large}) {
        const int edge = edgeOf(flavour);
        if (cell.width() > edge || cell.height() > edge) {
            continue;  // no entry of this flavour can cover the cell
        }
        QImage entry = readEntry(folderOf(flavour) + u'/' + source.name, source);
        if (!entry.isNull() && entry.width() >= cell.width() && entry.height() >= cell.height()) {
            return entry;
        }
    }
    return {};
}

bool ThumbnailCache::failed(const Source& source) const {
    return !readEntry(failFolder() + u'/' + source.name, source).isNull();
}

bool ThumbnailCache::write(const QString& folder, const QString& name, const QImage& image) const {
    if (!makeFolders(folder)) {
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
    if (!isOn() || thumbnail.isNull()) {
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
    if (!isOn()) {
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
        for (const auto flavour :
             {ThumbnailCache::Flavour::Normal, ThumbnailCache::Flavour::Large}) {
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
