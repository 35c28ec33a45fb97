#include "pictures/picture.h"

#include "pictures/colour.h"
#include "pictures/cost.h"
#include "pictures/reader.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImageWriter>
#include <QMutex>
#include <QMutexLocker>

namespace plenarvo::pictures {

using detail::Header;

// The shared state of a Picture. The bytes and header never change after
// construction; the decoded images are filled in on demand under their mutexes,
// so that each is decoded once however many threads ask at the same time.
struct Picture::Data {
    QByteArray bytes;
    Header header;

    mutable QMutex fullMutex;
    mutable bool fullTried = false;
    mutable QImage full;
    mutable QString fullError;

    mutable QMutex scaledMutex;
    mutable QSize scaledTarget;
    mutable Colours scaledColours = Colours::Shown;
    mutable QImage scaledImage;
};

namespace {

// Bitmaps up to this size are decoded whole once and kept for the full view when
// a smaller size is asked for; larger ones are shrunk as they are read.
constexpr qint64 kWholeBitmapPixels = 16'000'000;

void setError(QString* error, const QString& message) {
    if (error) {
        *error = message;
    }
}

QString emptyPictureMessage() {
    return QCoreApplication::translate("Pictures", "There is no picture.");
}

QColorSpace colourSpaceOf(Colours colours) {
    return colours == Colours::Shown ? shownColourSpace() : QColorSpace(QColorSpace::SRgb);
}

}  // namespace

Picture Picture::fromFile(const QString& path, QString* error) {
    std::optional<QByteArray> bytes = detail::readFile(path, error);
    if (!bytes) {
        return {};
    }
    return fromData(*bytes, error);
}

Picture Picture::fromData(const QByteArray& bytes, QString* error) {
    if (bytes.isEmpty()) {
        setError(error, detail::notAPictureMessage());
        return {};
    }
    std::optional<Header> header = detail::readHeader(bytes, error);
    if (!header) {
        return {};
    }
    auto data = std::make_shared<Data>();
    data->bytes = bytes;
    data->header = std::move(*header);
    if (!data->header.decoded.isNull()) {
        data->fullTried = true;
        data->full =
            detail::convertColours(data->header.decoded, data->header.colours, shownColourSpace());
    }
    Picture picture;
    picture.d_ = std::move(data);
    return picture;
}

Picture Picture::fromImage(const QImage& image) {
    if (image.isNull()) {
        return {};
    }
    auto data = std::make_shared<Data>();
    data->header.format = Format::Unknown;
    data->header.size = image.size();
    data->header.decoded = image;
    data->fullTried = true;
    data->full = image;
    Picture picture;
    picture.d_ = std::move(data);
    return picture;
}

Format Picture::format() const {
    return d_ ? d_->header.format : Format::Unknown;
}

QSize Picture::size() const {
    return d_ ? d_->header.size : QSize();
}

const QByteArray& Picture::bytes() const {
    static const QByteArray none;
    return d_ ? d_->bytes : none;
}

QImage Picture::image(QString* error) const {
    if (!d_) {
        setError(error, emptyPictureMessage());
        return {};
    }
    QMutexLocker lock(&d_->fullMutex);
    if (!d_->fullTried) {
        d_->full =
            detail::decode(d_->bytes, d_->header, QSize(), &d_->fullError, shownColourSpace());
        d_->fullTried = true;
    }
    if (d_->full.isNull()) {
        setError(error, d_->fullError);
    }
    return d_->full;
}

QImage Picture::srgbImage(QString* error) const {
    const QColorSpace srgb(QColorSpace::SRgb);
    // Artwork is drawn by the program and never converted.
    if (!d_ || d_->header.format == Format::Unknown || shownColourSpace() == srgb) {
        return image(error);
    }
    return detail::decode(d_->bytes, d_->header, QSize(), error, srgb);
}

QImage Picture::scaled(QSize target, QString* error, Colours colours) const {
    if (!d_) {
        setError(error, emptyPictureMessage());
        return {};
    }
    if (target == d_->header.size) {
        return colours == Colours::Shown ? image(error) : srgbImage(error);
    }
    {
        QMutexLocker lock(&d_->scaledMutex);
        if (target == d_->scaledTarget && colours == d_->scaledColours &&
            !d_->scaledImage.isNull()) {
            return d_->scaledImage;
        }
    }
    const QColorSpace space = colourSpaceOf(colours);

    QImage result;
    const Format format = d_->header.format;
    const QSize natural = d_->header.size;
    const bool largeBitmap = format == Format::Bmp &&
                             qint64(natural.width()) * natural.height() > kWholeBitmapPixels &&
                             target.width() < natural.width() && target.height() < natural.height();
    if (format == Format::Jpeg || format == Format::Wmf || largeBitmap) {
        // Decoded straight at the target: a JPEG by the decoder's own scaling, a
        // metafile by drawing it at that size, a large bitmap a row at a time.
        result = detail::decode(d_->bytes, d_->header, target, error, space);
    } else {
        // The others are small or cheap to decode: decode them whole once (kept
        // for the full view) and scale that, already in the colours wanted.
        Header whole;
        whole.format = format;
        whole.size = d_->header.size;
        whole.decoded = colours == Colours::Shown ? image(error) : srgbImage(error);
        whole.colours = space;
        if (whole.decoded.isNull()) {
            return {};
        }
        result = detail::decode(d_->bytes, whole, target, error, space);
    }
    if (!result.isNull()) {
        QMutexLocker lock(&d_->scaledMutex);
        d_->scaledTarget = target;
        d_->scaledColours = colours;
        d_->scaledImage = result;
    }
    return result;
}

QByteArray Picture::saveData(QString* error) const {
    if (!d_) {
        setError(error, emptyPictureMessage());
        return {};
    }
    switch (d_->header.format) {
        case Format::Bmp:
        case Format::Ico:
        case Format::Wmf:
            return d_->bytes;
        case Format::Gif:
        case Format::Jpeg:
        case Format::Unknown:
            break;
    }
    const QImage whole = srgbImage(error);
    if (whole.isNull()) {
        return {};
    }
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "bmp");
    if (!writer.write(whole)) {
        setError(error, QCoreApplication::translate(
                            "Pictures", "The picture could not be turned into a bitmap."));
        return {};
    }
    return encoded;
}

QImage decodeScaled(const QString& path, QSize target, QString* error,
                    const std::atomic<bool>* cancel) {
    const detail::CancelScope scope(cancel);
    std::optional<QByteArray> bytes = detail::readFile(path, error);
    if (!bytes) {
        return {};
    }
    if (bytes->isEmpty()) {
        setError(error, detail::notAPictureMessage());
        return {};
    }
    std::optional<Header> header = detail::readHeader(*bytes, error);
    if (!header) {
        return {};
    }
    QImage image = detail::decode(*bytes, *header, target, error, shownColourSpace());
    if (detail::cancelled()) {
        setError(error,
                 QCoreApplication::translate("Pictures", "The picture was not wanted any more."));
        return {};
    }
    return image;
}

}  // namespace plenarvo::pictures
