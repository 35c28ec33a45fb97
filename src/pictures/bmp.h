#pragma once

// The program's own reader of device-independent bitmaps, as found in BMP files
// and in icon entries. Qt's BMP reader refuses top-down bitmaps, the V4/V5 headers
// with bit-field masks and several other bitmaps that Windows shows, and widens
// 5-bit channels without filling the low bits; this one reads them all.
//
// Handled: OS/2 core and version 2 headers, Windows headers of 40, 52, 56, 108
// and 124 bytes; 1, 2, 4, 8, 16, 24 and 32 bits a pixel; no compression, RLE8,
// RLE4, bit fields and alpha bit fields; bottom-up and top-down rows; PNG or JPEG
// data inside a BMP. A file cut short shows as far as it goes.

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <optional>

namespace plenarvo::pictures::detail {

// The size a BMP file's headers claim, when the headers are sound. *problem says
// why not, in developer's words.
std::optional<QSize> bmpSize(const QByteArray& file, QString* problem);

// Decodes a whole BMP file. A null image when it cannot.
QImage decodeBmp(const QByteArray& file, QString* problem);

// Decodes a BMP file straight at `target`, smaller than its size in both
// directions, a row at a time, without ever holding it at full size. A null image
// when the bitmap cannot be read that way (compressed data, or a larger target):
// *problem is then empty, and the caller decodes it whole.
QImage decodeBmpShrunk(const QByteArray& file, QSize target, QString* problem);

// Decodes a bitmap without its file header (info header, colour table, pixels),
// as metafile records carry it, to opaque pixels. `paletteIndices`: the colour
// table holds palette indices, shown as greys. Bitmaps of more than `maxPixels`
// are refused.
QImage decodePackedDib(const QByteArray& dib, bool paletteIndices, qint64 maxPixels,
                       QString* problem);

// Decodes one icon entry: a PNG, or a bitmap of twice its height followed by its
// transparency mask.
QImage decodeIconEntry(const QByteArray& entry, QString* problem);

}  // namespace plenarvo::pictures::detail
