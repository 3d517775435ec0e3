// The item dump's fields of a beam: its flags, ends and staff offsets, then per segment its
// level, partial and stub bits, bar offsets, positions, insets, fine offsets and number.
#include <cstdio>

#include "ToolScore.h"
#include "notation/Beam.h"

namespace {

void PrintBeam(std::FILE* out, CBarItem* item) {
    if (item->RecordSizeField() < CBeam::kSize) return;
    auto* beam = static_cast<CBeam*>(item);
    const auto start = rec::Get<std::int8_t>(beam, CBeam::kStartStaffPos);
    const auto end = rec::Get<std::int8_t>(beam, CBeam::kEndStaffPos);
    std::fprintf(out, " beam %02x off %02x segs %d groups %d ends %d/%d staves %d/%d strokes %d two %d",
                 unsigned(beam->BeamFlags()), unsigned(beam->OffsetsByte()), beam->SegmentCount(),
                 int(rec::Get<std::uint8_t>(beam, CBeam::kGroups)), int(start), int(end),
                 int(beam->GetStartStaffOffset()), beam->GetEndStaffOffset(), beam->GetTremoloStrokes(),
                 beam->GetTwoLevelFlag() ? 1 : 0);
    const int n = beam->WholeSegments();
    for (int i = 0; i < n; ++i) {
        BeamSegment s = beam->Segment(i);
        const std::uint8_t f = s.Flags();
        std::fprintf(out, " [L%d%s%s%s%s%s b%d+%d %d-%d", s.Level(), (f & BeamSegment::kPartial) ? " p" : "",
                     (f & BeamSegment::kPartial) ? ((f & BeamSegment::kStubLeft) ? "<" : ">") : "",
                     (f & BeamSegment::kFirstUp) ? " u" : " d", (f & BeamSegment::kLastUp) ? "u" : "d",
                     (f & BeamSegment::kReversed) ? " r" : "", s.StartBarOffset(), s.EndBarOffset(),
                     int(s.StartPosition()), int(s.EndPosition()));
        if (s.Word(BeamSegment::kStartInset) || s.Word(BeamSegment::kEndInset))
            std::fprintf(out, " in %d/%d", s.Word(BeamSegment::kStartInset), s.Word(BeamSegment::kEndInset));
        if (s.Word(BeamSegment::kStartFine) || s.Word(BeamSegment::kEndFine))
            std::fprintf(out, " fine %d/%d", s.Word(BeamSegment::kStartFine), s.Word(BeamSegment::kEndFine));
        if (s.Number()) std::fprintf(out, " n%d", s.Number());
        std::fputc(']', out);
    }
}

const tools::ItemFieldsRegistrar beamFields{CBeam::kType, PrintBeam};

}  // namespace
