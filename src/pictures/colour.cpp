#include "pictures/colour.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QPointF>

#include <map>

namespace plenarvo::pictures {

namespace {

struct Shown {
    QMutex mutex;
    QColorSpace space{QColorSpace::SRgb};
};

Shown& shown() {
    static Shown instance;
    return instance;
}

}  // namespace

QColorSpace shownColourSpace() {
    Shown& s = shown();
    const QMutexLocker lock(&s.mutex);
    return s.space;
}

void setShownColourSpace(const QColorSpace& space) {
    Shown& s = shown();
    const QMutexLocker lock(&s.mutex);
    s.space = space.isValid() ? space : QColorSpace(QColorSpace::SRgb);
}

QImage inShownColours(const QImage& image) {
    return detail::convertColours(image, image.colorSpace(), shownColourSpace());
}

namespace detail {

namespace {

quint32 be16(const QByteArray& b, qsizetype at) {
    return quint32(uchar(b[at])) << 8 | uchar(b[at + 1]);
}

quint32 le32(const QByteArray& b, qsizetype at) {
    return quint32(uchar(b[at])) | quint32(uchar(b[at + 1])) << 8 |
           quint32(uchar(b[at + 2])) << 16 | quint32(uchar(b[at + 3])) << 24;
}

// Photos from one camera or one editor carry the same profile: it is read once,
// and the tables Qt builds for it on the first conversion are kept with it.
QColorSpace fromProfile(const QByteArray& profile) {
    static QMutex mutex;
    static QHash<QByteArray, QColorSpace> known;
    constexpr qsizetype kKept = 16;
    const QMutexLocker lock(&mutex);
    const auto found = known.constFind(profile);
    if (found != known.constEnd()) {
        return *found;
    }
    // Qt says in its log why a profile is refused; the picture then shows as stored.
    QColorSpace space = QColorSpace::fromIccProfile(profile);
    if (known.size() >= kKept) {
        known.clear();
    }
    known.insert(profile, space);
    return space;
}

// The APP2 segments named "ICC_PROFILE" before the first scan, each numbered
// (from 1) out of a count. The pieces are put together in their numbers' order,
// whatever order the file keeps them in; a piece missing or twice, or counts that
// disagree, leave no profile.
QByteArray jpegProfile(const QByteArray& b) {
    static const QByteArray name("ICC_PROFILE", 12);
    std::map<int, QByteArray> pieces;
    int count = 0;
    qsizetype at = 2;
    while (at + 4 <= b.size()) {
        if (uchar(b[at]) != 0xFF) {
            return {};
        }
        const uchar marker = uchar(b[at + 1]);
        if (marker == 0xFF) {
            ++at;  // fill byte
            continue;
        }
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            at += 2;  // markers without a length
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) {
            break;  // the scan starts: no more segments worth reading
        }
        const qsizetype length = be16(b, at + 2);
        if (length < 2 || at + 2 + length > b.size()) {
            return {};
        }
        const qsizetype data = at + 4;
        if (marker == 0xE2 && length >= 16 && b.mid(data, 12) == name) {
            const int number = uchar(b[data + 12]);
            const int of = uchar(b[data + 13]);
            if (number == 0 || number > of || (count && of != count) || pieces.count(number)) {
                return {};
            }
            count = of;
            pieces[number] = b.mid(data + 14, length - 16);
        }
        at += 2 + length;
    }
    if (pieces.empty() || int(pieces.size()) != count) {
        return {};
    }
    QByteArray profile;
    for (const auto& [number, piece] : pieces) {
        profile += piece;
    }
    return profile;
}

constexpr quint32 kCalibratedRgb = 0;
constexpr quint32 kEmbedded = 0x4D424544;  // 'MBED'

// A BMP header of 108 or more bytes names its colour space. An embedded profile
// (124-byte header) is used; calibrated RGB with its three primaries and gamma is
// used when they make sense, which they often do not (writers leave zeros); sRGB,
// the Windows colour space and a linked profile (a file name, not followed) count
// as sRGB.
QColorSpace bmpColourSpace(const QByteArray& b) {
    constexpr qsizetype info = 14;
    if (b.size() < info + 108) {
        return {};
    }
    const quint32 headerSize = le32(b, info);
    if (headerSize < 108 || info + headerSize > b.size()) {
        return {};
    }
    const quint32 type = le32(b, info + 56);
    if (type == kEmbedded && headerSize >= 124) {
        const quint64 offset = le32(b, info + 112);
        const quint64 size = le32(b, info + 116);
        if (size == 0 || info + offset + size > quint64(b.size())) {
            return {};
        }
        return fromProfile(b.mid(qsizetype(info + offset), qsizetype(size)));
    }
    if (type != kCalibratedRgb) {
        return {};
    }
    // Three CIE XYZ end points in 2.30 fixed point, then three gammas in 16.16.
    QPointF primaries[3];
    double white[3] = {0, 0, 0};
    for (int p = 0; p < 3; ++p) {
        double xyz[3];
        for (int c = 0; c < 3; ++c) {
            xyz[c] = double(qint32(le32(b, info + 60 + 12 * p + 4 * c))) / (1 << 30);
            white[c] += xyz[c];
        }
        const double sum = xyz[0] + xyz[1] + xyz[2];
        if (xyz[1] <= 0 || sum <= 0) {
            return {};
        }
        primaries[p] = QPointF(xyz[0] / sum, xyz[1] / sum);
    }
    double gamma = 0;
    for (int c = 0; c < 3; ++c) {
        gamma += double(le32(b, info + 96 + 4 * c)) / 65536.0 / 3;
    }
    const double whiteSum = white[0] + white[1] + white[2];
    if (gamma < 1.0 || gamma > 3.0 || whiteSum <= 0) {
        return {};
    }
    const QColorSpace space(QPointF(white[0] / whiteSum, white[1] / whiteSum), primaries[0],
                            primaries[1], primaries[2], QColorSpace::TransferFunction::Gamma,
                            float(gamma));
    return space.isValid() ? space : QColorSpace();
}

}  // namespace

QColorSpace fileColourSpace(const QByteArray& bytes, Format format) {
    if (format == Format::Jpeg) {
        const QByteArray profile = jpegProfile(bytes);
        return profile.isEmpty() ? QColorSpace() : fromProfile(profile);
    }
    if (format == Format::Bmp) {
        return bmpColourSpace(bytes);
    }
    return {};
}

QImage convertColours(const QImage& image, const QColorSpace& source, const QColorSpace& target) {
    const QColorSpace from = source.isValid() ? source : QColorSpace(QColorSpace::SRgb);
    const QColorSpace to = target.isValid() ? target : QColorSpace(QColorSpace::SRgb);
    if (image.isNull() || from == to) {
        return image;
    }
    switch (image.format()) {
        case QImage::Format_Grayscale8:
        case QImage::Format_Grayscale16:
        case QImage::Format_Alpha8:
        case QImage::Format_Mono:
        case QImage::Format_MonoLSB:
            return image;  // nothing but greys: shown as stored
        default:
            break;
    }
    QImage converted = image;
    converted.setColorSpace(from);
    converted.convertToColorSpace(to);
    return converted;
}

}  // namespace detail

}  // namespace plenarvo::pictures
