// formula_text_fuzz.cpp - libFuzzer target: stored formula texts moved by shared-formula distances.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "xlsx/formula_text.h"

using namespace karvo;

namespace {

std::size_t countRefErrors(const std::u16string& text) {
    std::size_t count = 0;
    for (std::size_t at = text.find(u"#REF!"); at != std::u16string::npos; at = text.find(u"#REF!", at + 1)) ++count;
    return count;
}

} // namespace

// Bytes 0-1: the row and column distances (signed); the rest: the text, one unit per
// byte, so that quotes, brackets and characters beyond ASCII all turn up.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const int rows = static_cast<std::int8_t>(data[0]);
    const int cols = static_cast<std::int8_t>(data[1]);
    const std::u16string text(data + 2, data + size);
    if (shiftFormulaReferences(text, 0, 0) != text) std::abort();
    const std::u16string moved = shiftFormulaReferences(text, rows, cols);
    // Moving back restores the text unless a reference left the sheet. A moved column
    // is written in capitals, so texts with small letters are left out.
    bool capitals = std::none_of(text.begin(), text.end(), [](char16_t c) { return c >= u'a' && c <= u'z'; });
    if (capitals && countRefErrors(moved) == countRefErrors(text) &&
        shiftFormulaReferences(moved, -rows, -cols) != text)
        std::abort();
    formulaTextFromStored(formulaTextToStored(text));
    return 0;
}
