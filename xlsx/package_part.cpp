// package_part.cpp - failures of the part objects.
#include "xlsx/package_part.h"

namespace karvo::xlsx {

void throwXmlError(lmx::elmx_error code) { throw xlerror(lmx::elmx_error_message(code)); }

} // namespace karvo::xlsx
