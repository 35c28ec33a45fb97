// Picture and decodeScaled on files made at test time.

#include "pictures/picture.h"
#include "pictures/regular_file.h"
#include "support/hostile_files.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QPainter>
#include <QTemporaryDir>
#include <QtConcurrent>

#include <map>
#include <optional>
#include <set>

using hostile::encode;
using plenarvo::pictures::decodeScaled;
using plenarvo::pictures::Format;
using plenarvo::pictures::Picture;
using plenarvo::pictures::sniffFormat;

namespace {

const QString kDamaged = QStringLiteral("The picture is damaged.");

// Plain colours by their letters: red, green, blue, white and black.
const std::map<char, QRgb> kNamed{
    {'R', 0xFFFF0000}, {'G', 0xFF00FF00}, {'B', 0xFF0000FF}, {'W', 0xFFFFFFFF}, {'K', 0xFF000000}};

// The letter of the colour an opaque pixel plainly is, else '?'.
char colourName(QRgb c) {
    for (const auto& named : kNamed) {
        const QRgb plain = named.second;
        const auto near = [&](int (*channel)(QRgb)) {
            return std::abs(channel(c) - channel(plain)) < 85;
        };
        if (qAlpha(c) == 255 && near(qRed) && near(qGreen) && near(qBlue)) {
            return named.first;
        }
    }
    return '?';
}

// A picture of four coloured quarters: top left, top right, bottom left, bottom right.
QImage quartered(QSize size, const char* colours) {
    return plenarvo::testing::quarters(
        size, {QColor(kNamed.at(colours[0])), QColor(kNamed.at(colours[1])),
               QColor(kNamed.at(colours[2])), QColor(kNamed.at(colours[3]))});
}

// The colours at the middle of each quarter, in the same order.
std::string quarters(const QImage& image) {
    std::string names;
    for (int i = 0; i < 4; ++i) {
        names += colourName(
            image.pixel((1 + i % 2 * 2) * image.width() / 4, (1 + i / 2 * 2) * image.height() / 4));
    }
    return names;
}

// Left half black, right half white, as a GIF (grey indices 0 and 3; Qt writes none).
QByteArray halvesGif(QSize size) {
    QImage indices(size, QImage::Format_Grayscale8);
    indices.fill(3);
    for (int y = 0; y < size.height(); ++y) {
        std::fill_n(indices.scanLine(y), size.width() / 2, uchar(0));
    }
    return hostile::gif(size, indices);
}

// The JPEG bytes with an EXIF segment (one Orientation entry) right after SOI.
QByteArray withOrientation(const QByteArray& jpeg, int orientation) {
    // An APP1 segment of 0x22 bytes: "Exif", then a little-endian TIFF header.
    QByteArray exif = QByteArray::fromHex("ffe1002245786966000049492a00");
    le32(le16(le32(le16(le32(exif, {8}), {1, 0x0112, 3}), {1}), {orientation, 0}), {0});
    return jpeg.left(2) + exif + jpeg.mid(2);
}

// An icon entry of side `side` and `bitCount` bits (the directory's claims), its
// data, and whether the directory points beyond the file.
struct IconEntry {
    int side;
    int bitCount;
    QByteArray data;
    bool pastTheEnd = false;
};

QByteArray icon(const std::vector<IconEntry>& entries) {
    QByteArray b;
    le16(b, {0, 1, qint64(entries.size())});
    qint64 at = 6 + 16 * qint64(entries.size());
    for (const IconEntry& e : entries) {
        le16(b, {e.side % 256 * 0x101, 0, 1, e.bitCount});
        le32(b, {e.data.size(), e.pastTheEnd ? 1'000'000 : at});
        at += e.data.size();
    }
    for (const IconEntry& e : entries) {
        b.append(e.data);
    }
    return b;
}

// An icon entry of a 32-bit bitmap of side `side` in one colour, with its mask.
IconEntry bitmap(int side, char colour) {
    QByteArray d;
    le32(le16(le32(d, {40, side, 2 * side}), {1, 32}), {0, 0, 0, 0, 0, 0});
    for (int i = 0; i < side * side; ++i) {
        le32(d, {kNamed.at(colour)});
    }
    return {side, 32, d.append(QByteArray((side + 31) / 32 * 4 * side, '\0'))};
}

class PictureFiles : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& bytes) {
        return plenarvo::testing::writeFile(dir_.filePath(name), bytes);
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
        {QByteArray(), Format::Unknown},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sniffFormat(c.head), c.format) << c.head.toHex().constData();
    }
}

TEST_F(PictureFiles, FilesThatCannotBeShownFailWithAReason) {
    ASSERT_TRUE(QDir(dir_.path()).mkdir("folder.bmp"));
    const QString unreadable = QStringLiteral("The file could not be read.");
    const QString unknown = QStringLiteral("The file is not a picture this program can show.");
    const struct {
        QString path;
        QString error;
    } cases[] = {
        {dir_.filePath("missing.jpg"), unreadable},
        {dir_.filePath("folder.bmp"), plenarvo::pictures::notAFileMessage()},
        {write("empty.gif", {}), unknown},
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

// A JPEG stored 160x80 in four colours and tagged with each orientation: the
// quarters as shown, at full size, scaled, and decoded straight at a quarter size.
TEST_F(PictureFiles, EveryOrientationTagTurnsTheJpegAtFullAndScaledSize) {
    const QByteArray plain = encode(quartered(QSize(160, 80), "RGBW"), "jpeg", 95);
    const struct {
        int orientation;
        const char* shown;
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
        const std::pair<QImage, QSize> shown[] = {{picture.image(), size},
                                                  {picture.scaled(size / 4), size / 4},
                                                  {decodeScaled(path, size / 4), size / 4}};
        for (const auto& [image, expected] : shown) {
            EXPECT_EQ(image.size(), expected);
            EXPECT_EQ(quarters(image), c.shown);
        }
    }
}

TEST(IconChoice, TheLargestSoundEntryIsShown) {
    const QByteArray damaged = QByteArray(40, '\x7F');
    const QByteArray pngGreen = encode(quartered(QSize(64, 64), "GGGG"), "png");
    const struct {
        const char* name;
        std::vector<IconEntry> entries;
        std::optional<QSize> size;
        char colour;
    } cases[] = {
        {"the largest entry, wherever it stands",
         {bitmap(16, 'R'), bitmap(48, 'G'), bitmap(32, 'B')},
         QSize(48, 48),
         'G'},
        {"a PNG entry", {bitmap(16, 'R'), {64, 32, pngGreen}}, QSize(64, 64), 'G'},
        {"of two the same size, the deeper colours",
         {{32, 8, bitmap(32, 'R').data}, bitmap(32, 'B')},
         QSize(32, 32),
         'B'},
        {"a damaged largest entry gives way to the next",
         {bitmap(16, 'R'), {48, 32, damaged}, bitmap(32, 'B')},
         QSize(32, 32),
         'B'},
        {"a PNG entry cut short gives way to the next",
         {bitmap(16, 'R'), {64, 32, pngGreen.left(pngGreen.size() / 2)}},
         QSize(16, 16),
         'R'},
        {"an entry past the end of the file is passed over",
         {bitmap(16, 'R'), {48, 32, bitmap(48, 'G').data, true}},
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
        EXPECT_EQ(quarters(picture.image()), std::string(4, c.colour));
    }
}

TEST_F(PictureFiles, VeryLargeJpegLoadsAndDecodes) {
    // 108 megapixels: more than Qt's reader allows by default.
    const QString path =
        write("big.jpg", encode(quartered(QSize(12000, 9000), "KBBB"), "jpeg", 50));
    QString error;
    const Picture picture = Picture::fromFile(path, &error);
    ASSERT_FALSE(picture.isNull()) << error.toStdString();
    EXPECT_EQ(picture.size(), QSize(12000, 9000));
    EXPECT_EQ(quarters(picture.scaled(QSize(457, 417), &error)), "KBBB") << error.toStdString();
    const QImage full = picture.image(&error);
    ASSERT_EQ(full.size(), QSize(12000, 9000)) << error.toStdString();
    EXPECT_EQ(quarters(full), "KBBB");
}

// Left half black, right half white, in every format: shrunk and stretched to
// exactly the size asked for, and saved as its own bytes or else as a bitmap.
TEST(PictureDecoding, EveryFormatScalesToExactlyTheTargetAndSaves) {
    const QImage source = quartered(QSize(640, 480), "KWKW");
    const struct {
        const char* name;
        QByteArray bytes;
        bool keepsItsBytes;
    } cases[] = {
        {"jpeg", encode(source, "jpeg", 90), false},
        {"bmp", encode(source, "bmp"), true},
        {"gif", halvesGif(source.size()), false},
        {"ico", encode(source.scaled(64, 48), "ico"), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Picture picture = Picture::fromData(c.bytes);
        ASSERT_FALSE(picture.isNull());
        for (const QSize target : {QSize(457, 417), QSize(95, 81), QSize(1000, 30), QSize(1, 1)}) {
            const QImage scaled = picture.scaled(target);
            ASSERT_EQ(scaled.size(), target);
            if (target.width() >= 95) {
                EXPECT_EQ(colourName(scaled.pixel(2, target.height() / 2)), 'K');
                EXPECT_EQ(colourName(scaled.pixel(target.width() - 3, target.height() / 2)), 'W');
            }
        }
        const QByteArray saved = picture.saveData();
        const Picture reread = Picture::fromData(saved);
        EXPECT_EQ(saved == c.bytes, c.keepsItsBytes);
        EXPECT_EQ(reread.format(), c.keepsItsBytes ? picture.format() : Format::Bmp);
        EXPECT_EQ(reread.size(), picture.size());
        EXPECT_EQ(quarters(reread.image()), "KWKW");
    }
}

TEST(PictureDecoding, ManyThreadsShareOneDecode) {
    const Picture picture = Picture::fromData(encode(quartered(QSize(800, 600), "KWKW"), "jpeg"));
    ASSERT_FALSE(picture.isNull());
    QList<int> tasks(8);
    const QList<qint64> keys =
        QtConcurrent::blockingMapped(tasks, [&picture](int) { return picture.image().cacheKey(); });
    const std::set<qint64> distinct(keys.begin(), keys.end());
    EXPECT_EQ(distinct.size(), 1u);
    EXPECT_EQ(*distinct.begin(), picture.image().cacheKey());
}

// Bitmaps whose data ends early: the rows that are there show, the rest are clear.
TEST(PictureDecoding, BitmapsCutShortShowWhatTheyHold) {
    const struct {
        const char* name;
        QByteArray bytes;
        QPoint clear;   // a pixel never written
        QPoint filled;  // and one that was, with its colour
        QRgb colour;
    } cases[] = {
        // The bottom row of a 4x2 bitmap by two runs of 255 and 0, then the end of
        // the bitmap, so the top row is left out.
        {"RLE8 ending early",
         hostile::bmp8(4, 2, 1, QByteArray("\x02\xFF\x02\x00\x00\x01", 6)),
         {0, 0},
         {3, 1},
         qRgb(0, 0, 0)},
        // Two rows of a 2x3 ramp from orange to azure; the top row is left out.
        {"24-bit rows missing",
         hostile::bmp24(2, 3).left(54 + 16),
         {1, 0},
         {1, 1},
         qRgb(0, 128, 255)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage image = Picture::fromData(c.bytes).image();
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(qAlpha(image.pixel(c.clear)), 0);
        EXPECT_EQ(image.pixel(c.filled), c.colour);
    }
}
