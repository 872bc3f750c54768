// record_reader.h - walking the BIFF records of a workbook stream, with CONTINUE-aware reads.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "core/byte_reader.h"
#include "core/huge_pages.h"
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

/// Where a reader of a stream too large to hold at once gets the stream's bytes.
class StreamSource {
public:
    virtual ~StreamSource() = default;
    /// Copies the stream bytes [offset, offset + n), which lie within the stream.
    virtual void read(std::size_t offset, std::uint8_t* to, std::size_t n) = 0;
};

/// Walks the records of a workbook stream, held in memory or read from a source a
/// window at a time. A saved position() handed back to seek() is the mark and restore
/// of the record loops.
///
/// A record's body is a view into the reader's memory. Over a source, the bodies of
/// the records handed out since the last release() stay readable until the next one,
/// however many windows they span: a handler may read a record and the records after
/// it together. The record loops call release() between records.
class RecordReader {
public:
    static constexpr std::size_t kHeaderSize = 4;

    RecordReader() = default;
    explicit RecordReader(std::span<const std::uint8_t> stream)
        : size_(stream.size()), data_(stream.data()), windowEnd_(stream.size()) {}
    /// The reader only views the stream; a temporary would be gone before the walk.
    explicit RecordReader(std::vector<std::uint8_t>&&) = delete;
    /// Reads a stream of `size` bytes from `source`, which must outlive the reader.
    RecordReader(StreamSource& source, std::size_t size)
        : size_(size), source_(&source), windowBytes_(std::min(size, kWindowBytes)) {}

    // Record bodies point into the windows a reader owns. A moved-from reader is empty.
    RecordReader(const RecordReader&) = delete;
    RecordReader& operator=(const RecordReader&) = delete;
    RecordReader(RecordReader&& other) noexcept { *this = std::move(other); }
    RecordReader& operator=(RecordReader&& other) noexcept;

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

    /// Declares the records handed out so far read to the end: their bodies may go.
    void release();

    std::size_t position() const { return pos_; }
    /// Returns to a position taken earlier from position().
    void seek(std::size_t offset);

    std::size_t size() const { return size_; }
    std::size_t remaining() const { return size_ - pos_; }

private:
    /// Windows of one huge page (or the whole stream, when it is shorter), filled by
    /// one read from the source at the cost of one page fault; a window takes the
    /// largest record whole.
    static constexpr std::size_t kWindowBytes = kHugePageBytes;
    static_assert(kWindowBytes >= kHeaderSize + 0xFFFF);
    /// A header looked at outside the window (the next record's, past the end of the
    /// window) is read with the bytes after it, this many at a time, without moving
    /// the window.
    static constexpr std::size_t kPeekBytes = std::size_t(64) << 10;

    struct WindowRelease {
        std::size_t bytes; // 0 in an empty pointer; GCC rejects a member initializer here
        void operator()(std::uint8_t* window) const noexcept { HugePageAllocator<std::uint8_t>().deallocate(window, bytes); }
    };
    using Window = std::unique_ptr<std::uint8_t[], WindowRelease>;

    /// The bytes [pos, pos + n) of the stream, which lie within it, in one piece.
    const std::uint8_t* bytesAt(std::size_t pos, std::size_t n) const;
    /// The 16-bit value at `pos`, which lies within the stream, without moving the window.
    std::uint16_t u16At(std::size_t pos) const;

    /// Forgets the window's bytes, ahead of a read that may fail halfway.
    void forgetWindow() const { windowStart_ = windowEnd_ = 0; }

    std::size_t size_ = 0;
    std::size_t pos_ = 0;
    StreamSource* source_ = nullptr;
    std::size_t windowBytes_ = 0;
    // data_[0] is the stream byte windowStart_. Over memory, the window is the stream.
    mutable const std::uint8_t* data_ = nullptr;
    mutable std::size_t windowStart_ = 0;
    mutable std::size_t windowEnd_ = 0;
    mutable Window window_;
    // Earlier windows that records handed out since release() point into.
    mutable std::vector<Window> retired_;
    mutable std::vector<std::uint8_t> peek_;
    mutable std::size_t peekStart_ = 0;
    bool handedOut_ = false; // a record was handed out since release()
};

/// Reads the fields of a record whose data may go on in CONTINUE records that follow
/// it: the shared string table, ExternSheet, and the like. It starts inside the body
/// of a record the caller has already taken from the RecordReader and, when that body
/// runs out, steps into the next record, which must be a CONTINUE record; the records
/// it steps into are consumed from the RecordReader.
class ContinueReader {
public:
    /// What becomes of the records read before the current one.
    enum class Past {
        // Their bodies stay readable until the RecordReader's release().
        Kept,
        // Each step releases every record handed out so far, the one the group
        // started in included: the caller keeps nothing of them, and their windows
        // are reused.
        Released
    };
    ContinueReader(RecordReader& records, ByteReader body, Past past = Past::Kept)
        : records_(records), body_(body), past_(past) {}

    /// Bytes left in the current record (the "counter" of the record handlers).
    std::size_t left() const { return body_.remaining(); }
    /// An upper bound on what can still be read: this record and everything after it.
    std::size_t available() const { return body_.remaining() + records_.remaining(); }

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
    /// Steps into the next record, which must be a CONTINUE record; otherwise fails
    /// with `missing`.
    void step(const char* missing);

    RecordReader& records_;
    ByteReader body_;
    Past past_;
};

} // namespace karvo
