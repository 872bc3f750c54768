// sheet_settings.cpp - the table of fixed-layout setting records.
#include "xls/sheet_settings.h"

#include <cstring>
#include <string>
#include <vector>

#include "core/xlerror.h"

namespace karvo {
namespace {

using Bytes = std::vector<std::uint8_t>;

// One overload set per field type gives each its size, reading and writing.
constexpr std::size_t fieldSize(std::uint16_t) { return 2; }
constexpr std::size_t fieldSize(std::int16_t) { return 2; }
constexpr std::size_t fieldSize(double) { return 8; }
template <class T>
constexpr std::size_t fieldSize(const std::optional<T>&) { return fieldSize(T{}); }
template <class T, std::size_t N>
constexpr std::size_t fieldSize(const std::array<T, N>&) { return N * fieldSize(T{}); }

void readField(ByteReader& in, std::uint16_t& v) { v = in.u16(); }
void readField(ByteReader& in, std::int16_t& v) { v = in.i16(); }
void readField(ByteReader& in, double& v) { v = in.f64(); }
template <class T>
void readField(ByteReader& in, std::optional<T>& v) { readField(in, v.emplace()); }
template <class T, std::size_t N>
void readField(ByteReader& in, std::array<T, N>& v) {
    for (T& item : v) readField(in, item);
}

void writeField(Bytes& out, std::uint16_t v) { putLittle(out, v, 2); }
void writeField(Bytes& out, std::int16_t v) { putLittle(out, static_cast<std::uint16_t>(v), 2); }
void writeField(Bytes& out, double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    putLittle(out, bits, 8);
}
template <class T>
void writeField(Bytes& out, const std::optional<T>& v) { writeField(out, *v); }
template <class T, std::size_t N>
void writeField(Bytes& out, const std::array<T, N>& v) {
    for (const T& item : v) writeField(out, item);
}

template <class T>
bool hasField(const T&) { return true; }
template <class T>
bool hasField(const std::optional<T>& v) { return v.has_value(); }

struct SettingRecord {
    RecordId id;
    /// Protection records are read as far as they go: no size is demanded of them.
    bool sizeChecked;
    std::size_t size;
    void (*read)(ByteReader&, SheetSettings&);
    void (*write)(Bytes&, const SheetSettings&);
    bool (*present)(const SheetSettings&);
};

template <RecordId Id, auto Member, bool Checked = true>
constexpr SettingRecord setting() {
    return {Id,
            Checked,
            fieldSize(SheetSettings{}.*Member),
            [](ByteReader& in, SheetSettings& s) { readField(in, s.*Member); },
            [](Bytes& out, const SheetSettings& s) { writeField(out, s.*Member); },
            [](const SheetSettings& s) { return hasField(s.*Member); }};
}

using S = SheetSettings;
constexpr SettingRecord kSettings[] = {
    setting<RecordId::CalcMode, &S::calcMode>(),
    setting<RecordId::CalcCount, &S::calcCount>(),
    setting<RecordId::CalcRefMode, &S::calcRefMode>(),
    setting<RecordId::CalcIter, &S::calcIter>(),
    setting<RecordId::CalcDelta, &S::calcDelta>(),
    setting<RecordId::CalcSaveRecalc, &S::calcSaveRecalc>(),
    setting<RecordId::PrintRowCol, &S::printRowCol>(),
    setting<RecordId::PrintGrid, &S::printGrid>(),
    setting<RecordId::GridSet, &S::gridSet>(),
    setting<RecordId::Guts, &S::guts>(),
    setting<RecordId::DefaultRowHeight, &S::defaultRowHeight>(),
    setting<RecordId::WsBool, &S::wsBool>(),
    setting<RecordId::DefColWidth, &S::defColWidth>(),
    setting<RecordId::Scl, &S::scl>(),
    setting<RecordId::Uncalced, &S::uncalced>(),
    setting<RecordId::Protect, &S::protect, false>(),
    setting<RecordId::Password, &S::password, false>(),
    setting<RecordId::ObjProtect, &S::objProtect, false>(),
    setting<RecordId::ScenarioProtect, &S::scenarioProtect, false>(),
};

const SettingRecord* findSetting(std::uint16_t id) {
    for (const SettingRecord& s : kSettings)
        if (raw(s.id) == id) return &s;
    return nullptr;
}

} // namespace

bool readSetting(SheetSettings& settings, const Record& record) {
    const SettingRecord* s = findSetting(record.id);
    if (!s) return false;
    if (s->sizeChecked && record.body.size() < s->size)
        throw xlerror(std::string(recordName(s->id)) + " size is incorrect");
    ByteReader in = record.reader();
    s->read(in, settings);
    return true;
}

void writeSetting(const SheetSettings& settings, RecordId id, RecordWriter& out) {
    const SettingRecord* s = findSetting(raw(id));
    if (!s || !s->present(settings)) return;
    Bytes body;
    s->write(body, settings);
    out.record(id, body);
}

} // namespace karvo
