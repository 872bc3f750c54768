// formula_test_book.h - a small book for formula tests and fuzz targets: sheets, an XTI list, names.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "xls/formula_book.h"
#include "xls/function_table.h"

namespace karvo::test {

/// Holds what the formula code asks of a book. xtiForSheets() behaves as the book's:
/// it finds the entry with these first and last sheets, else appends one. External
/// names are looked up by XTI index and 1-based name index.
class FormulaTestBook final : public FormulaBook {
public:
    std::vector<std::u16string> sheets{u"Sheet1", u"Data", u"My Sheet", u"Bob's"};
    std::vector<Xti> xti;
    std::vector<std::u16string> names{u"Rate", u"Total"}; // 1-based in name tokens
    std::map<std::pair<int, int>, std::u16string> externalNames{{{0, 1}, u"EOMONTH"}};

    const FunctionTable& functions() const override { return table_; }
    int sheetCount() const override { return static_cast<int>(sheets.size()); }
    int sheetIndex(std::u16string_view name) const override {
        for (std::size_t i = 0; i < sheets.size(); ++i)
            if (sheets[i] == name) return static_cast<int>(i);
        return -1;
    }
    std::u16string sheetNameAt(int index) const override { return sheets.at(static_cast<std::size_t>(index)); }
    int xtiForSheets(int first, int last) override {
        const Xti wanted{0, static_cast<std::uint16_t>(first), static_cast<std::uint16_t>(last)};
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
    std::optional<std::u16string> externalName(int xtiIndex, int index) const override {
        auto found = externalNames.find({xtiIndex, index});
        if (found == externalNames.end()) return std::nullopt;
        return found->second;
    }

private:
    FunctionTable table_;
};

} // namespace karvo::test
