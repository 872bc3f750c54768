// interfaces.cpp - the one instantiation of the interfaces, over UTF-16 text.
#include "core/interfaces.h"

namespace karvo {

template class IBookT<char16_t>;
template class ISheetT<char16_t>;
template class IFormatT<char16_t>;
template class IFontT<char16_t>;

} // namespace karvo
