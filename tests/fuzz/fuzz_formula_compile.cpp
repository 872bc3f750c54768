// fuzz_formula_compile.cpp - libFuzzer target: formula text compiled, rendered and compiled again.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/xlerror.h"
#include "tests/xls/formula_test_book.h"
#include "xls/formula_compiler.h"
#include "xls/formula_renderer.h"

using namespace karvo;

namespace {

// %g keeps six significant digits and writes large and small numbers with an exponent
// ("4.22222e+06"), which the compiler splits at its sign; apart from that form the
// text must survive.
bool hasExponent(std::u16string_view text) {
    return text.find(u"e+") != std::u16string_view::npos || text.find(u"e-") != std::u16string_view::npos;
}

// Compiled text renders (the compiler checks that). Rendering rounds numbers, so the
// rendered text is the normal form: it must compile, render as itself, and compile
// to the same bytes again. That is what writing and reading a cell rely on.
void roundTrip(std::u16string_view text) {
    static test::FormulaTestBook book; // built once: its function table is the costly part
    book.xti.clear();
    std::u16string rendered;
    try {
        rendered = renderFormula(compileFormula(text, book), book, false, 0, 0);
    } catch (const xlerror&) {
        return;
    }
    std::vector<std::uint8_t> normal;
    try {
        normal = compileFormula(rendered, book);
    } catch (const xlerror&) {
        if (hasExponent(rendered)) return;
        std::abort();
    }
    if (renderFormula(normal, book, false, 0, 0) != rendered || compileFormula(rendered, book) != normal) std::abort();
}

void convertR1C1(std::u16string_view text) {
    try {
        r1c1ToA1(text, 5, 5);
    } catch (const xlerror&) {
    }
}

} // namespace

// Each byte is one character, so the fuzzer works on the ASCII grammar directly.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::u16string text(data, data + size);
    roundTrip(text);
    convertR1C1(text);
    return 0;
}
