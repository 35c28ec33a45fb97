#include "pictures/cost.h"

#include <QImageReader>

#include <mutex>

namespace plenarvo::pictures::detail {

namespace {

thread_local MemoryAccount tAccount;
thread_local const std::atomic<bool>* tCancel = nullptr;

quint16 be16(const QByteArray& b, qsizetype at) {
    return quint16(uchar(b[at]) << 8 | uchar(b[at + 1]));
}

quint32 be32(const QByteArray& b, qsizetype at) {
    return quint32(be16(b, at)) << 16 | be16(b, at + 2);
}

}  // namespace

void setProcessAllocationLimit() {
    static std::once_flag once;
    std::call_once(once, [] { QImageReader::setAllocationLimit(kAllocationLimitMb); });
}

bool plausible(qint64 pixels, qint64 dataBytes, qint64 pixelsPerByte) {
    if (pixels <= kAlwaysPlausiblePixels) {
        return true;
    }
    return dataBytes > 0 && pixels / dataBytes <= pixelsPerByte;
}

qint64 jpegCoefficientBytes(const QByteArray& jpeg) {
    // Walk the markers up to the frame header.
    qsizetype at = 2;
    while (at + 4 <= jpeg.size()) {
        if (uchar(jpeg[at]) != 0xFF) {
            return -1;
        }
        const int marker = uchar(jpeg[at + 1]);
        if (marker == 0xFF) {
            ++at;  // fill byte
            continue;
        }
        const int length = be16(jpeg, at + 2);
        if (length < 2) {
            return -1;
        }
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (!frame) {
            at += 2 + length;
            continue;
        }
        // Only progressive frames keep every coefficient of the picture.
        const bool progressive = marker == 0xC2 || marker == 0xC6 || marker == 0xCA;
        if (!progressive) {
            return 0;
        }
        if (at + 10 > jpeg.size()) {
            return -1;
        }
        const qint64 height = be16(jpeg, at + 5);
        const qint64 width = be16(jpeg, at + 7);
        const int components = uchar(jpeg[at + 9]);
        if (at + 10 + 3 * qsizetype(components) > jpeg.size()) {
            return -1;
        }
        int maxH = 1;
        int maxV = 1;
        for (int c = 0; c < components; ++c) {
            const int sampling = uchar(jpeg[at + 10 + 3 * c + 1]);
            maxH = std::max(maxH, sampling >> 4);
            maxV = std::max(maxV, sampling & 0x0F);
        }
        qint64 bytes = 0;
        for (int c = 0; c < components; ++c) {
            const int sampling = uchar(jpeg[at + 10 + 3 * c + 1]);
            const qint64 h = std::max(1, sampling >> 4);
            const qint64 v = std::max(1, sampling & 0x0F);
            // Blocks of 8x8 coefficients of two bytes, padded to whole units.
            const qint64 blocksWide = (width * h + 8 * maxH - 1) / (8 * maxH) + h;
            const qint64 blocksHigh = (height * v + 8 * maxV - 1) / (8 * maxV) + v;
            bytes += blocksWide * blocksHigh * 128;
        }
        return bytes;
    }
    return -1;
}

QSize gifScreenSize(const QByteArray& gif) {
    if (gif.size() < 10) {
        return {};
    }
    const int width = uchar(gif[6]) | uchar(gif[7]) << 8;
    const int height = uchar(gif[8]) | uchar(gif[9]) << 8;
    return QSize(width, height);
}

QSize pngSize(const QByteArray& png) {
    if (png.size() < 24 || !png.startsWith("\x89PNG\r\n\x1a\n") || png.mid(12, 4) != "IHDR") {
        return {};
    }
    const quint32 width = be32(png, 16);
    const quint32 height = be32(png, 20);
    if (width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF) {
        return {};
    }
    return QSize(int(width), int(height));
}

MemoryAccount& memoryAccount() {
    return tAccount;
}

void charge(qint64 bytes) {
    tAccount.largest = std::max(tAccount.largest, bytes);
    tAccount.total += bytes;
}

QImage allocateImage(QSize size, QImage::Format format) {
    QImage image(size, format);
    if (image.isNull()) {
        return image;
    }
    charge(image.sizeInBytes());
    return image;
}

bool cancelled() {
    return tCancel && tCancel->load(std::memory_order_relaxed);
}

CancelScope::CancelScope(const std::atomic<bool>* flag) : previous_(tCancel) {
    tCancel = flag;
}

CancelScope::~CancelScope() {
    tCancel = previous_;
}

}  // namespace plenarvo::pictures::detail
