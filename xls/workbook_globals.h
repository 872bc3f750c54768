// workbook_globals.h - the simple settings records of the workbook globals.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "xls/record_reader.h"
#include "xls/record_writer.h"

namespace karvo {

/// Window1: the book window and the sheet tabs. itabCur is the active sheet.
struct Window1 {
    std::uint16_t xWn = 0, yWn = 15, dxWn = 16155, dyWn = 10230, grbit = 0x0038;
    std::uint16_t itabCur = 0, itabFirst = 0, ctabSel = 1, wTabRatio = 600;
};

/// The book-level settings records, with the values of a new book.
struct WorkbookGlobals {
    std::uint16_t interfaceHdr = 1200;  // code page of the user interface: UTF-16
    std::uint16_t mms = 0;
    std::vector<std::uint8_t> writeAccess;
    std::uint16_t codePage = 1200;
    std::uint16_t dsf = 0;
    std::vector<std::uint16_t> rrTabId{1};
    std::uint16_t builtInFnGroupCount = 14;
    std::uint16_t winProtect = 0, protect = 0, password = 0, prot4Rev = 0, prot4RevPass = 0;
    Window1 window1;
    std::uint16_t backup = 0, hideObj = 0, date1904 = 0, calcPrecision = 1, refreshAll = 0, bookBool = 0;
    std::uint16_t usesElfs = 0;
    std::array<std::uint16_t, 2> country{1, 1};

    WorkbookGlobals();

    /// Reads `record` into its field when it is one of these settings; false for
    /// any other record. A wrong size fails with "<Name> size is incorrect".
    /// `biffVersion` is the globals' BOF version: a BIFF5 InterfaceHdr is empty.
    bool read(const Record& record, std::uint16_t biffVersion);

    /// Steps 3 to 6 of the globals (InterfaceHdr up to BookBool), with the CodeName
    /// record, when the book kept one, between RRTabId and BuiltInFnGroupCount.
    void writeHead(RecordWriter& out, const std::vector<std::uint8_t>* codeName) const;
    void writeUsesElfs(RecordWriter& out) const;
    void writeCountry(RecordWriter& out) const;

private:
    void readWriteAccess(const Record& record, std::uint16_t biffVersion);
};

} // namespace karvo
