#include "thumbnails/thumbnail_cache.h"

#include "pictures/picture.h"
#include "support/corpus.h"
#include "thumbnails/exif_jpeg.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace plenarvo;
using namespace plenarvo::testing;

namespace {

constexpr QSize kCell(95, 81);

int modeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}

QString writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

QImage filled(QSize size, QColor colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// A folder with pictures and a cache home of its own.
class CacheFolders : public ::testing::Test {
protected:
    QString picture(const QString& name, QSize size = {640, 480}, QColor colour = Qt::red) {
        return writeFile(pictures_.filePath(name), jpegBytes(filled(size, colour)));
    }
    QString entryPath(const QString& picturePath, const char* flavour = "normal") const {
        const QByteArray uri = ThumbnailCache::uriOf(QFileInfo(picturePath).absoluteFilePath());
        return home_.filePath(QStringLiteral("thumbnails/%1/").arg(QLatin1String(flavour)) +
                              ThumbnailCache::entryName(uri));
    }
    QString failPath(const QString& picturePath) const {
        const QByteArray uri = ThumbnailCache::uriOf(QFileInfo(picturePath).absoluteFilePath());
        return home_.filePath(QStringLiteral("thumbnails/fail/plenarvo-" PLENARVO_VERSION "/") +
                              ThumbnailCache::entryName(uri));
    }

    QTemporaryDir pictures_;
    QTemporaryDir home_;
    ThumbnailCache cache_{home_.path()};
};

QColor colourOf(const QImage& image) {
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

bool reddish(const QImage& image) {
    return !image.isNull() && colourOf(image).red() > 200 && colourOf(image).green() < 60;
}

}  // namespace

TEST(ThumbnailCacheNames, FollowTheDesktopsRules) {
    struct Case {
        QString path;
        QByteArray uri;
    };
    const Case cases[] = {
        {QStringLiteral("/home/jens/photos/me.png"), "file:///home/jens/photos/me.png"},
        {QStringLiteral("/tmp/a b/été;[1]#%.jpg"),
         "file:///tmp/a%20b/%C3%A9t%C3%A9%3B%5B1%5D%23%25.jpg"},
        {QStringLiteral("/p/!$&'()*+,-.:=@_~"), "file:///p/!$&'()*+,-.:=@_~"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ThumbnailCache::uriOf(c.path), c.uri);
    }
    // The example the thumbnail standard itself gives.
    EXPECT_EQ(ThumbnailCache::entryName("file:///home/jens/photos/me.png"),
              QStringLiteral("c6ee772d9e49320e97ec29a7eb5b1697.png"));
    // Entries fit their flavour's square and are never enlarged.
    EXPECT_EQ(ThumbnailCache::entrySize({4000, 3000}, ThumbnailCache::Flavour::Normal),
              QSize(128, 96));
    EXPECT_EQ(ThumbnailCache::entrySize({3000, 4000}, ThumbnailCache::Flavour::Large),
              QSize(192, 256));
    EXPECT_EQ(ThumbnailCache::entrySize({100, 75}, ThumbnailCache::Flavour::Large), QSize(100, 75));
}

TEST_F(CacheFolders, ADecodedPictureLeavesAValidEntryThatTheNextOpeningUses) {
    const QString path = picture(QStringLiteral("a.jpg"));
    const QImage first = makeThumbnail(path, kCell, cache_);
    EXPECT_EQ(first.size(), kCell);
    EXPECT_TRUE(reddish(first));

    const QString entry = entryPath(path);
    QImageReader reader(entry, "png");
    const QImage written = reader.read();
    ASSERT_FALSE(written.isNull());
    EXPECT_EQ(written.size(), QSize(128, 96));
    EXPECT_EQ(written.text(QStringLiteral("Thumb::URI")),
              QStringLiteral("file://") + QFileInfo(path).absoluteFilePath());
    EXPECT_EQ(written.text(QStringLiteral("Thumb::MTime")).toLongLong(),
              QFileInfo(path).lastModified().toSecsSinceEpoch());
    EXPECT_EQ(written.text(QStringLiteral("Thumb::Size")).toLongLong(), QFileInfo(path).size());
    EXPECT_EQ(modeOf(entry), 0600);
    for (const char* folder : {"thumbnails", "thumbnails/normal"}) {
        EXPECT_EQ(modeOf(home_.filePath(QLatin1String(folder))), 0700) << folder;
    }
    EXPECT_EQ(QDir(home_.filePath(QStringLiteral("thumbnails/normal"))).entryList(QDir::Files),
              QStringList{ThumbnailCache::entryName(ThumbnailCache::uriOf(path))});  // no leftovers

    // A cell twice as large in device pixels needs the large flavour.
    EXPECT_EQ(makeThumbnail(path, kCell * 2, cache_).size(), kCell * 2);
    EXPECT_EQ(QImageReader(entryPath(path, "large")).size(), QSize(256, 192));

    // The next opening takes the entry and does not decode: an entry painted green
    // with the same keys shows green.
    QImage green = filled({128, 96}, Qt::green);
    for (const QString& key : written.textKeys()) {
        green.setText(key, written.text(key));
    }
    ASSERT_TRUE(green.save(entry, "png"));
    const QImage second = makeThumbnail(path, kCell, cache_);
    EXPECT_EQ(second.size(), kCell);
    EXPECT_EQ(colourOf(second), QColor(Qt::green));
}

TEST_F(CacheFolders, AnEntryCountsOnlyWhileItMatchesTheFileAndCoversTheCell) {
    struct Case {
        const char* name;
        QSize size;
        const char* uri;  // nullptr: the file's own
        qint64 mtimeShift;
        const char* bytes;  // Thumb::Size; nullptr: the file's own, "": left out
        int cut;            // bytes cut off the PNG's end
        bool used;
    };
    const Case cases[] = {
        {"matching", {128, 96}, nullptr, 0, nullptr, 0, true},
        {"without Thumb::Size", {128, 96}, nullptr, 0, "", 0, true},
        {"another file's URI", {128, 96}, "file:///elsewhere/a.jpg", 0, nullptr, 0, false},
        {"stale: the file changed since", {128, 96}, nullptr, -60, nullptr, 0, false},
        {"another size", {128, 96}, nullptr, 0, "12", 0, false},
        {"truncated PNG", {128, 96}, nullptr, 0, nullptr, 20, false},
        {"too short for the cell", {128, 32}, nullptr, 0, nullptr, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = picture(QStringLiteral("b.jpg"));
        const QFileInfo info(path);
        QImage green = filled(c.size, Qt::green);
        green.setText(QStringLiteral("Thumb::URI"),
                      c.uri ? QString::fromLatin1(c.uri)
                            : QString::fromUtf8(ThumbnailCache::uriOf(info.absoluteFilePath())));
        green.setText(QStringLiteral("Thumb::MTime"),
                      QString::number(info.lastModified().toSecsSinceEpoch() + c.mtimeShift));
        if (!c.bytes) {
            green.setText(QStringLiteral("Thumb::Size"), QString::number(info.size()));
        } else if (*c.bytes) {
            green.setText(QStringLiteral("Thumb::Size"), QString::fromLatin1(c.bytes));
        }
        const QString entry = entryPath(path);
        QDir().mkpath(QFileInfo(entry).path());
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(green.save(&buffer, "png"));
        writeFile(entry, png.left(png.size() - c.cut));

        const QImage got = makeThumbnail(path, kCell, cache_);
        ASSERT_EQ(got.size(), kCell);
        EXPECT_EQ(colourOf(got) == QColor(Qt::green), c.used);
        EXPECT_EQ(reddish(got), !c.used);
        if (!c.used && c.size.height() >= kCell.height()) {
            // The picture was decoded and its entry written over the bad one.
            EXPECT_EQ(QImageReader(entry).read().text(QStringLiteral("Thumb::MTime")).toLongLong(),
                      info.lastModified().toSecsSinceEpoch());
        }
    }
}

TEST_F(CacheFolders, AFileThatCannotBeReadIsRecordedAndNotTriedAgainUntilItChanges) {
    const QString path = writeFile(pictures_.filePath(QStringLiteral("bad.jpg")), "not a picture");
    const QDateTime when = QFileInfo(path).lastModified();
    EXPECT_TRUE(makeThumbnail(path, kCell, cache_).isNull());
    EXPECT_TRUE(QFile::exists(failPath(path)));
    EXPECT_FALSE(QFile::exists(entryPath(path)));

    // The same file with a good picture, but the same modification time: still
    // taken as failed, so it was not decoded again.
    writeFile(path, jpegBytes(filled({640, 480}, Qt::red)));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(when, QFileDevice::FileModificationTime));
    file.close();
    EXPECT_TRUE(makeThumbnail(path, kCell, cache_).isNull());

    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(when.addSecs(5), QFileDevice::FileModificationTime));
    file.close();
    EXPECT_TRUE(reddish(makeThumbnail(path, kCell, cache_)));
}

TEST_F(CacheFolders, ACacheThatCannotBeWrittenOrIsOffChangesNothingButTheEntries) {
    const QString path = picture(QStringLiteral("c.jpg"));
    const QImage decoded = pictures::decodeScaled(path, kCell);

    // The cache home is a file: no folder can be made in it.
    const QString blocked = writeFile(home_.filePath(QStringLiteral("blocked")), "x");
    // The thumbnails folder is a file.
    QDir().mkpath(home_.filePath(QStringLiteral("taken")));
    writeFile(home_.filePath(QStringLiteral("taken/thumbnails")), "x");
    // A home that is missing is made.
    const QString missing = home_.filePath(QStringLiteral("new/cache"));
    for (const QString& home : {blocked, home_.filePath(QStringLiteral("taken")), missing}) {
        SCOPED_TRACE(qPrintable(home));
        const ThumbnailCache cache(home);
        const QImage got = makeThumbnail(path, kCell, cache);
        ASSERT_EQ(got.size(), kCell);
        EXPECT_LT(meanDifference(got, decoded), 4.0);
    }
    EXPECT_EQ(modeOf(missing), 0700);
    EXPECT_TRUE(QFile::exists(missing + QStringLiteral("/thumbnails/normal/") +
                              ThumbnailCache::entryName(ThumbnailCache::uriOf(path))));

    const ThumbnailCache off{QString()};
    EXPECT_FALSE(off.describe(path));
    EXPECT_EQ(makeThumbnail(path, kCell, off), decoded);  // exactly the plain decode
}

TEST_F(CacheFolders, FilesInsideTheCacheFolderAreNeverThumbnailed) {
    const QString inside = home_.filePath(QStringLiteral("thumbnails/normal/x.jpg"));
    QDir().mkpath(QFileInfo(inside).path());
    writeFile(inside, jpegBytes(filled({640, 480}, Qt::red)));
    EXPECT_FALSE(cache_.describe(inside));
    EXPECT_TRUE(reddish(makeThumbnail(inside, kCell, cache_)));
    EXPECT_EQ(QDir(QFileInfo(inside).path()).entryList(QDir::Files), QStringList{"x.jpg"});
}

TEST(ThumbnailLookAlike, CacheEmbeddedAndDecodedCellsLookTheSameOnTheCorpus) {
    // Every good corpus JPEG: the cell made on a first opening, from the cache on
    // the second, and from an embedded thumbnail made of the picture, against the
    // cell decoded straight at its size.
    int compared = 0;
    int embeddedCompared = 0;
    for (const CorpusRow& row : readCorpusManifest()) {
        if (row.format != QLatin1String("jpeg") || row.expected != QLatin1String("decodes")) {
            continue;
        }
        SCOPED_TRACE(qPrintable(row.path));
        const QString path = corpusDir() + u'/' + row.path;
        const QImage decoded = pictures::decodeScaled(path, kCell);
        ASSERT_EQ(decoded.size(), kCell);
        QTemporaryDir home;
        const ThumbnailCache cache(home.path());
        EXPECT_LT(meanDifference(makeThumbnail(path, kCell, cache), decoded), 4.0);
        EXPECT_LT(meanDifference(makeThumbnail(path, kCell, cache), decoded), 4.0);
        ++compared;

        // The same picture with an embedded thumbnail of it, fitted into 160 pixels.
        const pictures::Picture whole = pictures::Picture::fromFile(path);
        const QSize thumbSize = whole.size().scaled(160, 160, Qt::KeepAspectRatio);
        if (thumbSize.width() < kCell.width() || thumbSize.height() < kCell.height()) {
            continue;
        }
        QFile in(path);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        const QByteArray original = in.readAll();
        if (original.contains("Exif") || original.contains("ICC_PROFILE")) {
            continue;  // keeps its own EXIF data; a profile rules embedded thumbnails out
        }
        QTemporaryDir folder;
        const QString copy = writeFile(
            folder.filePath(QStringLiteral("e.jpg")),
            withExif(
                original,
                {1, jpegBytes(whole.scaled(thumbSize).convertToFormat(QImage::Format_RGB32), 95)}));
        const QTemporaryDir emptyHome;
        const ThumbnailCache fresh(emptyHome.path());
        const QImage viaEmbedded = makeThumbnail(copy, kCell, fresh);
        EXPECT_LT(meanDifference(viaEmbedded, decoded), 4.0);
        EXPECT_FALSE(QFile::exists(emptyHome.filePath(QStringLiteral("thumbnails"))));  // no decode
        ++embeddedCompared;
    }
    if (compared == 0) {
        GTEST_SKIP() << "no corpus";
    }
    EXPECT_GT(embeddedCompared, 0);
}
