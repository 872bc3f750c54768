-- WriteFormula and ReadFormula on binary books.
package.path = (os.getenv("KARVO_TESTS_DIR") or "tests") .. "/lua/?.lua;" .. package.path
local helper = require "helper"
local xl = helper.karvo

describe("formulas of binary books", function()
    local book, sheet
    before_each(function()
        book = xl.CreateBook()
        sheet = xl.AddSheet(book, "Sheet1")
        xl.AddSheet(book, "My Data")
    end)
    after_each(function() if book then xl.BookRelease(book) end end)

    -- What is written, and the normal form it reads back in: no "=", no spaces,
    -- ";" between arguments, quoted sheet names where they need it.
    local cases = {
        {"=1+2*3", "1+2*3"},
        {"(1 + 2) * 3", "(1+2)*3"},
        {"-A1+$B$2%", "-A1+$B$2%"},
        {"SUM(A1:B2,C3)", "SUM(A1:B2;C3)"},
        {"IF(A1>0;\"say \"\"yes\"\"\";)", "IF(A1>0;\"say \"\"yes\"\"\";)"},
        {"'My Data'!A1&\"gr\195\188n\"", "'My Data'!A1&\"gr\195\188n\""},
        {"ROUND(AVERAGE(A1:A9);2)", "ROUND(AVERAGE(A1:A9);2)"},
        {"TODAY()-1", "TODAY()-1"},
        {"12345.5+65535", "12345.5+65535"},
    }

    it("read back what was written, in normal form", function()
        for row, case in ipairs(cases) do
            assert.is_true(xl.WriteFormula(sheet, row - 1, 0, case[1]), case[1])
            assert.equal("ok", xl.GetErrorMessage(book))
            assert.is_true(xl.GetCellIsFormula(sheet, row - 1, 0))
            assert.equal(case[2], xl.ReadFormula(sheet, row - 1, 0))
            assert.equal("ok", xl.GetErrorMessage(book))
        end
    end)

    it("report what does not compile and leave the cell alone", function()
        xl.WriteNumber(sheet, 0, 0, 5)
        local failures = {
            {"FOO(1)", "incorrect token in formula"},
            {"SUM 1", "error: function name without open parenthesis"},
            {"A0+1", "Row is out of range"},
            {"IW1", "Column is out of range"},
            {"1+2)", "error in formula"},
        }
        for _, case in ipairs(failures) do
            assert.is_false(xl.WriteFormula(sheet, 0, 0, case[1]), case[1])
            assert.equal(case[2], xl.GetErrorMessage(book))
        end
        assert.is_false(xl.GetCellIsFormula(sheet, 0, 0))
        assert.equal(5, (xl.ReadNumber(sheet, 0, 0)))
        assert.is_nil(xl.ReadFormula(sheet, 0, 0))
        assert.equal("cell doesn't contain a formula", xl.GetErrorMessage(book))
        assert.is_false(xl.WriteFormula(sheet, 65536, 0, "1"))
        assert.equal("row must be in range 0-65535", xl.GetErrorMessage(book))
    end)

    it("keep formulas through save and load", function()
        for row, case in ipairs(cases) do xl.WriteFormula(sheet, row - 1, 0, case[1]) end
        local path = helper.tmpname(".xls")
        assert.is_true(xl.Save(book, path))
        assert.is_true(xl.Load(book, path))
        os.remove(path)
        sheet = xl.GetSheet(book, 0)
        for row, case in ipairs(cases) do
            assert.equal(case[2], xl.ReadFormula(sheet, row - 1, 0))
        end
        -- A formula written after loading finds the sheet of its reference again.
        assert.is_true(xl.WriteFormula(sheet, 20, 0, "SUM('My Data'!A1:A3)"))
        assert.equal("SUM('My Data'!A1:A3)", xl.ReadFormula(sheet, 20, 0))
    end)
end)

describe("formulas of files from other producers", function()
    local corpus = os.getenv("KARVO_CORPUS_DIR")

    local function opened(name)
        local path = corpus and corpus .. "/xls/" .. name
        local file = path and io.open(path, "rb")
        if not file then return nil, path end
        file:close()
        local book = xl.CreateBook()
        assert.is_true(xl.Load(book, path))
        return book
    end

    it("render BIFF5 formulas in BIFF8 form", function()
        local book, path = opened("sjs_crlf_CRLFR9_5.xls")
        if not book then
            pending("no corpus file " .. tostring(path) .. ": skipped")
            return
        end
        assert.equal("\"abc\"&CHAR(13)&CHAR(10)&\"def\"", xl.ReadFormula(xl.GetSheet(book, 0), 1, 1))
        xl.BookRelease(book)
    end)

    it("render calls of add-in functions", function()
        local book, path = opened("poi_atp.xls")
        if not book then
            pending("no corpus file " .. tostring(path) .. ": skipped")
            return
        end
        assert.equal("DELTA(1.3;1.5)", xl.ReadFormula(xl.GetSheet(book, 0), 0, 1))
        xl.BookRelease(book)
    end)
end)
