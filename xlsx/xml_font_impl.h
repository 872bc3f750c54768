// xml_font_impl.h - XMLFontImplT, one font (a `font` of the stylesheet's `fonts`).
#pragma once

#include <cstdint>

#include "core/interfaces.h"
#include "xlsx/ooxml/sml-styles.h"

namespace karvo::xlsx {

class Styles;

class XMLFontImplT final : public IFont {
public:
    XMLFontImplT(Styles& styles, std::uint32_t index) : styles_(styles), index_(index) {}
    std::uint32_t index() const { return index_; }

    // ---- IFont, in slot order ----
    int size() override;
    void setSize(int size) override;
    bool italic() override;
    void setItalic(bool italic) override;
    bool strikeOut() override;
    void setStrikeOut(bool strikeOut) override;
    Color color() override;
    void setColor(Color color) override;
    bool bold() override;
    void setBold(bool bold) override;
    Script script() override;
    void setScript(Script script) override;
    Underline underline() override;
    void setUnderline(Underline underline) override;
    const char16_t* name() override;
    bool setName(const char16_t* name) override;

private:
    styles::c_CT_Font& font() const;
    template <class Body>
    auto run(std::invoke_result_t<Body, styles::c_CT_Font&> failure, Body&& body);
    template <class Body>
    void change(Body&& body);

    Styles& styles_;
    std::uint32_t index_;
};

} // namespace karvo::xlsx
