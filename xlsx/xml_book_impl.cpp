// xml_book_impl.cpp - XMLBookImplT: the new package, settings, dates, parts made on demand.
#include "xlsx/xml_book_impl.h"

#include "core/text_metrics.h"
#include "xlsx/content_type_names.h"
#include "xlsx/shared_strings.h"
#include "xlsx/styles.h"
#include "xlsx/xml_format_impl.h"
#include "xlsx/xml_sheet_impl.h"

namespace karvo::xlsx {

XMLBookImplT::XMLBookImplT() {
    makeNewPackage();
    locale_.select("", message_);
}

XMLBookImplT::~XMLBookImplT() = default;

void XMLBookImplT::makeNewPackage() {
    clear();
    auto types = std::make_unique<ContentTypes>();
    types->addDefault(u"rels", kRelationshipsType);
    types->addDefault(u"xml", u"application/xml");
    types->addOverride(u"/xl/workbook.xml", kWorkbookType);
    contentTypes_ = types.get();
    parts_.emplace(kContentTypesPart, std::move(types));

    auto packageRels = std::make_unique<Relationships>();
    packageRels->add(kOfficeDocumentRelationship, u"xl/workbook.xml");
    parts_.emplace(u"/_rels/.rels", std::move(packageRels));

    auto rels = std::make_unique<Relationships>();
    workbookRels_ = rels.get();
    parts_.emplace(u"/xl/_rels/workbook.xml.rels", std::move(rels));

    auto workbook = std::make_unique<WorkbookPart>();
    workbook_ = workbook.get();
    workbookName_ = u"/xl/workbook.xml";
    parts_.emplace(workbookName_, std::move(workbook));
    // A new book has its formats and fonts from the start, as a binary one does; a
    // loaded book without a stylesheet gets one only when a format is added.
    styles();
}

workbook::c_workbook& XMLBookImplT::workbookTree() {
    if (!workbook_) throw xlerror("workbook not found");
    return workbook_->root();
}

// ---- parts made on first use ----

template <class Part>
Part* XMLBookImplT::addPackagePart(const std::u16string& name, std::unique_ptr<Part> part,
                                   const char16_t* contentType, const char16_t* relationshipType) {
    if (!contentTypes_ || !workbookRels_) throw xlerror("workbook relationships not found");
    Part* made = part.get();
    parts_.insert_or_assign(name, std::move(part));
    contentTypes_->addOverride(name, contentType);
    workbookRels_->add(relationshipType, targetFor(folder_, name));
    return made;
}

SharedStrings& XMLBookImplT::sharedStrings() {
    if (!sharedStrings_)
        sharedStrings_ = addPackagePart(u"/xl/sharedStrings.xml", std::make_unique<SharedStrings>(),
                                        kSharedStringsType, kSharedStringsRelationship);
    return *sharedStrings_;
}

Styles& XMLBookImplT::styles() {
    if (!styles_)
        styles_ = addPackagePart(u"/xl/styles.xml", std::make_unique<Styles>(*this), kStylesType,
                                 kStylesRelationship);
    return *styles_;
}

// ---- dates, settings and fonts ----

DateSystem XMLBookImplT::dateSystem() const {
    const auto* properties = workbook_ ? workbook_->root().workbookPr.get() : nullptr;
    return properties && properties->date1904.get() ? DateSystem::From1904 : DateSystem::From1900;
}

double XMLBookImplT::packDate(int year, int month, int day, int hour, int min, int sec, int tenths) {
    message_.ok();
    return karvo::packDate(dateSystem(), year, month, day, hour, min, sec, tenths);
}

bool XMLBookImplT::unpackDate(double value, int* year, int* month, int* day, int* hour, int* min, int* sec,
                              int* tenths) {
    if (!karvo::unpackDate(dateSystem(), value, year, month, day, hour, min, sec, tenths)) return false;
    message_.ok();
    return true;
}

Color XMLBookImplT::packColor(int red, int green, int blue) {
    message_.ok();
    return static_cast<Color>(((red & 0xFF) << 16) | ((green & 0xFF) << 8) | (blue & 0xFF));
}

void XMLBookImplT::unpackColor(Color color, int* red, int* green, int* blue) {
    message_.ok();
    auto value = static_cast<unsigned>(color);
    if (red) *red = static_cast<int>((value >> 16) & 0xFF);
    if (green) *green = static_cast<int>((value >> 8) & 0xFF);
    if (blue) *blue = static_cast<int>(value & 0xFF);
}

bool XMLBookImplT::usesR1C1() {
    return runOperation(message_, false, [&] {
        const auto& calc = workbookTree().calcPr;
        return calc && calc->refMode.get() == u"R1C1";
    });
}

void XMLBookImplT::setUsesR1C1(bool r1c1) {
    runOperation(message_, [&] { workbookTree().calcPr.make().refMode.set(r1c1 ? u"R1C1" : u"A1"); });
}

bool XMLBookImplT::rgbColorMode() {
    message_.ok();
    return rgbColorMode_;
}

void XMLBookImplT::setRgbColorMode(bool rgbMode) {
    message_.ok();
    rgbColorMode_ = rgbMode;
}

int XMLBookImplT::binaryVersion() {
    message_.ok();
    return 0;
}

bool XMLBookImplT::setLocale(const char* locale) { return locale_.select(locale, message_); }

const char* XMLBookImplT::errorMessage() { return message_.text(); }

void XMLBookImplT::release() { delete this; }

int XMLBookImplT::maxDigitWidth() const {
    std::u16string face = u"Calibri";
    int size = 11;
    if (styles_) styles_->firstFont(face, size);
    return karvo::maxDigitWidth(face, size);
}

} // namespace karvo::xlsx
