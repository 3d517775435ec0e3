// The fields of glissandi, bends, barres, pedal lines and groups in the item dump (zelscript's
// `print items`, zeldump --items): the two-ended fields, then each kind's own, a bend's points
// one by one. Font faces are left out (their numbers are the machine's installed-font list).
#include <cstdio>
#include <string>

#include "ToolScore.h"
#include "framework/CodePage.h"
#include "model/TieType.h"

namespace {

void PrintEnds(std::FILE* out, const CTieType* t) {
    std::fprintf(out, " from %d/%d to %d/%d bars %d end %d pitch %d", t->StartY(), t->StartStaffOffset(), t->EndY(),
                 t->EndStaffOffset(), t->EndBarOffset(), t->EndPositionField(), t->Pitch());
}

void PrintOffsets(std::FILE* out, const CTieType* t) {
    std::fprintf(out, " offsets %d,%d %d,%d%s", t->StartDx(), t->StartDy(), t->EndDx(), t->EndDy(),
                 t->AboveBit() ? " above" : "");
}

void PrintGliss(std::FILE* out, CBarItem* item) {
    auto* g = static_cast<CGlissando*>(item);
    if (g->RecordSizeField() < 26) return;
    PrintEnds(out, g);
    if (!g->Whole()) return;
    PrintOffsets(out, g);
    std::fprintf(out, " kind %d wave %d%s%s text \"%s\" at %d,%d size %d", g->PlayKind(), g->WaveSize(),
                 g->IsWavy() ? " wavy" : "", g->ShowsText() ? " shown" : "", fw::ToUtf8(g->GetText()).c_str(),
                 g->TextDx(), g->TextDy(), g->GetFont().size);
}

void PrintBend(std::FILE* out, CBarItem* item) {
    auto* b = static_cast<CBend*>(item);
    if (b->RecordSizeField() < CBend::kSize) {
        std::fprintf(out, " short record");
        return;
    }
    PrintEnds(out, b);
    PrintOffsets(out, b);
    std::fprintf(out, " kind %d", b->Kind());
    if (b->IsGroup()) {
        std::fprintf(out, " size %d", static_cast<CGroup*>(b)->GroupSize());
        return;
    }
    if (b->IsBarre()) {
        auto* r = static_cast<CBarre*>(b);
        if (r->RecordSizeField() < CBarre::kSize) return;
        std::fprintf(out, " fret %d fraction %d prefix %d style %d%s%s", r->Fret(), r->Fraction(), r->Prefix(),
                     r->LineStyle(), r->HasHook() ? " hook" : "", r->ShowsLabel() ? " label" : "");
        return;
    }
    std::fprintf(out, " label %d at %d,%d points %d", b->EndLabel(), b->EndLabelDx(), b->EndLabelDy(), b->PointCount());
    for (int i = 0; i < b->PointCount(); ++i)
        std::fprintf(out, " [%d dy %d label %d]", b->GetPointValue(i), b->PointDy(i), b->PointLabel(i));
}

const tools::ItemFieldsRegistrar glissFields{CGlissando::kType, PrintGliss};
const tools::ItemFieldsRegistrar bendFields{CBend::kType, PrintBend};
const tools::ItemFieldsRegistrar barreFields{CBarre::kType, PrintBend};
const tools::ItemFieldsRegistrar pedalFields{CPedal::kType, PrintBend};
const tools::ItemFieldsRegistrar groupFields{CGroup::kType, PrintBend};

}  // namespace
