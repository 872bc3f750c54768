// compound_file.h - the compound file container around the workbook stream: read and write.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/byte_reader.h"
#include "core/file_io.h"
#include "xls/record_writer.h"

namespace karvo {

/// Special sector numbers of the FAT, DIFAT and directory.
namespace sector {
inline constexpr std::uint32_t kMaxRegular = 0xFFFFFFFA; ///< highest number of a real sector
inline constexpr std::uint32_t kDifat = 0xFFFFFFFC;      ///< the sector holds DIFAT entries
inline constexpr std::uint32_t kFat = 0xFFFFFFFD;        ///< the sector holds FAT entries
inline constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
inline constexpr std::uint32_t kFree = 0xFFFFFFFF;
} // namespace sector

/// A directory entry absent from the sibling tree or child slot.
inline constexpr std::uint32_t kNoStream = 0xFFFFFFFF;

/// One 128-byte entry of the compound file directory.
struct DirEntry {
    static constexpr std::size_t kSize = 128;
    static constexpr std::size_t kNameUnits = 32; ///< name field, terminating zero included
    static constexpr std::uint8_t kStream = 2;
    static constexpr std::uint8_t kRoot = 5;

    std::u16string name;
    std::uint8_t objectType = 0;
    std::uint8_t colorFlag = 1;
    std::uint32_t leftSibling = kNoStream;
    std::uint32_t rightSibling = kNoStream;
    std::uint32_t child = kNoStream;
    std::array<std::uint8_t, 16> clsid{};
    std::uint32_t stateBits = 0;
    std::uint64_t creationTime = 0;
    std::uint64_t modifiedTime = 0;
    std::uint32_t startSector = sector::kEndOfChain;
    std::uint64_t streamSize = 0;

    DirEntry() = default;
    /// A fresh entry for writing. The name must leave room for the terminating zero:
    /// 32 characters or more fail with
    /// "DirEntry::DirEntry(): newName is too big (length must be less 32)".
    DirEntry(std::u16string_view newName, std::uint8_t type, std::uint32_t childEntry);

    /// Reads one entry; a short reader leaves its failure flag set.
    static DirEntry parse(ByteReader& in);
    /// Appends the 128 bytes of the entry.
    void write(std::vector<std::uint8_t>& out) const;
};

/// The bytes of a compound file, as its reader asks for them: views of the pieces it
/// parses (header, FAT, directory) and the sectors of a scattered stream, gathered.
class CompoundBytes {
public:
    virtual ~CompoundBytes() = default;
    virtual std::uint64_t size() const = 0;
    /// A view of [offset, offset + n), which lies within size(); valid until the next
    /// call.
    virtual std::span<const std::uint8_t> view(std::uint64_t offset, std::size_t n) = 0;
    /// Appends [offset, offset + n), which lies within size(), to `out`.
    virtual void append(std::vector<std::uint8_t>& out, std::uint64_t offset, std::size_t n) = 0;
};

/// A compound file held in memory.
class MemoryBytes : public CompoundBytes {
public:
    explicit MemoryBytes(std::span<const std::uint8_t> file) : file_(file) {}
    std::uint64_t size() const override { return file_.size(); }
    std::span<const std::uint8_t> view(std::uint64_t offset, std::size_t n) override { return file_.subspan(offset, n); }
    void append(std::vector<std::uint8_t>& out, std::uint64_t offset, std::size_t n) override {
        auto bytes = file_.subspan(offset, n);
        out.insert(out.end(), bytes.begin(), bytes.end());
    }

private:
    std::span<const std::uint8_t> file_;
};

/// Where the workbook stream lies: `size` bytes from `offset` in the file, when its
/// sectors follow one another there, or else in the copy its sectors were gathered into.
struct StreamPlace {
    bool gathered = false;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};
/// Reads the container and finds the workbook stream ("Workbook" or "Book", in any
/// letter case): every byte its chain covers. The directory's stream size is not
/// applied: the record loops stop at their EOF records, and the chain, not the size,
/// bounds what is delivered. Failures raise xlerror.
StreamPlace locateWorkbookStream(CompoundBytes& file, std::vector<std::uint8_t>& copy);

/// Reads the compound file in `file` and returns every byte that the chain of its
/// workbook stream ("Workbook" or "Book", in any letter case) covers. The directory's
/// stream size is not applied: the record loops stop at their EOF records, and the
/// chain, not the size, bounds what is delivered. Failures raise xlerror.
std::vector<std::uint8_t> readWorkbookStream(std::span<const std::uint8_t> file);
/// The same without a copy where the stream's sectors lie one after another in the
/// file: the result is then a view into `file`, else into `copy`, which receives the
/// gathered bytes.
std::span<const std::uint8_t> readWorkbookStream(std::span<const std::uint8_t> file, std::vector<std::uint8_t>& copy);

/// What a new compound file of 512-byte sectors, holding a root entry and the
/// "Workbook" stream, has around a stream of `streamBytes` bytes: the header sector
/// before it, and after it the padding to whole sectors and the FAT, DIFAT and
/// directory sectors.
struct CompoundFrame {
    std::vector<std::uint8_t> header;
    std::vector<std::uint8_t> trailer;
};
CompoundFrame compoundFrame(std::uint64_t streamBytes);

/// Wraps a workbook stream in a new compound file and returns the file's bytes (in the
/// stream's buffer).
std::vector<std::uint8_t> writeCompoundFile(std::vector<std::uint8_t> stream);

/// Writes a new compound file into a file as a record writer hands its stream over,
/// so that the stream is never held whole; finish() writes what comes after it and
/// the header. The file must be seekable.
class CompoundFileSpill : public StreamSpill {
public:
    explicit CompoundFileSpill(SaveFile& file);
    void append(std::span<const std::uint8_t> bytes) override;
    void overwrite(std::size_t offset, std::span<const std::uint8_t> bytes) override;
    void finish();

private:
    SaveFile& file_;
    std::uint64_t streamBytes_ = 0;
};

/// The number of FAT sectors the writer allots to `sectors` stream and directory
/// sectors: a generous count that always leaves room for the FAT and DIFAT sectors
/// themselves.
std::uint32_t fatSectorCount(std::uint64_t sectors);

} // namespace karvo
