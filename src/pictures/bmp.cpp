#include "pictures/bmp.h"

#include "pictures/cost.h"
#include "pictures/picture.h"
#include "pictures/reader.h"

#include <QBuffer>
#include <QImageReader>
#include <QList>

#include <algorithm>
#include <bit>
#include <limits>
#include <vector>

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

void setError(QString* error, const char* text) {
    if (error) {
        *error = QString::fromLatin1(text);
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

// Whether the compression suits the bitmap's depth and header. Bit-field masks
// that a header too short to hold them has after it: their size in bytes.
bool checkCompression(const Dib& dib, quint32 headerSize, bool os2v2, bool icon,
                      qint64* masksAfterHeader, QString* error) {
    switch (dib.compression) {
        case kRgb:
            break;
        case kRle8:
        case kRle4:
            if (dib.bits != (dib.compression == kRle8 ? 8 : 4) || dib.topDown) {
                setError(error, "The run-length compression does not fit the bitmap.");
                return false;
            }
            break;
        case kBitFields:
        case kAlphaBitFields:
            if (os2v2 || (dib.bits != 16 && dib.bits != 32)) {
                setError(error, "The bit fields do not fit the bitmap.");
                return false;
            }
            if (headerSize < 52) {
                *masksAfterHeader = dib.compression == kAlphaBitFields ? 16 : 12;
            }
            break;
        case kJpeg:
        case kPng:
            if (os2v2 || icon) {
                setError(error, "The bitmap's compression is not supported.");
                return false;
            }
            break;
        default:
            setError(error, "The bitmap's compression is unknown.");
            return false;
    }

    return true;
}

// The channel masks: those the file gives for bit fields, or the depth's own.
bool readChannels(const Bytes& b, qint64 infoAt, quint32 headerSize, qint64 masksAfterHeader,
                  bool icon, Dib& dib, QString* error) {
    if (dib.compression == kBitFields || dib.compression == kAlphaBitFields) {
        const qint64 masksAt = masksAfterHeader ? infoAt + headerSize : infoAt + 40;
        if (!b.has(masksAt, masksAfterHeader ? masksAfterHeader : 12)) {
            setError(error, "The bitmap's bit-field masks are missing.");
            return false;
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
    return true;
}

// The colour table after the headers and masks; `entrySize` bytes an entry.
// False when a bitmap of eight bits or fewer has none.
bool readPalette(const Bytes& b, qint64 paletteAt, qint64 entries, int entrySize,
                 bool paletteIndices, Dib& dib, QString* error) {
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
        setError(error, "The bitmap's colour table is missing.");
        return false;
    }
    return true;
}

// `paletteIndices`: the colour table holds 16-bit indices into a palette instead of
// colours (as a metafile may store it); they show as greys.
std::optional<Dib> parseDib(const Bytes& b, qint64 infoAt, std::optional<qint64> pixelOffset,
                            bool icon, QString* error, bool paletteIndices = false,
                            qint64 maxPixels = kMaxPixels) {
    if (!b.has(infoAt, 4)) {
        setError(error, "The bitmap has no header.");
        return std::nullopt;
    }
    const quint32 headerSize = b.u32(infoAt);
    if (headerSize < 12 || (headerSize > 12 && headerSize < 16) || headerSize > 1024 ||
        !b.has(infoAt, headerSize)) {
        setError(error, "The bitmap's header has a wrong size.");
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
        setError(error, "The bitmap's width or height is zero or negative.");
        return std::nullopt;
    }
    if (qint64(dib.width) * height > (icon ? kMaxIconPixels : maxPixels)) {
        setError(error, "The bitmap claims too many pixels.");
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
            setError(error, "The bitmap's number of bits a pixel is not supported.");
            return std::nullopt;
    }
    qint64 masksAfterHeader = 0;
    if (!checkCompression(dib, headerSize, os2v2, icon, &masksAfterHeader, error) ||
        !readChannels(b, infoAt, headerSize, masksAfterHeader, icon, dib, error)) {
        return std::nullopt;
    }

    const qint64 paletteAt = infoAt + headerSize + masksAfterHeader;
    const int entrySize = paletteIndices ? 2 : (core ? 3 : 4);
    qint64 entries = 0;
    if (dib.bits <= 8) {
        entries = colorsUsed && colorsUsed < (1u << dib.bits) ? colorsUsed : (1 << dib.bits);
    }
    if (!readPalette(b, paletteAt, entries, entrySize, paletteIndices, dib, error)) {
        return std::nullopt;
    }

    const qint64 afterPalette = paletteAt + entries * entrySize;
    dib.pixelsAt = afterPalette;
    if (pixelOffset && *pixelOffset >= infoAt + headerSize) {
        dib.pixelsAt = *pixelOffset;
    }
    if (!b.has(dib.pixelsAt, 1)) {
        setError(error, "The bitmap has no pixel data.");
        return std::nullopt;
    }
    return dib;
}

QRgb paletteColor(const Dib& dib, uint index) {
    return index < uint(dib.palette.size()) ? dib.palette[index] : qRgb(0, 0, 0);
}

// The bytes from one row's start to the next.
qint64 strideOf(const Dib& dib) {
    return ((qint64(dib.width) * dib.bits + 31) / 32) * 4;
}

// How many rows of stored pixels the data holds. The last row counts when its
// pixels are there, even without its padding, which some writers leave off.
int rowsPresent(const Bytes& b, const Dib& dib) {
    const qint64 stride = strideOf(dib);
    const qint64 rowBytes = (qint64(dib.width) * dib.bits + 7) / 8;
    const qint64 available = (b.size() - dib.pixelsAt + (stride - rowBytes)) / stride;
    return int(std::clamp<qint64>(available, 0, dib.height));
}

// Decodes one stored row into `line`. `useAlpha`: the alpha channel is taken.
void decodeRow(const uchar* src, const Dib& dib, bool useAlpha, QRgb* line) {
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
                line[x] =
                    qRgba(dib.red.value(pixel, 0), dib.green.value(pixel, 0),
                          dib.blue.value(pixel, 0), useAlpha ? dib.alpha.value(pixel, 255) : 255);
            }
            break;
    }
}

// Bitmaps with an alpha channel that is zero everywhere were written by programs
// that did not know of alpha: they are opaque. Looks at the stored rows only.
bool alphaUsed(const Bytes& b, const Dib& dib, int rows) {
    if (!dib.alpha.bits) {
        return false;
    }
    const qint64 stride = strideOf(dib);
    const int bytesPerPixel = dib.bits / 8;
    for (int y = 0; y < rows; ++y) {
        const uchar* src = b.at(dib.pixelsAt + y * stride);
        for (int x = 0; x < dib.width; ++x) {
            quint32 pixel = 0;
            for (int i = 0; i < bytesPerPixel; ++i) {
                pixel |= quint32(src[bytesPerPixel * x + i]) << (8 * i);
            }
            if (pixel & dib.alpha.mask) {
                return true;
            }
        }
    }
    return false;
}

// Decodes rows stored one after the other into the whole image. Returns how many
// rows the data held, or -1 when the decode was cancelled.
int decodeRows(const Bytes& b, const Dib& dib, QImage& image) {
    const qint64 stride = strideOf(dib);
    const int rows = rowsPresent(b, dib);
    const bool useAlpha = alphaUsed(b, dib, rows);
    for (int y = 0; y < rows; ++y) {
        if (cancelled()) {
            return -1;
        }
        const uchar* src = b.at(dib.pixelsAt + y * stride);
        decodeRow(src, dib, useAlpha,
                  reinterpret_cast<QRgb*>(image.scanLine(dib.topDown ? y : dib.height - 1 - y)));
    }
    return rows;
}

// Shrinks rows as they are decoded: each target pixel is the mean of the source
// pixels it covers, so that a large bitmap reaches a small size without ever
// being held whole. Rows must come in order, top to bottom or bottom to top.
class RowShrinker {
public:
    RowShrinker(QSize source, QImage& target)
        : source_(source),
          target_(target),
          columnOf_(size_t(source.width())),
          columnCount_(size_t(target.width()), 0),
          sums_(size_t(target.width()) * 4, 0) {
        for (int x = 0; x < source.width(); ++x) {
            const int tx = int(qint64(x) * target.width() / source.width());
            columnOf_[size_t(x)] = tx;
            ++columnCount_[size_t(tx)];
        }
    }

    void add(int row, const QRgb* line) {
        const int ty = targetRow(row);
        if (ty != current_) {
            flush();
            current_ = ty;
        }
        for (int x = 0; x < source_.width(); ++x) {
            const QRgb p = qPremultiply(line[x]);
            quint64* sum = &sums_[size_t(columnOf_[size_t(x)]) * 4];
            sum[0] += qAlpha(p);
            sum[1] += qRed(p);
            sum[2] += qGreen(p);
            sum[3] += qBlue(p);
        }
    }

    // Writes the last target row begun. Rows never added stay transparent.
    void flush() {
        if (current_ < 0) {
            return;
        }
        const qint64 rows = firstRowOf(current_ + 1) - firstRowOf(current_);
        auto* out = reinterpret_cast<QRgb*>(target_.scanLine(current_));
        for (int tx = 0; tx < target_.width(); ++tx) {
            const qint64 n = std::max<qint64>(1, rows * columnCount_[size_t(tx)]);
            quint64* sum = &sums_[size_t(tx) * 4];
            out[tx] = qRgba(int(sum[1] / quint64(n)), int(sum[2] / quint64(n)),
                            int(sum[3] / quint64(n)), int(sum[0] / quint64(n)));
            std::fill(sum, sum + 4, 0);
        }
        current_ = -1;
    }

private:
    int targetRow(int row) const { return int(qint64(row) * target_.height() / source_.height()); }
    // The first source row that falls in target row `ty`.
    qint64 firstRowOf(int ty) const {
        return (qint64(ty) * source_.height() + target_.height() - 1) / target_.height();
    }

    QSize source_;
    QImage& target_;
    std::vector<int> columnOf_;
    std::vector<int> columnCount_;
    std::vector<quint64> sums_;
    int current_ = -1;
};

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
            if (cancelled()) {
                return false;
            }
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

// Decodes a PNG or JPEG held inside a bitmap. It may claim no more pixels than
// `maxPixels`, nor more than its bytes can describe; `expected`, when valid, is the
// size the bitmap's own header gave it, which it must keep.
QImage decodeEmbedded(const QByteArray& data, const char* format, qint64 maxPixels, QSize expected,
                      QString* error) {
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoDetectImageFormat(false);
    const bool png = qstrcmp(format, "png") == 0;
    const QSize size = png ? pngSize(data) : reader.size();
    const qint64 pixels = qint64(size.width()) * size.height();
    if (!size.isValid() || size.isEmpty()) {
        setError(error, "The embedded picture has no size.");
        return {};
    }
    if (expected.isValid() && size != expected) {
        setError(error, "The embedded picture's size differs from its bitmap's.");
        return {};
    }
    if (pixels > maxPixels ||
        !plausible(pixels, data.size(), png ? kPngPixelsPerByte : kJpegPixelsPerByte)) {
        setError(error, "The embedded picture claims more pixels than it holds.");
        return {};
    }
    if (!png && jpegCoefficientBytes(data) > kMaxJpegCoefficientBytes) {
        setError(error, "The embedded picture needs too much memory.");
        return {};
    }
    charge(pixels * 4 + std::max<qint64>(0, png ? 0 : jpegCoefficientBytes(data)));
    // A read that fails partway leaves the rows it never reached as they were
    // allocated: the picture counts as damaged rather than showing them.
    QImage image;
    if (!reader.read(&image)) {
        setError(error, "The embedded picture is damaged.");
        return {};
    }
    return image;
}

// Whether the data can hold a bitmap of the claimed size: rows stored plainly must
// be there in good part (a file cut short still shows as far as it goes), run
// lengths must not claim more than their bytes can draw.
bool dataFits(const Bytes& b, const Dib& dib, bool wholeRows, QString* error) {
    const qint64 pixels = qint64(dib.width) * dib.height;
    const qint64 dataBytes = b.size() - dib.pixelsAt;
    if (dib.compression == kRle8 || dib.compression == kRle4) {
        if (!plausible(pixels, dataBytes, kRlePixelsPerByte)) {
            setError(error, "The run-length data is far too short for the bitmap.");
            return false;
        }
        return true;
    }
    const int rows = rowsPresent(b, dib);
    if (wholeRows ? rows < dib.height : !plausible(pixels, qint64(rows) * dib.width * 8, 1)) {
        setError(error, "The pixel data is far too short for the bitmap.");
        return false;
    }
    return true;
}

// Decodes the pixels of a checked bitmap. `complete` is false when data ran out or
// was skipped. `wholeRows`: a bitmap short of any row is refused before anything
// is allocated for it.
QImage decodeDib(const QByteArray& data, const Bytes& b, const Dib& dib, bool* complete,
                 QString* error, bool wholeRows = false) {
    if (dib.compression == kJpeg || dib.compression == kPng) {
        *complete = true;
        return decodeEmbedded(data.mid(qsizetype(dib.pixelsAt)),
                              dib.compression == kJpeg ? "jpeg" : "png", kMaxPixels,
                              QSize(dib.width, dib.height), error);
    }
    if (!dataFits(b, dib, wholeRows, error)) {
        return {};
    }
    const bool runLengths = dib.compression == kRle8 || dib.compression == kRle4;
    QImage image = allocateImage(QSize(dib.width, dib.height), QImage::Format_ARGB32);
    if (image.isNull()) {
        setError(error, "There is not enough memory for the bitmap.");
        return {};
    }
    image.fill(Qt::transparent);
    if (runLengths) {
        *complete = decodeRunLengths(b, dib, image);
        if (cancelled()) {
            setError(error, "The decoding was cancelled.");
            return {};
        }
        return image;
    }
    const int rows = decodeRows(b, dib, image);
    if (rows <= 0) {
        setError(error, rows < 0 ? "The decoding was cancelled."
                                 : "The bitmap holds no complete row of pixels.");
        return {};
    }
    *complete = rows == dib.height;
    return image;
}

// The bitmap header behind a BMP file's own 14-byte header.
std::optional<Dib> parseBmpFile(const Bytes& b, QString* error) {
    if (!b.has(0, 14) || b.u16(0) != 0x4D42) {
        setError(error, "The bitmap file header is missing.");
        return std::nullopt;
    }
    return parseDib(b, 14, b.u32(10), false, error);
}

}  // namespace

std::optional<QSize> bmpSize(const QByteArray& file, QString* error) {
    const Bytes b(file);
    const std::optional<Dib> dib = parseBmpFile(b, error);
    if (!dib) {
        return std::nullopt;
    }
    const bool embedded = dib->compression == kJpeg || dib->compression == kPng;
    if (!embedded && !dataFits(b, *dib, false, error)) {
        return std::nullopt;
    }
    return QSize(dib->width, dib->height);
}

QImage decodeBmp(const QByteArray& file, QString* error) {
    const Bytes b(file);
    const std::optional<Dib> dib = parseBmpFile(b, error);
    if (!dib) {
        return {};
    }
    bool complete = false;
    QImage image = decodeDib(file, b, *dib, &complete, error);
    if (complete && dib->alpha.bits == 0 && image.format() == QImage::Format_ARGB32) {
        image.reinterpretAsFormat(QImage::Format_RGB32);  // every pixel was written opaque
    }
    return image;
}

bool canShrinkWhileReading(const QByteArray& file, QSize target) {
    const Bytes b(file);
    const std::optional<Dib> dib = parseBmpFile(b, nullptr);
    if (!dib) {
        return false;
    }
    const bool plainRows = dib->compression == kRgb || dib->compression == kBitFields ||
                           dib->compression == kAlphaBitFields;
    return plainRows && !target.isEmpty() && target.width() <= dib->width &&
           target.height() <= dib->height;
}

QImage decodeBmpShrunk(const QByteArray& file, QSize target, QString* error) {
    const Bytes b(file);
    const std::optional<Dib> dib = parseBmpFile(b, error);
    if (!dib) {
        return {};
    }
    if (!dataFits(b, *dib, false, error)) {
        return {};
    }
    QImage image = allocateImage(target, QImage::Format_ARGB32_Premultiplied);
    std::vector<QRgb> line(size_t(dib->width));
    charge(qint64(dib->width) * 4 + qint64(target.width()) * 32);
    if (image.isNull()) {
        setError(error, "There is not enough memory for the bitmap.");
        return {};
    }
    image.fill(Qt::transparent);
    const int rows = rowsPresent(b, *dib);
    const bool useAlpha = alphaUsed(b, *dib, rows);
    const qint64 stride = strideOf(*dib);
    RowShrinker shrinker(QSize(dib->width, dib->height), image);
    for (int y = 0; y < rows; ++y) {
        if (cancelled()) {
            setError(error, "The decoding was cancelled.");
            return {};
        }
        decodeRow(b.at(dib->pixelsAt + y * stride), *dib, useAlpha, line.data());
        shrinker.add(dib->topDown ? y : dib->height - 1 - y, line.data());
    }
    if (rows == 0) {
        setError(error, "The bitmap holds no complete row of pixels.");
        return {};
    }
    shrinker.flush();
    if (rows == dib->height && !useAlpha) {
        image.reinterpretAsFormat(QImage::Format_RGB32);  // every pixel was written opaque
    }
    return image;
}

QImage decodePackedDib(const QByteArray& dib, bool paletteIndices, qint64 maxPixels,
                       QString* error) {
    const Bytes b(dib);
    const std::optional<Dib> parsed =
        parseDib(b, 0, std::nullopt, false, error, paletteIndices, maxPixels);
    if (!parsed) {
        return {};
    }
    if (parsed->compression == kJpeg || parsed->compression == kPng) {
        // The embedded picture keeps the size its header gave, within the same bound.
        return decodeEmbedded(dib.mid(qsizetype(parsed->pixelsAt)),
                              parsed->compression == kJpeg ? "jpeg" : "png", maxPixels,
                              QSize(parsed->width, parsed->height), error)
            .convertToFormat(QImage::Format_RGB32);
    }
    bool complete = false;
    const QImage image = decodeDib(dib, b, *parsed, &complete, error, true);
    // A record holds its bitmap whole; one that claims more than it holds is damaged.
    if (image.isNull() || !complete) {
        return {};
    }
    return image.convertToFormat(QImage::Format_RGB32);
}

QImage decodeIconEntry(const QByteArray& entry, QString* error) {
    if (entry.startsWith("\x89PNG")) {
        return decodeEmbedded(entry, "png", kMaxIconPixels, QSize(), error);
    }
    const Bytes b(entry);
    const std::optional<Dib> dib = parseDib(b, 0, std::nullopt, true, error);
    if (!dib || dib->compression == kRle4 || dib->compression == kRle8) {
        if (dib) {
            setError(error, "The icon's bitmap is compressed, which icons do not allow.");
        }
        return {};
    }
    // An entry holds its colour pixels whole; one that claims more than it holds
    // is refused before anything is allocated for it.
    bool complete = false;
    QImage image = decodeDib(entry, b, *dib, &complete, error, true);
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
