// The binary sheet's record substream: loading, saving, order, size checks and what is kept raw.
#include <gtest/gtest.h>

#include "core/xlerror.h"
#include "support/error_of.h"
#include "support/fake_sheet_host.h"
#include "support/record_bytes.h"
#include "xls/sheet_impl.h"

using namespace karvo;
using namespace karvo::testing;

namespace {

// A worksheet BOF: vers 0x0600, dt 0x0010, rupBuild 6355, rupYear 1997, bfh 1, sfo 6.
const Bytes kBof = {0x00, 0x06, 0x10, 0x00, 0xD3, 0x18, 0xCD, 0x07, 0x01, 0x00, 0x00, 0x00, 0x06, 0x00, 0x00, 0x00};
// The same for a chart substream (dt 0x0020).
const Bytes kChartBof = {0x00, 0x06, 0x20, 0x00, 0xD3, 0x18, 0xCD, 0x07, 0x01, 0x00, 0x00, 0x00, 0x06, 0x00, 0x00, 0x00};
constexpr std::uint16_t kEof = 0x000A;

// A formula's cached results: a double, or a type byte with 0xFFFF in the last two bytes.
const Bytes kResultTwo = {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x40}; // 2.0
const Bytes kResultString = {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF};
const Bytes kResultTrue = {0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0xFF, 0xFF};
const Bytes kResultDiv0 = {0x02, 0x00, 0x07, 0x00, 0x00, 0x00, 0xFF, 0xFF};
const Bytes kResultEmpty = {0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF};

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// A Formula body at (row, 0), XF 15, flags 0, chn 0, with the given result and tokens.
Bytes formulaBody(std::uint8_t row, const Bytes& result, const Bytes& expression) {
    return concat({{row, 0x00, 0x00, 0x00, 0x0F, 0x00}, result, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, expression});
}
// cce 5, PtgExp to row r, column 0: the cell uses the shared formula of (r, 0).
Bytes ptgExp(std::uint8_t row) { return {0x05, 0x00, 0x01, row, 0x00, 0x00, 0x00}; }
// cce 3, PtgInt 1.
const Bytes kOwnFormula = {0x03, 0x00, 0x1E, 0x01, 0x00};

class SheetStream : public ::testing::Test {
protected:
    void load(SheetImplT& s, const Bytes& stream, std::uint16_t biff = 0x0600) {
        RecordReader in(stream);
        s.load(in, biff);
    }
    std::string loadError(const Bytes& stream, std::uint16_t biff = 0x0600) {
        SheetImplT s(host, u"Bad");
        return karvo::testing::errorOf([&] { load(s, stream, biff); });
    }
    Bytes saved(SheetImplT& s) {
        RecordWriter out;
        s.save(out);
        return out.stream();
    }
    std::vector<RecordSpec> savedRecords(SheetImplT& s) { return recordsOf(saved(s)); }
    static std::vector<Bytes> bodiesOf(const std::vector<RecordSpec>& records, std::uint16_t id) {
        std::vector<Bytes> out;
        for (const RecordSpec& r : records)
            if (r.id == id) out.push_back(r.body);
        return out;
    }

    FakeSheetHost host;
    SheetImplT sheet{host, u"Sheet1"};
};

TEST_F(SheetStream, ANewSheetWithOneNumberWritesTheShortestSubstream) {
    sheet.writeNumber(0, 0, 1.0, nullptr);
    auto records = savedRecords(sheet);
    std::vector<std::uint16_t> ids;
    for (const RecordSpec& r : records) ids.push_back(r.id);
    const std::vector<std::uint16_t> expected = {
        0x0809,                                                         // BOF
        0x020B,                                                         // Index
        0x000D, 0x000C, 0x000F, 0x0011, 0x0010, 0x005F,                 // CalcMode .. CalcSaveRecalc
        0x002A, 0x002B, 0x0082, 0x0080, 0x0225, 0x0081,                 // PrintRowCol .. WsBool
        0x0014, 0x0015, 0x0083, 0x0084, 0x00A1,                         // Header, Footer, HCenter, VCenter, Setup
        0x0055,                                                         // DefColWidth
        0x0200,                                                         // Dimensions
        0x027E,                                                         // RK
        0x023E, 0x001D, 0x00EF,                                         // Window2, Selection, PhoneticInfo
        0x000A};                                                        // EOF
    EXPECT_EQ(ids, expected);
    EXPECT_EQ(records[0].body, kBof);
    EXPECT_EQ(records[1].body, Bytes({0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0})); // rows 0 to 3, no DBCells
    // Dimensions: rows 0 to 1, columns 0 to 1.
    EXPECT_EQ(records[20].body, Bytes({0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0}));
    // RK: A1, XF 15, the high half of 1.0.
    EXPECT_EQ(records[21].body, Bytes({0, 0, 0, 0, 15, 0, 0x00, 0x00, 0xF0, 0x3F}));
    EXPECT_EQ(records[22].body, Bytes({0xB6, 0x04, 0, 0, 0, 0, 64, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(records[23].body, Bytes({3, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(records[24].body, Bytes({0, 0, 0x37, 0, 0, 0}));
    EXPECT_EQ(records[18].body.size(), 34u); // Setup
}

TEST_F(SheetStream, AdjacentEqualColumnsShareOneColInfo) {
    sheet.setColumns(1, 1, 15.0, nullptr, false);
    sheet.setColumns(2, 2, 15.0, nullptr, false);
    sheet.setColumns(4, 4, 15.0, nullptr, false);
    sheet.setColumns(6, 6, 15.0, nullptr, true); // same width, other options
    sheet.setColumns(5, 5, 15.0, nullptr, false);
    auto colInfos = bodiesOf(savedRecords(sheet), 0x007D);
    // 15 characters: 110 pixels, 4023 units (0x0FB7).
    const std::vector<Bytes> expected = {
        {1, 0, 2, 0, 0xB7, 0x0F, 0, 0, 0, 0, 0, 0},
        {4, 0, 5, 0, 0xB7, 0x0F, 0, 0, 0, 0, 0, 0},
        {6, 0, 6, 0, 0xB7, 0x0F, 0, 0, 1, 0, 0, 0}};
    EXPECT_EQ(colInfos, expected);
}

TEST_F(SheetStream, MulRkAndMulBlankComeBackAsSingleCells) {
    Bytes mulRk = {2, 0, 1, 0,                         // row 2, first column 1
                   15, 0, 0x00, 0x00, 0xF0, 0x3F,      // XF 15, 1.0
                   16, 0, 0xEE, 0xFF, 0xFF, 0xFF,      // XF 16, integer -5
                   17, 0, 0xEF, 0x01, 0x00, 0x00,      // XF 17, 123 / 100
                   3, 0};                              // last column 3
    Bytes mulBlank = {4, 0, 0, 0, 20, 0, 21, 0, 1, 0}; // row 4, columns 0-1, XF 20 and 21
    load(sheet, streamOf({{0x0809, kBof}, {0x00BD, mulRk}, {0x00BE, mulBlank}, {kEof, {}}}));
    EXPECT_EQ(sheet.readNumber(2, 1, nullptr), 1.0);
    EXPECT_EQ(sheet.readNumber(2, 2, nullptr), -5.0);
    EXPECT_EQ(sheet.readNumber(2, 3, nullptr), 1.23);
    EXPECT_EQ(sheet.cellType(4, 1), CellBlank);
    auto records = savedRecords(sheet);
    EXPECT_EQ(bodiesOf(records, 0x00BD).size(), 0u);
    EXPECT_EQ(bodiesOf(records, 0x00BE).size(), 0u);
    const std::vector<Bytes> rks = {{2, 0, 1, 0, 15, 0, 0x00, 0x00, 0xF0, 0x3F},
                                    {2, 0, 2, 0, 16, 0, 0xEE, 0xFF, 0xFF, 0xFF},
                                    {2, 0, 3, 0, 17, 0, 0xEF, 0x01, 0x00, 0x00}};
    EXPECT_EQ(bodiesOf(records, 0x027E), rks);
    EXPECT_EQ(bodiesOf(records, 0x0201), (std::vector<Bytes>{{4, 0, 0, 0, 20, 0}, {4, 0, 1, 0, 21, 0}}));
}

TEST_F(SheetStream, ColInfoRecordsBecomeOneEntryPerColumn) {
    Bytes wide = {0x00, 0x00, 0x2C, 0x01, 0x00, 0x10, 0x0F, 0x00, 0x00, 0x00, 0x00, 0x00}; // columns 0-300, width 4096
    Bytes again = {0x05, 0x00, 0x05, 0x00, 0x00, 0x20, 0x10, 0x00, 0x01, 0x00, 0x00};      // column 5, hidden; 11 bytes
    Bytes reversed = {0x09, 0x00, 0x08, 0x00, 0x00, 0x20, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00}; // 9 to 8: skipped
    load(sheet, streamOf({{0x0809, kBof}, {0x007D, wide}, {0x007D, again}, {0x007D, reversed}, {kEof, {}}}));
    ASSERT_EQ(sheet.data().columns.size(), 256u);
    EXPECT_EQ(sheet.data().columns[5], (ColEntry{5, 5, 0x2000, 16, 1, 0}));
    EXPECT_EQ(sheet.data().columns[255], (ColEntry{255, 255, 0x1000, 15, 0, 0}));
    EXPECT_TRUE(sheet.columnIsHidden(5));
    auto colInfos = bodiesOf(savedRecords(sheet), 0x007D);
    const std::vector<Bytes> expected = {{0, 0, 4, 0, 0x00, 0x10, 15, 0, 0, 0, 0, 0},
                                         {5, 0, 5, 0, 0x00, 0x20, 16, 0, 1, 0, 0, 0},
                                         {6, 0, 255, 0, 0x00, 0x10, 15, 0, 0, 0, 0, 0}};
    EXPECT_EQ(colInfos, expected);
    EXPECT_EQ(loadError(streamOf({{0x0809, kBof}, {0x007D, Bytes(10, 0)}, {kEof, {}}})), "ColInfo size is incorrect");
}

// A hostile sheet of 160,000 ColInfo records, each reaching from its column to the
// last: loading costs the records, not the records times the columns they span.
TEST_F(SheetStream, ManyWideColInfoRecordsLoadQuickly) {
    constexpr int kRecords = 160000; // 625 rounds of starting columns 0 to 255
    Bytes stream = streamOf({{0x0809, kBof}});
    for (int i = 0; i < kRecords; ++i) {
        const auto width = static_cast<std::uint16_t>(i);
        addRecord(stream, 0x007D, {std::uint8_t(i % 256), 0, 0xFF, 0, std::uint8_t(width), std::uint8_t(width >> 8), 15, 0,
                                   0, 0, 0, 0});
    }
    addRecord(stream, kEof, {});
    load(sheet, stream);
    // Column c is last reached by the record of the final round that starts at c.
    const auto& columns = sheet.data().columns;
    ASSERT_EQ(columns.size(), 256u);
    for (std::uint16_t c = 0; c < 256; ++c)
        EXPECT_EQ(columns[c], (ColEntry{c, c, std::uint16_t(kRecords - 256 + c), 15, 0, 0}));
}

TEST_F(SheetStream, StructuralFailures) {
    EXPECT_EQ(loadError(streamOf({{0x0809, {0x00, 0x06, 0x10, 0x00, 0x00, 0x00}}})), "Bof size is incorrect");
    EXPECT_EQ(loadError(streamOf({{0x0809, kBof}, {0x0006, {0x01, 0x00}}, {kEof, {}}})),
              "error in record FormulaBlock"); // a 2-byte marker not followed by a formula
}

// Named variants of well-formed records, each broken in one way.
TEST_F(SheetStream, SizeChecksNameTheRecord) {
    auto with = [&](std::uint16_t id, const Bytes& body) { return loadError(streamOf({{0x0809, kBof}, {id, body}, {kEof, {}}})); };
    EXPECT_EQ(with(0x000D, {1}), "CalcMode size is incorrect");
    EXPECT_EQ(with(0x0010, {0, 0, 0, 0}), "CalcDelta size is incorrect");
    EXPECT_EQ(with(0x0080, {0, 0, 0, 0, 0, 0}), "Guts size is incorrect");
    EXPECT_EQ(with(0x0208, Bytes(15, 0)), "Row size is incorrect");
    EXPECT_EQ(with(0x027E, Bytes(9, 0)), "RK size is incorrect");
    EXPECT_EQ(with(0x0203, Bytes(10, 0)), "Number size is incorrect");
    EXPECT_EQ(with(0x00FD, Bytes(8, 0)), "LabelSst size is incorrect");
    EXPECT_EQ(with(0x0006, Bytes(21, 0)), "Formula size is incorrect");
    EXPECT_EQ(with(0x0200, Bytes(10, 0)), "Dimensions size is incorrect");
    EXPECT_EQ(with(0x023E, Bytes(10, 0)), "Window2 size is incorrect");
    EXPECT_EQ(with(0x00A1, Bytes(30, 0)), "Setup size is incorrect");
    EXPECT_EQ(with(0x0204, {0, 0, 0, 0, 15, 0, 5, 0, 0, 'a'}), "Label size is incorrect"); // 5 characters claimed, 1 held
}

TEST_F(SheetStream, CountsAreCheckedAgainstTheRecord) {
    auto with = [&](std::uint16_t id, const Bytes& body) { return loadError(streamOf({{0x0809, kBof}, {id, body}, {kEof, {}}})); };
    // MergeCells: 1000 ranges claimed, one held.
    EXPECT_EQ(with(0x00E5, {0xE8, 0x03, 0, 0, 1, 0, 0, 0, 1, 0}), "MergeCells size is incorrect");
    // Selection: two references claimed, one held.
    EXPECT_EQ(with(0x001D, {3, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0}), "Selection size is incorrect");
    // PhoneticInfo: one range claimed, none held.
    EXPECT_EQ(with(0x00EF, {0, 0, 0x37, 0, 1, 0}), "PhoneticInfo size is incorrect");
    // HorizontalPageBreaks: 0xFFFF breaks claimed, one held.
    EXPECT_EQ(with(0x001B, {0xFF, 0xFF, 5, 0, 0, 0, 0xFF, 0}), "HorizontalPageBreaks size is incorrect");
    // MulRk: a pair cut short.
    EXPECT_EQ(with(0x00BD, {0, 0, 0, 0, 15, 0, 0, 0, 0, 0}), "MulRk size is incorrect");
    EXPECT_EQ(with(0x00BE, {0, 0, 0, 0, 15}), "MulBlank size is incorrect");
}

// What some producers write beyond the format loads: surplus bytes after the fields are
// ignored, stray records of id 0 are skipped, and row-locating records that do not add
// up are dropped. What is saved has the format's sizes.
TEST_F(SheetStream, SurplusAndStrayRecordsAreTolerated) {
    auto longer = [](Bytes body) {
        body.insert(body.end(), {0xAB, 0xCD, 0xEF, 0x01});
        return body;
    };
    const Bytes number = {1, 0, 2, 0, 0x0F, 0, 0, 0, 0, 0, 0, 0, 0x24, 0x40};      // C2 = 10.0
    const Bytes label = {2, 0, 0, 0, 0x0F, 0, 2, 0, 0, 'h', 'i'};                  // A3 = "hi"
    const Bytes row = {1, 0, 0, 0, 3, 0, 0x2C, 0x01, 0, 0, 0, 0, 0x40, 0x00, 0x0F, 0}; // 15 points
    const Bytes colInfo = {4, 0, 4, 0, 0x00, 0x20, 0x0F, 0, 1, 0, 0, 0};           // column E hidden
    const Bytes setting = {1, 0};                                                   // CalcMode
    load(sheet, streamOf({{0x0809, kBof},
                          {0x0203, longer(number)},
                          {0x0000, {}},
                          {0x0204, longer(label)},
                          {0x0208, longer(row)},
                          {0x007D, longer(colInfo)},
                          {0x000D, longer(setting)},
                          {0x020B, Bytes(18, 0)}, // Index: a DBCell position cut short
                          {0x00D7, Bytes(5, 0)},  // DBCell: a row offset cut short
                          {0x0809, kChartBof},
                          {0x0000, Bytes(10, 0)},
                          {kEof, {}},
                          {kEof, {}}}));
    EXPECT_EQ(sheet.readNumber(1, 2, nullptr), 10.0);
    EXPECT_EQ(std::u16string(sheet.readString(2, 0, nullptr)), u"hi");
    EXPECT_EQ(sheet.rowHeight(1), 15.0);
    EXPECT_TRUE(sheet.columnIsHidden(4));
    auto records = savedRecords(sheet);
    EXPECT_EQ(bodiesOf(records, 0x0203), (std::vector<Bytes>{number}));
    EXPECT_EQ(bodiesOf(records, 0x0204), (std::vector<Bytes>{label}));
    EXPECT_EQ(bodiesOf(records, 0x0208), (std::vector<Bytes>{row}));
    EXPECT_EQ(bodiesOf(records, 0x000D), (std::vector<Bytes>{setting}));
    EXPECT_EQ(bodiesOf(records, 0x020B).at(0).size(), 16u);
    EXPECT_EQ(bodiesOf(records, 0x0000).size(), 0u);
    EXPECT_EQ(bodiesOf(records, 0x0809).size(), 2u) << "the chart substream is kept";
}

TEST_F(SheetStream, CellsTheSheetCannotHoldAreSkipped) {
    host.sst.add(u"only");
    Bytes number = {0, 0, 0x2C, 0x01, 15, 0, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F}; // column 300
    Bytes labelSst = {1, 0, 0, 0, 21, 0, 9, 0, 0, 0};                      // string 9 of a 1-string table
    Bytes good = {2, 0, 0, 0, 15, 0, 0, 0, 0, 0};                          // string 0
    load(sheet, streamOf({{0x0809, kBof}, {0x0203, number}, {0x00FD, labelSst}, {0x00FD, good}, {kEof, {}}}));
    EXPECT_EQ(sheet.cellType(0, 255), CellEmpty);
    EXPECT_EQ(sheet.cellType(1, 0), CellBlank);
    EXPECT_EQ(sheet.cellFormat(1, 0), host.format(21));
    EXPECT_EQ(std::u16string(sheet.readString(2, 0, nullptr)), u"only");
    EXPECT_EQ(host.sst.totalCount(), 1u);
}

TEST_F(SheetStream, UnknownRecordsAreWrittenAfterPhoneticInfo) {
    Bytes array = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}; // an Array record that follows no formula
    load(sheet, streamOf({{0x0809, kBof}, {0x0221, array}, {0x0999, {7}}, {kEof, {}}}));
    auto ids = idsOf(saved(sheet));
    ASSERT_GE(ids.size(), 4u);
    EXPECT_EQ((std::vector<std::uint16_t>(ids.end() - 4, ids.end())),
              (std::vector<std::uint16_t>{0x00EF, 0x0221, 0x0999, kEof}));
}

TEST_F(SheetStream, AChartSheetIsWrittenBackRecordForRecord) {
    Bytes chart = streamOf({{0x0809, kChartBof},
                            {0x1033, {}},                 // BEGIN
                            {0x1002, Bytes(16, 0xAB)},    // CHART
                            {0x003C, {1, 2, 3}},          // a CONTINUE kept with the record before it
                            {0x0809, kChartBof},          // a nested substream
                            {kEof, {}},
                            {0x1034, {}},                 // END
                            {kEof, {}}});
    load(sheet, chart);
    EXPECT_EQ(sheet.bofType(), 0x0020);
    EXPECT_EQ(saved(sheet), chart);
}

TEST_F(SheetStream, AnEmbeddedChartStaysInTheDrawingBlock) {
    // A drawing of two shapes: the chart's, whose client data its Obj and substream
    // follow, and a text box's, whose client text box its TxO follows.
    const Bytes shapes = {0x0F, 0x00, 0x02, 0xF0, 56, 0, 0, 0,                      // OfficeArtDgContainer
                          0x10, 0x00, 0x08, 0xF0, 8, 0, 0, 0, 2, 0, 0, 0, 1, 4, 0, 0, // OfficeArtFDG
                          0x0F, 0x00, 0x03, 0xF0, 32, 0, 0, 0,                      // OfficeArtSpgrContainer
                          0x0F, 0x00, 0x04, 0xF0, 8, 0, 0, 0,                       // OfficeArtSpContainer
                          0x00, 0x00, 0x11, 0xF0, 0, 0, 0, 0};                      // OfficeArtClientData
    const Bytes textBox = {0x0F, 0x00, 0x04, 0xF0, 8, 0, 0, 0,   // OfficeArtSpContainer
                           0x00, 0x00, 0x0D, 0xF0, 0, 0, 0, 0};  // OfficeArtClientTextbox
    const Bytes note = {0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 0, 'a', 0};  // A1, hidden, Obj 2, author "a"
    Bytes stream = streamOf({{0x0809, kBof},
                             {0x00EC, shapes},                    // MsoDrawing
                             {0x005D, {0x15, 0x00, 0x12, 0x00}},  // Obj
                             {0x0809, kChartBof},                 // the chart's substream
                             {0x1002, Bytes(4, 1)},
                             {kEof, {}},
                             {0x00EC, textBox},                   // MsoDrawing
                             {0x01B6, Bytes(18, 0)},              // TxO
                             {0x003C, {0x00, 'x'}},               // its text
                             {0x001C, note},                      // Note
                             {0x023E, Bytes(18, 0)},              // Window2
                             {kEof, {}}});
    load(sheet, stream);
    auto ids = idsOf(saved(sheet));
    auto window2 = std::find(ids.begin(), ids.end(), 0x023E);
    ASSERT_NE(window2, ids.end());
    const std::vector<std::uint16_t> drawing = {0x00EC, 0x005D, 0x0809, 0x1002, kEof, 0x00EC, 0x01B6, 0x003C, 0x001C};
    EXPECT_EQ(std::vector<std::uint16_t>(window2 - 9, window2), drawing);
}

TEST_F(SheetStream, FormulaCellsKeepTheirGroupAndReportTheirResult) {
    Bytes shrFmla = {0, 0, 1, 0, 0, 0, 0, 2, 3, 0, 0x1E, 0x01, 0x00}; // rows 0-1, column 0, PtgInt 1
    Bytes text = {2, 0, 0, 'h', 'i'};                                  // "hi"
    load(sheet, streamOf({{0x0809, kBof},
                          {0x0006, formulaBody(0, kResultString, ptgExp(0))},
                          {0x04BC, shrFmla},
                          {0x0207, text},
                          {0x0006, formulaBody(1, kResultTwo, ptgExp(0))},
                          {0x0006, formulaBody(2, kResultTrue, kOwnFormula)},
                          {0x0006, formulaBody(3, kResultDiv0, kOwnFormula)},
                          {0x0006, formulaBody(4, kResultEmpty, kOwnFormula)},
                          {kEof, {}}}));
    EXPECT_TRUE(sheet.cellIsFormula(0, 0));
    EXPECT_EQ(sheet.cellType(0, 0), CellString);
    EXPECT_EQ(std::u16string(sheet.readString(0, 0, nullptr)), u"hi");
    EXPECT_EQ(sheet.readNumber(1, 0, nullptr), 2.0);
    EXPECT_TRUE(sheet.readBool(2, 0, nullptr));
    EXPECT_EQ(sheet.cellType(3, 0), CellError);
    EXPECT_EQ(sheet.readError(3, 0), ErrorDiv0);
    IFormat* format = nullptr;
    EXPECT_TRUE(sheet.readBlank(4, 0, &format));
    // Both cells of the shared range read the shared formula's text.
    EXPECT_EQ(std::u16string(sheet.readFormula(0, 0, nullptr)), u"1");
    EXPECT_EQ(std::u16string(sheet.readFormula(1, 0, nullptr)), u"1");

    auto records = savedRecords(sheet);
    std::vector<std::uint16_t> cellIds;
    for (const RecordSpec& r : records)
        if (r.id == 0x0006 || r.id == 0x04BC || r.id == 0x0207) cellIds.push_back(r.id);
    EXPECT_EQ(cellIds, (std::vector<std::uint16_t>{0x0006, 0x04BC, 0x0207, 0x0006, 0x0006, 0x0006, 0x0006}));
    // Written with the always-calculate flag.
    EXPECT_EQ(bodiesOf(records, 0x0006)[1], concat({{1, 0, 0, 0, 0x0F, 0}, kResultTwo, {1, 0, 0, 0, 0, 0}, ptgExp(0)}));
}

// Name 2 of the book goes: the tokens of the cell's own formula, of the shared formula
// and of the array formula that name later ones follow it, and its own token becomes
// #NAME? in brackets of the same size.
TEST_F(SheetStream, NameTokensFollowARemovedName) {
    Bytes shrFmla = {0, 0, 0, 0, 0, 0, 0, 1, 5, 0, 0x43, 3, 0, 0, 0};          // row 0: name 3
    Bytes own = {11, 0, 0x23, 1, 0, 0, 0, 0x23, 2, 0, 0, 0, 0x03};               // name 1 + name 2
    Bytes array = {2, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5, 0, 0x23, 5, 0, 0, 0}; // row 2: name 5
    load(sheet, streamOf({{0x0809, kBof},
                          {0x0006, formulaBody(0, kResultTwo, ptgExp(0))},
                          {0x04BC, shrFmla},
                          {0x0006, formulaBody(1, kResultTwo, own)},
                          {0x0006, formulaBody(2, kResultTwo, ptgExp(2))},
                          {0x0221, array},
                          {kEof, {}}}));
    sheet.renumberNameTokens(2, [](std::uint16_t) { return true; });
    auto records = savedRecords(sheet);
    EXPECT_EQ(bodiesOf(records, 0x04BC), std::vector<Bytes>{concat({Bytes(shrFmla.begin(), shrFmla.end() - 4), {2, 0, 0, 0}})});
    // Saved with the always-calculate flag.
    EXPECT_EQ(bodiesOf(records, 0x0006)[1], concat({{1, 0, 0, 0, 0x0F, 0}, kResultTwo, {1, 0, 0, 0, 0, 0},
                                                    {11, 0, 0x23, 1, 0, 0, 0, 0x1C, 0x1D, 0x15, 0x15, 0x15, 0x03}}));
    EXPECT_EQ(bodiesOf(records, 0x0221), std::vector<Bytes>{concat({Bytes(array.begin(), array.end() - 4), {4, 0, 0, 0}})});
}

// Data-table cells hold a PtgTbl naming the table's first cell, whose Table record
// has the input cells; they read as TABLE(row input;column input).
TEST_F(SheetStream, DataTableCellsReadAsTable) {
    const Bytes ptgTbl = {0x05, 0x00, 0x02, 0x01, 0x00, 0x01, 0x00}; // cce 5, the table starts at B2
    struct Case {
        std::uint16_t flags;
        const char16_t* text;
    };
    const Case cases[] = {
        {0x0008, u"TABLE(A1;C3)"},  // two inputs
        {0x0004, u"TABLE(A1;)"},    // a row input alone
        {0x0000, u"TABLE(;A1)"},    // a column input alone
        {0x0018, u"TABLE(#REF!;C3)"}, // the row input cell was deleted
    };
    for (const Case& c : cases) {
        SheetImplT table(host, u"Table");
        //            rows 1-1, columns 1-2  flags                              A1     C3
        const Bytes body = {1, 0, 1, 0, 1, 2, std::uint8_t(c.flags), 0, 0, 0, 0, 0, 2, 0, 2, 0};
        load(table, streamOf({{0x0809, kBof},
                              {0x0006, concat({{1, 0, 1, 0, 0x0F, 0}, kResultTwo, {0, 0, 0, 0, 0, 0}, ptgTbl})},
                              {0x0236, body},
                              {0x0006, concat({{1, 0, 2, 0, 0x0F, 0}, kResultTwo, {0, 0, 0, 0, 0, 0}, ptgTbl})},
                              {kEof, {}}}));
        for (int col : {1, 2}) {
            const char16_t* text = table.readFormula(1, col, nullptr);
            EXPECT_EQ(std::u16string(text ? text : u"(null)"), c.text) << c.flags << " " << host.text();
        }
    }
    load(sheet, streamOf({{0x0809, kBof},
                          {0x0006, concat({{1, 0, 2, 0, 0x0F, 0}, kResultTwo, {0, 0, 0, 0, 0, 0}, ptgTbl})},
                          {kEof, {}}}));
    EXPECT_EQ(sheet.readFormula(1, 2, nullptr), nullptr);
    EXPECT_STREQ(host.text(), "data table's Table record is not found");
}

TEST_F(SheetStream, OverwritingTheSharedFormulasCellHandsItOn) {
    Bytes shrFmla = {0, 0, 2, 0, 0, 0, 0, 3, 3, 0, 0x1E, 0x01, 0x00}; // rows 0-2, column 0
    load(sheet, streamOf({{0x0809, kBof},
                          {0x0006, formulaBody(0, kResultTwo, ptgExp(0))},
                          {0x04BC, shrFmla},
                          {0x0006, formulaBody(1, kResultTwo, ptgExp(0))},
                          {0x0006, formulaBody(2, kResultTwo, ptgExp(0))},
                          {kEof, {}}}));
    ASSERT_TRUE(sheet.writeNumber(0, 0, 5.0, nullptr));
    auto records = savedRecords(sheet);
    std::vector<std::uint16_t> cellIds;
    for (const RecordSpec& r : records)
        if (r.id == 0x0006 || r.id == 0x04BC || r.id == 0x027E) cellIds.push_back(r.id);
    EXPECT_EQ(cellIds, (std::vector<std::uint16_t>{0x027E, 0x0006, 0x04BC, 0x0006}));
    // Both remaining cells now point at row 1, which carries the ShrFmla record.
    auto formulas = bodiesOf(records, 0x0006);
    ASSERT_EQ(formulas.size(), 2u);
    EXPECT_EQ(Bytes(formulas[0].end() - 7, formulas[0].end()), ptgExp(1));
    EXPECT_EQ(Bytes(formulas[1].end() - 7, formulas[1].end()), ptgExp(1));
    EXPECT_EQ(bodiesOf(records, 0x04BC)[0], shrFmla);
}

TEST_F(SheetStream, OlderFilesUseTheirShorterLayouts) {
    Bytes dimensions = {1, 0, 3, 0, 0, 0, 2, 0, 0, 0};      // rows 1-3 and columns 0-2 as u16
    Bytes label = {1, 0, 1, 0, 15, 0, 2, 0, 'o', 'k'};      // 8-bit characters, no flags byte
    Bytes window2 = {0xB6, 0x06, 0, 0, 0, 0, 0, 0, 0, 0};   // the colour as RGB
    load(sheet, streamOf({{0x0809, {0x00, 0x05, 0x10, 0x00, 0xBB, 0x0D, 0xCC, 0x07}}, {0x0200, dimensions},
                          {0x0204, label}, {0x023E, window2}, {kEof, {}}}), 0x0500);
    EXPECT_EQ(sheet.firstRow(), 1);
    EXPECT_EQ(sheet.lastColumn(), 2);
    EXPECT_EQ(std::u16string(sheet.readString(1, 1, nullptr)), u"ok");
    EXPECT_EQ(sheet.data().window2.grbit, 0x06B6);
    auto records = savedRecords(sheet);
    EXPECT_EQ(records[0].body[1], 0x06);  // written as the current version
    EXPECT_EQ(bodiesOf(records, 0x0204)[0], Bytes({1, 0, 1, 0, 15, 0, 2, 0, 0, 'o', 'k'}));
}

TEST_F(SheetStream, EverySettingSurvivesSaveAndLoad) {
    sheet.writeNumber(3, 4, 0.1, host.format(18));
    sheet.writeString(5, 6, u"text", nullptr);
    sheet.writeBool(7, 0, true, nullptr);
    sheet.setRow(2, 20, host.format(19), true);
    sheet.setColumns(1, 3, 12.5, host.format(17), false);
    sheet.groupRows(10, 12, false);
    sheet.addMerge(20, 21, 1, 2);
    sheet.setRowBreak(30, true);
    sheet.setColumnBreak(4, true);
    sheet.splitPanes(1, 1);
    sheet.setZoom(75);
    sheet.setPrintScale(90);
    sheet.setLandscape(true);
    sheet.setPaperSize(9);
    sheet.setHeader(u"head", 0.3);
    sheet.setFooter(u"foot", 0.35);
    sheet.setCenteredHorizontally(true);
    sheet.setTopMargin(1.5);
    sheet.setBottomMargin(1.25);
    sheet.setPrintsGridlines(true);
    sheet.setPrintsHeadings(true);
    sheet.setProtected(true);
    sheet.setSummaryRowsBelow(false);
    sheet.setShowsGridlines(false);
    Bytes first = saved(sheet);

    SheetImplT again(host, u"Again");
    load(again, first);
    const SheetData& a = sheet.data();
    const SheetData& b = again.data();
    EXPECT_EQ(b.settings, a.settings);
    EXPECT_EQ(b.pageSetup, a.pageSetup);
    EXPECT_EQ(b.window2, a.window2);
    EXPECT_EQ(b.pane, a.pane);
    EXPECT_EQ(b.selections, a.selections);
    EXPECT_EQ(b.merges, a.merges);
    EXPECT_EQ(b.horizontalBreaks, a.horizontalBreaks);
    EXPECT_EQ(b.verticalBreaks, a.verticalBreaks);
    EXPECT_EQ(b.rows, a.rows);
    EXPECT_EQ(b.columns, a.columns);
    EXPECT_EQ(b.dimensions, a.dimensions);
    EXPECT_EQ(b.phonetic, a.phonetic);
    EXPECT_EQ(b.index, a.index);
    EXPECT_EQ(again.readNumber(3, 4, nullptr), 0.1);
    EXPECT_EQ(std::u16string(again.readString(5, 6, nullptr)), u"text");
    EXPECT_EQ(saved(again), first);
}

TEST_F(SheetStream, ACopiedSheetUsesTheStringsOnceMore) {
    sheet.writeString(0, 0, u"shared", nullptr);
    sheet.setColumns(0, 0, 20, nullptr, false);
    SheetImplT copy(host, u"Copy");
    copy.copyFrom(sheet);
    EXPECT_EQ(host.sst.totalCount(), 2u);
    EXPECT_EQ(copy.columnWidth(0), 20.0);
    copy.writeString(0, 0, u"changed", nullptr); // the original keeps its text
    EXPECT_EQ(std::u16string(sheet.readString(0, 0, nullptr)), u"shared");
    EXPECT_EQ(copy.name(), u"Copy");
}

} // namespace
