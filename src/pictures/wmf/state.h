#pragma once

// The drawing state of a metafile being played: the objects its records create
// and select, and everything a saved state keeps.

#include "records.h"

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPointF>
#include <QSizeF>
#include <QString>

#include <variant>
#include <vector>

namespace plenarvo::pictures::wmf {

struct Pen {
    int style = PenSolid;
    int width = 0;
    QColor color = Qt::black;
};

struct Brush {
    int style = BrushSolid;
    QColor color = Qt::white;
    int hatch = 0;
    QImage pattern;
};

struct Font {
    int height = 0;
    int width = 0;
    int escapement = 0;
    int weight = kNormalWeight;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    int charset = 0;
    int pitchAndFamily = 0;
    QString face;
};

struct Palette {
    std::vector<QColor> colors;
};

struct Region {
    QPainterPath path;  // logical units
};

// One slot of the object table; empty slots are free.
using Object = std::variant<std::monostate, Pen, Brush, Font, Palette, Region>;

// Everything a saved state keeps.
struct State {
    int mapMode = MmAnisotropic;
    QPointF windowOrg;
    QSizeF windowExt;
    QPointF viewportOrg;
    QSizeF viewportExt;
    bool viewportOrgSet = false;
    bool viewportExtSet = false;
    Pen pen;
    Brush brush;
    Font font;
    QColor bkColor = Qt::white;
    QColor textColor = Qt::black;
    bool opaqueBk = true;
    int textAlign = kAlignLeft | kAlignTop;
    bool winding = false;
    int rop2 = Rop2CopyPen;
    QPointF current;
    bool clipped = false;
    QPainterPath clip;  // target pixels
};

// Logical units to the inch of a map mode with a fixed scale; 0 when the window
// and viewport set the scale.
double unitsPerInchOf(int mapMode);

}  // namespace plenarvo::pictures::wmf
