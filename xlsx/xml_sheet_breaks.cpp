// xml_sheet_breaks.cpp - XMLSheetImplT: manual page breaks, the brk elements of
// rowBreaks and colBreaks.
#include <algorithm>

#include "core/cell_address.h"
#include "xlsx/xml_sheet_impl.h"

namespace karvo::xlsx {
namespace {

using sheet::c_CT_Break;
using sheet::c_CT_PageBreak;
using sheet::c_CT_Worksheet;

// Consumers keep at most 1026 manual breaks in each direction, as binary books do.
constexpr std::size_t kMaxBreaks = 1026;

struct Direction {
    lmx::owned<c_CT_PageBreak> c_CT_Worksheet::*breaks;
    int lastIndex;        ///< the last row (column) a break may follow
    std::uint32_t extent; ///< the `max` of a break: the last column (row) it runs to
    const char* outOfRange;
};
constexpr Direction kRowBreaks{&c_CT_Worksheet::rowBreaks, kMaxAddressRow, kMaxAddressCol,
                               "row must be in range 0-1048575"};
constexpr Direction kColumnBreaks{&c_CT_Worksheet::colBreaks, kMaxAddressCol, kMaxAddressRow,
                                  "col must be in range 0-16383"};

int breakCount(const c_CT_Worksheet& sheet, const Direction& direction) {
    const c_CT_PageBreak* breaks = (sheet.*direction.breaks).get();
    return breaks ? static_cast<int>(breaks->brk.size()) : 0;
}

int breakAt(const c_CT_Worksheet& sheet, const Direction& direction, int index) {
    if (index < 0 || index >= breakCount(sheet, direction)) throw xlerror("index is out of range");
    const c_CT_Break& found = *(sheet.*direction.breaks)->brk[static_cast<std::size_t>(index)];
    if (!found.id.has()) throw xlerror("c_CT_Break without id");
    return static_cast<int>(std::min<std::uint32_t>(found.id.get(), INT32_MAX));
}

// An empty break list is not allowed; the counts say how many breaks, and how many
// manual ones, the list holds.
void recount(lmx::owned<c_CT_PageBreak>& breaks) {
    if (breaks->brk.empty()) {
        breaks.reset();
        return;
    }
    auto manual = std::count_if(breaks->brk.begin(), breaks->brk.end(), [](const auto& b) { return b->man.get(); });
    breaks->count.set(static_cast<std::uint32_t>(breaks->brk.size()));
    breaks->manualBreakCount.set(static_cast<std::uint32_t>(manual));
}

// Breaks are kept in order of position, as consumers write them.
void setBreak(c_CT_Worksheet& sheet, const Direction& direction, int at, bool on) {
    if (at < 0 || at > direction.lastIndex) throw xlerror(direction.outOfRange);
    auto id = static_cast<std::uint32_t>(at);
    lmx::owned<c_CT_PageBreak>& breaks = sheet.*direction.breaks;
    std::vector<lmx::owned<c_CT_Break>> none;
    auto& list = breaks ? breaks->brk : none;
    auto same = std::find_if(list.begin(), list.end(), [&](const auto& b) { return b->id.has() && b->id.get() == id; });
    if (on && same != list.end()) throw xlerror("pagebreak already exists");
    if (on && list.size() >= kMaxBreaks) throw xlerror("number of pagebreaks is exceed limit");
    if (!on && same == list.end()) throw xlerror("pagebreak not found");
    if (on) {
        auto after = std::find_if(list.begin(), list.end(), [&](const auto& b) { return b->id.has() && b->id.get() > id; });
        auto position = after - list.begin();
        auto made = std::make_unique<c_CT_Break>();
        made->id.set(id);
        made->max.set(direction.extent);
        made->man.set(true);
        auto& target = breaks.make().brk;
        target.emplace(target.begin() + position, std::move(made));
    } else {
        list.erase(same);
    }
    recount(breaks);
}

} // namespace

int XMLSheetImplT::rowBreakAt(int index) {
    return run<int>(0, [&] { return breakAt(root_, kRowBreaks, index); });
}

int XMLSheetImplT::rowBreakCount() {
    message_.ok();
    return breakCount(root_, kRowBreaks);
}

int XMLSheetImplT::columnBreakAt(int index) {
    return run<int>(0, [&] { return breakAt(root_, kColumnBreaks, index); });
}

int XMLSheetImplT::columnBreakCount() {
    message_.ok();
    return breakCount(root_, kColumnBreaks);
}

bool XMLSheetImplT::setRowBreak(int row, bool pageBreak) {
    return run<bool>(false, [&] {
        setBreak(root_, kRowBreaks, row, pageBreak);
        return true;
    });
}

bool XMLSheetImplT::setColumnBreak(int col, bool pageBreak) {
    return run<bool>(false, [&] {
        setBreak(root_, kColumnBreaks, col, pageBreak);
        return true;
    });
}

} // namespace karvo::xlsx
