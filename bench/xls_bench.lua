-- xls_bench.lua - the xls_bench workload through the script module (lua5.1 or luajit).
--
--   KARVO_MODULE_DIR=build/lua lua5.1 bench/xls_bench.lua write [rows] [path]
--   KARVO_MODULE_DIR=build/lua lua5.1 bench/xls_bench.lua read [path]
--   KARVO_MODULE_DIR=build/lua lua5.1 bench/xls_bench.lua write-floor [rows]
--   KARVO_MODULE_DIR=build/lua lua5.1 bench/xls_bench.lua read-floor [rows]
--
-- "write" fills 20 columns per row (10 numeric, 10 text: half from 1,000 repeated
-- strings, half unique) and saves; "read" loads and reads every cell by its type.
-- "write-floor" runs the write loop with a built-in C function that does nothing in
-- place of each cell call, and saves nothing: what the interpreter itself spends,
-- which no library can undercut. "read-floor" likewise runs the read loop over the
-- same grid, loading nothing, with a no-op C function for both calls of each cell
-- (every cell reads as a number). Each prints its wall and processor seconds,
-- measured inside the process.
local moduleDir = os.getenv("KARVO_MODULE_DIR")
if moduleDir then package.cpath = moduleDir .. "/?.so;" .. package.cpath end
local xl = require "orvane.ExcelLibrary_0.KarvoWrapper"

-- Neither runtime has a sub-second wall clock; one `date` costs about a millisecond.
local function now()
    local pipe = io.popen("date +%s.%N")
    local seconds = tonumber(pipe:read("*l"))
    pipe:close()
    return seconds
end

local function check(ok, book)
    if not ok then error("failed: " .. tostring(xl.GetErrorMessage(book)), 2) end
end

-- The texts are made with string.format, as the Python script makes them with %:
-- `..` would format each number through "%.14g", which under lua5.1 costs more than
-- the library's whole work for the cell.
local function write(rows, path, WriteNumber, WriteString)
    local book = xl.CreateBook()
    local sheet = xl.AddSheet(book, "Data")
    local format = string.format
    for r = 0, rows - 1 do
        for c = 0, 9 do
            local value = c % 2 == 0 and (r * 10 + c) or (r * 0.37 + c / 7.0)
            if not WriteNumber(sheet, r, c, value) then check(false, book) end
        end
        for c = 10, 19 do
            local text = c < 15 and format("repeated %d", (r * 7 + c) % 1000) or format("unique %d", r * 20 + c)
            if not WriteString(sheet, r, c, text) then check(false, book) end
        end
    end
    if path then check(xl.Save(book, path), book) end
    xl.BookRelease(book)
end

-- Two calls per cell, the type and then the value, as a script that does not know
-- the sheet's layout makes them.
local function readCells(sheet, rows, cols, GetCellType, ReadNumber, ReadString)
    local sum, characters = 0, 0
    for r = rows[1], rows[2] do
        for c = cols[1], cols[2] do
            local kind = GetCellType(sheet, r, c)
            if kind == 1 then
                sum = sum + ReadNumber(sheet, r, c)
            elseif kind == 2 then
                characters = characters + #ReadString(sheet, r, c)
            end
        end
    end
    return string.format("checksum %.1f, %d characters", sum, characters)
end

local function read(path)
    local book = xl.CreateBook()
    check(xl.Load(book, path), book)
    local sheet = xl.GetSheet(book, 0)
    local detail = readCells(sheet, {xl.GetFirstRow(sheet), xl.GetLastRow(sheet) - 1},
                             {xl.GetFirstColumn(sheet), xl.GetLastColumn(sheet) - 1},
                             xl.GetCellType, xl.ReadNumber, xl.ReadString)
    xl.BookRelease(book)
    return detail
end

local mode = arg[1]
local wallStart, cpuStart = now(), os.clock()
local detail
if mode == "write" then
    local rows = tonumber(arg[2]) or 65000
    write(rows, arg[3] or "/tmp/karvo_bench_lua.xls", xl.WriteNumber, xl.WriteString)
    detail = rows .. " rows"
elseif mode == "write-floor" then
    local rows = tonumber(arg[2]) or 65000
    write(rows, nil, type, type)
    detail = rows .. " rows"
elseif mode == "read-floor" then
    local rows = tonumber(arg[2]) or 65000
    -- math.floor of the "sheet" 1 is 1: the number branch, as a C call.
    readCells(1, {0, rows - 1}, {0, 19}, math.floor, math.floor, type)
    detail = rows .. " rows"
elseif mode == "read" then
    detail = read(arg[2] or "/tmp/karvo_bench_lua.xls")
else
    io.stderr:write("usage: xls_bench.lua write [rows] [path] | read [path] | write-floor [rows] | read-floor [rows]\n")
    os.exit(2)
end
print(string.format("%s: %.3f s wall, %.3f s cpu (%s)", mode, now() - wallStart, os.clock() - cpuStart, detail))
