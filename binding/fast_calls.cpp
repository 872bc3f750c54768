// fast_calls.cpp - the per-cell script functions through LuaJIT's FFI.
//
// LuaJIT compiles a script's loops to machine code, but a call of a classic C
// function leaves the compiled code and costs more than the cell operation itself,
// while a call through the FFI stays in it. So under LuaJIT the functions a script
// calls once per cell are wrapped. When every argument is a plain number (a string
// where text is expected) and the sheet handle is live, the wrapper calls an entry
// below through the FFI, and the entry makes the same library call as the classic
// function. Any other call goes on to the classic function as a tail call, so that
// it raises the same errors, under the name the script called, and returns the
// same nothing for a 0 handle.
#include "binding/fast_calls.h"

#include <cstddef>
#include <iterator>
#include <string>

extern "C" {
#include <lauxlib.h>
}

#include "binding/lua_args.h"

namespace karvo::binding {
namespace {

// What an entry reports when the classic function must take the call.
constexpr int kClassic = -1;

ISheet* liveSheet(double handle) {
    return static_cast<ISheet*>(HandleRegistry::instance().lookup(toInteger(handle), HandleKind::Sheet));
}

int cellType(double sheet, double row, double col) noexcept {
    ISheet* s = liveSheet(sheet);
    return s ? s->cellType(toInteger(row), toInteger(col)) : kClassic;
}

double readNumber(double sheet, double row, double col, int* outcome) noexcept {
    ISheet* s = liveSheet(sheet);
    if (!s) {
        *outcome = kClassic;
        return 0;
    }
    IFormat* format = nullptr;
    double value = s->readNumber(toInteger(row), toInteger(col), &format);
    *outcome = format != nullptr;
    return value;
}

// The text is null when the cell has none or it could not be converted; `outcome`
// says which, as the classic function's second result does.
const char* readString(double sheet, double row, double col, int* outcome, std::size_t* length) noexcept {
    ISheet* s = liveSheet(sheet);
    if (!s) {
        *outcome = kClassic;
        return nullptr;
    }
    const char16_t* text = s->readString(toInteger(row), toInteger(col), nullptr);
    *outcome = text != nullptr;
    const std::string* utf8 = scriptText(text);
    if (!utf8) return nullptr;
    *length = utf8->size();
    return utf8->data();
}

int writeNumber(double sheet, double row, double col, double value) noexcept {
    ISheet* s = liveSheet(sheet);
    return s ? s->writeNumber(toInteger(row), toInteger(col), value, nullptr) : kClassic;
}

int writeString(double sheet, double row, double col, const char* text) noexcept {
    ISheet* s = liveSheet(sheet);
    if (!s) return kClassic;
    const char16_t* wide = libraryText(text);
    return wide && s->writeString(toInteger(row), toInteger(col), wide, nullptr);
}

struct Entry {
    const char* name;
    void* address;
};
const Entry kEntries[] = {
    {"GetCellType", reinterpret_cast<void*>(&cellType)},
    {"ReadNumber", reinterpret_cast<void*>(&readNumber)},
    {"ReadString", reinterpret_cast<void*>(&readString)},
    {"WriteNumber", reinterpret_cast<void*>(&writeNumber)},
    {"WriteString", reinterpret_cast<void*>(&writeString)},
};

// Called with the module table and a table of the entries' addresses. The wrappers
// take their arguments as varargs and pass them on untouched, so the classic
// function sees exactly what the script passed, missing arguments included.
constexpr char kWrappers[] = R"lua(
local module, entries = ...
if type(jit) ~= "table" or not jit.status() then return end
local found, ffi = pcall(require, "ffi")
if not found then return end

local type, cast, copyString = type, ffi.cast, ffi.string
local CLASSIC = -1
local outcome, length = ffi.new("int[1]"), ffi.new("size_t[1]")

local function cellArgs(sheet, row, col)
    return type(sheet) == "number" and type(row) == "number" and type(col) == "number"
end

local cellType = cast("int (*)(double, double, double)", entries.GetCellType)
local GetCellType = module.GetCellType
module.GetCellType = function(...)
    local sheet, row, col = ...
    if cellArgs(sheet, row, col) then
        local kind = cellType(sheet, row, col)
        if kind ~= CLASSIC then return kind end
    end
    return GetCellType(...)
end

local readNumber = cast("double (*)(double, double, double, int*)", entries.ReadNumber)
local ReadNumber = module.ReadNumber
module.ReadNumber = function(...)
    local sheet, row, col = ...
    if cellArgs(sheet, row, col) then
        local value = readNumber(sheet, row, col, outcome)
        if outcome[0] ~= CLASSIC then return value, outcome[0] == 1 end
    end
    return ReadNumber(...)
end

local readString = cast("const char* (*)(double, double, double, int*, size_t*)", entries.ReadString)
local ReadString = module.ReadString
module.ReadString = function(...)
    local sheet, row, col = ...
    if cellArgs(sheet, row, col) then
        local text = readString(sheet, row, col, outcome, length)
        if outcome[0] ~= CLASSIC then
            if text == nil then return nil, outcome[0] == 1 end
            return copyString(text, length[0]), true
        end
    end
    return ReadString(...)
end

-- The writes take a value of one type after the cell's numbers.
local function wrapWrite(name, signature, valueType)
    local entry, classic = cast(signature, entries[name]), module[name]
    module[name] = function(...)
        local sheet, row, col, value = ...
        if cellArgs(sheet, row, col) and type(value) == valueType then
            local written = entry(sheet, row, col, value)
            if written ~= CLASSIC then return written == 1 end
        end
        return classic(...)
    end
end
wrapWrite("WriteNumber", "int (*)(double, double, double, double)", "number")
wrapWrite("WriteString", "int (*)(double, double, double, const char*)", "string")
)lua";

} // namespace

void installFastCalls(lua_State* L) {
    // Any failure here (only memory can fail) leaves the classic functions in place.
    if (luaL_loadbuffer(L, kWrappers, sizeof kWrappers - 1, "=KarvoWrapper") != 0) {
        lua_pop(L, 1);
        return;
    }
    lua_pushvalue(L, -2);
    lua_createtable(L, 0, static_cast<int>(std::size(kEntries)));
    for (const Entry& entry : kEntries) {
        lua_pushlightuserdata(L, entry.address);
        lua_setfield(L, -2, entry.name);
    }
    if (lua_pcall(L, 2, 0, 0) != 0) lua_pop(L, 1);
}

} // namespace karvo::binding
