// fuzz_formula_render.cpp - libFuzzer target: token bytes from a file rendered as formula text.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "core/xlerror.h"
#include "tests/xls/formula_test_book.h"
#include "xls/formula_compiler.h"
#include "xls/formula_renderer.h"

using namespace karvo;

namespace {

// Rendered text that compiles must render as the same text again; a difference is
// a fault in one of the two directions that no exception would show. A missing
// argument in front of "=" renders as a leading "=", which the compiler rightly drops.
void checkTextIsStable(const std::u16string& text, test::FormulaTestBook& book) {
    if (text.starts_with(u'=')) return;
    std::vector<std::uint8_t> again;
    try {
        again = compileFormula(text, book);
    } catch (const xlerror&) {
        return; // ERR, ?, 1e+06, names and sheet ranges have no compiled form
    }
    if (renderFormula(again, book, false, 0, 0) != text) std::abort();
}

} // namespace

// Byte 0: bit 0 the shared flag; bytes 1-2 the base row, byte 3 the base column; the rest the tokens.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kHeader = 4;
    if (size < kHeader) return 0;
    static test::FormulaTestBook book = [] { // built once: its function table is the costly part
        test::FormulaTestBook b;
        // Names that need quoting for other reasons than a space.
        b.sheets.insert(b.sheets.end(), {u"Q1-2020", u"a\"b!c", u"'", u"R1C1"});
        return b;
    }();
    book.xti = {{0, 0, 0}, {0, 1, 1}, {0, 2, 2}, {0, 3, 3}, {0, 4, 4}, {0, 5, 5},
                {0, 6, 6}, {0, 7, 7}, {0, 0, 2}, {0, 9, 9}};
    const bool shared = data[0] & 1;
    const int row = data[1] | data[2] << 8;
    const int col = data[3];
    // The compiler does not produce the range (0x11) and intersection (0x0F) operators;
    // texts from arrays that may hold them are rendered but not held to a stable round
    // trip. The union (0x10) it compiles from the brackets it renders.
    const std::span<const std::uint8_t> tokens(data + kHeader, size - kHeader);
    const bool referenceOperators =
        std::any_of(tokens.begin(), tokens.end(), [](std::uint8_t b) { return b == 0x0F || b == 0x11; });
    try {
        const std::u16string text = renderFormula(tokens, book, shared, row, col);
        if (!referenceOperators) checkTextIsStable(text, book);
    } catch (const xlerror&) {
    }
    return 0;
}
