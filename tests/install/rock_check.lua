-- rock_check.lua - the module as installed by luarocks: a book written and read back.
-- Usage: LUA_CPATH=<tree>/lib/lua/5.1/?.so lua5.1 rock_check.lua <path.xls>
local m = require "orvane.ExcelLibrary_0.KarvoWrapper"
local path = assert(arg[1], "usage: rock_check.lua <path.xls>")
local book = m.CreateBook()
assert(m.WriteString(m.AddSheet(book, "Data"), 0, 0, "ünï"), m.GetErrorMessage(book))
assert(m.Save(book, path), m.GetErrorMessage(book))
m.BookRelease(book)
book = m.CreateBook()
assert(m.Load(book, path), m.GetErrorMessage(book))
local text = m.ReadString(m.GetSheet(book, 0), 0, 0)
print(text)
