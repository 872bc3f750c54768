// lua_args.h - reading script arguments and pushing results.
//
// Every reader that can fail raises the runtime's argument error, which unwinds
// with longjmp: adapters therefore read and check all their arguments before any
// C++ object with a destructor exists, and the text buffers below live outside
// the adapters' frames.
#pragma once

extern "C" {
#include <lauxlib.h>
#include <lua.h>
}

#include <cmath>
#include <limits>
#include <string>

#include "binding/handle_registry.h"
#include "core/interfaces.h"

namespace karvo::binding {

/// A script number truncated toward zero to 32 bits; values beyond the range
/// saturate, NaN is 0.
inline int toInteger(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return std::numeric_limits<int>::max();
    if (value <= -2147483648.0) return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

/// A number argument as toInteger() reads it. Inline: every cell function reads two
/// or three.
inline int checkInteger(lua_State* L, int arg) { return toInteger(luaL_checknumber(L, arg)); }

/// A text argument (numbers are turned into text by the runtime) as UTF-8.
const char* checkText(lua_State* L, int arg);

/// Handle arguments: 0 gives null (the function then returns no results); a
/// non-zero handle that is unknown, dead or of another kind raises the argument
/// error "invalid <kind> handle". `handle` receives the number when given.
IBook* checkBook(lua_State* L, int arg, int* handle = nullptr);
ISheet* checkSheet(lua_State* L, int arg, int* handle = nullptr);
IFormat* checkFormat(lua_State* L, int arg);

/// The handle of a library object owned by `book`, made on first sight; 0 for null.
int objectHandle(HandleKind kind, void* object, int book);
int sheetHandle(ISheet* sheet, int book);
int formatHandle(IFormat* format, int book);

/// UTF-8 argument text converted for the library. The buffer is reused by the next
/// call; null when the conversion could not allocate.
const char16_t* libraryText(const char* utf8);

/// Library text as UTF-8, in a buffer reused by the next call; null for null text or
/// when the conversion could not allocate.
const std::string* scriptText(const char16_t* text);

/// Pushes library text as UTF-8, or nil for null text; returns 1.
int pushText(lua_State* L, const char16_t* text);

} // namespace karvo::binding
