// font_impl.h - a font of a binary book: the fields of its Font record behind IFont.
#pragma once

#include <cstdint>
#include <string>

#include "core/interfaces.h"
#include "core/operation_frame.h"
#include "xls/biff_strings.h"
#include "xls/record_reader.h"
#include "xls/record_writer.h"

namespace karvo {

/// The Font record's fields as stored. Bits of `flags` other than italic and
/// strike-out are kept so that a font read from a file is written back as it was.
struct FontRecord {
    std::uint16_t height = 200; ///< twips
    std::uint16_t flags = 0;
    std::uint16_t color = ColorAutomaticFont;
    std::uint16_t weight = 400;
    std::uint16_t script = 0;
    std::uint8_t underline = 0;
    std::uint8_t family = 0;
    std::uint8_t charset = 0;
    std::uint8_t reserved = 0;
    std::u16string name = u"Arial";
    /// Names set by the program are 16-bit; an 8-bit name read from a file stays 8-bit.
    CharWidth nameWidth = CharWidth::wide;

    bool operator==(const FontRecord&) const = default;
};

class FontImplT final : public IFont {
public:
    explicit FontImplT(BookMessage& message) : message_(&message) {}

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

    const FontRecord& record() const { return rec_; }

    /// Reads a Font record; `biff5` selects the older form whose name has no flags
    /// byte and 8-bit characters. Fails with "Font size is incorrect".
    void read(const Record& rec, bool biff5);
    void write(RecordWriter& out) const;

private:
    BookMessage* message_;
    FontRecord rec_;
};

} // namespace karvo
