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
    QDir().mkpath(QFileInfo(path).path());
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

QColor middle(const QImage& image) {
    return image.isNull() ? QColor() : image.pixelColor(image.width() / 2, image.height() / 2);
}

bool reddish(const QImage& image) {
    return middle(image).red() > 200 && middle(image).green() < 60;
}

void setModified(const QString& path, const QDateTime& when) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(when, QFileDevice::FileModificationTime));
}

// A folder with pictures and a cache home of its own.
class CacheFolders : public ::testing::Test {
protected:
    QString picture(const QString& name) {
        return writeFile(pictures_.filePath(name), jpegBytes(filled({640, 480}, Qt::red)));
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
    // Entries fit their flavour's square and are never enlarged.
    using F = ThumbnailCache::Flavour;
    EXPECT_EQ(ThumbnailCache::entrySize({4000, 3000}, F::Normal), QSize(128, 96));
    EXPECT_EQ(ThumbnailCache::entrySize({3000, 4000}, F::Large), QSize(192, 256));
    EXPECT_EQ(ThumbnailCache::entrySize({100, 75}, F::Large), QSize(100, 75));
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
}

TEST_F(CacheFolders, AnEntryStandsInOnlyWhileItMatchesTheFileAndCoversTheCell) {
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
        const QString path = picture("b.jpg");
        const QFileInfo info(path);
        QImage green = filled(c.size, Qt::green);
        green.setText("Thumb::URI", c.uri ? QByteArray(c.uri) : ThumbnailCache::uriOf(path));
        green.setText("Thumb::MTime",
                      QString::number(info.lastModified().toSecsSinceEpoch() + c.mtimeShift));
        if (!c.bytes || *c.bytes) {
            green.setText("Thumb::Size", c.bytes ? c.bytes : QString::number(info.size()));
        }
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(green.save(&buffer, "png"));
        writeFile(entryPath(path), png.left(png.size() - c.cut));

        const QImage got = makeThumbnail(path, kCell, cache_);
        ASSERT_EQ(got.size(), kCell);
        EXPECT_EQ(middle(got) == QColor(Qt::green), c.used);
        EXPECT_EQ(reddish(got), !c.used);
        if (!c.used && c.size.height() >= kCell.height()) {
            // The picture was decoded and its entry written over the bad one.
            EXPECT_EQ(QImageReader(entryPath(path)).read().text("Thumb::MTime").toLongLong(),
                      info.lastModified().toSecsSinceEpoch());
        }
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
    writeFile(path, jpegBytes(filled({640, 480}, Qt::red)));
    setModified(path, when);
    error.clear();
    EXPECT_TRUE(makeThumbnail(path, kCell, cache_, nullptr, &error).isNull());
    EXPECT_FALSE(error.isEmpty());
    setModified(path, when.addSecs(5));
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
        EXPECT_LT(meanDifference(makeThumbnail(path, kCell, ThumbnailCache(home)), decoded), 4.0);
    }
    EXPECT_EQ(modeOf(missing), 0700);
    EXPECT_TRUE(QFile::exists(missing + "/thumbnails/normal/" +
                              ThumbnailCache::entryName(ThumbnailCache::uriOf(path))));

    const ThumbnailCache off{QString()};
    EXPECT_FALSE(off.describe(path));
    EXPECT_EQ(makeThumbnail(path, kCell, off), decoded);  // exactly the plain decode

    // Files inside the cache's own folder are never thumbnailed.
    const QString inside =
        writeFile(home_.filePath("thumbnails/normal/x.jpg"), jpegBytes(filled({64, 48}, Qt::red)));
    EXPECT_FALSE(cache_.describe(inside));
    EXPECT_TRUE(reddish(makeThumbnail(inside, kCell, cache_)));
    EXPECT_EQ(QDir(home_.filePath("thumbnails/normal")).entryList(QDir::Files),
              QStringList{"x.jpg"});
}

TEST(ThumbnailLookAlike, FirstAndSecondOpeningsLookLikeTheDecodeOnTheCorpus) {
    int compared = 0;
    for (const CorpusRow& row : readCorpusManifest()) {
        if (row.format != "jpeg" || row.expected != "decodes") {
            continue;
        }
        SCOPED_TRACE(qPrintable(row.path));
        const QString path = corpusDir() + u'/' + row.path;
        const QImage decoded = pictures::decodeScaled(path, kCell);
        ASSERT_EQ(decoded.size(), kCell);
        const QTemporaryDir home;
        const ThumbnailCache cache(home.path());
        EXPECT_LT(meanDifference(makeThumbnail(path, kCell, cache), decoded), 4.0);  // decoded
        EXPECT_LT(meanDifference(makeThumbnail(path, kCell, cache), decoded), 4.0);  // the entry
        ++compared;
    }
    if (compared == 0) {
        GTEST_SKIP() << "no corpus";
    }
}
