#include "thumbnails/embedded_thumbnail.h"

#include "pictures/regular_file.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QTransform>

#include <cstdlib>

namespace plenarvo {

namespace {

// Segments before the frame header: enough for a camera's APP segments and an
// ICC profile split into many pieces, few enough that a damaged file ends soon.
constexpr int kMaxSegments = 256;
// An embedded thumbnail larger than this on either side is not a thumbnail.
constexpr int kMaxThumbnailSide = 1024;

// The TIFF structure inside an EXIF segment, in either byte order. Every read is
// checked against the segment's end; a read past it gives nothing.
class Tiff {
public:
    explicit Tiff(QByteArray data) : data_(std::move(data)) {}

    bool start() {
        if (data_.size() < 8) {
            return false;
        }
        if (data_.startsWith("II")) {
            little_ = true;
        } else if (data_.startsWith("MM")) {
            little_ = false;
        } else {
            return false;
        }
        return u16(2) == 42;
    }

    std::optional<quint32> u16(qint64 at) const {
        if (at < 0 || at + 2 > data_.size()) {
            return std::nullopt;
        }
        const auto a = static_cast<quint32>(static_cast<uchar>(data_[at]));
        const auto b = static_cast<quint32>(static_cast<uchar>(data_[at + 1]));
        return little_ ? (a | b << 8) : (a << 8 | b);
    }

    std::optional<quint32> u32(qint64 at) const {
        const std::optional<quint32> first = u16(at);
        const std::optional<quint32> second = u16(at + 2);
        if (!first || !second) {
            return std::nullopt;
        }
        return little_ ? (*first | *second << 16) : (*first << 16 | *second);
    }

    // A directory's entries: each tag with its first value, for SHORT and LONG
    // values held in the entry itself. Calls `found(tag, value)`; returns the offset
    // of the next directory (0 when there is none), or nothing when damaged.
    template <typename Found>
    std::optional<quint32> directory(quint32 offset, Found found) const {
        const std::optional<quint32> count = u16(offset);
        if (!count || qint64(offset) + 2 + qint64(*count) * 12 + 4 > data_.size()) {
            return std::nullopt;
        }
        for (quint32 i = 0; i < *count; ++i) {
            const qint64 entry = qint64(offset) + 2 + qint64(i) * 12;
            const quint32 tag = *u16(entry);
            const quint32 type = *u16(entry + 2);
            if (type == 3) {  // SHORT
                found(tag, *u16(entry + 8));
            } else if (type == 4) {  // LONG
                found(tag, *u32(entry + 8));
            }
        }
        return u32(qint64(offset) + 2 + qint64(*count) * 12);
    }

    const QByteArray& data() const { return data_; }

private:
    QByteArray data_;
    bool little_ = true;
};

// Reads the picture's size and the IFD1 thumbnail out of an APP1 segment's payload.
void readExif(const QByteArray& payload, JpegHead& head) {
    if (!payload.startsWith(QByteArray("Exif\0\0", 6))) {
        return;
    }
    Tiff tiff(payload.mid(6));
    if (!tiff.start()) {
        return;
    }
    const std::optional<quint32> first = tiff.u32(4);
    if (!first) {
        return;
    }
    quint32 exifDirectory = 0;
    const std::optional<quint32> second =
        tiff.directory(*first, [&exifDirectory](quint32 tag, quint32 value) {
            if (tag == 0x8769) {
                exifDirectory = value;
            }
        });
    if (!second) {
        return;  // the first directory is damaged: trust nothing in it
    }
    if (exifDirectory != 0) {
        QSize pixels(-1, -1);
        const std::optional<quint32> ends =
            tiff.directory(exifDirectory, [&pixels](quint32 tag, quint32 value) {
                if (tag == 0xA002) {
                    pixels.setWidth(int(std::min<quint32>(value, 1u << 30)));
                } else if (tag == 0xA003) {
                    pixels.setHeight(int(std::min<quint32>(value, 1u << 30)));
                }
            });
        if (!ends) {
            return;  // damaged: no thumbnail
        }
        head.exifPixels = pixels;
    }
    if (*second == 0 || *second == *first) {
        return;
    }
    quint32 offset = 0;
    quint32 length = 0;
    const std::optional<quint32> after =
        tiff.directory(*second, [&offset, &length](quint32 tag, quint32 value) {
            if (tag == 0x0201) {
                offset = value;
            } else if (tag == 0x0202) {
                length = value;
            }
        });
    if (!after || offset == 0 || length < 4 ||
        qint64(offset) + qint64(length) > tiff.data().size()) {
        return;
    }
    const QByteArray thumbnail = tiff.data().mid(offset, length);
    if (thumbnail.startsWith("\xFF\xD8")) {
        head.thumbnail = thumbnail;
    }
}

bool readExactly(QIODevice& device, char* into, qint64 count) {
    return device.read(into, count) == count;
}

}  // namespace

std::optional<JpegHead> readJpegHead(QIODevice& device) {
    char bytes[5];
    if (!readExactly(device, bytes, 2) || uchar(bytes[0]) != 0xFF || uchar(bytes[1]) != 0xD8) {
        return std::nullopt;
    }
    JpegHead head;
    bool exifSeen = false;
    for (int segment = 0; segment < kMaxSegments; ++segment) {
        char c = 0;
        if (!device.getChar(&c) || uchar(c) != 0xFF) {
            return std::nullopt;
        }
        while (uchar(c) == 0xFF) {  // fill bytes
            if (!device.getChar(&c)) {
                return std::nullopt;
            }
        }
        const auto marker = uchar(c);
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            continue;  // markers without a length
        }
        if (marker == 0xD9 || marker == 0xDA) {
            return std::nullopt;  // the picture data starts before any frame header
        }
        if (!readExactly(device, bytes, 2)) {
            return std::nullopt;
        }
        const int length = uchar(bytes[0]) << 8 | uchar(bytes[1]);
        if (length < 2) {
            return std::nullopt;
        }
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (length < 7 || !readExactly(device, bytes, 5)) {
                return std::nullopt;
            }
            head.stored = QSize(uchar(bytes[3]) << 8 | uchar(bytes[4]),
                                uchar(bytes[1]) << 8 | uchar(bytes[2]));
            if (head.stored.isEmpty()) {
                return std::nullopt;
            }
            return head;
        }
        if (marker == 0xE2 && length >= 2 + 12) {
            const QByteArray name = device.read(12);
            if (name.size() != 12) {
                return std::nullopt;
            }
            head.colourProfile = head.colourProfile || name == QByteArray("ICC_PROFILE\0", 12);
            if (!device.seek(device.pos() + length - 2 - 12)) {
                return std::nullopt;
            }
            continue;
        }
        if (marker == 0xE1 && !exifSeen) {
            const QByteArray payload = device.read(length - 2);
            if (payload.size() != length - 2) {
                return std::nullopt;
            }
            if (payload.startsWith(QByteArray("Exif\0\0", 6))) {
                exifSeen = true;
                readExif(payload, head);
            }
            continue;
        }
        if (!device.seek(device.pos() + length - 2)) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

QImage transformedImage(const QImage& image, QImageIOHandler::Transformations transformation) {
    // In the order Qt's reader applies them: a quarter turn the other way alone,
    // else the mirrorings, then a quarter turn.
    if (transformation == QImageIOHandler::TransformationRotate270) {
        return image.transformed(QTransform().rotate(270));
    }
    QImage turned = image.mirrored(transformation.testFlag(QImageIOHandler::TransformationMirror),
                                   transformation.testFlag(QImageIOHandler::TransformationFlip));
    if (transformation.testFlag(QImageIOHandler::TransformationRotate90)) {
        turned = turned.transformed(QTransform().rotate(90));
    }
    return turned;
}

QImage embeddedThumbnail(const QString& path, QSize cell) {
    pictures::RegularFile opened = pictures::RegularFile::open(path, {}, nullptr);
    if (!opened.isOpen()) {
        return {};
    }
    QFile file;
    if (!file.open(opened.release(), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        return {};
    }
    const std::optional<JpegHead> head = readJpegHead(file);
    if (!head || head->thumbnail.isEmpty() || head->colourProfile) {
        return {};
    }
    // The picture's orientation as the decoder reads it when it shows the picture,
    // so that the cell turns the thumbnail exactly as the preview turns the photo.
    if (!file.seek(0)) {
        return {};
    }
    QImageReader pictureReader(&file, "jpeg");
    pictureReader.setAutoDetectImageFormat(false);
    const QImageIOHandler::Transformations transformation = pictureReader.transformation();
    file.close();
    // A size in the EXIF data counts when it is complete: either way round, as
    // some cameras give it as shown.
    const QSize exif = head->exifPixels;
    if (exif.width() > 0 && exif.height() > 0 && exif != head->stored &&
        exif != head->stored.transposed()) {
        return {};
    }
    QBuffer buffer;
    buffer.setData(head->thumbnail);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    reader.setAutoDetectImageFormat(false);
    reader.setAutoTransform(false);  // the picture's orientation is the one that counts
    const QSize stored = reader.size();
    // Larger than the picture it stands for, it cannot be that picture's.
    if (stored.isEmpty() || stored.width() > kMaxThumbnailSide ||
        stored.height() > kMaxThumbnailSide || stored.width() > head->stored.width() ||
        stored.height() > head->stored.height()) {
        return {};
    }
    const bool turned = transformation.testFlag(QImageIOHandler::TransformationRotate90);
    const QSize shown = turned ? stored.transposed() : stored;
    if (shown.width() < cell.width() || shown.height() < cell.height()) {
        return {};
    }
    // Same proportions within 2 %: |t.w / t.h - p.w / p.h| <= 0.02 * p.w / p.h.
    const qint64 across = qint64(stored.width()) * head->stored.height();
    const qint64 along = qint64(head->stored.width()) * stored.height();
    if (std::llabs(across - along) * 50 > along) {
        return {};
    }
    QImage image;
    if (!reader.read(&image) || image.size() != stored) {
        return {};
    }
    return transformedImage(image, transformation);
}

}  // namespace plenarvo
