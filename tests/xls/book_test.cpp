// The binary book: sheet-list rules, the saved globals, load failures, and round
// trips of every kind of content through save and load.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "core/book_factory.h"
#include "core/utf_convert.h"
#include "support/book_bytes.h"
#include "support/record_bytes.h"
#include "xls/compound_file.h"

using namespace karvo;
using karvo::testing::Bytes;
using karvo::testing::RecordSpec;
using karvo::testing::recordsOf;
using karvo::testing::streamOf;

namespace {

using Book = karvo::testing::BookPtr;
using karvo::testing::saved;

Book newBook() { return Book(createBinaryBook()); }

Book reloaded(IBook& book) { return karvo::testing::loaded(saved(book)); }

Book loadedStream(const Bytes& stream) {
    Bytes file = writeCompoundFile(stream);
    Book book = newBook();
    book->addSheet(u"Stale");
    book->loadFromMemory(reinterpret_cast<const char*>(file.data()), file.size());
    return book;
}

Bytes bof(std::uint16_t version, std::uint16_t type) {
    return {std::uint8_t(version), std::uint8_t(version >> 8), std::uint8_t(type), std::uint8_t(type >> 8),
            0xD3, 0x18, 0xCD, 0x07, 1, 0, 0, 0, 6, 0, 0, 0};
}

std::u16string text(const char16_t* s) { return s ? std::u16string(s) : u"(null)"; }

} // namespace

TEST(BinaryBook, SheetListRules) {
    Book book = newBook();
    EXPECT_STREQ(book->errorMessage(), "ok");
    ISheet* first = book->addSheet(u"Data");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(book->getSheet(1), nullptr);
    EXPECT_STREQ(book->errorMessage(), "index is out of range");
    EXPECT_FALSE(book->deleteSheet(0));
    EXPECT_STREQ(book->errorMessage(), "can't remove the last sheet in workbook");
    EXPECT_EQ(book->sheetCount(), 1);
    EXPECT_EQ(book->insertSheet(0, u"dATA"), nullptr);
    EXPECT_STREQ(book->errorMessage(), "book already contains such sheet name");
    EXPECT_EQ(book->insertSheet(2, u"Far"), nullptr);
    EXPECT_STREQ(book->errorMessage(), "index is out of range");

    ISheet* longName = book->insertSheet(0, u"A sheet name that is forty chars long!!!");
    ASSERT_NE(longName, nullptr);
    EXPECT_STREQ(book->errorMessage(), "warning: sheet's name is cut to 31 characters");
    EXPECT_EQ(text(longName->sheetName()), u"A sheet name that is forty char");
    EXPECT_EQ(book->getSheet(1), first);

    longName->setSheetName(u"Renamed to something else entirely");
    EXPECT_STREQ(book->errorMessage(), "warning: sheet's name is cut to 31 characters");
    EXPECT_EQ(text(longName->sheetName()), u"Renamed to something else entir");

    // Sixteen characters of two units each: the sixteenth does not fit whole, so it goes.
    std::u16string wide;
    for (int i = 0; i < 16; ++i) wide += u"\U0001F600";
    longName->setSheetName(wide.c_str());
    EXPECT_EQ(text(longName->sheetName()), wide.substr(0, 30));
    EXPECT_EQ(text(book->insertSheet(0, (u"x" + wide).c_str())->sheetName()), u"x" + wide.substr(0, 30));
}

TEST(BinaryBook, VisibilityKeepsOneSheetVisible) {
    Book book = newBook();
    ISheet* a = book->addSheet(u"A");
    ISheet* b = book->addSheet(u"B");
    EXPECT_TRUE(a->setSheetState(SheetVeryHidden));
    EXPECT_EQ(a->sheetState(), SheetVeryHidden);
    EXPECT_FALSE(b->setSheetState(SheetHidden));
    EXPECT_STREQ(book->errorMessage(), "a workbook must contain at least one visible worksheet");
    EXPECT_EQ(b->sheetState(), SheetVisible);

    Book copy = reloaded(*book);
    EXPECT_EQ(copy->getSheet(0)->sheetState(), SheetVeryHidden);
    EXPECT_EQ(copy->getSheet(1)->sheetState(), SheetVisible);
}

TEST(BinaryBook, DeletingMovesTheActiveSheet) {
    Book book = newBook();
    for (const char16_t* name : {u"A", u"B", u"C"}) book->addSheet(name);
    book->setActiveSheetNumber(2);
    EXPECT_EQ(book->activeSheetNumber(), 2);
    book->setActiveSheetNumber(3);
    EXPECT_STREQ(book->errorMessage(), "index is out of range");
    EXPECT_TRUE(book->deleteSheet(2));
    EXPECT_EQ(book->activeSheetNumber(), 1);
    EXPECT_EQ(reloaded(*book)->activeSheetNumber(), 1);
}

TEST(BinaryBook, SavedGlobalsShareStringsAndPointAtEachSheet) {
    Book book = newBook();
    for (const char16_t* name : {u"One", u"Two", u"Three"}) book->addSheet(name)->writeString(0, 0, u"abc");
    book->getSheet(0)->writeString(1, 0, u"xyz");
    Bytes stream = readWorkbookStream(saved(*book));

    std::vector<std::size_t> bofOffsets, positions;
    std::size_t offset = 0;
    for (const auto& record : recordsOf(stream)) {
        if (record.id == 0x0809) bofOffsets.push_back(offset);
        if (record.id == 0x0085)
            positions.push_back(record.body[0] | record.body[1] << 8 | record.body[2] << 16 | record.body[3] << 24);
        if (record.id == 0x00FC) {
            // total count 4 (three "abc" cells and one "xyz"), unique count 2
            EXPECT_EQ(Bytes(record.body.begin(), record.body.begin() + 8), (Bytes{4, 0, 0, 0, 2, 0, 0, 0}));
        }
        offset += 4 + record.body.size();
    }
    ASSERT_EQ(bofOffsets.size(), 4u);  // the globals and three sheets
    EXPECT_EQ(positions, std::vector<std::size_t>(bofOffsets.begin() + 1, bofOffsets.end()));
}

TEST(BinaryBook, FailedLoadsLeaveAnEmptyBookAndSayWhy) {
    struct Case {
        const char* why;
        Bytes stream;
        const char* message;
    };
    const Case cases[] = {
        {"BIFF4 version", streamOf({{0x0809, bof(0x0400, 0x0005)}, {0x000A, {}}}),
         "This file format isn't supported"},
        {"encrypted", streamOf({{0x0809, bof(0x0600, 0x0005)}, {0x002F, {1, 0, 1, 0}}, {0x000A, {}}}),
         "workbook is encrypted"},
        {"BIFF7 major version", streamOf({{0x0809, bof(0x0700, 0x0005)}, {0x000A, {}}}),
         "This file format isn't supported"},
        {"short Window1", streamOf({{0x0809, bof(0x0600, 0x0005)}, {0x003D, {0, 0}}}), "Window1 size is incorrect"},
        {"SST without header", streamOf({{0x0809, bof(0x0600, 0x0005)}, {0x00FC, {1, 0}}}), "SST size is incorrect"},
    };
    for (const Case& c : cases) {
        Book book = loadedStream(c.stream);
        EXPECT_STREQ(book->errorMessage(), c.message) << c.why;
        EXPECT_EQ(book->sheetCount(), 0) << c.why;
    }
    Book book = newBook();
    EXPECT_FALSE(book->loadFromMemory("not a workbook at all", 21));
    EXPECT_STREQ(book->errorMessage(), "invalid file format");
    EXPECT_FALSE(book->load(u"/nonexistent/karvo.xls"));
    EXPECT_STREQ(book->errorMessage(), "can't open file for reading");
    EXPECT_FALSE(book->save(u"/nonexistent/dir/karvo.xls"));
    EXPECT_STREQ(book->errorMessage(),
                 "can't open file for writing (creating a file beside /nonexistent/dir/karvo.xls: No such file or directory)");
}

// Irregularities of other producers' globals that load: a minor version in the BOF,
// stray records of id 0, an ExtSST that does not add up, and bytes after the last
// substream that are no record. What is saved is well formed.
TEST(BinaryBook, IrregularGlobalsLoad) {
    Book book = newBook();
    book->addSheet(u"S")->writeNumber(0, 0, 42.0);
    // The globals and the sheet, each up to its EOF: what follows is the stream's padding.
    auto substreams = [](std::vector<RecordSpec> records) {
        auto sheetEof = std::find_if(records.begin(), records.end(), [](const RecordSpec& r) { return r.id == 0x000A; });
        sheetEof = std::find_if(sheetEof + 1, records.end(), [](const RecordSpec& r) { return r.id == 0x000A; });
        records.erase(sheetEof + 1, records.end());
        return records;
    };
    std::vector<RecordSpec> records = substreams(recordsOf(readWorkbookStream(saved(*book))));
    records.front().body = bof(0x0680, 0x0005);
    auto globalsEof = std::find_if(records.begin(), records.end(), [](const RecordSpec& r) { return r.id == 0x000A; });
    records.insert(globalsEof, {{0x0000, {}}, {0x00FF, Bytes(1020, 0)}});
    Bytes irregular;
    for (const RecordSpec& r : records) karvo::testing::addRecord(irregular, r.id, r.body);
    irregular.insert(irregular.end(), 700, 0xFF);

    Book file = loadedStream(irregular);
    ASSERT_STREQ(file->errorMessage(), "ok");
    ASSERT_EQ(file->sheetCount(), 1);
    EXPECT_EQ(file->getSheet(0)->readNumber(0, 0), 42.0);
    std::vector<RecordSpec> again = substreams(recordsOf(readWorkbookStream(saved(*file))));
    EXPECT_EQ(again.front().body, bof(0x0600, 0x0005));
    EXPECT_EQ(std::count_if(again.begin(), again.end(), [](const RecordSpec& r) { return r.id == 0 || r.id == 0x00FF; }), 0);
}

TEST(BinaryBook, TheDateSystemOfAFileIsUsed) {
    Book book = newBook();
    book->addSheet(u"S");
    Bytes stream = readWorkbookStream(saved(*book));
    // Switch the saved Date1904 record on and load the result.
    for (std::size_t pos = 0; pos + 6 <= stream.size();) {
        std::uint16_t id = static_cast<std::uint16_t>(stream[pos] | stream[pos + 1] << 8);
        std::size_t size = stream[pos + 2] | stream[pos + 3] << 8;
        if (id == 0x0022) stream[pos + 4] = 1;
        pos += 4 + size;
    }
    Book file = loadedStream(stream);
    ASSERT_STREQ(file->errorMessage(), "ok");
    EXPECT_EQ(file->packDate(2000, 1, 1, 0, 0, 0, 0), 35064.0);
    EXPECT_EQ(book->packDate(2000, 1, 1, 0, 0, 0, 0), 36526.0);
}

TEST(BinaryBook, CellsOfEveryKindSurviveSaveAndLoad) {
    Book book = newBook();
    ISheet* sheet = book->addSheet(u"Cells");
    IFormat* dateFormat = book->addFormat();
    dateFormat->setNumFormat(14);
    sheet->writeNumber(0, 0, 1234.5);          // RK
    sheet->writeNumber(0, 1, 0.1);             // Number
    sheet->writeNumber(0, 5, 1.0 + 0x1p-19);   // Number: bit 33 set, which an RK would take as a flag
    sheet->writeNumber(0, 6, 1.0 + 0x1p-20);   // Number: bit 32 likewise
    sheet->writeString(0, 2, u"caf\u00E9 \U0001F600");
    sheet->writeBool(0, 3, true);
    sheet->writeBlank(0, 4, dateFormat);
    sheet->writeNumber(1, 0, 36526.5, dateFormat);
    sheet->writeNumber(65535, 255, -7);

    Book copy = reloaded(*book);
    ISheet* s = copy->getSheet(0);
    EXPECT_EQ(s->readNumber(0, 0), 1234.5);
    EXPECT_EQ(s->readNumber(0, 1), 0.1);
    EXPECT_EQ(s->readNumber(0, 5), 1.0 + 0x1p-19);
    EXPECT_EQ(s->readNumber(0, 6), 1.0 + 0x1p-20);
    EXPECT_EQ(text(s->readString(0, 2)), u"caf\u00E9 \U0001F600");
    EXPECT_TRUE(s->readBool(0, 3));
    EXPECT_EQ(s->cellType(0, 4), CellBlank);
    EXPECT_TRUE(s->cellIsDate(1, 0));
    EXPECT_FALSE(s->cellIsDate(0, 0));
    EXPECT_EQ(s->readNumber(65535, 255), -7.0);
    EXPECT_EQ(s->firstRow(), 0);
    EXPECT_EQ(s->lastRow(), 65536);
    EXPECT_EQ(s->lastColumn(), 256);
    IFormat* format = nullptr;
    s->readBlank(0, 4, &format);
    ASSERT_NE(format, nullptr);
    EXPECT_EQ(format->numFormat(), 14);
}

// Every XF and Font field is pinned by exact bytes in format_impl_test.cpp and
// format_tables_test.cpp, and every sheet setting by sheet_stream_test.cpp; these two
// follow the links a whole book adds: cell to XF, XF to font and custom number
// format, colour to palette, and the settings no sheet test sets.
TEST(BinaryBook, AFormatKeepsItsFontNumberFormatAndColourThroughSaveAndLoad) {
    Book book = newBook();
    ISheet* sheet = book->addSheet(u"Styles");
    IFont* font = book->addFont();
    font->setName(u"Courier New");
    font->setSize(14);
    font->setBold(true);
    Color teal = book->packColor(0x12, 0x34, 0x56);
    font->setColor(teal);
    IFormat* format = book->addFormat();
    format->setFont(font);
    format->setNumFormat(book->addCustomNumFormat(u"0.000\" kg\""));
    format->setRotation(45);
    format->setBorderTopColor(teal);
    format->setHidden(true);
    sheet->writeNumber(2, 2, 1.5, format);

    Book copy = reloaded(*book);
    IFormat* f = copy->getSheet(0)->cellFormat(2, 2);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(text(copy->customNumFormat(f->numFormat())), u"0.000\" kg\"");
    EXPECT_EQ(f->rotation(), 45);
    EXPECT_EQ(f->borderTopColor(), teal);
    EXPECT_TRUE(f->hidden());
    IFont* g = f->font();
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(text(g->name()), u"Courier New");
    EXPECT_EQ(g->size(), 14);
    EXPECT_TRUE(g->bold());
    EXPECT_EQ(g->color(), teal);
    int red = 0, green = 0, blue = 0;
    copy->unpackColor(teal, &red, &green, &blue);
    EXPECT_EQ((std::vector<int>{red, green, blue}), (std::vector<int>{0x12, 0x34, 0x56}));
}

TEST(BinaryBook, LayoutAndPageSettingsSurviveSaveAndLoad) {
    Book book = newBook();
    ISheet* sheet = book->addSheet(u"Layout");
    sheet->writeNumber(0, 0, 1);
    sheet->setColumns(1, 2, 20.0);
    sheet->setColumnHidden(4, true);
    sheet->setRow(3, 30.0);
    sheet->setRowHidden(5, true);
    sheet->addMerge(10, 11, 0, 3);
    sheet->setPrintFitPages(2, 3);
    sheet->setHeader(u"&CQuarterly", 0.4);
    sheet->setLeftMargin(0.25);

    Book copy = reloaded(*book);
    ISheet* s = copy->getSheet(0);
    EXPECT_DOUBLE_EQ(s->columnWidth(1), 20.0);
    EXPECT_DOUBLE_EQ(s->columnWidth(2), 20.0);
    EXPECT_DOUBLE_EQ(s->columnWidth(3), 8.43);
    EXPECT_TRUE(s->columnIsHidden(4));
    EXPECT_DOUBLE_EQ(s->rowHeight(3), 30.0);
    EXPECT_TRUE(s->rowIsHidden(5));
    EXPECT_FALSE(s->rowIsHidden(4));
    int r1 = -1, r2 = -1, c1 = -1, c2 = -1;
    EXPECT_TRUE(s->mergeAt(11, 2, &r1, &r2, &c1, &c2));
    EXPECT_EQ((std::vector<int>{r1, r2, c1, c2}), (std::vector<int>{10, 11, 0, 3}));
    int wide = 0, tall = 0;
    EXPECT_TRUE(s->printFitPages(&wide, &tall));
    EXPECT_EQ(wide * 10 + tall, 23);
    EXPECT_EQ(text(s->headerText()), u"&CQuarterly");
    EXPECT_DOUBLE_EQ(s->headerMargin(), 0.4);
    EXPECT_DOUBLE_EQ(s->leftMargin(), 0.25);
    EXPECT_DOUBLE_EQ(s->rightMargin(), 0.75);
    EXPECT_FALSE(s->centeredVertically());
    EXPECT_TRUE(s->summaryColumnsRight());
}

TEST(BinaryBook, ASecondSaveIsIdenticalToTheFirst) {
    Book book = newBook();
    ISheet* sheet = book->addSheet(u"S");
    sheet->writeString(0, 0, u"x");
    sheet->addMerge(2, 3, 2, 3);
    Bytes once = saved(*book);
    Book copy = reloaded(*book);
    EXPECT_EQ(saved(*copy), once);
}

TEST(BinaryBook, AnOverlongFormatTextIsCutToOneRecord) {
    Book book = newBook();
    book->addSheet(u"S");
    int id = book->addCustomNumFormat(std::u16string(5000, u'0').c_str());
    Book copy = reloaded(*book);
    ASSERT_STREQ(copy->errorMessage(), "ok");
    // 8224 bytes of body: the id, the count, the flags byte and 4109 characters of two bytes.
    EXPECT_EQ(text(copy->customNumFormat(id)).size(), 4109u);
}

// A BIFF8 Header may hold an empty text as a zero count without its flags byte.
TEST(PageSetupText, ZeroCountWithoutFlagsIsEmpty) {
    const Bytes bof8 = {0x00, 0x06, 0x05, 0x00, 0xD3, 0x18, 0xCD, 0x07, 0x01, 0, 0, 0, 0x06, 0, 0, 0};
    Bytes sheetBof = bof8;
    sheetBof[2] = 0x10;
    Bytes stream = streamOf({{0x0809, bof8}, {0x0085, {0, 0, 0, 0, 0x00, 0x00, 0x01, 0x00, 'S'}},
                             {0x000A, {}}, {0x0809, sheetBof},
                             {0x0014, {0x00, 0x00}},       // Header: count 0, no flags byte
                             {0x0015, {0x01, 0x00, 0x00}}, // Footer: count 1, flags, no character
                             {0x000A, {}}});
    Bytes file = karvo::testing::fileOf(stream);
    Book book = newBook();
    EXPECT_FALSE(book->loadFromMemory(reinterpret_cast<const char*>(file.data()), file.size()));
    EXPECT_STREQ(book->errorMessage(), "Footer size is incorrect");

    stream = streamOf({{0x0809, bof8}, {0x0085, {0, 0, 0, 0, 0x00, 0x00, 0x01, 0x00, 'S'}},
                       {0x000A, {}}, {0x0809, sheetBof}, {0x0014, {0x00, 0x00}}, {0x000A, {}}});
    Book good = karvo::testing::loaded(karvo::testing::fileOf(stream));
    EXPECT_EQ(std::u16string(good->getSheet(0)->headerText()), u"");
}

// The largest formula a cell takes still fits one record, so it comes back whole; one
// token more is refused when written, not lost when saved.
TEST(BinaryBook, TheLongestFormulaSurvivesSaveAndLoad) {
    Book book = newBook();
    ISheet* sheet = book->addSheet(u"Data");
    std::u16string longest = u"(1";
    for (int i = 1; i < 450; ++i) longest += u"+1"; // 1799 bytes of tokens, 1800 with the bracket
    longest += u")";
    ASSERT_TRUE(sheet->writeFormula(0, 0, longest.c_str())) << book->errorMessage();
    EXPECT_FALSE(sheet->writeFormula(1, 0, (longest + u"%").c_str()));
    EXPECT_STREQ(book->errorMessage(), "formula is too long: its tokens take 1801 bytes, at most 1800 fit a formula cell");
    Book copy = reloaded(*book);
    EXPECT_EQ(text(copy->getSheet(0)->readFormula(0, 0)), longest);
    EXPECT_EQ(copy->getSheet(0)->cellType(1, 0), CellEmpty);
}

// A save to a file hands the stream over a megabyte at a time; the string table's
// CONTINUE sizes and the sheet positions are filled in after their bytes went out.
// What lands in the file is what a save to memory gives.
TEST(BinaryBook, SavingToAFileGivesTheBytesOfASaveToMemory) {
    Book book = newBook();
    for (const char16_t* name : {u"First", u"Second", u"Third"}) {
        ISheet* sheet = book->addSheet(name);
        for (int row = 0; row < 12000; ++row) {
            // Long enough that the string table spans more than one window of a reader.
            std::u16string unique = name + (u" unique text " + utf8ToUtf16(std::to_string(row))) + std::u16string(40, u'.');
            ASSERT_TRUE(sheet->writeString(row, 0, unique.c_str()));
            ASSERT_TRUE(sheet->writeNumber(row, 1, row * 0.25));
        }
    }
    const std::string path = ::testing::TempDir() + "karvo-spilled-save.xls";
    ASSERT_TRUE(book->save(utf8ToUtf16(path).c_str())) << book->errorMessage();
    std::ifstream in(path, std::ios::binary);
    const Bytes file{std::istreambuf_iterator<char>(in), {}};
    const Bytes memory = saved(*book);
    ASSERT_GT(memory.size(), std::size_t(2) << 20) << "too small to be handed over in parts";
    EXPECT_TRUE(file == memory) << file.size() << " bytes in the file, " << memory.size() << " in memory";
    Book back = karvo::testing::loaded(file);
    ASSERT_EQ(back->sheetCount(), 3);
    EXPECT_EQ(text(back->getSheet(2)->readString(11999, 0)), u"Third unique text 11999" + std::u16string(40, u'.'));

    // Loaded from the file, which is read a window at a time: the same cells.
    Book fromFile = newBook();
    ASSERT_TRUE(fromFile->load(utf8ToUtf16(path).c_str())) << fromFile->errorMessage();
    std::remove(path.c_str());
    ASSERT_EQ(fromFile->sheetCount(), 3);
    for (int s = 0; s < 3; ++s) {
        ISheet* a = back->getSheet(s);
        ISheet* b = fromFile->getSheet(s);
        EXPECT_EQ(text(a->sheetName()), text(b->sheetName()));
        for (int row = 0; row < 12000; ++row) {
            ASSERT_EQ(text(a->readString(row, 0)), text(b->readString(row, 0))) << "sheet " << s << " row " << row;
            ASSERT_EQ(a->readNumber(row, 1), b->readNumber(row, 1)) << "sheet " << s << " row " << row;
        }
    }
}
