// record_writer.h - building a workbook stream record by record, with CONTINUE splitting.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "core/byte_reader.h"
#include "core/huge_pages.h"
#include "xls/record_id.h"

namespace karvo {

/// The largest record body the format allows; longer data goes on in CONTINUE records.
inline constexpr std::size_t kMaxRecordBody = 8224;

/// Appends characters to a byte vector, 16-bit little-endian or (all at most 0xFF) 8-bit.
void putChars(std::vector<std::uint8_t>& out, std::u16string_view text, bool wide);

/// Where a long stream goes while it is written, so that it is never held whole.
class StreamSpill {
public:
    virtual ~StreamSpill() = default;
    /// Takes the next bytes of the stream.
    virtual void append(std::span<const std::uint8_t> bytes) = 0;
    /// Overwrites bytes taken earlier, at their offset in the stream.
    virtual void overwrite(std::size_t offset, std::span<const std::uint8_t> bytes) = 0;
};

/// Appends records to a workbook stream, held in memory or, with a spill, handed over
/// a buffer's worth at a time. The stream offset of anything written is position()
/// before writing it; BoundSheet8 positions, known only once the sheets are written,
/// are filled in afterwards with patchU32().
class RecordWriter {
public:
    RecordWriter() = default;
    /// Hands the stream to `spill` whenever the buffer holds kSpillBytes or more and
    /// a record header or a run of bytes comes, and at flush().
    explicit RecordWriter(StreamSpill& spill) : spill_(&spill) { out_.reserve(kSpillBytes + 2 * kMaxRecordBody); }

    /// The write position: the offset in the workbook stream of the next byte.
    std::size_t position() const { return handedOver_ + out_.size(); }

    void u8(std::uint8_t v) { out_.push_back(v); }
    void u16(std::uint16_t v) { little(v, 2); }
    void u32(std::uint32_t v) { little(v, 4); }
    void f64(double v);
    void bytes(std::span<const std::uint8_t> data) {
        spillIfFull();
        out_.insert(out_.end(), data.begin(), data.end());
    }
    /// Characters, 16-bit little-endian or (all at most 0xFF) 8-bit.
    void chars(std::u16string_view text, bool wide) { putChars(out_, text, wide); }

    /// A record header; a size above 65535 is taken modulo 65536, as the field holds.
    void header(std::uint16_t id, std::size_t size) {
        spillIfFull();
        u16(id);
        u16(static_cast<std::uint16_t>(size));
    }
    void header(RecordId id, std::size_t size) { header(raw(id), size); }

    /// A whole record. A body longer than kMaxRecordBody is split: the first
    /// kMaxRecordBody bytes under `id`, the rest in CONTINUE records of at most as many.
    void record(std::uint16_t id, std::span<const std::uint8_t> body);
    void record(RecordId id, std::span<const std::uint8_t> body) { record(raw(id), body); }

    /// Overwrites values written earlier, at a stream offset taken from position().
    void patchU16(std::size_t offset, std::uint16_t v) { patch(offset, v, 2); }
    void patchU32(std::size_t offset, std::uint32_t v) { patch(offset, v, 4); }

    /// Room for a stream of about `n` bytes, so that a large one is not copied as it
    /// grows. Reserved pages that are never written cost no memory. A spilling
    /// writer's buffer keeps its size.
    void reserve(std::size_t n) {
        if (!spill_) reserveAdvised(out_, n);
    }
    /// Hands what the buffer holds to the spill.
    void flush();

    /// The stream of a writer without a spill.
    const std::vector<std::uint8_t>& stream() const { return out_; }
    std::vector<std::uint8_t> take() { return std::move(out_); }

private:
    /// What a spilling writer gathers before it hands over: enough to make each
    /// write to a file worth its call, little enough to stay in the caches.
    static constexpr std::size_t kSpillBytes = std::size_t(1) << 20;

    void patch(std::size_t offset, std::uint32_t v, std::size_t n);
    void spillIfFull() {
        if (spill_ && out_.size() >= kSpillBytes) flush();
    }

    // A sheet's cells are written field by field, so this is the writer's hot path.
    void little(std::uint64_t v, std::size_t n) {
        std::size_t at = out_.size();
        out_.resize(at + n);
        for (std::size_t i = 0; i < n; ++i) out_[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }

    std::vector<std::uint8_t> out_;
    StreamSpill* spill_ = nullptr;
    std::size_t handedOver_ = 0;  // the stream offset of out_[0]
};

/// Writes one record whose data may exceed a record body, as a group: the record and
/// the CONTINUE records that carry the rest. It tracks the bytes left in the current
/// record (the "counter") and its size field, which it fills in when the record is
/// closed: when the next one opens, and at finish().
class ContinueWriter {
public:
    /// Opens the group's first record with a placeholder size.
    ContinueWriter(RecordWriter& out, std::uint16_t id);
    ContinueWriter(RecordWriter& out, RecordId id) : ContinueWriter(out, raw(id)) {}

    /// Bytes left in the current record.
    std::size_t left() const { return left_; }

    /// Opens a CONTINUE record when fewer than `n` bytes are left, so that the next
    /// `n` bytes (a run, an XTI, a string header) are not split.
    void reserve(std::size_t n);
    /// Closes the current record and opens a CONTINUE record with room for 8224 bytes.
    void openContinue();
    /// Opens a CONTINUE record that begins with the character-width flags byte of a
    /// string split inside its characters. The writer leaves 8222 bytes of room after
    /// it, an even number, so that 16-bit characters never straddle a boundary.
    void openContinue(std::uint8_t flagsByte);

    /// CONTINUE-aware writes: a value that does not fit is carried on, byte by byte,
    /// in a new CONTINUE record.
    void u8(std::uint8_t v);
    void u16(std::uint16_t v);
    void u32(std::uint32_t v);
    /// Writes data in pieces, opening CONTINUE records as needed.
    void bytes(std::span<const std::uint8_t> data);
    /// Writes data that the caller has checked fits in the current record.
    void fitted(std::span<const std::uint8_t> data);
    void fittedChars(std::u16string_view text, bool wide);

    /// Writes the size of the group's last record.
    void finish();

private:
    struct Open {
        std::size_t sizeField; // stream offset of the record's size field; 0 before the first
        std::size_t size;      // body bytes written so far
    };
    void open(std::uint16_t id, std::size_t room);
    void account(std::size_t size);

    RecordWriter& out_;
    Open current_{};
    std::size_t left_ = 0;
};

} // namespace karvo
