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

// The size a BMP file's headers claim, when the headers are sound. *error says
// why not.
std::optional<QSize> bmpSize(const QByteArray& file, QString* error);

// Decodes a whole BMP file. A null image when it cannot.
//
// Every decoder here sets *error, when given, to why it failed; the picture
// library logs it and tells the user that the picture is damaged.
QImage decodeBmp(const QByteArray& file, QString* error);

// Whether a BMP file can be decoded straight at `target` by decodeBmpShrunk: its
// rows are stored uncompressed and `target` is no larger than the bitmap.
bool canShrinkWhileReading(const QByteArray& file, QSize target);

// Decodes a BMP file that canShrinkWhileReading allows straight at `target`, a
// row at a time, without ever holding it at full size. A null image when it
// cannot.
QImage decodeBmpShrunk(const QByteArray& file, QSize target, QString* error);

// Decodes a bitmap without its file header (info header, colour table, pixels),
// as metafile records carry it, to opaque pixels. `paletteIndices`: the colour
// table holds palette indices, shown as greys. Bitmaps of more than `maxPixels`
// are refused.
QImage decodePackedDib(const QByteArray& dib, bool paletteIndices, qint64 maxPixels,
                       QString* error);

// Decodes one icon entry: a PNG, or a bitmap of twice its height followed by its
// transparency mask.
QImage decodeIconEntry(const QByteArray& entry, QString* error);

}  // namespace plenarvo::pictures::detail
