// Positions of a bar of a track's items from their times through the bar's beat chart: notes
// and rests at their time's column, grace notes packed to the left of the note they lead to,
// clefs half a space before their note, a lone whole rest centred, and every item attached to
// notes (beams, ties, slurs, glissandi, tuplets, hairpins, syllables, dynamics) carried along by an old-to-new
// position map. Last, notes of two voices that meet in a unison or a second are moved apart.
#include <algorithm>
#include <vector>

#include "framework/Arith.h"
#include "model/Bar.h"
#include "model/PlaybackMarks.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "model/TrkBarEntryFields.h"
#include "model/TrkBarWalk.h"

using namespace entry;

namespace {

// The position of a whole rest that stands alone in its bar.
constexpr int kCentredRest = 477;

struct Placed {
    CBarItem* item;
    int oldPosition;
};

// One side of the collision pass: a note's side is its stem; a whole note has none, and takes
// the side away from the other note.
bool SideUp(CBarItem* note, CBarItem* other) {
    if (ValueCode(note) < 2) return other->GetFirstHeadStaffPos() <= note->GetFirstHeadStaffPos();
    return IsStemUp(note);
}

bool FirstHeadShowsAccidental(CBarItem* note) { return HeadCount(note) > 0 && HeadAccidentalShown(HeadAt(note, 0)); }

// The accidental of the note on the left side moves further left when the notes collide.
void MoveAccidentalLeft(CBarItem* note, CBarItem* other) {
    if (!FirstHeadShowsAccidental(note)) return;
    HeadAt(note, 0)[kHeadAccOffset] = FirstHeadShowsAccidental(other) ? 49 : 25;
}

// Moves a note's first head to the right of the stem (and its dot up a line when it sits on
// one), which draws a stem-down note one head width right; a stemless note whose stem bit says
// up is drawn right by its note flag.
void HeadToRight(CBarItem* note) {
    std::uint8_t* h = HeadAt(note, 0);
    h[kHeadLinks] = std::uint8_t((h[kHeadLinks] & 0xCF) | 0x10);
    if (HeadPos(h) % 2 == 0) h[kHeadAcc] = std::uint8_t(h[kHeadAcc] | 0x03);
    if (IsStemUp(note)) SetFlag(note, kNoteFlags, kShiftedRightBit, true);
}

// Takes back what an earlier collision pass gave a single-headed note, so that notes which no
// longer meet stand in their column again.
void ClearCollisionMarks(CBarItem* note) {
    SetFlag(note, kNoteFlags, kShiftedRightBit, false);
    if (HeadCount(note) != 1) return;
    std::uint8_t* h = HeadAt(note, 0);
    if (HeadColumn(h) == 1 && !IsStemUp(note)) {
        h[kHeadLinks] = std::uint8_t(h[kHeadLinks] & 0xCF);
        if ((h[kHeadAcc] & 0x03) == 0x03) h[kHeadAcc] = std::uint8_t((h[kHeadAcc] & 0xFC) | 0x01);
    }
    SetFlag(note, kBaseFlags, kRightOfStemBit, false);
}

// Two notes of different voices at one column whose first heads stand a second apart (or in a
// unison of a stemless and a stemmed value) are moved apart: exactly one of them is drawn one
// head width right.
void SeparatePair(CBarItem* a, CBarItem* b) {
    if (HeadCount(a) == 0 || HeadCount(b) == 0) return;
    if (a->PositionField() != b->PositionField()) return;
    if (HeadCross(HeadAt(a, 0)) != HeadCross(HeadAt(b, 0))) return;
    const bool mixed = (ValueCode(a) < 3 && ValueCode(b) > 2) || (ValueCode(b) < 3 && ValueCode(a) > 2);
    const bool upA = SideUp(a, b), upB = SideUp(b, a);
    const int pa = a->GetFirstHeadStaffPos(), pb = b->GetFirstHeadStaffPos();
    if (upA == upB || !(std::abs(pa - pb) == 1 || (pa == pb && mixed))) return;
    if (!upA) {
        MoveAccidentalLeft(a, b);
        SetFlag(b, kBaseFlags, kRightOfStemBit, true);
        HeadToRight(a);
        return;
    }
    MoveAccidentalLeft(b, a);
    if (Dots(a) == 0 || Dots(b) != 0) {
        SetFlag(a, kBaseFlags, kRightOfStemBit, true);
        HeadToRight(b);
    } else {
        SetFlag(a, kNoteFlags, kShiftedRightBit, true);
    }
}

}  // namespace

int CTrkBar::MapPosition(const PositionMap& map, CBarItem* item, int oldPosition, bool grace) {
    const int voice = item->VoiceField();
    for (const PositionMapEntry& e : map)
        if (e.grace == grace && e.voice == voice && e.oldPosition == oldPosition) return e.newPosition;
    return oldPosition;
}

void CTrkBar::RecalcPositions(int voice) {
    SetCurrent();
    CBar* bar = GetBar();
    if (!bar || !GetItems()) return;
    CStaff* staff = GetStaff();
    const int space = staff ? staff->Space() : 1;
    const auto scaled = [&](int d) { return MulDiv(d, space, 120); };
    const int meterLength = GetMeterLength();
    const bool canMeasure = bar->GetContentWidth() > 0;

    bool voiceSeen[8] = {};
    voiceSeen[voice < 0 ? 0 : voice & 7] = true;
    if (voice < 0) trkbar::ForEachLiveItem(this, [&](CBarItem* item) { voiceSeen[item->VoiceField()] = true; });

    PositionMap map;
    std::vector<CBarItem*> notes, graces;
    CBarItem* onlyPlaced = nullptr;
    int placedCount = 0;
    for (int v = 0; v < 8; ++v) {
        if (!voiceSeen[v]) continue;
        graces.clear();
        int placedInVoice = 0;
        trkbar::ForEachLiveItem(this, [&](CBarItem* item) {
            const int type = item->TypeCode();
            if (type == CClef::kTypeCode) {
                if (item->TimeField() == 0 && placedInVoice == 0) return;
                const int old = item->PositionField();
                int position = old;
                if (item->TimeField() >= meterLength)
                    position = 1024;
                else if (old < 1024)
                    position = bar->TickToFraction(item->TimeField(), false) - bar->WidthToFraction(space / 2);
                item->SetPosition(position);
                return;
            }
            if (item->VoiceField() != v || (type != kNoteType && type != kRestType)) return;
            if (type == kNoteType && IsGrace(item)) {
                graces.push_back(item);
                return;
            }
            const int old = item->PositionField();
            const int position = bar->TickToFraction(item->TimeField(), false);
            if (type == kNoteType) {
                ClearCollisionMarks(item);
                if (!graces.empty()) {
                    int x = bar->FractionToX(position) - scaled(HeadRoom(item) + 15);
                    for (auto g = graces.rbegin(); g != graces.rend(); ++g) {
                        x -= scaled(GraceWidth(*g));
                        const int at = canMeasure ? bar->XToFraction(x) : position;
                        map.push_back({1, (*g)->PositionField(), std::int16_t(at), std::int16_t(v)});
                        (*g)->SetPosition(at);
                        x -= scaled(GraceAccidentalRoom(*g));
                    }
                    graces.clear();
                }
                notes.push_back(item);
            }
            ++placedCount;
            ++placedInVoice;
            onlyPlaced = item;
            map.push_back({0, std::int16_t(old), std::int16_t(position), std::int16_t(v)});
            item->SetPosition(position);
        });
    }

    // Items attached to the notes follow them; a beam's segment counts its bars from the beam's
    // own bar, so offset 0 is this bar.
    const int thisBar = 0;
    trkbar::ForEachLiveItem(this, [&](CBarItem* item) {
        if (!voiceSeen[item->VoiceField()]) return;
        const int size = item->RecordSizeField();
        switch (item->TypeCode()) {
        case kBeamType: {
            const bool grace = (Byte(item, kBeamFlags) & 0x02) != 0;
            const int segments = Byte(item, kBeamSegments);
            for (int s = 0; s < segments; ++s) {
                const int at = kBeamSegment0 + s * kSegmentSize;
                if (at + kSegmentSize > size) break;
                const int startBar = std::int8_t(Byte(item, at + kSegStartBar));
                const int endBar = startBar + std::int8_t(Byte(item, at + kSegEndBars));
                if (startBar == thisBar)
                    rec::Put<std::int16_t>(item, std::size_t(at + kSegStart),
                                           std::int16_t(MapPosition(map, item, rec::Get<std::int16_t>(item, std::size_t(at + kSegStart)), grace)));
                if (endBar == thisBar)
                    rec::Put<std::int16_t>(item, std::size_t(at + kSegEnd),
                                           std::int16_t(MapPosition(map, item, rec::Get<std::int16_t>(item, std::size_t(at + kSegEnd)), grace)));
            }
            if (segments > 0 && kBeamSegment0 + kSegmentSize <= size)
                item->SetPositionField(rec::Get<std::int16_t>(item, std::size_t(kBeamSegment0 + kSegStart)));
            break;
        }
        case kLyricType:
        case kDynamicType:
            item->SetPositionField(std::int16_t(MapPosition(map, item, item->PositionField(), false)));
            break;
        case kChordType:
        case kGuitarFrameType:
            item->SetPosition(bar->TickToFraction(item->TimeField(), true));
            break;
        default:
            // Two-ended items (ties, slurs, glissandi, tuplets, the line items) and hairpins: the
            // start, and the end when it lies in this bar.
            if (item->IsTwoEnded()) {
                item->SetPositionField(std::int16_t(MapPosition(map, item, item->PositionField(), false)));
                if (item->GetBarSpan() == 0) item->SetEndPosition(MapPosition(map, item, item->GetEndPosition(), false));
            } else if (item->IsCresc() && size >= CCresc::kEndPosition + 2) {
                item->SetPositionField(std::int16_t(MapPosition(map, item, item->PositionField(), false)));
                if (rec::Get<std::int16_t>(item, CCresc::kEndBar) == 0)
                    rec::Put<std::int16_t>(item, CCresc::kEndPosition,
                                           std::int16_t(MapPosition(map, item, rec::Get<std::int16_t>(item, CCresc::kEndPosition), false)));
            }
            break;
        }
    });

    if (placedCount == 1 && onlyPlaced->TypeCode() == kRestType && ValueCode(onlyPlaced) <= 1)
        onlyPlaced->SetPosition(kCentredRest);

    for (std::size_t i = 0; i < notes.size(); ++i)
        for (std::size_t j = i + 1; j < notes.size(); ++j)
            if (notes[i]->VoiceField() != notes[j]->VoiceField()) SeparatePair(notes[i], notes[j]);
    SortItems();
}
