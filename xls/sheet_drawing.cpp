// sheet_drawing.cpp - reading, writing and changing a worksheet's drawing layer.
#include "xls/sheet_drawing.h"

#include <algorithm>
#include <array>
#include <map>
#include <set>

#include "core/xlerror.h"

namespace karvo {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kClusterSize = 1024;
// Shape types (an OfficeArtFSP's instance) of what the library adds.
constexpr std::uint16_t kGroupShapeType = 0;
constexpr std::uint16_t kPictureFrame = 75;
constexpr std::uint16_t kTextBox = 202;
// A picture's anchor moves with its cells; a comment's box also resizes with them.
constexpr std::uint16_t kPictureAnchorFlags = 2;

// The properties of a comment box as Excel writes them: pale yellow fill and a shadow
// in the system tooltip colour, text fitted to the box, hidden until the cell is
// pointed at.
std::vector<OfficeArtFOPTE> commentProperties() {
    return {
        {0x0080, 0, {}},          // lTxid
        {0x008B, 2, {}},          // txdir: from context
        {0x00BF, 0x00080008, {}}, // text booleans: fit shape to text
        {0x0158, 0, {}},          // cxk: no connection sites
        {0x0181, 0x08000050, {}}, // fill colour: system tooltip background
        {0x0183, 0x08000050, {}}, // fill back colour: the same
        {0x01BF, 0x00100010, {}}, // fill booleans: no fill hit test
        {0x0201, 0, {}},          // shadow colour: black
        {0x023F, 0x00030003, {}}, // shadow booleans: shadow, obscured
        {0x03BF, 0x00020002, {}}, // group booleans: hidden
    };
}

template <class Fn>
void forEachRecord(std::vector<OfficeArtRecord>& records, Fn&& fn) {
    for (OfficeArtRecord& r : records) {
        fn(r);
        forEachRecord(r.children, fn);
    }
}

template <class Fn>
void forEachRecord(const std::vector<OfficeArtRecord>& records, Fn&& fn) {
    forEachRecord(const_cast<std::vector<OfficeArtRecord>&>(records), [&](const OfficeArtRecord& r) { fn(r); });
}

std::vector<std::uint32_t> shapeIdsOf(const OfficeArtRecord& dg) {
    std::vector<std::uint32_t> ids;
    forEachRecord(dg.children, [&](const OfficeArtRecord& r) {
        if (r.type == oart::kFSP)
            if (auto fsp = OfficeArtFSP::read(r)) ids.push_back(fsp->spid);
    });
    return ids;
}

std::vector<DrawingIds> idsOfStream(const std::vector<OfficeArtRecord>& stream) {
    std::vector<DrawingIds> out;
    for (const OfficeArtRecord& r : stream)
        if (r.type == oart::kDgContainer) {
            const OfficeArtRecord* fdg = r.child(oart::kFDG);
            out.push_back(DrawingIds{fdg ? fdg->instance() : std::uint16_t(0), shapeIdsOf(r)});
        }
    return out;
}

// The first record of a BIFF id that follows one of the shape's records.
template <class Shape>
auto* shapeRecord(Shape& sp, std::uint16_t id) {
    for (auto& child : sp.children)
        for (auto& r : child.after)
            if (r.id == id) return &r;
    return static_cast<decltype(&sp.children.front().after.front())>(nullptr);
}

template <class Group>
auto* findShape(Group* top, std::uint16_t idObj) {
    using Shape = std::remove_reference_t<decltype(top->children.front())>;
    if (!top) return static_cast<Shape*>(nullptr);
    for (auto& sp : top->children) {
        auto* obj = shapeRecord(sp, raw(RecordId::Obj));
        if (!obj) continue;
        std::optional<ObjCommon> common = readObjCommon(*obj);
        if (common && common->id == idObj) return &sp;
    }
    return static_cast<Shape*>(nullptr);
}

void append(Bytes& to, const RawRecord& r) {
    to.insert(to.end(), r.body.begin(), r.body.end());
    for (const Bytes& part : r.continues) to.insert(to.end(), part.begin(), part.end());
}

// An attached record and the offset in the Office Art data where it stood.
struct Attached {
    std::size_t at;
    RawRecord record;
};

// Hands each record to the innermost record that ends where it stood (or, in a file
// cut oddly, to the first that ends after it); children come before their container,
// so a shape's client data wins over the shape.
void attach(std::vector<OfficeArtRecord>& records, std::size_t& pos, std::vector<Attached>::iterator& next,
            std::vector<Attached>::iterator end) {
    for (OfficeArtRecord& r : records) {
        if (r.isContainer()) {
            pos += oart::kHeaderSize;
            attach(r.children, pos, next, end);
        } else {
            pos += r.size();
        }
        for (; next != end && next->at <= pos; ++next) r.after.push_back(std::move(next->record));
    }
}

void flush(Bytes& pending, RecordWriter& out) {
    if (pending.empty()) return;
    out.record(RecordId::MsoDrawing, pending);
    pending.clear();
}

// Writes the record into the pending MsoDrawing data; a record followed by BIFF records
// ends the MsoDrawing record there.
void writeCut(const OfficeArtRecord& r, Bytes& pending, RecordWriter& out) {
    putLittle(pending, r.verInst, 2);
    putLittle(pending, r.type, 2);
    putLittle(pending, r.size() - oart::kHeaderSize, 4);
    if (r.isContainer())
        for (const OfficeArtRecord& c : r.children) writeCut(c, pending, out);
    else
        pending.insert(pending.end(), r.data.begin(), r.data.end());
    if (r.after.empty()) return;
    flush(pending, out);
    for (const RawRecord& a : r.after) a.write(out);
}

void collectIds(const Bytes& art, std::vector<DrawingIds>& out) {
    if (art.empty()) return;
    try {
        std::vector<DrawingIds> ids = idsOfStream(parseOfficeArt(art, "MsoDrawing"));
        out.insert(out.end(), ids.begin(), ids.end());
    } catch (const xlerror&) {
        // Ids are only counted here; a drawing that does not parse counts none.
    }
}

// The anchor of a shape of the top group; a group's is that of its own first shape.
OfficeArtRecord* clientAnchor(OfficeArtRecord& sp) {
    if (sp.type == oart::kSpgrContainer)
        return sp.children.empty() ? nullptr : sp.children.front().child(oart::kClientAnchor);
    return sp.child(oart::kClientAnchor);
}

// An anchor's first and last lines in the shifted direction.
AnchorLines linesOf(const OfficeArtClientAnchorSheet& a, bool rows) {
    return {rows ? a.rwT : a.colL, rows ? a.rwB : a.colR};
}

void setLines(OfficeArtClientAnchorSheet& a, bool rows, const AnchorLines& span) {
    (rows ? a.rwT : a.colL) = static_cast<std::uint16_t>(span.start);
    (rows ? a.rwB : a.colR) = static_cast<std::uint16_t>(span.end);
    if (span.endOffsetCleared) (rows ? a.dyB : a.dxR) = 0;
}

// A comment's box moves with the comment's cell, not its own: `delta` lines, its size kept.
void moveBy(OfficeArtClientAnchorSheet& a, const LineShift& lines, int delta) {
    setLines(a, lines.rows, moveWhole(linesOf(a, lines.rows), delta, lines.max));
}

// Anchor flags: the shape stays where it is when cells move, or it moves without
// being resized.
constexpr std::uint16_t kAnchorStays = 0x1;
constexpr std::uint16_t kAnchorKeepsSize = 0x2;

// Moves an anchor as its cells move; false when its top-left cell goes.
bool follow(OfficeArtClientAnchorSheet& a, const LineShift& lines) {
    AnchorMove how = (a.flags & kAnchorStays)       ? AnchorMove::Stays
                     : (a.flags & kAnchorKeepsSize) ? AnchorMove::KeepsSize
                                                    : AnchorMove::Resizes;
    std::optional<AnchorLines> span = followLines(linesOf(a, lines.rows), how, lines);
    if (span) setLines(a, lines.rows, *span);
    return span.has_value();
}

} // namespace

std::vector<DrawingIds> drawingIdsIn(const std::vector<RawRecord>& records) {
    std::vector<DrawingIds> out;
    std::vector<Bytes> levels(1);
    std::uint16_t last = 0;
    for (const RawRecord& r : records) {
        bool drawingData = r.id == raw(RecordId::MsoDrawing) ||
                           (r.id == raw(RecordId::Continue) &&
                            (last == raw(RecordId::MsoDrawing) || last == raw(RecordId::Obj)));
        if (r.id == raw(RecordId::BOF)) levels.emplace_back();
        if (r.id == raw(RecordId::EOF_) && levels.size() > 1) {
            collectIds(levels.back(), out);
            levels.pop_back();
        }
        if (drawingData) append(levels.back(), r);
        if (r.id == raw(RecordId::Obj))
            for (const Bytes& part : r.continues) levels.back().insert(levels.back().end(), part.begin(), part.end());
        if (r.id != raw(RecordId::Continue)) last = r.id;
    }
    for (const Bytes& level : levels) collectIds(level, out);
    return out;
}

std::vector<OldNote> SheetDrawing::build(bool biff5) {
    std::vector<RawRecord> records = std::move(loaded);
    loaded.clear();
    if (biff5) {
        std::erase_if(records, [](const RawRecord& r) { return r.id != raw(RecordId::Note); });
        return readOldNotes(records);
    }
    Bytes art;
    std::vector<Attached> attached;
    for (RawRecord& r : records) {
        switch (static_cast<RecordId>(r.id)) {
        case RecordId::MsoDrawing: append(art, r); break;
        case RecordId::Obj:
            // CONTINUE records after an Obj carry on the drawing, not the Obj. So an Obj
            // must fit one record: what a longer one holds past that would come back as
            // drawing data.
            for (const Bytes& part : r.continues) art.insert(art.end(), part.begin(), part.end());
            r.continues.clear();
            if (r.body.size() > kMaxRecordBody) r.body.resize(kMaxRecordBody);
            attached.push_back({art.size(), std::move(r)});
            break;
        case RecordId::Note: notes_.push_back(readNote(r)); break;
        case RecordId::MsoDrawingSelection: trailing_.push_back(std::move(r)); break;
        default: attached.push_back({art.size(), std::move(r)});
        }
    }
    stream_ = parseOfficeArt(art, "MsoDrawing");
    forEachRecord(stream_, [](const OfficeArtRecord& r) {
        if (r.type == oart::kFOPT || r.type == 0xF121 || r.type == 0xF122) readProperties(r);
    });
    auto next = attached.begin();
    for (; next != attached.end() && next->at == 0; ++next) leading_.push_back(std::move(next->record));
    std::size_t pos = 0;
    attach(stream_, pos, next, attached.end());
    for (; next != attached.end(); ++next) trailing_.push_back(std::move(next->record));
    return {};
}

void SheetDrawing::write(RecordWriter& out) const {
    for (const RawRecord& r : leading_) r.write(out);
    Bytes pending;
    for (const OfficeArtRecord& r : stream_) writeCut(r, pending, out);
    flush(pending, out);
    for (const RawRecord& r : trailing_) r.write(out);
    for (const NoteEntry& n : notes_) noteRecord(n).write(out);
}

std::vector<DrawingIds> SheetDrawing::ids() const {
    std::vector<DrawingIds> out = idsOfStream(stream_);
    std::vector<RawRecord> woven = leading_;
    forEachRecord(stream_, [&](const OfficeArtRecord& r) { woven.insert(woven.end(), r.after.begin(), r.after.end()); });
    std::vector<DrawingIds> embedded = drawingIdsIn(woven);
    out.insert(out.end(), embedded.begin(), embedded.end());
    return out;
}

void SheetDrawing::renumber(DrawingGroup& group) {
    OfficeArtRecord* dg = dgContainer();
    if (!dg) return;
    if (OfficeArtRecord* fdg = dg->child(oart::kFDG)) fdg->setInstance(group.claimDrawingId());
    std::map<std::uint32_t, std::uint32_t> clusters;
    forEachRecord(dg->children, [&](OfficeArtRecord& r) {
        std::optional<OfficeArtFSP> fsp = r.type == oart::kFSP ? OfficeArtFSP::read(r) : std::nullopt;
        if (!fsp) return;
        auto [it, fresh] = clusters.try_emplace(fsp->spid / kClusterSize, 0);
        if (fresh) it->second = group.claimCluster();
        fsp->spid = it->second * kClusterSize + fsp->spid % kClusterSize;
        r.data = fsp->record(r.instance()).data;
    });
    changed();
}

// ---- structure ----

OfficeArtRecord* SheetDrawing::dgContainer() {
    for (OfficeArtRecord& r : stream_)
        if (r.type == oart::kDgContainer) return &r;
    return nullptr;
}

const OfficeArtRecord* SheetDrawing::dgContainer() const { return const_cast<SheetDrawing*>(this)->dgContainer(); }

OfficeArtRecord* SheetDrawing::topGroup() {
    OfficeArtRecord* dg = dgContainer();
    return dg ? dg->child(oart::kSpgrContainer) : nullptr;
}

const OfficeArtRecord* SheetDrawing::topGroup() const { return const_cast<SheetDrawing*>(this)->topGroup(); }

// A sheet without a drawing gets one with a new drawing id; a drawing without a top
// group gets one whose first shape is the group shape itself.
OfficeArtRecord& SheetDrawing::ensureTopGroup(DrawingGroup& group) {
    if (!dgContainer()) {
        Bytes counts(8, 0);
        stream_.push_back(OfficeArtRecord::container(
            oart::kDgContainer, 0, {OfficeArtRecord::atom(oart::kFDG, 0, group.claimDrawingId(), counts)}));
    }
    if (OfficeArtRecord* top = topGroup()) return *top;
    OfficeArtFSP fsp{nextShapeId(group), OfficeArtFSP::kGroup | OfficeArtFSP::kPatriarch};
    OfficeArtRecord groupShape = OfficeArtRecord::container(
        oart::kSpContainer, 0, {OfficeArtRecord::atom(oart::kFSPGR, 1, 0, Bytes(16, 0)), fsp.record(kGroupShapeType)});
    OfficeArtRecord* dg = dgContainer();
    auto at = dg->children.begin() + (dg->child(oart::kFDG) ? 1 : 0);
    dg->children.insert(at, OfficeArtRecord::container(oart::kSpgrContainer, 0, {std::move(groupShape)}));
    return *topGroup();
}

// The next id of the drawing's cluster, or the first of a new cluster when the drawing
// has none or its cluster is full.
std::uint32_t SheetDrawing::nextShapeId(DrawingGroup& group) {
    const OfficeArtRecord* dg = dgContainer();
    std::vector<std::uint32_t> ids = dg ? shapeIdsOf(*dg) : std::vector<std::uint32_t>{};
    std::uint32_t next = ids.empty() ? 0 : *std::max_element(ids.begin(), ids.end()) + 1;
    if (next % kClusterSize == 0) next = group.claimCluster() * kClusterSize;
    return next;
}

// Object ids come from one counter for all books of the process; an id the sheet
// already uses (one read from its file) is passed over, as is 0.
std::uint16_t SheetDrawing::newObjectId() const {
    static std::uint16_t counter = 0;
    std::set<std::uint16_t> used;
    for (const NoteEntry& n : notes_) used.insert(n.idObj);
    auto note = [&](const RawRecord& r) {
        if (r.id != raw(RecordId::Obj)) return;
        if (auto common = readObjCommon(r)) used.insert(common->id);
    };
    for (const RawRecord& r : leading_) note(r);
    forEachRecord(stream_, [&](const OfficeArtRecord& r) { std::for_each(r.after.begin(), r.after.end(), note); });
    for (int tries = 0; tries <= 0xFFFF; ++tries)
        if (++counter != 0 && !used.contains(counter)) return counter;
    throw xlerror("too many objects on the sheet");
}

// The FDG counts the shapes again. The selection of shapes that Excel saves is let go:
// it names shapes by id, and readers that gather the notes right after the drawing
// stop at it.
void SheetDrawing::changed() {
    std::erase_if(trailing_, [](const RawRecord& r) { return r.id == raw(RecordId::MsoDrawingSelection); });
    OfficeArtRecord* dg = dgContainer();
    OfficeArtRecord* fdg = dg ? dg->child(oart::kFDG) : nullptr;
    if (!fdg) return;
    std::vector<std::uint32_t> ids = shapeIdsOf(*dg);
    fdg->data.clear();
    putLittle(fdg->data, ids.size(), 4);
    putLittle(fdg->data, ids.empty() ? 0 : *std::max_element(ids.begin(), ids.end()), 4);
}

// ---- pictures ----

std::vector<SheetDrawing::Picture> SheetDrawing::pictures() const {
    std::vector<Picture> out;
    const OfficeArtRecord* top = topGroup();
    if (!top) return out;
    for (const OfficeArtRecord& sp : top->children) {
        const OfficeArtRecord* fopt = sp.child(oart::kFOPT);
        const OfficeArtRecord* anchorRecord = sp.child(oart::kClientAnchor);
        if (!fopt || !anchorRecord) continue;
        std::optional<OfficeArtClientAnchorSheet> anchor = OfficeArtClientAnchorSheet::read(*anchorRecord);
        for (const OfficeArtFOPTE& e : readProperties(*fopt))
            if (anchor && e.id() == prop::kPib && e.op > 0 && e.op <= 0x7FFFFFFF)
                out.push_back(Picture{static_cast<int>(e.op) - 1, *anchor});
    }
    return out;
}

void SheetDrawing::addPicture(DrawingGroup& group, int pictureId, const OfficeArtClientAnchorSheet& anchor) {
    OfficeArtRecord& top = ensureTopGroup(group);
    OfficeArtFSP fsp{nextShapeId(group), OfficeArtFSP::kHaveAnchor | OfficeArtFSP::kHaveSpt};
    // The blip's name property holds "3" as two UTF-16 units with its terminator.
    std::vector<OfficeArtFOPTE> props = {
        {prop::kPib | OfficeArtFOPTE::kBlipId, static_cast<std::uint32_t>(pictureId + 1), {}},
        {prop::kPibName | OfficeArtFOPTE::kBlipId | OfficeArtFOPTE::kComplex, 4, {'3', 0, 0, 0}},
    };
    OfficeArtClientAnchorSheet placed = anchor;
    placed.flags = kPictureAnchorFlags;
    OfficeArtRecord data = OfficeArtRecord::atom(oart::kClientData, 0, 0, {});
    data.after.push_back(pictureObj(newObjectId()));
    top.children.push_back(OfficeArtRecord::container(
        oart::kSpContainer, 0, {fsp.record(kPictureFrame), propertyTable(props), placed.record(), std::move(data)}));
    changed();
}

// ---- comments ----

const NoteEntry* SheetDrawing::note(int row, int col) const {
    for (const NoteEntry& n : notes_)
        if (n.row == row && n.col == col) return &n;
    return nullptr;
}

std::u16string SheetDrawing::noteText(const NoteEntry& note) const {
    const OfficeArtRecord* sp = findShape(topGroup(), note.idObj);
    const RawRecord* txo = sp ? shapeRecord(*sp, raw(RecordId::TxO)) : nullptr;
    return txo ? textObjectText(*txo) : std::u16string();
}

void SheetDrawing::addComment(DrawingGroup& group, NoteEntry note, std::u16string_view text,
                              const OfficeArtClientAnchorSheet& box) {
    OfficeArtRecord& top = ensureTopGroup(group);
    OfficeArtFSP fsp{nextShapeId(group), OfficeArtFSP::kHaveAnchor | OfficeArtFSP::kHaveSpt};
    note.idObj = newObjectId();
    // The note's identifier only has to differ between notes of the sheet.
    std::array<std::uint8_t, 16> guid{};
    for (std::size_t i = 0; i < 4; ++i) guid[i] = static_cast<std::uint8_t>(fsp.spid >> (8 * i));
    guid[4] = static_cast<std::uint8_t>(note.idObj), guid[5] = static_cast<std::uint8_t>(note.idObj >> 8);
    OfficeArtRecord data = OfficeArtRecord::atom(oart::kClientData, 0, 0, {});
    data.after.push_back(noteObj(note.idObj, guid));
    OfficeArtRecord textbox = OfficeArtRecord::atom(oart::kClientTextbox, 0, 0, {});
    textbox.after.push_back(textObject(text));
    top.children.push_back(OfficeArtRecord::container(
        oart::kSpContainer, 0,
        {fsp.record(kTextBox), propertyTable(commentProperties()), box.record(), std::move(data), std::move(textbox)}));
    notes_.push_back(std::move(note));
    changed();
}

OfficeArtRecord* SheetDrawing::commentShape(std::uint16_t idObj) { return findShape(topGroup(), idObj); }

void SheetDrawing::eraseNote(std::size_t index) {
    if (OfficeArtRecord* sp = commentShape(notes_[index].idObj)) {
        OfficeArtRecord* top = topGroup();
        top->children.erase(top->children.begin() + (sp - top->children.data()));
    }
    notes_.erase(notes_.begin() + static_cast<std::ptrdiff_t>(index));
}

void SheetDrawing::removeComment(int row, int col) {
    for (std::size_t i = 0; i < notes_.size(); ++i)
        if (notes_[i].row == row && notes_[i].col == col) {
            eraseNote(i);
            changed();
            return;
        }
}

void SheetDrawing::shift(const LineShift& lines) {
    // How far each remaining comment moved, by the id of its shape.
    std::map<std::uint16_t, int> noteMoves;
    for (std::size_t i = 0; i < notes_.size();) {
        NoteEntry& n = notes_[i];
        std::uint16_t& at = lines.rows ? n.row : n.col;
        std::optional<int> to = lines.place(at);
        if (!to) {
            eraseNote(i);
            continue;
        }
        noteMoves[n.idObj] = *to - at;
        at = static_cast<std::uint16_t>(*to);
        ++i;
    }
    if (OfficeArtRecord* top = topGroup())
        std::erase_if(top->children, [&](OfficeArtRecord& sp) {
            OfficeArtRecord* anchorRecord = clientAnchor(sp);
            std::optional<OfficeArtClientAnchorSheet> box =
                anchorRecord ? OfficeArtClientAnchorSheet::read(*anchorRecord) : std::nullopt;
            if (!box) return false;
            const RawRecord* obj = shapeRecord(sp, raw(RecordId::Obj));
            std::optional<ObjCommon> common = obj ? readObjCommon(*obj) : std::nullopt;
            auto note = common ? noteMoves.find(common->id) : noteMoves.end();
            if (note != noteMoves.end()) moveBy(*box, lines, note->second);
            else if (!follow(*box, lines)) return true;
            anchorRecord->data = box->record().data;
            return false;
        });
    changed();
}

} // namespace karvo
