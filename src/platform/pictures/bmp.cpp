#include "platform/pictures/bmp.h"

#include "platform/pictures/picture.h"
#include "platform/pictures/reader.h"

#include <QBuffer>
#include <QImageReader>
#include <QList>

#include <algorithm>
#include <bit>
#include <limits>

namespace plenarvo::pictures::detail {

namespace {

// Compression values of the Windows headers.
enum Compression : quint32 {
    kRgb = 0,
    kRle8 = 1,
    kRle4 = 2,
    kBitFields = 3,
    kJpeg = 4,
    kPng = 5,
    kAlphaBitFields = 6,
};

// A run-length escape can skip at most 255 x 255 pixels with four bytes; data that
// claims more pixels than that per byte is not a picture but a trap.
constexpr qint64 kMaxRlePixelsPerByte = 255 * 255 / 4 + 1;

// An icon entry is at most 256 pixels a side; allow generous room, not megapixels.
constexpr qint64 kMaxIconPixels = 4096 * 4096;

class Bytes {
public:
    explicit Bytes(const QByteArray& data) : data_(data) {}
    qsizetype size() const { return data_.size(); }
    bool has(qint64 at, qint64 count) const {
        return at >= 0 && count >= 0 && at <= qint64(data_.size()) - count;
    }
    uchar u8(qint64 at) const { return uchar(data_[qsizetype(at)]); }
    quint16 u16(qint64 at) const { return quint16(u8(at) | u8(at + 1) << 8); }
    quint32 u32(qint64 at) const { return quint32(u16(at)) | quint32(u16(at + 2)) << 16; }
    qint32 s32(qint64 at) const { return qint32(u32(at)); }
    const uchar* at(qint64 offset) const {
        return reinterpret_cast<const uchar*>(data_.constData()) + offset;
    }

private:
    const QByteArray& data_;
};

// One colour channel of a bit-field pixel, widened to 8 bits by filling the low
// bits from the high ones, so that full intensity stays full.
struct Channel {
    quint32 mask = 0;
    int shift = 0;
    int bits = 0;

    explicit Channel(quint32 m = 0) : mask(m) {
        if (mask) {
            shift = std::countr_zero(mask);
            bits = std::min(std::popcount(mask), 32 - shift);
        }
    }
    int value(quint32 pixel, int absent) const {
        if (!bits) {
            return absent;
        }
        const quint32 v = (pixel & mask) >> shift;
        if (bits >= 8) {
            return int(std::min<quint32>(v >> (bits - 8), 255));
        }
        const quint32 max = (1u << bits) - 1;
        return int((std::min(v, max) * 255 + max / 2) / max);
    }
};

void say(QString* problem, const char* text) {
    if (problem) {
        *problem = QString::fromLatin1(text);
    }
}

// A device-independent bitmap's headers, checked.
struct Dib {
    int width = 0;
    int height = 0;
    bool topDown = false;
    int bits = 0;
    quint32 compression = kRgb;
    Channel red, green, blue, alpha;
    QList<QRgb> palette;
    qint64 pixelsAt = 0;
};

// `paletteIndices`: the colour table holds 16-bit indices into a palette instead of
// colours (as a metafile may store it); they show as greys.
std::optional<Dib> parseDib(const Bytes& b, qint64 infoAt, std::optional<qint64> pixelOffset,
                            bool icon, QString* problem, bool paletteIndices = false,
                            qint64 maxPixels = kMaxPixels) {
    if (!b.has(infoAt, 4)) {
        say(problem, "no bitmap header");
        return std::nullopt;
    }
    const quint32 headerSize = b.u32(infoAt);
    if (headerSize < 12 || (headerSize > 12 && headerSize < 16) || headerSize > 1024 ||
        !b.has(infoAt, headerSize)) {
        say(problem, "bad bitmap header size");
        return std::nullopt;
    }
    const bool core = headerSize == 12;
    const bool os2v2 =
        !core && headerSize < 108 && headerSize != 40 && headerSize != 52 && headerSize != 56;
    Dib dib;
    qint64 height = 0;
    quint32 colorsUsed = 0;
    if (core) {
        dib.width = b.u16(infoAt + 4);
        height = b.u16(infoAt + 6);
        dib.bits = b.u16(infoAt + 10);
    } else {
        dib.width = b.s32(infoAt + 4);
        height = b.s32(infoAt + 8);
        dib.bits = b.u16(infoAt + 14);
        dib.compression = headerSize >= 20 ? b.u32(infoAt + 16) : kRgb;
        colorsUsed = headerSize >= 36 ? b.u32(infoAt + 32) : 0;
    }
    if (icon) {
        height /= 2;  // the bitmap is followed by its mask, counted in the height
    }
    dib.topDown = height < 0;
    height = height < 0 ? -height : height;
    if (dib.width <= 0 || height <= 0) {
        say(problem, "bitmap width or height is zero or negative");
        return std::nullopt;
    }
    if (qint64(dib.width) * height > (icon ? kMaxIconPixels : maxPixels)) {
        say(problem, "bitmap claims too many pixels");
        return std::nullopt;
    }
    dib.height = int(height);

    switch (dib.bits) {
        case 1:
        case 2:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32:
            break;
        default:
            say(problem, "unsupported bits per pixel");
            return std::nullopt;
    }
    qint64 masksAfterHeader = 0;
    switch (dib.compression) {
        case kRgb:
            break;
        case kRle8:
        case kRle4:
            if (dib.bits != (dib.compression == kRle8 ? 8 : 4) || dib.topDown) {
                say(problem, "run-length compression does not fit the bitmap");
                return std::nullopt;
            }
            break;
        case kBitFields:
        case kAlphaBitFields:
            if (os2v2 || (dib.bits != 16 && dib.bits != 32)) {
                say(problem, "bit fields do not fit the bitmap");
                return std::nullopt;
            }
            if (headerSize < 52) {
                masksAfterHeader = dib.compression == kAlphaBitFields ? 16 : 12;
            }
            break;
        case kJpeg:
        case kPng:
            if (os2v2 || icon) {
                say(problem, "unsupported bitmap compression");
                return std::nullopt;
            }
            break;
        default:
            say(problem, "unknown bitmap compression");
            return std::nullopt;
    }

    if (dib.compression == kBitFields || dib.compression == kAlphaBitFields) {
        const qint64 masksAt = masksAfterHeader ? infoAt + headerSize : infoAt + 40;
        if (!b.has(masksAt, masksAfterHeader ? masksAfterHeader : 12)) {
            say(problem, "bit-field masks missing");
            return std::nullopt;
        }
        dib.red = Channel(b.u32(masksAt));
        dib.green = Channel(b.u32(masksAt + 4));
        dib.blue = Channel(b.u32(masksAt + 8));
        if (masksAfterHeader == 16) {
            dib.alpha = Channel(b.u32(masksAt + 12));
        } else if (!masksAfterHeader && headerSize >= 56) {
            dib.alpha = Channel(b.u32(infoAt + 52));
        }
    } else if (dib.bits == 16) {
        dib.red = Channel(0x7C00);
        dib.green = Channel(0x03E0);
        dib.blue = Channel(0x001F);
    } else if (dib.bits == 32) {
        dib.red = Channel(0x00FF0000);
        dib.green = Channel(0x0000FF00);
        dib.blue = Channel(0x000000FF);
        if (icon) {
            dib.alpha = Channel(0xFF000000);  // icons keep their alpha in the fourth byte
        } else if (headerSize >= 56) {
            dib.alpha = Channel(b.u32(infoAt + 52));  // a newer header may name it too
        }
    }

    const qint64 paletteAt = infoAt + headerSize + masksAfterHeader;
    const int entrySize = paletteIndices ? 2 : (core ? 3 : 4);
    qint64 entries = 0;
    if (dib.bits <= 8) {
        entries = colorsUsed && colorsUsed < (1u << dib.bits) ? colorsUsed : (1 << dib.bits);
    }
    for (qint64 i = 0; i < entries && b.has(paletteAt + i * entrySize, entrySize); ++i) {
        const qint64 at = paletteAt + i * entrySize;
        if (paletteIndices) {
            const int grey = b.u8(at);
            dib.palette.push_back(qRgb(grey, grey, grey));
        } else {
            dib.palette.push_back(qRgb(b.u8(at + 2), b.u8(at + 1), b.u8(at)));
        }
    }
    if (dib.bits <= 8 && dib.palette.isEmpty()) {
        say(problem, "no colour table");
        return std::nullopt;
    }

    const qint64 afterPalette = paletteAt + entries * entrySize;
    dib.pixelsAt = afterPalette;
    if (pixelOffset && *pixelOffset >= infoAt + headerSize) {
        dib.pixelsAt = *pixelOffset;
    }
    if (!b.has(dib.pixelsAt, 1)) {
        say(problem, "no pixel data");
        return std::nullopt;
    }
    return dib;
}

QRgb paletteColor(const Dib& dib, uint index) {
    return index < uint(dib.palette.size()) ? dib.palette[index] : qRgb(0, 0, 0);
}

// Decodes rows stored one after the other. Returns how many rows the data held.
int decodeRows(const Bytes& b, const Dib& dib, QImage& image) {
    const qint64 stride = ((qint64(dib.width) * dib.bits + 31) / 32) * 4;
    // The last row counts when its pixels are there, even without its padding,
    // which some writers leave off.
    const qint64 rowBytes = (qint64(dib.width) * dib.bits + 7) / 8;
    const qint64 available = (b.size() - dib.pixelsAt + (stride - rowBytes)) / stride;
    const int rows = int(std::min<qint64>(available, dib.height));
    const bool useAlpha = dib.alpha.bits > 0;
    for (int y = 0; y < rows; ++y) {
        const uchar* src = b.at(dib.pixelsAt + y * stride);
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(dib.topDown ? y : dib.height - 1 - y));
        switch (dib.bits) {
            case 1:
            case 2:
            case 4: {
                const int perByte = 8 / dib.bits;
                const uint mask = (1u << dib.bits) - 1;
                for (int x = 0; x < dib.width; ++x) {
                    const int shift = 8 - dib.bits * (x % perByte + 1);
                    line[x] = paletteColor(dib, (src[x / perByte] >> shift) & mask);
                }
                break;
            }
            case 8:
                for (int x = 0; x < dib.width; ++x) {
                    line[x] = paletteColor(dib, src[x]);
                }
                break;
            case 24:
                for (int x = 0; x < dib.width; ++x) {
                    line[x] = qRgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
                }
                break;
            case 16:
            case 32:
                for (int x = 0; x < dib.width; ++x) {
                    const quint32 pixel = dib.bits == 16
                                              ? quint32(src[2 * x] | src[2 * x + 1] << 8)
                                              : quint32(src[4 * x]) | quint32(src[4 * x + 1]) << 8 |
                                                    quint32(src[4 * x + 2]) << 16 |
                                                    quint32(src[4 * x + 3]) << 24;
                    line[x] = qRgba(dib.red.value(pixel, 0), dib.green.value(pixel, 0),
                                    dib.blue.value(pixel, 0),
                                    useAlpha ? dib.alpha.value(pixel, 255) : 255);
                }
                break;
        }
    }
    return rows;
}

// Decodes RLE8 or RLE4 data. Pixels the data skips stay transparent. Returns
// whether every pixel was written.
bool decodeRunLengths(const Bytes& b, const Dib& dib, QImage& image) {
    const bool four = dib.compression == kRle4;
    const qint64 end = b.size();
    qint64 pos = dib.pixelsAt;
    qint64 x = 0;
    qint64 y = 0;  // counted from the bottom row
    qint64 written = 0;
    auto put = [&](uint index) {
        if (x < dib.width && y < dib.height) {
            reinterpret_cast<QRgb*>(image.scanLine(int(dib.height - 1 - y)))[x] =
                paletteColor(dib, index);
            ++written;
        }
        ++x;
    };
    while (pos + 1 < end && y < dib.height) {
        const int count = b.u8(pos);
        const int code = b.u8(pos + 1);
        pos += 2;
        if (count > 0) {
            for (int i = 0; i < count; ++i) {
                put(four ? (i % 2 ? code & 0x0F : code >> 4) : uint(code));
            }
        } else if (code == 0) {
            x = 0;
            ++y;
        } else if (code == 1) {
            break;
        } else if (code == 2) {
            if (pos + 1 >= end) {
                break;
            }
            x += b.u8(pos);
            y += b.u8(pos + 1);
            pos += 2;
        } else {
            const qint64 bytes = four ? (code + 1) / 2 : code;
            for (int i = 0; i < code; ++i) {
                const qint64 at = pos + (four ? i / 2 : i);
                if (at >= end) {
                    break;
                }
                const uint v = b.u8(at);
                put(four ? (i % 2 ? v & 0x0F : v >> 4) : v);
            }
            pos += (bytes + 1) & ~qint64(1);
        }
    }
    return written >= qint64(dib.width) * dib.height;
}

// Bitmaps with an alpha channel that is zero everywhere were written by programs
// that did not know of alpha: they are opaque.
void fixUnusedAlpha(QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(line[x])) {
                return;
            }
        }
    }
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            line[x] |= 0xFF000000u;
        }
    }
}

QImage decodeEmbedded(const QByteArray& data, const char* format, int limitMb, QString* problem) {
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoDetectImageFormat(false);
    reader.setAllocationLimit(limitMb);
    QImage image;
    if (!reader.read(&image) && problem) {
        *problem = reader.errorString();
    }
    return image;
}

// Decodes the pixels of a checked bitmap. `complete` is false when data ran out or
// was skipped.
QImage decodeDib(const QByteArray& data, const Bytes& b, const Dib& dib, bool* complete,
                 QString* problem) {
    if (dib.compression == kJpeg || dib.compression == kPng) {
        *complete = true;
        return decodeEmbedded(data.mid(qsizetype(dib.pixelsAt)),
                              dib.compression == kJpeg ? "jpeg" : "png", kAllocationLimitMb,
                              problem);
    }
    const qint64 pixels = qint64(dib.width) * dib.height;
    const bool runLengths = dib.compression == kRle8 || dib.compression == kRle4;
    if (runLengths && pixels / (b.size() - dib.pixelsAt) > kMaxRlePixelsPerByte) {
        say(problem, "run-length data far too short for the bitmap");
        return {};
    }
    QImage image(dib.width, dib.height, QImage::Format_ARGB32);
    if (image.isNull()) {
        say(problem, "out of memory");
        return {};
    }
    image.fill(Qt::transparent);
    if (runLengths) {
        *complete = decodeRunLengths(b, dib, image);
        return image;
    }
    const int rows = decodeRows(b, dib, image);
    if (rows == 0) {
        say(problem, "no complete row of pixels");
        return {};
    }
    *complete = rows == dib.height;
    if (dib.alpha.bits) {
        fixUnusedAlpha(image);
    }
    return image;
}

}  // namespace

std::optional<QSize> bmpSize(const QByteArray& file, QString* problem) {
    const Bytes b(file);
    if (!b.has(0, 14) || b.u16(0) != 0x4D42) {
        say(problem, "no bitmap file header");
        return std::nullopt;
    }
    const std::optional<Dib> dib = parseDib(b, 14, b.u32(10), false, problem);
    if (!dib) {
        return std::nullopt;
    }
    return QSize(dib->width, dib->height);
}

QImage decodeBmp(const QByteArray& file, QString* problem) {
    const Bytes b(file);
    if (!b.has(0, 14) || b.u16(0) != 0x4D42) {
        say(problem, "no bitmap file header");
        return {};
    }
    const std::optional<Dib> dib = parseDib(b, 14, b.u32(10), false, problem);
    if (!dib) {
        return {};
    }
    bool complete = false;
    QImage image = decodeDib(file, b, *dib, &complete, problem);
    if (complete && dib->alpha.bits == 0 && image.format() == QImage::Format_ARGB32) {
        image.reinterpretAsFormat(QImage::Format_RGB32);  // every pixel was written opaque
    }
    return image;
}

QImage decodePackedDib(const QByteArray& dib, bool paletteIndices, qint64 maxPixels,
                       QString* problem) {
    const Bytes b(dib);
    const std::optional<Dib> parsed =
        parseDib(b, 0, std::nullopt, false, problem, paletteIndices, maxPixels);
    if (!parsed) {
        return {};
    }
    if (parsed->compression == kJpeg || parsed->compression == kPng) {
        // The embedded picture may claim more than the header did: hold it to the
        // same bound.
        const int limitMb = int(std::max<qint64>(1, maxPixels * 4 / (1024 * 1024)));
        return decodeEmbedded(dib.mid(qsizetype(parsed->pixelsAt)),
                              parsed->compression == kJpeg ? "jpeg" : "png", limitMb, problem)
            .convertToFormat(QImage::Format_RGB32);
    }
    bool complete = false;
    const QImage image = decodeDib(dib, b, *parsed, &complete, problem);
    // A record holds its bitmap whole; one that claims more than it holds is damaged.
    if (image.isNull() || !complete) {
        return {};
    }
    return image.convertToFormat(QImage::Format_RGB32);
}

QImage decodeIconEntry(const QByteArray& entry, QString* problem) {
    if (entry.startsWith("\x89PNG")) {
        return decodeEmbedded(entry, "png", 64, problem);
    }
    const Bytes b(entry);
    const std::optional<Dib> dib = parseDib(b, 0, std::nullopt, true, problem);
    if (!dib || dib->compression == kRle4 || dib->compression == kRle8) {
        if (dib) {
            say(problem, "compressed icon bitmap");
        }
        return {};
    }
    bool complete = false;
    QImage image = decodeDib(entry, b, *dib, &complete, problem);
    if (image.isNull()) {
        return {};
    }
    // The mask: one bit a pixel, set where the icon is transparent. A 32-bit icon
    // whose alpha says something ignores it.
    bool alphaUsed = false;
    if (dib->bits == 32) {
        for (int y = 0; y < image.height() && !alphaUsed; ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                if (qAlpha(line[x]) != 255) {
                    alphaUsed = true;
                    break;
                }
            }
        }
    }
    if (!alphaUsed) {
        const qint64 stride = ((qint64(dib->width) * dib->bits + 31) / 32) * 4;
        const qint64 maskAt = dib->pixelsAt + stride * dib->height;
        const qint64 maskStride = ((qint64(dib->width) + 31) / 32) * 4;
        for (int row = 0; row < dib->height && b.has(maskAt + (row + 1) * maskStride, 0); ++row) {
            const uchar* src = b.at(maskAt + row * maskStride);
            auto* line =
                reinterpret_cast<QRgb*>(image.scanLine(dib->topDown ? row : dib->height - 1 - row));
            for (int x = 0; x < dib->width; ++x) {
                if (src[x / 8] & (0x80 >> (x % 8))) {
                    line[x] = qRgba(0, 0, 0, 0);
                }
            }
        }
    }
    return image;
}

}  // namespace plenarvo::pictures::detail
