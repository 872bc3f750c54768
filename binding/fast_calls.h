// fast_calls.h - the per-cell script functions through LuaJIT's FFI.
#pragma once

extern "C" {
#include <lua.h>
}

namespace karvo::binding {

/// Under LuaJIT with its FFI and compiler on, wraps the cell functions that scripts
/// call once per cell in the module table at the top of the stack; under any other
/// runtime leaves the table as it is.
void installFastCalls(lua_State* L);

} // namespace karvo::binding
