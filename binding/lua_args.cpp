// lua_args.cpp - argument readers, handle checks and text pushing.
#include "binding/lua_args.h"

#include <string>

#include "binding/handle_registry.h"
#include "core/utf_convert.h"

namespace karvo::binding {
namespace {

void* checkHandle(lua_State* L, int arg, HandleKind kind, const char* invalid, int* handleOut) {
    int handle = checkInteger(L, arg);
    if (handleOut) *handleOut = handle;
    if (handle == 0) return nullptr;
    void* object = HandleRegistry::instance().lookup(handle, kind);
    if (!object) luaL_argerror(L, arg, invalid);
    return object;
}

// Scratch buffers for text crossing the boundary. They outlive every adapter
// frame, so a runtime error raised while pushing skips no destructor.
std::u16string& argumentBuffer() {
    static std::u16string buffer;
    return buffer;
}
std::string& resultBuffer() {
    static std::string buffer;
    return buffer;
}

} // namespace

const char* checkText(lua_State* L, int arg) { return luaL_checklstring(L, arg, nullptr); }

IBook* checkBook(lua_State* L, int arg, int* handle) {
    return static_cast<IBook*>(checkHandle(L, arg, HandleKind::Book, "invalid book handle", handle));
}

ISheet* checkSheet(lua_State* L, int arg, int* handle) {
    return static_cast<ISheet*>(checkHandle(L, arg, HandleKind::Sheet, "invalid sheet handle", handle));
}

IFormat* checkFormat(lua_State* L, int arg) {
    return static_cast<IFormat*>(checkHandle(L, arg, HandleKind::Format, "invalid format handle", nullptr));
}

int objectHandle(HandleKind kind, void* object, int book) {
    try {
        return HandleRegistry::instance().handleFor(kind, object, book);
    } catch (...) {
        return 0;  // no memory for the entry: the script sees "no object"
    }
}

int sheetHandle(ISheet* sheet, int book) { return objectHandle(HandleKind::Sheet, sheet, book); }

int formatHandle(IFormat* format, int book) { return objectHandle(HandleKind::Format, format, book); }

const char16_t* libraryText(const char* utf8) {
    try {
        utf8ToUtf16(utf8, argumentBuffer());
        return argumentBuffer().c_str();
    } catch (...) {
        return nullptr;
    }
}

const std::string* scriptText(const char16_t* text) {
    if (!text) return nullptr;
    try {
        utf16ToUtf8(text, resultBuffer());
        return &resultBuffer();
    } catch (...) {
        return nullptr;
    }
}

int pushText(lua_State* L, const char16_t* text) {
    if (const std::string* utf8 = scriptText(text))
        lua_pushlstring(L, utf8->data(), utf8->size());
    else
        lua_pushnil(L);
    return 1;
}

} // namespace karvo::binding
