// Comments of a binary book: writing and reading them, their records, and how they follow rows and columns.
#include <gtest/gtest.h>

#include <memory>

#include "core/book_factory.h"
#include "xls/book_impl.h"
#include "xls/xls.h"
#include "support/book_bytes.h"

using namespace karvo;

namespace {

using Bytes = std::vector<std::uint8_t>;

using karvo::testing::BookPtr;

std::u16string text(const char16_t* t) { return t ? t : u"(null)"; }

const std::vector<NoteEntry>& notesOf(ISheet* sheet) { return dynamic_cast<SheetImplT&>(*sheet).data().drawing.notes(); }

// The comment cells of a sheet, in note order.
std::vector<std::pair<int, int>> cellsOf(ISheet* sheet) {
    std::vector<std::pair<int, int>> cells;
    for (const NoteEntry& n : notesOf(sheet)) cells.emplace_back(n.row, n.col);
    return cells;
}

BookPtr reloaded(IBook& book) {
    const char* data = nullptr;
    std::size_t size = 0;
    EXPECT_TRUE(book.saveToMemory(&data, &size)) << book.errorMessage();
    BookPtr again(createBinaryBook());
    EXPECT_TRUE(again->loadFromMemory(data, size)) << again->errorMessage();
    return again;
}

class Comments : public ::testing::Test {
protected:
    BookPtr book{createBinaryBook()};
    ISheet* sheet = book->addSheet(u"Sheet1", nullptr);
};

TEST_F(Comments, AreWrittenAndReadBack) {
    sheet->writeComment(1, 1, u"first", nullptr, 0, 0);
    EXPECT_STREQ(book->errorMessage(), "ok");
    sheet->writeComment(2, 0, u"second", u"Ann", 200, 100);
    EXPECT_EQ(text(sheet->readComment(1, 1)), u"first");
    EXPECT_EQ(text(sheet->readComment(2, 0)), u"second");
    ASSERT_EQ(notesOf(sheet).size(), 2u);
    EXPECT_EQ(notesOf(sheet)[0].author, u"karvo");
    EXPECT_EQ(notesOf(sheet)[1].author, u"Ann");
    // Writing again replaces the comment.
    sheet->writeComment(1, 1, u"replaced", u"Bob", 0, 0);
    EXPECT_EQ(text(sheet->readComment(1, 1)), u"replaced");
    EXPECT_EQ(notesOf(sheet).size(), 2u);
}

TEST_F(Comments, FailuresLeaveNoComment) {
    EXPECT_EQ(sheet->readComment(0, 0), nullptr);
    EXPECT_STREQ(book->errorMessage(), "comment not found");
    sheet->writeComment(0, 0, nullptr, nullptr, 0, 0);
    EXPECT_STREQ(book->errorMessage(), "comment is null");
    sheet->writeComment(0, 0, std::u16string(32768, u'x').c_str(), nullptr, 0, 0);
    EXPECT_STREQ(book->errorMessage(), "string is too long");
    sheet->writeComment(65536, 0, u"x", nullptr, 0, 0);
    EXPECT_STREQ(book->errorMessage(), "row must be in range 0-65535");
    sheet->writeComment(0, 256, u"x", nullptr, 0, 0);
    EXPECT_STREQ(book->errorMessage(), "col must be in range 0-255");
    EXPECT_TRUE(notesOf(sheet).empty());
    sheet->writeComment(0, 0, std::u16string(32767, u'x').c_str(), std::u16string(60, u'a').c_str(), 0, 0);
    EXPECT_STREQ(book->errorMessage(), "ok");
    EXPECT_EQ(notesOf(sheet).at(0).author.size(), 54u);  // the longest author the format allows
}

TEST_F(Comments, SurviveSavingAndLoading) {
    const std::u16string cyrillic = u"\u041F\u0440\u0438\u0432\u0435\u0442, \u043C\u0438\u0440";
    const std::u16string longText(9000, u'y');  // more than one CONTINUE record of characters
    sheet->writeComment(0, 0, u"Latin-1 \u00FC", u"Ann", 0, 0);
    sheet->writeComment(3, 2, cyrillic.c_str(), u"\u0410\u043D\u044F", 0, 0);
    sheet->writeComment(4, 4, longText.c_str(), nullptr, 0, 0);
    sheet->writeComment(5, 5, u"", nullptr, 0, 0);
    BookPtr again = reloaded(*book);
    ISheet* loaded = again->getSheet(0);
    EXPECT_EQ(text(loaded->readComment(0, 0)), u"Latin-1 \u00FC");
    EXPECT_EQ(text(loaded->readComment(3, 2)), cyrillic);
    EXPECT_EQ(text(loaded->readComment(4, 4)), longText);
    EXPECT_EQ(text(loaded->readComment(5, 5)), u"");
    ASSERT_EQ(notesOf(loaded).size(), 4u);
    EXPECT_EQ(notesOf(loaded)[0].author, u"Ann");
    EXPECT_EQ(notesOf(loaded)[1].author, u"\u0410\u043D\u044F");
    EXPECT_EQ(notesOf(loaded)[2].author, u"karvo");
}

// The records of a sheet stream between the cells and Window2.
std::vector<std::pair<std::uint16_t, Bytes>> drawingRecords(IBook& book) {
    const char* data = nullptr;
    std::size_t size = 0;
    EXPECT_TRUE(book.saveToMemory(&data, &size));
    Xls xls = Xls::openRead({reinterpret_cast<const std::uint8_t*>(data), size});
    std::vector<std::pair<std::uint16_t, Bytes>> out;
    int bofs = 0;
    while (!xls.in().atEnd()) {
        Record r = xls.in().next();
        if (r.id == 0x0809) ++bofs;
        bool drawing = r.id == 0x00EC || r.id == 0x005D || r.id == 0x01B6 || r.id == 0x003C || r.id == 0x001C;
        if (bofs == 2 && drawing) out.emplace_back(r.id, Bytes(r.body.begin(), r.body.end()));
    }
    return out;
}

TEST_F(Comments, AreWrittenAsShapeObjTxoAndNote) {
    sheet->writeComment(1, 2, u"hi", u"Ann", 0, 0);
    auto records = drawingRecords(*book);
    ASSERT_EQ(records.size(), 7u);
    EXPECT_EQ(records[0].first, 0x00EC);  // the drawing up to the comment shape's client data
    EXPECT_EQ(records[1].first, 0x005D);  // its Obj
    EXPECT_EQ(records[2].first, 0x00EC);  // the client text box
    EXPECT_EQ(records[2].second, Bytes({0x00, 0x00, 0x0D, 0xF0, 0, 0, 0, 0}));
    const Bytes& obj = records[1].second;
    ASSERT_EQ(obj.size(), 52u);
    EXPECT_EQ(Bytes(obj.begin(), obj.begin() + 6), Bytes({0x15, 0x00, 0x12, 0x00, 0x19, 0x00}));  // ftCmo, note
    EXPECT_EQ(Bytes(obj.begin() + 8, obj.begin() + 10), Bytes({0x11, 0x40}));                     // flags
    EXPECT_EQ(Bytes(obj.begin() + 22, obj.begin() + 26), Bytes({0x0D, 0x00, 0x16, 0x00}));        // ftNts
    EXPECT_EQ(records[3], (std::pair<std::uint16_t, Bytes>{0x01B6, {0x12, 0x02, 0, 0, 0, 0, 0, 0, 0, 0,  // TxO
                                                                    2, 0,    // two characters
                                                                    16, 0,   // two runs
                                                                    0, 0, 0, 0}}));
    EXPECT_EQ(records[4], (std::pair<std::uint16_t, Bytes>{0x003C, {0x00, 'h', 'i'}}));  // 8-bit characters
    EXPECT_EQ(records[5].second, Bytes({0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0}));  // runs: font 0, end
    const Bytes& note = records[6].second;
    EXPECT_EQ(records[6].first, 0x001C);
    ASSERT_EQ(note.size(), 15u);
    EXPECT_EQ(Bytes(note.begin(), note.begin() + 6), Bytes({1, 0, 2, 0, 0, 0}));  // C2: row 1, column 2; hidden
    EXPECT_EQ(Bytes(note.begin() + 6, note.begin() + 8), Bytes(obj.begin() + 6, obj.begin() + 8));  // its Obj's id
    EXPECT_EQ(Bytes(note.begin() + 8, note.end()), Bytes({3, 0, 0, 'A', 'n', 'n', 0}));  // author, padding
}

TEST_F(Comments, FollowInsertedAndRemovedRows) {
    sheet->writeComment(2, 1, u"a", nullptr, 0, 0);
    sheet->writeComment(5, 3, u"b", nullptr, 0, 0);
    sheet->writeComment(65535, 0, u"c", nullptr, 0, 0);
    ASSERT_TRUE(sheet->insertRows(1, 2));
    EXPECT_EQ(cellsOf(sheet), (std::vector<std::pair<int, int>>{{4, 1}, {7, 3}}));  // the last one fell off
    EXPECT_EQ(text(sheet->readComment(4, 1)), u"a");
    ASSERT_TRUE(sheet->removeRows(4, 4));
    EXPECT_EQ(cellsOf(sheet), (std::vector<std::pair<int, int>>{{6, 3}}));
    EXPECT_EQ(text(sheet->readComment(6, 3)), u"b");
    EXPECT_EQ(sheet->readComment(4, 1), nullptr);
    BookPtr again = reloaded(*book);
    EXPECT_EQ(text(again->getSheet(0)->readComment(6, 3)), u"b");
}

TEST_F(Comments, FollowInsertedAndRemovedColumns) {
    sheet->writeComment(0, 1, u"a", nullptr, 0, 0);
    sheet->writeComment(0, 4, u"b", nullptr, 0, 0);
    ASSERT_TRUE(sheet->insertColumns(0, 0));
    EXPECT_EQ(cellsOf(sheet), (std::vector<std::pair<int, int>>{{0, 2}, {0, 5}}));
    ASSERT_TRUE(sheet->removeColumns(1, 2));
    EXPECT_EQ(cellsOf(sheet), (std::vector<std::pair<int, int>>{{0, 3}}));
    EXPECT_EQ(text(sheet->readComment(0, 3)), u"b");
}

TEST_F(Comments, TheirBoxesMoveWithThem) {
    sheet->writeComment(4, 2, u"a", nullptr, 0, 0);  // its box starts at D4
    BookPtr again = reloaded(*book);
    ISheet* loaded = again->getSheet(0);
    ASSERT_TRUE(loaded->insertRows(0, 9));
    ASSERT_TRUE(loaded->insertColumns(0, 0));
    EXPECT_EQ(cellsOf(loaded), (std::vector<std::pair<int, int>>{{14, 3}}));
    // The box starts a row above and a column right of its cell, after the moves as before.
    auto records = drawingRecords(*again);
    ASSERT_FALSE(records.empty());
    const Bytes& art = records[0].second;
    const Bytes anchorHeader = {0x00, 0x00, 0x10, 0xF0, 18, 0, 0, 0};
    auto at = std::search(art.begin(), art.end(), anchorHeader.begin(), anchorHeader.end());
    ASSERT_NE(at, art.end());
    Bytes anchor(at + 8, at + 26);
    EXPECT_EQ(anchor[2], 4);   // first column: E, one right of the comment's D
    EXPECT_EQ(anchor[6], 13);  // first row: one above the comment's row 14
}

TEST_F(Comments, GoWithClearedCells) {
    sheet->writeComment(1, 1, u"in", nullptr, 0, 0);
    sheet->writeComment(5, 5, u"out", nullptr, 0, 0);
    ASSERT_TRUE(sheet->clearCells(0, 2, 0, 2));
    EXPECT_EQ(cellsOf(sheet), (std::vector<std::pair<int, int>>{{5, 5}}));
    EXPECT_EQ(text(sheet->readComment(5, 5)), u"out");
}

// A BIFF5 book: globals with one sheet entry, then a worksheet with three old Note
// records, the second comment's text going on in a record of row 0xFFFF.
Bytes biff5Book() {
    const Bytes bof = {0x00, 0x05, 0x05, 0x00, 0, 0, 0, 0};
    const Bytes sheetBof = {0x00, 0x05, 0x10, 0x00, 0, 0, 0, 0};
    Xls xls = Xls::openWrite();
    RecordWriter& out = xls.out();
    out.record(RecordId::BOF, bof);
    out.header(RecordId::BoundSheet8, 4 + 2 + 1 + 6);
    std::size_t position = out.position();
    out.u32(0);
    out.u16(0);  // visible worksheet
    out.u8(6);
    out.bytes(Bytes{'S', 'h', 'e', 'e', 't', '1'});
    out.record(RecordId::EOF_, {});
    out.patchU32(position, static_cast<std::uint32_t>(out.position()));
    out.record(RecordId::BOF, sheetBof);
    out.record(RecordId::Note, Bytes{2, 0, 1, 0, 5, 0, 'h', 'e', 'l', 'l', 'o'});  // B3: "hello"
    out.record(RecordId::Note, Bytes{4, 0, 0, 0, 8, 0, 'a', 'b', 'c'});             // A5: 8 characters, 3 here
    out.record(RecordId::Note, Bytes{0xFF, 0xFF, 0, 0, 5, 0, 'd', 'e', 'f', 'g', 'h'});  // ... and 5 more
    out.record(RecordId::EOF_, {});
    return xls.finish();
}

TEST(CommentsBiff5, OldNotesBecomeComments) {
    Bytes file = biff5Book();
    BookPtr book(createBinaryBook());
    ASSERT_TRUE(book->loadFromMemory(reinterpret_cast<const char*>(file.data()), file.size())) << book->errorMessage();
    ISheet* sheet = book->getSheet(0);
    EXPECT_EQ(text(sheet->readComment(2, 1)), u"hello");
    EXPECT_EQ(text(sheet->readComment(4, 0)), u"abcdefgh");
    ASSERT_EQ(notesOf(sheet).size(), 2u);
    EXPECT_EQ(notesOf(sheet)[0].author, u"karvo");
    BookPtr again = reloaded(*book);
    EXPECT_EQ(text(again->getSheet(0)->readComment(4, 0)), u"abcdefgh");
}

} // namespace
