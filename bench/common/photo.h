#pragma once

// Photo-like content for the benchmarks: smooth gradients that differ from seed to
// seed, with grain, so that a JPEG of it has real detail to decode, as a camera
// picture does.

#include <QByteArray>
#include <QColorSpace>
#include <QImage>
#include <QSize>

#include <algorithm>

namespace plenarvo::bench {

inline QImage photoLike(QSize size, quint32 seed = 0) {
    const int width = size.width();
    const int height = size.height();
    QImage image(size, QImage::Format_RGB32);
    quint32 noise = 2463534242u ^ (seed * 2654435761u);
    const int hue = static_cast<int>(seed * 37 % 200);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            const int grain = static_cast<int>(noise & 31) - 16;
            const int r = 20 + (hue + 160 * x / width) % 220 + grain;
            const int g = 40 + 150 * y / height + grain;
            const int b = 220 - 120 * (x + y) / (width + height) + grain;
            line[x] = qRgb(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
        }
    }
    return image;
}

// A JPEG's bytes with an Adobe RGB (1998) profile in an APP2 segment after its
// first segment, as a camera set to Adobe RGB writes it.
inline QByteArray withColourProfile(const QByteArray& jpeg) {
    const QByteArray profile = QColorSpace(QColorSpace::AdobeRgb).iccProfile();
    const int first = 4 + (static_cast<uchar>(jpeg[4]) << 8 | static_cast<uchar>(jpeg[5]));
    const int length = 2 + 14 + static_cast<int>(profile.size());
    QByteArray segment("\xFF\xE2", 2);
    segment.append(static_cast<char>(length >> 8)).append(static_cast<char>(length & 0xFF));
    segment.append(QByteArray("ICC_PROFILE", 12)).append('\x01').append('\x01').append(profile);
    return jpeg.left(first) + segment + jpeg.mid(first);
}

}  // namespace plenarvo::bench
