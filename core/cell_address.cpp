// cell_address.cpp - A1 cell addresses.
#include "core/cell_address.h"

#include <algorithm>

#include "core/xlerror.h"

namespace karvo {
namespace {

constexpr int kLetters = 26;

bool isLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

} // namespace

CellAddress parseCellAddress(std::u16string_view a) {
    CellAddress address;
    std::size_t i = 0;
    bool colAbs = i < a.size() && a[i] == u'$';
    i += colAbs;
    int c = 0;
    const std::size_t lettersAt = i;
    for (; i < a.size() && isLetter(a[i]) && c <= kMaxAddressCol; ++i) c = c * kLetters + (a[i] & 0x1F);
    const bool noLetters = i == lettersAt;
    bool rowAbs = i < a.size() && a[i] == u'$';
    i += rowAbs;
    long r = 0;
    const std::size_t digitsAt = i;
    for (; i < a.size() && a[i] >= u'0' && a[i] <= u'9' && r <= kMaxAddressRow; ++i) r = r * 10 + (a[i] - u'0');
    const bool noDigits = i == digitsAt;
    if (noLetters || noDigits || i != a.size() || c - 1 > kMaxAddressCol || r < 1 || r - 1 > kMaxAddressRow)
        throw xlerror("address is invalid");
    address.row = static_cast<int>(r - 1);
    address.col = c - 1;
    address.rowRelative = !rowAbs;
    address.colRelative = !colAbs;
    return address;
}

void readCellAddress(const char16_t* text, int* row, int* col, bool* rowRelative, bool* colRelative) {
    CellAddress address = parseCellAddress(text ? text : u"");
    if (row) *row = address.row;
    if (col) *col = address.col;
    if (rowRelative) *rowRelative = address.rowRelative;
    if (colRelative) *colRelative = address.colRelative;
}

std::u16string columnLetters(int col) {
    std::u16string letters;
    for (int c = col + 1; c > 0; c = (c - 1) / kLetters)
        letters.insert(letters.begin(), static_cast<char16_t>(u'A' + (c - 1) % kLetters));
    return letters;
}

namespace {

// Characters a sheet name may hold and still stand unquoted before "!".
bool isPlainNameChar(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'_' ||
           c == u'.' || c > 0x7F;
}

} // namespace

bool sheetNameNeedsQuotes(std::u16string_view name) {
    return name.empty() || !std::all_of(name.begin(), name.end(), isPlainNameChar);
}

std::u16string quoteSheetName(std::u16string_view name) {
    if (!sheetNameNeedsQuotes(name)) return std::u16string(name);
    std::u16string quoted = u"'";
    for (char16_t c : name) {
        quoted += c;
        if (c == u'\'') quoted += c;
    }
    return quoted + u"'";
}

std::u16string formatCellAddress(const CellAddress& address) {
    if (address.row < 0 || address.row > kMaxAddressRow) throw xlerror("row must be in range 0-1048575");
    if (address.col < 0 || address.col > kMaxAddressCol) throw xlerror("col must be in range 0-16383");
    std::u16string text = address.colRelative ? u"" : u"$";
    text += columnLetters(address.col);
    if (!address.rowRelative) text += u'$';
    for (char ch : std::to_string(address.row + 1)) text += static_cast<char16_t>(ch);
    return text;
}

} // namespace karvo
