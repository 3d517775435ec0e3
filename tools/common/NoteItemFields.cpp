// The fields the item dumps (zelscript's `print items`, zeldump --items) show for notes, rests,
// multi-bar rests, beams, the two-ended items (ties, slurs, tuplets) and hairpins.
#include <cstdio>

#include "ToolScore.h"
#include "model/PlaybackMarks.h"
#include "notation/Beam.h"
#include "notation/MultiRest.h"
#include "notation/Note.h"
#include "notation/Rest.h"

namespace {

// The dump's fields of a note: value, dots, stem, the right-of-stem and fret flags, then per
// head [position column dot-offset accidental/offset], with the accidental code kept but not
// shown (kN), the forced flag (F), the tie ends (< and >), shape, staff offset, play duration
// and the parenthesis and invisible marks where they are set; then per mark {code, side bits
// (byte 3), horizontal and vertical offsets}.
void PrintNote(std::FILE* out, CBarItem* item) {
    auto* note = static_cast<CRawNote*>(item);
    std::fprintf(out, " value %d dots %d %s%s%s marks %d", note->NoteValue(), note->DotCount(),
                 note->IsStemUp() ? "up" : "down", note->HasHeadRightOfStem() ? " right" : "",
                 note->HasFretNumbers() ? " fret" : "", note->MarkCount());
    const int n = note->HeadCountField();
    for (int k = 0; k < n && k < 255; ++k) {
        const NoteHead* h = note->Head(k);
        std::fprintf(out, " [%d c%d d%d a%d/%d", int(h->Position()), h->Column(), h->DotOffset(),
                     h->IsAccidentalShown() ? h->Accidental() : 0, int(h->AccidentalOffset()));
        if (!h->IsAccidentalShown() && h->Accidental()) std::fprintf(out, " k%d", h->Accidental());
        if (h->Byte(NoteHead::kAccByte) & NoteHead::kAccForced) std::fputs(" F", out);
        if (h->HasTieEnd()) std::fputs(" <", out);
        if (h->HasTieStart()) std::fputs(" >", out);
        if (h->Shape()) std::fprintf(out, " s%d", h->Shape());
        if (h->CrossStaffOffset()) std::fprintf(out, " x%d", h->CrossStaffOffset());
        if (h->Byte(NoteHead::kLinkByte) & NoteHead::kParenthesized) std::fputs(" (", out);
        if (h->IsInvisible()) std::fputs(" i", out);
        std::fprintf(out, " %u]", unsigned(h->Duration()));
    }
    for (int k = 0; k < note->MarkCount(); ++k) {
        NoteMark* m = note->GetMark(k);
        std::fprintf(out, " {m%d b%d x%d y%d}", m->Code(), m->Flags() & 0x0F, int(m->XOffset()), int(m->YOffset()));
    }
}

void PrintRest(std::FILE* out, CBarItem* item) {
    auto* r = static_cast<CRest*>(item);
    std::fprintf(out, " value %d dots %d staffpos %d offset %d links %02x marks %d", r->NoteValue(), r->DotCount(),
                 r->StaffPosField(), r->StaffOffsetField(), r->RestFlags() & 0x1F, r->MarkCount());
}

void PrintMultiRest(std::FILE* out, CBarItem* item) {
    auto* m = static_cast<CMultiRest*>(item);
    std::fprintf(out, " flags %02x percent %d inset %d count %d", m->Flags(), m->Percent(), m->GetHorizontalOffset(),
                 m->CountOffset());
}

void PrintBeam(std::FILE* out, CBarItem* item) {
    auto* b = static_cast<CBeam*>(item);
    std::fprintf(out, " beam %02x %02x staffpos %d:%d strokes %d", b->BeamFlags(), b->OffsetsByte(),
                 rec::Get<std::int8_t>(b, CBeam::kStartStaffPos), rec::Get<std::int8_t>(b, CBeam::kEndStaffPos),
                 b->GetTremoloStrokes());
    const int n = b->WholeSegments();
    for (int k = 0; k < n; ++k) {
        BeamSegment s = b->Segment(k);
        std::fprintf(out, " [%02x n%d %d+%d %d-%d", s.Flags(), s.Number(), s.StartBarOffset(), s.EndBarOffset(),
                     s.StartPosition(), s.EndPosition());
        for (int w = 0; w < 4; ++w)
            if (s.Word(BeamSegment::kStartInset + 2 * w)) {
                std::fprintf(out, " i%d,%d f%d,%d", s.Word(BeamSegment::kStartInset), s.Word(BeamSegment::kEndInset),
                             s.Word(BeamSegment::kStartFine), s.Word(BeamSegment::kEndFine));
                break;
            }
        std::fputs("]", out);
    }
}

// The end fields of two-ended records in the item dump: start and end staff positions and
// cross-staff offsets, the bars to the end, the end's column and a tie's pitch.
void PrintTwoEnded(std::FILE* out, CBarItem* item) {
    if (item->RecordSizeField() < 26) return;
    const std::uint8_t ends = rec::Get<std::uint8_t>(item, 16);
    std::fprintf(out, " from %d/%d to %d/%d bars %d end %d pitch %d", rec::Get<std::int16_t>(item, 18),
                 std::int8_t(ends << 3) >> 5, rec::Get<std::int16_t>(item, 20), std::int8_t(ends) >> 5,
                 rec::Get<std::int16_t>(item, 22), rec::Get<std::int16_t>(item, 24), rec::Get<std::uint8_t>(item, 17) >> 1);
}

void PrintHairpin(std::FILE* out, CBarItem* item) {
    if (item->RecordSizeField() < CCresc::kEndPosition + 2) return;
    std::fprintf(out, " end %d:%d", int(CCresc::Of(item)->GetEndBar()), int(CCresc::Of(item)->GetEndPosition()));
}

const tools::ItemFieldsRegistrar noteFields{144, PrintNote};
const tools::ItemFieldsRegistrar rawNoteFields{112, PrintNote};
const tools::ItemFieldsRegistrar restFields{CRest::kType, PrintRest};
const tools::ItemFieldsRegistrar multiRestFields{CMultiRest::kType, PrintMultiRest};
const tools::ItemFieldsRegistrar beamFields{CBeam::kType, PrintBeam};
const tools::ItemFieldsRegistrar tieFields{30, PrintTwoEnded};
const tools::ItemFieldsRegistrar slurFields{27, PrintTwoEnded};
const tools::ItemFieldsRegistrar tupletFields{31, PrintTwoEnded};
const tools::ItemFieldsRegistrar hairpinFields{19, PrintHairpin};

}  // namespace
