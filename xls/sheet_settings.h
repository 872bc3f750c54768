// sheet_settings.h - the sheet's fixed-layout setting records, read and written through one table.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "xls/record_reader.h"
#include "xls/record_writer.h"

namespace karvo {

/// The calculation, print, outline, width, zoom and protection settings of a sheet:
/// each one record of fixed layout. The initial values are a new sheet's.
struct SheetSettings {
    std::uint16_t calcMode = 1;
    std::uint16_t calcCount = 100;
    std::uint16_t calcRefMode = 1;
    std::uint16_t calcIter = 0;
    double calcDelta = 0.001;
    std::uint16_t calcSaveRecalc = 1;
    std::uint16_t printRowCol = 0;
    std::uint16_t printGrid = 0;
    std::uint16_t gridSet = 1;
    /// dxRwGut, dyColGut, iLevelRwMac, iLevelColMac.
    std::array<std::uint16_t, 4> guts{};
    /// Option flags and the height in twips of rows without a Row record.
    std::array<std::uint16_t, 2> defaultRowHeight{0, 255};
    std::uint16_t wsBool = 0x04C1;
    std::uint16_t defColWidth = 8;
    /// Zoom as numerator and denominator.
    std::array<std::int16_t, 2> scl{100, 100};
    std::optional<std::uint16_t> uncalced;
    std::optional<std::uint16_t> protect;
    std::optional<std::uint16_t> password;
    std::optional<std::uint16_t> objProtect;
    std::optional<std::uint16_t> scenarioProtect;

    bool operator==(const SheetSettings&) const = default;
};

/// Reads a setting record into `settings`; false when the id is not one of them.
/// A body of the wrong size fails with "<Name> size is incorrect".
bool readSetting(SheetSettings& settings, const Record& record);

/// Writes one setting record; an optional setting the sheet does not have is skipped.
void writeSetting(const SheetSettings& settings, RecordId id, RecordWriter& out);

} // namespace karvo
