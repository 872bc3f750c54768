// script_functions.cpp - the 46 adapters between scripts and the library.
//
// Each adapter reads and checks all its arguments first (a bad argument raises
// the runtime's error before any work is done), returns nothing for a handle of
// 0, then makes one library call and pushes its results. Library failures never
// raise script errors: they come back as false, 0 or nil, and the reason is the
// book's message (GetErrorMessage).
#include "binding/script_functions.h"

#include <boost/filesystem.hpp>

#include "binding/handle_registry.h"
#include "binding/lua_args.h"
#include "core/book_factory.h"

namespace karvo::binding {
namespace {

HandleRegistry& registry() { return HandleRegistry::instance(); }

int pushBook(lua_State* L, IBook* book) {
    int handle = objectHandle(HandleKind::Book, book, 0);
    if (book && !handle) book->release();  // a book no script can reach would leak
    lua_pushnumber(L, handle);
    return 1;
}

// ---- books ----

int CreateBook(lua_State* L) { return pushBook(L, createBinaryBook()); }

int CreateXMLBook(lua_State* L) { return pushBook(L, createXmlBook()); }

int Load(lua_State* L) {
    int handle;
    IBook* book = checkBook(L, 1, &handle);
    const char* path = checkText(L, 2);
    if (!book) return 0;
    const char16_t* widePath = libraryText(path);
    // Loading replaces every sheet and format, whatever the outcome.
    bool loaded = widePath && book->load(widePath);
    registry().forgetOwnedBy(handle);
    lua_pushboolean(L, loaded);
    return 1;
}

int Save(lua_State* L) {
    IBook* book = checkBook(L, 1);
    const char* path = checkText(L, 2);
    if (!book) return 0;
    const char16_t* widePath = libraryText(path);
    lua_pushboolean(L, widePath && book->save(widePath));
    return 1;
}

int BookRelease(lua_State* L) {
    int handle;
    IBook* book = checkBook(L, 1, &handle);
    if (!book) return 0;
    book->release();
    registry().forgetOwnedBy(handle);
    registry().forget(handle);
    return 0;
}

int GetErrorMessage(lua_State* L) {
    IBook* book = checkBook(L, 1);
    if (!book) return 0;
    lua_pushstring(L, book->errorMessage());
    return 1;
}

// ---- cells ----

struct CellArgs {
    ISheet* sheet;
    int row;
    int col;
};

CellArgs checkCell(lua_State* L) {
    ISheet* sheet = checkSheet(L, 1);
    int row = checkInteger(L, 2);
    int col = checkInteger(L, 3);
    return {sheet, row, col};
}

int ReadString(lua_State* L) {
    CellArgs c = checkCell(L);
    if (!c.sheet) return 0;
    const char16_t* text = c.sheet->readString(c.row, c.col, nullptr);
    pushText(L, text);
    lua_pushboolean(L, text != nullptr);
    return 2;
}

int WriteString(lua_State* L) {
    CellArgs c = checkCell(L);
    const char* text = checkText(L, 4);
    if (!c.sheet) return 0;
    const char16_t* wide = libraryText(text);
    lua_pushboolean(L, wide && c.sheet->writeString(c.row, c.col, wide, nullptr));
    return 1;
}

int ReadNumber(lua_State* L) {
    CellArgs c = checkCell(L);
    if (!c.sheet) return 0;
    IFormat* format = nullptr;
    double value = c.sheet->readNumber(c.row, c.col, &format);
    lua_pushnumber(L, value);
    lua_pushboolean(L, format != nullptr);
    return 2;
}

int WriteNumber(lua_State* L) {
    CellArgs c = checkCell(L);
    double value = luaL_checknumber(L, 4);
    if (!c.sheet) return 0;
    lua_pushboolean(L, c.sheet->writeNumber(c.row, c.col, value, nullptr));
    return 1;
}

int ReadFormula(lua_State* L) {
    CellArgs c = checkCell(L);
    if (!c.sheet) return 0;
    return pushText(L, c.sheet->readFormula(c.row, c.col, nullptr));
}

int WriteFormula(lua_State* L) {
    CellArgs c = checkCell(L);
    const char* text = checkText(L, 4);
    if (!c.sheet) return 0;
    const char16_t* wide = libraryText(text);
    lua_pushboolean(L, wide && c.sheet->writeFormula(c.row, c.col, wide, nullptr));
    return 1;
}

int ReadBool(lua_State* L) {
    CellArgs c = checkCell(L);
    if (!c.sheet) return 0;
    IFormat* format = nullptr;
    bool value = c.sheet->readBool(c.row, c.col, &format);
    lua_pushnumber(L, value ? 1 : 0);
    lua_pushboolean(L, format != nullptr);
    return 2;
}

int WriteBool(lua_State* L) {
    CellArgs c = checkCell(L);
    int value = checkInteger(L, 4);
    if (!c.sheet) return 0;
    lua_pushboolean(L, c.sheet->writeBool(c.row, c.col, value != 0, nullptr));
    return 1;
}

int WriteBlank(lua_State* L) {
    CellArgs c = checkCell(L);
    IFormat* format = checkFormat(L, 4);
    if (!c.sheet) return 0;
    lua_pushboolean(L, c.sheet->writeBlank(c.row, c.col, format));
    return 1;
}

int ClearCells(lua_State* L) {
    ISheet* sheet = checkSheet(L, 1);
    int rowFirst = checkInteger(L, 2);
    int rowLast = checkInteger(L, 3);
    int colFirst = checkInteger(L, 4);
    int colLast = checkInteger(L, 5);
    if (!sheet) return 0;
    sheet->clearCells(rowFirst, rowLast, colFirst, colLast);
    lua_pushboolean(L, true);
    return 1;
}

int GetCellIsDate(lua_State* L) {
    CellArgs c = checkCell(L);
    if (!c.sheet) return 0;
    lua_pushboolean(L, c.sheet->cellIsDate(c.row, c.col));
    return 1;
}

int GetCellIsFormula(lua_State* L) {
    CellArgs c = checkCell(L);
    if (!c.sheet) return 0;
    lua_pushboolean(L, c.sheet->cellIsFormula(c.row, c.col));
    return 1;
}

int GetCellType(lua_State* L) {
    CellArgs c = checkCell(L);
    if (!c.sheet) return 0;
    lua_pushnumber(L, c.sheet->cellType(c.row, c.col));
    return 1;
}

int GetCellFormat(lua_State* L) {
    int sheetHandle;
    ISheet* sheet = checkSheet(L, 1, &sheetHandle);
    int row = checkInteger(L, 2);
    int col = checkInteger(L, 3);
    if (!sheet) return 0;
    lua_pushnumber(L, formatHandle(sheet->cellFormat(row, col), registry().ownerOf(sheetHandle)));
    return 1;
}

int SetCellFormat(lua_State* L) {
    CellArgs c = checkCell(L);
    IFormat* format = checkFormat(L, 4);
    if (c.sheet && format) c.sheet->setCellFormat(c.row, c.col, format);
    return 0;
}

// ---- sheet properties ----

template <bool (ISheet::*query)()>
int pushSheetFlag(lua_State* L) {
    ISheet* sheet = checkSheet(L, 1);
    if (!sheet) return 0;
    lua_pushboolean(L, (sheet->*query)());
    return 1;
}

template <int (ISheet::*query)()>
int pushSheetNumber(lua_State* L) {
    ISheet* sheet = checkSheet(L, 1);
    if (!sheet) return 0;
    lua_pushnumber(L, (sheet->*query)());
    return 1;
}

template <bool (ISheet::*query)(int)>
int pushLineFlag(lua_State* L) {
    ISheet* sheet = checkSheet(L, 1);
    int line = checkInteger(L, 2);
    if (!sheet) return 0;
    lua_pushboolean(L, (sheet->*query)(line));
    return 1;
}

int GetSheetName(lua_State* L) {
    ISheet* sheet = checkSheet(L, 1);
    if (!sheet) return 0;
    return pushText(L, sheet->sheetName());
}

int GetSheetIsHidden(lua_State* L) {
    ISheet* sheet = checkSheet(L, 1);
    if (!sheet) return 0;
    lua_pushboolean(L, sheet->sheetState() != SheetVisible);
    return 1;
}

// ---- sheets of a book ----

int GetSheetCount(lua_State* L) {
    IBook* book = checkBook(L, 1);
    if (!book) return 0;
    lua_pushnumber(L, book->sheetCount());
    return 1;
}

int AddSheet(lua_State* L) {
    int handle;
    IBook* book = checkBook(L, 1, &handle);
    const char* name = checkText(L, 2);
    if (!book) return 0;
    const char16_t* wide = libraryText(name);
    lua_pushnumber(L, wide ? sheetHandle(book->addSheet(wide, nullptr), handle) : 0);
    return 1;
}

int InsertSheet(lua_State* L) {
    IBook* book = checkBook(L, 1);
    int index = checkInteger(L, 2);
    const char* name = checkText(L, 3);
    if (!book) return 0;
    if (const char16_t* wide = libraryText(name)) book->insertSheet(index, wide, nullptr);
    return 0;
}

int DeleteSheet(lua_State* L) {
    IBook* book = checkBook(L, 1);
    int index = checkInteger(L, 2);
    if (!book) return 0;
    ISheet* doomed = book->getSheet(index);
    bool deleted = book->deleteSheet(index);
    if (deleted) registry().forgetObject(HandleKind::Sheet, doomed);
    lua_pushnumber(L, deleted ? 1 : 0);
    return 1;
}

int GetSheet(lua_State* L) {
    int handle;
    IBook* book = checkBook(L, 1, &handle);
    int index = checkInteger(L, 2);
    if (!book) return 0;
    lua_pushnumber(L, sheetHandle(book->getSheet(index), handle));
    return 1;
}

int GetActiveSheetNumber(lua_State* L) {
    IBook* book = checkBook(L, 1);
    if (!book) return 0;
    lua_pushnumber(L, book->activeSheetNumber());
    return 1;
}

int SetActiveSheetNumber(lua_State* L) {
    IBook* book = checkBook(L, 1);
    int index = checkInteger(L, 2);
    if (book) book->setActiveSheetNumber(index);
    return 0;
}

// ---- formats ----

int BookAddFormat(lua_State* L) {
    int handle;
    IBook* book = checkBook(L, 1, &handle);
    IFormat* initial = checkFormat(L, 2);
    if (!book) return 0;
    lua_pushnumber(L, formatHandle(book->addFormat(initial), handle));
    return 1;
}

int BookGetCustomNumFormat(lua_State* L) {
    IBook* book = checkBook(L, 1);
    int id = checkInteger(L, 2);
    if (!book) return 0;
    return pushText(L, book->customNumFormat(id));
}

int BookAddCustomNumFormat(lua_State* L) {
    IBook* book = checkBook(L, 1);
    const char* text = checkText(L, 2);
    if (!book) return 0;
    const char16_t* wide = libraryText(text);
    lua_pushnumber(L, wide ? book->addCustomNumFormat(wide) : 0);
    return 1;
}

int GetFormatNumFormat(lua_State* L) {
    IFormat* format = checkFormat(L, 1);
    if (!format) return 0;
    lua_pushnumber(L, format->numFormat());
    return 1;
}

int SetFormatNumFormat(lua_State* L) {
    IFormat* format = checkFormat(L, 1);
    int id = checkInteger(L, 2);
    if (format) format->setNumFormat(id);
    return 0;
}

// ---- dates ----

int GetPackedDate(lua_State* L) {
    IBook* book = checkBook(L, 1);
    int parts[7];
    for (int i = 0; i < 7; ++i) parts[i] = checkInteger(L, 2 + i);
    if (!book) return 0;
    lua_pushnumber(L, book->packDate(parts[0], parts[1], parts[2], parts[3], parts[4], parts[5], parts[6]));
    return 1;
}

int GetUnpackedDate(lua_State* L) {
    IBook* book = checkBook(L, 1);
    double serial = luaL_checknumber(L, 2);
    if (!book) return 0;
    int parts[7] = {};
    book->unpackDate(serial, &parts[0], &parts[1], &parts[2], &parts[3], &parts[4], &parts[5], &parts[6]);
    for (int part : parts) lua_pushnumber(L, part);
    return 7;
}

// ---- file system ----

// The path's UTF-8 bytes are the native form here, so they make the path as they
// are. A query that fails for another reason than a missing entry answers false.
template <bool wantDirectory>
bool pathIs(const char* path) {
    try {
        boost::system::error_code error;
        boost::filesystem::file_status status = boost::filesystem::status(boost::filesystem::path(path), error);
        if (error || !boost::filesystem::exists(status)) return false;
        return boost::filesystem::is_directory(status) == wantDirectory;
    } catch (...) {
        return false;
    }
}

template <bool wantDirectory>
int pushPathQuery(lua_State* L) {
    const char* path = checkText(L, 1);
    lua_pushboolean(L, pathIs<wantDirectory>(path));
    return 1;
}

const luaL_Reg kFunctions[] = {
    {"CreateBook", CreateBook},
    {"CreateXMLBook", CreateXMLBook},
    {"Load", Load},
    {"Save", Save},
    {"BookRelease", BookRelease},
    {"ReadString", ReadString},
    {"WriteString", WriteString},
    {"ReadNumber", ReadNumber},
    {"WriteNumber", WriteNumber},
    {"ReadFormula", ReadFormula},
    {"WriteFormula", WriteFormula},
    {"ReadBool", ReadBool},
    {"WriteBool", WriteBool},
    {"WriteBlank", WriteBlank},
    {"ClearCells", ClearCells},
    {"GetSheetCount", GetSheetCount},
    {"GetSheetName", GetSheetName},
    {"GetSheetIsHidden", GetSheetIsHidden},
    {"GetSheetIsProtected", pushSheetFlag<&ISheet::isProtected>},
    {"GetFirstRow", pushSheetNumber<&ISheet::firstRow>},
    {"GetLastRow", pushSheetNumber<&ISheet::lastRow>},
    {"GetFirstColumn", pushSheetNumber<&ISheet::firstColumn>},
    {"GetLastColumn", pushSheetNumber<&ISheet::lastColumn>},
    {"GetErrorMessage", GetErrorMessage},
    {"GetCellIsDate", GetCellIsDate},
    {"GetCellIsFormula", GetCellIsFormula},
    {"GetCellType", GetCellType},
    {"GetRowIsHidden", pushLineFlag<&ISheet::rowIsHidden>},
    {"GetColumnIsHidden", pushLineFlag<&ISheet::columnIsHidden>},
    {"GetCellFormat", GetCellFormat},
    {"SetCellFormat", SetCellFormat},
    {"AddSheet", AddSheet},
    {"InsertSheet", InsertSheet},
    {"DeleteSheet", DeleteSheet},
    {"GetSheet", GetSheet},
    {"GetActiveSheetNumber", GetActiveSheetNumber},
    {"SetActiveSheetNumber", SetActiveSheetNumber},
    {"BookAddFormat", BookAddFormat},
    {"BookGetCustomNumFormat", BookGetCustomNumFormat},
    {"BookAddCustomNumFormat", BookAddCustomNumFormat},
    {"GetPackedDate", GetPackedDate},
    {"GetUnpackedDate", GetUnpackedDate},
    {"GetFormatNumFormat", GetFormatNumFormat},
    {"SetFormatNumFormat", SetFormatNumFormat},
    {"DirectoryExists", pushPathQuery<true>},
    {"FileExists", pushPathQuery<false>},
    {nullptr, nullptr},
};

} // namespace

const luaL_Reg* scriptFunctions() { return kFunctions; }

} // namespace karvo::binding
