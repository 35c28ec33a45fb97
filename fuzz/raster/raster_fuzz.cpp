// Feeds arbitrary bytes to the picture library the way the program uses it: the
// header, a thumbnail-sized decode, the whole picture, then the bytes Save As
// writes. Any crash, sanitizer report, hang or runaway allocation is a finding.
#include "pictures/picture.h"

#include "../common/offscreen_app.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace pictures = plenarvo::pictures;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    plenarvo::fuzz::startOffscreenApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    const pictures::Picture picture = pictures::Picture::fromData(bytes, &error);
    if (picture.isNull()) {
        return 0;
    }
    const QSize natural = picture.size();
    if (natural.isEmpty()) {
        std::abort();  // a picture that opens has a size
    }
    const QImage small = picture.scaled(QSize(64, 48), &error);
    if (!small.isNull() && small.size() != QSize(64, 48)) {
        std::abort();  // a scaled picture has exactly the size asked for
    }
    const QImage whole = picture.image(&error);
    if (!whole.isNull() && whole.size() != natural) {
        std::abort();
    }
    picture.saveData(&error);
    return 0;
}
