#pragma once

#include <QImage>

namespace plenarvo::pictures::wmf {

// Largest bitmap the renderer decodes from a metafile, in pixels.
inline constexpr qint64 kMaxBitmapPixels = 50'000'000;

// Decodes a device-independent bitmap (info header, colour table, pixels) as
// stored in metafile records. `size` is the number of bytes the record holds from
// `data` on. A null image when the bitmap is damaged, unsupported or too large.
// When `paletteIndices` is set the colour table holds palette indices, which are
// shown as greys. Bitmaps of more than `maxPixels` are refused.
QImage decodeDib(const char* data, qsizetype size, bool paletteIndices = false,
                 qint64 maxPixels = kMaxBitmapPixels);

}  // namespace plenarvo::pictures::wmf
