// office_art.cpp - parsing and writing Office Art records, property tables and anchors.
#include "xls/office_art.h"

#include <string>

#include "core/byte_reader.h"
#include "core/xlerror.h"

namespace karvo {
namespace {

struct ClassName {
    std::uint16_t type;
    const char* name;
};

constexpr ClassName kClassNames[] = {
    {oart::kDggContainer, "OfficeArtDggContainer"},
    {oart::kBStoreContainer, "OfficeArtBStoreContainer"},
    {oart::kDgContainer, "OfficeArtDgContainer"},
    {oart::kSpgrContainer, "OfficeArtSpgrContainer"},
    {oart::kSpContainer, "OfficeArtSpContainer"},
    {oart::kSolverContainer, "OfficeArtSolverContainer"},
    {oart::kFDGGBlock, "OfficeArtFDGGBlock"},
    {oart::kFBSE, "OfficeArtFBSE"},
    {oart::kFDG, "OfficeArtFDG"},
    {oart::kFSPGR, "OfficeArtFSPGR"},
    {oart::kFSP, "OfficeArtFSP"},
    {oart::kFOPT, "OfficeArtFOPT"},
    {oart::kClientTextbox, "OfficeArtClientTextbox"},
    {oart::kChildAnchor, "OfficeArtChildAnchor"},
    {oart::kClientAnchor, "OfficeArtClientAnchorSheet"},
    {oart::kClientData, "OfficeArtClientData"},
    {0xF01A, "OfficeArtBlipEMF"},
    {0xF01B, "OfficeArtBlipWMF"},
    {0xF01C, "OfficeArtBlipPICT"},
    {0xF01D, "OfficeArtBlipJPEG"},
    {0xF01E, "OfficeArtBlipPNG"},
    {0xF01F, "OfficeArtBlipDIB"},
    {0xF029, "OfficeArtBlipTIFF"},
    {0xF02A, "OfficeArtBlipJPEG"},
    {0xF118, "OfficeArtFRITContainer"},
    {0xF119, "OfficeArtFDGSL"},
    {0xF11A, "OfficeArtColorMRUContainer"},
    {0xF11D, "OfficeArtFPSPL"},
    {oart::kSplitMenuColors, "OfficeArtSplitMenuColorContainer"},
    {0xF121, "OfficeArtSecondaryFOPT"},
    {0xF122, "OfficeArtTertiaryFOPT"},
};

[[noreturn]] void errorIn(const char* name) { throw xlerror(std::string("error in record ") + name); }

void parseInto(ByteReader& in, std::size_t end, int depth, const char* outer, std::vector<OfficeArtRecord>& out) {
    while (in.position() < end) {
        if (end - in.position() < oart::kHeaderSize) errorIn(outer);
        OfficeArtRecord r;
        r.verInst = in.u16();
        r.type = in.u16();
        std::size_t length = in.u32();
        const char* name = officeArtClassName(r.type);
        if (length > end - in.position()) errorIn(name);
        if (r.isContainer()) {
            if (depth >= kMaxOfficeArtDepth) errorIn(name);
            parseInto(in, in.position() + length, depth + 1, name, r.children);
        } else {
            std::span<const std::uint8_t> body = in.bytes(length);
            r.data.assign(body.begin(), body.end());
        }
        out.push_back(std::move(r));
    }
}

std::uint16_t u16At(const std::vector<std::uint8_t>& data, std::size_t at) {
    return static_cast<std::uint16_t>(data[at] | data[at + 1] << 8);
}

} // namespace

const char* officeArtClassName(std::uint16_t type) {
    for (const ClassName& c : kClassNames)
        if (c.type == type) return c.name;
    return "OfficeArtRecord";
}

OfficeArtRecord OfficeArtRecord::atom(std::uint16_t type, std::uint16_t version, std::uint16_t instance,
                                      std::vector<std::uint8_t> data) {
    OfficeArtRecord r;
    r.verInst = static_cast<std::uint16_t>(version | instance << 4);
    r.type = type;
    r.data = std::move(data);
    return r;
}

OfficeArtRecord OfficeArtRecord::container(std::uint16_t type, std::uint16_t instance,
                                           std::vector<OfficeArtRecord> children) {
    OfficeArtRecord r = atom(type, oart::kContainerVersion, instance, {});
    r.children = std::move(children);
    return r;
}

std::size_t OfficeArtRecord::size() const {
    if (!isContainer()) return oart::kHeaderSize + data.size();
    std::size_t total = oart::kHeaderSize;
    for (const OfficeArtRecord& c : children) total += c.size();
    return total;
}

OfficeArtRecord* OfficeArtRecord::child(std::uint16_t childType) {
    for (OfficeArtRecord& c : children)
        if (c.type == childType) return &c;
    return nullptr;
}

const OfficeArtRecord* OfficeArtRecord::child(std::uint16_t childType) const {
    return const_cast<OfficeArtRecord*>(this)->child(childType);
}

std::vector<OfficeArtRecord> parseOfficeArt(std::span<const std::uint8_t> bytes, const char* outer) {
    ByteReader in(bytes);
    std::vector<OfficeArtRecord> records;
    parseInto(in, bytes.size(), 0, outer, records);
    return records;
}

void writeOfficeArt(const OfficeArtRecord& record, std::vector<std::uint8_t>& out) {
    putLittle(out, record.verInst, 2);
    putLittle(out, record.type, 2);
    putLittle(out, record.size() - oart::kHeaderSize, 4);
    if (!record.isContainer()) {
        out.insert(out.end(), record.data.begin(), record.data.end());
        return;
    }
    for (const OfficeArtRecord& c : record.children) writeOfficeArt(c, out);
}

// The table holds `instance` entries of 6 bytes, then the complex data of the complex
// entries in entry order.
std::vector<OfficeArtFOPTE> readProperties(const OfficeArtRecord& table) {
    constexpr std::size_t kEntrySize = 6;
    ByteReader in(table.data);
    std::size_t count = table.instance();
    if (!in.canRead(count, kEntrySize)) errorIn("OfficeArtFOPTE");
    std::vector<OfficeArtFOPTE> entries(count);
    for (OfficeArtFOPTE& e : entries) {
        e.opid = in.u16();
        e.op = in.u32();
    }
    for (OfficeArtFOPTE& e : entries) {
        if (!(e.opid & OfficeArtFOPTE::kComplex)) continue;
        if (e.op > in.remaining()) errorIn("OfficeArtFOPTE");
        std::span<const std::uint8_t> bytes = in.bytes(e.op);
        e.complex.assign(bytes.begin(), bytes.end());
    }
    return entries;
}

OfficeArtRecord propertyTable(const std::vector<OfficeArtFOPTE>& entries) {
    std::vector<std::uint8_t> data;
    for (const OfficeArtFOPTE& e : entries) {
        putLittle(data, e.opid, 2);
        putLittle(data, e.op, 4);
    }
    for (const OfficeArtFOPTE& e : entries) data.insert(data.end(), e.complex.begin(), e.complex.end());
    return OfficeArtRecord::atom(oart::kFOPT, 3, static_cast<std::uint16_t>(entries.size()), std::move(data));
}

std::optional<OfficeArtFSP> OfficeArtFSP::read(const OfficeArtRecord& fsp) {
    ByteReader in(fsp.data);
    OfficeArtFSP s{in.u32(), in.u32()};
    if (!in.ok()) return std::nullopt;
    return s;
}

OfficeArtRecord OfficeArtFSP::record(std::uint16_t shapeType) const {
    std::vector<std::uint8_t> data;
    putLittle(data, spid, 4);
    putLittle(data, flags, 4);
    return OfficeArtRecord::atom(oart::kFSP, 2, shapeType, std::move(data));
}

std::optional<OfficeArtClientAnchorSheet> OfficeArtClientAnchorSheet::read(const OfficeArtRecord& anchor) {
    if (anchor.data.size() != kSize) return std::nullopt;
    OfficeArtClientAnchorSheet a;
    std::size_t at = 0;
    for (std::uint16_t* field : {&a.flags, &a.colL, &a.dxL, &a.rwT, &a.dyT, &a.colR, &a.dxR, &a.rwB, &a.dyB}) {
        *field = u16At(anchor.data, at);
        at += 2;
    }
    return a;
}

OfficeArtRecord OfficeArtClientAnchorSheet::record() const {
    std::vector<std::uint8_t> data;
    for (std::uint16_t field : {flags, colL, dxL, rwT, dyT, colR, dxR, rwB, dyB}) putLittle(data, field, 2);
    return OfficeArtRecord::atom(oart::kClientAnchor, 0, 0, std::move(data));
}

} // namespace karvo
