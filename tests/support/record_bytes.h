// record_bytes.h - building and walking BIFF record streams in tests.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

namespace karvo::testing {

using Bytes = std::vector<std::uint8_t>;

/// The parts one after another.
inline Bytes join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

/// Appends one record: id, size, then the body as given.
inline void addRecord(Bytes& stream, std::uint16_t id, const Bytes& body) {
    stream.push_back(static_cast<std::uint8_t>(id));
    stream.push_back(static_cast<std::uint8_t>(id >> 8));
    stream.push_back(static_cast<std::uint8_t>(body.size()));
    stream.push_back(static_cast<std::uint8_t>(body.size() >> 8));
    stream.insert(stream.end(), body.begin(), body.end());
}

/// A stream of records, each an id with its body.
struct RecordSpec {
    std::uint16_t id;
    Bytes body;
};
inline Bytes streamOf(std::initializer_list<RecordSpec> records) {
    Bytes stream;
    for (const RecordSpec& r : records) addRecord(stream, r.id, r.body);
    return stream;
}

/// The records of a stream, walked from its headers alone.
inline std::vector<RecordSpec> recordsOf(std::span<const std::uint8_t> stream) {
    std::vector<RecordSpec> out;
    for (std::size_t pos = 0; pos + 4 <= stream.size();) {
        std::uint16_t id = static_cast<std::uint16_t>(stream[pos] | stream[pos + 1] << 8);
        std::size_t size = static_cast<std::size_t>(stream[pos + 2] | stream[pos + 3] << 8);
        out.push_back({id, Bytes(stream.begin() + static_cast<std::ptrdiff_t>(pos + 4),
                                 stream.begin() + static_cast<std::ptrdiff_t>(pos + 4 + size))});
        pos += 4 + size;
    }
    return out;
}

inline std::vector<std::uint16_t> idsOf(std::span<const std::uint8_t> stream) {
    std::vector<std::uint16_t> ids;
    for (const RecordSpec& r : recordsOf(stream)) ids.push_back(r.id);
    return ids;
}

} // namespace karvo::testing
