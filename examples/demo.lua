-- demo.lua - a first tour of KarvoWrapper: build the same workbook as .xls and as
-- .xlsx, save each, load each back and print what it holds.
--
--   make demo                       (builds the module and runs this script)
--   KARVO_MODULE_DIR=build/lua lua5.1 examples/demo.lua [output-stem]

local moduleDir = os.getenv("KARVO_MODULE_DIR")
if moduleDir then package.cpath = moduleDir .. "/?.so;" .. package.cpath end
local xl = require "orvane.ExcelLibrary_0.KarvoWrapper"

local stem = arg[1] or os.tmpname()

-- Every call reports failure through its result; the book says why.
local function check(book, ok, what)
    if not ok or ok == 0 then error(what .. ": " .. xl.GetErrorMessage(book), 2) end
    return ok
end

-- Build -------------------------------------------------------------------
local function build(create, path)
    local book = create()
    assert(book ~= 0, "no book could be made")

    local sales = check(book, xl.AddSheet(book, "Sales"), "AddSheet")
    local notes = check(book, xl.AddSheet(book, "Notes"), "AddSheet")

    -- A date format from the built-in ones (14 is m/d/yy) and a custom one.
    local dateFormat = xl.BookAddFormat(book, 0)
    xl.SetFormatNumFormat(dateFormat, 14)
    local moneyFormat = xl.BookAddFormat(book, 0)
    xl.SetFormatNumFormat(moneyFormat, check(book, xl.BookAddCustomNumFormat(book, "#,##0.00 \"EUR\""), "format"))

    local header = {"Region", "Date", "Amount", "Closed"}
    for col, title in ipairs(header) do check(book, xl.WriteString(sales, 0, col - 1, title), "WriteString") end

    local rows = {
        {"North", {2026, 1, 15}, 1250.5, true},
        {"S\195\188d", {2026, 2, 3}, 980, false},       -- UTF-8 text goes in as it is
        {"East", {2026, 3, 28}, 1432.25, true},
    }
    for i, r in ipairs(rows) do
        xl.WriteString(sales, i, 0, r[1])
        local y, m, d = unpack(r[2])
        xl.WriteNumber(sales, i, 1, xl.GetPackedDate(book, y, m, d, 0, 0, 0, 0))
        xl.SetCellFormat(sales, i, 1, dateFormat)
        xl.WriteNumber(sales, i, 2, r[3])
        xl.SetCellFormat(sales, i, 2, moneyFormat)
        xl.WriteBool(sales, i, 3, r[4] and 1 or 0)
    end
    -- Formulas are stored as text; consumers compute them when they open the file.
    xl.WriteString(sales, 4, 0, "Total")
    check(book, xl.WriteFormula(sales, 4, 2, "SUM(C2:C4)"), "WriteFormula")
    xl.WriteString(notes, 0, 0, "Figures are provisional.")

    check(book, xl.Save(book, path), "Save")
    xl.BookRelease(book)
    print("saved " .. path)
end

-- Read back ---------------------------------------------------------------
local function show(create, path)
    local copy = create()
    check(copy, xl.Load(copy, path), "Load")
    for s = 0, xl.GetSheetCount(copy) - 1 do
        local sheet = xl.GetSheet(copy, s)
        print(("sheet %d: %s (rows %d-%d, columns %d-%d)"):format(s, xl.GetSheetName(sheet),
            xl.GetFirstRow(sheet), xl.GetLastRow(sheet) - 1, xl.GetFirstColumn(sheet), xl.GetLastColumn(sheet) - 1))
        for row = xl.GetFirstRow(sheet), xl.GetLastRow(sheet) - 1 do
            local cells = {}
            for col = xl.GetFirstColumn(sheet), xl.GetLastColumn(sheet) - 1 do
                local kind = xl.GetCellType(sheet, row, col)
                if xl.GetCellIsFormula(sheet, row, col) then
                    cells[#cells + 1] = "=" .. xl.ReadFormula(sheet, row, col)
                elseif kind == 2 then
                    cells[#cells + 1] = (xl.ReadString(sheet, row, col))
                elseif kind == 1 and xl.GetCellIsDate(sheet, row, col) then
                    local y, m, d = xl.GetUnpackedDate(copy, (xl.ReadNumber(sheet, row, col)))
                    cells[#cells + 1] = ("%04d-%02d-%02d"):format(y, m, d)
                elseif kind == 1 then
                    cells[#cells + 1] = tostring((xl.ReadNumber(sheet, row, col)))
                elseif kind == 3 then
                    cells[#cells + 1] = (xl.ReadBool(sheet, row, col)) == 1 and "yes" or "no"
                else
                    cells[#cells + 1] = ""
                end
            end
            print("  " .. table.concat(cells, " | "))
        end
    end

    -- Failures come back as values, with the reason from the book.
    local missing = xl.GetSheet(copy, 99)
    print(("GetSheet(99) gave %d: %s"):format(missing, xl.GetErrorMessage(copy)))
    xl.BookRelease(copy)
    os.remove(path)
end

-- One script, two formats: only the function that makes the book differs.
for _, format in ipairs({{xl.CreateBook, ".xls"}, {xl.CreateXMLBook, ".xlsx"}}) do
    local create, path = format[1], stem .. format[2]
    build(create, path)
    show(create, path)
end
