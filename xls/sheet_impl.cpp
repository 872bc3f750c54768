// sheet_impl.cpp - SheetImplT: life cycle, the book's entry points, and the name.
#include "xls/sheet_impl.h"

#include "core/utf_convert.h"
#include "core/xlerror.h"
#include "xls/sheet_stream.h"

namespace karvo {
namespace {

// Sheet names longer than this are cut: the format's limit for a BoundSheet8 name.
constexpr std::size_t kMaxSheetName = 31;

} // namespace

SheetImplT::SheetImplT(SheetHost& host, std::u16string name)
    : host_(host), name_(std::move(name)), data_(host.sharedStrings()) {}

void SheetImplT::load(RecordReader& records, std::uint16_t biffVersion) {
    loadSheet(data_, records, biffVersion, host_.sharedStrings());
    loadDrawing(biffVersion <= 0x0500);
}

void SheetImplT::save(RecordWriter& out) { saveSheet(data_, out); }

void SheetImplT::copyFrom(const SheetImplT& other) {
    data_.cells.clearAll();
    data_ = other.data_;
    data_.cells.retainStrings();
    // The copy's shapes need ids of their own, and its pictures are placed once more.
    data_.drawing.renumber(host_.drawingGroup());
    for (const SheetDrawing::Picture& p : data_.drawing.pictures())
        if (p.pictureId < host_.drawingGroup().pictureCount()) host_.drawingGroup().addReference(p.pictureId);
}

void SheetImplT::releaseStrings() { data_.cells.clearAll(); }

void SheetImplT::setSelected(bool selected) {
    std::uint16_t& grbit = data_.window2.grbit;
    grbit = selected ? grbit | window2flag::kSelected : grbit & ~window2flag::kSelected;
}

// Assigned, not moved in: the buffer keeps its capacity, so reading cell after cell
// allocates nothing.
const char16_t* SheetImplT::keepText(std::u16string_view text) {
    text_.assign(text);
    return text_.c_str();
}

const char16_t* SheetImplT::sheetName() {
    return run<const char16_t*>(nullptr, [&] { return keepText(name_); });
}

void SheetImplT::setSheetName(const char16_t* name) {
    run([&] {
        if (!name) throw xlerror("sheet name is null");
        std::u16string text(name);
        bool cut = text.size() > kMaxSheetName;
        if (cut) text.resize(utf16Prefix(text, kMaxSheetName).size());
        name_ = std::move(text);
        if (cut) host_.message().warn("sheet's name is cut to 31 characters");
    });
}

SheetState SheetImplT::sheetState() {
    return run(SheetVisible, [&] { return host_.sheetState(this); });
}

bool SheetImplT::setSheetState(SheetState state) {
    return run(false, [&] { return host_.setSheetState(this, state); });
}

} // namespace karvo
