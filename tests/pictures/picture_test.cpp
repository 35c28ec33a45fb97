// Picture and decodeScaled on files made at test time.

#include "pictures/picture.h"
#include "support/le_bytes.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QtConcurrent>

#include <set>

using plenarvo::pictures::decodeScaled;
using plenarvo::pictures::Format;
using plenarvo::pictures::Picture;
using plenarvo::pictures::sniffFormat;

namespace {

QByteArray encode(const QImage& image, const char* format, int quality = -1) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    EXPECT_TRUE(writer.write(image)) << writer.errorString().toStdString();
    return bytes;
}

// Left half red, right half blue.
QImage halves(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::blue);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width / 2; ++x) {
            image.setPixel(x, y, qRgb(255, 0, 0));
        }
    }
    return image;
}

bool reddish(QRgb c) {
    return qRed(c) > 200 && qBlue(c) < 60;
}
bool bluish(QRgb c) {
    return qBlue(c) > 200 && qRed(c) < 60;
}

// A BMP file header and 40-byte info header; the caller appends palette and pixels.
QByteArray bmpHeader(qint64 width, qint64 height, int bits, int compression, int paletteSize,
                     qint64 pixelBytes) {
    const int offset = 14 + 40 + 4 * paletteSize;
    QByteArray b("BM");
    le32(b, {offset + pixelBytes, 0, offset, 40, width, height});
    le16(b, {1, bits});
    return le32(b, {compression, pixelBytes, 2835, 2835, paletteSize, 0});
}

// The JPEG bytes with an EXIF segment (one Orientation entry) right after SOI.
QByteArray withOrientation(const QByteArray& jpeg, int orientation) {
    QByteArray tiff("II*\0", 4);
    le32(tiff, {8});
    le16(tiff, {1, 0x0112, 3});
    le32(tiff, {1});
    le16(tiff, {orientation, 0});
    le32(tiff, {0});
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment("\xFF\xE1", 2);
    segment.append(char((payload.size() + 2) >> 8)).append(char((payload.size() + 2) & 0xFF));
    return jpeg.left(2) + segment + payload + jpeg.mid(2);
}

// A GIF of a red and blue picture (Qt writes no GIFs). A clear code before every
// second pixel keeps the LZW codes three bits wide.
QByteArray redBlueGif(const QImage& image) {
    QByteArray b("GIF89a");
    le16(b, {image.width(), image.height()});
    b.append("\x80\0\0\xFF\x00\x00\x00\x00\xFF,", 10);  // two global colours
    le16(b, {0, 0, image.width(), image.height()});
    b.append("\0\x02", 2);  // no local table; minimum code size 2
    QByteArray data;
    quint32 bits = 0;
    int count = 0;
    auto put = [&](int code) {
        bits |= quint32(code) << count;
        for (count += 3; count >= 8; count -= 8, bits >>= 8) {
            data.append(char(bits & 0xFF));
        }
    };
    for (int n = 0; n < image.width() * image.height(); ++n) {
        if (n % 2 == 0) {
            put(4);
        }
        put(qRed(image.pixel(n % image.width(), n / image.width())) > 128 ? 0 : 1);
    }
    put(5);
    if (count > 0) {
        data.append(char(bits & 0xFF));
    }
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const QByteArray block = data.mid(at, 255);
        b.append(char(block.size())).append(block);
    }
    return b.append("\0;", 2);
}

class PictureFiles : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = dir_.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    QTemporaryDir dir_;
};

}  // namespace

TEST(Sniffing, FormatComesFromContentOnly) {
    EXPECT_EQ(sniffFormat(QByteArray("BM\x36\x00", 4)), Format::Bmp);
    EXPECT_EQ(sniffFormat(QByteArray("\x00\x00\x01\x00\x01\x00", 6)), Format::Ico);
    EXPECT_EQ(sniffFormat("GIF87a.."), Format::Gif);
    EXPECT_EQ(sniffFormat("GIF89a.."), Format::Gif);
    EXPECT_EQ(sniffFormat("GIF90a.."), Format::Unknown);
    EXPECT_EQ(sniffFormat("\xFF\xD8\xFF\xE0"), Format::Jpeg);
    EXPECT_EQ(sniffFormat("\xFF\xD8"), Format::Unknown);
    EXPECT_EQ(sniffFormat(QByteArray("\xD7\xCD\xC6\x9A\x00\x00", 6)), Format::Wmf);
    EXPECT_EQ(sniffFormat("\x89PNG\r\n\x1A\n"), Format::Unknown);
    EXPECT_EQ(sniffFormat("Hello, world"), Format::Unknown);
    EXPECT_EQ(sniffFormat(QByteArray()), Format::Unknown);
}

TEST_F(PictureFiles, UnreadableFilesFailWithAReason) {
    QString error;
    EXPECT_TRUE(Picture::fromFile(dir_.filePath("missing.jpg"), &error).isNull());
    EXPECT_EQ(error, QStringLiteral("The file could not be read."));

    ASSERT_TRUE(QDir(dir_.path()).mkdir("folder.bmp"));
    error.clear();
    EXPECT_TRUE(Picture::fromFile(dir_.filePath("folder.bmp"), &error).isNull());
    EXPECT_FALSE(error.isEmpty());

    error.clear();
    EXPECT_TRUE(Picture::fromFile(write("empty.gif", {}), &error).isNull());
    EXPECT_EQ(error, QStringLiteral("The file is not a picture this program can show."));

    error.clear();
    EXPECT_TRUE(decodeScaled(write("text.ico", "just some words"), QSize(10, 10), &error).isNull());
    EXPECT_FALSE(error.isEmpty());

    // The empty picture answers without crashing.
    const Picture none;
    EXPECT_TRUE(none.image(&error).isNull());
    EXPECT_TRUE(none.scaled(QSize(4, 4)).isNull());
    EXPECT_TRUE(none.saveData().isEmpty());
}

TEST_F(PictureFiles, VeryLargeJpegLoadsAndDecodes) {
    // 108 megapixels: more than Qt's reader allows by default.
    QImage big(12000, 9000, QImage::Format_RGB32);
    big.fill(qRgb(30, 120, 200));
    const QString path = write("big.jpg", encode(big, "jpeg", 50));
    big = QImage();

    QString error;
    const Picture picture = Picture::fromFile(path, &error);
    ASSERT_FALSE(picture.isNull()) << error.toStdString();
    EXPECT_EQ(picture.size(), QSize(12000, 9000));
    const QImage preview = picture.scaled(QSize(457, 417), &error);
    ASSERT_EQ(preview.size(), QSize(457, 417)) << error.toStdString();
    EXPECT_NEAR(qBlue(preview.pixel(200, 200)), 200, 12);
    const QImage full = picture.image(&error);
    ASSERT_EQ(full.size(), QSize(12000, 9000)) << error.toStdString();
    EXPECT_NEAR(qGreen(full.pixel(11999, 8999)), 120, 12);
}

TEST_F(PictureFiles, OrientationSixTurnsTheJpegClockwise) {
    const QByteArray plain = encode(halves(40, 20), "jpeg", 95);
    const QString path = write("turned.jpg", withOrientation(plain, 6));

    const Picture picture = Picture::fromFile(path);
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), QSize(20, 40));
    // Turned clockwise, the stored left (red) half comes on top.
    const QImage image = picture.image();
    ASSERT_EQ(image.size(), QSize(20, 40));
    EXPECT_TRUE(reddish(image.pixel(10, 5)));
    EXPECT_TRUE(bluish(image.pixel(10, 35)));
    const QImage small = decodeScaled(path, QSize(10, 20));
    ASSERT_EQ(small.size(), QSize(10, 20));
    EXPECT_TRUE(reddish(small.pixel(5, 2)));
    EXPECT_TRUE(bluish(small.pixel(5, 17)));

    // Without the tag the picture keeps its stored size.
    EXPECT_EQ(Picture::fromData(plain).size(), QSize(40, 20));
}

TEST_F(PictureFiles, ScaledIsExactlyTheTargetForEveryFormat) {
    const QImage source = halves(640, 480);
    const std::vector<std::pair<const char*, QByteArray>> files{
        {"jpeg", encode(source, "jpeg", 90)},
        {"bmp", encode(source, "bmp")},
        {"gif", redBlueGif(source)},
        {"ico", encode(source.scaled(64, 48), "ico")},
    };
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        const Picture picture = Picture::fromData(bytes);
        ASSERT_FALSE(picture.isNull());
        for (const QSize target : {QSize(457, 417), QSize(95, 81), QSize(1000, 30), QSize(1, 1)}) {
            const QImage scaled = picture.scaled(target);
            ASSERT_EQ(scaled.size(), target);
            if (target.width() >= 95) {
                EXPECT_TRUE(reddish(scaled.pixel(2, target.height() / 2)));
                EXPECT_TRUE(bluish(scaled.pixel(target.width() - 3, target.height() / 2)));
            }
        }
        // Asking again for the last size gives back the kept result.
        EXPECT_EQ(picture.scaled(QSize(1, 1)).cacheKey(), picture.scaled(QSize(1, 1)).cacheKey());
    }
}

TEST(PictureDecoding, ManyThreadsShareOneDecode) {
    const Picture picture = Picture::fromData(encode(halves(800, 600), "jpeg", 90));
    ASSERT_FALSE(picture.isNull());
    QList<int> tasks(8);
    const QList<qint64> keys =
        QtConcurrent::blockingMapped(tasks, [&picture](int) { return picture.image().cacheKey(); });
    const std::set<qint64> distinct(keys.begin(), keys.end());
    EXPECT_EQ(distinct.size(), 1u);
    EXPECT_EQ(*distinct.begin(), picture.image().cacheKey());
}

TEST(PictureSaving, BitmapsKeepTheirBytesOthersBecomeBitmaps) {
    const QImage source = halves(64, 32);
    const QByteArray bmp = encode(source, "bmp");
    EXPECT_EQ(Picture::fromData(bmp).saveData(), bmp);
    const QByteArray ico = encode(source.scaled(32, 32), "ico");
    EXPECT_EQ(Picture::fromData(ico).saveData(), ico);

    for (const QByteArray& other : {encode(source, "jpeg", 90), redBlueGif(source)}) {
        const QByteArray saved = Picture::fromData(other).saveData();
        ASSERT_TRUE(saved.startsWith("BM"));
        const Picture reread = Picture::fromData(saved);
        EXPECT_EQ(reread.format(), Format::Bmp);
        EXPECT_EQ(reread.size(), source.size());
        EXPECT_TRUE(reddish(reread.image().pixel(5, 16)));
    }

    const QByteArray artwork = Picture::fromImage(source).saveData();
    ASSERT_TRUE(artwork.startsWith("BM"));
    EXPECT_EQ(Picture::fromData(artwork).size(), source.size());
}

TEST_F(PictureFiles, BitmapsWithAbsurdHeadersFailAndShortOnesShowWhatTheyHold) {
    // 100000 x 100000 pixels claimed, a few bytes of data: refused before allocating.
    QByteArray bmp = bmpHeader(100000, 100000, 24, 0, 0, 16).append(16, '\0');
    QString error;
    EXPECT_TRUE(Picture::fromFile(write("huge.bmp", bmp), &error).isNull());
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(decodeScaled(write("huge2.bmp", bmp), QSize(95, 81)).isNull());

    // A 4x2 RLE8 bitmap: the bottom row "1 1 0 0" by a run, then end of bitmap,
    // so the top row is skipped and stays transparent.
    QByteArray rle = bmpHeader(4, 2, 8, 1, 2, 6);
    le32(rle, {0x000000FF, 0x00FF0000});  // index 0 blue, 1 red
    rle.append(QByteArray("\x02\x01\x02\x00\x00\x01", 6));
    const QImage decoded = Picture::fromData(rle).image();
    ASSERT_EQ(decoded.size(), QSize(4, 2));
    EXPECT_TRUE(reddish(decoded.pixel(0, 1)));
    EXPECT_TRUE(bluish(decoded.pixel(3, 1)));
    EXPECT_EQ(qAlpha(decoded.pixel(0, 0)), 0);

    // A 24-bit bitmap of 2x3 whose data stops after the bottom row.
    QByteArray cut = bmpHeader(2, 3, 24, 0, 0, 24);
    cut.append(QByteArray("\x00\x00\xFF\x00\x00\xFF\x00\x00", 8));
    const QImage partial = Picture::fromData(cut).image();
    ASSERT_EQ(partial.size(), QSize(2, 3));
    EXPECT_TRUE(reddish(partial.pixel(1, 2)));
    EXPECT_EQ(qAlpha(partial.pixel(1, 0)), 0);
}
