#pragma once

// Small files that ask for far more time or memory than their size can justify,
// and large honest pictures beside them, made byte by byte for the tests and the
// hostile-file benchmark.

#include "support/files.h"
#include "support/le_bytes.h"
#include "wmf/metafile_builder.h"

#include <QByteArray>
#include <QImage>

#include <unordered_map>

namespace hostile {

using plenarvo::testing::encode;

// ---- metafiles -------------------------------------------------------------

// One region of `rects` rectangles in a single band, filled `fills` times.
inline QByteArray regionFlood(int rects, int fills) {
    auto b = MetafileBuilder::canvas(1000, 1000);
    b.solidBrush(0x0000FF);  // red, object 0
    QByteArray region;
    le16(region, {0, 0, 0, 0, 0, 1, 0, 1000, 1000, 0, 0, rects * 2, 0, 1000});
    for (int i = 0; i < rects; ++i) {
        le16(region, {(i * 997) % 990, (i * 997) % 990 + 5});
    }
    b.record(records::kCreateRegion, le16(region, {rects * 2}));  // object 1
    for (int i = 0; i < fills; ++i) {
        b.record(records::kFillRegion, {1, 0});
    }
    return b.eof().bytes;
}

// Characters of the largest font stacked on one spot with zero advances.
inline QByteArray stackedText(int characters, int records) {
    auto b = MetafileBuilder::canvas(1000, 1000);
    b.font(-1000, 700, "Sans").select(0).record(records::kSetBkMode, {1});  // transparent
    QByteArray text;
    le16(text, {0, 0, characters, 0}).append(QByteArray(characters, 'W'));
    text.append(QByteArray(characters % 2 + 2 * characters, '\0'));  // padding, the advances
    for (int r = 0; r < records; ++r) {
        b.record(records::kExtTextOut, text);
    }
    return b.eof().bytes;
}

// A polyline of `points` points zigzagging across a 1000-unit frame.
inline MetafileBuilder& zigzag(MetafileBuilder& b, int points) {
    QByteArray line;
    le16(line, {points});
    for (int i = 0; i < points; ++i) {
        le16(line, {(i * 37) % 1000, i % 2 ? 990 : 10});
    }
    return b.record(records::kPolyline, line);
}

// One zigzag of `points` points with a pen `penWidth` units wide.
inline QByteArray widePolyline(int points, int penWidth) {
    auto b = MetafileBuilder::canvas(1000, 1000);
    b.pen(0, penWidth, 0).select(0);
    return zigzag(b, points).eof().bytes;
}

// A PNG of `size` of one colour, as small as Qt writes it.
inline QByteArray flatPng(QSize size) {
    return encode(plenarvo::testing::solid(size, Qt::darkCyan), "png", 0);
}

// Pattern-brush records whose bitmap header says 1x1 but which carry `png`.
inline QByteArray bigPatternBrushes(const QByteArray& png, int brushes) {
    auto b = MetafileBuilder::canvas(100, 100);
    QByteArray record;
    le16(record, {0, 0});  // style BS_DIBPATTERNPT, colours
    le32(le16(le32(record, {40, 1, 1}), {1, 24}), {5, png.size(), 0, 0, 0, 0});  // PNG inside
    record.append(png);
    for (int i = 0; i < brushes; ++i) {
        b.record(records::kDibCreatePatternBrush, record);
    }
    return b.record(records::kRectangle, {90, 90, 10, 10}).eof().bytes;
}

// ---- bitmaps ----------------------------------------------------------------

// The file and info headers of a bitmap with `paletteSize` colours before its data.
inline QByteArray bmpHeader(qint64 width, qint64 height, int bits, int compression,
                            qint64 dataBytes, int paletteSize) {
    const qint64 offset = 14 + 40 + 4 * paletteSize;
    QByteArray b("BM");
    le32(b, {offset + dataBytes, 0, offset, 40, width, height});
    return le32(le16(b, {1, bits}), {compression, dataBytes, 2835, 2835, paletteSize, 0});
}

// A BMP file of width x height at 8 bits a pixel with a grey colour table,
// followed by `pixelData` (compression 0 plain, 1 RLE8).
inline QByteArray bmp8(qint64 width, qint64 height, int compression, const QByteArray& pixelData) {
    QByteArray b = bmpHeader(width, height, 8, compression, pixelData.size(), 256);
    for (int i = 0; i < 256; ++i) {
        le32(b, {i * 0x010101});
    }
    return b.append(pixelData);
}

// A 24-bit BMP file of width x height, a horizontal ramp, written a row at a time.
inline QByteArray bmp24(int width, int height) {
    const qint64 stride = (qint64(width) * 3 + 3) / 4 * 4;
    QByteArray b = bmpHeader(width, height, 24, 0, stride * height, 0);
    QByteArray row(stride, '\0');
    for (int x = 0; x < width; ++x) {
        const int ramp = x * 255 / std::max(1, width - 1);
        row[3 * x] = char(ramp);
        row[3 * x + 1] = char(128);
        row[3 * x + 2] = char(255 - ramp);
    }
    b.reserve(b.size() + stride * height);
    for (int y = 0; y < height; ++y) {
        b.append(row);
    }
    return b;
}

// ---- icons ------------------------------------------------------------------

// An icon file of `entries` directory entries, each a bitmap header claiming
// width x height (its height counted twice, with the mask) and one byte of pixels.
inline QByteArray iconFlood(int entries, int width, int height) {
    QByteArray b;
    le16(b, {0, 1, entries});
    for (int i = 0; i < entries; ++i) {
        le32(le16(le32(b, {0}), {1, 32}), {41, 6 + 16 * qint64(entries) + i * 41});
    }
    for (int i = 0; i < entries; ++i) {
        le32(le16(le32(b, {40, width, 2 * qint64(height)}), {1, 32}), {0, 0, 0, 0, 0, 0});
        b.append('\x7F');
    }
    return b;
}

// ---- GIF ----------------------------------------------------------------------

// A GIF of one frame of frame.size() at the top left of a logical screen of
// `screen`, in four greys (the frame's bytes are the indices), with real LZW
// compression (the table cleared when full, as common encoders do).
inline QByteArray gif(QSize screen, const QImage& frame) {
    QByteArray b("GIF89a");
    le16(b, {screen.width(), screen.height()}).append("\x81\0\0", 3);  // four global colours
    for (int i = 0; i < 4; ++i) {
        b.append(QByteArray(3, char(i * 85)));
    }
    le16(b.append(','), {0, 0, frame.width(), frame.height()}).append("\0\x02", 2);
    constexpr int kClear = 4;  // the codes after the four colours: clear, end
    constexpr int kEnd = 5;
    QByteArray data;
    quint32 bits = 0;
    int bitCount = 0;
    int codeSize = 3;
    int next = kEnd + 1;
    const auto emit = [&](int code) {
        bits |= quint32(code) << bitCount;
        for (bitCount += codeSize; bitCount >= 8; bitCount -= 8, bits >>= 8) {
            data.append(char(bits & 0xFF));
        }
    };
    std::unordered_map<quint32, int> table;  // (prefix << 8 | pixel) -> code
    emit(kClear);
    int prefix = -1;
    for (int y = 0; y < frame.height(); ++y) {
        for (int x = 0; x < frame.width(); ++x) {
            const int pixel = frame.constScanLine(y)[x] & 3;
            const quint32 key = quint32(prefix) << 8 | quint32(pixel);
            if (prefix < 0 || table.count(key)) {
                prefix = prefix < 0 ? pixel : table[key];
                continue;
            }
            emit(prefix);
            if (next < 4096) {
                table.emplace(key, next++);
                if (next > (1 << codeSize) && codeSize < 12) {
                    ++codeSize;
                }
            } else {
                emit(kClear);
                table.clear();
                next = kEnd + 1;
                codeSize = 3;
            }
            prefix = pixel;
        }
    }
    if (prefix >= 0) {
        emit(prefix);
    }
    emit(kEnd);
    if (bitCount > 0) {
        data.append(char(bits & 0xFF));
    }
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const QByteArray block = data.mid(at, 255);
        b.append(char(block.size())).append(block);
    }
    return b.append("\0;", 2);
}

// A frame of four grey bands, as an 8-bit image of palette indices.
inline QImage bands(QSize size) {
    QImage image(size, QImage::Format_Grayscale8);
    for (int y = 0; y < size.height(); ++y) {
        std::fill_n(image.scanLine(y), size.width(), uchar(y * 4 / size.height()));
    }
    return image;
}

// ---- JPEG ---------------------------------------------------------------------

// A JPEG of `image`, progressive or not.
inline QByteArray jpeg(const QImage& image, bool progressive, int quality = 80) {
    return encode(image, "jpeg", quality, progressive);
}

// A JPEG whose frame header is changed to claim width x height.
inline QByteArray jpegClaiming(QByteArray jpeg, int width, int height) {
    for (qsizetype at = 2; at + 9 < jpeg.size(); ++at) {
        const uchar m = uchar(jpeg[at + 1]);
        if (uchar(jpeg[at]) == 0xFF && (m == 0xC0 || m == 0xC1 || m == 0xC2)) {
            const char claim[] = {char(height >> 8), char(height), char(width >> 8), char(width)};
            return jpeg.replace(at + 5, 4, claim, 4);
        }
    }
    return jpeg;
}

}  // namespace hostile
