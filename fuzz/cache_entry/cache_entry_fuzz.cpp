// Feeds arbitrary bytes to the thumbnail cache's entry reader, as the bytes of an
// entry file. Any crash, sanitizer report, hang or runaway allocation (a text
// chunk that inflates, a header that asks for gigapixels) is a finding, and so is
// an entry larger than an entry can be.
#include "thumbnails/thumbnail_cache.h"

#include "../common/offscreen_app.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    plenarvo::fuzz::startOffscreenApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QImage entry = plenarvo::ThumbnailCache::decodeEntry(bytes);
    if (!entry.isNull() && (entry.width() > 1024 || entry.height() > 1024)) {
        std::abort();
    }
    qint64 text = 0;
    for (const QString& key : entry.textKeys()) {
        text += entry.text(key).size();
    }
    if (text > plenarvo::ThumbnailCache::kMaxEntryText) {
        std::abort();  // no more text than the chunks were allowed to carry
    }
    return 0;
}
