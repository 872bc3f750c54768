// read_ahead.h - inflating an entry on a thread of its own while its bytes are parsed.
#pragma once

#include <memory>

#include "zip/zip_archive.h"

namespace karvo::zip {

/// A reader that gives the bytes of `inner` while a thread of its own reads the next
/// ones, so that inflating a large entry overlaps the work done with the bytes before.
/// A failure of `inner` reaches the caller at the read that would have met it, after
/// every byte that came before it. Where no thread can be started, it reads `inner`
/// directly.
std::unique_ptr<CZipEntryReader> readAhead(std::unique_ptr<CZipEntryReader> inner);

} // namespace karvo::zip
