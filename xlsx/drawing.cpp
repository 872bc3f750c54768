// drawing.cpp - a drawing part: reading picture anchors and adding them.
#include "xlsx/drawing.h"

#include <algorithm>
#include <limits>

namespace karvo::xlsx {

using namespace drawing;

namespace {

// Offsets are stored in English metric units; a pixel at 96 per inch is 9525 of them.
constexpr std::int64_t kEmuPerPixel = 9525;

// The element index of twoCellAnchor in the drawing's choice of anchors.
constexpr std::uint16_t kTwoCellAnchor = 0;

// Where and how large consumers first show a new picture's frame, before the anchor
// moves it into place: the values they write themselves.
constexpr std::int64_t kFrameX = 685800, kFrameY = 904875, kFrameExtent = 1219370;

// To the nearest pixel: producers that measure in other units store offsets a few
// EMU short of a whole pixel.
int pixels(std::int64_t emu) {
    constexpr std::int64_t kMax = std::numeric_limits<int>::max(), kMin = std::numeric_limits<int>::min();
    const std::int64_t half = emu < 0 ? -kEmuPerPixel / 2 : kEmuPerPixel / 2;
    const std::int64_t rounded = emu / kEmuPerPixel + (emu % kEmuPerPixel + half) / kEmuPerPixel;
    return static_cast<int>(std::clamp<std::int64_t>(rounded, kMin, kMax));
}

CellPoint pointOf(const c_CT_Marker& marker) {
    return {marker.col, pixels(marker.colOff), marker.row, pixels(marker.rowOff)};
}

c_CT_Marker markerOf(const CellPoint& point) {
    c_CT_Marker marker;
    marker.col = point.col;
    marker.colOff = point.colOffset * kEmuPerPixel;
    marker.row = point.row;
    marker.rowOff = point.rowOffset * kEmuPerPixel;
    return marker;
}

template <class Owned>
void takeId(const Owned& nonVisual, std::uint32_t& largest) {
    if (nonVisual && nonVisual->cNvPr) largest = std::max(largest, nonVisual->cNvPr->id);
}

// The largest id of the objects an anchor of any kind holds.
template <class Anchor>
std::uint32_t largestIdIn(const Anchor& anchor) {
    std::uint32_t largest = 0;
    if (anchor.pic) takeId(anchor.pic->nvPicPr, largest);
    if (anchor.sp) takeId(anchor.sp->nvSpPr, largest);
    if (anchor.graphicFrame) takeId(anchor.graphicFrame->nvGraphicFramePr, largest);
    if (anchor.cxnSp) takeId(anchor.cxnSp->nvCxnSpPr, largest);
    if (anchor.grpSp) takeId(anchor.grpSp->nvGrpSpPr, largest);
    return largest;
}

std::unique_ptr<c_CT_Picture> makePicture(std::uint32_t id, std::u16string_view embed) {
    auto pic = std::make_unique<c_CT_Picture>();
    c_CT_PictureNonVisual& nonVisual = pic->nvPicPr.make();
    nonVisual.cNvPr.make().id = id;
    std::string number = std::to_string(id);
    nonVisual.cNvPr->name = u"Picture " + std::u16string(number.begin(), number.end());
    nonVisual.cNvPicPr.make().picLocks.make().noChangeAspect.set(true);
    c_CT_BlipFillProperties& fill = pic->blipFill.make();
    fill.blip.make().embed.set(std::u16string(embed));
    fill.stretch.make().fillRect.make();
    c_CT_ShapeProperties& shape = pic->spPr.make();
    c_CT_Transform2D& frame = shape.xfrm.make();
    frame.off.make() = {kFrameX, kFrameY};
    frame.ext.make() = {kFrameExtent, kFrameExtent};
    c_CT_PresetGeometry2D& geometry = shape.prstGeom.make();
    geometry.prst = u"rect";
    geometry.avLst.make();
    return pic;
}

} // namespace

void Drawing::write(std::string& buffer, const lmx::byte_drain& drain) {
    if (!loaded_.empty()) drain(loaded_);
    else XmlFile::write(buffer, drain);
}

// The relationship id of the image an anchor's picture shows, or empty.
template <class Anchor>
std::u16string embedOf(const Anchor& anchor) {
    const c_CT_BlipFillProperties* fill = anchor.pic ? anchor.pic->blipFill.get() : nullptr;
    return fill && fill->blip ? fill->blip->embed.get() : std::u16string();
}

std::vector<PictureAnchor> Drawing::pictures() const {
    std::vector<PictureAnchor> found;
    for (const lmx::choice_item& item : root_.items) {
        if (const auto* two = item.object.as<c_CT_TwoCellAnchor>()) {
            std::u16string embed = embedOf(*two);
            if (two->from && two->to && !embed.empty())
                found.push_back({pointOf(*two->from), pointOf(*two->to), std::move(embed), std::nullopt});
        } else if (const auto* one = item.object.as<c_CT_OneCellAnchor>()) {
            std::u16string embed = embedOf(*one);
            if (one->from && one->ext && !embed.empty())
                found.push_back({pointOf(*one->from), {}, std::move(embed),
                                 PixelExtent{pixels(one->ext->cx), pixels(one->ext->cy)}});
        }
    }
    return found;
}

std::uint32_t Drawing::largestShapeId() const {
    std::uint32_t largest = 0;
    for (const lmx::choice_item& item : root_.items) {
        if (const auto* two = item.object.as<c_CT_TwoCellAnchor>()) largest = std::max(largest, largestIdIn(*two));
        else if (const auto* one = item.object.as<c_CT_OneCellAnchor>()) largest = std::max(largest, largestIdIn(*one));
        else if (const auto* absolute = item.object.as<c_CT_AbsoluteAnchor>())
            largest = std::max(largest, largestIdIn(*absolute));
    }
    return largest;
}

void Drawing::addPicture(const CellPoint& from, const CellPoint& to, std::u16string_view embed) {
    auto* anchor = new c_CT_TwoCellAnchor{};
    lmx::choice_item item{kTwoCellAnchor, lmx::any_object(&c_CT_TwoCellAnchor::class_table, anchor)};
    anchor->editAs.set(u"oneCell");
    anchor->from.make() = markerOf(from);
    anchor->to.make() = markerOf(to);
    anchor->pic = lmx::owned<c_CT_Picture>(makePicture(largestShapeId() + 1, embed));
    anchor->clientData.make();
    root_.items.push_back(std::move(item));
    loaded_.clear();
}

namespace {

AnchorMove moveOf(const c_CT_TwoCellAnchor& anchor) {
    const std::u16string& how = anchor.editAs.get();
    return how == u"absolute" ? AnchorMove::Stays : how == u"oneCell" ? AnchorMove::KeepsSize : AnchorMove::Resizes;
}

} // namespace

void Drawing::shift(const LineShift& lines) {
    bool changed = false;
    std::erase_if(root_.items, [&](lmx::choice_item& item) {
        c_CT_Marker* from = nullptr;
        c_CT_Marker* to = nullptr;
        AnchorMove how = AnchorMove::KeepsSize;
        if (auto* two = item.object.as<c_CT_TwoCellAnchor>()) {
            from = two->from.get(), to = two->to.get(), how = moveOf(*two);
        } else if (auto* one = item.object.as<c_CT_OneCellAnchor>()) {
            from = one->from.get();
        }
        if (!from || how == AnchorMove::Stays) return false;
        auto line = [&](c_CT_Marker& m) -> std::int32_t& { return lines.rows ? m.row : m.col; };
        const AnchorLines before{line(*from), to ? line(*to) : line(*from)};
        std::optional<AnchorLines> span = followLines(before, how, lines);
        if (!span) return changed = true;
        if (span->start == before.start && span->end == before.end && !span->endOffsetCleared) return false;
        changed = true;
        line(*from) = span->start;
        if (to) {
            line(*to) = span->end;
            if (span->endOffsetCleared) (lines.rows ? to->rowOff : to->colOff) = 0;
        }
        return false;
    });
    if (changed) loaded_.clear();
}

} // namespace karvo::xlsx
