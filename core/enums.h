// enums.h - the enumerations that cross the library interfaces. Their numeric
// values are the binary format's own codes and are used by both book families.
#pragma once

#include <cstdint>

namespace karvo {

enum CellType : int { CellEmpty = 0, CellNumber = 1, CellString = 2, CellBoolean = 3, CellBlank = 4, CellError = 5 };

enum ErrorType : int {
    ErrorNull = 0x00,        // #NULL!
    ErrorDiv0 = 0x07,        // #DIV/0!
    ErrorValue = 0x0F,       // #VALUE!
    ErrorRef = 0x17,         // #REF!
    ErrorName = 0x1D,        // #NAME?
    ErrorNum = 0x24,         // #NUM!
    ErrorNA = 0x2A,          // #N/A
    ErrorUnknown = 0xFF
};

enum AlignH : int {
    AlignHGeneral, AlignHLeft, AlignHCenter, AlignHRight, AlignHFill, AlignHJustify,
    AlignHMerge,  // center across selection
    AlignHDistributed
};

enum AlignV : int { AlignVTop, AlignVCenter, AlignVBottom, AlignVJustify, AlignVDistributed };

enum BorderStyle : int {
    BorderNone, BorderThin, BorderMedium, BorderDashed, BorderDotted, BorderThick, BorderDouble, BorderHair,
    BorderMediumDashed, BorderDashDot, BorderMediumDashDot, BorderDashDotDot, BorderMediumDashDotDot,
    BorderSlantDashDot
};

enum BorderDiagonal : int { BorderDiagonalNone, BorderDiagonalDown, BorderDiagonalUp, BorderDiagonalBoth };

enum FillPattern : int {
    FillNone, FillSolid, FillGray50, FillGray75, FillGray25, FillHorizontalStripe, FillVerticalStripe,
    FillReverseDiagonalStripe, FillDiagonalStripe, FillDiagonalCrosshatch, FillThickDiagonalCrosshatch,
    FillThinHorizontalStripe, FillThinVerticalStripe, FillThinReverseDiagonalStripe, FillThinDiagonalStripe,
    FillThinHorizontalCrosshatch, FillThinDiagonalCrosshatch, FillGray12P5, FillGray6P25
};

enum Underline : int {
    UnderlineNone = 0, UnderlineSingle = 1, UnderlineDouble = 2,
    UnderlineSingleAccounting = 0x21, UnderlineDoubleAccounting = 0x22
};

enum Script : int { ScriptNormal, ScriptSuper, ScriptSub };

enum SheetState : int { SheetVisible, SheetHidden, SheetVeryHidden };

/// A palette index (binary books, and XML books in palette mode) or a packed
/// 0xRRGGBB value (XML books in RGB mode).
enum Color : std::uint32_t {
    ColorPaletteFirst = 8,
    ColorPaletteLast = 63,
    ColorSystemForeground = 64,
    ColorSystemBackground = 65,
    ColorAutomaticFont = 0x7FFF
};

enum PictureType : int {
    PictureTypePng, PictureTypeJpeg, PictureTypeWmf, PictureTypeDib, PictureTypeEmf, PictureTypePict,
    PictureTypeTiff, PictureTypeError = 0xFF
};

/// Number-format ids below this are built in; custom ids of both families stop at the maximum.
constexpr int kFirstCustomNumFormatBinary = 164;
constexpr int kFirstCustomNumFormatXml = 166;
constexpr int kLastCustomNumFormat = 392;

} // namespace karvo
