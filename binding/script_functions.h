// script_functions.h - the table of the script module's functions.
#pragma once

extern "C" {
#include <lauxlib.h>
}

namespace karvo::binding {

/// The 46 script functions in registration order, ended by an empty entry.
const luaL_Reg* scriptFunctions();

} // namespace karvo::binding
