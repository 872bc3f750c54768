// drawing_group.h - the book's drawing group: the blip store of its pictures and the shape-id ledger.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/enums.h"
#include "xls/office_art.h"
#include "core/picture_info.h"
#include "xls/record_reader.h"
#include "xls/record_writer.h"

namespace karvo {

/// The shape ids one sheet drawing uses, and its drawing id (its OfficeArtFDG instance).
struct DrawingIds {
    std::uint16_t drawingId = 0;
    std::vector<std::uint32_t> shapeIds;
};

/// The OfficeArtDggContainer of the workbook globals. It owns the pictures of the book
/// (an OfficeArtFBSE with its blip each, in the blip store) and hands out the drawing
/// ids and shape-id clusters that sheet drawings use, so that ids never collide across
/// sheets. The OfficeArtFDGGBlock is rebuilt from the sheet drawings when the book is
/// written; what else the container holds is written back as read.
class DrawingGroup {
public:
    void clear();

    /// Takes an MsoDrawingGroup record and the CONTINUE records after it; the data of
    /// all of them forms one Office Art stream.
    void read(const Record& record, RecordReader& records);
    /// Parses what read() collected. Lengths that do not fit fail with "error in record
    /// <Class>", a blip store entry whose blip does not fill it exactly with "error in
    /// record OfficeArtFBSE", a blip too short for its header with "error in record
    /// OfficeArtBlipPNG" (and the like).
    void finishLoad();

    int pictureCount() const;
    /// Recognises the image, appends it to the blip store and returns its picture id;
    /// "unknown picture format" for data of no known type.
    int addPicture(std::span<const std::uint8_t> data);
    /// The image of a picture, as the store holds it (a WMF without its placeable
    /// header, a bitmap without its file header; a compressed metafile inflated).
    /// "index is out of range"; "unknown picture format" for a blip of another class.
    PictureType picture(int index, std::vector<std::uint8_t>& bytes) const;
    /// The picture's own size in pixels, for placing it scaled.
    PixelSize pictureSize(int index) const;
    /// One more placement of the picture.
    void addReference(int index);
    /// The placements the store counts for a picture.
    std::uint32_t referenceCount(int index) const;

    /// A drawing id and a cluster of 1024 shape ids no sheet uses yet.
    std::uint16_t claimDrawingId();
    std::uint32_t claimCluster();
    /// Marks the ids of a loaded (or copied) drawing as taken.
    void noteDrawing(const DrawingIds& ids);

    /// Writes the MsoDrawingGroup record (and its CONTINUE records) with an
    /// OfficeArtFDGGBlock that counts the shapes and clusters of `drawings`; nothing
    /// when the book has no drawing group and no drawings.
    void write(RecordWriter& out, const std::vector<DrawingIds>& drawings);

private:
    OfficeArtRecord* dggContainer();
    OfficeArtRecord& ensureDggContainer();
    const OfficeArtRecord* blipStore() const;
    OfficeArtRecord* fbse(int index);
    const OfficeArtRecord* fbse(int index) const;

    std::vector<std::uint8_t> pending_; ///< data of the records read, until finishLoad()
    std::vector<OfficeArtRecord> records_;
    std::uint32_t maxCluster_ = 0;
    std::uint16_t maxDrawingId_ = 0;
};

} // namespace karvo
