// xml_sheet_features.cpp - XMLSheetImplT: the sheet features of Open XML books that
// are not available yet (pictures). Each answers "not supported" with its failure value.
#include "xlsx/not_supported.h"
#include "xlsx/xml_sheet_impl.h"

namespace karvo::xlsx {

int XMLSheetImplT::pictureCount() { return notSupported(message_, 0); }
int XMLSheetImplT::pictureAt(int, int*, int*, int*, int*, int*, int*, int*, int*) { return notSupported(message_, -1); }
void XMLSheetImplT::placePictureScaled(int, int, int, double, int, int) { notSupported(message_, 0); }
void XMLSheetImplT::placePictureSized(int, int, int, int, int, int, int) { notSupported(message_, 0); }

} // namespace karvo::xlsx
