#pragma once

// Small files that ask for far more time or memory than their size can justify,
// and large honest pictures beside them, made byte by byte for the tests and the
// hostile-file benchmark.

#include "support/le_bytes.h"
#include "wmf/metafile_builder.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>

#include <unordered_map>

namespace hostile {

// ---- metafiles -------------------------------------------------------------

// One region of `rects` rectangles in a single band, filled `fills` times.
inline QByteArray regionFlood(int rects, int fills) {
    auto b = MetafileBuilder::canvas(1000, 1000);
    b.solidBrush(0x0000FF);  // red, object 0
    QByteArray region;
    le16(region, {0, 0, 0, 0, 0, 1, 0, 1000, 1000, 0, 0});
    le16(region, {rects * 2, 0, 1000});
    for (int i = 0; i < rects; ++i) {
        const int left = (i * 997) % 990;
        le16(region, {left, left + 5});
    }
    le16(region, {rects * 2});
    b.record(records::kCreateRegion, region);  // object 1
    for (int i = 0; i < fills; ++i) {
        b.record(records::kFillRegion, {1, 0});
    }
    return b.eof().bytes;
}

// Characters of the largest font stacked on one spot with zero advances.
inline QByteArray stackedText(int characters, int records) {
    auto b = MetafileBuilder::canvas(1000, 1000);
    b.font(-1000, 700, "Sans").select(0);
    b.record(records::kSetBkMode, {1});  // transparent background
    for (int r = 0; r < records; ++r) {
        QByteArray text;
        le16(text, {0, 0, characters, 0});
        text.append(QByteArray(characters, 'W'));
        if (characters % 2) {
            text.append('\0');
        }
        for (int i = 0; i < characters; ++i) {
            le16(text, {0});
        }
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

// A PNG of `size` of one colour.
inline QByteArray flatPng(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.setQuality(0);  // the smallest file
    writer.write(image);
    return bytes;
}

// Pattern-brush records whose bitmap header says 1x1 but which carry `png`.
inline QByteArray bigPatternBrushes(const QByteArray& png, int brushes) {
    auto b = MetafileBuilder::canvas(100, 100);
    QByteArray record;
    le16(record, {0, 0});  // style BS_DIBPATTERNPT, colours
    le32(record, {40, 1, 1});
    le16(record, {1, 24});
    le32(record, {5, png.size(), 0, 0, 0, 0});  // compression: PNG
    record.append(png);
    for (int i = 0; i < brushes; ++i) {
        b.record(records::kDibCreatePatternBrush, record);
    }
    return b.record(records::kRectangle, {90, 90, 10, 10}).eof().bytes;
}

// ---- bitmaps ----------------------------------------------------------------

// A BMP file of width x height at 8 bits a pixel with a grey colour table,
// followed by `pixelData` (compression 0 plain, 1 RLE8).
inline QByteArray bmp8(qint64 width, qint64 height, int compression, const QByteArray& pixelData) {
    const int offset = 14 + 40 + 4 * 256;
    QByteArray b("BM");
    le32(b, {offset + pixelData.size(), 0, offset, 40, width, height});
    le16(b, {1, 8});
    le32(b, {compression, pixelData.size(), 2835, 2835, 256, 0});
    for (int i = 0; i < 256; ++i) {
        b.append(char(i)).append(char(i)).append(char(i)).append('\0');
    }
    return b.append(pixelData);
}

// A 24-bit BMP file of width x height, a horizontal ramp, written a row at a time.
inline QByteArray bmp24(int width, int height) {
    const qint64 stride = (qint64(width) * 3 + 3) / 4 * 4;
    const qint64 pixelBytes = stride * height;
    QByteArray b("BM");
    le32(b, {54 + pixelBytes, 0, 54, 40, width, height});
    le16(b, {1, 24});
    le32(b, {0, pixelBytes, 2835, 2835, 0, 0});
    QByteArray row(stride, '\0');
    for (int x = 0; x < width; ++x) {
        row[3 * x] = char(x * 255 / std::max(1, width - 1));
        row[3 * x + 1] = char(128);
        row[3 * x + 2] = char(255 - x * 255 / std::max(1, width - 1));
    }
    b.reserve(54 + pixelBytes);
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
    const qint64 entryBytes = 41;
    const qint64 first = 6 + 16 * qint64(entries);
    for (int i = 0; i < entries; ++i) {
        b.append(char(0)).append(char(0)).append(char(0)).append(char(0));
        le16(b, {1, 32});
        le32(b, {entryBytes, first + i * entryBytes});
    }
    for (int i = 0; i < entries; ++i) {
        le32(b, {40, width, 2 * qint64(height)});
        le16(b, {1, 32});
        le32(b, {0, 0, 0, 0, 0, 0});
        b.append('\x7F');
    }
    return b;
}

// ---- GIF ----------------------------------------------------------------------

// A GIF of one frame of frame.size() at the top left of a logical screen of
// `screen`, in four greys, with real LZW compression (the table cleared when
// full, as common encoders do).
inline QByteArray gif(QSize screen, const QImage& frame) {
    QByteArray b("GIF89a");
    le16(b, {screen.width(), screen.height()});
    b.append(char(0x81)).append('\0').append('\0');  // global table of 4 colours
    for (int i = 0; i < 4; ++i) {
        b.append(char(i * 85)).append(char(i * 85)).append(char(i * 85));
    }
    b.append(',');
    le16(b, {0, 0, frame.width(), frame.height()});
    b.append('\0');
    const int minCodeSize = 2;
    b.append(char(minCodeSize));

    // LZW with variable code sizes.
    QByteArray data;
    quint32 bitBuffer = 0;
    int bitCount = 0;
    int codeSize = minCodeSize + 1;
    const int clear = 1 << minCodeSize;
    const int end = clear + 1;
    int next = end + 1;
    auto emit = [&](int code) {
        bitBuffer |= quint32(code) << bitCount;
        bitCount += codeSize;
        while (bitCount >= 8) {
            data.append(char(bitBuffer & 0xFF));
            bitBuffer >>= 8;
            bitCount -= 8;
        }
    };
    std::unordered_map<quint32, int> table;  // (prefix << 8 | pixel) -> code
    emit(clear);
    int prefix = -1;
    for (int y = 0; y < frame.height(); ++y) {
        const auto* line = frame.constScanLine(y);
        for (int x = 0; x < frame.width(); ++x) {
            const int pixel = line[x] & 3;
            if (prefix < 0) {
                prefix = pixel;
                continue;
            }
            const quint32 key = quint32(prefix) << 8 | quint32(pixel);
            const auto found = table.find(key);
            if (found != table.end()) {
                prefix = found->second;
                continue;
            }
            emit(prefix);
            if (next < 4096) {
                table.emplace(key, next++);
                if (next > (1 << codeSize) && codeSize < 12) {
                    ++codeSize;
                }
            } else {
                emit(clear);
                table.clear();
                next = end + 1;
                codeSize = minCodeSize + 1;
            }
            prefix = pixel;
        }
    }
    if (prefix >= 0) {
        emit(prefix);
    }
    emit(end);
    if (bitCount > 0) {
        data.append(char(bitBuffer & 0xFF));
    }
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const QByteArray block = data.mid(at, 255);
        b.append(char(block.size())).append(block);
    }
    b.append('\0').append(';');
    return b;
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
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return bytes;
}

// A JPEG whose frame header is changed to claim width x height.
inline QByteArray jpegClaiming(QByteArray jpeg, int width, int height) {
    for (qsizetype at = 2; at + 9 < jpeg.size(); ++at) {
        const uchar m = uchar(jpeg[at + 1]);
        if (uchar(jpeg[at]) == 0xFF && (m == 0xC0 || m == 0xC1 || m == 0xC2)) {
            jpeg[at + 5] = char(height >> 8);
            jpeg[at + 6] = char(height & 0xFF);
            jpeg[at + 7] = char(width >> 8);
            jpeg[at + 8] = char(width & 0xFF);
            break;
        }
    }
    return jpeg;
}

}  // namespace hostile
