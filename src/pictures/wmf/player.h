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
// What drawing a whole file may cost, in pixels touched at the size drawn: every
// record is charged before it is drawn with an estimate of the pixels it touches
// (the box a fill covers, the area a line sweeps, the glyphs a text covers) plus a
// share for each point or rectangle it holds, weighted by what each kind costs to
// draw. Playing stops at the first record that would go over, and what came
// before stays. The benchmark in bench/hostile shows what the budget costs in time.
inline constexpr qint64 kDrawingBudget = 800'000'000;
// Weights: pixels swept by a line or glyph cost more than pixels of a plain fill.
inline constexpr qint64 kStrokePixelWeight = 4;
inline constexpr qint64 kTextPixelWeight = 8;
// Each point, curve segment or rectangle of a shape, region or clip.
inline constexpr qint64 kElementCost = 64;
// Each row of the image an edge of a filled shape or outline crosses: a scanline
// fill steps every edge across every row it spans. Each step costs more the more
// edges cross the same row: by one unit per edge antialiased (the cells of every
// edge are sorted), by one unit per this many edges without.
inline constexpr qint64 kEdgeRowCost = 30;
inline constexpr double kAliasedCrossingDivisor = 50;
// Pattern brushes keep their bitmaps in the object table: each is bounded, and so
// is what the table holds of them all together.
inline constexpr qint64 kMaxPatternPixels = 1024 * 1024;
inline constexpr qint64 kMaxPatternPixelsHeld = 16 * 1024 * 1024;

// What playing a file cost, for tests and benchmarks.
struct PlayStats {
    qint64 budget = kDrawingBudget;  // in: a smaller budget to play within
    qint64 spent = 0;                // budget used
    bool stopped = false;            // stopped by the budget before the end
    qint64 records = 0;              // records played
    qint64 patternPixels = 0;        // most pattern-brush pixels held at once
};

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
// the whole image. `pixelScale`: the image is drawn that many times larger than
// it will be shown (to be shrunk afterwards), so that one-pixel lines are that
// wide. False and *error set when the file is damaged before anything could be
// drawn.
bool play(const QByteArray& data, const Header& header, const Frame& frame, QImage& image,
          QString* error, double pixelScale = 1, PlayStats* stats = nullptr);

}  // namespace plenarvo::pictures::wmf
