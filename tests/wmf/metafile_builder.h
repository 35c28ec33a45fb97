#pragma once

#include <QByteArray>
#include <QImage>

#include <cstdint>
#include <initializer_list>

// Builds small metafiles byte by byte for the tests.
class MetafileBuilder {
public:
    // A placeable metafile with the frame (0,0)-(width,height) at `unitsPerInch`.
    static MetafileBuilder placeable(int width, int height, int unitsPerInch) {
        MetafileBuilder b;
        b.u32(0x9AC6CDD7);
        b.u16(0);
        b.i16s({0, 0, int16_t(width), int16_t(height)});
        b.u16(uint16_t(unitsPerInch));
        b.u32(0);
        uint16_t sum = 0;
        for (int i = 0; i < 20; i += 2) {
            sum ^= uint16_t(uint8_t(b.bytes[i]) | (uint8_t(b.bytes[i + 1]) << 8));
        }
        b.u16(sum);
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
        u32(uint32_t(3 + words.size()));
        u16(function);
        for (int w : words) {
            u16(uint16_t(w));
        }
        return *this;
    }
    // A record whose parameters are given as raw bytes (padded to a whole word).
    MetafileBuilder& record(uint16_t function, QByteArray params) {
        if (params.size() % 2) {
            params.append('\0');
        }
        u32(uint32_t(3 + params.size() / 2));
        u16(function);
        bytes.append(params);
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
    void standardHeader() {
        u16(1);
        u16(9);
        u16(0x0300);
        u32(0);
        u16(8);  // objects
        u32(0);
        u16(0);
    }
    void u16(uint16_t v) {
        bytes.append(char(v & 0xFF));
        bytes.append(char(v >> 8));
    }
    void u32(uint32_t v) {
        u16(uint16_t(v & 0xFFFF));
        u16(uint16_t(v >> 16));
    }
    void i16s(std::initializer_list<int16_t> values) {
        for (int16_t v : values) {
            u16(uint16_t(v));
        }
    }
};

// A device-independent bitmap of 24-bit pixels, bottom-up, as metafile records hold it.
inline QByteArray dib24(const QImage& image) {
    QByteArray d;
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            d.append(char((v >> (8 * i)) & 0xFF));
        }
    };
    auto put16 = [&](uint16_t v) {
        d.append(char(v & 0xFF));
        d.append(char(v >> 8));
    };
    put32(40);
    put32(uint32_t(image.width()));
    put32(uint32_t(image.height()));
    put16(1);
    put16(24);
    for (int i = 0; i < 6; ++i) {
        put32(0);
    }
    for (int y = image.height() - 1; y >= 0; --y) {
        int written = 0;
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            d.append(char(qBlue(c)));
            d.append(char(qGreen(c)));
            d.append(char(qRed(c)));
            written += 3;
        }
        while (written % 4) {
            d.append('\0');
            ++written;
        }
    }
    return d;
}
