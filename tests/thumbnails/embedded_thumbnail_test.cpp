#include "thumbnails/embedded_thumbnail.h"

#include "pictures/picture.h"
#include "thumbnails/exif_jpeg.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

using namespace plenarvo;
using namespace plenarvo::testing;

namespace {

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

struct ChoiceCase {
    const char* name;
    QSize picture;
    ExifParts exif;
    QSize cell;
    QSize expected;  // invalid: no embedded thumbnail is used
};

}  // namespace

TEST(EmbeddedThumbnail, IsUsedOnlyWhenLargeEnoughOfTheSameProportionsAndSound) {
    const QByteArray thumb160x120 = jpegBytes(quarters({160, 120}));
    const QByteArray thumb160x123 = jpegBytes(quarters({160, 123}));  // 2.5 % taller
    const QByteArray thumb160x121 = jpegBytes(quarters({160, 121}));  // 0.8 % taller
    const QSize cell(95, 81);
    ExifParts edited{1, thumb160x120};
    edited.pixels = {2272, 1704};
    ExifParts sameSize = edited;
    sameSize.pixels = {640, 480};
    const ChoiceCase cases[] = {
        {"fits", {640, 480}, {1, thumb160x120}, cell, {160, 120}},
        {"within 2 %", {640, 480}, {1, thumb160x121}, cell, {160, 121}},
        {"too small for the cell", {640, 480}, {1, thumb160x120}, {190, 162}, {}},
        {"letterboxed 3:2 photo", {600, 400}, {1, thumb160x120}, cell, {}},
        {"proportions off by 2.5 %", {640, 480}, {1, thumb160x123}, cell, {}},
        {"turned a quarter", {640, 480}, {6, thumb160x120}, cell, {120, 160}},
        {"turned, then too narrow", {640, 480}, {8, thumb160x120}, {130, 81}, {}},
        {"EXIF gives the picture's size", {640, 480}, sameSize, cell, {160, 120}},
        {"picture shrunk since: EXIF gives another size", {640, 480}, edited, cell, {}},
        {"no thumbnail", {640, 480}, {6, {}}, cell, {}},
        {"IFD1 outside the segment", {640, 480}, {1, thumb160x120, 70000}, cell, {}},
        {"thumbnail past the end", {640, 480}, {1, thumb160x120, {}, {}, 90000}, cell, {}},
        {"thumbnail offset wrong", {640, 480}, {1, thumb160x120, {}, 20}, cell, {}},
        {"thumbnail not a JPEG", {640, 480}, {1, QByteArray(3000, '\x55')}, cell, {}},
        {"thumbnail cut short", {640, 480}, {1, thumb160x120.left(200)}, cell, {}},
    };
    QTemporaryDir dir;
    for (const ChoiceCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray file = withExif(jpegBytes(quarters(c.picture)), c.exif);
        const QImage got = embeddedThumbnail(writeFile(dir, QStringLiteral("p.jpg"), file), c.cell);
        EXPECT_EQ(got.isNull() ? QSize() : got.size(), c.expected);
    }
    // A picture with a colour profile: its thumbnail's colours are not to be trusted.
    const QByteArray profiled =
        withColourProfile(withExif(jpegBytes(quarters({640, 480})), {1, thumb160x120}));
    EXPECT_TRUE(
        embeddedThumbnail(writeFile(dir, QStringLiteral("p.jpg"), profiled), cell).isNull());
    // Not a JPEG at all, and no file.
    const QString png = dir.filePath(QStringLiteral("p.png"));
    ASSERT_TRUE(quarters({640, 480}).save(png, "png"));
    EXPECT_TRUE(embeddedThumbnail(png, cell).isNull());
    EXPECT_TRUE(embeddedThumbnail(dir.filePath(QStringLiteral("gone.jpg")), cell).isNull());
}

TEST(EmbeddedThumbnail, IsTurnedAsThePictureIsShown) {
    // Every EXIF orientation, checked against the decoder's own turning of the
    // picture: the cell made from the thumbnail looks like the cell decoded.
    QTemporaryDir dir;
    const QSize cell(95, 81);
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        const QByteArray file = withExif(jpegBytes(quarters({640, 480})),
                                         {orientation, jpegBytes(quarters({160, 120}))});
        const QString path = writeFile(dir, QStringLiteral("turned.jpg"), file);
        const QImage embedded = embeddedThumbnail(path, cell);
        ASSERT_FALSE(embedded.isNull());
        const QImage decoded = pictures::decodeScaled(path, cell);
        ASSERT_EQ(decoded.size(), cell);
        EXPECT_LT(
            meanDifference(embedded.scaled(cell, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
                           decoded),
            4.0);
    }
}

TEST(EmbeddedThumbnail, OnlyTheHeadOfTheFileIsRead) {
    const QByteArray picture = jpegBytes(quarters({640, 480}));
    const QByteArray file = withExif(picture, {3, jpegBytes(quarters({160, 120}))});
    QBuffer buffer;
    buffer.setData(file);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    const std::optional<JpegHead> head = readJpegHead(buffer);
    ASSERT_TRUE(head);
    EXPECT_EQ(head->stored, QSize(640, 480));
    EXPECT_EQ(head->orientation, 3);
    EXPECT_FALSE(head->thumbnail.isEmpty());
    // It stopped at the frame header, long before the picture's data.
    const int exifEnd = 4 + (uchar(file[4]) << 8 | uchar(file[5]));
    const qsizetype frame = file.indexOf("\xFF\xC0", exifEnd);
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
