#pragma once

#include "support/le_bytes.h"

#include <QByteArray>
#include <QImage>

#include <cstdint>

// Record numbers as metafiles store them.
namespace records {
inline constexpr uint16_t kSetBkMode = 0x0102;
inline constexpr uint16_t kSetRop2 = 0x0104;
inline constexpr uint16_t kSetPolyFillMode = 0x0106;
inline constexpr uint16_t kSetTextAlign = 0x012E;
inline constexpr uint16_t kSelectObject = 0x012D;
inline constexpr uint16_t kDeleteObject = 0x01F0;
inline constexpr uint16_t kSaveDc = 0x001E;
inline constexpr uint16_t kRestoreDc = 0x0127;
inline constexpr uint16_t kExcludeClipRect = 0x0415;
inline constexpr uint16_t kIntersectClipRect = 0x0416;
inline constexpr uint16_t kRectangle = 0x041B;
inline constexpr uint16_t kPie = 0x081A;
inline constexpr uint16_t kPolygon = 0x0324;
inline constexpr uint16_t kPolyline = 0x0325;
inline constexpr uint16_t kPolyPolygon = 0x0538;
inline constexpr uint16_t kPatBlt = 0x061D;
inline constexpr uint16_t kStretchDib = 0x0F43;
inline constexpr uint16_t kTextOut = 0x0521;
inline constexpr uint16_t kExtTextOut = 0x0A32;
inline constexpr uint16_t kFillRegion = 0x0228;
inline constexpr uint16_t kDibCreatePatternBrush = 0x0142;
inline constexpr uint16_t kCreatePen = 0x02FA;
inline constexpr uint16_t kCreateFont = 0x02FB;
inline constexpr uint16_t kCreateBrush = 0x02FC;
inline constexpr uint16_t kCreateRegion = 0x06FF;
}  // namespace records

// Builds small metafiles byte by byte for the tests and benchmarks.
class MetafileBuilder {
public:
    // A placeable metafile with the frame (0,0)-(width,height) at `unitsPerInch`.
    static MetafileBuilder placeable(int width, int height, int unitsPerInch) {
        MetafileBuilder b;
        le32(b.bytes, {0x9AC6CDD7});
        le16(b.bytes, {0, 0, 0, width, height, unitsPerInch, 0, 0});
        uint16_t sum = 0;
        for (int i = 0; i < 20; i += 2) {
            sum ^= uint16_t(uint8_t(b.bytes[i]) | (uint8_t(b.bytes[i + 1]) << 8));
        }
        le16(b.bytes, {sum});
        b.standardHeader();
        return b;
    }
    static MetafileBuilder plain() {
        MetafileBuilder b;
        b.standardHeader();
        return b;
    }
    // A placeable picture of width x height units at 96 units to the inch, with its
    // window set up: at its natural size one unit is one pixel.
    static MetafileBuilder canvas(int width, int height) {
        auto b = placeable(width, height, 96);
        b.window(width, height);
        return b;
    }

    // A record from its function and 16-bit parameters in the order they are stored.
    MetafileBuilder& record(uint16_t function, std::initializer_list<int> words) {
        le32(bytes, {qint64(3 + words.size())});
        le16(bytes, {function});
        for (int w : words) {
            le16(bytes, {w});
        }
        return *this;
    }
    // A record whose parameters are given as raw bytes (padded to a whole word).
    MetafileBuilder& record(uint16_t function, QByteArray params) {
        if (params.size() % 2) {
            params.append('\0');
        }
        le16(le32(bytes, {3 + params.size() / 2}), {function}).append(params);
        return *this;
    }
    MetafileBuilder& eof() { return record(0, {}); }

    // Sets up a window of the given size at the origin.
    MetafileBuilder& window(int width, int height) {
        record(0x020B, {0, 0});
        return record(0x020C, {height, width});
    }
    MetafileBuilder& solidBrush(uint32_t colorRef) {
        return record(records::kCreateBrush, {0, int(colorRef & 0xFFFF), int(colorRef >> 16), 0});
    }
    MetafileBuilder& pen(int style, int width, uint32_t colorRef) {
        return record(records::kCreatePen,
                      {style, width, 0, int(colorRef & 0xFFFF), int(colorRef >> 16)});
    }
    MetafileBuilder& nullPen() { return pen(5, 0, 0); }
    // A font `height` units high (negative: the em, positive: the cell) of `face`.
    MetafileBuilder& font(int height, int weight, const char* face) {
        QByteArray params;
        le16(params, {height, 0, 0, 0, weight});
        params.append(QByteArray(8, '\0')).append(face).append('\0');
        return record(records::kCreateFont, params);
    }
    MetafileBuilder& select(int index) { return record(records::kSelectObject, {index}); }

    QByteArray bytes;

private:
    void standardHeader() { le16(le32(le16(bytes, {1, 9, 0x0300}), {0}), {8, 0, 0, 0}); }
};

// A device-independent bitmap of 24-bit pixels, bottom-up, as metafile records hold it.
inline QByteArray dib24(const QImage& image) {
    QByteArray d;
    le32(d, {40, image.width(), image.height()});
    le32(le16(d, {1, 24}), {0, 0, 0, 0, 0, 0});
    for (int y = image.height() - 1; y >= 0; --y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            d.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c)));
        }
        d.append((4 - 3 * image.width() % 4) % 4, '\0');
    }
    return d;
}
