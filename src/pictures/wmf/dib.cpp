#include "dib.h"

#include "pictures/bmp.h"

#include <algorithm>

namespace plenarvo::pictures::wmf {

QImage decodeDib(const char* data, qsizetype size, bool paletteIndices, qint64 maxPixels) {
    // The record's bytes stay alive for the whole call: no copy needed.
    const QByteArray bytes = QByteArray::fromRawData(data, size);
    return detail::decodePackedDib(bytes, paletteIndices, std::min(maxPixels, kMaxBitmapPixels),
                                   nullptr);
}

}  // namespace plenarvo::pictures::wmf
