// Picture data: the type from the first bytes and the size from the image header.
#include <gtest/gtest.h>

#include "core/xlerror.h"
#include "support/error_of.h"
#include "support/test_images.h"
#include "core/picture_info.h"

using namespace karvo;
using karvo::testing::errorOf;

namespace {

using Bytes = std::vector<std::uint8_t>;

// SOI, an APP0 JFIF segment of 16 bytes, a DQT segment of 4 bytes, then SOF0: length
// 17, precision 8, height 30, width 40.
const Bytes kJpeg = {0xFF, 0xD8,                                                           // SOI
                     0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0, // APP0
                     0xFF, 0xDB, 0x00, 0x04, 0, 0,                                         // DQT
                     0xFF, 0xC0, 0x00, 0x11, 8, 0x00, 0x1E, 0x00, 0x28, 3};                // SOF0

// A placeable WMF header: box -10,-20 to 710,340 in units of 720 per inch.
const Bytes kWmf = {0xD7, 0xCD, 0xC6, 0x9A, 0, 0, 0xF6, 0xFF, 0xEC, 0xFF, 0xC6, 0x02, 0x54, 0x01, 0xD0, 0x02,
                    0, 0, 0, 0, 0, 0};

TEST(PictureInfo, TellsTheTypeByTheFirstBytes) {
    EXPECT_EQ(recognisePicture(karvo::testing::makePng(1, 1)), PictureTypePng);
    EXPECT_EQ(recognisePicture(kJpeg), PictureTypeJpeg);
    EXPECT_EQ(recognisePicture(kWmf), PictureTypeWmf);
    EXPECT_EQ(recognisePicture(karvo::testing::makeBmp(1, 1)), PictureTypeDib);
    for (std::uint8_t headerSize : {12, 0x28, 0x40, 0x6C, 0x7C})
        EXPECT_EQ(recognisePicture(Bytes{headerSize, 0, 0, 0, 0}), PictureTypeDib) << int(headerSize);

    Bytes exif = kJpeg;
    exif[3] = 0xE1;  // an EXIF JPEG
    EXPECT_EQ(recognisePicture(exif), PictureTypeError);
    EXPECT_EQ(recognisePicture(Bytes{0x89, 'P', 'N', 'G'}), PictureTypeError);  // four bytes are too few
    EXPECT_EQ(recognisePicture(Bytes{'G', 'I', 'F', '8', '9', 'a'}), PictureTypeError);
    EXPECT_EQ(recognisePicture(Bytes{}), PictureTypeError);
}

TEST(PictureInfo, ReadsTheSizeFromTheHeader) {
    EXPECT_EQ(pictureSize(PictureTypePng, karvo::testing::makePng(100, 50)), (PixelSize{100, 50}));
    EXPECT_EQ(pictureSize(PictureTypeJpeg, kJpeg), (PixelSize{40, 30}));
    EXPECT_EQ(pictureSize(PictureTypeDib, karvo::testing::makeBmp(40, 30)), (PixelSize{40, 30}));
    // Without its file header, and with a negative height (rows top down).
    Bytes bmp = karvo::testing::makeBmp(7, 5);
    Bytes info(bmp.begin() + 14, bmp.end());
    info[8] = 0xFB, info[9] = info[10] = info[11] = 0xFF;  // height -5
    EXPECT_EQ(pictureSize(PictureTypeDib, info), (PixelSize{7, 5}));
    const Bytes core = {12, 0, 0, 0, 0x20, 0x00, 0x10, 0x00, 1, 0, 24, 0};  // core header: 32 x 16
    EXPECT_EQ(pictureSize(PictureTypeDib, core), (PixelSize{32, 16}));
    EXPECT_EQ(pictureSize(PictureTypeWmf, kWmf), (PixelSize{96, 48}));  // 720 by 360 units at 96 per inch
}

TEST(PictureInfo, HeadersCutShortGiveNoSize) {
    Bytes png = karvo::testing::makePng(9, 9);
    EXPECT_EQ(pictureSize(PictureTypePng, Bytes(png.begin(), png.begin() + 20)), PixelSize{});
    EXPECT_EQ(pictureSize(PictureTypeJpeg, Bytes(kJpeg.begin(), kJpeg.end() - 3)), PixelSize{});
    EXPECT_EQ(pictureSize(PictureTypeWmf, Bytes(kWmf.begin(), kWmf.begin() + 15)), PixelSize{});
    EXPECT_EQ(errorOf([&] { pictureSize(PictureTypeJpeg, Bytes{0xFF, 0xD9, 0xFF, 0xE0, 0}); }), "invalid jpg file");
}

} // namespace
