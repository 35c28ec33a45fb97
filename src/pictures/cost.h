#pragma once

// What a decode may cost: the memory a file can honestly ask for, the account of
// what the decodes on a thread have set aside, and the flag that stops a decode
// nobody waits for any more. Internal to the picture library.

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <atomic>

namespace plenarvo::pictures::detail {

// Qt's allocation limit, in megabytes, set once for the whole process before the
// first decode: enough for the largest picture the program shows at four bytes a
// pixel. Qt keeps this limit for every thread alike, so no decode changes it; each
// format's own size check below is what keeps a decode to what its file can hold.
inline constexpr int kAllocationLimitMb = 1200;
void setProcessAllocationLimit();

// Pictures this small are always believed, whatever their data: 16 MB at four
// bytes a pixel, enough for a screen-sized GIF canvas around a tiny frame.
inline constexpr qint64 kAlwaysPlausiblePixels = 4'000'000;

// The most pixels one byte of each kind of data can describe, with room to spare
// over the best any encoder achieves:
// - a JPEG needs at least one bit a block of 64 pixels for its DC difference, so
//   512 pixels a byte is the most even a flat grey picture reaches;
inline constexpr qint64 kJpegPixelsPerByte = 1024;
// - a GIF's LZW code of at most 12 bits stands for at most 4096 pixels;
inline constexpr qint64 kGifPixelsPerByte = 2048;
// - a PNG's deflate data expands at most 1032 times, and a pixel takes at least a bit;
inline constexpr qint64 kPngPixelsPerByte = 1032 * 8;
// - a bitmap's run-length pairs hold at most 255 pixels in two bytes; skips and
//   line ends that leave whole rows empty are allowed their share.
inline constexpr qint64 kRlePixelsPerByte = 256;

// Whether a picture of `pixels` is plausible for `dataBytes` of data drawn at
// `pixelsPerByte` at most.
bool plausible(qint64 pixels, qint64 dataBytes, qint64 pixelsPerByte);

// The memory a progressive JPEG's decoder sets aside for the coefficients of the
// whole picture before it draws a pixel, whatever size it is asked for; 0 for a
// JPEG decoded in one pass. Nothing when the markers before the frame are damaged.
qint64 jpegCoefficientBytes(const QByteArray& jpeg);
// The most a JPEG's coefficients may take.
inline constexpr qint64 kMaxJpegCoefficientBytes = 1024LL * 1024 * 1024;

// The logical screen of a GIF, which its decoder allocates whatever its frames
// say. An invalid size when the file is too short to say.
QSize gifScreenSize(const QByteArray& gif);

// The size in a PNG's header, without decoding it. Invalid when there is none.
QSize pngSize(const QByteArray& png);

// The account of what the decodes on the calling thread have set aside, for
// tests and benchmarks: the largest single buffer and the sum of all, in bytes.
struct MemoryAccount {
    qint64 largest = 0;
    qint64 total = 0;
};
MemoryAccount& memoryAccount();
void charge(qint64 bytes);
// A cleared image of `size`, charged to the account; null when it cannot be had.
QImage allocateImage(QSize size, QImage::Format format);

// The flag that asks the decodes on the calling thread to stop; decoders look at
// it between rows or records. Set for a scope by CancelScope.
bool cancelled();
class CancelScope {
public:
    explicit CancelScope(const std::atomic<bool>* flag);
    ~CancelScope();
    CancelScope(const CancelScope&) = delete;
    CancelScope& operator=(const CancelScope&) = delete;

private:
    const std::atomic<bool>* previous_;
};

}  // namespace plenarvo::pictures::detail
