// Picture and decodeScaled on files made at test time.

#include "pictures/picture.h"
#include "support/hostile_files.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QtConcurrent>

#include <optional>
#include <set>

using plenarvo::pictures::decodeScaled;
using plenarvo::pictures::Format;
using plenarvo::pictures::Picture;
using plenarvo::pictures::sniffFormat;

namespace {

const QString kDamaged = QStringLiteral("The picture is damaged.");

QByteArray encode(const QImage& image, const char* format, int quality = -1) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    EXPECT_TRUE(writer.write(image)) << writer.errorString().toStdString();
    return bytes;
}

// Left half black, right half white.
QImage halves(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int y = 0; y < size.height(); ++y) {
        std::fill_n(reinterpret_cast<QRgb*>(image.scanLine(y)), size.width() / 2, qRgb(0, 0, 0));
    }
    return image;
}
// The same as a GIF (Qt writes none): grey indices 0 and 3.
QByteArray halvesGif(QSize size) {
    QImage indices(size, QImage::Format_Grayscale8);
    indices.fill(3);
    for (int y = 0; y < size.height(); ++y) {
        std::fill_n(indices.scanLine(y), size.width() / 2, uchar(0));
    }
    return hostile::gif(size, indices);
}
bool dark(QRgb c) {
    return qGray(c) < 60 && qAlpha(c) == 255;
}
bool light(QRgb c) {
    return qGray(c) > 195 && qAlpha(c) == 255;
}

// The colour a pixel plainly is: R, G, B or W, else '?'.
char colourName(QRgb c) {
    const auto on = [](int v) { return v > 170; };
    const auto off = [](int v) { return v < 85; };
    if (on(qRed(c)) && on(qGreen(c)) && on(qBlue(c))) {
        return 'W';
    }
    if (on(qRed(c)) && off(qGreen(c)) && off(qBlue(c))) {
        return 'R';
    }
    if (off(qRed(c)) && on(qGreen(c)) && off(qBlue(c))) {
        return 'G';
    }
    return off(qRed(c)) && off(qGreen(c)) && on(qBlue(c)) ? 'B' : '?';
}

// The colours at the middle of the top left, top right, bottom left and bottom
// right quarters.
std::string quarters(const QImage& image) {
    const int w = image.width();
    const int h = image.height();
    return {colourName(image.pixel(w / 4, h / 4)), colourName(image.pixel(3 * w / 4, h / 4)),
            colourName(image.pixel(w / 4, 3 * h / 4)),
            colourName(image.pixel(3 * w / 4, 3 * h / 4))};
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

// An icon entry: a 32-bit bitmap of side `side` in one colour, with its mask.
QByteArray iconBitmap(int side, Qt::GlobalColor named) {
    const QRgb colour = QColor(named).rgb();
    QByteArray d;
    le32(d, {40, side, 2 * side});
    le32(le16(d, {1, 32}), {0, 0, 0, 0, 0, 0});
    for (int i = 0; i < side * side; ++i) {
        d.append(char(qBlue(colour))).append(char(qGreen(colour))).append(char(qRed(colour)));
        d.append(char(255));
    }
    return d.append(QByteArray((side + 31) / 32 * 4 * side, '\0'));
}

struct IconEntry {
    int side;
    int bitCount;
    QByteArray data;
    bool pastTheEnd = false;  // the directory points beyond the file
};

QByteArray icon(const std::vector<IconEntry>& entries) {
    QByteArray b;
    le16(b, {0, 1, qint64(entries.size())});
    qint64 at = 6 + 16 * qint64(entries.size());
    for (const IconEntry& e : entries) {
        b.append(char(e.side % 256)).append(char(e.side % 256)).append('\0').append('\0');
        le16(b, {1, e.bitCount});
        le32(b, {e.data.size(), e.pastTheEnd ? 1'000'000 : at});
        at += e.data.size();
    }
    for (const IconEntry& e : entries) {
        b.append(e.data);
    }
    return b;
}

class PictureFiles : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& bytes) {
        QString path = dir_.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    QTemporaryDir dir_;
};

}  // namespace

TEST(Sniffing, FormatComesFromContentOnly) {
    const struct {
        QByteArray head;
        Format format;
    } cases[] = {
        {QByteArray("BM\x36\x00", 4), Format::Bmp},
        {QByteArray("\x00\x00\x01\x00\x01\x00", 6), Format::Ico},
        {"GIF87a..", Format::Gif},
        {"GIF89a..", Format::Gif},
        {"GIF90a..", Format::Unknown},
        {"\xFF\xD8\xFF\xE0", Format::Jpeg},
        {"\xFF\xD8", Format::Unknown},
        {QByteArray("\xD7\xCD\xC6\x9A\x00\x00", 6), Format::Wmf},
        {MetafileBuilder::plain().bytes, Format::Wmf},
        {"\x89PNG\r\n\x1A\n", Format::Unknown},
        {"Hello, world", Format::Unknown},
        {QByteArray(), Format::Unknown},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sniffFormat(c.head), c.format) << c.head.toHex().constData();
    }
}

TEST_F(PictureFiles, FilesThatCannotBeShownFailWithAReason) {
    ASSERT_TRUE(QDir(dir_.path()).mkdir("folder.bmp"));
    const struct {
        QString path;
        QString error;
    } cases[] = {
        {dir_.filePath("missing.jpg"), QStringLiteral("The file could not be read.")},
        {dir_.filePath("folder.bmp"), QStringLiteral("The file could not be read.")},
        {write("empty.gif", {}),
         QStringLiteral("The file is not a picture this program can show.")},
        {write("text.ico", "just some words"),
         QStringLiteral("The file is not a picture this program can show.")},
        {write("cut.gif", halvesGif(QSize(8, 8)).left(12)), kDamaged},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        QString error;
        EXPECT_TRUE(Picture::fromFile(c.path, &error).isNull());
        EXPECT_EQ(error, c.error);
        error.clear();
        EXPECT_TRUE(decodeScaled(c.path, QSize(10, 10), &error).isNull());
        EXPECT_EQ(error, c.error);
    }
    // The empty picture answers without crashing.
    const Picture none;
    EXPECT_TRUE(none.image().isNull());
    EXPECT_TRUE(none.scaled(QSize(4, 4)).isNull());
    EXPECT_TRUE(none.saveData().isEmpty());
}

// A JPEG stored 160x80 in four colours (red, green / blue, white) and tagged with
// each orientation: the quarters as shown, at full size and decoded straight
// at a quarter of the size.
TEST_F(PictureFiles, EveryOrientationTagTurnsTheJpegAtFullAndScaledSize) {
    QImage stored(160, 80, QImage::Format_RGB32);
    for (int y = 0; y < 80; ++y) {
        for (int x = 0; x < 160; ++x) {
            stored.setPixel(x, y,
                            y < 40 ? (x < 80 ? qRgb(255, 0, 0) : qRgb(0, 255, 0))
                                   : (x < 80 ? qRgb(0, 0, 255) : qRgb(255, 255, 255)));
        }
    }
    const QByteArray plain = encode(stored, "jpeg", 95);
    const struct {
        int orientation;
        const char* shown;  // top left, top right, bottom left, bottom right
    } cases[] = {
        {1, "RGBW"},  // as stored
        {2, "GRWB"},  // mirrored left to right
        {3, "WBGR"},  // half a turn
        {4, "BWRG"},  // mirrored top to bottom
        {5, "RBGW"},  // mirrored along the diagonal
        {6, "BRWG"},  // a quarter turn clockwise
        {7, "WGBR"},  // mirrored along the other diagonal
        {8, "GWRB"},  // a quarter turn anticlockwise
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.orientation);
        const QString path = write(QStringLiteral("o%1.jpg").arg(c.orientation),
                                   withOrientation(plain, c.orientation));
        const QSize size = c.orientation >= 5 ? QSize(80, 160) : QSize(160, 80);
        QString error;
        const Picture picture = Picture::fromFile(path, &error);
        ASSERT_FALSE(picture.isNull()) << error.toStdString();
        EXPECT_EQ(picture.size(), size);
        const QImage full = picture.image();
        ASSERT_EQ(full.size(), size);
        EXPECT_EQ(quarters(full), c.shown);
        const QImage scaled = picture.scaled(size / 4);
        ASSERT_EQ(scaled.size(), size / 4);
        EXPECT_EQ(quarters(scaled), c.shown);
        const QImage decoded = decodeScaled(path, size / 4);
        ASSERT_EQ(decoded.size(), size / 4);
        EXPECT_EQ(quarters(decoded), c.shown);
    }
}

TEST(IconChoice, TheLargestSoundEntryIsShown) {
    const QByteArray damaged = QByteArray(40, '\x7F');
    const QByteArray pngGreen = [] {
        QImage image(64, 64, QImage::Format_ARGB32);
        image.fill(Qt::green);
        return encode(image, "png");
    }();
    const struct {
        const char* name;
        std::vector<IconEntry> entries;
        std::optional<QSize> size;
        char colour;
    } cases[] = {
        {"the largest entry, wherever it stands",
         {{16, 32, iconBitmap(16, Qt::red)},
          {48, 32, iconBitmap(48, Qt::green)},
          {32, 32, iconBitmap(32, Qt::blue)}},
         QSize(48, 48),
         'G'},
        {"a PNG entry",
         {{16, 32, iconBitmap(16, Qt::red)}, {64, 32, pngGreen}},
         QSize(64, 64),
         'G'},
        {"of two the same size, the deeper colours",
         {{32, 8, iconBitmap(32, Qt::red)}, {32, 32, iconBitmap(32, Qt::blue)}},
         QSize(32, 32),
         'B'},
        {"a damaged largest entry gives way to the next",
         {{16, 32, iconBitmap(16, Qt::red)}, {48, 32, damaged}, {32, 32, iconBitmap(32, Qt::blue)}},
         QSize(32, 32),
         'B'},
        {"a PNG entry cut short gives way to the next",
         {{16, 32, iconBitmap(16, Qt::red)}, {64, 32, pngGreen.left(pngGreen.size() / 2)}},
         QSize(16, 16),
         'R'},
        {"an entry past the end of the file is passed over",
         {{16, 32, iconBitmap(16, Qt::red)}, {48, 32, iconBitmap(48, Qt::green), true}},
         QSize(16, 16),
         'R'},
        {"every entry damaged", {{48, 32, damaged}, {32, 32, damaged}}, std::nullopt, '?'},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QString error;
        const Picture picture = Picture::fromData(icon(c.entries), &error);
        if (!c.size) {
            EXPECT_TRUE(picture.isNull());
            EXPECT_EQ(error, kDamaged);
            continue;
        }
        ASSERT_FALSE(picture.isNull()) << error.toStdString();
        EXPECT_EQ(picture.format(), Format::Ico);
        EXPECT_EQ(picture.size(), *c.size);
        EXPECT_EQ(colourName(picture.image().pixel(c.size->width() / 2, c.size->height() / 2)),
                  c.colour);
    }
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

TEST(PictureDecoding, ScaledIsExactlyTheTargetForEveryFormat) {
    const QImage source = halves(QSize(640, 480));
    const std::vector<std::pair<const char*, QByteArray>> files{
        {"jpeg", encode(source, "jpeg", 90)},
        {"bmp", encode(source, "bmp")},
        {"gif", halvesGif(source.size())},
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
                EXPECT_TRUE(dark(scaled.pixel(2, target.height() / 2)));
                EXPECT_TRUE(light(scaled.pixel(target.width() - 3, target.height() / 2)));
            }
        }
        // Asking again for the last size gives back the kept result.
        EXPECT_EQ(picture.scaled(QSize(1, 1)).cacheKey(), picture.scaled(QSize(1, 1)).cacheKey());
    }
}

TEST(PictureDecoding, ManyThreadsShareOneDecode) {
    const Picture picture = Picture::fromData(encode(halves(QSize(800, 600)), "jpeg", 90));
    ASSERT_FALSE(picture.isNull());
    QList<int> tasks(8);
    const QList<qint64> keys =
        QtConcurrent::blockingMapped(tasks, [&picture](int) { return picture.image().cacheKey(); });
    const std::set<qint64> distinct(keys.begin(), keys.end());
    EXPECT_EQ(distinct.size(), 1u);
    EXPECT_EQ(*distinct.begin(), picture.image().cacheKey());
}

TEST(PictureSaving, BitmapsAndIconsKeepTheirBytesOthersBecomeBitmaps) {
    const QImage source = halves(QSize(64, 32));
    for (const QByteArray& own : {encode(source, "bmp"), encode(source.scaled(32, 32), "ico")}) {
        EXPECT_EQ(Picture::fromData(own).saveData(), own);
    }
    for (const QByteArray& other : {encode(source, "jpeg", 90), halvesGif(source.size()),
                                    Picture::fromImage(source).saveData()}) {
        const QByteArray saved = Picture::fromData(other).saveData();
        ASSERT_TRUE(saved.startsWith("BM"));
        const Picture reread = Picture::fromData(saved);
        EXPECT_EQ(reread.format(), Format::Bmp);
        EXPECT_EQ(reread.size(), source.size());
        EXPECT_TRUE(dark(reread.image().pixel(5, 16)));
    }
}

TEST(PictureDecoding, BitmapsCutShortShowWhatTheyHold) {
    // A 4x2 RLE8 bitmap: the bottom row "255 255 0 0" by two runs, then the end
    // of the bitmap, so the top row is left out and stays transparent.
    const QImage rle =
        Picture::fromData(hostile::bmp8(4, 2, 1, QByteArray("\x02\xFF\x02\x00\x00\x01", 6)))
            .image();
    ASSERT_EQ(rle.size(), QSize(4, 2));
    EXPECT_TRUE(light(rle.pixel(0, 1)));
    EXPECT_TRUE(dark(rle.pixel(3, 1)));
    EXPECT_EQ(qAlpha(rle.pixel(0, 0)), 0);

    // A 24-bit bitmap of 2x3 whose data stops after the bottom row.
    const QImage partial = Picture::fromData(hostile::bmp24(2, 3).left(54 + 8)).image();
    ASSERT_EQ(partial.size(), QSize(2, 3));
    EXPECT_EQ(qAlpha(partial.pixel(1, 2)), 255);
    EXPECT_EQ(qAlpha(partial.pixel(1, 0)), 0);
}
