#pragma once

#include "bytes.h"

#include <QByteArray>
#include <QImage>
#include <QRectF>
#include <QString>

namespace plenarvo::pictures::wmf {

// Limits that keep a damaged or hostile file from costing unbounded time or memory.
inline constexpr qint64 kMaxRecords = 2'000'000;
inline constexpr int kMaxObjects = 16384;
inline constexpr int kMaxSavedStates = 1024;
// Points, pixels of bitmaps and characters drawn, summed over the whole file.
inline constexpr qint64 kDrawingBudget = 200'000'000;

// What a quick look over the records tells before playing them: the logical
// rectangle the picture occupies and how many logical units make an inch.
struct Frame {
    QRectF rect;
    double unitsPerInch = 1440;
};

// The frame of a metafile: the placeable header's box, or else the window that
// the first records set up.
Frame findFrame(const QByteArray& data, const Header& header);

// Plays the records onto `image` (already sized and cleared), mapping `frame` onto
// the whole image. False and *error set when the file is damaged before anything
// could be drawn.
bool play(const QByteArray& data, const Header& header, const Frame& frame, QImage& image,
          QString* error);

}  // namespace plenarvo::pictures::wmf
