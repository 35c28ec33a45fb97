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

QString writeFile(const QTemporaryDir& dir, const QByteArray& bytes) {
    const QString path = dir.filePath("p.jpg");
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

QByteArray photo(QSize size, const ExifParts& exif) {
    return withExif(jpegBytes(quarters(size)), exif);
}

}  // namespace

TEST(EmbeddedThumbnail, IsUsedOnlyWhenLargeEnoughOfTheSameProportionsAndSound) {
    const QByteArray t160x120 = jpegBytes(quarters({160, 120}));
    const QByteArray t160x121 = jpegBytes(quarters({160, 121}));  // 0.8 % taller
    const QByteArray t160x123 = jpegBytes(quarters({160, 123}));  // 2.5 % taller
    const QSize cell(95, 81);
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
        {"fits", photo({640, 480}, {1, t160x120}), cell, {160, 120}},
        {"within 2 %", photo({640, 480}, {1, t160x121}), cell, {160, 121}},
        {"too small for the cell", photo({640, 480}, {1, t160x120}), {190, 162}, {}},
        {"letterboxed 3:2 photo", photo({600, 400}, {1, t160x120}), cell, {}},
        {"proportions off by 2.5 %", photo({640, 480}, {1, t160x123}), cell, {}},
        {"turned a quarter", photo({640, 480}, {6, t160x120}), cell, {120, 160}},
        {"turned, then too narrow", photo({640, 480}, {8, t160x120}), {130, 81}, {}},
        {"EXIF gives the picture's size", photo({640, 480}, sameSize), cell, {160, 120}},
        {"EXIF gives another size", photo({640, 480}, edited), cell, {}},
        {"no thumbnail", photo({640, 480}, {6, {}}), cell, {}},
        {"IFD1 outside the segment", photo({640, 480}, {1, t160x120, 70000}), cell, {}},
        {"thumbnail past the end", photo({640, 480}, {1, t160x120, {}, {}, 90000}), cell, {}},
        {"thumbnail offset wrong", photo({640, 480}, {1, t160x120, {}, 20}), cell, {}},
        {"thumbnail not a JPEG", photo({640, 480}, {1, QByteArray(3000, 'U')}), cell, {}},
        {"thumbnail cut short", photo({640, 480}, {1, t160x120.left(200)}), cell, {}},
        // A colour profile: the thumbnail's colours are not to be trusted.
        {"colour profile", withColourProfile(photo({640, 480}, {1, t160x120})), cell, {}},
        {"not a JPEG", pngBytes(quarters({640, 480})), cell, {}},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage got = embeddedThumbnail(writeFile(dir, c.file), c.cell);
        EXPECT_EQ(got.isNull() ? QSize() : got.size(), c.expected);
    }
    EXPECT_TRUE(embeddedThumbnail(dir.filePath("gone.jpg"), cell).isNull());
}

TEST(EmbeddedThumbnail, IsTurnedAsThePictureIsShown) {
    // Every EXIF orientation against the decoder's own turning of the picture.
    QTemporaryDir dir;
    const QSize cell(95, 81);
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        const QString path =
            writeFile(dir, photo({640, 480}, {orientation, jpegBytes(quarters({160, 120}))}));
        const QImage embedded = embeddedThumbnail(path, cell);
        ASSERT_FALSE(embedded.isNull());
        EXPECT_LT(
            meanDifference(embedded.scaled(cell, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
                           pictures::decodeScaled(path, cell)),
            4.0);
    }
}

TEST(EmbeddedThumbnail, OnlyTheHeadOfTheFileIsRead) {
    const QByteArray file = photo({640, 480}, {3, jpegBytes(quarters({160, 120}))});
    QBuffer buffer;
    buffer.setData(file);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    const std::optional<JpegHead> head = readJpegHead(buffer);
    ASSERT_TRUE(head);
    EXPECT_EQ(head->stored, QSize(640, 480));
    EXPECT_EQ(head->orientation, 3);
    EXPECT_FALSE(head->thumbnail.isEmpty());
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
