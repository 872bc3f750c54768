// external_refs.h - external-reference groups (SupBook and what follows it).
#pragma once

#include <cstdint>
#include <vector>

#include "xls/raw_record.h"

namespace karvo {

/// One entry of an ExternSheet list: a SupBook and a range of its sheets.
struct Xti {
    std::uint16_t supBook = 0;
    std::uint16_t firstSheet = 0;
    std::uint16_t lastSheet = 0;
    bool operator==(const Xti&) const = default;
};

/// A SupBook record with the ExternName, XCT, CRN and further SupBook records that
/// follow it, and the ExternSheet list when one came among them. Formulas and
/// defined names refer to sheets through the XTI list.
struct ExternalGroup {
    std::vector<std::uint8_t> supBook;
    std::vector<RawRecord> records;
    bool hasExternSheet = false;
    std::vector<Xti> xti;

    /// Reads the group that `supBook` starts; stops before the first record of another kind.
    static ExternalGroup read(const Record& supBook, RecordReader& records);
    void write(RecordWriter& out) const;
};

} // namespace karvo
