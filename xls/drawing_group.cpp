// drawing_group.cpp - the blip store, the shape-id ledger and the MsoDrawingGroup record.
#include "xls/drawing_group.h"

#include <algorithm>
#include <map>

#include "core/xlerror.h"
#include "xls/office_art_blip.h"

namespace karvo {
namespace {

// Shape ids come in clusters of 1024; a shape's cluster is its id / 1024, and ids of
// cluster 0 are not used by drawings.
constexpr std::uint32_t kClusterSize = 1024;
// The format keeps shape ids below 0x03FFD7FF, so clusters stop short of 0xFFF6.
constexpr std::uint32_t kMaxCluster = 0x03FFD7FF / kClusterSize;
// A drawing id is an OfficeArtFDG's 12-bit instance.
constexpr std::uint16_t kMaxDrawingId = 0x0FFF;

// What a new drawing group holds besides its FDGG block: the default shape properties
// and the colours of the split menu, as the format's producers write them.
OfficeArtRecord defaultDggContainer() {
    std::vector<OfficeArtFOPTE> defaults = {
        {0x00BF, 0x00080008, {}}, // text booleans: fit shape to text
        {0x0181, 0x08000041, {}}, // fill colour: system colour 0x41
        {0x01C0, 0x08000040, {}}, // line colour: system colour 0x40
    };
    std::vector<std::uint8_t> colors;
    for (std::uint32_t c : {0x0800000Du, 0x0800000Cu, 0x08000017u, 0x100000F7u}) putLittle(colors, c, 4);
    return OfficeArtRecord::container(
        oart::kDggContainer, 0,
        {OfficeArtRecord::atom(oart::kFDGGBlock, 0, 0, {}), propertyTable(defaults),
         OfficeArtRecord::atom(oart::kSplitMenuColors, 0, 4, std::move(colors))});
}

// spidMax (one past the largest id), cidcl (clusters listed + 1), cspSaved, cdgSaved,
// then per cluster from 1 up the drawing that owns it and one past its largest id there.
std::vector<std::uint8_t> fdggBlock(const std::vector<DrawingIds>& drawings) {
    struct Cluster {
        std::uint32_t drawingId = 0;
        std::uint32_t used = 0;
    };
    std::map<std::uint32_t, Cluster> clusters;
    std::uint32_t spidMax = 0, shapes = 0, saved = 0;
    for (const DrawingIds& d : drawings) {
        if (d.shapeIds.empty()) continue;
        ++saved;
        for (std::uint32_t spid : d.shapeIds) {
            ++shapes;
            std::uint32_t cluster = spid / kClusterSize;
            if (cluster == 0 || cluster > kMaxCluster) continue;
            spidMax = std::max(spidMax, spid + 1);
            Cluster& c = clusters[cluster];
            c.drawingId = d.drawingId;
            c.used = std::max(c.used, spid % kClusterSize + 1);
        }
    }
    std::uint32_t count = clusters.empty() ? 0 : clusters.rbegin()->first;
    std::vector<std::uint8_t> data;
    for (std::uint32_t v : {spidMax, count + 1, shapes, saved}) putLittle(data, v, 4);
    for (std::uint32_t i = 1; i <= count; ++i) {
        auto it = clusters.find(i);
        Cluster c = it == clusters.end() ? Cluster{} : it->second;
        putLittle(data, c.drawingId, 4);
        putLittle(data, c.used, 4);
    }
    return data;
}

} // namespace

void DrawingGroup::clear() { *this = DrawingGroup(); }

void DrawingGroup::read(const Record& record, RecordReader& records) {
    RawRecord raw = RawRecord::take(record, records);
    pending_.insert(pending_.end(), raw.body.begin(), raw.body.end());
    for (const auto& part : raw.continues) pending_.insert(pending_.end(), part.begin(), part.end());
}

void DrawingGroup::finishLoad() {
    if (pending_.empty()) return;
    records_ = parseOfficeArt(pending_, "MsoDrawingGroup");
    pending_.clear();
    pending_.shrink_to_fit();
    OfficeArtRecord* dgg = dggContainer();
    OfficeArtRecord* store = dgg ? dgg->child(oart::kBStoreContainer) : nullptr;
    if (!store) return;
    for (const OfficeArtRecord& entry : store->children)
        if (entry.type == oart::kFBSE) checkFBSE(entry);
}

OfficeArtRecord* DrawingGroup::dggContainer() {
    for (OfficeArtRecord& r : records_)
        if (r.type == oart::kDggContainer) return &r;
    return nullptr;
}

OfficeArtRecord& DrawingGroup::ensureDggContainer() {
    if (OfficeArtRecord* dgg = dggContainer()) return *dgg;
    records_.push_back(defaultDggContainer());
    return records_.back();
}

const OfficeArtRecord* DrawingGroup::blipStore() const {
    for (const OfficeArtRecord& r : records_)
        if (r.type == oart::kDggContainer) return r.child(oart::kBStoreContainer);
    return nullptr;
}

OfficeArtRecord* DrawingGroup::fbse(int index) {
    auto* store = const_cast<OfficeArtRecord*>(blipStore());
    if (!store || index < 0) return nullptr;
    for (OfficeArtRecord& entry : store->children)
        if (entry.type == oart::kFBSE && index-- == 0) return &entry;
    return nullptr;
}

const OfficeArtRecord* DrawingGroup::fbse(int index) const { return const_cast<DrawingGroup*>(this)->fbse(index); }

int DrawingGroup::pictureCount() const {
    const OfficeArtRecord* store = blipStore();
    if (!store) return 0;
    return static_cast<int>(std::count_if(store->children.begin(), store->children.end(),
                                          [](const OfficeArtRecord& r) { return r.type == oart::kFBSE; }));
}

int DrawingGroup::addPicture(std::span<const std::uint8_t> data) {
    PictureType type = recognisePicture(data);
    if (type == PictureTypeError) throw xlerror("unknown picture format");
    OfficeArtRecord entry = makeFBSE(type, data);
    OfficeArtRecord& dgg = ensureDggContainer();
    OfficeArtRecord* store = dgg.child(oart::kBStoreContainer);
    if (!store) {
        // The store follows the FDGG block, before the default properties.
        auto at = dgg.children.begin() + (dgg.child(oart::kFDGGBlock) ? 1 : 0);
        store = &*dgg.children.insert(at, OfficeArtRecord::container(oart::kBStoreContainer, 0, {}));
    }
    store->children.push_back(std::move(entry));
    store->setInstance(static_cast<std::uint16_t>(store->children.size()));
    return pictureCount() - 1;
}

PictureType DrawingGroup::picture(int index, std::vector<std::uint8_t>& bytes) const {
    const OfficeArtRecord* entry = fbse(index);
    if (!entry) throw xlerror("index is out of range");
    PictureType type = blipImage(*entry, bytes);
    if (type == PictureTypeError) throw xlerror("unknown picture format");
    return type;
}

PixelSize DrawingGroup::pictureSize(int index) const {
    const OfficeArtRecord* entry = fbse(index);
    if (!entry) throw xlerror("pictureId is out of range");
    return blipSize(*entry);
}

void DrawingGroup::addReference(int index) {
    OfficeArtRecord* entry = fbse(index);
    if (!entry) throw xlerror("pictureId is out of range");
    std::uint32_t count = referenceCount(index) + 1;
    for (std::size_t i = 0; i < 4; ++i) entry->data[kFBSERefCountAt + i] = static_cast<std::uint8_t>(count >> (8 * i));
}

std::uint32_t DrawingGroup::referenceCount(int index) const {
    const OfficeArtRecord* entry = fbse(index);
    if (!entry) throw xlerror("pictureId is out of range");
    ByteReader in(std::span(entry->data).subspan(kFBSERefCountAt));
    return in.u32();
}

std::uint16_t DrawingGroup::claimDrawingId() {
    if (maxDrawingId_ >= kMaxDrawingId) throw xlerror("too many drawings in the workbook");
    return ++maxDrawingId_;
}

std::uint32_t DrawingGroup::claimCluster() {
    if (maxCluster_ >= kMaxCluster) throw xlerror("too many shapes in the workbook");
    return ++maxCluster_;
}

void DrawingGroup::noteDrawing(const DrawingIds& ids) {
    maxDrawingId_ = std::max<std::uint16_t>(maxDrawingId_, std::min(ids.drawingId, kMaxDrawingId));
    for (std::uint32_t spid : ids.shapeIds) maxCluster_ = std::max(maxCluster_, std::min(spid / kClusterSize, kMaxCluster));
}

void DrawingGroup::write(RecordWriter& out, const std::vector<DrawingIds>& drawings) {
    bool anyShapes = std::any_of(drawings.begin(), drawings.end(), [](const DrawingIds& d) { return !d.shapeIds.empty(); });
    if (records_.empty() && !anyShapes) return;
    OfficeArtRecord& dgg = ensureDggContainer();
    OfficeArtRecord* block = dgg.child(oart::kFDGGBlock);
    if (!block) block = &*dgg.children.insert(dgg.children.begin(), OfficeArtRecord::atom(oart::kFDGGBlock, 0, 0, {}));
    block->data = fdggBlock(drawings);
    std::vector<std::uint8_t> bytes;
    for (const OfficeArtRecord& r : records_) writeOfficeArt(r, bytes);
    out.record(RecordId::MsoDrawingGroup, bytes);
}

} // namespace karvo
