#include "pictures/reader.h"

#include "pictures/bmp.h"
#include "pictures/colour.h"
#include "pictures/cost.h"
#include "pictures/regular_file.h"
#include "pictures/wmf/wmf.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImageReader>
#include <QLoggingCategory>

#include <algorithm>
#include <vector>

namespace plenarvo::pictures {

namespace {

// Qt's own words about a failure go here; the user sees the program's sentences.
// Turn on with QT_LOGGING_RULES="plenarvo.pictures.info=true".
Q_LOGGING_CATEGORY(lcPictures, "plenarvo.pictures", QtWarningMsg)

quint16 le16(const QByteArray& b, qsizetype at) {
    return quint16(uchar(b[at])) | quint16(uchar(b[at + 1])) << 8;
}

quint32 le32(const QByteArray& b, qsizetype at) {
    return quint32(le16(b, at)) | quint32(le16(b, at + 2)) << 16;
}

void setError(QString* error, const QString& message) {
    if (error) {
        *error = message;
    }
}

}  // namespace

Format sniffFormat(const QByteArray& head) {
    if (head.startsWith("BM")) {
        return Format::Bmp;
    }
    if (head.startsWith(QByteArray("\x00\x00\x01\x00", 4))) {
        return Format::Ico;
    }
    if (head.startsWith("GIF87a") || head.startsWith("GIF89a")) {
        return Format::Gif;
    }
    if (head.startsWith("\xFF\xD8\xFF")) {
        return Format::Jpeg;
    }
    if (wmf::looksLikeMetafile(head)) {
        return Format::Wmf;
    }
    return Format::Unknown;
}

namespace detail {

QString notAPictureMessage() {
    return QCoreApplication::translate("Pictures",
                                       "The file is not a picture this program can show.");
}
QString damagedMessage() {
    return QCoreApplication::translate("Pictures", "The picture is damaged.");
}
QString unreadableMessage() {
    return QCoreApplication::translate("Pictures", "The file could not be read.");
}
QString tooLargeMessage() {
    return QCoreApplication::translate("Pictures", "The picture is too large to show.");
}

namespace {

QByteArray readerFormatName(Format format) {
    switch (format) {
        case Format::Bmp:
            return "bmp";
        case Format::Ico:
            return "ico";
        case Format::Gif:
            return "gif";
        case Format::Jpeg:
            return "jpeg";
        case Format::Wmf:
        case Format::Unknown:
            break;
    }
    return {};
}

bool sizeIsSane(QSize size) {
    return size.width() > 0 && size.height() > 0 &&
           qint64(size.width()) * qint64(size.height()) <= kMaxPixels;
}

// An icon's directory entry, as far as choosing among the entries goes.
struct IconEntry {
    int index = 0;
    int width = 0;
    int height = 0;
    int bitCount = 0;
    qsizetype offset = 0;
    qsizetype length = 0;
};

// The entries whose data starts inside the file, largest first (deepest colour
// first among equal sizes).
std::vector<IconEntry> iconEntries(const QByteArray& bytes) {
    std::vector<IconEntry> entries;
    if (bytes.size() < 6 || le16(bytes, 2) != 1) {
        return entries;
    }
    const qsizetype stored = (bytes.size() - 6) / 16;
    const qsizetype count = std::min<qsizetype>(le16(bytes, 4), stored);
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype at = 6 + 16 * i;
        const quint32 length = le32(bytes, at + 8);
        const quint32 offset = le32(bytes, at + 12);
        if (length == 0 || offset < 6 || offset >= quint32(bytes.size())) {
            continue;
        }
        IconEntry entry;
        entry.index = int(i);
        entry.width = uchar(bytes[at]) ? uchar(bytes[at]) : 256;
        entry.height = uchar(bytes[at + 1]) ? uchar(bytes[at + 1]) : 256;
        entry.bitCount = le16(bytes, at + 6);
        entry.offset = qsizetype(offset);
        entry.length = qsizetype(std::min<quint32>(length, quint32(bytes.size()) - offset));
        entries.push_back(entry);
    }
    std::stable_sort(entries.begin(), entries.end(), [](const IconEntry& a, const IconEntry& b) {
        const int areaA = a.width * a.height;
        const int areaB = b.width * b.height;
        return areaA != areaB ? areaA > areaB : a.bitCount > b.bitCount;
    });
    return entries;
}

// Icons are decoded whole when their header is checked: they are small, and the
// size of an entry is only certain once it is decoded. When the largest entry is
// damaged, the next largest is shown.
std::optional<Header> readIconHeader(const QByteArray& bytes, QString* error) {
    const std::vector<IconEntry> entries = iconEntries(bytes);
    QString problem = QStringLiteral("The icon has no entry inside the file.");
    // A few entries at most: each one tried costs its decode, and a file of many
    // damaged entries must not cost them all.
    int tries = 0;
    for (const IconEntry& entry : entries) {
        if (tries++ == kMaxIconTries || cancelled()) {
            break;
        }
        const QByteArray data = bytes.mid(entry.offset, entry.length);
        const QImage image = decodeIconEntry(data, &problem);
        if (image.isNull() || !sizeIsSane(image.size())) {
            continue;
        }
        Header header;
        header.format = Format::Ico;
        header.size = image.size();
        header.entry = entry.index;
        header.decoded = image;
        return header;
    }
    qCInfo(lcPictures) << "icon refused:" << problem;
    setError(error, damagedMessage());
    return std::nullopt;
}

std::optional<Header> readBitmapHeader(const QByteArray& bytes, QString* error) {
    QString problem;
    const std::optional<QSize> size = bmpSize(bytes, &problem);
    if (!size) {
        qCInfo(lcPictures) << "bitmap refused:" << problem;
        setError(error, damagedMessage());
        return std::nullopt;
    }
    Header header;
    header.format = Format::Bmp;
    header.size = *size;
    header.colours = fileColourSpace(bytes, Format::Bmp);
    return header;
}

std::optional<Header> readMetafileHeader(const QByteArray& bytes, QString* error) {
    QString problem;
    const std::optional<QSize> size = wmf::naturalSize(bytes, &problem);
    if (!size) {
        qCInfo(lcPictures) << "metafile refused:" << problem;
        setError(error, damagedMessage());
        return std::nullopt;
    }
    if (!sizeIsSane(*size)) {
        setError(error, size->isEmpty() ? damagedMessage() : tooLargeMessage());
        return std::nullopt;
    }
    Header header;
    header.format = Format::Wmf;
    header.size = *size;
    return header;
}

}  // namespace

void configureReader(QImageReader& reader, Format format, QSize scaledTarget, bool swapsAxes) {
    reader.setFormat(readerFormatName(format));
    reader.setAutoDetectImageFormat(false);
    reader.setDecideFormatFromContent(false);
    reader.setAutoTransform(true);
    if (scaledTarget.isValid() && reader.supportsOption(QImageIOHandler::ScaledSize)) {
        // The decoder scales before it turns the picture, so it wants the size in
        // the stored orientation.
        reader.setScaledSize(swapsAxes ? scaledTarget.transposed() : scaledTarget);
    }
}

std::optional<QByteArray> readFile(const QString& path, QString* error) {
    RegularFile file = RegularFile::open(path, OpenRules{}, error);
    if (!file.isOpen()) {
        qCInfo(lcPictures) << "not opened:" << path;
        return std::nullopt;
    }
    if (file.size() > kMaxFileBytes) {
        setError(error, tooLargeMessage());
        return std::nullopt;
    }
    bool tooLarge = false;
    std::optional<QByteArray> bytes = file.readAll(kMaxFileBytes, &tooLarge);
    if (!bytes) {
        setError(error, tooLarge ? tooLargeMessage() : unreadableMessage());
    }
    return bytes;
}

std::optional<Header> readHeader(const QByteArray& bytes, QString* error) {
    setProcessAllocationLimit();
    const Format format = sniffFormat(bytes.left(64));
    switch (format) {
        case Format::Unknown:
            setError(error, notAPictureMessage());
            return std::nullopt;
        case Format::Wmf:
            return readMetafileHeader(bytes, error);
        case Format::Ico:
            return readIconHeader(bytes, error);
        case Format::Bmp:
            return readBitmapHeader(bytes, error);
        case Format::Gif:
        case Format::Jpeg:
            break;
    }

    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    configureReader(reader, format, QSize(), false);
    const QSize stored = reader.size();
    if (!stored.isValid() || stored.isEmpty()) {
        qCInfo(lcPictures) << "no size in header:" << reader.errorString();
        setError(error, damagedMessage());
        return std::nullopt;
    }
    if (!sizeIsSane(stored)) {
        setError(error, tooLargeMessage());
        return std::nullopt;
    }
    // What the decoder will set aside must be what the data can fill: a GIF's
    // logical screen, whatever its frames say, and a progressive JPEG's
    // coefficients for the whole picture, whatever size is asked for.
    QSize allocated = stored;
    if (format == Format::Gif) {
        const QSize screen = gifScreenSize(bytes);
        if (screen.isValid() && !sizeIsSane(screen.expandedTo(QSize(1, 1)))) {
            setError(error, tooLargeMessage());
            return std::nullopt;
        }
        allocated = allocated.expandedTo(screen);
    }
    const qint64 pixels = qint64(allocated.width()) * allocated.height();
    const qint64 coefficients = format == Format::Jpeg ? jpegCoefficientBytes(bytes) : 0;
    if (!plausible(pixels, bytes.size(),
                   format == Format::Gif ? kGifPixelsPerByte : kJpegPixelsPerByte) ||
        coefficients > kMaxJpegCoefficientBytes) {
        qCInfo(lcPictures) << "refused:" << allocated << "pixels from" << bytes.size() << "bytes,"
                           << coefficients << "bytes of coefficients";
        setError(error, damagedMessage());
        return std::nullopt;
    }
    Header header;
    header.format = format;
    header.swapsAxes = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
    header.size = header.swapsAxes ? stored.transposed() : stored;
    header.colours = fileColourSpace(bytes, format);
    return header;
}

namespace {

// The file's bytes, given until the decode on this thread is cancelled, so that
// Qt's decoders stop at their next read. Not a QBuffer: Qt's JPEG reader takes a
// QBuffer's bytes all at once without reading them, and never asks again.
class CancellableDevice : public QIODevice {
public:
    explicit CancellableDevice(const QByteArray& bytes) : bytes_(bytes) {
        QIODevice::open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    qint64 size() const override { return bytes_.size(); }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        if (cancelled()) {
            return -1;
        }
        const qint64 count = std::clamp<qint64>(bytes_.size() - pos(), 0, maxSize);
        std::copy_n(bytes_.constData() + pos(), count, data);
        return count;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray bytes_;
};

// A JPEG decoder can shrink a picture by 1/2, 1/4 or 1/8 while it decodes, which
// costs a fraction of a whole decode. Take the smallest of those that leaves the
// picture at least seven eighths of the target in each direction: the one smooth
// scale after it then enlarges by an eighth at most, which a picture stretched to
// its box does not show, and a 12-megapixel photo reaches the preview box at an
// eighth of its size instead of a quarter. The size asked of the decoder is rounded
// down, so that it picks exactly that fraction.
QSize jpegDecodeSize(QSize natural, QSize target) {
    QSize chosen = natural;
    for (int fraction : {2, 4, 8}) {
        const QSize reduced(natural.width() / fraction, natural.height() / fraction);
        if (reduced.width() * 8 < target.width() * 7 ||
            reduced.height() * 8 < target.height() * 7 || reduced.isEmpty()) {
            break;
        }
        chosen = reduced;
    }
    return chosen;
}

}  // namespace

QImage decode(const QByteArray& bytes, const Header& header, QSize target, QString* error,
              const QColorSpace& colours) {
    const QSize wanted = target.isValid() ? target : header.size;
    if (!sizeIsSane(wanted)) {
        setError(error, wanted.isEmpty() ? damagedMessage() : tooLargeMessage());
        return {};
    }

    QImage image;
    if (header.format == Format::Wmf) {
        QString problem;
        image = wmf::render(bytes, wanted, &problem);
        if (image.isNull()) {
            qCInfo(lcPictures) << "metafile not rendered:" << problem;
        }
    } else if (!header.decoded.isNull()) {
        image = header.decoded;
    } else if (header.format == Format::Bmp) {
        QString problem;
        const bool shrink = target.isValid() && target.width() < header.size.width() &&
                            target.height() < header.size.height() &&
                            canShrinkWhileReading(bytes, target);
        image = shrink ? decodeBmpShrunk(bytes, target, &problem) : decodeBmp(bytes, &problem);
        if (image.isNull()) {
            qCInfo(lcPictures) << "bitmap not decoded:" << problem;
        }
    } else {
        CancellableDevice device(bytes);
        QImageReader reader(&device);
        // Only a JPEG decodes faster straight at a smaller size; the others are
        // decoded whole and scaled below.
        const bool scaleWhileDecoding = header.format == Format::Jpeg && target.isValid();
        const QSize decoded = scaleWhileDecoding ? jpegDecodeSize(header.size, target) : QSize();
        configureReader(reader, header.format, decoded, header.swapsAxes);
        const QSize stored = decoded.isValid() ? decoded : header.size;
        QSize allocated = stored;
        if (header.format == Format::Gif) {
            allocated = allocated.expandedTo(gifScreenSize(bytes));
        }
        charge(qint64(allocated.width()) * allocated.height() * 4);
        if (header.format == Format::Jpeg) {
            charge(std::max<qint64>(0, jpegCoefficientBytes(bytes)));
        }
        // A truncated file that the decoder still makes something of is shown as
        // far as it goes; only a null image counts as failure.
        if (!reader.read(&image)) {
            qCInfo(lcPictures) << "not decoded:" << reader.errorString();
        }
    }
    if (image.isNull()) {
        setError(error, damagedMessage());
        return {};
    }
    if (image.size() != wanted) {
        charge(qint64(wanted.width()) * wanted.height() * 4);
        image = image.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (image.isNull()) {
            setError(error, tooLargeMessage());
            return {};
        }
    }
    // Converted at the size it is shown: a 12-megapixel photo's preview converts
    // the preview's pixels, not the photo's.
    return convertColours(image, header.colours, colours);
}

}  // namespace detail

}  // namespace plenarvo::pictures
