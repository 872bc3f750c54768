// zip_format.h - record signatures, fixed sizes and the safety caps of the archive layer.
#pragma once

#include <cstddef>
#include <cstdint>

namespace karvo::zip {

namespace signature {
inline constexpr std::uint32_t kLocalHeader = 0x04034B50;   // "PK\3\4"
inline constexpr std::uint32_t kCentralHeader = 0x02014B50; // "PK\1\2"
inline constexpr std::uint32_t kEndRecord = 0x06054B50;     // "PK\5\6"
inline constexpr std::uint32_t kZip64EndRecord = 0x06064B50;
inline constexpr std::uint32_t kZip64Locator = 0x07064B50;
inline constexpr std::uint32_t kDataDescriptor = 0x08074B50; // "PK\7\8"
} // namespace signature

/// Sizes of the fixed parts of the records, without their variable fields.
inline constexpr std::size_t kLocalHeaderSize = 30;
inline constexpr std::size_t kCentralHeaderSize = 46;
inline constexpr std::size_t kEndRecordSize = 22;
inline constexpr std::size_t kZip64EndRecordSize = 56;
inline constexpr std::size_t kZip64LocatorSize = 20;
inline constexpr std::size_t kMaxCommentSize = 0xFFFF;

/// The extra field that holds the 64-bit values of saturated 32-bit fields.
inline constexpr std::uint16_t kZip64ExtraId = 0x0001;
inline constexpr std::uint32_t kSaturated32 = 0xFFFFFFFF;
inline constexpr std::uint16_t kSaturated16 = 0xFFFF;

namespace flag {
inline constexpr std::uint16_t kEncrypted = 0x0001;
/// The CRC and sizes follow the data, in a data descriptor; the local header's are 0.
inline constexpr std::uint16_t kDataDescriptor = 0x0008;
inline constexpr std::uint16_t kUtf8Name = 0x0800;
} // namespace flag

namespace method {
inline constexpr std::uint16_t kStored = 0;
inline constexpr std::uint16_t kDeflated = 8;
inline constexpr std::uint16_t kAes = 99; // the method of entries with AES encryption
} // namespace method

// Deflate spends at least two bits on a 258-byte match (a one-bit length code and a
// one-bit distance code), so no stream inflates to more than 1032 times its size. A
// header that declares more is lying, whatever the caps below allow.
inline constexpr std::uint64_t kDeflateMaxExpansion = 1032;

// An Open XML package holds a few parts per sheet plus one per picture or embedded
// object; books with thousands of sheets stay far below this. The cap keeps the
// directory this layer builds (one header of some 100 bytes per entry) within about
// 10 MB however many records a hostile directory claims.
inline constexpr std::uint64_t kMaxEntries = 100'000;

// A 1,000,000-row sheet of four numeric cells a row inflates to about 160 MB; a part
// may be thirteen times that before it is refused, which covers wide sheets while one
// extracted part still fits in the memory of an ordinary machine.
inline constexpr std::uint64_t kMaxEntrySize = std::uint64_t(2) << 30;

// The book reads every part it knows, so the whole package must fit in memory too:
// four parts at the cap above.
inline constexpr std::uint64_t kMaxTotalSize = std::uint64_t(8) << 30;

// Declared inflated size over compressed size. bench/zip_bench.cpp measures a sheet of
// numbers at 5, rows formatted across the sheet at 29 and the most repetitive sheet we
// could make (one 2,000-character text inline in every row) at 165; a flat bomb needs
// close to deflate's 1032 to be worth sending. Entries up to kRatioFreeSize are exempt:
// whatever their ratio, they cannot hurt.
inline constexpr std::uint64_t kMaxRatio = 400;
inline constexpr std::uint64_t kRatioFreeSize = std::uint64_t(16) << 20;

} // namespace karvo::zip
