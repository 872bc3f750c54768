// sheet_pictures.cpp - SheetImplT: loading the drawing, placing the book's pictures and finding them again.
#include <algorithm>
#include <cmath>
#include <limits>

#include "core/utf_convert.h"
#include "core/xlerror.h"
#include "xls/code_page.h"
#include "xls/sheet_impl.h"

namespace karvo {
namespace {

// Anchor offsets are fractions of their cell: 1/1024 of a column, 1/256 of a row.
constexpr int kColumnUnits = 1024;
constexpr int kRowUnits = 256;
// What the -1 size of placePictureSized asks for: the extent of the merged range.
constexpr int kMergedExtent = -1;

std::uint16_t fraction(int pixels, int cellPixels, int units) {
    if (cellPixels <= 0) return 0;
    return static_cast<std::uint16_t>(std::clamp(static_cast<long long>(pixels) * units / cellPixels, 0LL,
                                                 static_cast<long long>(units)));
}

int truncated(double v) {
    if (!(v > 0)) return 0;
    return v >= std::numeric_limits<int>::max() ? std::numeric_limits<int>::max() : static_cast<int>(v);
}

// Walks an edge `length` pixels from the start of line `first`: whole lines are
// passed while the edge lies at or beyond their end. Gives the line the edge ends in
// and the pixels left inside it.
template <class Size>
std::pair<int, int> walk(int first, long long length, int last, Size&& size) {
    int line = first;
    while (line < last && length >= size(line)) length -= size(line++);
    return {line, static_cast<int>(std::min<long long>(length, size(line)))};
}

} // namespace

void SheetImplT::loadDrawing(bool biff5) {
    std::vector<OldNote> oldNotes = data_.drawing.build(biff5);
    for (const DrawingIds& ids : drawingIds()) host_.drawingGroup().noteDrawing(ids);
    // A BIFF5 note is a text without drawing objects; BIFF8 shows a comment only with
    // its box and text objects, so each becomes a comment of the default size.
    // Its text is 8-bit, in the book's code page, and decoded whole: a double-byte
    // character may straddle two of its records.
    for (const OldNote& note : oldNotes) {
        if (note.row > kMaxRow || note.col > kMaxCol) continue;
        std::u16string text = NarrowCodePage::decode(note.text);
        addComment(note.row, note.col, utf16Prefix(text, kMaxCommentLength), u"", 0, 0);
    }
}

std::vector<DrawingIds> SheetImplT::drawingIds() const {
    return data_.isWorksheet() ? data_.drawing.ids() : drawingIdsIn(data_.raw);
}

OfficeArtClientAnchorSheet SheetImplT::anchorAt(int row, int col, int width, int height, int offsetX,
                                                int offsetY) const {
    auto colSize = [&](int c) { return columnPixels(c); };
    auto rowSize = [&](int r) { return rowPixels(r); };
    OfficeArtClientAnchorSheet a;
    a.colL = static_cast<std::uint16_t>(col);
    a.rwT = static_cast<std::uint16_t>(row);
    a.dxL = fraction(offsetX, colSize(col), kColumnUnits);
    a.dyT = fraction(offsetY, rowSize(row), kRowUnits);
    auto [colR, right] = walk(col, static_cast<long long>(offsetX) + width, kMaxCol, colSize);
    auto [rowB, bottom] = walk(row, static_cast<long long>(offsetY) + height, kMaxRow, rowSize);
    a.colR = static_cast<std::uint16_t>(colR);
    a.dxR = fraction(right, colSize(colR), kColumnUnits);
    a.rwB = static_cast<std::uint16_t>(rowB);
    a.dyB = fraction(bottom, rowSize(rowB), kRowUnits);
    return a;
}

int SheetImplT::pictureCount() {
    return run(0, [&] { return static_cast<int>(data_.drawing.pictures().size()); });
}

int SheetImplT::pictureAt(int index, int* rowTop, int* colLeft, int* rowBottom, int* colRight, int* width,
                          int* height, int* offsetX, int* offsetY) {
    return run(-1, [&] {
        std::vector<SheetDrawing::Picture> pictures = data_.drawing.pictures();
        if (index < 0 || index >= static_cast<int>(pictures.size())) throw xlerror("picture not found");
        const SheetDrawing::Picture& p = pictures[static_cast<std::size_t>(index)];
        const OfficeArtClientAnchorSheet& a = p.anchor;
        int left = a.dxL * columnPixels(a.colL) / kColumnUnits;
        int top = a.dyT * rowPixels(a.rwT) / kRowUnits;
        long long w = a.dxR * columnPixels(a.colR) / kColumnUnits - left;
        long long h = a.dyB * rowPixels(a.rwB) / kRowUnits - top;
        for (int c = a.colL; c < a.colR; ++c) w += columnPixels(c);
        for (int r = a.rwT; r < a.rwB; ++r) h += rowPixels(r);
        for (auto [out, v] : {std::pair{rowTop, int(a.rwT)}, {colLeft, int(a.colL)}, {rowBottom, int(a.rwB)},
                              {colRight, int(a.colR)}, {width, truncated(double(w))}, {height, truncated(double(h))},
                              {offsetX, left}, {offsetY, top}})
            if (out) *out = v;
        return p.pictureId;
    });
}

void SheetImplT::placePictureScaled(int row, int col, int pictureId, double scale, int offsetX, int offsetY) {
    PixelSize size;
    if (!run(false, [&] { size = host_.drawingGroup().pictureSize(pictureId); return true; })) return;
    placePictureSized(row, col, pictureId, truncated(size.width * scale), truncated(size.height * scale), offsetX,
                      offsetY);
}

void SheetImplT::placePictureSized(int row, int col, int pictureId, int width, int height, int offsetX,
                                   int offsetY) {
    run([&] {
        checkCell(row, col);
        DrawingGroup& group = host_.drawingGroup();
        if (pictureId < 0 || pictureId >= group.pictureCount()) throw xlerror("pictureId is out of range");
        if (width == kMergedExtent || height == kMergedExtent) {
            Ref8 range{static_cast<std::uint16_t>(row), static_cast<std::uint16_t>(row), static_cast<std::uint16_t>(col),
                       static_cast<std::uint16_t>(col)};
            for (const auto& merges : data_.merges)
                for (const Ref8& m : merges)
                    if (m.contains(row, col)) range = m;
            long long w = 0, h = 0;
            for (int c = col; c <= range.colLast; ++c) w += columnPixels(c);
            for (int r = row; r <= range.rowLast; ++r) h += rowPixels(r);
            if (width == kMergedExtent) width = truncated(double(w));
            if (height == kMergedExtent) height = truncated(double(h));
        }
        bool cutX = offsetX > columnPixels(col);
        bool cutY = offsetY > rowPixels(row);
        offsetX = std::clamp(offsetX, 0, columnPixels(col));
        offsetY = std::clamp(offsetY, 0, rowPixels(row));
        data_.drawing.addPicture(group, pictureId,
                                 anchorAt(row, col, std::max(width, 0), std::max(height, 0), offsetX, offsetY));
        group.addReference(pictureId);
        if (cutX && cutY) host_.message().warn("offset_x and offset_y exceed cell's size");
        else if (cutX) host_.message().warn("offset_x exceed cell's width");
        else if (cutY) host_.message().warn("offset_y exceed cell's height");
    });
}

} // namespace karvo
