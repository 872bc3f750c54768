// styles.h - "/xl/styles.xml": the stylesheet cells and rows point into.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/interfaces.h"
#include "xlsx/ooxml/sml-styles.h"
#include "xlsx/package_part.h"

namespace karvo::xlsx {

class XMLFormatImplT;
class XMLBookImplT;

class Styles : public XmlFile<styles::c_styleSheet> {
public:
    /// The stylesheet of a new book: one font, the two fills every reader expects,
    /// one empty border, one cell format and the "Normal" style.
    explicit Styles(XMLBookImplT& book);
    Styles(XMLBookImplT& book, const char* data, std::size_t size);
    ~Styles() override;

    std::size_t formatCount() const { return formats_.size(); }
    /// The format at a cell's style index; null when the index has no format.
    XMLFormatImplT* formatAt(std::size_t index) const;
    /// The format object of the `xf` just appended to `cellXfs`.
    XMLFormatImplT* addFormatObject();
    /// The style index of a format of this stylesheet; an xlerror for any other.
    std::uint32_t indexOf(const IFormat* format) const;

    /// The name and size of the first font; false when there is no font.
    bool firstFont(std::u16string& name, int& size) const;
    /// The format text of a number-format id the stylesheet defines, or null.
    const std::u16string* numFormatText(std::uint32_t id) const;
    /// The number-format id of the cell format at a style index (0 when unknown).
    std::uint32_t numFormatId(std::size_t index) const;

    XMLBookImplT& book() { return book_; }

private:
    void makeFormats();

    XMLBookImplT& book_;
    std::vector<std::unique_ptr<XMLFormatImplT>> formats_;
};

} // namespace karvo::xlsx
