#include "pictures/picture.h"
#include "support/corpus.h"
#include "support/le_bytes.h"
#include "thumbnails/embedded_thumbnail.h"
#include "thumbnails/thumbnail_cache.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QTemporaryDir>

#include <functional>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

using namespace plenarvo;
using namespace plenarvo::testing;

namespace {

constexpr QSize kCell(95, 81);

QByteArray encoded(const QImage& image, const char* format = "jpeg") {
    return encode(image, format);
}

// A picture whose four quarters differ, so that a turned or mirrored copy shows.
QImage quarters(QSize size) {
    return plenarvo::testing::quarters(size, {QColor(20, 40, 60), QColor(230, 40, 120),
                                              QColor(20, 210, 180), QColor(230, 210, 240)});
}

// Mean absolute difference per channel, the largest of the three; same sizes.
double largestChannelDifference(const QImage& a, const QImage& b) {
    return meanDifference(a, b, Qt::black, {}, true);
}

bool reddish(const QImage& image) {
    const QColor middle = image.isNull() ? QColor() : image.pixelColor(image.rect().center());
    return middle.red() > 200 && middle.green() < 60;
}

// `jpeg` with one more segment right after SOI.
QByteArray withSegment(const QByteArray& jpeg, char marker, const QByteArray& payload) {
    QByteArray segment("\xFF", 1);
    segment.append(marker).append(char((payload.size() + 2) >> 8));
    segment.append(char((payload.size() + 2) & 0xFF));
    return jpeg.left(2) + segment + payload + jpeg.mid(2);
}

// How an EXIF segment is built; the optional fields damage it on purpose.
struct ExifParts {
    int orientation = 1;
    QByteArray thumbnail;                   // IFD1's JPEG; no IFD1 when empty
    std::optional<qint64> ifd1Offset;       // where IFD0 says IFD1 is
    std::optional<qint64> thumbnailOffset;  // IFD1's JPEGInterchangeFormat
    std::optional<qint64> thumbnailLength;  // IFD1's JPEGInterchangeFormatLength
    QSize pixels;                           // the EXIF directory's PixelX/YDimension
    bool orientationInIfd1 = false;         // in IFD1 only (IFD0 has another tag)
};

// A 640 x 480 JPEG (or `size`) with an EXIF segment right after SOI: IFD0 holds the
// orientation, the EXIF directory the picture's size when given, IFD1 the
// thumbnail; little-endian, as most cameras write it.
QByteArray photo(const ExifParts& parts, QSize size = {640, 480}) {
    const bool thumb = !parts.thumbnail.isEmpty();
    const bool pixels = parts.pixels.isValid();
    const qint64 exifIfd = 8 + 2 + 12 * (pixels ? 2 : 1) + 4;
    const qint64 ifd1 = exifIfd + (pixels ? 2 + 2 * 12 + 4 : 0);
    const int ifd1Entries = parts.orientationInIfd1 ? 3 : 2;
    const auto orientation = [&parts](QByteArray& tiff) {
        le16(le32(le16(tiff, {0x0112, 3}), {1}), {parts.orientation, 0});
    };
    QByteArray tiff("II*\0", 4);
    le32(tiff, {8});
    le16(tiff, {pixels ? 2 : 1});
    if (parts.orientationInIfd1) {
        le16(le32(le16(tiff, {0x0128, 3}), {1}), {2, 0});  // ResolutionUnit
    } else {
        orientation(tiff);
    }
    if (pixels) {
        le32(le16(tiff, {0x8769, 4}), {1, exifIfd});
    }
    le32(tiff, {thumb ? parts.ifd1Offset.value_or(ifd1) : 0});
    if (pixels) {
        le32(le16(tiff, {2, 0xA002, 4}), {1, parts.pixels.width()});
        le32(le16(tiff, {0xA003, 4}), {1, parts.pixels.height(), 0});
    }
    if (thumb) {
        le16(tiff, {ifd1Entries});
        if (parts.orientationInIfd1) {
            orientation(tiff);
        }
        le32(le16(tiff, {0x0201, 4}),
             {1, parts.thumbnailOffset.value_or(ifd1 + 2 + 12 * ifd1Entries + 4)});
        le32(le16(tiff, {0x0202, 4}),
             {1, parts.thumbnailLength.value_or(parts.thumbnail.size()), 0});
        tiff.append(parts.thumbnail);
    }
    return withSegment(encoded(quarters(size)), '\xE1', QByteArray("Exif\0\0", 6) + tiff);
}

int modeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}

// A folder with pictures and a cache home of its own.
class CacheFolders : public ::testing::Test {
protected:
    QString picture(const QString& name) {
        return writeFile(pictures_.filePath(name), encoded(solid({640, 480}, Qt::red)));
    }
    QString entryPath(const QString& picturePath, const QString& flavour = "normal") const {
        return home_.filePath("thumbnails/" + flavour + '/' +
                              ThumbnailCache::entryName(ThumbnailCache::uriOf(picturePath)));
    }

    QTemporaryDir pictures_;
    QTemporaryDir home_;
    ThumbnailCache cache_{home_.path()};
};

}  // namespace

TEST(EmbeddedThumbnail, IsUsedOnlyWhenLargeEnoughOfTheSameProportionsAndSound) {
    const QByteArray t160x120 = encoded(quarters({160, 120}));
    const QByteArray t160x121 = encoded(quarters({160, 121}));  // 0.8 % taller
    const QByteArray t160x123 = encoded(quarters({160, 123}));  // 2.5 % taller
    const QByteArray profile = QByteArray("ICC_PROFILE\0\x01\x01", 14) + QByteArray(128, '\0');
    ExifParts sameSize{1, t160x120};
    sameSize.pixels = {640, 480};
    ExifParts edited = sameSize;  // shrunk since the camera wrote it
    edited.pixels = {2272, 1704};
    const struct {
        const char* name;
        QByteArray file;
        QSize cell;
        QSize expected;  // invalid: no embedded thumbnail is used
    } cases[] = {
        {"fits", photo({1, t160x120}), kCell, {160, 120}},
        {"within 2 %", photo({1, t160x121}), kCell, {160, 121}},
        {"too small for the cell", photo({1, t160x120}), {190, 162}, {}},
        {"letterboxed 3:2 photo", photo({1, t160x120}, {600, 400}), kCell, {}},
        {"proportions off by 2.5 %", photo({1, t160x123}), kCell, {}},
        {"turned a quarter", photo({6, t160x120}), kCell, {120, 160}},
        {"turned, then too narrow", photo({8, t160x120}), {130, 81}, {}},
        {"larger than the picture", photo({1, t160x120}, {80, 60}), {64, 48}, {}},
        {"EXIF gives the picture's size", photo(sameSize), kCell, {160, 120}},
        {"EXIF gives another size", photo(edited), kCell, {}},
        {"no thumbnail", photo({6, {}}), kCell, {}},
        {"IFD1 outside the segment", photo({1, t160x120, 70000}), kCell, {}},
        {"thumbnail past the end", photo({1, t160x120, {}, {}, 90000}), kCell, {}},
        {"thumbnail offset wrong", photo({1, t160x120, {}, 20}), kCell, {}},
        {"thumbnail not a JPEG", photo({1, QByteArray(3000, 'U')}), kCell, {}},
        {"thumbnail cut short", photo({1, t160x120.left(200)}), kCell, {}},
        // The thumbnail's colours are not to be trusted.
        {"colour profile", withSegment(photo({1, t160x120}), '\xE2', profile), kCell, {}},
        {"not a JPEG", encoded(quarters({640, 480}), "png"), kCell, {}},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage got = embeddedThumbnail(writeFile(dir.filePath("p.jpg"), c.file), c.cell);
        EXPECT_EQ(got.isNull() ? QSize() : got.size(), c.expected);
    }

    // Every EXIF orientation, and the ways of storing it that decoders read
    // differently, against the decoder's own turning of the picture.
    const QByteArray xmp("http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>", 42);
    std::vector<std::pair<std::string, QByteArray>> turned;
    for (int orientation = 1; orientation <= 8; ++orientation) {
        turned.emplace_back(std::to_string(orientation), photo({orientation, t160x120}));
    }
    QByteArray asLong = photo({6, t160x120});
    asLong[24] = 4;  // IFD0's first entry's type: LONG 6 has the bytes of SHORT 6
    ExifParts inIfd1{6, t160x120};
    inIfd1.orientationInIfd1 = true;
    turned.emplace_back("stored as LONG", asLong);
    turned.emplace_back("only in IFD1", photo(inIfd1));
    turned.emplace_back("after an XMP segment", withSegment(photo({6, t160x120}), '\xE1', xmp));
    for (const auto& [name, file] : turned) {
        SCOPED_TRACE(name);
        const QString path = writeFile(dir.filePath("p.jpg"), file);
        const QImage embedded = embeddedThumbnail(path, kCell);
        ASSERT_FALSE(embedded.isNull());
        EXPECT_LT(largestChannelDifference(
                      embedded.scaled(kCell, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
                      pictures::decodeScaled(path, kCell)),
                  4.0);
    }
}

TEST(EmbeddedThumbnail, OnlyTheHeadOfTheFileIsRead) {
    const QByteArray file = photo({3, encoded(quarters({160, 120}))});
    QBuffer buffer;
    buffer.setData(file);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    ASSERT_TRUE(readJpegHead(buffer));
    // It stopped at the frame header, long before the picture's data.
    const qsizetype frame = file.indexOf("\xFF\xC0", 4 + (uchar(file[4]) << 8 | uchar(file[5])));
    ASSERT_GT(frame, 0);
    EXPECT_LE(buffer.pos(), frame + 9);

    // Damaged heads give nothing, without reading on.
    const QByteArray damaged[] = {
        QByteArray("\xFF\xD8\xFF\xDA\x00\x02", 6),       // data before any frame header
        QByteArray("\xFF\xD8\xFF\xE0\x00\x01", 6),       // a length below its own size
        QByteArray("\xFF\xD8\xFF\xE1\x40\x00Exif", 10),  // a segment longer than the file
        QByteArray("\xFF\xD8\x00\x00", 4),               // no marker
        file.left(frame + 4),                            // cut inside the frame header
    };
    for (const QByteArray& bytes : damaged) {
        QBuffer in;
        in.setData(bytes);
        in.open(QIODevice::ReadOnly);
        EXPECT_FALSE(readJpegHead(in)) << bytes.left(12).toHex().constData();
    }
}

TEST(ThumbnailCacheNames, FollowTheDesktopsRules) {
    const std::pair<QString, QByteArray> uris[] = {
        {"/home/jens/photos/me.png", "file:///home/jens/photos/me.png"},
        {"/tmp/a b/été;[1]#%.jpg", "file:///tmp/a%20b/%C3%A9t%C3%A9%3B%5B1%5D%23%25.jpg"},
        {"/p/!$&'()*+,-.:=@_~", "file:///p/!$&'()*+,-.:=@_~"},
    };
    for (const auto& [path, uri] : uris) {
        EXPECT_EQ(ThumbnailCache::uriOf(path), uri);
    }
    // The example the thumbnail standard itself gives.
    EXPECT_EQ(ThumbnailCache::entryName("file:///home/jens/photos/me.png"),
              "c6ee772d9e49320e97ec29a7eb5b1697.png");
    // A small picture's entry is never enlarged.
    EXPECT_EQ(ThumbnailCache::entrySize({100, 75}, ThumbnailCache::Flavour::Large), QSize(100, 75));
}

TEST_F(CacheFolders, ADecodedPictureLeavesAPrivateEntryOfItsFlavour) {
    const QString path = picture("a.jpg");
    const QImage first = makeThumbnail(path, kCell, cache_);
    EXPECT_EQ(first.size(), kCell);
    EXPECT_TRUE(reddish(first));

    const QImage written = QImageReader(entryPath(path), "png").read();
    ASSERT_EQ(written.size(), QSize(128, 96));
    const QFileInfo info(path);
    EXPECT_EQ(written.text("Thumb::URI"), "file://" + info.absoluteFilePath());
    EXPECT_EQ(written.text("Thumb::MTime").toLongLong(), info.lastModified().toSecsSinceEpoch());
    EXPECT_EQ(written.text("Thumb::Size").toLongLong(), info.size());
    EXPECT_EQ(modeOf(entryPath(path)), 0600);
    EXPECT_EQ(modeOf(home_.filePath("thumbnails")), 0700);
    EXPECT_EQ(modeOf(home_.filePath("thumbnails/normal")), 0700);
    EXPECT_EQ(QDir(home_.filePath("thumbnails/normal")).entryList(QDir::Files),
              QStringList{QFileInfo(entryPath(path)).fileName()});  // no leftovers

    // A cell twice as large in device pixels needs the large flavour.
    EXPECT_EQ(makeThumbnail(path, kCell * 2, cache_).size(), kCell * 2);
    EXPECT_EQ(QImageReader(entryPath(path, "large")).size(), QSize(256, 192));
    EXPECT_EQ(makeThumbnail(path, kCell * 4, cache_).size(), kCell * 4);
    EXPECT_EQ(QImageReader(entryPath(path, "x-large")).size(), QSize(512, 384));
}

TEST_F(CacheFolders, AnEntryStandsInOnlyWhileItMatchesTheFileAndCoversTheCell) {
    const struct {
        const char* name;
        QSize size;
        const char* uri;  // nullptr: the file's own
        qint64 mtimeShift;
        const char* bytes;  // Thumb::Size; nullptr: the file's own, "": left out
        int cut;            // bytes cut off the PNG's end
        bool used;
        const char* flavour = "normal";
        QSize picture = {};  // Thumb::Image::Width and Height; invalid: left out
        int text = 0;        // a comment's characters (x, or € when negative), compressed
    } cases[] = {
        {"matching", {128, 96}, nullptr, 0, nullptr, 0, true},
        {"without Thumb::Size", {128, 96}, nullptr, 0, "", 0, true},
        {"another file's URI", {128, 96}, "file:///elsewhere/a.jpg", 0, nullptr, 0, false},
        {"stale: the file changed since", {128, 96}, nullptr, -60, nullptr, 0, false},
        {"another size", {128, 96}, nullptr, 0, "12", 0, false},
        {"truncated PNG", {128, 96}, nullptr, 0, nullptr, 20, false},
        {"too short for the cell", {128, 32}, nullptr, 0, nullptr, 0, false},
        {"x-large", {512, 384}, nullptr, 0, nullptr, 0, true, "x-large"},
        {"4:3 of 3:4", {128, 96}, nullptr, 0, nullptr, 0, true, "normal", {480, 640}},
        {"letterboxed", {128, 128}, nullptr, 0, nullptr, 0, false, "normal", {640, 480}},
        {"square, size not given", {128, 128}, nullptr, 0, nullptr, 0, true},
        {"some text", {128, 96}, nullptr, 0, nullptr, 0, true, "normal", {}, 200},
        {"text past 16 KB", {128, 96}, nullptr, 0, nullptr, 0, false, "normal", {}, 20000},
        {"UTF-8 text past it", {128, 96}, nullptr, 0, nullptr, 0, false, "normal", {}, -8000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(home_.filePath("thumbnails")).removeRecursively();
        const QString path = picture("b.jpg");
        const QFileInfo info(path);
        QImage green = solid(c.size, Qt::green);
        green.setText("Thumb::URI", c.uri ? QByteArray(c.uri) : ThumbnailCache::uriOf(path));
        green.setText("Thumb::MTime",
                      QString::number(info.lastModified().toSecsSinceEpoch() + c.mtimeShift));
        if (!c.bytes || *c.bytes) {
            green.setText("Thumb::Size", c.bytes ? c.bytes : QString::number(info.size()));
        }
        if (c.picture.isValid()) {
            green.setText("Thumb::Image::Width", QString::number(c.picture.width()));
            green.setText("Thumb::Image::Height", QString::number(c.picture.height()));
        }
        if (c.text != 0) {
            green.setText("Comment", QString(std::abs(c.text), c.text > 0 ? u'x' : u'\u20AC'));
        }
        const QByteArray png = encoded(green, "png");
        writeFile(entryPath(path, c.flavour), png.left(png.size() - c.cut));

        const QImage got = makeThumbnail(path, kCell, cache_);
        ASSERT_EQ(got.size(), kCell);
        EXPECT_EQ(reddish(got), !c.used);
        EXPECT_EQ(got.pixelColor(got.rect().center()) == QColor(Qt::green), c.used);
        if (!c.used && c.size.height() >= kCell.height()) {
            // The picture was decoded and its entry written over the bad one.
            EXPECT_EQ(QImageReader(entryPath(path)).read().text("Thumb::MTime").toLongLong(),
                      info.lastModified().toSecsSinceEpoch());
        }
    }
}

// Only the user's own regular entries in the user's own folders count, and no
// folder is made in another user's home. Only root can give files to others.
TEST_F(CacheFolders, EntriesAndFoldersOfOthersAreNotUsed) {
    const auto give = [](const QString& path, uid_t user = 65534) {
        return ::geteuid() == 0 && ::chown(QFile::encodeName(path).constData(), user, 65534) == 0;
    };
    const auto writable = [](const QString& entry, mode_t mode = 0777) {
        return ::chmod(QFile::encodeName(QFileInfo(entry).path()).constData(), mode) == 0;
    };
    const std::pair<const char*, std::function<bool(const QString&)>> cases[] = {
        {"a link to an entry",
         [](const QString& e) { return QFile::rename(e, e + "~") && QFile::link(e + "~", e); }},
        {"a folder anybody may write to", [writable](const QString& e) { return writable(e); }},
        {"a folder another group may write to",
         [give, writable](const QString& e) {
             return give(QFileInfo(e).path(), 0) && writable(e, 0770);
         }},
        {"another user's entry", [give](const QString& e) { return give(e); }},
        {"another user's folder", [give](const QString& e) { return give(QFileInfo(e).path()); }},
    };
    for (const auto& [name, spoil] : cases) {
        SCOPED_TRACE(name);
        QDir(home_.filePath("thumbnails")).removeRecursively();
        const QString path = picture("d.jpg");
        ASSERT_EQ(makeThumbnail(path, kCell, cache_).size(), kCell);  // writes a red entry
        QImage green = QImageReader(entryPath(path)).read();
        green.fill(Qt::green);  // the same text
        writeFile(entryPath(path), encoded(green, "png"));
        if (spoil(entryPath(path))) {
            EXPECT_TRUE(reddish(makeThumbnail(path, kCell, cache_)));
        }
    }
    QTemporaryDir theirs;
    if (give(theirs.path())) {
        const ThumbnailCache cache(theirs.path() + "/.cache");
        EXPECT_TRUE(reddish(makeThumbnail(picture("e.jpg"), kCell, cache)));
        EXPECT_FALSE(QFileInfo::exists(theirs.path() + "/.cache"));
    }
}

TEST_F(CacheFolders, AFileThatCannotBeReadIsNotTriedAgainUntilItChanges) {
    const QString path = writeFile(pictures_.filePath("bad.jpg"), "not a picture");
    const QDateTime when = QFileInfo(path).lastModified();
    QString error;
    EXPECT_TRUE(makeThumbnail(path, kCell, cache_, nullptr, &error).isNull());
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFile::exists(entryPath(path)));
    // A good picture with the same modification time is still taken as failed.
    writeFile(path, encoded(solid({640, 480}, Qt::red)));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(when, QFileDevice::FileModificationTime));
    error.clear();
    EXPECT_TRUE(makeThumbnail(path, kCell, cache_, nullptr, &error).isNull());
    EXPECT_FALSE(error.isEmpty());
    ASSERT_TRUE(file.setFileTime(when.addSecs(5), QFileDevice::FileModificationTime));
    EXPECT_TRUE(reddish(makeThumbnail(path, kCell, cache_)));
}

TEST_F(CacheFolders, ACacheThatCannotBeWrittenOrIsOffChangesNothingButTheEntries) {
    const QString path = picture("c.jpg");
    const QImage decoded = pictures::decodeScaled(path, kCell);
    const QString blocked = writeFile(home_.filePath("blocked"), "x");  // the home is a file
    writeFile(home_.filePath("taken/thumbnails"), "x");                 // its folder is a file
    const QString missing = home_.filePath("new/cache");                // made when missing
    for (const QString& home : {blocked, home_.filePath("taken"), missing}) {
        SCOPED_TRACE(qPrintable(home));
        EXPECT_LT(
            largestChannelDifference(makeThumbnail(path, kCell, ThumbnailCache(home)), decoded),
            4.0);
    }
    EXPECT_EQ(modeOf(missing), 0700);
    EXPECT_TRUE(QFile::exists(missing + "/thumbnails/normal/" +
                              ThumbnailCache::entryName(ThumbnailCache::uriOf(path))));

    const ThumbnailCache off{QString()};
    EXPECT_FALSE(off.describe(path));
    EXPECT_EQ(makeThumbnail(path, kCell, off), decoded);  // exactly the plain decode

    // Files inside the cache's own folder are never thumbnailed.
    const QString inside =
        writeFile(home_.filePath("thumbnails/normal/x.jpg"), encoded(solid({64, 48}, Qt::red)));
    EXPECT_FALSE(cache_.describe(inside));
    EXPECT_TRUE(reddish(makeThumbnail(inside, kCell, cache_)));
    EXPECT_EQ(QDir(home_.filePath("thumbnails/normal")).entryList(QDir::Files),
              QStringList{"x.jpg"});
}

// Every corpus file a cell on the first opening and from the cache on the second,
// or none when it cannot be shown; a photo's looks like its decode.
TEST(ThumbnailLookAlike, FirstAndSecondOpeningsLookLikeTheDecodeOnTheCorpus) {
    int compared = 0;
    for (const CorpusRow& row : readCorpusManifest()) {
        if (row.expected == "either" || row.path.endsWith(u'/')) {
            continue;
        }
        SCOPED_TRACE(qPrintable(row.path));
        const QString path = corpusDir() + u'/' + row.path;
        const QTemporaryDir home;
        const ThumbnailCache cache(home.path());
        const QImage decoded = pictures::decodeScaled(path, kCell);
        for (const QImage& cell :
             {makeThumbnail(path, kCell, cache), makeThumbnail(path, kCell, cache)}) {
            EXPECT_EQ(cell.size(), row.expected == "decodes" ? kCell : QSize(0, 0));
            if (row.format == "jpeg" && row.expected == "decodes") {
                EXPECT_LT(largestChannelDifference(cell, decoded), 4.0);
            }
        }
        ++compared;
    }
    if (compared == 0) {
        GTEST_SKIP() << "no corpus";
    }
}
