// binding.h - moving generated objects to and from XML through their tables.
#pragma once

#include <string>
#include <string_view>

#include "xlsx/lmx/schema.h"
#include "xlsx/lmx/xml_reader.h"
#include "xlsx/lmx/xml_writer.h"

namespace lmx {

/// Fills `object` (of class `root.type`) from a whole document in memory. On
/// failure the object holds what was read so far, for its owner to discard, and
/// `error`, when given, receives the reader's error record.
elmx_error unmarshal_root(const root_info& root, void* object, const char* begin, const char* end,
                          c_error* error = nullptr);
/// The same over input delivered in chunks.
elmx_error unmarshal_root(const root_info& root, void* object, chunk_source source, c_error* error = nullptr);

/// Writes `object` as a document (declaration, then the root element with the
/// namespace declarations of its unit) appended to `out`; with a drain, `out` is only
/// the buffer of the pieces the drain is handed, and ends empty.
elmx_error marshal_root(const root_info& root, const void* object, std::string& out, c_error* error = nullptr,
                        const byte_drain* drain = nullptr);

} // namespace lmx
