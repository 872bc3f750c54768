// formula_test_book.h - a small book for formula tests and fuzz targets: sheets, an XTI list, names.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "xls/formula_book.h"
#include "xls/function_table.h"

namespace karvo::test {

/// Holds what the formula code asks of a book. xtiForSheet() behaves as the book's:
/// it finds the entry whose first and last sheet are the sheet, else appends one.
class FormulaTestBook final : public FormulaBook {
public:
    std::vector<std::u16string> sheets{u"Sheet1", u"Data", u"My Sheet", u"Bob's"};
    std::vector<Xti> xti;
    std::vector<std::u16string> names{u"Rate", u"Total"}; // 1-based in name tokens

    const FunctionTable& functions() const override { return table_; }
    int sheetCount() const override { return static_cast<int>(sheets.size()); }
    int sheetIndex(std::u16string_view name) const override {
        for (std::size_t i = 0; i < sheets.size(); ++i)
            if (sheets[i] == name) return static_cast<int>(i);
        return -1;
    }
    std::u16string sheetNameAt(int index) const override { return sheets.at(static_cast<std::size_t>(index)); }
    int xtiForSheet(int sheet) override {
        const Xti wanted{0, static_cast<std::uint16_t>(sheet), static_cast<std::uint16_t>(sheet)};
        for (std::size_t i = 0; i < xti.size(); ++i)
            if (xti[i] == wanted) return static_cast<int>(i);
        xti.push_back(wanted);
        return static_cast<int>(xti.size() - 1);
    }
    std::optional<Xti> xtiAt(int index) const override {
        if (index < 0 || static_cast<std::size_t>(index) >= xti.size()) return std::nullopt;
        return xti[static_cast<std::size_t>(index)];
    }
    std::optional<std::u16string> definedName(int index) const override {
        if (index < 1 || static_cast<std::size_t>(index) > names.size()) return std::nullopt;
        return names[static_cast<std::size_t>(index) - 1];
    }

private:
    FunctionTable table_;
};

} // namespace karvo::test
