// xml_book_styles.cpp - an Open XML book's formats, number formats, fonts and pictures.
//
// Cell formats and custom number formats work over the stylesheet; fonts and
// pictures of Open XML books are not available yet and answer "not supported".
#include "xlsx/not_supported.h"
#include "xlsx/styles.h"
#include "xlsx/xml_book_impl.h"
#include "xlsx/xml_format_impl.h"

namespace karvo::xlsx {
IFormat* XMLBookImplT::addFormat(IFormat* initFormat) {
    return runOperation(message_, nullptr, [&]() -> IFormat* {
        Styles& sheetStyles = styles();
        auto& xfs = sheetStyles.root().cellXfs.make().xf;
        auto xf = initFormat ? std::make_unique<styles::c_CT_Xf>(*xfs.at(sheetStyles.indexOf(initFormat)))
                             : std::make_unique<styles::c_CT_Xf>();
        if (!initFormat) {
            xf->numFmtId.set(0);
            xf->fontId.set(0);
            xf->fillId.set(0);
            xf->borderId.set(0);
            xf->xfId.set(0);
        }
        xfs.emplace_back(std::move(xf));
        sheetStyles.root().cellXfs->count.set(static_cast<std::uint32_t>(xfs.size()));
        return sheetStyles.addFormatObject();
    });
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
        XMLFormatImplT* format = index < 0 ? nullptr : styles().formatAt(static_cast<std::size_t>(index));
        if (!format) throw xlerror("index is out of range");
        return format;
    });
}

int XMLBookImplT::formatCount() {
    return runOperation(message_, 0, [&] { return static_cast<int>(styles().formatCount()); });
}

const char16_t* XMLBookImplT::defaultFont(int* fontSize) {
    return runOperation(message_, nullptr, [&]() -> const char16_t* {
        int size = 0;
        if (!styles().firstFont(text_, size)) throw xlerror("fonts is empty");
        if (fontSize) *fontSize = size;
        return text_.c_str();
    });
}

IFont* XMLBookImplT::addFont(IFont*) { return notSupported<IFont*>(message_, nullptr); }
IFont* XMLBookImplT::fontAt(int) { return notSupported<IFont*>(message_, nullptr); }
int XMLBookImplT::fontCount() { return notSupported(message_, 0); }
void XMLBookImplT::setDefaultFont(const char16_t*, int) { notSupported(message_, 0); }

} // namespace karvo::xlsx
