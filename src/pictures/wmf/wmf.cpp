#include "wmf.h"

#include "bytes.h"
#include "player.h"

#include "pictures/cost.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace plenarvo::pictures::wmf {

namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr qsizetype kStandardSize = 18;
// The longest side of a natural size; a metafile is drawn sharp at any size, so a
// bigger frame only means a picture too large to hold in memory.
constexpr int kMaxNaturalSide = 8192;
// Largest image render() makes.
constexpr qint64 kMaxTargetPixels = 100'000'000;
// A picture drawn smaller than its natural size is drawn up to this many times
// larger in each direction and shrunk, within this many pixels.
constexpr int kMaxSupersampling = 4;
constexpr qint64 kMaxSupersampledPixels = 16'000'000;

// How many times larger to draw a picture shown at `target`.
int supersampling(QSize natural, QSize target) {
    if (target.width() >= natural.width() || target.height() >= natural.height()) {
        return 1;
    }
    const double ratio = std::min(double(natural.width()) / target.width(),
                                  double(natural.height()) / target.height());
    int k = std::clamp(int(std::ceil(ratio)), 2, kMaxSupersampling);
    while (k > 1 && qint64(target.width()) * k * target.height() * k > kMaxSupersampledPixels) {
        --k;
    }
    return k;
}

bool standardHeaderOk(Reader& in) {
    const uint16_t type = in.u16();
    const uint16_t headerWords = in.u16();
    const uint16_t version = in.u16();
    return in.ok() && (type == 1 || type == 2) && headerWords == 9 &&
           (version == 0x0100 || version == 0x0300);
}

void setError(QString* error, const char* message) {
    if (error) {
        *error = QString::fromLatin1(message);
    }
}

}  // namespace

std::optional<Header> readHeader(const QByteArray& data) {
    Header header;
    Reader in(data.constData(), data.size());
    if (in.u32() == kPlaceableKey) {
        header.placeable = true;
        in.u16();  // handle
        const int left = in.i16();
        const int top = in.i16();
        const int right = in.i16();
        const int bottom = in.i16();
        header.unitsPerInch = in.u16();
        in.u32();
        in.u16();  // checksum: writers get it wrong often enough that it is not checked
        header.bounds = QRect(QPoint(left, top), QPoint(right, bottom));
        if (!in.ok() || header.unitsPerInch == 0 || left == right || top == bottom) {
            return std::nullopt;
        }
    } else {
        in = Reader(data.constData(), data.size());
    }
    const qsizetype start = in.pos();
    if (!standardHeaderOk(in)) {
        return std::nullopt;
    }
    in.u32();  // file size in words; often wrong, and the records say where they end
    header.objectCount = in.u16();
    in.u32();
    in.u16();
    if (!in.ok()) {
        return std::nullopt;
    }
    header.recordsStart = start + kStandardSize;
    return header;
}

bool looksLikeMetafile(const QByteArray& data) {
    Reader in(data.constData(), data.size());
    if (in.u32() == kPlaceableKey) {
        return true;
    }
    in = Reader(data.constData(), data.size());
    return data.size() >= kStandardSize && standardHeaderOk(in);
}

std::optional<QSize> naturalSize(const QByteArray& data, QString* error) {
    const std::optional<Header> header = readHeader(data);
    if (!header) {
        setError(error, "The metafile is damaged.");
        return std::nullopt;
    }
    const Frame frame = findFrame(data, *header);
    double w = frame.rect.width() * 96 / frame.unitsPerInch;
    double h = frame.rect.height() * 96 / frame.unitsPerInch;
    const double longest = std::max(w, h);
    if (longest > kMaxNaturalSide) {
        w = w * kMaxNaturalSide / longest;
        h = h * kMaxNaturalSide / longest;
    }
    return QSize(std::max(1, int(std::lround(w))), std::max(1, int(std::lround(h))));
}

QImage render(const QByteArray& data, QSize target, QString* error, PlayStats* stats) {
    const std::optional<Header> header = readHeader(data);
    if (!header) {
        setError(error, "The metafile is damaged.");
        return {};
    }
    if (target.isEmpty() || qint64(target.width()) * target.height() > kMaxTargetPixels) {
        setError(error, "The picture is too large to show.");
        return {};
    }
    const std::optional<QSize> natural = naturalSize(data);
    const int k = natural ? supersampling(*natural, target) : 1;
    QImage image = detail::allocateImage(target * k, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        setError(error, "There is not enough memory to show the picture.");
        return {};
    }
    image.fill(Qt::transparent);
    image.setDotsPerMeterX(3780);  // 96 pixels to the inch
    image.setDotsPerMeterY(3780);
    const Frame frame = findFrame(data, *header);
    if (!play(data, *header, frame, image, error, k, stats)) {
        return {};
    }
    if (k > 1) {
        detail::charge(qint64(target.width()) * target.height() * 4);
        image = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        image.setDotsPerMeterX(3780);
        image.setDotsPerMeterY(3780);
    }
    return image;
}

}  // namespace plenarvo::pictures::wmf
