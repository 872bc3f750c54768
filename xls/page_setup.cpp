// page_setup.cpp - reading and writing the page-setup block.
#include "xls/page_setup.h"

#include <string>
#include <vector>

#include "core/xlerror.h"
#include "xls/biff_strings.h"

namespace karvo {
namespace {

constexpr std::size_t kSetupSize = 34;
constexpr std::size_t kMarginSize = 8;
constexpr std::size_t kCenterSize = 2;

[[noreturn]] void sizeError(std::uint16_t id) { throw xlerror(std::string(recordName(id)) + " size is incorrect"); }

// Some producers write an empty text as an empty body, others as a zero count
// without the flags byte that would follow it.
constexpr std::size_t kCountSize = 2;

std::u16string readText(const Record& r, bool old) {
    if (r.body.empty()) return {};
    if (!old && r.body.size() == kCountSize && r.reader().u16() == 0) return {};
    ByteReader in = r.reader();
    std::u16string text = readShortString(in, old ? ShortForm::Count8NoFlags : ShortForm::Count16);
    if (!in.ok()) sizeError(r.id);
    return text;
}

void writeText(RecordWriter& out, RecordId id, const std::u16string& text) {
    std::vector<std::uint8_t> body;
    if (!text.empty()) writeShortString(body, text, ShortForm::Count16);
    out.record(id, body);
}

std::uint16_t readCenter(const Record& r) {
    if (r.body.size() != kCenterSize) sizeError(r.id);
    return r.reader().u16();
}

double readMargin(const Record& r) {
    if (r.body.size() != kMarginSize) sizeError(r.id);
    return r.reader().f64();
}

SetupValues readSetup(const Record& r) {
    if (r.body.size() != kSetupSize) sizeError(r.id);
    ByteReader in = r.reader();
    SetupValues s;
    s.iPaperSize = in.u16();
    s.iScale = in.u16();
    s.iPageStart = in.u16();
    s.iFitWidth = in.u16();
    s.iFitHeight = in.u16();
    s.grbit = in.u16();
    s.iRes = in.u16();
    s.iVRes = in.u16();
    s.numHdr = in.f64();
    s.numFtr = in.f64();
    s.iCopies = in.u16();
    return s;
}

void writeSetup(RecordWriter& out, const SetupValues& s) {
    out.header(RecordId::Setup, kSetupSize);
    for (std::uint16_t v : {s.iPaperSize, s.iScale, s.iPageStart, s.iFitWidth, s.iFitHeight, s.grbit, s.iRes, s.iVRes})
        out.u16(v);
    out.f64(s.numHdr);
    out.f64(s.numFtr);
    out.u16(s.iCopies);
}

void writeMargin(RecordWriter& out, RecordId id, const std::optional<double>& margin) {
    if (!margin) return;
    out.header(id, kMarginSize);
    out.f64(*margin);
}

} // namespace

bool PageSetup::operator==(const PageSetup& o) const {
    auto sameRaw = [](const std::optional<RawRecord>& a, const std::optional<RawRecord>& b) {
        return a.has_value() == b.has_value() && (!a || (a->body == b->body && a->continues == b->continues));
    };
    return header == o.header && footer == o.footer && hCenter == o.hCenter && vCenter == o.vCenter &&
           leftMargin == o.leftMargin && rightMargin == o.rightMargin && topMargin == o.topMargin &&
           bottomMargin == o.bottomMargin && sameRaw(pls, o.pls) && setup == o.setup;
}

bool PageSetup::holds(std::uint16_t id) {
    switch (static_cast<RecordId>(id)) {
    case RecordId::Header: case RecordId::Footer: case RecordId::HCenter: case RecordId::VCenter:
    case RecordId::LeftMargin: case RecordId::RightMargin: case RecordId::TopMargin: case RecordId::BottomMargin:
    case RecordId::Pls: case RecordId::Setup:
        return true;
    default:
        return false;
    }
}

void PageSetup::read(const Record& first, RecordReader& records, bool old) {
    if (!holds(first.id)) throw xlerror("error in PageSetup");
    for (Record r = first;;) {
        switch (static_cast<RecordId>(r.id)) {
        case RecordId::Header: header = readText(r, old); break;
        case RecordId::Footer: footer = readText(r, old); break;
        case RecordId::HCenter: hCenter = readCenter(r); break;
        case RecordId::VCenter: vCenter = readCenter(r); break;
        case RecordId::LeftMargin: leftMargin = readMargin(r); break;
        case RecordId::RightMargin: rightMargin = readMargin(r); break;
        case RecordId::TopMargin: topMargin = readMargin(r); break;
        case RecordId::BottomMargin: bottomMargin = readMargin(r); break;
        case RecordId::Pls: pls = RawRecord::take(r, records); break;
        default: setup = readSetup(r); break;
        }
        auto next = records.peekId();
        if (!next || !holds(*next)) return;
        r = records.next();
    }
}

void PageSetup::write(RecordWriter& out) const {
    writeText(out, RecordId::Header, header);
    writeText(out, RecordId::Footer, footer);
    for (auto [id, value] : {std::pair{RecordId::HCenter, hCenter}, std::pair{RecordId::VCenter, vCenter}}) {
        out.header(id, kCenterSize);
        out.u16(value);
    }
    writeMargin(out, RecordId::LeftMargin, leftMargin);
    writeMargin(out, RecordId::RightMargin, rightMargin);
    writeMargin(out, RecordId::TopMargin, topMargin);
    writeMargin(out, RecordId::BottomMargin, bottomMargin);
    if (pls) {
        // The printer data goes on as one piece, cut anew at the record limit.
        std::vector<std::uint8_t> data = pls->body;
        for (const auto& part : pls->continues) data.insert(data.end(), part.begin(), part.end());
        out.record(RecordId::Pls, data);
    }
    writeSetup(out, setup);
}

} // namespace karvo
