#include "notation/LineItemStandIns.h"

#include "model/ItemClass.h"
#include "model/TieType.h"
#include "notation/RawNote.h"

namespace {

// A group's kind.
constexpr int kGroupKind = 34;
using Ends = CTieType;

bool Holds(const CBarItem& item, int at, int width) { return item.RecordSizeField() >= at + width; }

// Bends, barres, pedal lines and groups mark their notes with the line flags; glissandi mark
// heads of their own.
int LinkOf(const CBarItem& item, bool start) {
    switch (item.TypeCode()) {
        case Ends::kBendType:
        case Ends::kBarreType:
        case Ends::kPedalType:
        case Ends::kGroupType: return start ? kLineStartLink : kLineEndLink;
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
        case Ends::kGlissType: return (HeadLinks(note, 0) & (start ? NoteHead::kGlissStart : NoteHead::kGlissEnd)) != 0;
        default: {
            const int link = LinkOf(item, start);
            return link >= 0 && NoteHasLink(*note, link);
        }
    }
}

const TieTypeStandInBehaviour kTieType_;

}  // namespace

const TieTypeStandInBehaviour& TieTypeStandInBehaviour::Instance() { return kTieType_; }

int TieTypeStandInBehaviour::GetKind(CScoreItem& item) const {
    return item.TypeCode() == Ends::kGroupType && item.RecordSizeField() > kGroupKind ? rec::Get<std::uint8_t>(&item, kGroupKind) : 0;
}

int TieTypeStandInBehaviour::GetBarSpan(CBarItem& item) const { return Ends::Of(&item)->EndBarOffset(); }

int TieTypeStandInBehaviour::GetEndPosition(CBarItem& item) const {
    return Ends::Of(&item)->HoldsEnds() ? Ends::Of(&item)->EndPositionField() : item.PositionField();
}

void TieTypeStandInBehaviour::SetEndPosition(CBarItem& item, int position) const {
    Ends::Of(&item)->SetEndPositionField(position);
}

void TieTypeStandInBehaviour::SetEnd(CBarItem& item, int bars, int position) const {
    if (!Ends::Of(&item)->HoldsEnds()) return;
    Ends::Of(&item)->SetEndBarOffset(bars);
    Ends::Of(&item)->SetEndPositionField(position);
}

bool TieTypeStandInBehaviour::IsLineItem(CScoreItem& item) const {
    return LinkOf(static_cast<CBarItem&>(item), true) == kLineStartLink;
}

std::int16_t TieTypeStandInBehaviour::GetStartStaffOffset(CBarItem& item) const {
    return std::int16_t(Ends::Of(&item)->StartStaffOffset());
}

// A note takes an item's end when it carries the item's mark: a glissando's on the first head
// (bit 1 starts, bit 0 ends), a line item's in the note's link flags.
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
    if (mode != 0) return;
    Ends::Of(&item)->SetAboveBit(!Ends::Of(&item)->AboveBit());
}

bool TieTypeStandInBehaviour::LineIsAbove(const CBarItem& item) const {
    return Ends::Of(&item)->AboveBit();
}

void RegisterLineItemStandIns() {
    ItemClassTable& table = ItemClasses();
    for (int code : {Ends::kGlissType, Ends::kBendType, Ends::kBarreType, Ends::kPedalType, Ends::kGroupType})
        table.SetBehaviourForCode(code, &TieTypeStandInBehaviour::Instance());
}
