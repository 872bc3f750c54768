// book_formulas.h - the book as formulas see it: sheets, XTI list, names, functions.
#pragma once

#include <memory>
#include <vector>

#include "xls/defined_name.h"
#include "xls/external_refs.h"
#include "xls/formula_book.h"
#include "xls/function_table.h"

namespace karvo {

class SheetImplT;

/// Reads the book's sheet list and defined names and keeps its external-reference
/// groups, where 3-D references find (and, when compiling, add) their XTI entries.
class BookFormulas final : public FormulaBook {
public:
    BookFormulas(const std::vector<std::unique_ptr<SheetImplT>>& sheets, std::vector<ExternalGroup>& externals,
                 const std::vector<Lbl>& names)
        : sheets_(sheets), externals_(externals), names_(names) {}

    const FunctionTable& functions() const override { return functions_; }
    int sheetCount() const override { return static_cast<int>(sheets_.size()); }
    int sheetIndex(std::u16string_view name) const override;
    std::u16string sheetNameAt(int index) const override;
    int xtiForSheets(int first, int last) override;
    std::optional<Xti> xtiAt(int index) const override;
    std::optional<std::u16string> definedName(int index) const override;
    std::optional<std::u16string> externalName(int xti, int index) const override;

    /// Keeps the sheet count of the own-sheets SupBook equal to the book's.
    void updateOwnSheetCount();

    /// The SupBook index of the own-sheets SupBook; empty when the book has none.
    std::optional<int> findOwnSupBook() const;
    /// Appends an XTI entry for one sheet even when an equal one exists, as defined
    /// names do, and returns its index.
    int appendXti(int sheet);

private:
    /// The SupBook index of the own-sheets SupBook, added when there is none.
    int ownSupBook();

    const std::vector<std::unique_ptr<SheetImplT>>& sheets_;
    std::vector<ExternalGroup>& externals_;
    const std::vector<Lbl>& names_;
    FunctionTable functions_;
};

} // namespace karvo
