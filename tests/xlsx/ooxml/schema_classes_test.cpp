// The generated schema classes through the generic unmarshal and marshal: what is
// kept, what is refused with which code, cells, ordered choices, wildcards, copies.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cstring>
#include <random>
#include <string>

#include "support/ooxml_roots.h"

using namespace karvo::testing;

namespace {

const std::string kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";

std::string sheetXml(const std::string& sheetData, const std::string& rootExtra = "") {
    return "<worksheet xmlns=\"" + kMain + "\"" + rootExtra + "><sheetData>" + sheetData + "</sheetData></worksheet>";
}

template <class Root>
lmx::elmx_error read(Root& root, const std::string& xml, lmx::c_error* error = nullptr) {
    return root.unmarshal(xml.data(), xml.data() + xml.size(), error);
}

template <class Root>
std::string write(const Root& root) {
    std::string out;
    EXPECT_EQ(root.marshal(out), lmx::ELMX_OK);
    return out;
}

const sheet::c_CT_Row& firstRow(const sheet::c_worksheet& ws) { return *ws.sheetData->row.at(0); }

} // namespace

TEST(SchemaClasses, RowKeepsForeignAttributesAndDropsUnknownChildren) {
    sheet::c_worksheet ws;
    ASSERT_EQ(read(ws, sheetXml("<row r=\"3\" x14ac:dyDescent=\"0.25\" ht=\"15\"><mystery a=\"1\"><c r=\"Z9\"/></mystery>"
                                "<c r=\"B3\"><v>7</v></c></row>",
                                " xmlns:x14ac=\"urn:x14ac\"")),
              lmx::ELMX_OK);
    const sheet::c_CT_Row& row = firstRow(ws);
    ASSERT_TRUE(row.unclaimed);
    ASSERT_EQ(row.unclaimed->size(), 1u);
    EXPECT_EQ((*row.unclaimed)[0].first, "x14ac:dyDescent");
    EXPECT_EQ((*row.unclaimed)[0].second, "0.25");
    ASSERT_EQ(row.c.size(), 1u);  // the cell inside the unknown element is not read
    EXPECT_EQ(row.c[0].column(), 1);
    std::string out = write(ws);
    EXPECT_NE(out.find("x14ac:dyDescent=\"0.25\""), std::string::npos) << out;
    EXPECT_NE(out.find("xmlns:x14ac=\"urn:x14ac\""), std::string::npos) << out;
    EXPECT_EQ(out.find("mystery"), std::string::npos);
}

TEST(SchemaClasses, OptionalValuesAreWrittenOnlyWhenPresent) {
    sheet::c_worksheet ws;
    ASSERT_EQ(read(ws, sheetXml("<row r=\"1\"/>")), lmx::ELMX_OK);
    EXPECT_FALSE(firstRow(ws).ht.has());
    EXPECT_FALSE(firstRow(ws).hidden.get());  // the schema default
    EXPECT_EQ(write(ws).find("ht="), std::string::npos);
    ws.sheetData->row[0]->ht.set(15);
    EXPECT_NE(write(ws).find("ht=\"15\""), std::string::npos);
}

TEST(SchemaClasses, ExactTextOfASmallSheet) {
    sheet::c_worksheet ws;
    ASSERT_EQ(read(ws, sheetXml("<row r=\"2\" spans=\"1:2\"><c r=\"A2\" s=\"3\" t=\"s\"><v>0</v></c>"
                                "<c r=\"B2\"><f>A2+1</f><v>1</v></c></row>")),
              lmx::ELMX_OK);
    EXPECT_EQ(write(ws),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"\n"
              "\t\txmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">\n"
              "\t<sheetData>\n"
              "\t\t<row r=\"2\"\n"
              "\t\t\t\tspans=\"1:2\">\n"
              "\t\t\t<c r=\"A2\"\n"
              "\t\t\t\t\ts=\"3\"\n"
              "\t\t\t\t\tt=\"s\">\n"
              "\t\t\t\t<v>0</v>\n"
              "\t\t\t</c>\n"
              "\t\t\t<c r=\"B2\">\n"
              "\t\t\t\t<f>A2+1</f>\n"
              "\t\t\t\t<v>1</v>\n"
              "\t\t\t</c>\n"
              "\t\t</row>\n"
              "\t</sheetData>\n"
              "</worksheet>\n");
}

TEST(SchemaClasses, FailuresCarryTheirCodes) {
    const struct {
        const char* what;
        std::string xml;
        lmx::elmx_error code;
    } cases[] = {
        {"root in another namespace", "<worksheet xmlns=\"urn:other\"><sheetData/></worksheet>", lmx::ELMX_ELEMENT_NOT_FOUND},
        {"another root", "<workbook xmlns=\"" + kMain + "\"/>", lmx::ELMX_ELEMENT_NOT_FOUND},
        {"cell type outside the enumeration", sheetXml("<row><c r=\"A1\" t=\"date\"><v>1</v></c></row>"),
         lmx::ELMX_VALUE_NOT_ENUMERATED},
        {"style not a number", sheetXml("<row><c r=\"A1\" s=\"x\"><v>1</v></c></row>"), lmx::ELMX_VALUE_BAD_FORMAT},
        {"columns beyond XFD", sheetXml("<row><c r=\"XFD1\"/><c/></row>"), lmx::ELMX_VALUE_EXCEEDS_MAX},
        {"row number not a number", sheetXml("<row r=\"x\"/>"), lmx::ELMX_VALUE_BAD_FORMAT},
        {"required number too large", "<worksheet xmlns=\"" + kMain + "\"><cols><col min=\"1\" max=\"4294967296\"/></cols><sheetData/></worksheet>",
         lmx::ELMX_VALUE_EXCEEDS_MAX},
        {"boolean written yes", sheetXml("<row hidden=\"yes\"/>"), lmx::ELMX_VALUE_BAD_FORMAT},
        {"attribute twice", sheetXml("<row r=\"1\" r=\"2\"/>"), lmx::ELMX_ATTRIBUTE_ALREADY_READ},
        {"required attribute missing", "<worksheet xmlns=\"" + kMain + "\"><sheetData/><mergeCells><mergeCell/></mergeCells></worksheet>",
         lmx::ELMX_REQUIRED_ATTRIBUTES_MISSING},
        {"required element missing", "<worksheet xmlns=\"" + kMain + "\"/>", lmx::ELMX_MANDATORY_ELEMENT_MISSING},
    };
    for (const auto& c : cases) {
        sheet::c_worksheet ws;
        lmx::c_error error;
        EXPECT_EQ(read(ws, c.xml, &error), c.code) << c.what;
        EXPECT_EQ(error.code, c.code) << c.what;
        EXPECT_NE(error.program_file.find("sml-sheet"), std::string::npos) << c.what << ": " << error.program_file;
    }
}

TEST(SchemaClasses, OptionalNumbersBeyondTheirTypeAreLeftOut) {
    sheet::c_worksheet ws;
    ASSERT_EQ(read(ws, sheetXml("<row r=\"1\" outlineLevel=\"256\" s=\"4294967296\" ht=\"15\"/>")), lmx::ELMX_OK);
    const auto& row = *ws.sheetData->row.at(0);
    EXPECT_FALSE(row.outlineLevel.has());
    EXPECT_FALSE(row.s.has());
    EXPECT_EQ(row.ht.get(), 15.0);
}

TEST(SchemaClasses, CellsTakeTheirPlaceFromReferencesOrOrder) {
    sheet::c_worksheet ws;
    ASSERT_EQ(read(ws, sheetXml("<row r=\"4\"><c r=\"C4\"><v>1</v></c><c r=\"0\"><v>2</v></c></row>"
                                "<row><c><v>3</v></c><c r=\"AB5\" t=\"b\"><v>1</v></c></row>"
                                "<row r=\"9\"><c r=\"C9\"><v>3</v></c><c r=\"A9\"><v>1</v></c><c r=\"B9\"><v>2</v></c></row>")),
              lmx::ELMX_OK);
    const auto& rows = ws.sheetData->row;
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0]->c[1].column(), 3);  // a reference that names no cell counts as absent
    EXPECT_EQ(rows[1]->r.get(), 5u);  // implied by the row before
    EXPECT_EQ(rows[1]->c[0].column(), 0);
    EXPECT_EQ(rows[1]->c[1].column(), 27);
    EXPECT_EQ(rows[1]->c[1].type(), lmx::compact_cell::t_b);
    for (std::uint16_t i = 0; i < 3; ++i) {  // put in column order, values with them
        EXPECT_EQ(rows[2]->c[i].column(), i);
        EXPECT_EQ(rows[2]->c[i].value(), std::u16string(1, char16_t(u'1' + i)));
    }
    std::string out = write(ws);
    EXPECT_NE(out.find("<c r=\"D4\">"), std::string::npos) << out;
    EXPECT_NE(out.find("<row r=\"5\">"), std::string::npos) << out;
}

TEST(SchemaClasses, CellValuesKeepTheirExactText) {
    const char* texts[] = {"0", "-1.5E-300", "1234567890123456", "12345678901234567", "3.3333333333333335",
                           "#DIV/0!", "", "\xC3\xA9t\xC3\xA9 & <b>"};
    std::string row = "<row r=\"1\">";
    for (std::size_t i = 0; i < std::size(texts); ++i) row += "<c><v>" + std::string(i == 7 ? "\xC3\xA9t\xC3\xA9 &amp; &lt;b>" : texts[i]) + "</v></c>";
    row += "</row>";
    sheet::c_worksheet ws;
    ASSERT_EQ(read(ws, sheetXml(row)), lmx::ELMX_OK);
    const auto& cells = firstRow(ws).c;
    ASSERT_EQ(cells.size(), std::size(texts));
    for (std::size_t i = 0; i < std::size(texts); ++i) {
        std::string utf8;
        cells[i].append_value(utf8);
        EXPECT_EQ(utf8, texts[i]);
        EXPECT_TRUE(cells[i].has_value());
    }
    // Short number texts pack into the cell itself; longer ones move to the extra part.
    EXPECT_EQ(cells[2].extra(), nullptr);
    EXPECT_NE(cells[3].extra(), nullptr);
    sheet::c_worksheet again;
    std::string out = write(ws);
    ASSERT_EQ(read(again, out), lmx::ELMX_OK);
    EXPECT_EQ(write(again), out);
}

TEST(SchemaClasses, CellChildrenAndAttributesRoundTrip) {
    sheet::c_worksheet ws;
    ASSERT_EQ(read(ws, sheetXml("<row r=\"1\"><c r=\"A1\" cm=\"2\" ph=\"1\"><f t=\"shared\" ref=\"A1:A3\" si=\"0\">B1*2</f>"
                                "<v>4</v></c><c r=\"B1\" t=\"inlineStr\"><is><t xml:space=\"preserve\"> x </t></is></c>"
                                "<c r=\"C1\" t=\"inlineStr\"><is><r><t>run</t></r></is></c>"
                                "<c r=\"D1\" t=\"str\"><is><t>kept apart</t></is></c></row>")),
              lmx::ELMX_OK);
    const auto& cells = firstRow(ws).c;
    const sheet::c_CT_CellFormula* f = sheet::cell_f(cells[0]);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->value, u"B1*2");
    EXPECT_EQ(f->t.get(), u"shared");
    EXPECT_EQ(f->si.get(), 0u);
    // Plain inline text is held as the value text; runs, or another type, keep the object.
    EXPECT_EQ(sheet::cell_is(cells[1]), nullptr);
    EXPECT_TRUE(cells[1].value_is_inline_text());
    EXPECT_EQ(cells[1].value(), u" x ");
    ASSERT_NE(sheet::cell_is(cells[2]), nullptr);
    ASSERT_NE(sheet::cell_is(cells[3]), nullptr);
    EXPECT_FALSE(cells[3].has_value());
    std::string out = write(ws);
    EXPECT_NE(out.find("<is>\n\t\t\t\t\t<t xml:space=\"preserve\"> x </t>\n\t\t\t\t</is>"), std::string::npos) << out;
    EXPECT_EQ(out.find("<v> x </v>"), std::string::npos) << out;
    EXPECT_NE(out.find("<t>run</t>"), std::string::npos) << out;
    // A value set afterwards ends the inline text.
    sheet::c_worksheet copy;
    ASSERT_EQ(read(copy, out), lmx::ELMX_OK);
    lmx::compact_cell& inlineCell = copy.sheetData->row[0]->c[1];
    EXPECT_TRUE(inlineCell.value_is_inline_text());
    inlineCell.set_type(lmx::compact_cell::t_n);
    inlineCell.set_number(5);
    EXPECT_FALSE(inlineCell.value_is_inline_text());
    std::string changed = write(copy);
    EXPECT_NE(changed.find("<v>5</v>"), std::string::npos) << changed;
    EXPECT_EQ(changed.find(" x "), std::string::npos) << changed;
    EXPECT_NE(out.find("cm=\"2\""), std::string::npos) << out;
    EXPECT_NE(out.find("ph=\"true\""), std::string::npos) << out;
    EXPECT_NE(out.find("<t xml:space=\"preserve\"> x </t>"), std::string::npos) << out;
}

// Cells and string entries of the common shape are read by a shortcut; written
// with blanks the shortcut does not take, the same part must build the same tree.
TEST(SchemaClasses, CommonAndUnusualShapesBuildTheSameTree) {
    std::string cells;
    for (int row = 1; row <= 40; ++row) {
        cells += "<row r=\"" + std::to_string(row) + "\">";
        for (const char* col : {"A", "B", "C", "D"}) {
            std::string ref = col + std::to_string(row);
            std::string value = row % 3 ? std::to_string(row * 0.37) : std::to_string(row);
            const char* type = *col == 'C' ? " t=\"s\"" : *col == 'D' ? " t=\"b\"" : "";
            if (*col == 'D') value = std::to_string(row % 2);
            cells += "<c r=\"" + ref + "\" s=\"" + std::to_string(row % 5) + "\"" + type + "><v>" + value + "</v></c>";
        }
        cells += row % 4 ? "<c/>" : "<c r=\"Z" + std::to_string(row) + "\"></c>";
        cells += "</row>";
    }
    std::string unusual = cells;
    for (std::size_t at; (at = unusual.find("<c r=\"")) != std::string::npos;) unusual.replace(at, 6, "<c r = \"");
    sheet::c_worksheet common, walked;
    ASSERT_EQ(read(common, sheetXml(cells)), lmx::ELMX_OK);
    ASSERT_EQ(read(walked, sheetXml(unusual)), lmx::ELMX_OK);
    EXPECT_EQ(write(common), write(walked));
    EXPECT_EQ(common.sheetData->row[3]->c[4].column(), 25);  // Z4
    EXPECT_EQ(common.sheetData->row[4]->c[4].column(), 4);   // after D5

    const std::string entries = "<si><t>plain</t></si><si>\n\t<t>indented</t>\n</si><si/><si></si>"
                                "<si><t xml:space=\"preserve\"> kept </t></si><si><r><t>run</t></r></si>";
    std::string unusualEntries = entries;
    for (std::size_t at; (at = unusualEntries.find("<t>")) != std::string::npos;) unusualEntries.replace(at, 3, "<t >");
    auto sst = [&](const std::string& body) { return "<sst xmlns=\"" + kMain + "\">" + body + "</sst>"; };
    sharedStringTable::c_sst commonTable, walkedTable;
    ASSERT_EQ(read(commonTable, sst(entries)), lmx::ELMX_OK);
    ASSERT_EQ(read(walkedTable, sst(unusualEntries)), lmx::ELMX_OK);
    EXPECT_EQ(write(commonTable), write(walkedTable));
    ASSERT_EQ(commonTable.si.size(), 6u);
    EXPECT_EQ(commonTable.si.text(1), u"indented");
    EXPECT_FALSE(commonTable.si.is_text(2));  // no text at all, as written
    EXPECT_EQ(commonTable.si.text(4), u" kept ");
    ASSERT_FALSE(commonTable.si.is_text(5));
    EXPECT_EQ(commonTable.si.object(5).as<sharedStringTable::c_CT_Rst>()->r[0]->t, u"run");
    std::unique_ptr<sharedStringTable::c_sst> copy(commonTable.clone());
    copy->si.push_back(u"added");
    EXPECT_EQ(write(walkedTable), write(commonTable));
    EXPECT_EQ(copy->si.object(5).as<sharedStringTable::c_CT_Rst>()->r[0]->t, u"run");
    EXPECT_NE(copy->si.object(5).get(), commonTable.si.object(5).get());
}

TEST(SchemaClasses, CopiesAreDeep) {
    sheet::c_worksheet ws;
    ASSERT_EQ(read(ws, sheetXml("<row r=\"1\"><c r=\"A1\"><f>1+1</f><v>2</v></c></row>")), lmx::ELMX_OK);
    std::string before = write(ws);
    std::unique_ptr<sheet::c_worksheet> copy(ws.clone());
    EXPECT_EQ(write(*copy), before);
    sheet::cell_make_f(copy->sheetData->row[0]->c[0]).value = u"3+3";
    copy->sheetData->row[0]->c[0].set_value(u"6");
    copy->sheetData->row[0]->ht.set(30);
    EXPECT_EQ(write(ws), before);
    EXPECT_NE(write(*copy), before);
}

TEST(SchemaClasses, RepeatedChoiceKeepsDocumentOrder) {
    const std::string anchor = "<xdr:from><xdr:col>0</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>0</xdr:row>"
                               "<xdr:rowOff>0</xdr:rowOff></xdr:from>";
    const std::string two = "<xdr:twoCellAnchor>" + anchor + "<xdr:to><xdr:col>2</xdr:col><xdr:colOff>0</xdr:colOff>"
                            "<xdr:row>2</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:to><xdr:clientData/></xdr:twoCellAnchor>";
    const std::string one = "<xdr:oneCellAnchor>" + anchor + "<xdr:ext cx=\"1\" cy=\"2\"/><xdr:clientData/></xdr:oneCellAnchor>";
    const std::string xml = "<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\" "
                            "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\">" +
                            one + two + one + "</xdr:wsDr>";
    drawing::c_wsDr dr;
    ASSERT_EQ(read(dr, xml), lmx::ELMX_OK);
    ASSERT_EQ(dr.items.size(), 3u);
    EXPECT_NE(dr.items[0].object.as<drawing::c_CT_OneCellAnchor>(), nullptr);
    EXPECT_NE(dr.items[1].object.as<drawing::c_CT_TwoCellAnchor>(), nullptr);
    EXPECT_EQ(dr.items[1].object.as<drawing::c_CT_OneCellAnchor>(), nullptr);
    std::string out = write(dr);
    std::size_t first = out.find("oneCellAnchor"), second = out.find("twoCellAnchor");
    EXPECT_LT(first, second);
    EXPECT_NE(out.find("oneCellAnchor", second), std::string::npos);

    lmx::c_error error;
    drawing::c_wsDr bad;
    std::string negative = xml;
    negative.replace(negative.find("<xdr:col>0"), 10, "<xdr:col>-1");
    EXPECT_EQ(read(bad, negative, &error), lmx::ELMX_VALUE_EXCEEDS_MIN);
}

TEST(SchemaClasses, WildcardContentIsKeptAsText) {
    sheet::c_worksheet ws;
    // The prefix is declared on the extension element, which keeps no attributes
    // of its own: the kept fragment must carry the declaration itself.
    ASSERT_EQ(read(ws, "<worksheet xmlns=\"" + kMain + "\"><sheetData/><extLst>"
                       "<ext uri=\"{78C0D931}\" xmlns:x14=\"urn:x14\"><x14:item a=\"1\"><x14:inner>t</x14:inner></x14:item></ext></extLst></worksheet>"),
              lmx::ELMX_OK);
    ASSERT_TRUE(ws.extLst);
    ASSERT_EQ(ws.extLst->ext.size(), 1u);
    const auto& any = ws.extLst->ext[0]->any;
    ASSERT_EQ(any.size(), 1u);
    EXPECT_NE(any[0].find("<x14:inner>t</x14:inner>"), std::string::npos) << any[0];
    EXPECT_NE(any[0].find("xmlns:x14=\"urn:x14\""), std::string::npos) << any[0];
    std::string out = write(ws);
    sheet::c_worksheet again;
    ASSERT_EQ(read(again, out), lmx::ELMX_OK) << out;
    EXPECT_EQ(write(again), out);
}

TEST(SchemaClasses, CellsAreCompact) {
    EXPECT_EQ(sizeof(lmx::compact_cell), 16u);
    // A row with its members must fit a 96-byte heap block, so that a row of four
    // number cells costs at most 48 bytes a cell.
    EXPECT_LE(sizeof(sheet::c_CT_Row), 88u);
    // Number texts that pack keep no extra part and come back exactly as written.
    const struct {
        std::u16string text;
        bool packs;
    } values[] = {
        {u"", true},
        {u"-12345678.9E+12", true},
        {u"0.1428571428571428", true},      // the shortest text of its double
        {u"0.142857142857143", true},       // fifteen digits, as numbers are written
        {u"-1.2345678901234e-300", true},   // the same with an exponent
        {u"0.1000000000000000", false},     // fifteen digits that neither form writes
        {u"-1.7976931348623157e+308", true},
        {u"0.14285714285714280", false},    // a digit more than its double needs
        {u"1.5E+300x", false},
        {u"caf\u00E9", false},
    };
    for (const auto& v : values) {
        lmx::compact_cell cell;
        cell.set_value(v.text);
        std::string utf8;
        cell.append_value(utf8);
        EXPECT_EQ(cell.extra() == nullptr, v.packs) << utf8;
        EXPECT_EQ(cell.value(), v.text);
        lmx::compact_cell fromUtf8;
        ASSERT_TRUE(fromUtf8.set_value_utf8(utf8));
        EXPECT_EQ(fromUtf8.value(), v.text);
        cell.make_extra(nullptr); // a formula or inline string would move it there
        EXPECT_EQ(cell.value(), v.text);
    }
    // Decimal texts read as numbers without the parser must give what it gives.
    const struct {
        const char* text;
        bool held;
    } decimals[] = {{"0", true},   {"-0", true},     {"37000.1428571429", true}, {"123456789012345", true},
                    {".5", true},  {"5.", true},     {"-0.000000000001", true},  {"1234567890123456", false},
                    {"1E5", false}, {"+3", false},   {"1.2.3", false},           {"-", false},
                    {"007", true},  {"0.50", true},  {"-0.0", true},             {"0.05", true},
                    {"-0.", true},  {"00.5", true},  {"999999999999999", true},  {"0.000000000000001", true}};
    for (const auto& d : decimals) {
        lmx::compact_cell cell;
        ASSERT_TRUE(cell.set_value_utf8(d.text));
        std::string back;
        cell.append_value(back);
        EXPECT_EQ(back, d.text);
        std::optional<double> held = cell.held_number();
        EXPECT_EQ(held.has_value(), d.held) << d.text;
        double parsed = 0;
        std::from_chars(d.text, d.text + std::strlen(d.text), parsed);
        if (held) {
            EXPECT_EQ(std::bit_cast<std::uint64_t>(*held), std::bit_cast<std::uint64_t>(parsed)) << d.text;
        }
    }
    std::mt19937_64 rng(11);
    for (int i = 0; i < 20000; ++i) {
        std::string text = std::to_string(rng() % 1000000000000000ull);
        text.insert(rng() % (text.size() + 1), ".");
        if (rng() % 2) text.insert(0, "-");
        if (text.size() > 16) continue;
        lmx::compact_cell cell;
        ASSERT_TRUE(cell.set_value_utf8(text));
        double parsed = 0;
        std::from_chars(text.data(), text.data() + text.size(), parsed);
        ASSERT_TRUE(cell.held_number()) << text;
        ASSERT_EQ(std::bit_cast<std::uint64_t>(*cell.held_number()), std::bit_cast<std::uint64_t>(parsed)) << text;
        ASSERT_EQ(cell.value(), std::u16string(text.begin(), text.end()));
    }
    // String indexes are whole numbers without a sign, however they are held.
    const std::pair<const char*, std::optional<std::uint64_t>> indexes[] = {
        {"0", 0}, {"12", 12}, {"007", 7}, {"999999999999999", 999999999999999}, {"9999999999999999", 9999999999999999},
        {"-1", std::nullopt}, {"1.5", std::nullopt}, {"1.0", std::nullopt}, {"", std::nullopt}};
    for (const auto& [text, index] : indexes) {
        lmx::compact_cell cell;
        ASSERT_TRUE(cell.set_value_utf8(text));
        EXPECT_EQ(cell.held_digits(), index) << text;
    }
    // Numbers set as doubles read as the text they are written with.
    const struct {
        double number;
        std::u16string text;
    } numbers[] = {{0.1 + 0.2, u"0.3"}, {1.0 / 3, u"0.333333333333333"}, {-0.0, u"-0"}, {1e20, u"1e+20"},
                   {-999999999999999.0, u"-999999999999999"}, {1e15, u"1e+15"}, {2.5e-7, u"2.5e-07"}};
    for (const auto& n : numbers) {
        lmx::compact_cell cell;
        cell.set_number(n.number);
        EXPECT_EQ(cell.value(), n.text);
        EXPECT_EQ(cell.extra(), nullptr) << n.number;
        lmx::compact_cell withFormula;
        withFormula.make_extra(nullptr);
        withFormula.set_number(n.number);
        EXPECT_EQ(withFormula.value(), n.text);
    }
}

// Inputs fuzzing found to read but not to write back the same: each must now either
// fail cleanly or give a text that reads back to the same text.
TEST(SchemaClasses, OddInputsWriteWhatTheyRead) {
    const std::string r = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    const struct {
        const char* what;
        std::string xml;
        lmx::elmx_error code;
    } cases[] = {
        {"prefix declared twice", "<worksheet xmlns=\"" + kMain + "\" xmlns:r=\"urn:a\" xmlns:r=\"" + r + "\"><sheetData/></worksheet>",
         lmx::ELMX_ATTRIBUTE_ALREADY_READ},
        {"table prefix bound elsewhere", "<worksheet xmlns=\"" + kMain + "\" xmlns:r=\"urn:a\"><sheetData/></worksheet>", lmx::ELMX_OK},
        {"control character in a list", sheetXml("<row r=\"1\" spans=\"1:2\x0B 3:4\"/>"), lmx::ELMX_OK},
        {"control character after a trailing blank", sheetXml("<row r=\"1\"><c t=\"inlineStr\"><is><t>a \x01</t></is></c></row>"),
         lmx::ELMX_OK},
        {"control character in a kept declaration",
         "<worksheet xmlns=\"" + kMain + "\" xmlns:x=\"urn:\x01x\"><sheetData/><extLst><ext uri=\"u\">"
         "<q:a xmlns:q=\"urn:q\" xmlns:x=\"urn:x\" x:b=\"\x02\"/></ext></extLst></worksheet>", lmx::ELMX_OK},
        {"repeated foreign attribute", sheetXml("<row r=\"1\" a=\"1\" a=\"2\"/>"), lmx::ELMX_OK},
        {"kept fragment under a declaration holding '>'",
         "<worksheet xmlns=\"" + kMain + "\" xmlns:c=\">6\" xmlns:r=\"p\"><sheetData/><extLst><ext><V e=\"\"/></ext></extLst></worksheet>",
         lmx::ELMX_OK},
    };
    for (const auto& c : cases) {
        RoundTrip result;
        ASSERT_TRUE(roundTrip("worksheet", c.xml, result));
        EXPECT_EQ(result.code, c.code) << c.what << "\n" << result.report;
        if (c.code == lmx::ELMX_OK) {
            EXPECT_TRUE(result.stable) << c.what << "\n" << result.marshalled;
            EXPECT_TRUE(result.copyStable) << c.what;
        }
    }
}
