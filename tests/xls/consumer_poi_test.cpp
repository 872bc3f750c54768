// A book with pictures and comments that we write, read by an independent reader (Apache
// POI): it must list the same pictures with the same anchors and the same comments.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/book_factory.h"
#include "core/utf_convert.h"
#include "support/python_script.h"
#include "support/test_images.h"

using namespace karvo;
using karvo::testing::runCommand;

namespace {

const char* const kJars[] = {"/usr/share/java/poi.jar", "/usr/share/java/commons-collections4.jar",
                             "/usr/share/java/commons-math3.jar", "/usr/share/java/commons-codec.jar"};

std::string classPath() {
    std::string path;
    for (const char* jar : kJars) path += std::string(path.empty() ? "" : ":") + jar;
    return path;
}

std::string missingTool() {
    for (const char* tool : {"/usr/bin/java", "/usr/bin/javac"})
        if (!std::filesystem::exists(tool)) return tool;
    for (const char* jar : kJars)
        if (!std::filesystem::exists(jar)) return jar;
    return {};
}

int add(IBook& book, const std::vector<std::uint8_t>& data) {
    return book.addPictureData(reinterpret_cast<const char*>(data.data()), data.size());
}

TEST(ConsumerPoi, SeesOurPicturesAndComments) {
    if (std::string missing = missingTool(); !missing.empty())
        GTEST_SKIP() << missing << " is missing: Apache POI check skipped";
    std::filesystem::path dir = std::filesystem::temp_directory_path() / "karvo_poi_check";
    std::filesystem::create_directories(dir);
    int status = 0;
    std::string built = runCommand("/usr/bin/javac -cp " + classPath() + " -d '" + dir.string() +
                                       "' " KARVO_TESTS_DIR "/xls/PoiDrawingDump.java",
                                   status);
    ASSERT_EQ(status, 0) << built;

    IBook* book = createBinaryBook();
    ISheet* pictures = book->addSheet(u"Pictures", nullptr);
    ISheet* more = book->addSheet(u"More", nullptr);
    int png = add(*book, karvo::testing::makePng(100, 50));
    int bmp = add(*book, karvo::testing::makeBmp(40, 30));
    // Columns of 64 pixels, rows of 17. 100 x 50 at B2: 36 pixels into C (576/1024), 16 into
    // row 4 (240/256). 80 x 40 at D6 offset by 10, 5 (160/1024, 75/256): 26 into E (416),
    // 11 into row 8 (165). Half size at A1: 50 into A (800), 8 into row 2 (120).
    pictures->placePictureScaled(1, 1, png, 1.0, 0, 0);
    pictures->placePictureSized(5, 3, bmp, 80, 40, 10, 5);
    more->placePictureScaled(0, 0, png, 0.5, 0, 0);
    pictures->writeComment(0, 0, u"First comment", u"Ann", 0, 0);
    more->writeComment(2, 2, u"Zweiter Kommentar \u00FC", nullptr, 200, 100);
    std::string path = (dir / "pictures.xls").string();
    ASSERT_TRUE(book->save(utf8ToUtf16(path).c_str())) << book->errorMessage();
    book->release();

    std::string seen = runCommand(
        "/usr/bin/java -cp " + classPath() + ":'" + dir.string() + "' PoiDrawingDump '" + path + "'", status);
    std::filesystem::remove_all(dir);
    ASSERT_EQ(status, 0) << seen;
    const std::uint32_t bmpDib = 40 + (40 * 3) * 30;  // the bitmap without its file header
    EXPECT_EQ(seen, "pictures 2\n"
                    "  png " + std::to_string(karvo::testing::makePng(100, 50).size()) + " bytes\n"
                    "  dib " + std::to_string(bmpDib) + " bytes\n"
                    "sheet Pictures\n"
                    "  picture 1 at 1,1+0,0 to 3,2+576,240\n"
                    "  picture 2 at 5,3+160,75 to 7,4+416,165\n"
                    "  comment 0,0 by Ann: First comment\n"
                    "sheet More\n"
                    "  picture 1 at 0,0+0,0 to 1,0+800,120\n"
                    "  comment 2,2 by karvo: Zweiter Kommentar \xC3\xBC\n");
}

} // namespace
