// book_pictures.cpp - BookImplT: the pictures of the book.
#include "core/file_io.h"
#include "core/xlerror.h"
#include "xls/book_impl.h"

namespace karvo {

int BookImplT::pictureCount() {
    message_.ok();
    return drawingGroup_.pictureCount();
}

PictureType BookImplT::pictureAt(int index, const char** data, std::size_t* size) {
    return runOperation(message_, PictureTypeError, [&] {
        PictureType type = drawingGroup_.picture(index, pictureBytes_);
        if (data) *data = reinterpret_cast<const char*>(pictureBytes_.data());
        if (size) *size = pictureBytes_.size();
        return type;
    });
}

int BookImplT::addPictureFile(const char16_t* filename) {
    return runOperation(message_, -1, [&] {
        FileBytes bytes = readWholeFile(filename, "can't open file");
        return drawingGroup_.addPicture(bytes);
    });
}

int BookImplT::addPictureData(const char* data, std::size_t size) {
    return runOperation(message_, -1, [&] {
        if (!data) throw xlerror("unknown picture format");
        return drawingGroup_.addPicture({reinterpret_cast<const std::uint8_t*>(data), size});
    });
}

std::vector<DrawingIds> BookImplT::sheetDrawingIds() const {
    std::vector<DrawingIds> ids;
    for (const auto& sheet : sheets_) {
        std::vector<DrawingIds> own = sheet->drawingIds();
        ids.insert(ids.end(), own.begin(), own.end());
    }
    return ids;
}

} // namespace karvo
