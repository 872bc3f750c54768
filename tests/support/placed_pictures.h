// placed_pictures.h - adding pictures to books and reading back where sheets place them.
#pragma once

#include <cstdint>
#include <ostream>
#include <vector>

#include "core/interfaces.h"

namespace karvo::testing {

inline int addPicture(IBook& book, const std::vector<std::uint8_t>& data) {
    return book.addPictureData(reinterpret_cast<const char*>(data.data()), data.size());
}

/// What a sheet's pictureAt tells of one placed picture.
struct Placed {
    int id, rowTop, colLeft, rowBottom, colRight, width, height, offsetX, offsetY;
    bool operator==(const Placed&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Placed& p) {
    return out << "id " << p.id << " " << p.rowTop << "," << p.colLeft << " to " << p.rowBottom << "," << p.colRight
               << " " << p.width << "x" << p.height << " +" << p.offsetX << "," << p.offsetY;
}

inline Placed placed(ISheet& sheet, int index) {
    Placed p{};
    p.id = sheet.pictureAt(index, &p.rowTop, &p.colLeft, &p.rowBottom, &p.colRight, &p.width, &p.height, &p.offsetX,
                           &p.offsetY);
    return p;
}

} // namespace karvo::testing
