// Content types, relationships and part names of a package.
#include <gtest/gtest.h>

#include <string>

#include "xlsx/content_types.h"
#include "xlsx/part_names.h"
#include "xlsx/relationships.h"

namespace karvo::xlsx {
namespace {

TEST(PartNames, NormalFormsAndTargets) {
    struct Case {
        const char16_t* folder;
        const char16_t* target;
        const char16_t* part;
    };
    const Case cases[] = {
        {u"/xl", u"worksheets/sheet1.xml", u"/xl/worksheets/sheet1.xml"},
        {u"/xl/worksheets", u"../drawings/drawing1.xml", u"/xl/drawings/drawing1.xml"},
        {u"/xl/drawings", u"../media/image1.png", u"/xl/media/image1.png"},
        {u"/xl", u"/xl/styles.xml", u"/xl/styles.xml"},
        {u"", u"xl/workbook.xml", u"/xl/workbook.xml"},
        {u"/xl", u"../../../../etc/passwd", u"/etc/passwd"},  // never above the package root
        {u"/xl", u"a\\b\\.\\c.xml", u"/xl/a/b/c.xml"},
        {u"/xl", u"a//b.xml", u"/xl/a/b.xml"},
    };
    for (const Case& c : cases) EXPECT_EQ(std::u16string(c.part), resolveTarget(c.folder, c.target));
    EXPECT_EQ(u"/xl/worksheets/sheet1.xml", normalisePartName(u"xl\\worksheets\\sheet1.xml"));
    EXPECT_EQ(u"/xl/_rels/workbook.xml.rels", relationshipsPartName(u"/xl/workbook.xml"));
    EXPECT_EQ(u"/_rels/a.xml.rels", relationshipsPartName(u"/a.xml"));
    EXPECT_EQ(u"worksheets/sheet2.xml", targetFor(u"/xl", u"/xl/worksheets/sheet2.xml"));
    EXPECT_EQ(u"/other/sheet2.xml", targetFor(u"/xl", u"/other/sheet2.xml"));
    EXPECT_FALSE(PartNameLess()(u"/XL/Workbook.xml", u"/xl/workbook.xml"));
    EXPECT_FALSE(PartNameLess()(u"/xl/workbook.xml", u"/XL/Workbook.xml"));
    EXPECT_TRUE(PartNameLess()(u"/[Content_Types].xml", u"/_rels/.rels"));
}

TEST(ContentTypes, LookupAddAndRemove) {
    const std::string xml =
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"png\" ContentType=\"image/png\"/>"
        "<Override PartName=\"/xl/workbook.xml\" ContentType=\"main\"/></Types>";
    ContentTypes types(xml.data(), xml.size());
    EXPECT_EQ(u"image/png", types.contentType(u"/XL/Media/Image1.PNG"));
    EXPECT_EQ(u"main", types.contentType(u"xl\\Workbook.xml"));
    EXPECT_EQ(u"", types.contentType(u"/xl/x.bin"));
    EXPECT_EQ(u"", types.contentType(u"/xl.d/noextension"));
    types.addOverride(u"/XL/WORKBOOK.XML", u"other");
    EXPECT_EQ(u"main", types.contentType(u"/xl/workbook.xml"));  // the first entry stays
    types.addDefault(u"rels", u"r");
    types.removeOverride(u"/xl/workbook.xml");
    EXPECT_EQ(u"", types.contentType(u"/xl/workbook.xml"));
    std::string buffer, written;
    types.write(buffer, [&written](std::string_view piece) { written.append(piece); });
    ContentTypes reread(written.data(), written.size());
    EXPECT_EQ(u"r", reread.contentType(u"/_rels/.rels"));
    EXPECT_EQ(u"", reread.contentType(u"/xl/workbook.xml"));
    EXPECT_THROW(ContentTypes(nullptr, 0), xlerror);
}

TEST(Relationships, IdsTargetsAndRemoval) {
    const char16_t* type = u"http://x/worksheet";
    const std::string xml =
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId2\" Type=\"http://x/worksheet\" Target=\"a.xml\"/>"
        "<Relationship Id=\"rId9\" Type=\"http://x/worksheet\" Target=\"b.xml\" TargetMode=\"External\"/>"
        "<Relationship Id=\"xyz\" Type=\"http://x/other\" Target=\"c.xml\"/></Relationships>";
    Relationships rels(xml.data(), xml.size());
    EXPECT_EQ(u"rId10", rels.add(type, u"d.xml"));
    EXPECT_EQ(u"a.xml", rels.target(type));
    EXPECT_EQ((std::vector<std::u16string>{u"a.xml", u"b.xml", u"d.xml"}), rels.targets(type));
    EXPECT_EQ(u"c.xml", rels.targetById(u"xyz"));
    EXPECT_TRUE(rels.isExternal(u"rId9"));
    EXPECT_FALSE(rels.isExternal(u"rId2"));
    rels.removeById(u"rId10");
    rels.removeByTarget(u"a.xml");
    EXPECT_EQ(u"rId10", rels.add(type, u"e.xml"));  // the largest id in use is 9
    EXPECT_EQ(u"", rels.target(u"http://x/none"));

    Relationships empty;
    EXPECT_EQ(u"rId1", empty.add(type, u"x.xml"));
}

} // namespace
} // namespace karvo::xlsx
