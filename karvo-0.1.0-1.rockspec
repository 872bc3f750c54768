-- The Lua module as a rock: `luarocks make` in a checkout builds it with the project's
-- CMake files (a Release build of the library and the module; no network needed) and
-- installs the module where `require "orvane.ExcelLibrary_0.KarvoWrapper"` finds it.
-- The file name's version must be the one in CMakeLists.txt (tests/install/check_install).
rockspec_format = "3.0"
package = "karvo"
version = "0.1.0-1"
-- `luarocks make` builds the checkout it runs in; no source archive is published.
source = {
   url = "git+file://.",
}
description = {
   summary = "Excel workbooks (.xls and .xlsx) from Lua 5.1 and LuaJIT",
   detailed = [[
The module KarvoWrapper creates, opens, reads, changes and saves binary .xls and
Open XML .xlsx workbooks through 46 script functions with integer handles.
]],
}
dependencies = {
   "lua >= 5.1, < 5.2",
}
build = {
   type = "cmake",
   variables = {
      CMAKE_BUILD_TYPE = "Release",
      CMAKE_INSTALL_PREFIX = "$(PREFIX)",
      KARVO_LUA_CMOD_DIR = "$(LIBDIR)",
      KARVO_BUILD_TESTS = "OFF",
      KARVO_INSTALL_LIBRARY = "OFF",
   },
}
