// text_compare.cpp - case-insensitive comparison through ICU's case folding.
#include "core/text_compare.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>

namespace karvo {

int compareTextIgnoringCase(std::u16string_view a, std::u16string_view b) {
    UErrorCode status = U_ZERO_ERROR;
    int order = u_strCaseCompare(a.data(), static_cast<int32_t>(a.size()), b.data(), static_cast<int32_t>(b.size()),
                                 U_FOLD_CASE_DEFAULT, &status);
    return U_SUCCESS(status) ? order : a.compare(b);
}

bool sameTextIgnoringCase(std::u16string_view a, std::u16string_view b) {
    return compareTextIgnoringCase(a, b) == 0;
}

} // namespace karvo
