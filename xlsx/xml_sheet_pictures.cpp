// xml_sheet_pictures.cpp - XMLSheetImplT: placing the book's pictures on the sheet
// and finding them again, through the sheet's drawing part.
#include <algorithm>
#include <cmath>
#include <limits>

#include "core/cell_address.h"
#include "xlsx/content_type_names.h"
#include "xlsx/drawing.h"
#include "xlsx/xml_book_impl.h"
#include "xlsx/xml_sheet_impl.h"

namespace karvo::xlsx {
namespace {

constexpr double kDefaultRowHeight = 15.0;
// Row heights are points; a pixel at 96 per inch is 3/4 of a point.
constexpr double kPixelsPerPoint = 96.0 / 72.0;
// The largest sizes consumers give a row (points) and a column (digits): a file that
// states more, or no number at all, cannot make a pixel count overflow.
constexpr double kMaxRowPoints = 409.5;
constexpr double kMaxColumnDigits = 255.0;

int toPixels(double size, double largest, double pixelsPerUnit) {
    if (!(size > 0)) return 0;
    return static_cast<int>(std::floor(std::min(size, largest) * pixelsPerUnit + 0.5));
}

int clampToInt(std::int64_t v) {
    return static_cast<int>(std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// Walks an edge `length` pixels from the start of line `first`: whole lines are passed
// while the edge lies at or beyond their end, up to line `last`, where the edge stops.
// Gives the line the edge ends in and the pixels left inside it.
template <class Size>
std::pair<int, int> walk(int first, std::int64_t length, int last, Size&& size) {
    int line = first;
    while (line < last && length >= size(line)) length -= size(line++);
    return {line, clampToInt(line == last ? std::min<std::int64_t>(length, size(line)) : length)};
}

// The corner a picture of the given size reaches from `from`, by the cells' sizes.
template <class ColSize, class RowSize>
CellPoint farCorner(const CellPoint& from, int width, int height, ColSize&& colSize, RowSize&& rowSize) {
    auto [col, x] = walk(from.col, std::int64_t(from.colOffset) + std::max(width, 0), kMaxAddressCol, colSize);
    auto [row, y] = walk(from.row, std::int64_t(from.rowOffset) + std::max(height, 0), kMaxAddressRow, rowSize);
    return {col, x, row, y};
}

template <class Size>
std::int64_t extent(int first, int last, Size&& size) {
    std::int64_t total = 0;
    for (int line = first; line < last; ++line) total += size(line);
    return total;
}

// A loaded anchor is used only when its corners lie on the sheet, in order.
void checkAnchor(const PictureAnchor& anchor) {
    auto onSheet = [](const CellPoint& p) {
        return p.col >= 0 && p.col <= kMaxAddressCol && p.row >= 0 && p.row <= kMaxAddressRow;
    };
    if (!onSheet(anchor.from) || !onSheet(anchor.to) || anchor.to.col < anchor.from.col ||
        anchor.to.row < anchor.from.row)
        throw xlerror("picture anchor is out of range");
}

} // namespace

int XMLSheetImplT::columnPixels(int col) const {
    const sheet::c_CT_Col* range = findColumn(col);
    if (range && range->hidden.get()) return 0;
    double stored = range && range->width.has() ? range->width.get() : defaultColumnWidth();
    return toPixels(stored, kMaxColumnDigits, book_.maxDigitWidth());
}

int XMLSheetImplT::rowPixels(int row) const {
    const sheet::c_CT_Row* found = findRow(row);
    if (found && found->hidden.get()) return 0;
    double points = found && found->ht.has() ? found->ht.get()
                    : root_.sheetFormatPr   ? root_.sheetFormatPr->defaultRowHeight
                                            : kDefaultRowHeight;
    return toPixels(points, kMaxRowPoints, kPixelsPerPoint);
}

int XMLSheetImplT::pictureCount() {
    return run<int>(0, [&] { return static_cast<int>(book_.sheetDrawing(*this).drawing->pictures().size()); });
}

int XMLSheetImplT::pictureAt(int index, int* rowTop, int* colLeft, int* rowBottom, int* colRight, int* width,
                             int* height, int* offsetX, int* offsetY) {
    return run<int>(-1, [&] {
        XMLBookImplT::SheetDrawing found = book_.sheetDrawing(*this);
        std::vector<PictureAnchor> anchors = found.drawing->pictures();
        if (index < 0 || static_cast<std::size_t>(index) >= anchors.size())
            throw xlerror("picture index is out of range");
        if (!found.rels) throw xlerror("can't find drawing relationships");
        PictureAnchor& a = anchors[static_cast<std::size_t>(index)];
        auto colSize = [&](int c) { return columnPixels(c); };
        auto rowSize = [&](int r) { return rowPixels(r); };
        if (a.extent) {
            checkAnchor({a.from, a.from, {}, {}});
            a.to = farCorner(a.from, a.extent->width, a.extent->height, colSize, rowSize);
        }
        checkAnchor(a);
        std::u16string target = found.rels->isExternal(a.embed) ? u"" : found.rels->targetById(a.embed);
        int id = target.empty() ? -1 : book_.pictureIndex(resolveTarget(folderOf(found.name), target));
        if (id < 0) throw xlerror("picture not found");
        std::int64_t w = extent(a.from.col, a.to.col, colSize) - a.from.colOffset + a.to.colOffset;
        std::int64_t h = extent(a.from.row, a.to.row, rowSize) - a.from.rowOffset + a.to.rowOffset;
        for (auto [out, v] : {std::pair{rowTop, a.from.row}, {colLeft, a.from.col}, {rowBottom, a.to.row},
                              {colRight, a.to.col}, {width, clampToInt(std::max<std::int64_t>(w, 0))},
                              {height, clampToInt(std::max<std::int64_t>(h, 0))}, {offsetX, a.from.colOffset},
                              {offsetY, a.from.rowOffset}})
            if (out) *out = v;
        return id;
    });
}

void XMLSheetImplT::placePictureScaled(int row, int col, int pictureId, double scale, int offsetX, int offsetY) {
    PixelSize size;
    if (!run<bool>(false, [&] {
            size = book_.pictureSize(pictureId);
            return true;
        }))
        return;
    auto scaled = [&](int pixels) {
        double v = pixels * scale;
        return v > 0 ? static_cast<int>(std::min(v, double(std::numeric_limits<int>::max()))) : 0;
    };
    placePictureSized(row, col, pictureId, scaled(size.width), scaled(size.height), offsetX, offsetY);
}

void XMLSheetImplT::placePictureSized(int row, int col, int pictureId, int width, int height, int offsetX,
                                      int offsetY) {
    run([&] {
        if (row < 0 || row > kMaxAddressRow) throw xlerror("row must be in range 0-1048575");
        if (col < 0 || col > kMaxAddressCol) throw xlerror("col must be in range 0-16383");
        if (pictureId < 0 || pictureId >= book_.pictureCount()) throw xlerror("pictureId is out of range");
        offsetX = std::max(offsetX, 0);
        offsetY = std::max(offsetY, 0);
        auto colSize = [&](int c) { return columnPixels(c); };
        auto rowSize = [&](int r) { return rowPixels(r); };
        CellPoint from{col, offsetX, row, offsetY};
        CellPoint to = farCorner(from, width, height, colSize, rowSize);

        std::u16string imageName = book_.picturePartName(pictureId);
        XMLBookImplT::SheetDrawing found = book_.makeSheetDrawing(*this);
        std::u16string embed = found.rels->add(kImageRelationship, relativeTarget(folderOf(found.name), imageName));
        found.drawing->addPicture(from, to, embed);

        bool beyondX = offsetX > columnPixels(col), beyondY = offsetY > rowPixels(row);
        if (beyondX && beyondY) message_.warn("offset_x and offset_y exceed cell's size");
        else if (beyondX) message_.warn("offset_x exceed cell's width");
        else if (beyondY) message_.warn("offset_y exceed cell's height");
    });
}

} // namespace karvo::xlsx
