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

class XMLFontImplT;
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

    std::size_t fontCount() const { return fonts_.size(); }
    /// The font at a font id; null when the id has no font.
    XMLFontImplT* fontAt(std::size_t index) const;
    /// A new font, copied from `init` through the interface when given.
    XMLFontImplT* addFont(IFont* init);
    /// The font id of a font of this stylesheet; an xlerror for any other.
    std::uint32_t fontIndexOf(const IFont* font) const;

    /// The border or fill record an `xf` id points at; null for id 0, an absent id
    /// and ids past the list, which read as no border and no fill.
    styles::c_CT_Border* borderAt(const lmx::opt<std::uint32_t>& id) const;
    styles::c_CT_Fill* fillAt(const lmx::opt<std::uint32_t>& id) const;
    /// Appends an empty record and points `id` at it.
    styles::c_CT_Border& addBorder(lmx::opt<std::uint32_t>& id);
    styles::c_CT_Fill& addFill(lmx::opt<std::uint32_t>& id);

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
    std::vector<std::unique_ptr<XMLFontImplT>> fonts_;
    std::vector<std::unique_ptr<XMLFormatImplT>> formats_;
};

} // namespace karvo::xlsx
