#pragma once

// The records of a metafile and the numbers their parameters use.

#include <cstdint>

namespace plenarvo::pictures::wmf {

// The records the renderer knows, by their function number.
enum Function : uint16_t {
    Eof = 0x0000,
    SetBkColor = 0x0201,
    SetBkMode = 0x0102,
    SetMapMode = 0x0103,
    SetRop2 = 0x0104,
    SetPolyFillMode = 0x0106,
    SetStretchBltMode = 0x0107,
    SetTextColor = 0x0209,
    SetWindowOrg = 0x020B,
    SetWindowExt = 0x020C,
    SetViewportOrg = 0x020D,
    SetViewportExt = 0x020E,
    OffsetWindowOrg = 0x020F,
    ScaleWindowExt = 0x0410,
    OffsetViewportOrg = 0x0211,
    ScaleViewportExt = 0x0412,
    LineTo = 0x0213,
    MoveTo = 0x0214,
    ExcludeClipRect = 0x0415,
    IntersectClipRect = 0x0416,
    Arc = 0x0817,
    Ellipse = 0x0418,
    Pie = 0x081A,
    Rectangle = 0x041B,
    RoundRect = 0x061C,
    PatBlt = 0x061D,
    SaveDc = 0x001E,
    SetPixel = 0x041F,
    OffsetClipRgn = 0x0220,
    TextOut = 0x0521,
    Polygon = 0x0324,
    Polyline = 0x0325,
    RestoreDc = 0x0127,
    FillRegion = 0x0228,
    FrameRegion = 0x0429,
    PaintRegion = 0x012B,
    SelectClipRegion = 0x012C,
    SelectObject = 0x012D,
    SetTextAlign = 0x012E,
    Chord = 0x0830,
    ExtTextOut = 0x0A32,
    SetDiBitsToDevice = 0x0D33,
    SelectPalette = 0x0234,
    PolyPolygon = 0x0538,
    DibBitBlt = 0x0940,
    DibStretchBlt = 0x0B41,
    DibCreatePatternBrush = 0x0142,
    StretchDib = 0x0F43,
    DeleteObject = 0x01F0,
    CreatePalette = 0x00F7,
    CreatePatternBrush = 0x01F9,
    CreatePenIndirect = 0x02FA,
    CreateFontIndirect = 0x02FB,
    CreateBrushIndirect = 0x02FC,
    CreateRegion = 0x06FF,
};

// Whether a record puts something on the page (rather than setting state up).
constexpr bool isDrawing(uint16_t function) {
    switch (function) {
        case LineTo:
        case Arc:
        case Ellipse:
        case Pie:
        case Rectangle:
        case RoundRect:
        case PatBlt:
        case SetPixel:
        case TextOut:
        case Polygon:
        case Polyline:
        case FillRegion:
        case FrameRegion:
        case PaintRegion:
        case Chord:
        case ExtTextOut:
        case SetDiBitsToDevice:
        case PolyPolygon:
        case DibBitBlt:
        case DibStretchBlt:
        case StretchDib:
            return true;
        default:
            return false;
    }
}

// How logical units map to the page.
enum MapMode : int {
    MmText = 1,
    MmLoMetric,
    MmHiMetric,
    MmLoEnglish,
    MmHiEnglish,
    MmTwips,
    MmIsotropic,
    MmAnisotropic
};

// How a pen or brush combines with the pixels already there.
enum Rop2 : int {
    Rop2Black = 1,
    Rop2Not = 6,  // inverts what is there
    Rop2Xor = 7,
    Rop2Mask = 9,
    Rop2Nop = 11,  // draws nothing
    Rop2CopyPen = 13,
    Rop2Merge = 15,
};

// How a bit-block transfer combines the source, the brush and what is there.
enum Rop3 : uint32_t {
    RopBlackness = 0x00000042,
    RopNotSrcErase = 0x001100A6,
    RopNotSrcCopy = 0x00330008,
    RopSrcErase = 0x00440328,
    RopDstInvert = 0x00550009,
    RopSrcInvert = 0x00660046,
    RopSrcAnd = 0x008800C6,
    RopDstCopy = 0x00AA0029,  // leaves what is there alone
    RopSrcCopy = 0x00CC0020,
    RopSrcPaint = 0x00EE0086,
    RopPatCopy = 0x00F00021,
    RopWhiteness = 0x00FF0062,
};

// Text alignment: where the reference point sits on the text.
inline constexpr int kAlignUpdateCp = 0x0001;  // text starts at, and moves, the current point
inline constexpr int kAlignHorizontal = 0x0006;
inline constexpr int kAlignLeft = 0x0000;
inline constexpr int kAlignRight = 0x0002;
inline constexpr int kAlignCenter = 0x0006;
inline constexpr int kAlignVertical = 0x0018;
inline constexpr int kAlignTop = 0x0000;
inline constexpr int kAlignBottom = 0x0008;
inline constexpr int kAlignBaseline = 0x0018;

// Options of an extended text record.
inline constexpr int kTextOpaque = 0x0002;   // the box is filled with the background
inline constexpr int kTextClipped = 0x0004;  // the text is clipped to the box
inline constexpr int kTextHasBox = kTextOpaque | kTextClipped;

// Pen styles, their line ends and their joins.
inline constexpr int kPenStyle = 0x000F;
enum PenStyle : int { PenSolid, PenDash, PenDot, PenDashDot, PenDashDotDot, PenNull };
inline constexpr int kPenEndCap = 0x0F00;
inline constexpr int kPenEndCapSquare = 0x0100;
inline constexpr int kPenEndCapFlat = 0x0200;
inline constexpr int kPenJoin = 0xF000;
inline constexpr int kPenJoinBevel = 0x1000;
inline constexpr int kPenJoinMiter = 0x2000;

// Brush styles.
enum BrushStyle : int {
    BrushSolid,
    BrushNull,
    BrushHatched,
    BrushPattern,
    BrushIndexed,
    BrushDibPattern,
    BrushDibPatternPt,
};

// The font's family, in the high half of its pitch-and-family byte.
inline constexpr int kFontFamily = 0xF0;
enum FontFamily : int {
    FamilyRoman = 0x10,
    FamilySwiss = 0x20,
    FamilyModern = 0x30,
    FamilyScript = 0x40,
    FamilyDecorative = 0x50,
};
inline constexpr int kNormalWeight = 400;
// The character set whose glyphs sit at the Symbol font's code points.
inline constexpr int kSymbolCharset = 2;

inline constexpr int kBkModeOpaque = 2;
inline constexpr int kFillModeWinding = 2;
// A bitmap whose colour table holds indices into the selected palette.
inline constexpr int kDibPaletteColours = 1;
// The high byte of a colour reference that names a palette entry.
inline constexpr uint32_t kPaletteIndexRef = 1;

}  // namespace plenarvo::pictures::wmf
