// version.cpp - the version compiled into the library.
#include "core/version.h"

namespace karvo {

const char* version() noexcept { return KARVO_VERSION_STRING; }

} // namespace karvo
