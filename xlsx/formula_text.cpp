// formula_text.cpp - separators of stored and interface formula texts, and the moved
// references of shared formulas.
#include "xlsx/formula_text.h"

#include <cstdint>
#include <optional>

namespace karvo {
namespace {

// ---------------------------------------------------------------- separators

/// Replaces `from` by `to` outside string literals ("...") and quoted sheet names
/// ('...'). A doubled quote inside either closes the part and opens it again at
/// once, so it needs no case of its own.
std::u16string swapSeparators(std::u16string_view text, char16_t from, char16_t to) {
    std::u16string out(text);
    char16_t open = 0; // the quote of the part being read, or 0 outside quotes
    for (char16_t& c : out) {
        if (open) {
            if (c == open) open = 0;
        } else if (c == u'"' || c == u'\'') {
            open = c;
        } else if (c == from) {
            c = to;
        }
    }
    return out;
}

// ---------------------------------------------------------------- tokens

constexpr std::int64_t kMaxRow = 1048576;
constexpr std::int64_t kMaxColumn = 16384; // XFD

bool isLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }
bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

/// Characters that continue a name, a number or a reference. Everything else
/// (operators, separators, spaces, brackets, quotes, "!", "#") ends a token.
/// Names may hold any character beyond ASCII. Error constants need no case of
/// their own: no word of one ("REF", "N", "DIV", "0") reads as a cell.
bool isTokenChar(char16_t c) {
    return isLetter(c) || isDigit(c) || c == u'_' || c == u'.' || c == u'\\' || c == u'?' || c == u'$' ||
           c >= 0x80;
}

std::size_t tokenEnd(std::u16string_view s, std::size_t i) {
    while (i < s.size() && isTokenChar(s[i])) ++i;
    return i;
}

char16_t at(std::u16string_view s, std::size_t i) { return i < s.size() ? s[i] : u'\0'; }

/// The end of a quoted part opened at `i`; the end of the text when it is unterminated.
std::size_t quotedEnd(std::u16string_view s, std::size_t i) {
    std::size_t close = s.find(s[i], i + 1);
    return close == std::u16string_view::npos ? s.size() : close + 1;
}

/// The end of a bracketed part opened at `i`: an external book index ("[1]") or a
/// structured reference, whose parts nest ("[[#This Row],[Col]]") and escape a
/// special character with "'". A counter tracks the nesting, so hostile input
/// cannot recurse.
std::size_t bracketEnd(std::u16string_view s, std::size_t i) {
    std::size_t depth = 0;
    for (; i < s.size(); ++i) {
        if (s[i] == u'\'') {
            ++i; // the escaped character, whatever it is
        } else if (s[i] == u'[') {
            ++depth;
        } else if (s[i] == u']' && --depth == 0) {
            return i + 1;
        }
    }
    return s.size();
}

// ---------------------------------------------------------------- references

/// One end of an A1 reference: a cell ("$A1"), a whole column ("$A") or a whole
/// row ("$1"). The original texts are kept so that parts that do not move are
/// written back exactly as they were.
struct RefPart {
    enum Kind { Cell, Column, Row } kind = Cell;
    bool columnAbsolute = false;
    bool rowAbsolute = false;
    std::int64_t column = 0; // 1-based
    std::int64_t row = 0;    // 1-based
    std::u16string_view columnText;
    std::u16string_view rowText;
};

/// The token as one end of a reference, when the whole token is one.
std::optional<RefPart> parseRefPart(std::u16string_view t) {
    RefPart part;
    std::size_t i = 0;
    bool dollar = at(t, i) == u'$';
    if (dollar) ++i;
    std::size_t start = i;
    // Four letters already pass XFD, so reading stops there.
    while (i < t.size() && isLetter(t[i]) && i - start < 4) {
        part.column = part.column * 26 + ((t[i] | 0x20) - u'a' + 1);
        ++i;
    }
    if (i > start) {
        if (part.column > kMaxColumn) return std::nullopt;
        part.columnAbsolute = dollar;
        part.columnText = t.substr(start, i - start);
        if (i == t.size()) {
            part.kind = RefPart::Column;
            return part;
        }
        dollar = at(t, i) == u'$';
        if (dollar) ++i;
    } else {
        part.kind = RefPart::Row;
    }
    start = i;
    // Rows have no leading zero; eight digits already exceed the last row.
    if (!isDigit(at(t, i)) || t[i] == u'0') return std::nullopt;
    while (i < t.size() && isDigit(t[i]) && i - start < 8) part.row = part.row * 10 + (t[i++] - u'0');
    if (i != t.size() || part.row > kMaxRow) return std::nullopt;
    part.rowAbsolute = dollar;
    part.rowText = t.substr(start);
    return part;
}

/// Moves the relative parts; false when a moved part leaves the sheet.
bool movePart(RefPart& part, std::int64_t rowDelta, std::int64_t colDelta) {
    if (part.kind != RefPart::Row && !part.columnAbsolute && colDelta != 0) {
        part.column += colDelta;
        part.columnText = {};
        if (part.column < 1 || part.column > kMaxColumn) return false;
    }
    if (part.kind != RefPart::Column && !part.rowAbsolute && rowDelta != 0) {
        part.row += rowDelta;
        part.rowText = {};
        if (part.row < 1 || part.row > kMaxRow) return false;
    }
    return true;
}

void writePart(std::u16string& out, const RefPart& part) {
    if (part.kind != RefPart::Row) {
        if (part.columnAbsolute) out += u'$';
        if (!part.columnText.empty()) {
            out += part.columnText;
        } else {
            char16_t letters[3];
            int n = 0;
            for (std::int64_t c = part.column; c > 0; c = (c - 1) / 26)
                letters[n++] = static_cast<char16_t>(u'A' + (c - 1) % 26);
            while (n > 0) out += letters[--n];
        }
    }
    if (part.kind != RefPart::Column) {
        if (part.rowAbsolute) out += u'$';
        if (!part.rowText.empty()) {
            out += part.rowText;
        } else {
            for (char c : std::to_string(part.row)) out += static_cast<char16_t>(c);
        }
    }
}

/// A token that ends a function name, a table name or a sheet name is not a reference.
bool endsName(char16_t next) { return next == u'(' || next == u'[' || next == u'!'; }

} // namespace

std::u16string formulaTextToStored(std::u16string_view text) {
    if (!text.empty() && text.front() == u'=') text.remove_prefix(1);
    return swapSeparators(text, u';', u',');
}

std::u16string formulaTextFromStored(std::u16string_view stored) { return swapSeparators(stored, u',', u';'); }

// One pass over the text; every lookahead reads at most the next token, which the
// following steps read again at most twice, so the time stays linear.
std::u16string shiftFormulaReferences(std::u16string_view s, int rowDelta, int colDelta) {
    std::u16string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        const char16_t c = s[i];
        std::size_t end;
        if (c == u'"' || c == u'\'') {
            end = quotedEnd(s, i);
        } else if (c == u'[') {
            end = bracketEnd(s, i);
        } else if (!isTokenChar(c)) {
            end = i + 1;
        } else {
            end = tokenEnd(s, i);
            const std::u16string_view token = s.substr(i, end - i);
            const char16_t next = at(s, end);
            if (next == u'!') ++end; // the sheet name of a prefix "Sheet1!"
            std::optional<RefPart> first;
            if (!endsName(next)) first = parseRefPart(token);
            if (next == u':') {
                const std::size_t secondStart = end + 1;
                const std::size_t secondEnd = tokenEnd(s, secondStart);
                const char16_t after = at(s, secondEnd);
                const bool bodyOfPrefix = i > 0 && s[i - 1] == u'!';
                if (after == u'!' && secondEnd > secondStart && !bodyOfPrefix) {
                    // "Sheet1:Sheet3!": the sheets of a 3-D prefix.
                    end = secondEnd + 1;
                    first.reset();
                } else if (first && !endsName(after)) {
                    std::optional<RefPart> second = parseRefPart(s.substr(secondStart, secondEnd - secondStart));
                    if (second && second->kind == first->kind) {
                        // Whole range or nothing: one end off the sheet makes it "#REF!".
                        // A sheet prefix, already written, stays in front: the error
                        // still points into that sheet, as "Sheet2!#REF!".
                        if (movePart(*first, rowDelta, colDelta) && movePart(*second, rowDelta, colDelta)) {
                            writePart(out, *first);
                            out += u':';
                            writePart(out, *second);
                        } else {
                            out += u"#REF!";
                        }
                        i = secondEnd;
                        continue;
                    }
                }
            }
            // A lone column ("A") or row ("1") is a name or a number, not a reference.
            if (first && first->kind == RefPart::Cell) {
                if (movePart(*first, rowDelta, colDelta))
                    writePart(out, *first);
                else
                    out += u"#REF!";
                i = end;
                continue;
            }
        }
        out += s.substr(i, end - i);
        i = end;
    }
    return out;
}

} // namespace karvo
