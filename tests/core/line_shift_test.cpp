// Anchors following inserted and removed lines, at the edges of the sheet.
#include <gtest/gtest.h>

#include "core/line_shift.h"

using namespace karvo;

namespace {

constexpr int kMax = 99; // a sheet of 100 lines keeps the edges easy to reach

TEST(LineShift, MovingWholeStopsAtTheSheetsEdges) {
    const struct {
        int start, end, delta;
        int wantStart, wantEnd;
    } cases[] = {
        {10, 14, 3, 13, 17},
        {10, 14, -3, 7, 11},
        {1, 4, -3, 0, 1},    // a comment's box above its cell, the rows above it removed
        {95, 98, 3, 98, 99}, // pushed past the last line
        {97, 99, 5, 99, 99},
    };
    for (const auto& c : cases) {
        const AnchorLines moved = moveWhole({c.start, c.end}, c.delta, kMax);
        EXPECT_EQ(moved.start, c.wantStart) << c.start << ".." << c.end << " by " << c.delta;
        EXPECT_EQ(moved.end, c.wantEnd) << c.start << ".." << c.end << " by " << c.delta;
        EXPECT_FALSE(moved.endOffsetCleared);
    }
}

TEST(LineShift, AnchorsFollowAsTheyAsk) {
    const LineShift insertTwoAt5{true, true, 5, 6, kMax};
    const LineShift removeTwoAt5{true, false, 5, 6, kMax};
    const struct {
        AnchorMove how;
        const LineShift& lines;
        int start, end;
        bool gone;
        int wantStart, wantEnd;
        bool cleared;
    } cases[] = {
        {AnchorMove::Stays, insertTwoAt5, 3, 8, false, 3, 8, false},
        {AnchorMove::KeepsSize, insertTwoAt5, 3, 8, false, 3, 8, false}, // first cell above the insertion
        {AnchorMove::KeepsSize, insertTwoAt5, 6, 8, false, 8, 10, false},
        {AnchorMove::KeepsSize, insertTwoAt5, 90, 98, false, 92, 99, false},
        {AnchorMove::KeepsSize, insertTwoAt5, 98, 99, true, 0, 0, false}, // pushed off the sheet
        {AnchorMove::KeepsSize, removeTwoAt5, 8, 9, false, 6, 7, false},
        {AnchorMove::KeepsSize, removeTwoAt5, 5, 9, true, 0, 0, false},
        {AnchorMove::Resizes, insertTwoAt5, 3, 8, false, 3, 10, false},
        {AnchorMove::Resizes, insertTwoAt5, 3, 98, false, 3, 99, true},
        {AnchorMove::Resizes, removeTwoAt5, 3, 6, false, 3, 5, true}, // far corner in the removed lines
        {AnchorMove::Resizes, removeTwoAt5, 3, 8, false, 3, 6, false},
    };
    for (const auto& c : cases) {
        const std::optional<AnchorLines> span = followLines({c.start, c.end}, c.how, c.lines);
        const auto where = ::testing::Message() << int(c.how) << ' ' << c.start << ".." << c.end;
        ASSERT_EQ(!span, c.gone) << where;
        if (c.gone) continue;
        EXPECT_EQ(span->start, c.wantStart) << where;
        EXPECT_EQ(span->end, c.wantEnd) << where;
        EXPECT_EQ(span->endOffsetCleared, c.cleared) << where;
    }
}

} // namespace
