// record_reader.h - walking the BIFF records of a workbook stream, with CONTINUE-aware reads.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/byte_reader.h"
#include "xls/record_id.h"

namespace karvo {

/// One record of the stream: its id and a view of its body. The body never reaches
/// past the record's declared size or the end of the stream.
struct Record {
    std::uint16_t id = 0;
    std::span<const std::uint8_t> body;
    std::size_t offset = 0; ///< stream offset of the record header

    bool is(RecordId rid) const { return id == raw(rid); }
    /// A bounded reader over the body: a handler reads its fields and checks ok() once.
    ByteReader reader() const { return ByteReader(body); }
};

/// Walks the records of a workbook stream held in memory. A saved position()
/// handed back to seek() is the mark and restore of the record loops.
class RecordReader {
public:
    static constexpr std::size_t kHeaderSize = 4;

    RecordReader() = default;
    explicit RecordReader(std::span<const std::uint8_t> stream) : stream_(stream) {}
    /// The reader only views the stream; a temporary would be gone before the walk.
    explicit RecordReader(std::vector<std::uint8_t>&&) = delete;

    /// True when no whole record is left: fewer bytes than a header, or a header
    /// whose declared body runs past the end of the stream. The stream holds every
    /// byte of its sector chain, and after the last EOF record producers leave
    /// padding or stale bytes there; a record cut off by the end of the chain can
    /// never be completed, so it ends the data as the end of the stream does.
    bool atEnd() const;

    /// The next record; fails with "read error: unexpected end of the workbook
    /// stream" when atEnd().
    Record next();

    /// The id of the next record without consuming it; empty at the end.
    std::optional<std::uint16_t> peekId() const;

    std::size_t position() const { return pos_; }
    /// Returns to a position taken earlier from position().
    void seek(std::size_t offset);

    std::size_t remaining() const { return stream_.size() - pos_; }
    std::span<const std::uint8_t> stream() const { return stream_; }

private:
    std::span<const std::uint8_t> stream_;
    std::size_t pos_ = 0;
};

/// Reads the fields of a record whose data may go on in CONTINUE records that follow
/// it: the shared string table, ExternSheet, and the like. It starts inside the body
/// of a record the caller has already taken from the RecordReader and, when that body
/// runs out, steps into the next record, which must be a CONTINUE record; the records
/// it steps into are consumed from the RecordReader.
class ContinueReader {
public:
    ContinueReader(RecordReader& records, ByteReader body) : records_(records), body_(body) {}

    /// Bytes left in the current record (the "counter" of the record handlers).
    std::size_t left() const { return body_.remaining(); }
    /// An upper bound on what can still be read: this record and everything after it.
    std::size_t available() const { return body_.remaining() + records_.remaining(); }
    /// What the group holds: the bytes left in this record and in the CONTINUE
    /// records right after it.
    std::size_t groupBytes() const;

    /// True when the current record is exhausted and no CONTINUE record follows: the
    /// data has ended. Real files state more shared strings than they hold; the
    /// table's reader stops here rather than read into the next record.
    bool atEnd() const { return body_.remaining() == 0 && records_.peekId() != raw(RecordId::Continue); }

    /// When the current record is exhausted, steps into the next one, which must be a
    /// CONTINUE record; otherwise fails with `missing`.
    void continueIfExhausted(const char* missing);

    /// Reads a byte, a u16 or a u32, stepping into a CONTINUE record before any byte
    /// that the current record no longer holds. A missing CONTINUE record fails with
    /// `missing` for u8, "readInt16: CONTINUE record not found" for u16 and
    /// "readInt32: CONTINUE record not found" for u32.
    std::uint8_t u8(const char* missing);
    std::uint16_t u16();
    std::uint32_t u32();

    /// Up to `max` bytes from the current record only.
    std::span<const std::uint8_t> take(std::size_t max) { return body_.bytes(std::min(max, body_.remaining())); }

private:
    std::uint64_t little(std::size_t n, const char* missing);

    RecordReader& records_;
    ByteReader body_;
};

} // namespace karvo
