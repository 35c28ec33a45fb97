#include "dib.h"

#include "bytes.h"

#include <QBuffer>
#include <QImageReader>

#include <bit>
#include <vector>

namespace plenarvo::pictures::wmf {

namespace {

enum Compression : uint32_t { Rgb = 0, Rle8 = 1, Rle4 = 2, BitFields = 3, Jpeg = 4, Png = 5 };

// Scales a masked channel to 0..255.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;

    explicit Channel(uint32_t m) : mask(m) {
        if (m != 0) {
            shift = std::countr_zero(m);
            max = m >> shift;
        }
    }
    int value(uint32_t pixel) const {
        if (max == 0) {
            return 0;
        }
        return int((uint64_t((pixel & mask) >> shift) * 255 + max / 2) / max);
    }
};

// Expands run-length coded rows into one byte per pixel (bottom-up order as stored).
bool expandRle(Reader& in, int width, int height, bool fourBit, std::vector<uint8_t>& out) {
    out.assign(size_t(width) * size_t(height), 0);
    int x = 0;
    int y = 0;
    auto put = [&](uint8_t v) {
        if (x < width && y < height) {
            out[size_t(y) * width + x] = v;
        }
        ++x;
    };
    while (in.ok() && y < height) {
        const uint8_t count = in.u8();
        const uint8_t value = in.u8();
        if (!in.ok()) {
            return false;
        }
        if (count > 0) {
            for (int i = 0; i < count; ++i) {
                put(fourBit ? ((i % 2 == 0) ? value >> 4 : value & 0x0F) : value);
            }
        } else if (value == 0) {  // end of line
            x = 0;
            ++y;
        } else if (value == 1) {  // end of bitmap
            return true;
        } else if (value == 2) {  // delta
            x += in.u8();
            y += in.u8();
        } else {  // a literal run of `value` pixels, padded to a word
            const int n = value;
            const int bytes = fourBit ? (n + 1) / 2 : n;
            if (in.remaining() < bytes) {
                return false;
            }
            for (int i = 0; i < n; ++i) {
                const uint8_t b = static_cast<uint8_t>(in.here()[fourBit ? i / 2 : i]);
                put(fourBit ? ((i % 2 == 0) ? b >> 4 : b & 0x0F) : b);
            }
            in.skip(bytes + (bytes % 2));
        }
    }
    return in.ok() || y >= height;
}

}  // namespace

QImage decodeDib(const char* data, qsizetype size, bool paletteIndices) {
    Reader in(data, size);
    const uint32_t headerSize = in.u32();
    int64_t width = 0;
    int64_t height = 0;
    int bpp = 0;
    uint32_t compression = Rgb;
    uint32_t colorsUsed = 0;
    uint32_t masks[3] = {0, 0, 0};
    bool hasMasks = false;
    bool core = false;
    if (headerSize == 12) {  // the old OS/2 core header
        core = true;
        width = in.u16();
        height = in.i16();
        in.u16();
        bpp = in.u16();
    } else if (headerSize >= 40 && headerSize <= 124) {
        width = in.i32();
        height = in.i32();
        in.u16();  // planes
        bpp = in.u16();
        compression = in.u32();
        in.u32();  // image size
        in.u32();
        in.u32();
        colorsUsed = in.u32();
        in.u32();
        if (headerSize >= 52) {
            masks[0] = in.u32();
            masks[1] = in.u32();
            masks[2] = in.u32();
            hasMasks = true;
        }
        if (!in.ok() || !in.skip(qsizetype(headerSize) - (in.pos()))) {
            return {};
        }
    } else {
        return {};
    }
    if (!in.ok()) {
        return {};
    }
    const bool topDown = height < 0;
    height = topDown ? -height : height;
    if (width <= 0 || height <= 0 || width * height > kMaxBitmapPixels) {
        return {};
    }

    if (compression == Jpeg || compression == Png) {
        QByteArray bytes = QByteArray::fromRawData(in.here(), in.remaining());
        QBuffer buffer(&bytes);
        QImageReader reader(&buffer, compression == Png ? "png" : "jpeg");
        const QSize s = reader.size();
        if (!s.isValid() || qint64(s.width()) * s.height() > kMaxBitmapPixels) {
            return {};
        }
        QImage image = reader.read();
        return image.isNull() ? QImage() : image.convertToFormat(QImage::Format_RGB32);
    }

    if (compression == BitFields && !hasMasks) {
        masks[0] = in.u32();
        masks[1] = in.u32();
        masks[2] = in.u32();
    }
    if (compression == Rgb && bpp == 16) {
        masks[0] = 0x7C00;
        masks[1] = 0x03E0;
        masks[2] = 0x001F;
    } else if (compression == Rgb && bpp == 32) {
        masks[0] = 0xFF0000;
        masks[1] = 0xFF00;
        masks[2] = 0xFF;
    }

    const bool indexed = bpp == 1 || bpp == 4 || bpp == 8;
    const bool supported =
        (compression == Rgb && (indexed || bpp == 16 || bpp == 24 || bpp == 32)) ||
        (compression == BitFields && (bpp == 16 || bpp == 32)) ||
        (compression == Rle8 && bpp == 8) || (compression == Rle4 && bpp == 4);
    if (!supported || !in.ok()) {
        return {};
    }

    QList<QRgb> table;
    if (indexed) {
        const uint32_t full = 1u << bpp;
        const uint32_t count = (colorsUsed == 0 || colorsUsed > full) ? full : colorsUsed;
        const int entrySize = paletteIndices ? 2 : (core ? 3 : 4);
        if (in.remaining() < qsizetype(count) * entrySize) {
            return {};
        }
        for (uint32_t i = 0; i < count; ++i) {
            if (paletteIndices) {
                const int v = in.u16() & 0xFF;
                table.append(qRgb(v, v, v));
            } else {
                const int b = in.u8();
                const int g = in.u8();
                const int r = in.u8();
                if (!core) {
                    in.u8();
                }
                table.append(qRgb(r, g, b));
            }
        }
        while (table.size() < int(full)) {
            table.append(qRgb(0, 0, 0));
        }
    }

    QImage image(int(width), int(height), QImage::Format_RGB32);
    if (image.isNull()) {
        return {};
    }
    auto rowOf = [&](int64_t storedRow) {
        return topDown ? int(storedRow) : int(height - 1 - storedRow);
    };

    if (compression == Rle8 || compression == Rle4) {
        // A run codes at most 255 pixels in two bytes; a bitmap claiming far more
        // pixels than its codes can reach is not a real one.
        if (width * height > int64_t(in.remaining()) * 256) {
            return {};
        }
        std::vector<uint8_t> pixels;
        if (!expandRle(in, int(width), int(height), compression == Rle4, pixels)) {
            return {};
        }
        for (int64_t y = 0; y < height; ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(rowOf(y)));
            for (int64_t x = 0; x < width; ++x) {
                line[x] = table[pixels[size_t(y * width + x)] % table.size()];
            }
        }
        return image;
    }

    const int64_t stride = ((width * bpp + 31) / 32) * 4;
    // Some writers leave off the padding of the last row; accept that much.
    if (stride * height - (stride - (width * bpp + 7) / 8) > in.remaining()) {
        return {};
    }
    const auto* bits = reinterpret_cast<const uint8_t*>(in.here());
    const int64_t available = in.remaining();
    const Channel red(masks[0]);
    const Channel green(masks[1]);
    const Channel blue(masks[2]);
    for (int64_t y = 0; y < height; ++y) {
        const uint8_t* row = bits + y * stride;
        const int64_t rowBytes = std::min<int64_t>(stride, available - y * stride);
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(rowOf(y)));
        for (int64_t x = 0; x < width; ++x) {
            QRgb c = qRgb(0, 0, 0);
            switch (bpp) {
                case 1:
                    c = table[(row[x / 8] >> (7 - x % 8)) & 1];
                    break;
                case 4:
                    c = table[(row[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0x0F];
                    break;
                case 8:
                    c = table[row[x]];
                    break;
                case 16: {
                    const uint32_t p = row[2 * x] | (row[2 * x + 1] << 8);
                    c = qRgb(red.value(p), green.value(p), blue.value(p));
                    break;
                }
                case 24:
                    if (3 * x + 2 < rowBytes) {
                        c = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
                    }
                    break;
                case 32: {
                    if (4 * x + 3 < rowBytes) {
                        const uint32_t p = row[4 * x] | (row[4 * x + 1] << 8) |
                                           (row[4 * x + 2] << 16) |
                                           (uint32_t(row[4 * x + 3]) << 24);
                        c = qRgb(red.value(p), green.value(p), blue.value(p));
                    }
                    break;
                }
            }
            line[x] = c;
        }
    }
    return image;
}

}  // namespace plenarvo::pictures::wmf
