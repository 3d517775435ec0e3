#include "notation/LineItemStandIns.h"

#include "model/ItemClass.h"
#include "notation/RawNote.h"

namespace {

// Fields every two-ended item shares, and the tie's curve height.
enum : int { kEndFlags = 16, kStartDy = 28, kEndBarOffset = 22, kEndPosition = 24, kEndDy = 32, kHeight = 34, kGroupKind = 34 };
enum : std::uint8_t { kAboveBit = 0x01 };
enum : int { kGlissType = 21, kSlurType = 27, kTieType = 30, kTupletType = 31, kBendType = 33, kBarreType = 34, kPedalType = 35, kGroupType = 36 };

bool Holds(const CBarItem& item, int at, int width) { return item.RecordSizeField() >= at + width; }

// Bends, barres, pedal lines and groups mark their notes with the line flags, slurs with the
// slur flags; ties, glissandi and tuplets mark heads or members of their own.
int LinkOf(const CBarItem& item, bool start) {
    switch (item.TypeCode()) {
        case kSlurType: return start ? kSlurStartLink : kSlurEndLink;
        case kBendType:
        case kBarreType:
        case kPedalType:
        case kGroupType: return start ? kLineStartLink : kLineEndLink;
        default: return -1;
    }
}

// The link byte of a note's head (0 for a rest or a head the record does not hold).
std::uint8_t HeadLinks(const CBarItem* note, int head) {
    if (!note->IsNote() || head < 0 || !Holds(*note, CRawNote::kHeadCount, 1)) return 0;
    if (head >= rec::Get<std::uint8_t>(note, CRawNote::kHeadCount) ||
        !Holds(*note, CRawNote::kHeads + NoteHead::kSize * head, NoteHead::kSize))
        return 0;
    return rec::Get<std::uint8_t>(note, std::size_t(CRawNote::kHeads + NoteHead::kSize * head + NoteHead::kLinkByte));
}

bool AcceptsNote(CBarItem& item, CBarItem* note, int head, bool start) {
    if (!note) return false;
    switch (item.TypeCode()) {
        case kTieType: return (HeadLinks(note, head) & (start ? NoteHead::kTieStart : NoteHead::kTieEnd)) != 0;
        case kGlissType: return (HeadLinks(note, 0) & (start ? NoteHead::kGlissStart : NoteHead::kGlissEnd)) != 0;
        case kTupletType: return false;
        default: {
            const int link = LinkOf(item, start);
            return link >= 0 && NoteHasLink(*note, link);
        }
    }
}

const TieTypeStandInBehaviour kTieType_;
const HairpinStandInBehaviour kHairpin_;
constexpr int kHairpinType = 19;

}  // namespace

const TieTypeStandInBehaviour& TieTypeStandInBehaviour::Instance() { return kTieType_; }

int TieTypeStandInBehaviour::GetKind(CScoreItem& item) const {
    return item.TypeCode() == kGroupType && item.RecordSizeField() > kGroupKind ? rec::Get<std::uint8_t>(&item, kGroupKind) : 0;
}

int TieTypeStandInBehaviour::GetBarSpan(CBarItem& item) const {
    return Holds(item, kEndBarOffset, 2) ? rec::Get<std::int16_t>(&item, kEndBarOffset) : 0;
}

int TieTypeStandInBehaviour::GetEndPosition(CBarItem& item) const {
    return Holds(item, kEndPosition, 2) ? rec::Get<std::int16_t>(&item, kEndPosition) : item.PositionField();
}

void TieTypeStandInBehaviour::SetEndPosition(CBarItem& item, int position) const {
    if (Holds(item, kEndPosition, 2)) rec::Put<std::int16_t>(&item, kEndPosition, std::int16_t(position));
}

void TieTypeStandInBehaviour::SetEnd(CBarItem& item, int bars, int position) const {
    if (!Holds(item, kEndPosition, 2)) return;
    rec::Put<std::int16_t>(&item, kEndBarOffset, std::int16_t(bars));
    rec::Put<std::int16_t>(&item, kEndPosition, std::int16_t(position));
}

bool TieTypeStandInBehaviour::IsLineItem(CScoreItem& item) const {
    return LinkOf(static_cast<CBarItem&>(item), true) == kLineStartLink;
}

std::int16_t TieTypeStandInBehaviour::GetStartStaffOffset(CBarItem& item) const {
    if (!Holds(item, kEndFlags, 1)) return 0;
    const int v = (rec::Get<std::uint8_t>(&item, kEndFlags) >> 2) & 7;
    return std::int16_t((v & 4) ? v - 8 : v);
}

// A note takes an item's end when it carries the item's mark: a tie's on the head (byte 1 of the
// head, bit 3 starts, bit 2 ends; never a rest), a glissando's on the first head (bit 1 starts,
// bit 0 ends), a slur's or line item's in the note's link flags. A tuplet marks no note.
bool TieTypeStandInBehaviour::AcceptsStartNote(CBarItem& item, CBarItem* note, int head) const {
    return AcceptsNote(item, note, head, true);
}

bool TieTypeStandInBehaviour::AcceptsEndNote(CBarItem& item, CBarItem* note, int head) const {
    return AcceptsNote(item, note, head, false);
}

void TieTypeStandInBehaviour::AttachStart(CBarItem& item, CBarItem* note, int, int) const {
    const int link = LinkOf(item, true);
    if (note && link >= 0) NoteSetLink(*note, link, true);
}

void TieTypeStandInBehaviour::AttachEnd(CBarItem& item, CBarItem* note, int, int) const {
    const int link = LinkOf(item, false);
    if (note && link >= 0) NoteSetLink(*note, link, true);
}

void TieTypeStandInBehaviour::Flip(CBarItem& item, int mode) const {
    // Laying the item out where its notes are is its own class's work.
    if (mode != 0 || item.TypeCode() == kTupletType) return;
    if (item.TypeCode() == kTieType) {
        if (!Holds(item, kHeight, 2)) return;
        const auto height = std::int16_t(-rec::Get<std::int16_t>(&item, kHeight));
        rec::Put<std::int16_t>(&item, kHeight, height);
        const std::int16_t dy = height < 1 ? 15 : -45;
        rec::Put<std::int16_t>(&item, kStartDy, dy);
        rec::Put<std::int16_t>(&item, kEndDy, dy);
        return;
    }
    if (Holds(item, kEndFlags, 1))
        rec::Put<std::uint8_t>(&item, kEndFlags, std::uint8_t(rec::Get<std::uint8_t>(&item, kEndFlags) ^ kAboveBit));
}

bool TieTypeStandInBehaviour::LineIsAbove(const CBarItem& item) const {
    if (item.TypeCode() == kTieType) return Holds(item, kHeight, 2) && rec::Get<std::int16_t>(&item, kHeight) >= 0;
    return Holds(item, kEndFlags, 1) && (rec::Get<std::uint8_t>(&item, kEndFlags) & kAboveBit);
}

const HairpinStandInBehaviour& HairpinStandInBehaviour::Instance() { return kHairpin_; }

bool HairpinStandInBehaviour::AcceptsStartNote(CBarItem&, CBarItem* note, int) const {
    return note && NoteHasLink(*note, kLineStartLink);
}

bool HairpinStandInBehaviour::AcceptsEndNote(CBarItem&, CBarItem* note, int) const {
    return note && NoteHasLink(*note, kLineEndLink);
}

void RegisterLineItemStandIns() {
    ItemClassTable& table = ItemClasses();
    for (int code : {kGlissType, kSlurType, kTieType, kTupletType, kBendType, kBarreType, kPedalType, kGroupType})
        table.SetBehaviourForCode(code, &TieTypeStandInBehaviour::Instance());
    table.SetBehaviourForCode(kHairpinType, &HairpinStandInBehaviour::Instance());
}
