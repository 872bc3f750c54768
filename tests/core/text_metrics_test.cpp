// Digit widths: the pixel widths the display gives for common faces at 96 DPI.
#include <gtest/gtest.h>

#include "core/text_metrics.h"

using namespace karvo;

TEST(TextMetrics, DefaultFontsOfBothFamiliesAreSevenPixels) {
    EXPECT_EQ(maxDigitWidth(u"Arial", 10), 7);
    EXPECT_EQ(maxDigitWidth(u"Calibri", 11), 7);
}

TEST(TextMetrics, KnownFacesScaleWithTheSize) {
    // em in pixels = points * 4 / 3; width = em * digit advance, rounded once.
    EXPECT_EQ(maxDigitWidth(u"Arial", 11), 8);            // 14.67 * 0.556 = 8.16
    EXPECT_EQ(maxDigitWidth(u"Arial", 20), 15);           // 26.67 * 0.556 = 14.83
    EXPECT_EQ(maxDigitWidth(u"Calibri", 20), 14);         // 26.67 * 0.507 = 13.52
    EXPECT_EQ(maxDigitWidth(u"Courier New", 10), 8);      // 13.33 * 0.600 = 8.00
    EXPECT_EQ(maxDigitWidth(u"Times New Roman", 12), 8);  // 16.00 * 0.500
    EXPECT_EQ(maxDigitWidth(u"Verdana", 10), 8);          // 13.33 * 0.636 = 8.48
    EXPECT_EQ(maxDigitWidth(u"Helvetica", 18), 13);       // 24.00 * 0.556 = 13.34
    EXPECT_EQ(maxDigitWidth(u"DejaVu Sans", 10), 8);      // 13.33 * 0.636
    EXPECT_EQ(maxDigitWidth(u"Liberation Sans", 400), 297); // 533.3 * 0.556 = 296.6
}

TEST(TextMetrics, FaceNamesMatchWithoutRegardToCase) {
    EXPECT_EQ(maxDigitWidth(u"COURIER NEW", 10), 8);
    EXPECT_EQ(maxDigitWidth(u"courier new", 10), 8);
}

TEST(TextMetrics, UnknownFaceOrSizeFallsBackToSeven) {
    EXPECT_EQ(maxDigitWidth(u"Wingdings", 30), 7);
    EXPECT_EQ(maxDigitWidth(u"Courier New ", 30), 7); // not trimmed
    EXPECT_EQ(maxDigitWidth(u"", 30), 7);
    EXPECT_EQ(maxDigitWidth(u"Courier New", 0), 7);
    EXPECT_EQ(maxDigitWidth(u"Courier New", -12), 7);
}
