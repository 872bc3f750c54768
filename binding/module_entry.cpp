// module_entry.cpp - the module's one exported symbol.
#include "binding/fast_calls.h"
#include "binding/script_functions.h"

extern "C" __attribute__((visibility("default"))) int luaopen_orvane_ExcelLibrary_0_KarvoWrapper(lua_State* L) {
    luaL_openlib(L, "KarvoWrapper", karvo::binding::scriptFunctions(), 0);
    karvo::binding::installFastCalls(L);
    return 1;
}
