-- The per-cell functions, which LuaJIT calls through a compiled path: whatever path
-- a call takes, it answers, fails and names itself as the module's C functions do.
package.path = (os.getenv("KARVO_TESTS_DIR") or "tests") .. "/lua/?.lua;" .. package.path
local helper = require "helper"
local xl, count, errorOf = helper.karvo, helper.count, helper.errorOf

local CELL_FUNCTIONS = {"GetCellType", "ReadNumber", "ReadString", "WriteNumber", "WriteString"}

describe("the per-cell functions", function()
    local book, sheet
    before_each(function()
        book = xl.CreateXMLBook()
        sheet = xl.AddSheet(book, "S")
    end)
    after_each(function() if book then xl.BookRelease(book) end end)

    it("are compiled paths under LuaJIT and the C functions elsewhere", function()
        local expected = type(jit) == "table" and "Lua" or "C"
        for _, name in ipairs(CELL_FUNCTIONS) do
            assert.equal(expected, debug.getinfo(xl[name], "S").what, name)
        end
    end)

    it("answer alike for plain numbers and for numbers given as text", function()
        assert.is_true(xl.WriteNumber(sheet, 1, 2, 4.25))
        assert.is_true(xl.WriteNumber(sheet, "2", "2", "8"))
        assert.is_true(xl.WriteString(sheet, 3, 2, "\226\130\172 and \240\159\152\128"))
        assert.is_true(xl.WriteString(sheet, "4", 2.7, 12))
        assert.same({4.25, true}, {xl.ReadNumber(sheet, 1, 2)})
        assert.same({4.25, true}, {xl.ReadNumber(sheet, "1", "2")})
        assert.same({8, true}, {xl.ReadNumber(sheet, 2, 2)})
        assert.same({"\226\130\172 and \240\159\152\128", true}, {xl.ReadString(sheet, 3.9, 2)})
        assert.same({"12", true}, {xl.ReadString(sheet, "4", "2")})
        assert.same({1, 1, 2, 2, 0}, {xl.GetCellType(sheet, 1, 2), xl.GetCellType(sheet, "2", 2),
            xl.GetCellType(sheet, 3, 2), xl.GetCellType(sheet, 4, "2"), xl.GetCellType(sheet, 9, 9)})
    end)

    it("report failures through their values and the book's message", function()
        xl.WriteString(sheet, 0, 0, "")
        assert.same({"", true}, {xl.ReadString(sheet, 0, 0)})
        assert.same({0, false}, {xl.ReadNumber(sheet, 0, 0)})
        assert.equal("this cell doesn't contain a number", xl.GetErrorMessage(book))
        assert.same({nil, false}, {xl.ReadString(sheet, 5, 5)})
        assert.is_false(xl.WriteNumber(sheet, -1, 0, 1))
        assert.is_false(xl.WriteString(sheet, 0, 2 ^ 40, "x"))
        assert.matches("col", xl.GetErrorMessage(book))
        assert.same({true, 2, true}, {xl.WriteNumber(sheet, 0, 1, 2, "extra"), xl.ReadNumber(sheet, 0, 1)})
    end)

    it("return nothing for the 0 handle and raise the C functions' errors by the called name", function()
        for _, name in ipairs(CELL_FUNCTIONS) do
            assert.equal(0, count(xl[name](0, 0, 0, name:find("String") and "t" or 1)), name)
            assert.matches("bad argument #1 to '" .. name .. "' %(invalid sheet handle%)",
                           errorOf(name, 987654, 0, 0, "1"))
        end
        assert.matches("bad argument #3 to 'ReadString' %(number expected, got no value%)",
                       errorOf("ReadString", sheet, 0))
        assert.matches("bad argument #4 to 'WriteString' %(string expected, got table%)",
                       errorOf("WriteString", sheet, 0, 0, {}))
        assert.matches("bad argument #2 to 'GetCellType' %(number expected, got boolean%)",
                       errorOf("GetCellType", sheet, true, 0))
        xl.BookRelease(book)
        assert.matches("bad argument #1 to 'ReadNumber' %(invalid sheet handle%)", errorOf("ReadNumber", sheet, 0, 0))
        book = nil
    end)
end)
