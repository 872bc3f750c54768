// book_globals.cpp - the workbook globals substream and the walk over the sheets.
#include <algorithm>
#include <string>

#include "core/xlerror.h"
#include "xls/book_impl.h"
#include "xls/compound_file.h"
#include "xls/defined_name_biff5.h"
#include "xls/sheet_stream.h"
#include "xls/xls.h"

namespace karvo {
namespace {

// The globals records besides the string table: formats, fonts, names and the like.
constexpr std::size_t kGlobalsBytesHint = 64 * 1024;

// Records the globals writer produces itself (or drops: ExtSST is rebuilt by readers
// that want it, 0x00D3 and 0x01BD belong to macros that are not carried, 0x0016 counts
// the ExternSheet records of a BIFF5 book, which the XTI list replaces).
bool writtenElsewhere(std::uint16_t id) {
    switch (id) {
    case raw(RecordId::Lbl):
    case raw(RecordId::ExternSheet):
    case 0x0016:
    case raw(RecordId::CodeName):
    case raw(RecordId::SupBook):
    case raw(RecordId::ExtSST):
    case raw(RecordId::SST):
    case 0x00D3:
    case 0x01BD:
        return true;
    default:
        return false;
    }
}

// Some producers put their own minor version in the low byte (0x0580); the layout
// of the records follows the major version in the high byte.
std::uint16_t biffVersionOf(std::uint16_t version) {
    std::uint16_t major = version & 0xFF00;
    if (major != kBiff5 && major != kBiff8) throw xlerror("This file format isn't supported");
    return major;
}

} // namespace

void BookImplT::readFile(Xls& xls) {
    NarrowCodePage::Scope codePage;
    readGlobals(xls, codePage);
    readSheets(xls);
}

void BookImplT::readGlobals(Xls& xls, NarrowCodePage::Scope& codePage) {
    RecordReader& in = xls.in();
    bool first = true;
    while (!in.atEnd()) {
        in.release();
        Record record = in.next();
        if (first && !record.is(RecordId::BOF)) throw xlerror("This file format isn't supported");
        first = false;
        // Id 0 is no record of the format; producers leave such empty or stray records
        // between real ones, and nothing reads them.
        if (record.id == 0) continue;
        switch (static_cast<RecordId>(record.id)) {
        case RecordId::EOF_:
            return;
        case RecordId::BOF:
            bof_ = Bof::read(record);
            biffVersion_ = biffVersionOf(bof_.vers);
            formats_.setBiffVersion(biffVersion_);
            break;
        case RecordId::FilePass:
            throw xlerror("workbook is encrypted");
        case RecordId::Font: formats_.readFont(record); break;
        case RecordId::Format: formats_.readFormat(record); break;
        case RecordId::XF: formats_.readXF(record); break;
        case RecordId::Style: formats_.readStyle(record); break;
        case RecordId::Palette: formats_.readPalette(record); break;
        case RecordId::BoundSheet8: boundSheets_.push_back(BoundSheet8::read(record, biffVersion_)); break;
        case RecordId::SST: sst_.read(in, record); break;
        case RecordId::ExtSST: break; // an index into the SST that the writer rebuilds
        case RecordId::Lbl: names_.push_back(Lbl::read(record, in, biffVersion_ == kBiff8)); break;
        case RecordId::SupBook: externals_.push_back(ExternalGroup::read(record, in)); break;
        case RecordId::MsoDrawingGroup: drawingGroup_.read(record, in); break;
        case RecordId::CodePage:
            globals_.read(record, biffVersion_);
            // BIFF8 texts are UTF-16 or compressed UTF-16 whatever the record says.
            if (biffVersion_ == kBiff5) codePage.use(globals_.codePage);
            break;
        default:
            if (!globals_.read(record, biffVersion_)) rawRecords_.push_back(RawRecord::take(record, in));
        }
    }
}

void BookImplT::readSheets(Xls& xls) {
    RecordReader& in = xls.in();
    drawingGroup_.finishLoad();
    sheets_.reserve(boundSheets_.size());
    for (const BoundSheet8& entry : boundSheets_) {
        in.release();
        // Sheets follow one another; a producer that left a gap is found again
        // through the position its BoundSheet8 records.
        if (in.peekId() != raw(RecordId::BOF) && entry.position < in.size()) in.seek(entry.position);
        auto sheet = std::make_unique<SheetImplT>(*this, entry.name);
        if (in.peekId() == raw(RecordId::BOF)) sheet->load(in, biffVersion_);
        sheets_.push_back(std::move(sheet));
    }
    // What is saved is BIFF8; 3-D references need every sheet in place first.
    if (biffVersion_ == kBiff5) {
        for (auto& sheet : sheets_) sheet->translateBiff5Formulas();
        translateBiff5Names(names_, formulas_);
    }
    if (globals_.window1.itabCur >= sheets_.size()) globals_.window1.itabCur = 0;
}

std::vector<std::uint8_t> BookImplT::writeFile() {
    Xls xls = Xls::openWrite();
    RecordWriter& out = xls.out();
    // With an eighth to spare, for the globals and the compound file's own sectors.
    std::size_t hint = sst_.recordBytesHint();
    for (const auto& sheet : sheets_) hint += sheetBytesHint(sheet->data());
    out.reserve(hint + hint / 8 + kGlobalsBytesHint);
    writeStream(out);
    return xls.finish();
}

// Straight into the file: a large book's stream is never held whole in memory, and
// writing it to the file overlaps with making it.
void BookImplT::writeFile(SaveFile& file) {
    CompoundFileSpill spill(file);
    RecordWriter out(spill);
    writeStream(out);
    out.flush();
    spill.finish();
}

void BookImplT::writeStream(RecordWriter& out) {
    std::vector<std::size_t> positionFields;
    writeGlobals(out, positionFields);
    for (std::size_t i = 0; i < sheets_.size(); ++i) {
        out.patchU32(positionFields[i], static_cast<std::uint32_t>(out.position()));
        sheets_[i]->save(out);
    }
}

void BookImplT::writeGlobals(RecordWriter& out, std::vector<std::size_t>& positionFields) {
    Bof bof = bof_;
    bof.vers = kBiff8;  // whatever was read, what is written is BIFF8
    bof.write(out);
    auto codeName = std::find_if(rawRecords_.begin(), rawRecords_.end(),
                                 [](const RawRecord& r) { return r.id == raw(RecordId::CodeName); });
    globals_.writeHead(out, codeName == rawRecords_.end() ? nullptr : &codeName->body);
    formats_.write(out);
    globals_.writeUsesElfs(out);
    for (std::size_t i = 0; i < boundSheets_.size(); ++i)
        positionFields.push_back(boundSheets_[i].write(out, sheets_[i]->name()));
    globals_.writeCountry(out);
    formulas_.updateOwnSheetCount();
    for (const ExternalGroup& group : externals_) group.write(out);
    for (const Lbl& name : names_) name.write(out);
    drawingGroup_.write(out, sheetDrawingIds());
    sst_.write(out);
    for (const RawRecord& record : rawRecords_)
        if (!writtenElsewhere(record.id)) record.write(out);
    out.header(RecordId::EOF_, 0);
}

} // namespace karvo
