// sheet_save.cpp - writing a sheet's record substream in the order readers expect.
#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "xls/biff_strings.h"
#include "xls/sheet_stream.h"

namespace karvo {
namespace {

// Raw records that have a place of their own in the order; the rest go after PhoneticInfo.
constexpr RecordId kPlacedRaw[] = {
    RecordId::HeaderFooter, RecordId::ScenarioProtect, RecordId::ObjProtect, RecordId::Sort,
    RecordId::DropDownObjIds, RecordId::AutoFilterInfo, RecordId::EntExU2, RecordId::DCon,
    RecordId::PLV, RecordId::StandardWidth,
    // Never raw in a sheet read here, but left out of the tail should one be.
    RecordId::Pls, RecordId::Pane, RecordId::DBCell,
};

using Bytes = std::vector<std::uint8_t>;

void putPos(Bytes& b, const CellPos& at) {
    putLittle(b, at.row, 2);
    putLittle(b, at.col, 2);
    putLittle(b, at.xf, 2);
}

template <class Fill>
void writeRecord(RecordWriter& out, RecordId id, Fill&& fill) {
    Bytes body;
    fill(body);
    out.record(id, body);
}

// One writer per cell kind; MulRk and MulBlank are never written. A fixed-layout
// cell is put together whole and goes into the stream in one step (a sheet has
// hundreds of thousands): header, position and a value of ValueBytes bytes.
template <std::size_t ValueBytes = 0>
void fixedCell(RecordWriter& out, RecordId id, const CellPos& at, std::uint64_t value = 0) {
    constexpr std::size_t kHeadBytes = 10;
    std::uint8_t record[kHeadBytes + ValueBytes];
    const std::uint16_t head[] = {raw(id), kHeadBytes - 4 + ValueBytes, at.row, at.col, at.xf};
    for (std::size_t i = 0; i < std::size(head); ++i) {
        record[2 * i] = static_cast<std::uint8_t>(head[i]);
        record[2 * i + 1] = static_cast<std::uint8_t>(head[i] >> 8);
    }
    for (std::size_t i = 0; i < ValueBytes; ++i) record[kHeadBytes + i] = static_cast<std::uint8_t>(value >> (8 * i));
    out.bytes(record);
}
void writeCell(RecordWriter& out, const RkCell& c) { fixedCell<4>(out, RecordId::RK, c.at, c.rk); }
void writeCell(RecordWriter& out, const NumberCell& c) {
    std::uint64_t bits;
    std::memcpy(&bits, &c.value, sizeof bits);
    fixedCell<8>(out, RecordId::Number, c.at, bits);
}
void writeCell(RecordWriter& out, const LabelSstCell& c) { fixedCell<4>(out, RecordId::LabelSst, c.at, c.isst); }
void writeCell(RecordWriter& out, const BlankCell& c) { fixedCell(out, RecordId::Blank, c.at); }
void writeCell(RecordWriter& out, const BoolErrCell& c) {
    fixedCell<2>(out, RecordId::BoolErr, c.at, c.value | c.isError << 8);
}
void writeCell(RecordWriter& out, const LabelCell& c) {
    writeRecord(out, RecordId::Label, [&](Bytes& b) {
        putPos(b, c.at);
        writeShortString(b, c.text, ShortForm::Count16, c.narrow ? CharWidth::narrow : CharWidth::wide);
    });
}
void writeCell(RecordWriter& out, const FormulaBlock& c) { c.write(out); }

class SheetWriter {
public:
    SheetWriter(SheetData& sheet, RecordWriter& out) : sheet_(sheet), out_(out) {}
    void run();

private:
    void settings(std::initializer_list<RecordId> ids) {
        for (RecordId id : ids) writeSetting(sheet_.settings, id, out_);
    }
    void placedRaw(RecordId id);
    void remainingRaw();
    void index();
    void breaks(RecordId id, std::vector<PageBreak> list);
    void colInfos();
    void dimensions();
    void rows();
    void cells();
    void window2();
    void scl();
    void pane();
    void selections();
    void merges();
    void phonetic();

    SheetData& sheet_;
    RecordWriter& out_;
};

void SheetWriter::run() {
    settings({RecordId::Uncalced});
    index();
    settings({RecordId::CalcMode, RecordId::CalcCount, RecordId::CalcRefMode, RecordId::CalcIter,
              RecordId::CalcDelta, RecordId::CalcSaveRecalc, RecordId::PrintRowCol, RecordId::PrintGrid,
              RecordId::GridSet, RecordId::Guts, RecordId::DefaultRowHeight, RecordId::WsBool});
    breaks(RecordId::HorizontalPageBreaks, sheet_.horizontalBreaks);
    breaks(RecordId::VerticalPageBreaks, sheet_.verticalBreaks);
    placedRaw(RecordId::HeaderFooter);
    sheet_.pageSetup.write(out_);
    settings({RecordId::Protect, RecordId::ScenarioProtect, RecordId::ObjProtect, RecordId::Password});
    placedRaw(RecordId::ScenarioProtect);
    placedRaw(RecordId::ObjProtect);
    settings({RecordId::DefColWidth});
    colInfos();
    placedRaw(RecordId::Sort);
    placedRaw(RecordId::DropDownObjIds);
    placedRaw(RecordId::AutoFilterInfo);
    dimensions();
    rows();
    cells();
    placedRaw(RecordId::EntExU2);
    sheet_.drawing.write(out_);
    placedRaw(RecordId::DCon);
    window2();
    placedRaw(RecordId::PLV);
    scl();
    pane();
    selections();
    placedRaw(RecordId::StandardWidth);
    merges();
    phonetic();
    remainingRaw();
}

// Every raw record of the id goes here, in file order, so that none is lost.
void SheetWriter::placedRaw(RecordId id) {
    for (const RawRecord& r : sheet_.raw)
        if (r.id == raw(id)) r.write(out_);
}

void SheetWriter::remainingRaw() {
    for (const RawRecord& r : sheet_.raw) {
        bool placed = std::any_of(std::begin(kPlacedRaw), std::end(kPlacedRaw),
                                  [&](RecordId id) { return raw(id) == r.id; });
        if (!placed) r.write(out_);
    }
}

void SheetWriter::index() {
    // No DBCell records are written, so positions of the file's ones would point at
    // unrelated bytes: the Index goes out without them.
    const IndexValues& x = sheet_.index;
    out_.header(RecordId::Index, 16);
    for (std::uint32_t v : {x.reserved0, x.rwMic, x.rwMac, x.reserved1}) out_.u32(v);
}

void SheetWriter::breaks(RecordId id, std::vector<PageBreak> list) {
    if (list.empty()) return;
    std::stable_sort(list.begin(), list.end(), [](const PageBreak& a, const PageBreak& b) { return a.at < b.at; });
    writeRecord(out_, id, [&](Bytes& b) {
        putLittle(b, list.size(), 2);
        for (const PageBreak& p : list) putLittle(b, p.at, 2), putLittle(b, p.first, 2), putLittle(b, p.last, 2);
    });
}

// Adjacent columns with equal width, format and options share one record.
void SheetWriter::colInfos() {
    std::vector<ColEntry> cols = sheet_.columns;
    std::stable_sort(cols.begin(), cols.end(), [](const ColEntry& a, const ColEntry& b) { return a.first < b.first; });
    for (std::size_t i = 0; i < cols.size();) {
        ColEntry run = cols[i];
        std::size_t j = i + 1;
        for (; j < cols.size() && cols[j].first == run.last + 1 && cols[j].width == run.width && cols[j].xf == run.xf &&
               cols[j].options == run.options;
             ++j)
            run.last = cols[j].last;
        out_.header(RecordId::ColInfo, 12);
        for (std::uint16_t v : {run.first, run.last, run.width, run.xf, run.options, run.reserved}) out_.u16(v);
        i = j;
    }
}

void SheetWriter::dimensions() {
    recomputeBounds(sheet_);
    const Dimensions& d = sheet_.dimensions;
    out_.header(RecordId::Dimensions, 14);
    out_.u32(d.rwMic);
    out_.u32(d.rwMac);
    for (std::uint16_t v : {d.colMic, d.colMac, d.reserved}) out_.u16(v);
}

void SheetWriter::rows() {
    for (const RowEntry& e : sheet_.rows) {
        out_.header(RecordId::Row, 16);
        for (std::uint16_t v : {e.row, e.colMic, e.colMac, e.miyRw, e.reserved1, e.reserved2, e.flags, e.ixfe}) out_.u16(v);
    }
}

void SheetWriter::cells() {
    CellStore& cells = sheet_.cells;
    cells.forEach([&](int, int, CellHandle h) { cells.visit(h, [&](const auto& entry) { writeCell(out_, entry); }); });
}

void SheetWriter::window2() {
    const Window2& w = sheet_.window2;
    out_.header(RecordId::Window2, 18);
    for (std::uint16_t v : {w.grbit, w.rwTop, w.colLeft, w.icvHdr, w.reserved1, w.wScaleSLV, w.wScaleNormal,
                            w.reserved2, w.reserved3})
        out_.u16(v);
}

void SheetWriter::scl() {
    auto [num, den] = sheet_.settings.scl;
    if (den != 0 && num * 100 / den != 100) settings({RecordId::Scl});
}

void SheetWriter::pane() {
    if (!sheet_.pane) return;
    const Pane& p = *sheet_.pane;
    out_.header(RecordId::Pane, 10);
    for (std::uint16_t v : {p.x, p.y, p.rwTop, p.colLeft}) out_.u16(v);
    out_.u8(p.pnnAcc);
    out_.u8(p.reserved);
}

void SheetWriter::selections() {
    for (const Selection& s : sheet_.selections) {
        writeRecord(out_, RecordId::Selection, [&](Bytes& b) {
            b.push_back(s.pane);
            for (std::size_t v : {std::size_t(s.rwAct), std::size_t(s.colAct), std::size_t(s.irefAct), s.refs.size()})
                putLittle(b, v, 2);
            for (const SelectionRef& r : s.refs)
                putLittle(b, r.rowFirst, 2), putLittle(b, r.rowLast, 2), b.push_back(r.colFirst), b.push_back(r.colLast);
        });
    }
}

void putRef8(Bytes& b, const Ref8& r) {
    for (std::uint16_t v : {r.rowFirst, r.rowLast, r.colFirst, r.colLast}) putLittle(b, v, 2);
}

void SheetWriter::merges() {
    for (const auto& group : sheet_.merges) {
        if (group.empty()) continue;
        writeRecord(out_, RecordId::MergeCells, [&](Bytes& b) {
            putLittle(b, group.size(), 2);
            for (const Ref8& r : group) putRef8(b, r);
        });
    }
}

void SheetWriter::phonetic() {
    const PhoneticInfo& p = sheet_.phonetic;
    writeRecord(out_, RecordId::PhoneticInfo, [&](Bytes& b) {
        for (std::size_t v : {std::size_t(p.xf), std::size_t(p.options), p.ranges.size()}) putLittle(b, v, 2);
        for (const Ref8& r : p.ranges) putRef8(b, r);
    });
}

} // namespace

std::size_t sheetBytesHint(const SheetData& sheet) {
    // Row records, and a few kilobytes of settings, views and kept records.
    constexpr std::size_t kRowRecordBytes = 20, kOtherBytes = 4096;
    std::size_t hint = sheet.cells.recordBytesHint() + sheet.rows.size() * kRowRecordBytes + kOtherBytes;
    for (const RawRecord& r : sheet.raw) hint += 4 + r.body.size();
    return hint;
}

void saveSheet(SheetData& sheet, RecordWriter& out) {
    Bof bof = sheet.bof;
    bof.vers = kBiff8; // whatever version was read, the records written are BIFF8's
    bof.write(out);
    if (sheet.isWorksheet())
        SheetWriter(sheet, out).run();
    else
        for (const RawRecord& r : sheet.raw) r.write(out);
    out.header(RecordId::EOF_, 0);
}

} // namespace karvo
