// formula_biff5.h - formulas of BIFF5 files rewritten in the BIFF8 token layout.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "xls/formula_block.h"

namespace karvo {

class FormulaBook;

/// What readFormula reports for a cell whose BIFF5 formula could not be rewritten.
inline constexpr const char* kBiff5Untranslated = "formula of a BIFF5 file can't be translated";

/// Rewrites one BIFF5 expression (cce, the tokens, the data after them) in BIFF8 form.
/// References, names and strings change size; the jumps of IF, CHOOSE and the memory
/// tokens are recomputed for the new sizes. A 3-D reference to sheets of this book gets
/// the XTI entry for them from `book`; one to another book, or to sheets that do not
/// exist, becomes a #REF! token (PtgRefErr or PtgAreaErr, which need no XTI entry).
/// Fails with kBiff5Untranslated on tokens that have no BIFF8 form here (external
/// names, macro commands, natural-language labels) and on damaged arrays. `shared`
/// says that relative rows and columns of 3-D references are offsets (a ShrFmla body).
std::vector<std::uint8_t> translateBiff5Expression(std::span<const std::uint8_t> expression, FormulaBook& book,
                                                   bool shared);

/// Rewrites the expression of a formula cell and of the ShrFmla or Array record it
/// carries. False when any of them fails: the block is then left as it was read.
bool translateBiff5Block(FormulaBlock& block, FormulaBook& book);

/// Turns a cell whose formula cannot be rewritten into a formula that gives its cached
/// result (a number, string, boolean or error constant), so that what is saved still
/// computes what the file showed; it drops any shared or array formula the cell
/// carried or used, and marks the block so that readFormula reports kBiff5Untranslated.
void keepCachedResult(FormulaBlock& block);

} // namespace karvo
