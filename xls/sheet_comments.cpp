// sheet_comments.cpp - SheetImplT: comments, and how they follow rows and columns.
#include <algorithm>
#include <string>

#include "core/utf_convert.h"
#include "core/xlerror.h"
#include "xls/sheet_impl.h"

namespace karvo {
namespace {

constexpr const char16_t* kDefaultAuthor = u"karvo";
// A box asked for without a size gets about two columns by four rows, as Excel's;
// it starts right of the cell, a row higher, a little in from the cell's corner.
constexpr int kDefaultBoxWidth = 128;
constexpr int kDefaultBoxHeight = 74;
constexpr int kBoxOffsetX = 15;
constexpr int kBoxOffsetY = 10;
// A comment box moves and resizes with its cells.
constexpr std::uint16_t kBoxAnchorFlags = 3;

} // namespace

const char16_t* SheetImplT::readComment(int row, int col) {
    return run<const char16_t*>(nullptr, [&] {
        checkCell(row, col);
        const NoteEntry* note = data_.drawing.note(row, col);
        if (!note) throw xlerror("comment not found");
        return keepText(data_.drawing.noteText(*note));
    });
}

void SheetImplT::writeComment(int row, int col, const char16_t* value, const char16_t* author, int width,
                              int height) {
    run([&] {
        checkCell(row, col);
        if (!value) throw xlerror("comment is null");
        std::u16string_view text(value);
        if (text.size() > kMaxCommentLength) throw xlerror("string is too long");
        addComment(row, col, text, author ? author : u"", width, height);
    });
}

void SheetImplT::addComment(int row, int col, std::u16string_view text, std::u16string_view author, int width,
                            int height) {
    if (!data_.isWorksheet()) throw xlerror("comments need a worksheet");
    NoteEntry note;
    note.row = static_cast<std::uint16_t>(row);
    note.col = static_cast<std::uint16_t>(col);
    note.author = author.empty() ? kDefaultAuthor : utf16Prefix(author, kMaxNoteAuthor);
    int boxRow = std::max(row - 1, 0);
    int boxCol = std::min(col + 1, kMaxCol);
    OfficeArtClientAnchorSheet box =
        anchorAt(boxRow, boxCol, width > 0 ? width : kDefaultBoxWidth, height > 0 ? height : kDefaultBoxHeight,
                 std::min(kBoxOffsetX, columnPixels(boxCol)), std::min(kBoxOffsetY, rowPixels(boxRow)));
    box.flags = kBoxAnchorFlags;
    data_.drawing.removeComment(row, col);
    data_.drawing.addComment(host_.drawingGroup(), std::move(note), text, box);
}

// Inserted lines push later comments and shapes on (off the sheet's end they are
// lost); removed lines take theirs with them and pull later ones back.
void SheetImplT::shiftDrawing(bool rows, int first, int last, bool insert) {
    data_.drawing.shift(LineShift{rows, insert, first, last, rows ? kMaxRow : kMaxCol});
}

void SheetImplT::removeComments(int rowFirst, int rowLast, int colFirst, int colLast) {
    std::vector<std::pair<int, int>> cells;
    for (const NoteEntry& n : data_.drawing.notes())
        if (n.row >= rowFirst && n.row <= rowLast && n.col >= colFirst && n.col <= colLast)
            cells.emplace_back(n.row, n.col);
    for (auto [row, col] : cells) data_.drawing.removeComment(row, col);
}

} // namespace karvo
