// raw_record.h - a record kept as bytes and written back unchanged.
#pragma once

#include <cstdint>
#include <vector>

#include "xls/record_reader.h"
#include "xls/record_writer.h"

namespace karvo {

/// A record the book does not interpret, with the CONTINUE records that followed
/// it, so that they stay together wherever the record is written.
struct RawRecord {
    std::uint16_t id = 0;
    std::vector<std::uint8_t> body;
    std::vector<std::vector<std::uint8_t>> continues;

    /// Takes `record` and any CONTINUE records right after it from the reader.
    static RawRecord take(const Record& record, RecordReader& records);
    void write(RecordWriter& out) const;
};

} // namespace karvo
