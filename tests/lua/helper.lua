-- Loads the module the way scripts do, from the build tree that KARVO_MODULE_DIR names.
local M = {}

local moduleDir = os.getenv("KARVO_MODULE_DIR")
if moduleDir then package.cpath = moduleDir .. "/?.so;" .. package.cpath end

M.karvo = require "orvane.ExcelLibrary_0.KarvoWrapper"

-- Number of values a call returned, nils included.
function M.count(...) return select("#", ...) end

function M.tmpname(suffix)
    local name = os.tmpname()
    os.remove(name)
    return name .. (suffix or "")
end

-- The error a call raises. The call is made through a table field and not as a
-- tail call, so that the runtime can name the function in its message.
function M.errorOf(name, ...)
    local caller = assert(loadstring("local result = KarvoWrapper." .. name .. "(...) return result"))
    local ok, err = pcall(caller, ...)
    if ok then error(name .. " did not fail", 2) end
    return err
end

return M
