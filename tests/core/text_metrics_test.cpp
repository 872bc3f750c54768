// Digit widths: the pixel widths the display gives for common faces at 96 DPI.
#include <gtest/gtest.h>

#include <string>

#include "core/text_metrics.h"

using namespace karvo;

TEST(TextMetrics, DigitWidthsOfKnownFacesAndTheFallback) {
    // em in pixels = points * 4 / 3; width = em * digit advance, rounded once.
    const struct {
        std::u16string_view face;
        int points;
        int pixels;
    } cases[] = {
        {u"Arial", 10, 7},             // the default fonts of both families
        {u"Calibri", 11, 7},
        {u"Arial", 11, 8},             // 14.67 * 0.556 = 8.16
        {u"Arial", 20, 15},            // 26.67 * 0.556 = 14.83
        {u"Calibri", 20, 14},          // 26.67 * 0.507 = 13.52
        {u"Courier New", 10, 8},       // 13.33 * 0.600 = 8.00
        {u"Times New Roman", 12, 8},   // 16.00 * 0.500
        {u"Verdana", 10, 8},           // 13.33 * 0.636 = 8.48
        {u"Helvetica", 18, 13},        // 24.00 * 0.556 = 13.34
        {u"DejaVu Sans", 10, 8},       // 13.33 * 0.636
        {u"Liberation Sans", 400, 297}, // 533.3 * 0.556 = 296.6
        {u"COURIER NEW", 10, 8},       // names match without regard to case
        {u"courier new", 10, 8},
        {u"Wingdings", 30, 7},         // unknown faces and sizes fall back to 7
        {u"Courier New ", 30, 7},      // not trimmed
        {u"", 30, 7},
        {u"Courier New", 0, 7},
        {u"Courier New", -12, 7},
    };
    for (const auto& c : cases)
        EXPECT_EQ(maxDigitWidth(c.face, c.points), c.pixels)
            << std::string(c.face.begin(), c.face.end()) << ' ' << c.points;
}
