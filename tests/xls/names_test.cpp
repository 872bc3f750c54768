// Defined names of binary books: the Lbl record as read and written, print areas, print
// titles and named ranges with their exact formula bytes, lookups, and names that stay
// right through save, load, and sheets inserted and deleted.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/book_factory.h"
#include "support/book_bytes.h"
#include "support/record_bytes.h"
#include "xls/compound_file.h"
#include "xls/defined_name.h"

using namespace karvo;
using karvo::testing::Bytes;
using karvo::testing::RecordSpec;
using karvo::testing::recordsOf;
using karvo::testing::streamOf;

namespace {

constexpr std::uint16_t kLbl = 0x0018, kSupBook = 0x01AE, kExternSheet = 0x0017, kEof = 0x000A;

using Book = karvo::testing::BookPtr;

Book bookWith(std::initializer_list<const char16_t*> sheets) {
    Book book(createBinaryBook());
    for (const char16_t* name : sheets) book->addSheet(name);
    return book;
}

Bytes savedStream(IBook& book) {
    const char* data = nullptr;
    std::size_t size = 0;
    EXPECT_TRUE(book.saveToMemory(&data, &size)) << book.errorMessage();
    return readWorkbookStream(Bytes(data, data + size));
}

Book loaded(const Bytes& stream) {
    Bytes file = writeCompoundFile(stream);
    Book book(createBinaryBook());
    EXPECT_TRUE(book->loadFromMemory(reinterpret_cast<const char*>(file.data()), file.size()))
        << book->errorMessage();
    return book;
}

// The bodies of the globals' records of one id, in order.
std::vector<Bytes> globals(IBook& book, std::uint16_t id) {
    std::vector<Bytes> bodies;
    for (const RecordSpec& record : recordsOf(savedStream(book))) {
        if (record.id == kEof) break;
        if (record.id == id) bodies.push_back(record.body);
    }
    return bodies;
}

// The formula of an Lbl body, found from its own length fields: text length at 3,
// formula length at 4, text (flags byte, 8-bit characters in these tests) from 14.
Bytes formulaOf(const Bytes& lbl) {
    std::size_t start = 14 + 1 + lbl[3];
    return Bytes(lbl.begin() + static_cast<std::ptrdiff_t>(start),
                 lbl.begin() + static_cast<std::ptrdiff_t>(start + (lbl[4] | lbl[5] << 8)));
}

// A saved book's stream with records added just before an EOF: the globals' (0) or
// the first sheet's (1).
Bytes withRecords(IBook& book, std::initializer_list<RecordSpec> records, int beforeEof = 0) {
    Bytes stream = savedStream(book);
    std::size_t offset = 0;
    for (const RecordSpec& record : recordsOf(stream)) {
        if (record.id == kEof && beforeEof-- == 0) break;
        offset += 4 + record.body.size();
    }
    Bytes extra;
    for (const RecordSpec& record : records) karvo::testing::addRecord(extra, record.id, record.body);
    stream.insert(stream.begin() + static_cast<std::ptrdiff_t>(offset), extra.begin(), extra.end());
    return stream;
}

struct Area {
    int rowFirst = -1, rowLast = -1, colFirst = -1, colLast = -1;
    bool operator==(const Area&) const = default;
};

std::pair<bool, Area> lookUp(ISheet* sheet, const char16_t* name) {
    Area a;
    bool found = sheet->namedRange(name, &a.rowFirst, &a.rowLast, &a.colFirst, &a.colLast);
    return {found, a};
}

std::pair<std::u16string, Area> nameAt(ISheet* sheet, int index) {
    Area a;
    const char16_t* text = sheet->namedRangeAt(index, &a.rowFirst, &a.rowLast, &a.colFirst, &a.colLast);
    return {text ? text : u"(null)", a};
}

// A sheet-scoped user name "Data" of the third sheet: cell C6 through XTI 1.
const Bytes kDataName = {
    0x00, 0x00,                                // flags: a user name
    0x00,                                      // shortcut
    0x04,                                      // text length: 4 characters
    0x07, 0x00,                                // formula length: 7 bytes
    0x00, 0x00,                                // reserved
    0x03, 0x00,                                // sheet: the third
    0x00, 0x00, 0x00, 0x00,                    // reserved
    0x00, 'D', 'a', 't', 'a',                  // text: flags byte, 8-bit characters
    0x3A, 0x01, 0x00, 0x05, 0x00, 0x02, 0x00,  // PtgRef3d, XTI 1, row 5, column 2
};

Bytes withByte(Bytes bytes, std::size_t at, std::uint8_t value) {
    bytes[at] = value;
    return bytes;
}

Lbl readLbl(const Bytes& body, bool biff8 = true, std::initializer_list<Bytes> continues = {}) {
    Bytes stream;
    karvo::testing::addRecord(stream, kLbl, body);
    for (const Bytes& part : continues) karvo::testing::addRecord(stream, 0x003C, part);
    RecordReader records(stream);
    Record first = records.next();
    return Lbl::read(first, records, biff8);
}

Bytes written(const Lbl& name) {
    RecordWriter out;
    name.write(out);
    return out.take();
}

} // namespace

// ---- the record ----

TEST(DefinedNameRecord, ReadsTheFieldsAndWritesTheSameBytes) {
    Lbl name = readLbl(kDataName);
    ASSERT_TRUE(name.parsed);
    EXPECT_EQ(name.flags, 0);
    EXPECT_EQ(name.sheet, 3);
    EXPECT_FALSE(name.wideText);
    EXPECT_EQ(name.text, u"Data");
    EXPECT_EQ(name.formula, (Bytes{0x3A, 0x01, 0x00, 0x05, 0x00, 0x02, 0x00}));
    EXPECT_EQ(name.body(), kDataName);

    // 16-bit text, data after the formula and a CONTINUE record all come back as read.
    Bytes wide = {0x20, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                  0x01, 0x06, 0x00,   // 16-bit text: the print-area code
                  0xAA, 0xBB};        // no formula, then two bytes of extra data
    Lbl wideName = readLbl(wide, true, {{0x01, 0x02, 0x03}});
    ASSERT_TRUE(wideName.parsed);
    EXPECT_TRUE(wideName.isBuiltIn(Lbl::kPrintArea));
    EXPECT_EQ(wideName.extra, (Bytes{0xAA, 0xBB}));
    EXPECT_EQ(written(wideName), streamOf({{kLbl, wide}, {0x003C, {0x01, 0x02, 0x03}}}));
}

TEST(DefinedNameRecord, ARecordThatDoesNotParseIsWrittenBackUnchanged) {
    const struct {
        const char* why;
        Bytes body;
    } cases[] = {
        {"formula longer than the record", withByte(kDataName, 4, 0x08)},
        {"text longer than the record", withByte(kDataName, 3, 0x0C)},
        {"text flags with a rich-text bit", withByte(kDataName, 14, 0x08)},
        {"no text", withByte(kDataName, 3, 0x00)},
        {"shorter than the fixed fields", Bytes(kDataName.begin(), kDataName.begin() + 12)},
        {"three bytes", Bytes{0x00, 0x00, 0x00}},
    };
    for (const auto& c : cases) {
        Lbl name = readLbl(c.body);
        EXPECT_FALSE(name.parsed) << c.why;
        EXPECT_EQ(written(name), streamOf({{kLbl, c.body}})) << c.why;
    }
    // An older format's name is kept as read; only its sheet number follows the sheets.
    Lbl older = readLbl(kDataName, false);
    EXPECT_FALSE(older.parsed);
    EXPECT_EQ(older.sheet, 3);
    older.sheet = 2;
    EXPECT_EQ(older.body(), withByte(kDataName, 8, 0x02));
}

// ---- print area and print titles ----

TEST(PrintNames, APrintAreaCreatesTheOwnSupBookAnXtiAndABuiltInName) {
    Book book = bookWith({u"One", u"Two"});
    ISheet* two = book->getSheet(1);
    two->setPrintArea(0, 9, 0, 3);
    EXPECT_STREQ(book->errorMessage(), "ok");
    EXPECT_EQ(globals(*book, kSupBook), (std::vector<Bytes>{{0x02, 0x00, 0x01, 0x04}}));  // two sheets, own
    EXPECT_EQ(globals(*book, kExternSheet), (std::vector<Bytes>{{0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00}}));
    const Bytes printArea = {
        0x20, 0x00, 0x00, 0x01, 0x0B, 0x00, 0x00, 0x00,       // built-in, 1 character, 11-byte formula
        0x02, 0x00, 0x00, 0x00, 0x00, 0x00,                   // sheet 2
        0x00, 0x06,                                           // the print-area code
        0x3B, 0x00, 0x00, 0x00, 0x00, 0x09, 0x00, 0x00, 0x00, 0x03, 0x00,  // XTI 0, rows 0-9, columns 0-3
    };
    EXPECT_EQ(globals(*book, kLbl), std::vector<Bytes>{printArea});

    // A second print area rewrites the same name and takes no new XTI entry.
    two->setPrintArea(2, 4, 1, 1);
    std::vector<Bytes> names = globals(*book, kLbl);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(formulaOf(names[0]), (Bytes{0x3B, 0x00, 0x00, 0x02, 0x00, 0x04, 0x00, 0x01, 0x00, 0x01, 0x00}));
    EXPECT_EQ(globals(*book, kExternSheet)[0][0], 0x01);
}

TEST(PrintNames, TitlesOfRowsColumnsAndBoth) {
    Book book = bookWith({u"S"});
    ISheet* sheet = book->getSheet(0);
    auto titles = [&] {
        std::vector<Bytes> names = globals(*book, kLbl);
        EXPECT_EQ(names.size(), 1u);
        return names.empty() ? Bytes{} : formulaOf(names[0]);
    };

    sheet->setPrintRepeatRows(0, 1);
    EXPECT_EQ(titles(), (Bytes{0x3B, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0xFF, 0x00}));
    sheet->setPrintRepeatRows(2, 3);  // rows again: the same area rewritten
    EXPECT_EQ(titles(), (Bytes{0x3B, 0x00, 0x00, 0x02, 0x00, 0x03, 0x00, 0x00, 0x00, 0xFF, 0x00}));
    sheet->setPrintRepeatColumns(0, 0);  // both: the union of a rows area and a columns area
    const Bytes both = {0x29, 0x17, 0x00,                                                      // PtgMemFunc, 23 bytes
                        0x3B, 0x00, 0x00, 0x02, 0x00, 0x03, 0x00, 0x00, 0x00, 0xFF, 0x00,  // rows 2-3
                        0x3B, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00,  // column 0
                        0x10};                                                              // PtgUnion
    EXPECT_EQ(titles(), both);
    EXPECT_EQ(globals(*book, kLbl)[0][4], 26);  // the formula length field follows

    sheet->setPrintRepeatRows(5, 6);  // one part changed, the other kept
    Bytes rowsChanged = both;
    rowsChanged[6] = 5;
    rowsChanged[8] = 6;
    EXPECT_EQ(titles(), rowsChanged);
    sheet->setPrintRepeatColumns(2, 4);
    Bytes columnsChanged = rowsChanged;
    columnsChanged[21] = 2;
    columnsChanged[23] = 4;
    EXPECT_EQ(titles(), columnsChanged);
    EXPECT_EQ(globals(*book, kExternSheet)[0][0], 0x01);  // one XTI entry throughout
}

TEST(PrintNames, ColumnTitlesAloneThenRows) {
    Book book = bookWith({u"S"});
    ISheet* sheet = book->getSheet(0);
    sheet->setPrintRepeatColumns(1, 2);
    EXPECT_EQ(formulaOf(globals(*book, kLbl).at(0)),
              (Bytes{0x3B, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x01, 0x00, 0x02, 0x00}));
    sheet->setPrintRepeatColumns(3, 3);
    EXPECT_EQ(formulaOf(globals(*book, kLbl).at(0)),
              (Bytes{0x3B, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x03, 0x00, 0x03, 0x00}));
    sheet->setPrintRepeatRows(0, 0);  // the rows come first in the union
    EXPECT_EQ(formulaOf(globals(*book, kLbl).at(0)),
              (Bytes{0x29, 0x17, 0x00, 0x3B, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0x00,
                     0x3B, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x03, 0x00, 0x03, 0x00, 0x10}));
}

TEST(PrintNames, ClearingRemovesOnlyThatSheetsNameOfThatKind) {
    Book book = bookWith({u"A", u"B"});
    ISheet* a = book->getSheet(0);
    ISheet* b = book->getSheet(1);
    a->setPrintArea(0, 1, 0, 1);
    a->setPrintRepeatRows(0, 0);
    b->setPrintRepeatRows(1, 1);
    a->clearPrintRepeats();
    EXPECT_STREQ(book->errorMessage(), "ok");
    std::vector<Bytes> names = globals(*book, kLbl);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0][15], 6);  // A's print area stays
    EXPECT_EQ(names[1][8], 2);   // B's titles stay
    EXPECT_EQ(names[1][15], 7);
    a->clearPrintArea();
    EXPECT_EQ(globals(*book, kLbl).size(), 1u);
    EXPECT_EQ(globals(*book, kExternSheet)[0][0], 3);  // the XTI entries of removed names stay
}

// ---- named ranges ----

TEST(NamedRanges, SettingFindsByExactTextLookingUpIgnoresCase) {
    Book book = bookWith({u"S"});
    ISheet* sheet = book->getSheet(0);
    EXPECT_FALSE(sheet->setNamedRange(u"my range", 0, 0, 0, 0));
    EXPECT_STREQ(book->errorMessage(), "space symbol isn't allowed");
    EXPECT_TRUE(globals(*book, kLbl).empty());

    EXPECT_TRUE(sheet->setNamedRange(u"Data", 0, 1, 2, 3));
    EXPECT_TRUE(sheet->setNamedRange(u"Data", 4, 5, 6, 7));
    EXPECT_EQ(sheet->namedRangeCount(), 1);
    EXPECT_TRUE(sheet->setNamedRange(u"data", 8, 8, 9, 9));
    EXPECT_EQ(sheet->namedRangeCount(), 2);
    EXPECT_STREQ(book->errorMessage(), "ok");
    EXPECT_EQ(lookUp(sheet, u"DATA"), std::make_pair(true, Area{4, 5, 6, 7}));
    EXPECT_EQ(lookUp(sheet, u"nothing"), std::make_pair(false, Area{}));
    EXPECT_STREQ(book->errorMessage(), "named range is not found");

    const Bytes data = {0x00, 0x00, 0x00, 0x04, 0x0B, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00,
                        0x00, 'D',  'a',  't',  'a',                                       // 8-bit text
                        0x3B, 0x00, 0x00, 0x04, 0x00, 0x05, 0x00, 0x06, 0x00, 0x07, 0x00};  // XTI 0
    EXPECT_EQ(globals(*book, kLbl).at(0), data);
    EXPECT_EQ(formulaOf(globals(*book, kLbl).at(1))[1], 1);  // the second name took XTI 1
}

TEST(NamedRanges, CountAndAtIncludeThePrintAreaButNotTwoAreaTitles) {
    Book book = bookWith({u"S", u"T"});
    ISheet* s = book->getSheet(0);
    s->setNamedRange(u"First", 1, 2, 3, 4);
    s->setPrintRepeatRows(0, 0);
    s->setPrintRepeatColumns(0, 0);
    s->setPrintArea(0, 9, 0, 3);
    book->getSheet(1)->setNamedRange(u"Other", 0, 0, 0, 0);
    EXPECT_EQ(s->namedRangeCount(), 2);
    EXPECT_EQ(nameAt(s, 0), std::make_pair(std::u16string(u"First"), Area{1, 2, 3, 4}));
    EXPECT_EQ(nameAt(s, 1), std::make_pair(std::u16string(1, u'\x06'), Area{0, 9, 0, 3}));
    EXPECT_STREQ(book->errorMessage(), "ok");
    EXPECT_EQ(nameAt(s, 2).first, u"(null)");
    EXPECT_STREQ(book->errorMessage(), "index is out of range");
    EXPECT_EQ(nameAt(s, -1).first, u"(null)");

    // The titles name is found by its text; its shape gives no area.
    EXPECT_EQ(lookUp(s, u"\x07"), std::make_pair(true, Area{}));
    EXPECT_EQ(book->getSheet(1)->namedRangeCount(), 1);
}

TEST(NamedRanges, DeletingRemovesEveryExactMatchOfTheSheet) {
    Book book = bookWith({u"S", u"T"});
    ISheet* s = book->getSheet(0);
    s->setNamedRange(u"Keep", 0, 0, 0, 0);
    s->setNamedRange(u"Gone", 1, 1, 1, 1);
    book->getSheet(1)->setNamedRange(u"Gone", 2, 2, 2, 2);
    EXPECT_FALSE(s->deleteNamedRange(u"GONE"));
    EXPECT_STREQ(book->errorMessage(), "name not found");
    EXPECT_TRUE(s->deleteNamedRange(u"Gone"));
    EXPECT_STREQ(book->errorMessage(), "ok");
    EXPECT_EQ(nameAt(s, 0).first, u"Keep");
    EXPECT_EQ(s->namedRangeCount(), 1);
    EXPECT_EQ(lookUp(book->getSheet(1), u"Gone"), std::make_pair(true, Area{2, 2, 2, 2}));
}

TEST(NamedRanges, NamesAndFormulasShareTheXtiList) {
    Book book = bookWith({u"S", u"T"});
    book->getSheet(1)->setNamedRange(u"Here", 0, 0, 0, 0);
    ASSERT_TRUE(book->getSheet(0)->writeFormula(0, 0, u"T!B2"));
    EXPECT_EQ(globals(*book, kExternSheet), (std::vector<Bytes>{{0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00}}));
    EXPECT_EQ(std::u16string(book->getSheet(0)->readFormula(0, 0)), u"T!B2");
}

// ---- through save, load and changes to the sheet list ----

TEST(NamedRanges, SurviveSaveAndLoad) {
    Book book = bookWith({u"S", u"T"});
    book->getSheet(1)->setNamedRange(u"Prices", 1, 20, 2, 2);
    book->getSheet(1)->setPrintArea(0, 30, 0, 5);
    book->getSheet(1)->setPrintRepeatRows(0, 0);
    book->getSheet(0)->setNamedRange(u"Caf\u00E9\u4E2D", 3, 3, 4, 4);  // needs 16-bit characters
    Bytes stream = savedStream(*book);
    Book copy = loaded(stream);
    ISheet* t = copy->getSheet(1);
    EXPECT_EQ(t->namedRangeCount(), 3);  // titles of rows alone are one area, and count
    EXPECT_EQ(lookUp(t, u"prices"), std::make_pair(true, Area{1, 20, 2, 2}));
    EXPECT_EQ(nameAt(t, 1), std::make_pair(std::u16string(1, u'\x06'), Area{0, 30, 0, 5}));
    EXPECT_EQ(nameAt(t, 2), std::make_pair(std::u16string(1, u'\x07'), Area{0, 0, 0, 255}));
    EXPECT_EQ(nameAt(copy->getSheet(0), 0).first, u"Caf\u00E9\u4E2D");
    EXPECT_EQ(savedStream(*copy), stream);
}

TEST(NamedRanges, FollowTheirSheetsThroughDeletesAndInserts) {
    Book book = bookWith({u"S1", u"S2", u"S3", u"S4"});
    book->getSheet(0)->setNamedRange(u"First", 0, 0, 0, 0);
    book->getSheet(2)->setNamedRange(u"Third", 2, 3, 4, 5);
    book->getSheet(3)->setPrintArea(0, 1, 0, 1);
    ASSERT_TRUE(book->deleteSheet(0));

    ISheet* third = book->getSheet(1);
    EXPECT_EQ(lookUp(third, u"Third"), std::make_pair(true, Area{2, 3, 4, 5}));
    EXPECT_EQ(book->getSheet(2)->namedRangeCount(), 1);  // S4's print area
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(lookUp(book->getSheet(i), u"First").first);
    std::vector<Bytes> names = globals(*book, kLbl);
    ASSERT_EQ(names.size(), 2u);  // First went with its sheet
    EXPECT_EQ(names[0][8], 2);    // Third: sheet 3 is now sheet 2
    EXPECT_EQ(names[1][8], 3);
    EXPECT_EQ(globals(*book, kExternSheet),
              (std::vector<Bytes>{{0x03, 0x00,                           // three entries
                                   0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF,   // the deleted sheet
                                   0x00, 0x00, 0x01, 0x00, 0x01, 0x00,   // Third
                                   0x00, 0x00, 0x02, 0x00, 0x02, 0x00}}));  // the print area

    ASSERT_NE(book->insertSheet(0, u"New"), nullptr);
    EXPECT_EQ(lookUp(book->getSheet(2), u"Third"), std::make_pair(true, Area{2, 3, 4, 5}));
    EXPECT_EQ(globals(*book, kLbl).at(0)[8], 3);
    EXPECT_EQ(book->getSheet(0)->namedRangeCount(), 0);

    book->getSheet(2)->setSheetName(u"Renamed");  // names refer by index: nothing to change
    EXPECT_EQ(lookUp(book->getSheet(2), u"Third"), std::make_pair(true, Area{2, 3, 4, 5}));
}

// ---- names read from a file ----

TEST(FileNames, ASingleCellNameIsFoundAndRewrittenAsAnArea) {
    Book written = bookWith({u"A", u"B", u"C"});
    Bytes bookWide = kDataName;
    bookWide[8] = 0;  // the same name, book-wide
    bookWide[15] = 'W';
    Bytes stream = withRecords(*written, {
        {kSupBook, {0x03, 0x00, 0x01, 0x04}},                                     // own sheets
        {kExternSheet, {0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x02, 0x00}},
        {kLbl, kDataName},  // "Data" of sheet 3, C6 through XTI 1
        {kLbl, bookWide},   // "Wata", book-wide, the same cell
    });
    Book book = loaded(stream);
    ISheet* c = book->getSheet(2);
    EXPECT_EQ(lookUp(c, u"data"), std::make_pair(true, Area{5, 5, 2, 2}));
    EXPECT_EQ(lookUp(c, u"Wata"), std::make_pair(true, Area{5, 5, 2, 2}));
    EXPECT_FALSE(lookUp(book->getSheet(0), u"Data").first);
    EXPECT_EQ(c->namedRangeCount(), 2);
    EXPECT_EQ(nameAt(c, 1), std::make_pair(std::u16string(u"Wata"), Area{5, 5, 2, 2}));

    // Rewriting it cannot fit an area into the cell's seven bytes: the formula becomes
    // an area through the same XTI entry.
    ASSERT_TRUE(c->setNamedRange(u"Data", 1, 2, 3, 4));
    std::vector<Bytes> names = globals(*book, kLbl);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(formulaOf(names[0]), (Bytes{0x3B, 0x01, 0x00, 0x01, 0x00, 0x02, 0x00, 0x03, 0x00, 0x04, 0x00}));
    EXPECT_EQ(names[1], bookWide);
}

TEST(FileNames, NamesWithoutTheOwnSupBookOrWithABrokenXtiIndex) {
    Book written = bookWith({u"A"});
    Book noOwnGroup = loaded(withRecords(*written, {{kLbl, withByte(kDataName, 8, 1)}}));
    EXPECT_EQ(noOwnGroup->getSheet(0)->namedRangeCount(), 0);
    EXPECT_STREQ(noOwnGroup->errorMessage(), "ok");
    EXPECT_FALSE(lookUp(noOwnGroup->getSheet(0), u"Data").first);
    EXPECT_STREQ(noOwnGroup->errorMessage(), "named range is not found");

    // XTI 1 of a one-entry list.
    Book broken = loaded(withRecords(*written, {
        {kSupBook, {0x01, 0x00, 0x01, 0x04}},
        {kExternSheet, {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
        {kLbl, withByte(kDataName, 8, 1)},
    }));
    EXPECT_EQ(broken->getSheet(0)->namedRangeCount(), 0);
    EXPECT_STREQ(broken->errorMessage(), "name's XTI index is out of range");
}

TEST(FileNames, AnExternalSupBookFirstKeepsTheOwnOneInTheSameGroup) {
    Book written = bookWith({u"A"});
    const Bytes external = {0x01, 0x00,                                     // one sheet
                            0x07, 0x00, 0x00, 'e', 'x', 't', '.', 'x', 'l', 's',  // the file
                            0x01, 0x00, 0x00, 'Z'};                          // its sheet
    Bytes ext = {0x00, 0x00, 0x00, 0x03, 0x0B, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                 0x00, 'E',  'x',  't',                                            // "Ext", book-wide
                 0x3B, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};  // XTI 0: ext.xls!Z
    Book book = loaded(withRecords(*written, {
        {kSupBook, external},
        {kExternSheet, {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
        {kLbl, ext},
    }));
    ISheet* a = book->getSheet(0);
    EXPECT_EQ(a->namedRangeCount(), 0);  // the external sheet 0 is not this book's sheet 0
    ASSERT_TRUE(a->setNamedRange(u"Mine", 0, 0, 1, 1));
    EXPECT_EQ(a->namedRangeCount(), 1);
    EXPECT_EQ(globals(*book, kSupBook), (std::vector<Bytes>{external, {0x01, 0x00, 0x01, 0x04}}));
    EXPECT_EQ(globals(*book, kExternSheet),
              (std::vector<Bytes>{{0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,    // ext.xls!Z
                                   0x01, 0x00, 0x00, 0x00, 0x00, 0x00}}));            // own SupBook 1, sheet 0
    // Inserting and deleting a sheet move the own entry and leave the external one alone.
    book->insertSheet(0, u"Before");
    EXPECT_EQ(globals(*book, kExternSheet)[0],
              (Bytes{0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00}));
    ASSERT_TRUE(book->deleteSheet(0));
    EXPECT_EQ(globals(*book, kExternSheet)[0],
              (Bytes{0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00}));
}

TEST(FileNames, PrintNamesOfOtherShapesAreReplacedNotDoubled) {
    Book written = bookWith({u"A", u"B"});
    auto builtIn = [](std::uint8_t code, Bytes formula) {
        Bytes lbl = {0x20, 0x00, 0x00, 0x01, static_cast<std::uint8_t>(formula.size()), 0x00, 0x00, 0x00,
                     0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, code};  // built-in, sheet 2
        lbl.insert(lbl.end(), formula.begin(), formula.end());
        return lbl;
    };
    // Titles of rows 0-1 but only columns 0-9: neither a rows nor a columns part.
    const Bytes titles = builtIn(7, {0x3B, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x09, 0x00});
    // A print area of two areas, B1:B2 and D1:D2, through XTI 1.
    const Bytes area = builtIn(6, {0x29, 0x17, 0x00, 0x3B, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x01,
                                   0x00, 0x3B, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x03, 0x00, 0x03, 0x00, 0x10});
    Book book = loaded(withRecords(*written, {
        {kSupBook, {0x02, 0x00, 0x01, 0x04}},
        {kExternSheet, {0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00}},
        {kLbl, titles},
        {kLbl, area},
    }));
    ISheet* b = book->getSheet(1);
    EXPECT_EQ(b->namedRangeCount(), 1);  // the titles area; the two-area print area has no single area
    b->setPrintRepeatRows(3, 4);
    b->setPrintArea(0, 5, 0, 2);
    std::vector<Bytes> names = globals(*book, kLbl);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(formulaOf(names[0]), (Bytes{0x3B, 0x01, 0x00, 0x03, 0x00, 0x04, 0x00, 0x00, 0x00, 0xFF, 0x00}));
    EXPECT_EQ(formulaOf(names[1]), (Bytes{0x3B, 0x01, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x02, 0x00}));
    EXPECT_EQ(globals(*book, kExternSheet)[0][0], 2);  // both kept their XTI entry
}

// A book-wide user name with 8-bit text and the given formula.
Bytes lblBody(char text, const Bytes& formula) {
    Bytes body = {0, 0, 0, 1, std::uint8_t(formula.size()), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, std::uint8_t(text)};
    body.insert(body.end(), formula.begin(), formula.end());
    return body;
}

// Formulas of other names refer to names by number: removing one moves the later
// numbers down, and a formula of the removed name reads #NAME? rather than the next one.
TEST(NamedRanges, RemovingANameKeepsTheNameTokensOfOtherNamesTrue) {
    Book written = bookWith({u"S"});
    ISheet* s = written->getSheet(0);
    for (const char16_t* name : {u"One", u"Two", u"Three"}) s->setNamedRange(name, 0, 0, 0, 0);
    // Names 4 and 5: "R" is =Three, "T" is =Two.
    Book book = loaded(withRecords(*written, {{kLbl, lblBody('R', {0x23, 3, 0, 0, 0})},
                                              {kLbl, lblBody('T', {0x23, 2, 0, 0, 0})}}));
    ASSERT_TRUE(book->getSheet(0)->deleteNamedRange(u"Two"));
    std::vector<Bytes> names = globals(*book, kLbl);
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(formulaOf(names[2]), (Bytes{0x23, 2, 0, 0, 0}));
    EXPECT_EQ(formulaOf(names[3]), (Bytes{0x1C, 0x1D, 0x15, 0x15, 0x15})); // (((#NAME?)))
    ASSERT_TRUE(book->getSheet(0)->deleteNamedRange(u"Three"));
    names = globals(*book, kLbl);
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(formulaOf(names[1]), (Bytes{0x1C, 0x1D, 0x15, 0x15, 0x15}));
}

// Conditional formats and validations are carried as bytes, but their formulas name
// ranges too (a validation list most of all), so they follow a removal as well.
TEST(NamedRanges, RemovingANameRenumbersTheFormulasOfConditionalFormatsAndValidations) {
    constexpr std::uint16_t kCf = 0x01B1, kDv = 0x01BE, kCf12 = 0x087A;
    Book written = bookWith({u"S"});
    for (const char16_t* name : {u"One", u"Two", u"Three"}) written->getSheet(0)->setNamedRange(name, 0, 0, 0, 0);
    // CF: type, operator, both lengths, a formatting block of bare flags, then =Three.
    const Bytes cf = {2, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x23, 3, 0, 0, 0};
    // DV: flags, four texts (one of two-byte characters), =Two and =Three, one area.
    const Bytes dv = {0, 0, 0, 0, 1, 0, 0, 'a', 2, 0, 1, 'b', 0, 'c', 0, 1, 0, 0, 'd', 1, 0, 0, 'e',
                      5, 0, 0, 0, 0x23, 2, 0, 0, 0, 5, 0, 0, 0, 0x23, 3, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    // Its first formula's length runs past the end: nothing is known to be a token.
    Bytes badDv = dv;
    badDv[23] = 90;
    // CF12: header, type, operator, lengths 5 and 0, a 2-byte formatting block, =Three,
    // then the condition of applying it, =Two, and a priority.
    const Bytes cf12 = {0x7A, 0x08, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 5, 0, 0, 0, 2, 0, 0, 0, 0xAA, 0xBB,
                        0x23, 3, 0, 0, 0, 5, 0, 0x23, 2, 0, 0, 0, 1, 0};
    Book book = loaded(withRecords(*written, {{kCf, cf}, {kDv, dv}, {kDv, badDv}, {kCf12, cf12}}, 1));
    ASSERT_TRUE(book->getSheet(0)->deleteNamedRange(u"Two"));

    std::vector<Bytes> cfs, dvs, cf12s;
    for (const RecordSpec& record : recordsOf(savedStream(*book))) {
        if (record.id == kCf) cfs.push_back(record.body);
        if (record.id == kDv) dvs.push_back(record.body);
        if (record.id == kCf12) cf12s.push_back(record.body);
    }
    ASSERT_EQ(cfs.size(), 1u);
    ASSERT_EQ(cf12s.size(), 1u);
    ASSERT_EQ(dvs.size(), 2u);
    EXPECT_EQ(Bytes(cfs[0].end() - 5, cfs[0].end()), (Bytes{0x23, 2, 0, 0, 0}));
    Bytes expected = dv;
    for (std::size_t i = 0; i < 5; ++i) expected[27 + i] = Bytes{0x1C, 0x1D, 0x15, 0x15, 0x15}[i];
    expected[37] = 2;
    EXPECT_EQ(dvs[0], expected);
    EXPECT_EQ(dvs[1], badDv);
    Bytes expected12 = cf12;
    expected12[25] = 2;
    for (std::size_t i = 0; i < 5; ++i) expected12[31 + i] = Bytes{0x1C, 0x1D, 0x15, 0x15, 0x15}[i];
    EXPECT_EQ(cf12s[0], expected12);
}
