// office_art.h - the Office Art records of drawings: a record tree, property tables and anchors.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "xls/raw_record.h"

namespace karvo {

/// Record types of the Office Art format that the library names or interprets.
namespace oart {
inline constexpr std::uint16_t kDggContainer = 0xF000;
inline constexpr std::uint16_t kBStoreContainer = 0xF001;
inline constexpr std::uint16_t kDgContainer = 0xF002;
inline constexpr std::uint16_t kSpgrContainer = 0xF003;
inline constexpr std::uint16_t kSpContainer = 0xF004;
inline constexpr std::uint16_t kSolverContainer = 0xF005;
inline constexpr std::uint16_t kFDGGBlock = 0xF006;
inline constexpr std::uint16_t kFBSE = 0xF007;
inline constexpr std::uint16_t kFDG = 0xF008;
inline constexpr std::uint16_t kFSPGR = 0xF009;
inline constexpr std::uint16_t kFSP = 0xF00A;
inline constexpr std::uint16_t kFOPT = 0xF00B;
inline constexpr std::uint16_t kClientTextbox = 0xF00D;
inline constexpr std::uint16_t kChildAnchor = 0xF00F;
inline constexpr std::uint16_t kClientAnchor = 0xF010;
inline constexpr std::uint16_t kClientData = 0xF011;
inline constexpr std::uint16_t kSplitMenuColors = 0xF11E;
/// The version nibble that marks a container.
inline constexpr std::uint16_t kContainerVersion = 0xF;
/// Every record starts with version/instance u16, type u16 and length u32.
inline constexpr std::size_t kHeaderSize = 8;
} // namespace oart

/// The class name of a record type, as used in "error in record <Class>".
const char* officeArtClassName(std::uint16_t type);

/// One Office Art record: an atom with its body, or a container with its records.
/// In a sheet's drawing a record also carries the BIFF records (Obj, TxO, an embedded
/// chart) that the sheet stream holds right after it.
struct OfficeArtRecord {
    std::uint16_t verInst = 0; ///< version in the low 4 bits, instance in the high 12
    std::uint16_t type = 0;
    std::vector<std::uint8_t> data;
    std::vector<OfficeArtRecord> children;
    std::vector<RawRecord> after;

    static OfficeArtRecord atom(std::uint16_t type, std::uint16_t version, std::uint16_t instance,
                                std::vector<std::uint8_t> data);
    static OfficeArtRecord container(std::uint16_t type, std::uint16_t instance, std::vector<OfficeArtRecord> children);

    std::uint16_t version() const { return verInst & 0xF; }
    std::uint16_t instance() const { return verInst >> 4; }
    void setInstance(std::uint16_t instance) { verInst = static_cast<std::uint16_t>(version() | instance << 4); }
    bool isContainer() const { return version() == oart::kContainerVersion; }
    /// The whole record as written, header included.
    std::size_t size() const;
    /// The first child of a type; null when there is none.
    OfficeArtRecord* child(std::uint16_t childType);
    const OfficeArtRecord* child(std::uint16_t childType) const;
};

/// Parses records that fill `bytes` exactly. A record whose length runs past its
/// container (or past `bytes`, named `outer`) fails with "error in record <Class>",
/// and so does nesting deeper than kMaxOfficeArtDepth.
std::vector<OfficeArtRecord> parseOfficeArt(std::span<const std::uint8_t> bytes, const char* outer);

/// Containers nest this deep at most: a drawing, its group, groups within groups. Real
/// drawings stay far below; the bound keeps hostile nesting from exhausting the stack.
inline constexpr int kMaxOfficeArtDepth = 32;

/// Appends a record with its header; a container's length is that of its records.
void writeOfficeArt(const OfficeArtRecord& record, std::vector<std::uint8_t>& out);

/// One entry of a property table (OfficeArtFOPTE): the id with its flags, the value,
/// and for a complex property the bytes its value counts.
struct OfficeArtFOPTE {
    std::uint16_t opid = 0;
    std::uint32_t op = 0;
    std::vector<std::uint8_t> complex;

    static constexpr std::uint16_t kBlipId = 0x4000;  ///< the value is a blip index
    static constexpr std::uint16_t kComplex = 0x8000; ///< the value counts bytes after the table
    std::uint16_t id() const { return opid & 0x3FFF; }
};

/// The entries of a property table (OfficeArtFOPTBase: OfficeArtFOPT and its kin); an
/// entry or complex data beyond the record fails with "error in record OfficeArtFOPTE".
std::vector<OfficeArtFOPTE> readProperties(const OfficeArtRecord& table);
OfficeArtRecord propertyTable(const std::vector<OfficeArtFOPTE>& entries);

/// Property ids the library reads or writes.
namespace prop {
inline constexpr std::uint16_t kPib = 0x0104;     ///< the blip a picture shows, 1-based
inline constexpr std::uint16_t kPibName = 0x0105; ///< the blip's name
} // namespace prop

/// OfficeArtFSP: a shape's id and flags.
struct OfficeArtFSP {
    std::uint32_t spid = 0;
    std::uint32_t flags = 0;
    static constexpr std::uint32_t kGroup = 0x0001;
    static constexpr std::uint32_t kPatriarch = 0x0004;
    static constexpr std::uint32_t kHaveAnchor = 0x0200;
    static constexpr std::uint32_t kHaveSpt = 0x0800;

    static std::optional<OfficeArtFSP> read(const OfficeArtRecord& fsp);
    OfficeArtRecord record(std::uint16_t shapeType) const;
};

/// OfficeArtClientAnchorSheet: a shape's top-left and bottom-right cell, each with an
/// offset in 1/1024 of the column width and 1/256 of the row height.
struct OfficeArtClientAnchorSheet {
    std::uint16_t flags = 0;
    std::uint16_t colL = 0, dxL = 0, rwT = 0, dyT = 0;
    std::uint16_t colR = 0, dxR = 0, rwB = 0, dyB = 0;
    static constexpr std::size_t kSize = 18;

    /// Null unless the record holds the 18 bytes.
    static std::optional<OfficeArtClientAnchorSheet> read(const OfficeArtRecord& anchor);
    OfficeArtRecord record() const;
};

} // namespace karvo
