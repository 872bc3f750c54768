// workbook_globals.cpp - reading and writing the settings records of the globals.
#include "xls/workbook_globals.h"

#include <string>

#include "core/utf_convert.h"
#include "core/xlerror.h"
#include "xls/biff_strings.h"

namespace karvo {
namespace {

// WriteAccess is a fixed 112-byte record: a user name padded with spaces.
constexpr std::size_t kWriteAccessSize = 112;
// The most 8-bit characters that fit it after the count and flags.
constexpr std::size_t kWriteAccessMaxChars = kWriteAccessSize - 3;
// RecalcId: record type, reserved word, build number.
constexpr std::size_t kRecalcIdSize = 8;
// BookExt: a 12-byte future-record header, its size field and the first flags word.
constexpr std::size_t kBookExtMinSize = 20;

// The one-word settings, as (record, field) rows.
struct WordSetting {
    RecordId id;
    std::uint16_t WorkbookGlobals::*field;
};
constexpr WordSetting kWordSettings[] = {
    {RecordId::InterfaceHdr, &WorkbookGlobals::interfaceHdr},
    {RecordId::Mms, &WorkbookGlobals::mms},
    {RecordId::CodePage, &WorkbookGlobals::codePage},
    {RecordId::DSF, &WorkbookGlobals::dsf},
    {RecordId::BuiltInFnGroupCount, &WorkbookGlobals::builtInFnGroupCount},
    {RecordId::WinProtect, &WorkbookGlobals::winProtect},
    {RecordId::Protect, &WorkbookGlobals::protect},
    {RecordId::Password, &WorkbookGlobals::password},
    {RecordId::Prot4Rev, &WorkbookGlobals::prot4Rev},
    {RecordId::Prot4RevPass, &WorkbookGlobals::prot4RevPass},
    {RecordId::Backup, &WorkbookGlobals::backup},
    {RecordId::HideObj, &WorkbookGlobals::hideObj},
    {RecordId::Date1904, &WorkbookGlobals::date1904},
    {RecordId::CalcPrecision, &WorkbookGlobals::calcPrecision},
    {RecordId::RefreshAll, &WorkbookGlobals::refreshAll},
    {RecordId::BookBool, &WorkbookGlobals::bookBool},
    {RecordId::UsesELFs, &WorkbookGlobals::usesElfs},
};

[[noreturn]] void sizeIncorrect(const Record& record) {
    throw xlerror(std::string(recordName(record.id)) + " size is incorrect");
}

void requireSize(const Record& record, std::size_t size) {
    if (record.body.size() != size) sizeIncorrect(record);
}

void writeWord(RecordWriter& out, RecordId id, std::uint16_t value) {
    out.header(id, 2);
    out.u16(value);
}

std::vector<std::uint8_t> newWriteAccess() {
    std::vector<std::uint8_t> body;
    writeShortString(body, u"K", ShortForm::Count16, CharWidth::narrow);
    body.resize(kWriteAccessSize, ' ');
    return body;
}

} // namespace

void WorkbookGlobals::readWriteAccess(const Record& record, std::uint16_t biffVersion) {
    if (biffVersion <= 0x0500) {
        // The user name of an older file has an 8-bit count and no flags byte; what is
        // saved is BIFF8, whose readers expect the 16-bit count and the flags.
        ByteReader in = record.reader();
        std::u16string user = readShortString(in, ShortForm::Count8NoFlags);
        user.resize(utf16Prefix(user, kWriteAccessMaxChars).size());
        writeAccess.clear();
        writeShortString(writeAccess, user, ShortForm::Count16, CharWidth::narrow);
        return;
    }
    // Longer bodies than the fixed record are cut to it; the rest is padding.
    writeAccess.assign(record.body.begin(), record.body.begin() + std::min(record.body.size(), kWriteAccessSize));
}

WorkbookGlobals::WorkbookGlobals() : writeAccess(newWriteAccess()) {}

bool WorkbookGlobals::read(const Record& record, std::uint16_t biffVersion) {
    // BIFF5 has no code page in InterfaceHdr; the book keeps its own, as what is
    // written is BIFF8 with UTF-16 text.
    if (record.is(RecordId::InterfaceHdr) && biffVersion <= 0x0500 && record.body.empty()) return true;
    for (const WordSetting& setting : kWordSettings) {
        if (!record.is(setting.id)) continue;
        requireSize(record, 2);
        this->*setting.field = record.reader().u16();
        return true;
    }
    ByteReader in = record.reader();
    switch (static_cast<RecordId>(record.id)) {
    case RecordId::InterfaceEnd:
    case RecordId::Excel9File:
        requireSize(record, 0);
        return true;
    case RecordId::WriteAccess:
        readWriteAccess(record, biffVersion);
        return true;
    case RecordId::RRTabId:
        if (record.body.size() % 2 != 0) sizeIncorrect(record);
        rrTabId.clear();
        while (!in.atEnd()) rrTabId.push_back(in.u16());
        return true;
    case RecordId::Window1: {
        requireSize(record, 18);
        Window1& w = window1;
        for (std::uint16_t* field : {&w.xWn, &w.yWn, &w.dxWn, &w.dyWn, &w.grbit, &w.itabCur, &w.itabFirst,
                                     &w.ctabSel, &w.wTabRatio})
            *field = in.u16();
        return true;
    }
    case RecordId::Country:
        requireSize(record, 4);
        country = {in.u16(), in.u16()};
        return true;
    case RecordId::RecalcId:
        requireSize(record, kRecalcIdSize);
        return true;
    case RecordId::BookExt:
        if (record.body.size() < kBookExtMinSize) sizeIncorrect(record);
        return true;
    default:
        return false;
    }
}

void WorkbookGlobals::writeHead(RecordWriter& out, const std::vector<std::uint8_t>* codeName) const {
    writeWord(out, RecordId::InterfaceHdr, interfaceHdr);
    writeWord(out, RecordId::Mms, mms);
    out.header(RecordId::InterfaceEnd, 0);
    std::vector<std::uint8_t> access = writeAccess;
    access.resize(kWriteAccessSize, ' ');
    out.record(RecordId::WriteAccess, access);
    writeWord(out, RecordId::CodePage, codePage);
    writeWord(out, RecordId::DSF, dsf);
    out.header(RecordId::RRTabId, 2 * rrTabId.size());
    for (std::uint16_t id : rrTabId) out.u16(id);
    if (codeName) out.record(RecordId::CodeName, *codeName);
    writeWord(out, RecordId::BuiltInFnGroupCount, builtInFnGroupCount);
    writeWord(out, RecordId::WinProtect, winProtect);
    writeWord(out, RecordId::Protect, protect);
    writeWord(out, RecordId::Password, password);
    writeWord(out, RecordId::Prot4Rev, prot4Rev);
    writeWord(out, RecordId::Prot4RevPass, prot4RevPass);
    const Window1& w = window1;
    out.header(RecordId::Window1, 18);
    for (std::uint16_t field : {w.xWn, w.yWn, w.dxWn, w.dyWn, w.grbit, w.itabCur, w.itabFirst, w.ctabSel,
                                w.wTabRatio})
        out.u16(field);
    writeWord(out, RecordId::Backup, backup);
    writeWord(out, RecordId::HideObj, hideObj);
    writeWord(out, RecordId::Date1904, date1904);
    writeWord(out, RecordId::CalcPrecision, calcPrecision);
    writeWord(out, RecordId::RefreshAll, refreshAll);
    writeWord(out, RecordId::BookBool, bookBool);
}

void WorkbookGlobals::writeUsesElfs(RecordWriter& out) const { writeWord(out, RecordId::UsesELFs, usesElfs); }

void WorkbookGlobals::writeCountry(RecordWriter& out) const {
    out.header(RecordId::Country, 4);
    out.u16(country[0]);
    out.u16(country[1]);
}

} // namespace karvo
