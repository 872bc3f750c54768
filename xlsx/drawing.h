// drawing.h - a drawing part ("/xl/drawings/drawingN.xml"): the anchors of what a
// worksheet shows over its cells.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/line_shift.h"
#include "xlsx/ooxml/dml-spreadsheetDrawing.h"
#include "xlsx/package_part.h"

namespace karvo::xlsx {

/// A corner of an anchor: the cell, and the offset into it in pixels.
struct CellPoint {
    int col = 0;
    int colOffset = 0;
    int row = 0;
    int rowOffset = 0;
    bool operator==(const CellPoint&) const = default;
};

/// Pixels across and down.
struct PixelExtent {
    int width = 0;
    int height = 0;
};

/// A picture the drawing places, and the relationship id of its image: between two
/// cells, or (a one-cell anchor) from a cell over an extent, `to` being left for the
/// sheet to find by its column widths and row heights.
struct PictureAnchor {
    CellPoint from;
    CellPoint to;
    std::u16string embed;
    std::optional<PixelExtent> extent;
};

/// A drawing loaded from a package keeps its bytes and writes them back unchanged
/// until a picture is added, so that markup the schema classes do not know survives
/// a load and save.
class Drawing : public XmlFile<drawing::c_wsDr> {
public:
    Drawing() = default;
    Drawing(const char* data, std::size_t size) : XmlFile(data, size), loaded_(data, size) {}

    void write(std::string& buffer, const lmx::byte_drain& drain) override;

    /// The two-cell and one-cell anchors that show a picture of the package, in
    /// document order. Shapes, charts, groups and pictures placed by position alone
    /// are kept but are not among them.
    std::vector<PictureAnchor> pictures() const;
    /// Appends a two-cell anchor that moves with its first cell and shows the image
    /// of the relationship `embed`.
    void addPicture(const CellPoint& from, const CellPoint& to, std::u16string_view embed);
    /// Moves the cell anchors as their cells move, as each anchor's editAs says; an
    /// object whose first cell goes is removed. Absolute anchors stay.
    void shift(const LineShift& lines);

private:
    std::uint32_t largestShapeId() const;

    std::string loaded_;
};

} // namespace karvo::xlsx
