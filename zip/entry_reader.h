// entry_reader.h - the streaming readers behind CZipArchive::open.
#pragma once

#include <memory>

#include "zip/entry_source.h"

namespace karvo::zip {

/// A reader over the stored or deflated data of `source`, which must outlive it.
std::unique_ptr<CZipEntryReader> openEntryReader(const CZipEntrySource& source);

} // namespace karvo::zip
