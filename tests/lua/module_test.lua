-- The module's table, argument checking, the 0-handle rule and the file queries.
package.path = (os.getenv("KARVO_TESTS_DIR") or "tests") .. "/lua/?.lua;" .. package.path
local helper = require "helper"
local karvo, count, errorOf = helper.karvo, helper.count, helper.errorOf

local NAMES = {
    "CreateBook", "CreateXMLBook", "Load", "Save", "BookRelease", "ReadString", "WriteString",
    "ReadNumber", "WriteNumber", "ReadFormula", "WriteFormula", "ReadBool", "WriteBool", "WriteBlank",
    "ClearCells", "GetSheetCount", "GetSheetName", "GetSheetIsHidden", "GetSheetIsProtected",
    "GetFirstRow", "GetLastRow", "GetFirstColumn", "GetLastColumn", "GetErrorMessage", "GetCellIsDate",
    "GetCellIsFormula", "GetCellType", "GetRowIsHidden", "GetColumnIsHidden", "GetCellFormat",
    "SetCellFormat", "AddSheet", "InsertSheet", "DeleteSheet", "GetSheet", "GetActiveSheetNumber",
    "SetActiveSheetNumber", "BookAddFormat", "BookGetCustomNumFormat", "BookAddCustomNumFormat",
    "GetPackedDate", "GetUnpackedDate", "GetFormatNumFormat", "SetFormatNumFormat", "DirectoryExists",
    "FileExists",
}

-- Every function with a leading handle, and well-typed arguments after it.
local HANDLE_CALLS = {
    Load = {"x.xls"}, Save = {"x.xls"}, BookRelease = {}, ReadString = {0, 0}, WriteString = {0, 0, "t"},
    ReadNumber = {0, 0}, WriteNumber = {0, 0, 1.5}, ReadFormula = {0, 0}, WriteFormula = {0, 0, "1+1"},
    ReadBool = {0, 0}, WriteBool = {0, 0, 1}, WriteBlank = {0, 0, 0}, ClearCells = {0, 1, 0, 1},
    GetSheetCount = {}, GetSheetName = {}, GetSheetIsHidden = {}, GetSheetIsProtected = {},
    GetFirstRow = {}, GetLastRow = {}, GetFirstColumn = {}, GetLastColumn = {}, GetErrorMessage = {},
    GetCellIsDate = {0, 0}, GetCellIsFormula = {0, 0}, GetCellType = {0, 0}, GetRowIsHidden = {0},
    GetColumnIsHidden = {0}, GetCellFormat = {0, 0}, SetCellFormat = {0, 0, 0}, AddSheet = {"S"},
    InsertSheet = {0, "S"}, DeleteSheet = {0}, GetSheet = {0}, GetActiveSheetNumber = {},
    SetActiveSheetNumber = {0}, BookAddFormat = {0}, BookGetCustomNumFormat = {164},
    BookAddCustomNumFormat = {"0.00"}, GetPackedDate = {2000, 1, 1, 0, 0, 0, 0}, GetUnpackedDate = {1.5},
    GetFormatNumFormat = {}, SetFormatNumFormat = {14},
}

local function call(name, handle)
    return karvo[name](handle, unpack(HANDLE_CALLS[name]))
end

describe("the module table", function()
    it("holds exactly the 46 functions and is the global KarvoWrapper", function()
        local n = 0
        for name, value in pairs(karvo) do
            n = n + 1
            assert.is_function(value, name)
        end
        assert.equal(46, n)
        for _, name in ipairs(NAMES) do assert.is_function(karvo[name], name) end
        assert.equal(karvo, KarvoWrapper)
    end)
end)

describe("the 0 handle", function()
    it("makes every handle function return no values", function()
        for name in pairs(HANDLE_CALLS) do
            assert.equal(0, count(call(name, 0)), name)
        end
    end)

    it("is what a fraction below one truncates to", function()
        assert.equal(0, count(karvo.GetSheetCount(0.9)))
        assert.equal(0, count(karvo.GetSheetCount(-0.5)))
    end)
end)

describe("argument checking", function()
    it("raises the runtime's error for a handle of the wrong type", function()
        assert.matches("bad argument #1 to 'GetSheetCount' %(number expected, got string%)",
                       errorOf("GetSheetCount", "book"))
    end)

    it("raises for missing arguments even when the handle is 0", function()
        assert.matches("bad argument #4 to 'WriteNumber'", errorOf("WriteNumber", 0, 1, 2))
        assert.matches("bad argument #2 to 'Load' %(string expected, got no value%)", errorOf("Load", 0))
    end)

    it("accepts numbers where text is expected", function()
        assert.equal(0, count(karvo.AddSheet(0, 12)))
    end)

    it("names the expected kind for an unknown handle", function()
        for name, expected in pairs({GetSheetCount = "book", GetSheetName = "sheet",
                                     GetFormatNumFormat = "format"}) do
            assert.matches("bad argument #1 to '" .. name .. "' %(invalid " .. expected .. " handle%)",
                           errorOf(name, 987654, unpack(HANDLE_CALLS[name])))
        end
        assert.matches("bad argument #4 to 'SetCellFormat' %(invalid format handle%)",
                       errorOf("SetCellFormat", 0, 0, 0, 987654))
    end)
end)

describe("file-system queries", function()
    local dir = helper.tmpname("_dir")

    setup(function() assert(os.execute("mkdir -p '" .. dir .. "'")) end)
    teardown(function() os.execute("rm -rf '" .. dir .. "'") end)

    it("tell files from directories", function()
        local file = dir .. "/f\195\188r.txt"  -- a non-ASCII name
        local out = assert(io.open(file, "w"))
        out:write("x")
        out:close()
        assert.is_true(karvo.FileExists(file))
        assert.is_false(karvo.DirectoryExists(file))
        assert.is_true(karvo.DirectoryExists(dir))
        assert.is_false(karvo.FileExists(dir))
        assert.is_false(karvo.FileExists(dir .. "/missing"))
        assert.is_false(karvo.DirectoryExists(dir .. "/missing"))
        assert.equal(1, count(karvo.FileExists(dir .. "/missing")))
    end)

    it("answer false when the path cannot be examined", function()
        assert.is_false(karvo.FileExists(dir .. "/f\195\188r.txt/below"))
        assert.is_false(karvo.FileExists(""))
    end)
end)
