// text_compare.h - comparing names without regard to letter case.
#pragma once

#include <string_view>

namespace karvo {

/// Equal under Unicode case folding (sheet names, defined names, part names).
bool sameTextIgnoringCase(std::u16string_view a, std::u16string_view b);

/// Order under Unicode case folding: negative, 0 or positive.
int compareTextIgnoringCase(std::u16string_view a, std::u16string_view b);

} // namespace karvo
