// part_names.h - names of package parts: normal form, order, relationships, targets.
#pragma once

#include <string>
#include <string_view>

namespace karvo::xlsx {

/// The name a part is known by in the book: "/" separated, beginning with "/",
/// with backslashes turned into "/", empty and "." segments dropped and ".."
/// segments resolved. A ".." at the root is dropped: no name ever points above
/// the package.
std::u16string normalisePartName(std::u16string_view name);

/// Orders part names without regard to letter case, so that a lookup of
/// "/XL/Workbook.xml" finds "/xl/workbook.xml".
struct PartNameLess {
    using is_transparent = void;
    bool operator()(std::u16string_view a, std::u16string_view b) const;
};

/// Everything before the last "/" ("/xl" for "/xl/workbook.xml", "" for "/a.xml").
std::u16string_view folderOf(std::u16string_view partName);

/// The relationships part of a part: "/xl/_rels/workbook.xml.rels" for "/xl/workbook.xml".
std::u16string relationshipsPartName(std::u16string_view partName);

/// The part a relationship target names, seen from the folder of the part that
/// owns the relationship. Absolute targets ("/...") are taken from the root.
std::u16string resolveTarget(std::u16string_view folder, std::u16string_view target);

/// The target that names `partName` from `folder`: relative when the part lies
/// inside the folder, absolute otherwise.
std::u16string targetFor(std::u16string_view folder, std::u16string_view partName);

/// The target that names `partName` from `folder` relative to it, with ".." for
/// each folder to climb ("../media/image1.png" from "/xl/drawings").
std::u16string relativeTarget(std::u16string_view folder, std::u16string_view partName);

} // namespace karvo::xlsx
