// xml_book_sheets.cpp - an Open XML book's sheets: lookup, insert, delete, active sheet.
#include <algorithm>
#include <charconv>

#include "core/text_compare.h"
#include "core/utf_convert.h"
#include "xlsx/content_type_names.h"
#include "xlsx/xml_book_impl.h"
#include "xlsx/xml_sheet_impl.h"

namespace karvo::xlsx {
namespace {

constexpr std::size_t kMaxSheetName = 31;

// The number a worksheet target ends with before ".xml" ("worksheets/sheet12.xml"
// gives 12); 0 when there is none.
std::uint64_t sheetNumber(std::u16string_view target) {
    if (target.size() < 4) return 0;
    std::u16string_view stem = target.substr(0, target.size() - 4);
    std::size_t digits = 0;
    while (digits < stem.size() && digits < 9 && stem[stem.size() - 1 - digits] >= u'0' &&
           stem[stem.size() - 1 - digits] <= u'9')
        ++digits;
    std::uint64_t number = 0;
    for (char16_t c : stem.substr(stem.size() - digits)) number = number * 10 + (c - u'0');
    return number;
}

std::u16string decimal(std::uint64_t number) {
    std::string digits = std::to_string(number);
    return std::u16string(digits.begin(), digits.end());
}

// Whether a formula text refers to the sheet: "Name!" or "'Name'!" with quotes doubled.
bool mentionsSheet(std::u16string_view formula, const std::u16string& name) {
    std::u16string quoted = u"'";
    for (char16_t c : name) quoted += c == u'\'' ? std::u16string(u"''") : std::u16string(1, c);
    quoted += u"'!";
    return formula.find(name + u"!") != std::u16string_view::npos || formula.find(quoted) != std::u16string_view::npos;
}

} // namespace

// ---- names ----

// Consumers refuse a workbook whose sheet names are empty, repeated (letter case
// ignored) or hold a character that formulas use around sheet names.
std::u16string XMLBookImplT::checkedSheetName(const char16_t* name, int except, bool& cut) const {
    if (!name) throw xlerror("sheet name is null");
    std::u16string text(name);
    cut = text.size() > kMaxSheetName;
    if (cut) text.resize(utf16Prefix(text, kMaxSheetName).size());
    if (text.empty()) throw xlerror("sheet name is empty");
    if (text.find_first_of(u"[]:*?/\\") != std::u16string::npos || text.front() == u'\'' || text.back() == u'\'')
        throw xlerror("sheet name contains an invalid character");
    for (int i = 0; const workbook::c_CT_Sheet* element = sheetElement(i); ++i)
        if (i != except && sameTextIgnoringCase(element->name, text))
            throw xlerror("book already contains such sheet name");
    return text;
}

// ---- lookup ----

workbook::c_CT_Sheet* XMLBookImplT::sheetElement(int index) const {
    if (!workbook_ || !workbook_->root().sheets || index < 0) return nullptr;
    auto& sheets = workbook_->root().sheets->sheet;
    return static_cast<std::size_t>(index) < sheets.size() ? sheets[index].get() : nullptr;
}

std::u16string XMLBookImplT::sheetPartName(int index) const {
    const workbook::c_CT_Sheet* element = sheetElement(index);
    if (!element || !workbookRels_ || workbookRels_->isExternal(element->id)) return {};
    std::u16string target = workbookRels_->targetById(element->id);
    return target.empty() ? std::u16string() : resolveTarget(folder_, target);
}

XMLSheetImplT* XMLBookImplT::sheetPart(int index) const {
    auto found = parts_.find(sheetPartName(index));
    return found == parts_.end() ? nullptr : dynamic_cast<XMLSheetImplT*>(found->second.get());
}

void XMLBookImplT::reindexSheets() {
    for (auto& [name, part] : parts_)
        if (auto* sheet = dynamic_cast<XMLSheetImplT*>(part.get())) sheet->setIndex(-1);
    for (int i = 0, count = sheetCount(); i < count; ++i)
        if (XMLSheetImplT* sheet = sheetPart(i)) sheet->setIndex(i);
    message_.ok();
}

int XMLBookImplT::sheetCount() {
    message_.ok();
    const auto* sheets = workbook_ ? workbook_->root().sheets.get() : nullptr;
    return sheets ? static_cast<int>(sheets->sheet.size()) : 0;
}

ISheet* XMLBookImplT::getSheet(int index) {
    return runOperation(message_, nullptr, [&]() -> ISheet* {
        XMLSheetImplT* sheet = sheetPart(index);
        if (!sheet) throw xlerror("sheet not found");
        return sheet;
    });
}

// ---- insert and delete ----

ISheet* XMLBookImplT::addSheet(const char16_t* name, ISheet* initSheet) {
    return insertSheet(sheetCount(), name, initSheet);
}

ISheet* XMLBookImplT::insertSheet(int index, const char16_t* name, ISheet* initSheet) {
    return runOperation(message_, nullptr, [&]() -> ISheet* {
        auto& tree = workbookTree();
        int count = sheetCount();
        if (index < 0 || index > count) throw xlerror("index is out of range");
        bool cut = false;
        std::u16string sheetName = checkedSheetName(name, -1, cut);
        const XMLSheetImplT* initial = nullptr;
        if (initSheet) {
            initial = dynamic_cast<XMLSheetImplT*>(initSheet);
            if (!initial || &initial->book() != this) throw xlerror("initial sheet belongs to another book");
        }
        if (!contentTypes_ || !workbookRels_) throw xlerror("workbook relationships not found");

        std::uint64_t number = 1;
        for (const std::u16string& target : workbookRels_->targets(kWorksheetRelationship))
            number = std::max(number, sheetNumber(target) + 1);
        std::u16string partName = u"/xl/worksheets/sheet" + decimal(number) + u".xml";
        auto part = initial ? std::make_unique<XMLSheetImplT>(*this, *initial) : std::make_unique<XMLSheetImplT>(*this);
        XMLSheetImplT* sheet = part.get();
        if (initial) {
            auto rels = parts_.find(relationshipsPartName(sheetPartName(initial->index())));
            if (auto* source = rels == parts_.end() ? nullptr : dynamic_cast<Relationships*>(rels->second.get()))
                parts_.insert_or_assign(relationshipsPartName(partName), std::make_unique<Relationships>(*source));
        }
        parts_.insert_or_assign(partName, std::move(part));
        contentTypes_->addOverride(partName, kWorksheetType);
        std::u16string id = workbookRels_->add(kWorksheetRelationship, targetFor(folder_, partName));

        std::uint32_t sheetId = 0;
        auto& sheets = tree.sheets.make().sheet;
        for (const auto& element : sheets) sheetId = std::max(sheetId, element->sheetId);
        auto element = std::make_unique<workbook::c_CT_Sheet>();
        element->name = sheetName;
        element->sheetId = sheetId + 1;
        element->id = id;
        sheets.emplace(sheets.begin() + index, std::move(element));
        // Names local to the sheets from `index` on move along with them.
        if (tree.definedNames)
            for (auto& definedName : tree.definedNames->definedName)
                if (definedName->localSheetId.has() && definedName->localSheetId.get() >= static_cast<std::uint32_t>(index))
                    definedName->localSheetId.set(definedName->localSheetId.get() + 1);
        reindexSheets();

        sheet->setSelected(false);
        int active = activeSheetNumber();
        if (sheets.size() == 1)
            setActiveSheetNumber(0);
        else if (index <= active)
            setActiveSheetNumber(active + 1);
        if (cut) message_.warn("sheet's name is cut to 31 characters");
        else message_.ok();
        return sheet;
    });
}

void XMLBookImplT::removeDefinedNamesOf(int index, const std::u16string& sheetName) {
    auto& names = workbookTree().definedNames;
    if (!names) return;
    auto& list = names->definedName;
    std::erase_if(list, [&](const auto& name) {
        return (name->localSheetId.has() && name->localSheetId.get() == static_cast<std::uint32_t>(index)) ||
               mentionsSheet(name->value, sheetName);
    });
    for (auto& name : list)
        if (name->localSheetId.has() && name->localSheetId.get() > static_cast<std::uint32_t>(index))
            name->localSheetId.set(name->localSheetId.get() - 1);
    if (list.empty()) names.reset();
}

bool XMLBookImplT::deleteSheet(int index) {
    return runOperation(message_, false, [&] {
        int count = sheetCount();
        if (index < 0 || index >= count) throw xlerror("index is out of range");
        if (count == 1) throw xlerror("can't remove the last sheet in workbook");
        auto& sheets = workbookTree().sheets->sheet;
        int active = activeSheetNumber();
        removeDefinedNamesOf(index, sheets[index]->name);
        std::u16string partName = sheetPartName(index);
        if (!partName.empty()) {
            parts_.erase(relationshipsPartName(partName));
            parts_.erase(partName);
            contentTypes_->removeOverride(partName);
        }
        workbookRels_->removeById(sheets[index]->id);
        sheets.erase(sheets.begin() + index);
        reindexSheets();
        // The same sheet stays active when it survives; otherwise the one that took its place.
        if (active > index) setActiveSheetNumber(active - 1);
        else if (active == index) setActiveSheetNumber(std::min(index, count - 2));
        message_.ok();
        return true;
    });
}

// ---- the active sheet ----

int XMLBookImplT::activeSheetNumber() {
    message_.ok();
    const auto* views = workbook_ ? workbook_->root().bookViews.get() : nullptr;
    if (!views || views->workbookView.empty()) return 0;
    return static_cast<int>(std::min<std::uint32_t>(views->workbookView[0]->activeTab.get(), INT32_MAX));
}

void XMLBookImplT::setActiveSheetNumber(int index) {
    runOperation(message_, [&] {
        if (index < 0 || index >= sheetCount()) throw xlerror("index is out of range");
        auto& views = workbookTree().bookViews.make().workbookView;
        if (views.empty()) views.emplace_back(std::make_unique<workbook::c_CT_BookView>());
        int previous = activeSheetNumber();
        if (XMLSheetImplT* sheet = sheetPart(previous)) sheet->setSelected(false);
        views[0]->activeTab.set(static_cast<std::uint32_t>(index));
        if (views[0]->firstSheet.get() > static_cast<std::uint32_t>(index)) views[0]->firstSheet.set(index);
        if (XMLSheetImplT* sheet = sheetPart(index)) sheet->setSelected(true);
    });
}

} // namespace karvo::xlsx
