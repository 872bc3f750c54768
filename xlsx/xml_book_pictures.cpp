// xml_book_pictures.cpp - an Open XML book's pictures: image parts, and the drawing
// parts that place them on sheets.
#include "core/file_io.h"
#include "core/text_compare.h"
#include "xlsx/content_type_names.h"
#include "xlsx/drawing.h"
#include "xlsx/image_types.h"
#include "xlsx/xml_book_impl.h"
#include "xlsx/xml_sheet_impl.h"

namespace karvo::xlsx {
namespace {

std::span<const std::uint8_t> bytesOf(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// `stem` + N + `suffix` with the smallest N from 1 that no part has.
std::u16string freePartName(const PartMap& parts, std::u16string_view stem, std::u16string_view suffix) {
    for (std::uint64_t n = 1;; ++n) {
        std::string digits = std::to_string(n);
        std::u16string name = std::u16string(stem) + std::u16string(digits.begin(), digits.end()) + std::u16string(suffix);
        if (!parts.contains(name)) return name;
    }
}

} // namespace

// ---- the book's picture list ----

int XMLBookImplT::pictureCount() {
    message_.ok();
    return static_cast<int>(pictures_.size());
}

const std::u16string& XMLBookImplT::picturePartName(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= pictures_.size()) throw xlerror("index is out of range");
    return pictures_[static_cast<std::size_t>(index)];
}

const std::string& XMLBookImplT::pictureBytes(int index) const {
    auto found = parts_.find(picturePartName(index));
    const auto* part = found == parts_.end() ? nullptr : dynamic_cast<const BinaryFile*>(found->second.get());
    if (!part) throw xlerror("picture not found");
    return part->bytes();
}

int XMLBookImplT::pictureIndex(std::u16string_view partName) const {
    for (std::size_t i = 0; i < pictures_.size(); ++i)
        if (sameTextIgnoringCase(pictures_[i], partName)) return static_cast<int>(i);
    return -1;
}

PixelSize XMLBookImplT::pictureSize(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= pictures_.size()) throw xlerror("pictureId is out of range");
    return imagePartSize(picturePartName(index), bytesOf(pictureBytes(index)));
}

PictureType XMLBookImplT::pictureAt(int index, const char** data, std::size_t* size) {
    return runOperation(message_, PictureTypeError, [&] {
        const std::string& bytes = pictureBytes(index);
        if (data) *data = bytes.data();
        if (size) *size = bytes.size();
        return imagePartType(picturePartName(index));
    });
}

int XMLBookImplT::addPicture(std::span<const std::uint8_t> bytes) {
    // An empty part is left out of the package, which would lose the picture.
    if (bytes.empty()) throw xlerror("data is empty");
    if (!contentTypes_) throw xlerror("workbook not found");
    const ImageType* type = recogniseImage(bytes);
    // Every part of a package needs a content type, and data of no known kind has none.
    if (!type) throw xlerror("unknown picture format");
    contentTypes_->addDefault(type->extension, type->contentType);
    std::u16string name = freePartName(parts_, folder_ + u"/media/image", u"." + std::u16string(type->extension));
    parts_.emplace(name, std::make_unique<BinaryFile>(std::string(bytes.begin(), bytes.end())));
    pictures_.push_back(name);
    return static_cast<int>(pictures_.size() - 1);
}

int XMLBookImplT::addPictureData(const char* data, std::size_t size) {
    return runOperation(message_, -1, [&] {
        if (!data) throw xlerror("data is null");
        return addPicture({reinterpret_cast<const std::uint8_t*>(data), size});
    });
}

int XMLBookImplT::addPictureFile(const char16_t* filename) {
    return runOperation(message_, -1, [&] { return addPicture(readWholeFile(filename, "can't open file")); });
}

// ---- drawings ----

// A drawing read from a package stays bytes until something asks for its anchors;
// a drawing that does not parse fails that request, not the load.
Drawing* XMLBookImplT::drawingPart(const std::u16string& name) {
    auto found = parts_.find(name);
    if (found == parts_.end()) return nullptr;
    if (auto* drawing = dynamic_cast<Drawing*>(found->second.get())) return drawing;
    auto* raw = dynamic_cast<BinaryFile*>(found->second.get());
    if (!raw) return nullptr;
    auto parsed = std::make_unique<Drawing>(raw->bytes().data(), raw->bytes().size());
    Drawing* drawing = parsed.get();
    found->second = std::move(parsed);
    return drawing;
}

Relationships* XMLBookImplT::relationshipsOf(std::u16string_view partName) const {
    auto found = parts_.find(relationshipsPartName(partName));
    return found == parts_.end() ? nullptr : dynamic_cast<Relationships*>(found->second.get());
}

Relationships& XMLBookImplT::makeRelationshipsOf(std::u16string_view partName) {
    if (Relationships* rels = relationshipsOf(partName)) return *rels;
    auto rels = std::make_unique<Relationships>();
    Relationships& made = *rels;
    parts_.insert_or_assign(relationshipsPartName(partName), std::move(rels));
    contentTypes_->addDefault(u"rels", kRelationshipsType);
    return made;
}

XMLBookImplT::SheetDrawing XMLBookImplT::sheetDrawing(const XMLSheetImplT& sheet) {
    SheetDrawing found = findSheetDrawing(sheet);
    if (!found.drawing) throw xlerror("can't find drawing object");
    return found;
}

XMLBookImplT::SheetDrawing XMLBookImplT::findSheetDrawing(const XMLSheetImplT& sheet) {
    std::u16string sheetName = sheetPartName(sheet.index());
    Relationships* sheetRels = sheetName.empty() ? nullptr : relationshipsOf(sheetName);
    std::u16string target = sheetRels ? sheetRels->target(kDrawingRelationship) : std::u16string();
    SheetDrawing found;
    if (!target.empty()) {
        found.name = resolveTarget(folderOf(sheetName), target);
        found.drawing = drawingPart(found.name);
    }
    if (found.drawing) found.rels = relationshipsOf(found.name);
    return found;
}

XMLBookImplT::SheetDrawing XMLBookImplT::makeSheetDrawing(XMLSheetImplT& sheet) {
    std::u16string sheetName = sheetPartName(sheet.index());
    if (sheetName.empty() || !contentTypes_) throw xlerror("sheet doen't have relationship with book");
    Relationships* sheetRels = relationshipsOf(sheetName);
    SheetDrawing made;
    if (sheetRels && !sheetRels->target(kDrawingRelationship).empty()) {
        made = sheetDrawing(sheet);
    } else {
        made.name = freePartName(parts_, folder_ + u"/drawings/drawing", u".xml");
        auto drawing = std::make_unique<Drawing>();
        made.drawing = drawing.get();
        parts_.insert_or_assign(made.name, std::move(drawing));
        contentTypes_->addOverride(made.name, kDrawingType);
        std::u16string id =
            makeRelationshipsOf(sheetName).add(kDrawingRelationship, relativeTarget(folderOf(sheetName), made.name));
        sheet.root().drawing.make().id = id;
    }
    if (!made.rels) made.rels = &makeRelationshipsOf(made.name);
    return made;
}

} // namespace karvo::xlsx
