// The runtime's message table and the text of an error report.
#include <gtest/gtest.h>

#include "xlsx/lmx/xml_error.h"

using namespace lmx;

TEST(XmlError, MessagesComeFromOneTable) {
    const std::pair<int, const char*> cases[] = {
        {0, "No Error"},
        {5, "XML badly formed"},
        {15, "Mis-match between specified char encoding and read bytes"},
        {38, "Value does not match enumerations"},
        {46, "min/max occurs error on marshaling"},
        {1000, "User defined error 1"},
        {1008, "User defined error 9"},
        {47, ""},
        {999, ""},
        {1009, ""},
        {-1, ""},
    };
    for (const auto& [code, message] : cases) EXPECT_STREQ(elmx_error_message(elmx_error(code)), message) << code;
}

TEST(XmlError, ReportNamesItemProgramAndLine) {
    c_error ok;
    EXPECT_EQ(ok.report(), "Error: No Error\n");

    c_error e;
    e.code = ELMX_VALUE_NOT_ENUMERATED;
    e.item = "t";
    e.program_file = "sml-sheet3";
    e.program_line = 160;
    e.xml_line = 12;
    EXPECT_EQ(e.report(),
              "Error: Value does not match enumerations\nItem: t\nProgram file: sml-sheet3\nProgram line: 160\n"
              "XML line: 12\n");
    e.xml_line = -1;
    EXPECT_EQ(e.report().find("XML line"), std::string::npos);
}

TEST(XmlError, FirstErrorStands) {
    struct probe : c_xml {
        int current_xml_line() const override { return 7; }
    } x;
    x.set_program("unit", 3);
    EXPECT_EQ(x.fail(ELMX_BAD_DTD, "first"), ELMX_BAD_DTD);
    EXPECT_EQ(x.handle_error(ELMX_NOT_WELL_FORMED, "second", "other", 9), ELMX_NOT_WELL_FORMED);
    EXPECT_EQ(x.error().code, ELMX_BAD_DTD);
    EXPECT_EQ(x.error().item, "first");
    EXPECT_EQ(x.error().program_file, "unit");
    EXPECT_EQ(x.error().program_line, 3);
    EXPECT_EQ(x.error().xml_line, 7);
}
