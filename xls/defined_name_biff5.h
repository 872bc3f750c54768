// defined_name_biff5.h - names of BIFF5 files rewritten as BIFF8 Lbl records.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "xls/defined_name.h"

namespace karvo {

class FormulaBook;

/// The BIFF8 name for the body of a BIFF5 NAME record: the text gains its flags byte,
/// the formula is rewritten by translateBiff5Expression (3-D references to this book's
/// sheets get XTI entries from `book`), the sheet number is BIFF5's itab. The menu,
/// description, help and status texts are not carried: BIFF8 readers expect none. A
/// formula with no BIFF8 form becomes #REF!. Empty when the body does not hold the
/// layout (lengths beyond the record, no name text).
std::optional<Lbl> translateBiff5Name(std::span<const std::uint8_t> body, FormulaBook& book);

/// Rewrites every name of a book read from a BIFF5 file, which Lbl::read kept raw, once
/// all sheets exist. A name whose record does not hold the layout is dropped.
void translateBiff5Names(std::vector<Lbl>& names, FormulaBook& book);

} // namespace karvo
