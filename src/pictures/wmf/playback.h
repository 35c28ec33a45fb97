#pragma once

// The player that draws a metafile's records one at a time. Its members live in
// one file per concern: the dispatch (player.cpp), the drawing state and object
// table (objects.cpp), the mapping of logical units (mapping.cpp), pens and
// brushes (pens.cpp), shapes, regions and clipping (shapes.cpp), text
// (text_out.cpp), bitmaps and raster operations (raster.cpp) and what drawing
// costs (budget.cpp).

#include "bytes.h"
#include "player.h"
#include "state.h"

#include <QBrush>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QPolygonF>
#include <QRectF>
#include <QTransform>

#include <optional>
#include <vector>

namespace plenarvo::pictures::wmf {

class Player {
public:
    Player(const Header& header, const Frame& frame, QImage& image, double pixelScale,
           qint64 budget);

    // Plays one record; `in` holds its parameters.
    void record(uint16_t function, Reader in);

    bool overBudget() const { return spent_ > budget_; }
    qint64 spent() const { return spent_; }
    qint64 patternPixelsHeld() const { return patternPixelsPeak_; }

private:
    // Drawing state and object table.
    QColor color(uint32_t ref) const;
    void setBkColor(Reader& in);
    void setBkMode(Reader& in);
    void setTextColor(Reader& in);
    void setTextAlign(Reader& in);
    void setPolyFillMode(Reader& in);
    void setRop2(Reader& in);
    void saveDc();
    void restoreDc(Reader& in);
    void addObject(Object object);
    void createPen(Reader& in);
    void createBrush(Reader& in);
    void createPatternBrush(Reader& in, bool withBitmap);
    void createFont(Reader& in);
    void createPalette(Reader& in);
    void createRegion(Reader& in);
    void selectObject(Reader& in);
    void selectPalette(Reader& in);
    void deleteObject(Reader& in);

    // Mapping of logical units onto the image.
    void updateTransform();
    void setMapMode(Reader& in);
    void setOrigin(uint16_t function, Reader& in);  // window/viewport origins and extents
    void scaleExtent(uint16_t function, Reader& in);

    // Pens and brushes.
    QPen pen() const;
    QBrush brush() const;
    double penPixels() const;  // the width in image pixels a pen draws

    // Shapes, regions and clipping.
    void shape(const QPainterPath& path, bool fill);
    void polyline(const QPolygonF& points);
    static QPolygonF readPoints(Reader& in, int count);
    static QRectF readRect(Reader& in);  // bottom, right, top, left as the records store them
    QPainterPath arcPath(Reader& in, int kind);
    void moveTo(Reader& in);
    void lineTo(Reader& in);
    void polyOrLine(uint16_t function, Reader& in);
    void polyPolygon(Reader& in);
    void rectOrEllipse(uint16_t function, Reader& in);
    void roundRect(Reader& in);
    void arc(uint16_t function, Reader& in);
    void setPixel(Reader& in);
    void paintRegion(uint16_t function, Reader& in);
    void applyClip();
    void setClip(const QPainterPath& devicePath);
    void selectClipRegion(Reader& in);
    void clipRect(uint16_t function, Reader& in);
    void offsetClip(Reader& in);

    // Text.
    // The font that draws `f` at its size on the image; nothing when that size is
    // too small to see or far larger than the image.
    std::optional<QFont> fontFor(const Font& f, bool symbol) const;
    void text(QPointF at, const QByteArray& bytes, const std::vector<int>& dx, int options,
              const QRectF* box);
    // Draws `string` from `start`, each character at its offset when there are any.
    void drawCharacters(QPointF start, const QString& string, const std::vector<double>& offsets);
    void textOut(Reader& in);
    void extTextOut(Reader& in);

    // Bitmaps and raster operations.
    QImage bitmap(const Reader& in, bool paletteIndices, qint64 maxPixels);
    // The composition that draws a pen or brush under `rop2`; `otherwise` for a
    // plain copy and the operations drawn as one.
    static QPainter::CompositionMode rop2Composition(int rop2, QPainter::CompositionMode otherwise);
    void blit(uint32_t rop, const QRectF& dest, const QImage& image, QRectF source);
    void patBlt(Reader& in);
    void stretchDib(Reader& in);
    void dibBlt(uint16_t function, Reader& in);
    void setDiBits(Reader& in);

    // What drawing costs.
    bool pay(qint64 cost);
    qint64 coverage(const QRectF& device) const;
    qint64 edgeWork(const QPainterPath& path, const QTransform& transform, bool antialiased) const;
    qint64 swept(const QPainterPath& path, double width) const;
    qint64 patternPixels() const;
    void trackPatterns();

    bool canDraw() const { return transformOk_ && !overBudget() && state_.rop2 != Rop2Nop; }

    const Frame& frame_;
    QImage& image_;
    QPainter painter_;
    State state_;
    std::vector<State> saved_;
    std::vector<Object> objects_;
    Palette palette_;
    QTransform toTarget_;
    bool transformOk_ = true;
    qint64 budget_;
    qint64 spent_ = 0;
    double pixelScale_ = 1;
    qint64 patternPixelsPeak_ = 0;
};

}  // namespace plenarvo::pictures::wmf
