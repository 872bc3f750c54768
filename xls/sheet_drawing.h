// sheet_drawing.h - a worksheet's drawing layer: its Office Art drawing, the records woven into it, its notes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/line_shift.h"
#include "xls/drawing_group.h"
#include "xls/drawing_objects.h"
#include "xls/office_art.h"
#include "xls/raw_record.h"
#include "xls/record_writer.h"

namespace karvo {

/// The drawing of a worksheet. In the sheet stream its Office Art data is spread over
/// MsoDrawing records (and CONTINUE records), cut after each shape's client data so that
/// the shape's Obj record, and after a text box its TxO record, follow it; an embedded
/// chart's substream follows its Obj. The drawing is held as one record tree whose
/// records carry the BIFF records that followed them, and is cut the same way when written.
class SheetDrawing {
public:
    /// The drawing-layer records of the sheet in file order, as the sheet loader meets
    /// them (MsoDrawing, Obj, TxO and Note records, embedded substreams); build() takes them.
    std::vector<RawRecord> loaded;

    /// Builds the drawing from `loaded`. A BIFF8 drawing whose records do not fit fails
    /// with "error in record <Class>". A BIFF5 sheet's objects have no BIFF8 form and are
    /// dropped; its notes are returned, to be made BIFF8 comments.
    std::vector<OldNote> build(bool biff5);
    void write(RecordWriter& out) const;

    /// The ids of this drawing and of the drawings of embedded charts.
    std::vector<DrawingIds> ids() const;
    /// Gives a copied drawing a drawing id and shape ids of its own.
    void renumber(DrawingGroup& group);

    struct Picture {
        int pictureId = 0;
        OfficeArtClientAnchorSheet anchor;
    };
    /// The pictures of the drawing's top group that show a blip of the store.
    std::vector<Picture> pictures() const;
    void addPicture(DrawingGroup& group, int pictureId, const OfficeArtClientAnchorSheet& anchor);

    const NoteEntry* note(int row, int col) const;
    const std::vector<NoteEntry>& notes() const { return notes_; }
    std::u16string noteText(const NoteEntry& note) const;
    /// Adds a comment: its note (whose idObj is filled in here), its text box shape with
    /// the anchor `box`, its Obj and its TxO.
    void addComment(DrawingGroup& group, NoteEntry note, std::u16string_view text,
                    const OfficeArtClientAnchorSheet& box);
    void removeComment(int row, int col);
    /// Moves the comments and shapes as their cells move. A comment goes with its cell,
    /// and its box moves by as much. A shape whose anchor cell goes, goes too; otherwise
    /// its anchor follows its cells as the anchor's flags say.
    void shift(const LineShift& lines);

private:
    OfficeArtRecord* dgContainer();
    const OfficeArtRecord* dgContainer() const;
    OfficeArtRecord* topGroup();
    const OfficeArtRecord* topGroup() const;
    OfficeArtRecord& ensureTopGroup(DrawingGroup& group);
    std::uint32_t nextShapeId(DrawingGroup& group);
    std::uint16_t newObjectId() const;
    OfficeArtRecord* commentShape(std::uint16_t idObj);
    /// Removes a note and its shape; changed() is left to the caller.
    void eraseNote(std::size_t index);
    void changed();

    std::vector<RawRecord> leading_;  ///< records before any drawing data
    std::vector<OfficeArtRecord> stream_;
    std::vector<RawRecord> trailing_; ///< MsoDrawingSelection, and records after all drawing data
    std::vector<NoteEntry> notes_;
};

/// The ids of the drawings in a sequence of records (a chart sheet's, an embedded
/// chart's): the Office Art data of each substream, read leniently.
std::vector<DrawingIds> drawingIdsIn(const std::vector<RawRecord>& records);

} // namespace karvo
