// Feeds arbitrary bytes to the metafile renderer: the natural size, then a small
// rendering. Any crash, sanitizer report, hang or runaway allocation is a finding.
#include "pictures/wmf/wmf.h"

#include "../common/offscreen_app.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace wmf = plenarvo::pictures::wmf;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // Text needs the font database, which needs an application object.
    plenarvo::fuzz::startOffscreenApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    wmf::looksLikeMetafile(bytes);
    QString error;
    const auto natural = wmf::naturalSize(bytes, &error);
    const QImage image = wmf::render(bytes, QSize(64, 48), &error);
    if (natural && !image.isNull() && image.size() != QSize(64, 48)) {
        std::abort();  // the image must have exactly the size asked for
    }
    return 0;
}
