// part_names.cpp - names of package parts.
#include "xlsx/part_names.h"

#include <vector>

#include "core/text_compare.h"

namespace karvo::xlsx {

std::u16string normalisePartName(std::u16string_view name) {
    std::vector<std::u16string_view> segments;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find_first_of(u"/\\", start);
        if (end == std::u16string_view::npos) end = name.size();
        std::u16string_view segment = name.substr(start, end - start);
        if (segment == u"..") {
            if (!segments.empty()) segments.pop_back();
        } else if (!segment.empty() && segment != u".") {
            segments.push_back(segment);
        }
        start = end + 1;
    }
    std::u16string normal;
    normal.reserve(name.size() + 1);
    for (std::u16string_view segment : segments) {
        normal += u'/';
        normal += segment;
    }
    return normal.empty() ? std::u16string(u"/") : normal;
}

bool PartNameLess::operator()(std::u16string_view a, std::u16string_view b) const {
    return compareTextIgnoringCase(a, b) < 0;
}

std::u16string_view folderOf(std::u16string_view partName) {
    std::size_t slash = partName.rfind(u'/');
    return slash == std::u16string_view::npos ? std::u16string_view() : partName.substr(0, slash);
}

std::u16string relationshipsPartName(std::u16string_view partName) {
    std::u16string_view folder = folderOf(partName);
    std::u16string name(folder);
    name += u"/_rels/";
    name += partName.substr(std::min(partName.size(), folder.size() + 1));
    name += u".rels";
    return name;
}

std::u16string resolveTarget(std::u16string_view folder, std::u16string_view target) {
    if (!target.empty() && (target.front() == u'/' || target.front() == u'\\')) return normalisePartName(target);
    std::u16string joined(folder);
    joined += u'/';
    joined += target;
    return normalisePartName(joined);
}

std::u16string targetFor(std::u16string_view folder, std::u16string_view partName) {
    if (partName.size() > folder.size() && partName.substr(0, folder.size()) == folder &&
        partName[folder.size()] == u'/')
        return std::u16string(partName.substr(folder.size() + 1));
    return std::u16string(partName);
}

std::u16string relativeTarget(std::u16string_view folder, std::u16string_view partName) {
    auto segments = [](std::u16string_view name) {
        std::vector<std::u16string_view> list;
        for (std::size_t start = 1; start <= name.size();) {
            std::size_t end = std::min(name.find(u'/', start), name.size());
            list.push_back(name.substr(start, end - start));
            start = end + 1;
        }
        return list;
    };
    std::vector<std::u16string_view> from = segments(folder), to = segments(partName);
    std::size_t common = 0;
    while (common < from.size() && common + 1 < to.size() && from[common] == to[common]) ++common;
    std::u16string target;
    for (std::size_t i = common; i < from.size(); ++i) target += u"../";
    for (std::size_t i = common; i < to.size(); ++i) target += (i > common ? u"/" : u"") + std::u16string(to[i]);
    return target;
}

} // namespace karvo::xlsx
