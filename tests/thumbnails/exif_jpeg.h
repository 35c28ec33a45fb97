#pragma once

#include "support/le_bytes.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>

#include <optional>

namespace plenarvo::testing {

inline QByteArray encoded(const QImage& image, const char* format, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    writer.write(image);
    return bytes;
}
inline QByteArray jpegBytes(const QImage& image, int quality = 90) {
    return encoded(image, "jpeg", quality);
}
inline QByteArray pngBytes(const QImage& image) {
    return encoded(image, "png", -1);
}

// `jpeg` with one more segment right after SOI.
inline QByteArray withSegment(const QByteArray& jpeg, char marker, const QByteArray& payload) {
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
};

// `jpeg` with an EXIF segment right after SOI: IFD0 holds the orientation, the EXIF
// directory the picture's size when given, IFD1 the thumbnail; little-endian, as
// most cameras write it.
inline QByteArray withExif(const QByteArray& jpeg, const ExifParts& parts) {
    const bool thumb = !parts.thumbnail.isEmpty();
    const bool pixels = parts.pixels.isValid();
    const qint64 exifIfd = 8 + 2 + 12 * (pixels ? 2 : 1) + 4;
    const qint64 ifd1 = exifIfd + (pixels ? 2 + 2 * 12 + 4 : 0);
    const qint64 data = ifd1 + 2 + 2 * 12 + 4;
    QByteArray tiff("II*\0", 4);
    le32(tiff, {8});
    le16(tiff, {pixels ? 2 : 1, 0x0112, 3});
    le32(tiff, {1});
    le16(tiff, {parts.orientation, 0});
    if (pixels) {
        le16(tiff, {0x8769, 4});
        le32(tiff, {1, exifIfd});
    }
    le32(tiff, {thumb ? parts.ifd1Offset.value_or(ifd1) : 0});
    if (pixels) {
        le16(tiff, {2, 0xA002, 4});
        le32(tiff, {1, parts.pixels.width()});
        le16(tiff, {0xA003, 4});
        le32(tiff, {1, parts.pixels.height(), 0});
    }
    if (thumb) {
        le16(tiff, {2, 0x0201, 4});
        le32(tiff, {1, parts.thumbnailOffset.value_or(data)});
        le16(tiff, {0x0202, 4});
        le32(tiff, {1, parts.thumbnailLength.value_or(parts.thumbnail.size()), 0});
        tiff.append(parts.thumbnail);
    }
    return withSegment(jpeg, '\xE1', QByteArray("Exif\0\0", 6) + tiff);
}

// `jpeg` with an APP2 segment that starts like an ICC profile.
inline QByteArray withColourProfile(const QByteArray& jpeg) {
    return withSegment(jpeg, '\xE2',
                       QByteArray("ICC_PROFILE\0\x01\x01", 14) + QByteArray(128, '\0'));
}

// A picture whose four quarters differ, so that a turned or mirrored copy shows.
inline QImage quarters(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const bool right = x * 2 >= size.width();
            const bool bottom = y * 2 >= size.height();
            image.setPixel(x, y,
                           qRgb(right ? 230 : 20, bottom ? 210 : 40,
                                60 + 120 * x / size.width() + 60 * y / size.height()));
        }
    }
    return image;
}

// Mean absolute difference per channel, the largest of the three; images of the
// same size.
inline double meanDifference(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double sums[3] = {0, 0, 0};
    for (int row = 0; row < x.height(); ++row) {
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row);
            const QRgb q = y.pixel(col, row);
            sums[0] += std::abs(qRed(p) - qRed(q));
            sums[1] += std::abs(qGreen(p) - qGreen(q));
            sums[2] += std::abs(qBlue(p) - qBlue(q));
        }
    }
    return std::max({sums[0], sums[1], sums[2]}) / (double(x.width()) * x.height());
}

}  // namespace plenarvo::testing
