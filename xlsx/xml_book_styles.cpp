// xml_book_styles.cpp - an Open XML book's formats, number formats and fonts, which
// work over the stylesheet.
#include "core/format_copy.h"
#include "xlsx/styles.h"
#include "xlsx/xml_font_impl.h"
#include "xlsx/xml_book_impl.h"
#include "xlsx/xml_format_impl.h"

namespace karvo::xlsx {
namespace {

// Copies are read in RGB mode, so that every colour comes over as it is shown,
// not as the nearest palette entry.
class RgbModeForCopy {
public:
    explicit RgbModeForCopy(bool& mode) : mode_(mode), saved_(mode) { mode = true; }
    ~RgbModeForCopy() { mode_ = saved_; }
    RgbModeForCopy(const RgbModeForCopy&) = delete;
    RgbModeForCopy& operator=(const RgbModeForCopy&) = delete;

private:
    bool& mode_;
    bool saved_;
};

} // namespace

IFormat* XMLBookImplT::addFormat(IFormat* initFormat) {
    return runOperation(message_, nullptr, [&]() -> IFormat* {
        Styles& sheetStyles = styles();
        auto& cellXfs = sheetStyles.root().cellXfs.make();
        auto xf = std::make_unique<styles::c_CT_Xf>();
        xf->numFmtId.set(0);
        xf->fontId.set(0);
        xf->xfId.set(0);
        sheetStyles.addFill(xf->fillId);
        sheetStyles.addBorder(xf->borderId);
        cellXfs.xf.emplace_back(std::move(xf));
        cellXfs.count.set(static_cast<std::uint32_t>(cellXfs.xf.size()));
        XMLFormatImplT* format = sheetStyles.addFormatObject();
        if (initFormat) {
            RgbModeForCopy rgb(rgbColorMode_);
            if (IFont* initFont = initFormat->font()) format->setFont(sheetStyles.addFont(initFont));
            format->setNumFormat(carriedNumFormat(*initFormat));
            copyFormatLook(*initFormat, *format);
        }
        message_.ok();
        return format;
    });
}

int XMLBookImplT::carriedNumFormat(IFormat& init) {
    int id = init.numFormat();
    // A custom id means something only in its own book: the text comes over and
    // takes whatever id this book gives it.
    const auto* source = dynamic_cast<const XMLFormatImplT*>(&init);
    const std::u16string* text =
        id >= kFirstCustomNumFormatBinary && source ? source->stylesheet().numFormatText(id) : nullptr;
    if (!text) return id;
    int carried = addCustomNumFormat(text->c_str());
    if (carried == 0) throw xlerror(message_.text());
    return carried;
}

int XMLBookImplT::addCustomNumFormat(const char16_t* customNumFormat) {
    return runOperation(message_, 0, [&] {
        std::u16string text = customNumFormat ? customNumFormat : u"";
        auto& formats = styles().root().numFmts.make();
        std::vector<bool> used(kLastCustomNumFormat + 1);
        for (const auto& format : formats.numFmt) {
            if (format->formatCode == text) return static_cast<int>(format->numFmtId);
            if (format->numFmtId < used.size()) used[format->numFmtId] = true;
        }
        int id = kFirstCustomNumFormatXml;
        while (id <= kLastCustomNumFormat && used[id]) ++id;
        if (id > kLastCustomNumFormat) throw xlerror("maximum number of custom formats is exceeded");
        auto format = std::make_unique<styles::c_CT_NumFmt>();
        format->numFmtId = static_cast<std::uint32_t>(id);
        format->formatCode = text;
        formats.numFmt.emplace_back(std::move(format));
        formats.count.set(static_cast<std::uint32_t>(formats.numFmt.size()));
        return id;
    });
}

const char16_t* XMLBookImplT::customNumFormat(int fmt) {
    return runOperation(message_, nullptr, [&]() -> const char16_t* {
        const std::u16string* text = fmt < 0 || !styles_ ? nullptr : styles_->numFormatText(fmt);
        if (!text) throw xlerror("custom number format not found");
        text_ = *text;
        return text_.c_str();
    });
}

IFormat* XMLBookImplT::formatAt(int index) {
    return runOperation(message_, nullptr, [&]() -> IFormat* {
        XMLFormatImplT* format = index < 0 || !styles_ ? nullptr : styles_->formatAt(static_cast<std::size_t>(index));
        if (!format) throw xlerror("index is out of range");
        return format;
    });
}

int XMLBookImplT::formatCount() {
    message_.ok();
    return styles_ ? static_cast<int>(styles_->formatCount()) : 0;
}

const char16_t* XMLBookImplT::defaultFont(int* fontSize) {
    return runOperation(message_, nullptr, [&]() -> const char16_t* {
        int size = 0;
        if (!styles_ || !styles_->firstFont(text_, size)) throw xlerror("fonts is empty");
        if (fontSize) *fontSize = size;
        return text_.c_str();
    });
}

IFont* XMLBookImplT::addFont(IFont* initFont) {
    return runOperation(message_, nullptr, [&]() -> IFont* {
        RgbModeForCopy rgb(rgbColorMode_);
        XMLFontImplT* font = styles().addFont(initFont);
        message_.ok();
        return font;
    });
}

IFont* XMLBookImplT::fontAt(int index) {
    return runOperation(message_, nullptr, [&]() -> IFont* {
        XMLFontImplT* font = index < 0 || !styles_ ? nullptr : styles_->fontAt(static_cast<std::size_t>(index));
        if (!font) throw xlerror("index is out of range");
        return font;
    });
}

int XMLBookImplT::fontCount() {
    message_.ok();
    return styles_ ? static_cast<int>(styles_->fontCount()) : 0;
}

void XMLBookImplT::setDefaultFont(const char16_t* fontName, int fontSize) {
    runOperation(message_, [&] {
        XMLFontImplT* first = styles_ ? styles_->fontAt(0) : nullptr;
        if (!first) throw xlerror("fonts are not found");
        if (!first->setName(fontName)) throw xlerror(message_.text());
        first->setSize(fontSize);
    });
}

} // namespace karvo::xlsx
