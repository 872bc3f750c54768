-- Every script function on real books of both families: one set of cases, with
-- the few answers that differ between the families in the table below.
package.path = (os.getenv("KARVO_TESTS_DIR") or "tests") .. "/lua/?.lua;" .. package.path
local helper = require "helper"
local xl, count = helper.karvo, helper.count

local FAMILIES = {
    {name = "binary", create = xl.CreateBook, ext = ".xls", rows = 65536, cols = 256, firstCustom = 164,
     noSheet = "index is out of range", nullBlank = true, keepsAfterFailedLoad = false},
    {name = "Open XML", create = xl.CreateXMLBook, ext = ".xlsx", rows = 1048576, cols = 16384, firstCustom = 166,
     noSheet = "sheet not found", nullBlank = false, keepsAfterFailedLoad = true},
}

for _, family in ipairs(FAMILIES) do

local function newBook()
    local book = family.create()
    assert.is_true(book > 0)
    return book, xl.AddSheet(book, "Sheet1")
end

describe(family.name .. " books", function()
    local book, sheet
    before_each(function() book, sheet = newBook() end)
    after_each(function() if book then xl.BookRelease(book) end end)

    it("start with message ok and get distinct handles", function()
        local other = family.create()
        assert.are_not.equal(book, other)
        assert.equal("ok", xl.GetErrorMessage(other))
        xl.BookRelease(other)
    end)

    it("write and read every value kind", function()
        assert.is_true(xl.WriteNumber(sheet, 0, 0, 2.5))
        assert.is_true(xl.WriteString(sheet, 0, 1, "gr\195\188n"))
        assert.is_true(xl.WriteBool(sheet, 0, 2, 2.7))
        assert.is_true(xl.WriteBlank(sheet, 0, 3, xl.BookAddFormat(book, 0)))
        assert.equal(family.nullBlank, xl.WriteBlank(sheet, 0, 4, 0))
        assert.same({2.5, true}, {xl.ReadNumber(sheet, 0, 0)})
        assert.same({"gr\195\188n", true}, {xl.ReadString(sheet, 0, 1)})
        assert.same({1, true}, {xl.ReadBool(sheet, 0, 2)})
        assert.same({1, 2, 3, 4, 0}, {xl.GetCellType(sheet, 0, 0), xl.GetCellType(sheet, 0, 1),
            xl.GetCellType(sheet, 0, 2), xl.GetCellType(sheet, 0, 3), xl.GetCellType(sheet, 5, 5)})
        assert.is_true(xl.WriteFormula(sheet, 1, 0, "=SUM(A1;2)"))
        assert.is_true(xl.GetCellIsFormula(sheet, 1, 0))
        assert.equal("SUM(A1;2)", xl.ReadFormula(sheet, 1, 0))
        assert.is_false(xl.GetCellIsFormula(sheet, 0, 0))
    end)

    it("truncate row and column numbers", function()
        xl.WriteNumber(sheet, 2.9, 1.2, 7)
        assert.equal(7, (xl.ReadNumber(sheet, 2, 1)))
        xl.WriteNumber(sheet, -0.5, -0.5, 8)
        assert.equal(8, (xl.ReadNumber(sheet, 0, 0)))
    end)

    it("report failures through values and the message", function()
        xl.WriteNumber(sheet, 0, 0, 1)
        assert.same({nil, false}, {xl.ReadString(sheet, 0, 0)})
        assert.equal(2, count(xl.ReadString(sheet, 0, 0)))
        assert.equal("this cell doesn't contain a string", xl.GetErrorMessage(book))
        assert.same({0, false}, {xl.ReadNumber(sheet, 9, 9)})
        assert.is_false(xl.WriteNumber(sheet, family.rows, 0, 1))
        assert.equal("row must be in range 0-" .. family.rows - 1, xl.GetErrorMessage(book))
        assert.is_false(xl.WriteNumber(sheet, 0, family.cols, 1))
        assert.equal("col must be in range 0-" .. family.cols - 1, xl.GetErrorMessage(book))
        assert.is_true(xl.WriteNumber(sheet, family.rows - 1, family.cols - 1, 1))
        assert.is_true(xl.ClearCells(sheet, 5, 4, 0, 0))
        assert.equal("rowLast must be greater than or equal to rowFirst", xl.GetErrorMessage(book))
        assert.is_nil(xl.ReadFormula(sheet, 0, 0))
    end)

    it("manage sheets and kill the handles of deleted ones", function()
        assert.equal(0, xl.DeleteSheet(book, 0))
        assert.equal("can't remove the last sheet in workbook", xl.GetErrorMessage(book))
        local second = xl.AddSheet(book, "Second")
        assert.equal(0, xl.AddSheet(book, "SECOND"))
        assert.equal("book already contains such sheet name", xl.GetErrorMessage(book))
        assert.equal(0, count(xl.InsertSheet(book, 0, "First")))
        assert.equal(3, xl.GetSheetCount(book))
        assert.equal("First", xl.GetSheetName(xl.GetSheet(book, 0)))
        assert.equal(second, xl.GetSheet(book, 2))
        assert.equal(xl.GetSheet(book, 1), xl.GetSheet(book, 1))
        assert.equal(0, xl.GetSheet(book, 3))
        assert.equal(family.noSheet, xl.GetErrorMessage(book))
        xl.SetActiveSheetNumber(book, 2)
        assert.equal(2, xl.GetActiveSheetNumber(book))
        assert.equal(1, xl.DeleteSheet(book, 2))
        assert.is_false(pcall(xl.GetSheetName, second))
        assert.equal(1, xl.GetActiveSheetNumber(book))
        -- A held handle keeps answering for its own sheet when others come and go.
        local held = xl.GetSheet(book, 1)
        xl.SetActiveSheetNumber(book, 1)
        xl.InsertSheet(book, 0, "Zero")
        assert.equal("Sheet1", xl.GetSheetName(held))
        assert.equal(1, xl.DeleteSheet(book, 0))
        assert.equal("Sheet1", xl.GetSheetName(held))
    end)

    it("handle formats and custom number formats", function()
        local id = xl.BookAddCustomNumFormat(book, "0.000")
        assert.equal(family.firstCustom, id)
        assert.equal(id, xl.BookAddCustomNumFormat(book, "0.000"))
        assert.equal("0.000", xl.BookGetCustomNumFormat(book, id))
        assert.is_nil(xl.BookGetCustomNumFormat(book, 170))
        assert.equal("custom number format not found", xl.GetErrorMessage(book))
        local format = xl.BookAddFormat(book, 0)
        xl.SetFormatNumFormat(format, 14)
        assert.equal(14, xl.GetFormatNumFormat(format))
        xl.WriteNumber(sheet, 1, 1, xl.GetPackedDate(book, 2000, 1, 1, 0, 0, 0, 0))
        assert.is_false(xl.GetCellIsDate(sheet, 1, 1))
        assert.equal(0, count(xl.SetCellFormat(sheet, 1, 1, format)))
        assert.is_true(xl.GetCellIsDate(sheet, 1, 1))
        assert.equal(format, xl.GetCellFormat(sheet, 1, 1))
        assert.equal(0, count(xl.SetCellFormat(sheet, 1, 1, 0)))
        assert.equal(format, xl.GetCellFormat(sheet, 1, 1))
        local copy = xl.BookAddFormat(book, format)
        assert.equal(14, xl.GetFormatNumFormat(copy))
        assert.equal(0, xl.GetCellFormat(sheet, 30, 30))
    end)

    it("pack and unpack dates", function()
        assert.equal(36526, xl.GetPackedDate(book, 2000, 1, 1, 0, 0, 0, 0))
        assert.same({2000, 1, 1, 18, 0, 0, 0}, {xl.GetUnpackedDate(book, 36526.75)})
        assert.same({0, 0, 0, 0, 0, 0, 0}, {xl.GetUnpackedDate(book, 3000000)})
    end)

    it("answer sheet properties", function()
        xl.WriteNumber(sheet, 3, 2, 1)
        xl.WriteNumber(sheet, 5, 4, 1)
        assert.same({3, 6, 2, 5}, {xl.GetFirstRow(sheet), xl.GetLastRow(sheet), xl.GetFirstColumn(sheet),
            xl.GetLastColumn(sheet)})
        assert.is_false(xl.GetSheetIsHidden(sheet))
        assert.is_false(xl.GetSheetIsProtected(sheet))
        assert.is_false(xl.GetRowIsHidden(sheet, 3))
        assert.is_false(xl.GetColumnIsHidden(sheet, 2))
    end)

    it("save, load and kill sheet and format handles on load", function()
        local path = helper.tmpname(family.ext)
        local format = xl.BookAddFormat(book, 0)
        xl.WriteString(sheet, 0, 0, "kept")
        xl.WriteNumber(sheet, 1, 0, 0.1)
        assert.is_true(xl.Save(book, path))
        assert.is_true(xl.FileExists(path))
        assert.is_true(xl.Load(book, path))
        assert.is_false(pcall(xl.GetSheetName, sheet))
        assert.is_false(pcall(xl.GetFormatNumFormat, format))
        sheet = xl.GetSheet(book, 0)
        assert.equal("kept", (xl.ReadString(sheet, 0, 0)))
        assert.equal(0.1, (xl.ReadNumber(sheet, 1, 0)))
        assert.is_false(xl.Load(book, path .. ".missing"))
        assert.equal("can't open file for reading", xl.GetErrorMessage(book))
        assert.equal(family.keepsAfterFailedLoad and 1 or 0, xl.GetSheetCount(book))
        os.remove(path)
    end)

    it("kill every handle on release", function()
        local format = xl.BookAddFormat(book, 0)
        xl.BookRelease(book)
        for _, call in ipairs({function() return xl.GetSheetCount(book) end,
                               function() return xl.GetSheetName(sheet) end,
                               function() return xl.GetFormatNumFormat(format) end}) do
            local ok, err = pcall(call)
            assert.is_false(ok)
            assert.matches("invalid %a+ handle", err)
        end
        book = nil
    end)
end)

end

-- The same workbook saved by another producer in both formats.
for _, family in ipairs({{name = "binary", create = xl.CreateBook, file = "xls/cal_any_sheets.xls"},
                         {name = "Open XML", create = xl.CreateXMLBook, file = "xlsx/cal_any_sheets.xlsx"}}) do
    describe(family.name .. " books from other producers", function()
        local corpus = os.getenv("KARVO_CORPUS_DIR")
        local path = corpus and corpus .. "/" .. family.file
        local present = path and io.open(path, "rb")
        if present then present:close() end

        it("report hidden and very hidden sheets as hidden", function()
            if not present then
                pending("no corpus file " .. tostring(path) .. ": skipped")
                return
            end
            local book = family.create()
            assert.is_true(xl.Load(book, path))
            local seen = {}
            for i = 0, xl.GetSheetCount(book) - 1 do
                local sheet = xl.GetSheet(book, i)
                -- A chart sheet is no worksheet: an Open XML book has no sheet handle for it.
                seen[#seen + 1] = sheet == 0 and "chart sheet" or
                    xl.GetSheetName(sheet) .. "=" .. tostring(xl.GetSheetIsHidden(sheet))
            end
            assert.equal("Visible=false", seen[1])
            assert.equal("Hidden=true", seen[2])
            assert.equal("VeryHidden=true", seen[3])
            assert.equal(4, #seen)
            xl.BookRelease(book)
        end)
    end)
end
