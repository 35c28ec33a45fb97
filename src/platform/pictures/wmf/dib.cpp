#include "dib.h"

#include "platform/pictures/bmp.h"

namespace plenarvo::pictures::wmf {

QImage decodeDib(const char* data, qsizetype size, bool paletteIndices) {
    // The record's bytes stay alive for the whole call: no copy needed.
    const QByteArray bytes = QByteArray::fromRawData(data, size);
    return detail::decodePackedDib(bytes, paletteIndices, kMaxBitmapPixels, nullptr);
}

}  // namespace plenarvo::pictures::wmf
