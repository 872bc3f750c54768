// line_shift.cpp - moving anchors with inserted and removed lines.
#include "core/line_shift.h"

#include <algorithm>

namespace karvo {

std::optional<int> LineShift::place(int line) const {
    // A removal may name lines far beyond the sheet: count in 64 bits.
    const long long n = static_cast<long long>(last) - first + 1;
    if (line < first) return line;
    if (insert) return line + n <= max ? std::optional<int>(static_cast<int>(line + n)) : std::nullopt;
    if (line <= last) return std::nullopt;
    return static_cast<int>(line - n);
}

AnchorLines moveWhole(AnchorLines span, int delta, int max) {
    span.start = std::clamp(span.start + delta, 0, max);
    span.end = std::clamp(span.end + delta, 0, max);
    return span;
}

std::optional<AnchorLines> followLines(AnchorLines span, AnchorMove how, const LineShift& lines) {
    if (how == AnchorMove::Stays) return span;
    std::optional<int> to = lines.place(span.start);
    if (!to) return std::nullopt;
    if (how == AnchorMove::KeepsSize) {
        span = moveWhole(span, *to - span.start, lines.max);
    } else if (std::optional<int> endTo = lines.place(span.end)) {
        span.end = *endTo;
    } else {
        span.end = lines.insert ? lines.max : lines.first;
        span.endOffsetCleared = true;
    }
    span.start = *to;
    return span;
}

} // namespace karvo
