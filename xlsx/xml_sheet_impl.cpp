// xml_sheet_impl.cpp - XMLSheetImplT: making the part, writing it, name and visibility.
#include "xlsx/xml_sheet_impl.h"

#include <algorithm>
#include <utility>

#include "core/cell_address.h"
#include "core/huge_pages.h"
#include "xlsx/cell_range.h"
#include "xlsx/xml_book_impl.h"

namespace karvo::xlsx {

XMLSheetImplT::XMLSheetImplT(XMLBookImplT& book) : book_(book), message_(book.message()) {
    root_.sheetData.make();
}

XMLSheetImplT::XMLSheetImplT(XMLBookImplT& book, const char* data, std::size_t size)
    : XmlFile(data, size), book_(book), message_(book.message()) {
    afterLoad();
}

XMLSheetImplT::XMLSheetImplT(XMLBookImplT& book, lmx::chunk_source source)
    : XmlFile(std::move(source)), book_(book), message_(book.message()) {
    afterLoad();
}

XMLSheetImplT::XMLSheetImplT(XMLBookImplT& book, const XMLSheetImplT& other)
    : book_(book), message_(book.message()) {
    root_ = other.root_;
}

// Rows are found by binary search, so they must be in order. Files from some
// producers are not: such rows are put in order (a row number given twice keeps
// both rows, the first one being found).
void XMLSheetImplT::afterLoad() {
    auto& rows = root_.sheetData.make().row;
    auto byNumber = [](const auto& a, const auto& b) { return a->r.get() < b->r.get(); };
    if (!std::is_sorted(rows.begin(), rows.end(), byNumber)) std::stable_sort(rows.begin(), rows.end(), byNumber);
}

void XMLSheetImplT::write(std::string& buffer, const lmx::byte_drain& drain) {
    // Attributes of other namespaces, and the extension list, refer to declarations
    // and conventions the tree does not keep; written back they could make the part
    // unreadable, so they go.
    root_.unclaimed.reset();
    if (root_.sheetFormatPr) root_.sheetFormatPr->unclaimed.reset();
    if (root_.sheetData)
        for (auto& row : root_.sheetData->row) row->unclaimed.reset();
    root_.extLst.reset();
    if (root_.controls && root_.controls->control.empty()) root_.controls.reset();
    // Readers size the sheet by its dimension, so it must cover every cell written.
    recomputeUsedRange();
    root_.dimension.make().ref =
        used_.lastRow == 0 ? u"A1"
                           : formatCellRange({used_.firstRow, used_.lastRow - 1, used_.firstCol, used_.lastCol - 1});
    XmlFile::write(buffer, drain);
}

void XMLSheetImplT::setSelected(bool selected) {
    if (!selected && !root_.sheetViews) return;
    auto& views = root_.sheetViews.make().sheetView;
    if (views.empty()) {
        if (!selected) return;
        views.emplace_back(std::make_unique<sheet::c_CT_SheetView>());
    }
    if (selected) views.front()->tabSelected.set(true);
    else views.front()->tabSelected.reset();
}

// ---- name and visibility ----

namespace {

const char16_t* stateName(SheetState state) {
    switch (state) {
    case SheetVisible: return u"visible";
    case SheetHidden: return u"hidden";
    case SheetVeryHidden: return u"veryHidden";
    }
    return nullptr;
}

} // namespace

const char16_t* XMLSheetImplT::sheetName() {
    return run<const char16_t*>(nullptr, [&] {
        workbook::c_CT_Sheet* element = book_.sheetElement(index_);
        if (!element) throw xlerror("sheet doen't have relationship with book");
        text_ = element->name;
        return text_.c_str();
    });
}

void XMLSheetImplT::setSheetName(const char16_t* name) {
    run([&] {
        workbook::c_CT_Sheet* element = book_.sheetElement(index_);
        if (!element) throw xlerror("sheet doen't have relationship with book");
        bool cut = false;
        std::u16string oldName = std::exchange(element->name, book_.checkedSheetName(name, index_, cut));
        renameInNames(oldName);
        if (cut) message_.warn("sheet's name is cut to 31 characters");
    });
}

SheetState XMLSheetImplT::sheetState() {
    return run<SheetState>(SheetVisible, [&] {
        workbook::c_CT_Sheet* element = book_.sheetElement(index_);
        if (!element) throw xlerror("index is out of range");
        const std::u16string& state = element->state.get();
        return state == u"hidden" ? SheetHidden : state == u"veryHidden" ? SheetVeryHidden : SheetVisible;
    });
}

bool XMLSheetImplT::setSheetState(SheetState state) {
    return run<bool>(false, [&] {
        workbook::c_CT_Sheet* element = book_.sheetElement(index_);
        if (!element) throw xlerror("index is out of range");
        const char16_t* name = stateName(state);
        if (!name) throw xlerror("hidden is out of range");
        if (state != SheetVisible && element->state.get() == u"visible") {
            int visible = 0;
            for (int i = 0; workbook::c_CT_Sheet* other = book_.sheetElement(i); ++i)
                visible += other->state.get() == u"visible";
            if (visible <= 1) throw xlerror("a workbook must contain at least one visible worksheet");
        }
        element->state.set(name);
        return true;
    });
}

// ---- A1 addresses ----

void XMLSheetImplT::addressToRowCol(const char16_t* addr, int* row, int* col, bool* rowRelative, bool* colRelative) {
    run([&] { readCellAddress(addr, row, col, rowRelative, colRelative); });
}

const char16_t* XMLSheetImplT::rowColToAddress(int row, int col, bool rowRelative, bool colRelative) {
    return run<const char16_t*>(nullptr, [&] {
        text_ = formatCellAddress({row, col, rowRelative, colRelative});
        return text_.c_str();
    });
}

} // namespace karvo::xlsx
