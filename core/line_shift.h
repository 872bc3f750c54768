// line_shift.h - where whole rows or columns go when some are inserted or removed, and
// how what is anchored to cells (pictures, shapes, comment boxes) follows them.
#pragma once

#include <optional>

namespace karvo {

/// Whole rows (or columns) inserted or removed.
struct LineShift {
    bool rows = true;
    bool insert = true;
    int first = 0, last = 0; ///< the lines inserted, or removed
    int max = 0;             ///< the sheet's last line

    /// A line's new place; nothing for a removed line or one pushed off the sheet.
    std::optional<int> place(int line) const;
};

/// How an anchored object answers its cells moving, as its anchor says.
enum class AnchorMove {
    Stays,     ///< keeps its place
    KeepsSize, ///< moves with its first cell, as large as before
    Resizes,   ///< each corner moves with its own cell
};

/// The lines an anchor spans: its first cell's and its far corner's.
struct AnchorLines {
    int start = 0, end = 0;
    bool endOffsetCleared = false; ///< the far corner moved to the start of a line
};

/// An anchor moved whole by `delta` lines, as large as before; an end pushed past the
/// sheet's first or last line (`max`) stops there.
AnchorLines moveWhole(AnchorLines span, int delta, int max);

/// Where an anchor's lines go; nothing when its first cell goes, and the object with
/// it. A far corner in removed lines comes to rest where they were.
std::optional<AnchorLines> followLines(AnchorLines span, AnchorMove how, const LineShift& lines);

} // namespace karvo
