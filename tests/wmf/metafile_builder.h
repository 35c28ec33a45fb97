#pragma once

#include "support/le_bytes.h"

#include <QByteArray>
#include <QImage>

#include <cstdint>

// Builds small metafiles byte by byte for the tests.
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
        return record(0x02FC, {0, int(colorRef & 0xFFFF), int(colorRef >> 16), 0});
    }
    MetafileBuilder& nullPen() { return record(0x02FA, {5, 0, 0, 0, 0}); }
    MetafileBuilder& select(int index) { return record(0x012D, {index}); }

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
