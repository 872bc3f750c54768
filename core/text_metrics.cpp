// text_metrics.cpp - digit widths from the fonts' own advance widths.
#include "core/text_metrics.h"

#include <algorithm>
#include <cmath>

namespace karvo {

namespace {

constexpr int kFallbackWidth = 7;
constexpr double kPixelsPerPoint = 96.0 / 72.0;

// The advance of the widest digit as a fraction of the em, taken from each face's
// horizontal metrics (font units over units per em). The faces that spreadsheets
// default to have tabular digits, so the widest digit is every digit. Where a face
// has a metric-compatible free twin (Liberation Sans for Arial, Liberation Serif
// for Times New Roman, Liberation Mono for Courier New, Carlito for Calibri,
// Caladea for Cambria) the twin's advances are the same numbers.
struct FaceMetrics {
    std::u16string_view face; // lower case
    double digitEm;
};
constexpr FaceMetrics kFaces[] = {
    {u"arial", 1139.0 / 2048},           {u"liberation sans", 1139.0 / 2048},
    {u"helvetica", 556.0 / 1000},        {u"calibri", 1038.0 / 2048},
    {u"times new roman", 1024.0 / 2048}, {u"courier new", 1229.0 / 2048},
    {u"verdana", 1302.0 / 2048},         {u"tahoma", 1118.0 / 2048},
    {u"cambria", 517.0 / 1000},          {u"dejavu sans", 1303.0 / 2048},
};

bool sameFace(std::u16string_view a, std::u16string_view lower) {
    auto fold = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c; };
    return a.size() == lower.size() &&
           std::equal(a.begin(), a.end(), lower.begin(), [&](char16_t x, char16_t y) { return fold(x) == y; });
}

} // namespace

int maxDigitWidth(std::u16string_view face, int points) {
    if (points <= 0) return kFallbackWidth;
    auto it = std::find_if(std::begin(kFaces), std::end(kFaces), [&](const FaceMetrics& m) { return sameFace(face, m.face); });
    if (it == std::end(kFaces)) return kFallbackWidth;
    // Rounded once, at the end: rounding the em to whole pixels first would make
    // Calibri 11 pt 8 pixels wide, where the display measures 7.
    return static_cast<int>(std::lround(points * kPixelsPerPoint * it->digitEm));
}

} // namespace karvo
