#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <atomic>

#include <optional>

namespace plenarvo {

// The thumbnail cache the desktop's file managers and viewers share, under
// `<cache home>/thumbnails/`: `normal/` entries fit in 128 pixels, `large/` ones in
// 256, `x-large/` in 512 and `xx-large/` in 1024, each a PNG named by the MD5 of the
// file's URI that records the URI and the file's modification time (and size). An
// entry stands for the file only while both still match. Files that could not be
// read are recorded under `fail/plenarvo-<version>/` so that they are not tried
// again.
//
// Other programs, and other users, can put anything there, so an entry is only
// read when it is a regular file of the user's own (never a link, pipe or device),
// in folders of the user's own that nobody else may write to, within a fixed
// number of bytes, and after its PNG chunks have been walked: much text (counted
// inflated, each compressed chunk inflated only as far as the allowance goes) and
// a header larger than an entry can be are refused before any decoder sees them. Folders are only
// made below a folder of the user's own (or a shared one with the sticky bit, like /tmp): never in
// another user's home.
//
// Every member is const and may be called from any thread. A cache whose folder is
// missing and cannot be made, or cannot be written, just finds and stores nothing.
class ThumbnailCache {
public:
    enum class Flavour { Normal, Large, XLarge, XXLarge };
    static constexpr Flavour kFlavours[] = {Flavour::Normal, Flavour::Large, Flavour::XLarge,
                                            Flavour::XXLarge};

    // The cache under `cacheHome` (the user's cache folder). An empty path gives a
    // cache that is off.
    explicit ThumbnailCache(const QString& cacheHome);
    // The user's cache: $XDG_CACHE_HOME when it is an absolute path, else ~/.cache.
    static ThumbnailCache fromEnvironment();

    bool isOn() const { return !root_.isEmpty(); }
    const QString& root() const { return root_; }  // the `thumbnails` folder

    // The file's URI as the desktop writes it: file:// and the absolute path with
    // every byte outside the unreserved characters and !$&'()*+,:=@/ percent-encoded.
    static QByteArray uriOf(const QString& absolutePath);
    // An entry's file name for a URI: the MD5 in lower-case hex, then ".png".
    static QString entryName(const QByteArray& uri);
    static int edgeOf(Flavour flavour) { return 128 << int(flavour); }
    // The size of a `flavour` entry for a picture of `picture` pixels: fitted into
    // the flavour's square, proportions kept, never enlarged.
    static QSize entrySize(QSize picture, Flavour flavour);

    // What an entry is checked against.
    struct Source {
        QString path;  // absolute
        QByteArray uri;
        QString name;      // the entry's file name
        qint64 mtime = 0;  // seconds since the epoch
        qint64 bytes = 0;  // the file's size
        bool readable = false;
    };
    // Nothing when the cache is off, the file is not a regular file, or it lies
    // inside the cache folder (thumbnails are never made of thumbnails).
    std::optional<Source> describe(const QString& path) const;

    // A valid entry that is at least `cell` in both directions, the smallest such
    // flavour first; a null image when there is none. An entry whose proportions
    // are not the picture's (by Thumb::Image::Width and Height, when it gives them)
    // is not used: it would bring its bars or its crop into the cell.
    QImage find(const Source& source, QSize cell) const;
    // Whether a valid failure entry says the file could not be read.
    bool failed(const Source& source) const;

    // Writes an entry from a thumbnail already made (atomically: a temporary file
    // in the entry's folder renamed over it; mode 0600, folders 0700). False when it
    // could not be written, which the caller may ignore.
    bool store(const Source& source, Flavour flavour, const QImage& thumbnail, QSize picture) const;
    bool storeFailure(const Source& source) const;

    // The picture a cache entry's bytes hold, with its text; a null image when the
    // bytes are not a PNG that can be an entry.
    static QImage decodeEntry(const QByteArray& bytes);

    // The most an entry file may hold, and the most text its chunks may carry,
    // inflated.
    static constexpr qint64 kMaxEntryBytes = 16 * 1024 * 1024;
    static constexpr qint64 kMaxEntryText = 16 * 1024;

private:
    QString folderOf(Flavour flavour) const;
    bool ownFolders(const QString& folder) const;
    QString failFolder() const;
    bool valid(const QImage& entry, const Source& source) const;
    QImage readEntry(const QString& file, const Source& source) const;
    bool write(const QString& folder, const QString& name, const QImage& image) const;

    QString root_;
};

// The picture for a thumbnail cell of `cell` device pixels, stretched to exactly that
// size: a valid cached entry when there is one, else a JPEG's embedded thumbnail
// when it is good enough, else the picture decoded, from which a cache entry is
// written on the way. A null image when the file cannot be shown (recorded in the
// cache as a failure), with the reason in *error. Runs on the loader's worker
// threads; when `cancel` becomes true the decode stops at its next row or record
// and nothing is written.
QImage makeThumbnail(const QString& path, QSize cell, const ThumbnailCache& cache,
                     const std::atomic<bool>* cancel = nullptr, QString* error = nullptr);

}  // namespace plenarvo
