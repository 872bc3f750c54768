// ooxml_roots.h - the seven root classes of the XML parts, by root element name,
// with the round trip that tests, tools and fuzz targets share.
#pragma once

#include <string>
#include <string_view>

#include "xlsx/ooxml/dml-spreadsheetDrawing.h"
#include "xlsx/ooxml/opc-contentTypes.h"
#include "xlsx/ooxml/opc-relationships.h"
#include "xlsx/ooxml/sml-sharedStringTable.h"
#include "xlsx/ooxml/sml-sheet.h"
#include "xlsx/ooxml/sml-styles.h"
#include "xlsx/ooxml/sml-workbook.h"

namespace karvo::testing {

/// What a round trip of one part did: the first unmarshal's result and report, the
/// text marshalled from it, and whether the text unmarshalled again (from the
/// marshalled text, and from a deep copy) marshals to the same bytes.
struct RoundTrip {
    lmx::elmx_error code = lmx::ELMX_OK;
    std::string report;
    std::string marshalled;
    bool stable = false;
    bool copyStable = false;
};

template <class Root>
RoundTrip roundTripAs(std::string_view xml) {
    RoundTrip result;
    Root first;
    lmx::c_error error;
    result.code = first.unmarshal(xml.data(), xml.data() + xml.size(), &error);
    if (result.code) {
        result.report = error.report();
        return result;
    }
    if (first.marshal(result.marshalled, &error)) {
        result.report = error.report();
        return result;
    }
    Root second;
    std::string again;
    if (second.unmarshal(result.marshalled.data(), result.marshalled.data() + result.marshalled.size(), &error)) {
        result.report = "marshalled text does not read back:\n" + error.report();
        return result;
    }
    second.marshal(again);
    result.stable = again == result.marshalled;
    std::unique_ptr<Root> copy(first.clone());
    std::string copied;
    copy->marshal(copied);
    result.copyStable = copied == result.marshalled;
    return result;
}

/// The round trip of a part whose root element is `root`; false when no class
/// has that root.
inline bool roundTrip(std::string_view root, std::string_view xml, RoundTrip& result) {
    if (root == "Types") result = roundTripAs<contentypes::c_Types>(xml);
    else if (root == "Relationships") result = roundTripAs<relationships::c_Relationships>(xml);
    else if (root == "workbook") result = roundTripAs<workbook::c_workbook>(xml);
    else if (root == "worksheet") result = roundTripAs<sheet::c_worksheet>(xml);
    else if (root == "sst") result = roundTripAs<sharedStringTable::c_sst>(xml);
    else if (root == "styleSheet") result = roundTripAs<styles::c_styleSheet>(xml);
    else if (root == "wsDr") result = roundTripAs<drawing::c_wsDr>(xml);
    else return false;
    return true;
}

} // namespace karvo::testing
