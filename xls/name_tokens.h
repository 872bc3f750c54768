// name_tokens.h - keeping formulas' name tokens true when a defined name leaves the book.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "xls/raw_record.h"

namespace karvo {

/// Rewrites the name tokens of a token array after the defined name numbered `removed`
/// (1-based, as tokens count names) left the book's list: tokens of later names move
/// down by one, and a token of the removed name becomes the error #NAME?, so that it
/// never names another. PtgNameX counts only when `ownBook(xti)` says its XTI entry is
/// the book's own; other books number their names themselves. An array the walk cannot
/// read to its end keeps its tokens beyond that point as they are.
void renumberNameTokens(std::span<std::uint8_t> tokens, std::uint32_t removed,
                        const std::function<bool(std::uint16_t)>& ownBook);

/// The token arrays inside a record the book carries without reading it: the formulas
/// of a conditional format (CF, CF12) or of a data validation (DV), whose lists
/// often name a range. Empty for other records, for one continued in CONTINUE records,
/// and for one whose lengths do not add up, which is then left as it is.
std::vector<std::span<std::uint8_t>> carriedFormulas(RawRecord& record);

} // namespace karvo
