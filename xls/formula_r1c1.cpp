// formula_r1c1.cpp - R1C1 references in formula text rewritten in A1 form.
#include <algorithm>
#include <optional>
#include <string>

#include "core/cell_address.h"
#include "core/xlerror.h"
#include "xls/formula_compiler.h"
#include "xls/formula_postfix.h"

namespace karvo {

namespace {

using postfix::isDigit;
using postfix::isLetter;


/// A row or column part of an R1C1 reference.
struct R1C1Part {
    bool absolute = false;
    std::int64_t value = 0; ///< 1-based number when absolute, else the offset
    std::size_t end = 0;
};

// Far past the largest sheet, so parts never overflow while still failing the range check.
constexpr std::int64_t kPartCeiling = 100'000'000;

bool isWordChar(char16_t c) { return isLetter(c) || isDigit(c) || c == u'_' || c == u'.' || c == u'$'; }

std::int64_t readPartNumber(std::u16string_view text, std::size_t& i) {
    std::int64_t value = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) value = std::min(value * 10 + (text[i] - u'0'), kPartCeiling);
    return value;
}

// Digits (absolute), a signed offset in brackets, or nothing (offset 0).
std::optional<R1C1Part> readPart(std::u16string_view text, std::size_t i) {
    if (i < text.size() && isDigit(text[i])) {
        const std::int64_t value = readPartNumber(text, i);
        return R1C1Part{true, value, i};
    }
    if (i >= text.size() || text[i] != u'[') return R1C1Part{false, 0, i};
    ++i;
    const bool negative = i < text.size() && text[i] == u'-';
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) ++i;
    const std::size_t digits = i;
    const std::int64_t value = readPartNumber(text, i);
    if (i == digits || i >= text.size() || text[i] != u']') return std::nullopt;
    return R1C1Part{false, negative ? -value : value, i + 1};
}

struct A1Text {
    std::u16string text;
    std::size_t end;
};

/// The A1 form of the R1C1 reference starting at text[i] (an R or r), if one does.
std::optional<A1Text> readR1C1(std::u16string_view text, std::size_t i, int row, int col) {
    const auto r = readPart(text, i + 1);
    if (!r || r->end >= text.size() || (text[r->end] | 0x20) != u'c') return std::nullopt;
    const auto c = readPart(text, r->end + 1);
    if (!c || (c->end < text.size() && isWordChar(text[c->end]))) return std::nullopt;
    const std::int64_t absRow = r->absolute ? r->value - 1 : row + r->value;
    const std::int64_t absCol = c->absolute ? c->value - 1 : col + c->value;
    if (absRow < 0 || absRow > 1048575) throw xlerror("row must be in range 0-1048575");
    if (absCol < 0 || absCol > 16383) throw xlerror("col must be in range 0-16383");
    const std::string rowText = std::to_string(absRow + 1);
    return A1Text{(c->absolute ? u"$" : u"") + columnLetters(static_cast<int>(absCol)) +
                      (r->absolute ? u"$" : u"") + std::u16string(rowText.begin(), rowText.end()),
                  c->end};
}

} // namespace

std::u16string r1c1ToA1(std::u16string_view text, int row, int col) {
    std::u16string out;
    char16_t quote = 0;
    for (std::size_t i = 0; i < text.size();) {
        const char16_t c = text[i];
        const bool wordStart = i == 0 || !isWordChar(text[i - 1]);
        if (quote == 0 && (c | 0x20) == u'r' && wordStart) {
            if (auto a1 = readR1C1(text, i, row, col)) {
                out += a1->text;
                i = a1->end;
                continue;
            }
        }
        if (quote != 0 && c == quote) quote = 0;
        else if (quote == 0 && (c == u'"' || c == u'\'')) quote = c;
        out += c;
        ++i;
    }
    return out;
}

} // namespace karvo
