// sheet_load.cpp - filling a sheet from its record substream, record by record.
#include <algorithm>
#include <array>
#include <numeric>
#include <string>
#include <vector>

#include "core/utf_convert.h"
#include "core/xlerror.h"
#include "xls/biff_strings.h"
#include "xls/code_page.h"
#include "xls/sheet_stream.h"
#include "xls/sst.h"

namespace karvo {
namespace {

// ExternCount: the number of ExternSheet records after it; BIFF5 only.
constexpr std::uint16_t kOldExternCount = 0x0016;

// Typical counts in a large sheet, reserved before loading. Each is capped by what the
// rest of the stream could hold, so a small hostile file cannot reserve much.
constexpr std::size_t kTypicalRows = 1200;
constexpr std::size_t kTypicalRaw = 6000;
// The smallest record of each kind, header included: a Blank cell, a Row, an empty record.
constexpr std::size_t kMinCellRecord = 4 + 6;
constexpr std::size_t kRowRecord = 4 + 16;
constexpr std::size_t kMinRecord = 4;

// Body sizes of the fixed-layout records.
constexpr std::size_t kRkSize = 10;
constexpr std::size_t kNumberSize = 14;
constexpr std::size_t kLabelSstSize = 10;
constexpr std::size_t kBlankSize = 6;
constexpr std::size_t kBoolErrSize = 8;
constexpr std::size_t kRowSize = 16;
constexpr std::size_t kColInfoSize = 12;
constexpr std::size_t kColInfoShortSize = 11; // some producers write the last field as one byte
constexpr std::size_t kWindow2Size = 18;
constexpr std::size_t kWindow2OldSize = 10;
// The fixed part before the list of a MulRk/MulBlank (row, first column, last column),
// Selection, MergeCells, PhoneticInfo, page breaks, Index and DBCell.
constexpr std::size_t kMulFixed = 6;
constexpr std::size_t kMulRkItem = 6;
constexpr std::size_t kMulBlankItem = 2;
constexpr std::size_t kSelectionFixed = 9;
constexpr std::size_t kSelectionItem = 6;
constexpr std::size_t kRef8Size = 8;
constexpr std::size_t kPhoneticFixed = 6;
constexpr std::size_t kBreaksFixed = 2;
constexpr std::size_t kBreakSize = 6;
constexpr std::size_t kBreakOldSize = 2; // the row (column) alone
constexpr std::size_t kIndexFixed = 16;
constexpr std::size_t kIndexOldFixed = 12;
constexpr std::size_t kDbCellPosSize = 4;
// A String record holds a count, a flags byte and 8-bit characters in one record body.
constexpr std::size_t kMaxStringRecordChars = kMaxRecordBody - 3;

[[noreturn]] void sizeError(std::uint16_t id) { throw xlerror(std::string(recordName(id)) + " size is incorrect"); }

// A record must hold the fields we read. Some producers write longer bodies than the
// format has (18-byte Number records); what follows the fields is ignored.
ByteReader atLeast(const Record& r, std::size_t size) {
    if (r.body.size() < size) sizeError(r.id);
    return r.reader();
}

// A list record: a fixed part, then at least `count` items.
void checkList(const Record& r, std::size_t fixed, std::size_t item, std::size_t count) {
    if (r.body.size() < fixed || (r.body.size() - fixed) / item < count) sizeError(r.id);
}

std::size_t itemsAfter(const Record& r, std::size_t fixed, std::size_t item) {
    if (r.body.size() < fixed || (r.body.size() - fixed) % item) sizeError(r.id);
    return (r.body.size() - fixed) / item;
}

CellPos readPos(ByteReader& in) { return CellPos{in.u16(), in.u16(), in.u16()}; }

RawRecord asIs(const Record& r) { return RawRecord{r.id, {r.body.begin(), r.body.end()}, {}}; }

class SheetLoader {
public:
    SheetLoader(SheetData& sheet, RecordReader& records, bool old, const SharedStrings& strings)
        : sheet_(sheet), records_(records), old_(old), strings_(strings) {}

    void run();

private:
    using Handler = void (SheetLoader::*)(const Record&);
    struct Route {
        RecordId id;
        Handler handler;
    };
    static const Route kRoutes[];

    void reserve();
    void worksheetRecord(const Record& r);
    void keepRaw(const Record& r) { sheet_.raw.push_back(RawRecord::take(r, records_)); }
    void keepDrawing(const Record& r) { sheet_.drawing.loaded.push_back(RawRecord::take(r, records_)); }
    void keepSubstream(const Record& bof, std::vector<RawRecord>& into);

    // Cells from a file that lie beyond column 255 cannot be held and are skipped.
    template <class Entry>
    void putCell(Entry e) {
        if (e.at.col <= kMaxCol) sheet_.cells.put(std::move(e));
    }
    void rk(const Record& r);
    void number(const Record& r);
    void labelSst(const Record& r);
    void blank(const Record& r);
    void boolErr(const Record& r);
    void label(const Record& r);
    void richLabel(const Record& r);
    void mulRk(const Record& r);
    void mulBlank(const Record& r);
    void formula(const Record& r);
    void row(const Record& r);
    void colInfo(const Record& r);
    void applyColInfos();
    void dimensions(const Record& r);
    void window2(const Record& r);
    void pane(const Record& r);
    void selection(const Record& r);
    void mergeCells(const Record& r);
    void phoneticInfo(const Record& r);
    void index(const Record& r);
    void ignore(const Record&) {}
    void horizontalBreaks(const Record& r) { sheet_.horizontalBreaks = readBreaks(r, kMaxCol); }
    void verticalBreaks(const Record& r) { sheet_.verticalBreaks = readBreaks(r, kMaxRow); }
    std::vector<PageBreak> readBreaks(const Record& r, int lastAcross);

    SheetData& sheet_;
    RecordReader& records_;
    bool old_; // BIFF5 or older: 16-bit row fields, 8-bit strings, shorter records
    const SharedStrings& strings_;
    std::size_t handleBudget_ = 0; // cell handles Row records may still reserve
    std::vector<ColEntry> colInfos_; ///< in file order, applied when the sheet ends
};

const SheetLoader::Route SheetLoader::kRoutes[] = {
    {RecordId::RK, &SheetLoader::rk},
    {RecordId::LabelSst, &SheetLoader::labelSst},
    {RecordId::Number, &SheetLoader::number},
    {RecordId::Formula, &SheetLoader::formula},
    {RecordId::Blank, &SheetLoader::blank},
    {RecordId::MulRk, &SheetLoader::mulRk},
    {RecordId::MulBlank, &SheetLoader::mulBlank},
    {RecordId::BoolErr, &SheetLoader::boolErr},
    {RecordId::Label, &SheetLoader::label},
    {RecordId::RString, &SheetLoader::richLabel},
    {RecordId::Row, &SheetLoader::row},
    // DBCell records only locate rows for readers and are never written: the writer
    // places its own, so whatever a file holds there is ignored.
    {RecordId::DBCell, &SheetLoader::ignore},
    {RecordId::ColInfo, &SheetLoader::colInfo},
    {RecordId::Dimensions, &SheetLoader::dimensions},
    {RecordId::Window2, &SheetLoader::window2},
    {RecordId::Pane, &SheetLoader::pane},
    {RecordId::Selection, &SheetLoader::selection},
    {RecordId::MergeCells, &SheetLoader::mergeCells},
    {RecordId::PhoneticInfo, &SheetLoader::phoneticInfo},
    {RecordId::Index, &SheetLoader::index},
    {RecordId::HorizontalPageBreaks, &SheetLoader::horizontalBreaks},
    {RecordId::VerticalPageBreaks, &SheetLoader::verticalBreaks},
    {RecordId::MsoDrawing, &SheetLoader::keepDrawing},
    {RecordId::MsoDrawingSelection, &SheetLoader::keepDrawing},
    {RecordId::Obj, &SheetLoader::keepDrawing},
    {RecordId::TxO, &SheetLoader::keepDrawing},
    {RecordId::Note, &SheetLoader::keepDrawing},
};

void SheetLoader::run() {
    Record first = records_.next();
    if (!first.is(RecordId::BOF)) throw xlerror("error in record BOF");
    sheet_.bof = Bof::read(first);
    if (sheet_.isWorksheet()) reserve();
    while (!records_.atEnd()) {
        records_.release();
        Record r = records_.next();
        // Id 0 is no record of the format: some writers leave empty or stray ones after
        // margins or inside charts. Nothing reads them, and they are not written back.
        if (r.id == 0) continue;
        if (r.is(RecordId::EOF_)) break;
        if (r.is(RecordId::BOF))
            keepSubstream(r, sheet_.isWorksheet() ? sheet_.drawing.loaded : sheet_.raw);
        else if (sheet_.isWorksheet())
            worksheetRecord(r);
        else
            keepRaw(r);
    }
    applyColInfos();
    sheet_.rows.shrink_to_fit();
    sheet_.raw.shrink_to_fit();
}

void SheetLoader::reserve() {
    sheet_.selections.clear(); // a new sheet's default selection gives way to the file's
    std::size_t left = records_.remaining();
    sheet_.rows.reserve(std::min(kTypicalRows, left / kRowRecord));
    handleBudget_ = left / kMinCellRecord;
    sheet_.raw.reserve(std::min(kTypicalRaw, left / kMinRecord));
}

void SheetLoader::worksheetRecord(const Record& r) {
    // Older files repeat the book's Country record in every sheet; BIFF8 readers
    // expect it once, in the globals, and the book writes it there.
    if (old_ && r.is(RecordId::Country)) return;
    // Older sheets also list the sheets their 3-D references use (ExternCount, then
    // ExternSheet records); those references now go through the book's XTI list, and
    // BIFF8 readers take an ExternSheet record in a sheet for a broken one.
    if (old_ && (r.id == kOldExternCount || r.is(RecordId::ExternSheet))) return;
    // The routes first: cell records, most of a sheet, are found in a few compares.
    for (const Route& route : kRoutes)
        if (r.id == raw(route.id)) return (this->*route.handler)(r);
    if (PageSetup::holds(r.id)) return sheet_.pageSetup.read(r, records_, old_);
    if (readSetting(sheet_.settings, r)) return;
    keepRaw(r);
}

// An embedded substream (a chart inside the sheet) is kept whole, up to the EOF that
// matches its BOF.
void SheetLoader::keepSubstream(const Record& bof, std::vector<RawRecord>& into) {
    into.push_back(asIs(bof));
    int depth = 1;
    while (depth > 0 && !records_.atEnd()) {
        records_.release(); // each record is copied as it comes
        Record r = records_.next();
        if (r.id == 0) continue;
        if (r.is(RecordId::BOF)) ++depth;
        if (r.is(RecordId::EOF_)) --depth;
        into.push_back(asIs(r));
    }
    // A stream cut off inside the substream gets its missing EOFs here, or the copy we
    // write would swallow the records after it when read back.
    for (; depth > 0; --depth) into.push_back(RawRecord{raw(RecordId::EOF_), {}, {}});
}

void SheetLoader::rk(const Record& r) {
    ByteReader in = atLeast(r, kRkSize);
    CellPos at = readPos(in);
    putCell(RkCell{at, in.u32()});
}

void SheetLoader::number(const Record& r) {
    ByteReader in = atLeast(r, kNumberSize);
    CellPos at = readPos(in);
    putCell(NumberCell{at, in.f64()});
}

// A string index past the table cannot be shown; the cell keeps its format as a blank.
void SheetLoader::labelSst(const Record& r) {
    ByteReader in = atLeast(r, kLabelSstSize);
    CellPos at = readPos(in);
    std::uint32_t isst = in.u32();
    if (strings_.contains(isst))
        putCell(LabelSstCell{at, isst});
    else
        putCell(BlankCell{at});
}

void SheetLoader::blank(const Record& r) {
    ByteReader in = atLeast(r, kBlankSize);
    putCell(BlankCell{readPos(in)});
}

void SheetLoader::boolErr(const Record& r) {
    ByteReader in = atLeast(r, kBoolErrSize);
    CellPos at = readPos(in);
    std::uint8_t value = in.u8();
    putCell(BoolErrCell{at, value, in.u8()});
}

void SheetLoader::label(const Record& r) {
    constexpr std::size_t kFlagsAt = 8; // after the position and the character count
    ByteReader in = r.reader();
    LabelCell cell;
    cell.at = readPos(in);
    cell.narrow = old_ || (r.body.size() > kFlagsAt && !(r.body[kFlagsAt] & richflag::kHighByte));
    cell.text = readShortString(in, old_ ? ShortForm::Count16NoFlags : ShortForm::Count16);
    if (!in.ok()) sizeError(r.id);
    putCell(std::move(cell));
}

// Older files write a text with formatting runs as RString: a Label's fields, then
// the runs. BIFF8 has no such record (runs live in the shared strings), so the text
// becomes a Label cell and the runs are dropped. A BIFF8 file's RString is kept as read.
void SheetLoader::richLabel(const Record& r) {
    if (!old_) return keepRaw(r);
    ByteReader in = r.reader();
    LabelCell cell;
    cell.at = readPos(in);
    cell.narrow = true;
    cell.text = readShortString(in, ShortForm::Count16NoFlags);
    if (!in.ok()) sizeError(r.id);
    putCell(std::move(cell));
}

void SheetLoader::mulRk(const Record& r) {
    std::size_t n = itemsAfter(r, kMulFixed, kMulRkItem);
    ByteReader in = r.reader();
    std::uint16_t rw = in.u16();
    int col = in.u16();
    for (std::size_t i = 0; i < n; ++i, ++col) {
        std::uint16_t xf = in.u16();
        std::uint32_t value = in.u32();
        if (col <= kMaxCol) putCell(RkCell{{rw, static_cast<std::uint16_t>(col), xf}, value});
    }
}

void SheetLoader::mulBlank(const Record& r) {
    std::size_t n = itemsAfter(r, kMulFixed, kMulBlankItem);
    ByteReader in = r.reader();
    std::uint16_t rw = in.u16();
    int col = in.u16();
    for (std::size_t i = 0; i < n; ++i, ++col) {
        std::uint16_t xf = in.u16();
        if (col <= kMaxCol) putCell(BlankCell{{rw, static_cast<std::uint16_t>(col), xf}});
    }
}

void SheetLoader::formula(const Record& r) {
    FormulaBlock block = FormulaBlock::read(r, records_, old_);
    // What is saved is BIFF8, so an older file's cached text (a count and 8-bit
    // characters, no flags byte) is held from here on in the layout with flags.
    if (old_ && block.textAt != FormulaBlock::TextAt::None) {
        std::u16string text = NarrowCodePage::decode(block.cachedText());
        // BIFF5 cached texts hold at most 255 characters; a longer one (a damaged file)
        // is cut so that the String record still fits one record.
        text.resize(utf16Prefix(text, kMaxStringRecordChars).size());
        block.text.body.clear();
        block.text.continues.clear();
        writeShortString(block.text.body, text, ShortForm::Count16, CharWidth::narrow);
        block.narrowText = false;
    }
    putCell(std::move(block));
}

void SheetLoader::row(const Record& r) {
    ByteReader in = atLeast(r, kRowSize);
    RowEntry e;
    for (std::uint16_t* field : {&e.row, &e.colMic, &e.colMac, &e.miyRw, &e.reserved1, &e.reserved2, &e.flags, &e.ixfe})
        *field = in.u16();
    sheet_.rows.push_back(e);
    // Row records come before their cells, so the row's handles are allocated once at
    // their full width instead of growing cell by cell. The widths claimed are paid
    // for from the stream's size (a cell record per handle), so Row records alone
    // cannot make a small file reserve much.
    std::size_t width = std::min<std::size_t>(e.colMac, kColCount);
    if (width > handleBudget_) return;
    handleBudget_ -= width;
    sheet_.cells.reserveRow(e.row, width);
}

void SheetLoader::colInfo(const Record& r) {
    ByteReader in = atLeast(r, kColInfoShortSize);
    ColEntry e;
    int first = in.u16();
    int last = in.u16();
    e.width = in.u16();
    e.xf = in.u16();
    e.options = in.u16();
    e.reserved = r.body.size() >= kColInfoSize ? in.u16() : in.u8();
    if (first > std::min(last, kMaxCol)) return;
    e.first = static_cast<std::uint16_t>(first);
    e.last = static_cast<std::uint16_t>(std::min(last, kMaxCol));
    colInfos_.push_back(e);
}

// The sheet keeps one entry per column, from the last record that reaches it; a range
// past the last column ends there. Walking the records backwards, each column goes to
// the first record met that spans it, and `next` jumps over the columns already given
// away, so the work grows with the records and the columns, not with the records
// times the columns each one spans.
void SheetLoader::applyColInfos() {
    std::array<int, kMaxCol + 2> next;
    std::iota(next.begin(), next.end(), 0);
    const auto firstFree = [&](int col) {
        while (next[col] != col) col = next[col] = next[next[col]];
        return col;
    };
    for (auto r = colInfos_.rbegin(); r != colInfos_.rend(); ++r) {
        for (int col = firstFree(r->first); col <= r->last; col = firstFree(col + 1)) {
            ColEntry e = *r;
            e.first = e.last = static_cast<std::uint16_t>(col);
            sheet_.columns.push_back(e);
            next[col] = col + 1;
        }
    }
    std::sort(sheet_.columns.begin(), sheet_.columns.end(),
              [](const ColEntry& a, const ColEntry& b) { return a.first < b.first; });
    colInfos_.clear();
}

void SheetLoader::dimensions(const Record& r) {
    std::size_t rowSize = old_ ? 2 : 4;
    std::size_t full = 2 * rowSize + 6;
    ByteReader in = atLeast(r, full - 2);
    Dimensions& d = sheet_.dimensions;
    d.rwMic = old_ ? in.u16() : in.u32();
    d.rwMac = old_ ? in.u16() : in.u32();
    d.colMic = in.u16();
    d.colMac = in.u16();
    d.reserved = r.body.size() >= full ? in.u16() : 0;
}

void SheetLoader::window2(const Record& r) {
    ByteReader in = atLeast(r, old_ ? kWindow2OldSize : kWindow2Size);
    Window2& w = sheet_.window2;
    w.grbit = in.u16();
    w.rwTop = in.u16();
    w.colLeft = in.u16();
    // The older form holds an RGB colour where the palette index goes; the default index stays.
    if (old_) return;
    for (std::uint16_t* field : {&w.icvHdr, &w.reserved1, &w.wScaleSLV, &w.wScaleNormal, &w.reserved2, &w.reserved3})
        *field = in.u16();
}

// Pane has no size demanded of it: fields the body does not hold read as 0.
void SheetLoader::pane(const Record& r) {
    ByteReader in = r.reader();
    Pane p;
    p.x = in.u16();
    p.y = in.u16();
    p.rwTop = in.u16();
    p.colLeft = in.u16();
    p.pnnAcc = in.u8();
    p.reserved = in.u8();
    sheet_.pane = p;
}

void SheetLoader::selection(const Record& r) {
    ByteReader in = r.reader();
    Selection s;
    s.pane = in.u8();
    s.rwAct = in.u16();
    s.colAct = in.u16();
    s.irefAct = in.u16();
    std::size_t cref = in.u16();
    checkList(r, kSelectionFixed, kSelectionItem, cref);
    s.refs.clear();
    for (std::size_t i = 0; i < cref; ++i) s.refs.push_back(SelectionRef{in.u16(), in.u16(), in.u8(), in.u8()});
    sheet_.selections.push_back(std::move(s));
}

// Ranges outside the sheet or upside down are dropped: nothing could address them.
void SheetLoader::mergeCells(const Record& r) {
    ByteReader in = r.reader();
    std::size_t count = in.u16();
    if (!in.ok() || !in.canRead(count, kRef8Size)) sizeError(r.id);
    std::vector<Ref8> group;
    group.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        Ref8 m{in.u16(), in.u16(), in.u16(), in.u16()};
        if (m.rowFirst <= m.rowLast && m.colFirst <= m.colLast && m.colLast <= kMaxCol) group.push_back(m);
    }
    if (!group.empty()) sheet_.merges.push_back(std::move(group));
}

void SheetLoader::phoneticInfo(const Record& r) {
    ByteReader in = r.reader();
    PhoneticInfo& p = sheet_.phonetic;
    p.xf = in.u16();
    p.options = in.u16();
    std::size_t count = in.u16();
    checkList(r, kPhoneticFixed, kRef8Size, count);
    p.ranges.clear();
    for (std::size_t i = 0; i < count; ++i) p.ranges.push_back(Ref8{in.u16(), in.u16(), in.u16(), in.u16()});
}

// The writer rebuilds the Index record's positions, so one that does not add up is
// ignored rather than refused.
void SheetLoader::index(const Record& r) {
    std::size_t fixed = old_ ? kIndexOldFixed : kIndexFixed;
    if (r.body.size() < fixed || (r.body.size() - fixed) % kDbCellPosSize) return;
    std::size_t n = (r.body.size() - fixed) / kDbCellPosSize;
    ByteReader in = r.reader();
    IndexValues& x = sheet_.index;
    x.reserved0 = in.u32();
    x.rwMic = old_ ? in.u16() : in.u32();
    x.rwMac = old_ ? in.u16() : in.u32();
    x.reserved1 = in.u32();
    x.dbCells.clear();
    for (std::size_t i = 0; i < n; ++i) x.dbCells.push_back(in.u32());
}

std::vector<PageBreak> SheetLoader::readBreaks(const Record& r, int lastAcross) {
    ByteReader in = r.reader();
    std::size_t count = in.u16();
    checkList(r, kBreaksFixed, old_ ? kBreakOldSize : kBreakSize, count);
    std::vector<PageBreak> breaks;
    breaks.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        PageBreak b{in.u16(), 0, static_cast<std::uint16_t>(lastAcross)};
        if (!old_) {
            b.first = in.u16();
            b.last = in.u16();
        }
        breaks.push_back(b);
    }
    return breaks;
}

} // namespace

void loadSheet(SheetData& sheet, RecordReader& records, std::uint16_t biffVersion, const SharedStrings& strings) {
    SheetLoader(sheet, records, biffVersion <= kBiff5, strings).run();
    // The Dimensions record is the producer's claim; some write it wrong or not at
    // all, so the bounds are taken from the cells the sheet really holds.
    sheet.boundsDirty = true;
}

} // namespace karvo
