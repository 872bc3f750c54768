// record_id.h - the BIFF record ids of records.def as an enum, and their names.
#pragma once

#include <cstdint>
#include <string_view>

namespace karvo {

enum class RecordId : std::uint16_t {
#define KARVO_RECORD(id, Name) Name = id,
#include "xls/records.def"
#undef KARVO_RECORD
};

/// The published name of a known record id ("BoundSheet8", "EOF"); empty for an
/// id that records.def does not list.
constexpr std::string_view recordName(std::uint16_t id) {
    // The trailing underscore only keeps an enumerator clear of a C macro.
    constexpr auto bare = [](std::string_view name) {
        return name.ends_with('_') ? name.substr(0, name.size() - 1) : name;
    };
    switch (id) {
#define KARVO_RECORD(id, Name) \
    case id: return bare(#Name);
#include "xls/records.def"
#undef KARVO_RECORD
    }
    return {};
}

constexpr std::string_view recordName(RecordId id) { return recordName(static_cast<std::uint16_t>(id)); }

/// The id as the u16 that goes into a record header.
constexpr std::uint16_t raw(RecordId id) { return static_cast<std::uint16_t>(id); }

} // namespace karvo
