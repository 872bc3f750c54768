// format_impl.h - a cell format of a binary book: the packed fields of its XF record behind IFormat.
#pragma once

#include <cstdint>
#include <type_traits>

#include "core/interfaces.h"
#include "xls/record_reader.h"
#include "xls/record_writer.h"

namespace karvo {

class FormatTables;

/// The XF record's fields in their packed record form, with the values a new
/// format starts from: a locked style XF, bottom-aligned, all attribute-used
/// flags set, borders and pattern in the system colours.
struct XfFields {
    std::uint16_t ifnt = 0;              ///< BIFF font index (there is no index 4)
    std::uint16_t ifmt = 0;              ///< number-format id
    std::uint16_t typeProt = 0xFFF5;     ///< locked, hidden, style, prefix, parent XF
    std::uint32_t alignment = 0xFC000020;
    std::uint32_t border1 = 0x20400000;
    std::uint32_t border2 = 0x00002040;
    std::uint16_t fill = 0x20C0;

    bool operator==(const XfFields&) const = default;
};

/// A bit field of one XF word. Setters mask the value to the field's width, so a
/// value too wide for its field never spills into the neighbouring fields.
template <auto Word, unsigned Shift, unsigned Width>
struct XfBits {
    static constexpr std::uint32_t kMask = (1u << Width) - 1;
    static unsigned get(const XfFields& xf) { return (xf.*Word >> Shift) & kMask; }
    static void set(XfFields& xf, unsigned value) {
        using W = std::remove_cvref_t<decltype(xf.*Word)>;
        xf.*Word = static_cast<W>((xf.*Word & ~(kMask << Shift)) | ((value & kMask) << Shift));
    }
};

namespace xf {
using AlignH = XfBits<&XfFields::alignment, 0, 3>;
using Wrap = XfBits<&XfFields::alignment, 3, 1>;
using AlignV = XfBits<&XfFields::alignment, 4, 3>;
using Rotation = XfBits<&XfFields::alignment, 8, 8>;
using Indent = XfBits<&XfFields::alignment, 16, 4>;
using Shrink = XfBits<&XfFields::alignment, 20, 1>;
using LeftStyle = XfBits<&XfFields::border1, 0, 4>;
using RightStyle = XfBits<&XfFields::border1, 4, 4>;
using TopStyle = XfBits<&XfFields::border1, 8, 4>;
using BottomStyle = XfBits<&XfFields::border1, 12, 4>;
using LeftColor = XfBits<&XfFields::border1, 16, 7>;
using RightColor = XfBits<&XfFields::border1, 23, 7>;
using Diagonal = XfBits<&XfFields::border1, 30, 2>;
using TopColor = XfBits<&XfFields::border2, 0, 7>;
using BottomColor = XfBits<&XfFields::border2, 7, 7>;
using DiagonalColor = XfBits<&XfFields::border2, 14, 7>;
using DiagonalStyle = XfBits<&XfFields::border2, 21, 4>;
using Pattern = XfBits<&XfFields::border2, 26, 6>;
using PatternFg = XfBits<&XfFields::fill, 0, 7>;
using PatternBg = XfBits<&XfFields::fill, 7, 7>;
using Locked = XfBits<&XfFields::typeProt, 0, 1>;
using Hidden = XfBits<&XfFields::typeProt, 1, 1>;
} // namespace xf

class FormatImplT final : public IFormat {
public:
    explicit FormatImplT(FormatTables& tables) : tables_(&tables) {}

    IFont* font() override;
    bool setFont(IFont* font) override;
    int numFormat() override { return xf_.ifmt; }
    void setNumFormat(int numFormat) override { xf_.ifmt = static_cast<std::uint16_t>(numFormat); }
    AlignH alignH() override { return get<AlignH, xf::AlignH>(); }
    void setAlignH(AlignH align) override { set<xf::AlignH>(align); }
    AlignV alignV() override { return get<AlignV, xf::AlignV>(); }
    void setAlignV(AlignV align) override { set<xf::AlignV>(align); }
    bool wrap() override { return get<bool, xf::Wrap>(); }
    void setWrap(bool wrap) override { set<xf::Wrap>(wrap); }
    int rotation() override { return get<int, xf::Rotation>(); }
    bool setRotation(int rotation) override;
    int indent() override { return get<int, xf::Indent>(); }
    void setIndent(int indent) override { set<xf::Indent>(indent); }
    bool shrinkToFit() override { return get<bool, xf::Shrink>(); }
    void setShrinkToFit(bool shrinkToFit) override { set<xf::Shrink>(shrinkToFit); }
    void setBorder(BorderStyle style) override;
    void setBorderColor(Color color) override;
    BorderStyle borderLeft() override { return get<BorderStyle, xf::LeftStyle>(); }
    void setBorderLeft(BorderStyle style) override { set<xf::LeftStyle>(style); }
    BorderStyle borderRight() override { return get<BorderStyle, xf::RightStyle>(); }
    void setBorderRight(BorderStyle style) override { set<xf::RightStyle>(style); }
    BorderStyle borderTop() override { return get<BorderStyle, xf::TopStyle>(); }
    void setBorderTop(BorderStyle style) override { set<xf::TopStyle>(style); }
    BorderStyle borderBottom() override { return get<BorderStyle, xf::BottomStyle>(); }
    void setBorderBottom(BorderStyle style) override { set<xf::BottomStyle>(style); }
    Color borderLeftColor() override { return get<Color, xf::LeftColor>(); }
    void setBorderLeftColor(Color color) override { set<xf::LeftColor>(color); }
    Color borderRightColor() override { return get<Color, xf::RightColor>(); }
    void setBorderRightColor(Color color) override { set<xf::RightColor>(color); }
    Color borderTopColor() override { return get<Color, xf::TopColor>(); }
    void setBorderTopColor(Color color) override { set<xf::TopColor>(color); }
    Color borderBottomColor() override { return get<Color, xf::BottomColor>(); }
    void setBorderBottomColor(Color color) override { set<xf::BottomColor>(color); }
    BorderDiagonal borderDiagonal() override { return get<BorderDiagonal, xf::Diagonal>(); }
    void setBorderDiagonal(BorderDiagonal border) override { set<xf::Diagonal>(border); }
    BorderStyle borderDiagonalStyle() override { return get<BorderStyle, xf::DiagonalStyle>(); }
    void setBorderDiagonalStyle(BorderStyle style) override { set<xf::DiagonalStyle>(style); }
    Color borderDiagonalColor() override { return get<Color, xf::DiagonalColor>(); }
    void setBorderDiagonalColor(Color color) override { set<xf::DiagonalColor>(color); }
    FillPattern fillPattern() override { return get<FillPattern, xf::Pattern>(); }
    void setFillPattern(FillPattern pattern) override { set<xf::Pattern>(pattern); }
    Color patternForegroundColor() override { return get<Color, xf::PatternFg>(); }
    void setPatternForegroundColor(Color color) override { set<xf::PatternFg>(color); }
    Color patternBackgroundColor() override { return get<Color, xf::PatternBg>(); }
    void setPatternBackgroundColor(Color color) override { set<xf::PatternBg>(color); }
    bool locked() override { return get<bool, xf::Locked>(); }
    void setLocked(bool locked) override { set<xf::Locked>(locked); }
    bool hidden() override { return get<bool, xf::Hidden>(); }
    void setHidden(bool hidden) override { set<xf::Hidden>(hidden); }

    XfFields& fields() { return xf_; }
    const XfFields& fields() const { return xf_; }
    /// The book whose font list and custom number formats this format refers to.
    FormatTables& tables() const { return *tables_; }

    /// Reads an XF record (`biff5`: the 16-byte form of version 0x0500 files).
    /// Fails with "XF size is incorrect".
    void read(const Record& rec, bool biff5);
    /// The XF record: always the 20 bytes of the fields.
    void write(RecordWriter& out) const;

private:
    template <class T, class Bits>
    T get() const { return static_cast<T>(Bits::get(xf_)); }
    template <class Bits>
    void set(unsigned value) { Bits::set(xf_, value); }

    void readBiff8(ByteReader& in);
    void readBiff5(ByteReader& in);

    FormatTables* tables_;
    XfFields xf_;
};

} // namespace karvo
