// Feeds arbitrary bytes to the JPEG head reader, then, as a file, to the embedded
// thumbnail road that uses it. Any crash, sanitizer report, hang or runaway
// allocation is a finding, and so is a result that breaks the readers' promises.
#include "thumbnails/embedded_thumbnail.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include "../common/offscreen_app.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

QTemporaryDir* folder = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    plenarvo::fuzz::startOffscreenApplication(argc, argv);
    static QTemporaryDir dir;
    folder = &dir;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const std::optional<plenarvo::JpegHead> head = plenarvo::readJpegHead(buffer);
    if (head) {
        if (head->stored.isEmpty() || buffer.pos() > bytes.size()) {
            std::abort();  // a head that is read has a size, and was in the bytes
        }
        if (!head->thumbnail.isEmpty() && !head->thumbnail.startsWith("\xFF\xD8")) {
            std::abort();  // the thumbnail is a JPEG
        }
    }
    const QString path = folder->filePath(QStringLiteral("p.jpg"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        std::abort();
    }
    file.close();
    const QSize cell(64, 48);
    const QImage thumbnail = plenarvo::embeddedThumbnail(path, cell);
    if (!thumbnail.isNull() &&
        (thumbnail.width() < cell.width() || thumbnail.height() < cell.height() ||
         thumbnail.width() > 1024 || thumbnail.height() > 1024)) {
        std::abort();  // large enough for the cell, and no larger than a thumbnail
    }
    return 0;
}
