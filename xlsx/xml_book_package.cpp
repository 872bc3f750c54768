// xml_book_package.cpp - an Open XML book's load and save: the package and its parts.
#include <algorithm>
#include <exception>
#include <set>

#include "core/file_io.h"
#include "core/text_compare.h"
#include "xlsx/content_type_names.h"
#include "xlsx/shared_strings.h"
#include "xlsx/styles.h"
#include "xlsx/xml_book_impl.h"
#include "xlsx/xml_sheet_impl.h"
#include "zip/read_ahead.h"
#include "zip/zip_archive.h"

namespace karvo::xlsx {
namespace {

// Parts above this size are parsed while they inflate, so that a large worksheet
// is never held as text and as tree at the same time; smaller ones inflate whole,
// which is faster.
constexpr std::uint64_t kStreamedPartSize = 8u << 20;

// The calculation chain only caches an evaluation order; it goes stale with any
// change to formulas, and consumers rebuild it when it is missing.
constexpr char16_t kCalcChainPart[] = u"/xl/calcChain.xml";
constexpr char16_t kCalcChainTarget[] = u"calcChain.xml";

bool isWorkbookType(const std::u16string& type) {
    return type == kWorkbookType ||
           std::find(std::begin(kOtherWorkbookTypes), std::end(kOtherWorkbookTypes), type) != std::end(kOtherWorkbookTypes);
}

bool isDirectoryEntry(const zip::CZipFileHeader& header) {
    return !header.fileName.empty() && (header.fileName.back() == u'/' || header.fileName.back() == u'\\');
}

// Makes a part of class Part from an archive entry: whole for small entries, piece by
// piece for large ones where Part can parse that way.
template <class Part, class... Args>
std::unique_ptr<Part> parseEntry(const zip::CZipArchive& archive, std::size_t entry, Args&... args) {
    const zip::CZipFileHeader& header = archive.header(entry);
    if (header.uncompressedSize == 0) throw xlerror("data is empty");
    if constexpr (std::is_constructible_v<Part, Args&..., lmx::chunk_source>) {
        if (header.uncompressedSize > kStreamedPartSize) {
            std::unique_ptr<zip::CZipEntryReader> reader = zip::readAhead(archive.open(entry));
            std::exception_ptr failure;
            lmx::chunk_source source = [&](char* buffer, std::size_t capacity) -> std::ptrdiff_t {
                try {
                    return static_cast<std::ptrdiff_t>(reader->read(buffer, capacity));
                } catch (...) {
                    failure = std::current_exception();
                    return -1;
                }
            };
            try {
                return std::make_unique<Part>(args..., std::move(source));
            } catch (const xlerror&) {
                // The parser only saw the input end; the archive knows why.
                if (failure) std::rethrow_exception(failure);
                throw;
            }
        }
    }
    std::string bytes = archive.extract(entry);
    return std::make_unique<Part>(args..., bytes.data(), bytes.size());
}

// The workbook part as the package's own relationships name it, or "" when they name
// none that the archive holds. Content types alone can give the workbook's type to other parts too (a
// default for every ".xml"), and which of those came first in the archive is no
// way to tell them apart.
std::u16string officeDocumentName(const zip::CZipArchive& archive, const std::vector<std::u16string>& names) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (!sameTextIgnoringCase(names[i], u"/_rels/.rels")) continue;
        auto rels = parseEntry<Relationships>(archive, i);
        std::u16string target = rels->target(kOfficeDocumentRelationship);
        if (target.empty()) return {};
        std::u16string name = resolveTarget(u"", target);
        for (const std::u16string& other : names)
            if (sameTextIgnoringCase(other, name)) return name;
    }
    return {};
}

} // namespace

void XMLBookImplT::clear() {
    workbook_ = nullptr;
    contentTypes_ = nullptr;
    workbookRels_ = nullptr;
    sharedStrings_ = nullptr;
    styles_ = nullptr;
    parts_.clear();
    pictures_.clear();
    workbookName_.clear();
    folder_ = u"/xl";
}

std::unique_ptr<XFile> XMLBookImplT::makePart(const std::u16string& type, const zip::CZipArchive& archive,
                                              std::size_t entry) {
    if (type == kRelationshipsType) return parseEntry<Relationships>(archive, entry);
    if (type == kWorksheetType) return parseEntry<XMLSheetImplT>(archive, entry, *this);
    if (type == kSharedStringsType) return parseEntry<SharedStrings>(archive, entry);
    if (type == kStylesType) return parseEntry<Styles>(archive, entry, *this);
    return std::make_unique<BinaryFile>(archive.extract(entry));
}

void XMLBookImplT::readPart(const zip::CZipArchive& archive, std::size_t entry, const std::u16string& name,
                            const std::u16string& officeDocument) {
    std::u16string type = contentTypes_->contentType(name);
    bool isWorkbook = officeDocument.empty() ? isWorkbookType(type) : sameTextIgnoringCase(name, officeDocument);
    if (isWorkbook && !workbook_) {
        auto part = parseEntry<WorkbookPart>(archive, entry);
        workbook_ = part.get();
        workbookName_ = name;
        parts_.emplace(name, std::move(part));
        return;
    }
    auto part = makePart(type, archive, entry);
    if (type.starts_with(u"image") && dynamic_cast<BinaryFile*>(part.get())) pictures_.push_back(name);
    parts_.emplace(name, std::move(part));
}

void XMLBookImplT::loadPackage(std::span<const std::uint8_t> bytes) {
    // An archive that does not open leaves the book as it was.
    zip::CZipArchive archive(bytes);
    clear();
    std::vector<std::u16string> names(archive.entryCount());
    std::size_t contentTypes = archive.entryCount();
    for (std::size_t i = 0; i < names.size(); ++i) {
        names[i] = normalisePartName(archive.header(i).fileName);
        if (contentTypes == names.size() && sameTextIgnoringCase(names[i], kContentTypesPart)) contentTypes = i;
    }
    if (contentTypes < names.size()) {
        auto part = parseEntry<ContentTypes>(archive, contentTypes);
        contentTypes_ = part.get();
        parts_.emplace(names[contentTypes], std::move(part));
        std::u16string officeDocument = officeDocumentName(archive, names);
        // Entries are read in archive order; where two normalise to one name, the first counts.
        for (std::size_t i = 0; i < names.size(); ++i)
            if (!isDirectoryEntry(archive.header(i)) && !parts_.contains(names[i]))
                readPart(archive, i, names[i], officeDocument);
    }
    if (contentTypes_ && !workbook_) throw xlerror("workbook not found");
    folder_ = folderOf(workbookName_);
    auto rels = parts_.find(relationshipsPartName(workbookName_));
    workbookRels_ = rels == parts_.end() ? nullptr : dynamic_cast<Relationships*>(rels->second.get());
    if (!workbook_ || !workbookRels_) throw xlerror("workbook relationships not found");
    auto related = [&](const char16_t* relationship) -> XFile* {
        std::u16string target = workbookRels_->target(relationship);
        if (target.empty()) return nullptr;
        auto found = parts_.find(resolveTarget(folder_, target));
        return found == parts_.end() ? nullptr : found->second.get();
    };
    sharedStrings_ = dynamic_cast<SharedStrings*>(related(kSharedStringsRelationship));
    styles_ = dynamic_cast<Styles*>(related(kStylesRelationship));
    reindexSheets();
}

void XMLBookImplT::dropCalcChain() {
    if (contentTypes_) contentTypes_->removeOverride(kCalcChainPart);
    if (workbookRels_) workbookRels_->removeByTarget(kCalcChainTarget);
    parts_.erase(std::u16string(kCalcChainPart));
}

// What every consumer needs to open the package at all; anything less is refused
// rather than written as a file that does not open.
void XMLBookImplT::checkWritable() {
    if (!workbook_ || !contentTypes_ || !workbookRels_) throw xlerror("workbook not found");
    int count = sheetCount();
    if (count == 0) throw xlerror("a workbook must contain at least one sheet");
    for (int i = 0; i < count; ++i)
        if (!parts_.contains(sheetPartName(i))) throw xlerror("sheet doen't have relationship with book");
}

void XMLBookImplT::writePackage(zip::CZipArchiveWriter& archive) {
    dropCalcChain();
    std::string buffer;
    auto add = [&](const std::u16string& name, XFile& part) {
        // The archive names parts without the leading "/", so that
        // "[Content_Types].xml" lies at its root.
        archive.addInPieces(std::u16string_view(name).substr(1), [&](const zip::CZipArchiveWriter::Sink& sink) {
            part.write(buffer, [&sink](std::string_view piece) {
                sink({reinterpret_cast<const std::uint8_t*>(piece.data()), piece.size()});
            });
        });
    };
    // Pictures are numbered in archive order when a book loads, so they go last and
    // in the book's order: a saved book loads again with the same picture numbers.
    std::set<std::u16string, PartNameLess> pictures(pictures_.begin(), pictures_.end());
    for (auto& [name, part] : parts_)
        if (!pictures.contains(name)) add(name, *part);
    for (const std::u16string& name : pictures_)
        if (auto found = parts_.find(name); found != parts_.end()) add(name, *found->second);
}

bool XMLBookImplT::load(const char16_t* filename) {
    return runOperation(message_, false, [&] {
        FileBytes bytes = readWholeFile(filename, "can't open file for reading");
        loadPackage(bytes);
        return true;
    });
}

bool XMLBookImplT::loadFromMemory(const char* data, std::size_t size) {
    return runOperation(message_, false, [&] {
        if (!data && size) throw xlerror("data is null");
        loadPackage({reinterpret_cast<const std::uint8_t*>(data), size});
        return true;
    });
}

bool XMLBookImplT::save(const char16_t* filename) {
    return runOperation(message_, false, [&] {
        checkWritable(); // before the file is touched
        SaveFile file(filename, "can't open file for writing");
        // Each part goes to the file as soon as it is compressed.
        zip::CZipArchiveWriter archive([&file](std::span<const std::uint8_t> bytes) { file.append(bytes); });
        writePackage(archive);
        archive.close();
        file.commit();
        return true;
    });
}

bool XMLBookImplT::saveToMemory(const char** data, std::size_t* size) {
    return runOperation(message_, false, [&] {
        if (!data || !size) throw xlerror("data is null");
        checkWritable();
        zip::CZipArchiveWriter archive;
        writePackage(archive);
        savedBytes_ = archive.close();
        *data = reinterpret_cast<const char*>(savedBytes_.data());
        *size = savedBytes_.size();
        return true;
    });
}

} // namespace karvo::xlsx
