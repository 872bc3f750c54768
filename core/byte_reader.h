// byte_reader.h - the one bounds-checked little-endian reader for file data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace karvo {

/// A cursor over a byte span that never reads outside it. A read past the end
/// yields zero, leaves the position where it was and sets a sticky failure flag,
/// so a record handler can read all its fields and check `ok()` once at the end
/// (the failure then becomes its "... size is incorrect" message).
class ByteReader {
public:
    ByteReader() = default;
    explicit ByteReader(std::span<const std::uint8_t> data) : data_(data) {}
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data, size) {}

    bool ok() const { return ok_; }
    std::size_t position() const { return pos_; }
    std::size_t size() const { return data_.size(); }
    std::size_t remaining() const { return data_.size() - pos_; }
    bool atEnd() const { return pos_ >= data_.size(); }
    std::span<const std::uint8_t> data() const { return data_; }

    std::uint8_t u8() { return static_cast<std::uint8_t>(little<1>()); }
    std::uint16_t u16() { return static_cast<std::uint16_t>(little<2>()); }
    std::uint32_t u32() { return static_cast<std::uint32_t>(little<4>()); }
    std::uint64_t u64() { return little<8>(); }
    std::int16_t i16() { return static_cast<std::int16_t>(u16()); }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    double f64() {
        std::uint64_t bits = u64();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    /// The next n bytes as a view; an empty view (and the failure flag) when fewer remain.
    std::span<const std::uint8_t> bytes(std::size_t n) {
        if (!take(n)) return {};
        return data_.subspan(pos_ - n, n);
    }
    bool skip(std::size_t n) { return take(n); }

    /// Moves to an absolute offset; an offset beyond the end fails.
    bool seek(std::size_t offset) {
        if (offset > data_.size()) return fail();
        pos_ = offset;
        return true;
    }

    /// Whether `count` items of `itemSize` bytes can still be read. Checked before a
    /// count from the file sizes a loop or an allocation; the division avoids the
    /// overflow that count * itemSize could hit.
    bool canRead(std::size_t count, std::size_t itemSize) const {
        return itemSize == 0 || count <= remaining() / itemSize;
    }

private:
    bool fail() {
        ok_ = false;
        return false;
    }
    bool take(std::size_t n) {
        if (!ok_ || n > remaining()) return fail();
        pos_ += n;
        return true;
    }
    template <std::size_t N>
    std::uint64_t little() {
        if (!take(N)) return 0;
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < N; ++i)
            value |= std::uint64_t(data_[pos_ - N + i]) << (8 * i);
        return value;
    }

    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

/// Appends little-endian values to a byte vector; the writing side of ByteReader.
template <class Bytes>
void putLittle(Bytes& out, std::uint64_t value, std::size_t n) {
    std::uint8_t bytes[8];
    for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
    out.insert(out.end(), bytes, bytes + n);
}

/// Overwrites a field in place with a little-endian value as wide as the span: the
/// side of putLittle for fields patched where they stand.
inline void storeLittle(std::span<std::uint8_t> field, std::uint64_t value) {
    for (std::uint8_t& b : field) {
        b = static_cast<std::uint8_t>(value);
        value >>= 8;
    }
}

} // namespace karvo
