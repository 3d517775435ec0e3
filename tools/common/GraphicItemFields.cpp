// The fields of graphics, harp pedal markings and pictures in the item dump (zelscript's
// `print items`, zeldump --items).
#include <cstdio>

#include "ToolScore.h"
#include "model/Graphic.h"

namespace {

void PrintGraphic(std::FILE* out, CBarItem* item) {
    auto* g = CGraphic::Of(item);
    if (g->RecordSizeField() < CGraphic::kSize) {
        std::fprintf(out, " short record");
        return;
    }
    std::fprintf(out, " shape %d flags %02x style %d width %d start %d,%d end %d:%d %d,%d staff %d", g->Kind(), g->Flags(),
                 g->LineStyle(), g->LineWidth(), g->StartDx(), g->StartDy(), g->EndBars(), g->EndPosition(), g->EndDx(),
                 g->EndDy(), g->EndStaff());
    if (g->Kind() == CGraphic::kRoundRect) std::fprintf(out, " radius %d", g->Radius());
    if (g->Kind() == CGraphic::kCurve && g->RecordSizeField() >= CGraphic::kCurveSize)
        std::fprintf(out, " controls %d:%d %d:%d", g->ControlX(0), g->ControlY(0), g->ControlX(1), g->ControlY(1));
}

void PrintHarp(std::FILE* out, CBarItem* item) {
    auto* h = static_cast<CHarpPed*>(item);
    if (!h->Whole()) return;
    std::fprintf(out, " at %d,%d style %d shown %02x pedals", h->XOffset(), h->YOffset(), h->Style(), h->Shown());
    for (int i = 0; i < CHarpPed::kPedalCount; ++i) std::fprintf(out, " %c%+d", CHarpPed::kLetters[i], h->Pedal(i));
}

void PrintPict(std::FILE* out, CBarItem* item) { std::fprintf(out, " dy %d", static_cast<CPict*>(item)->YOffset()); }

const tools::ItemFieldsRegistrar graphicFields[] = {{64, PrintGraphic}, {65, PrintGraphic}, {66, PrintGraphic},
                                                   {67, PrintGraphic}, {68, PrintGraphic}, {69, PrintGraphic},
                                                   {70, PrintGraphic}};
const tools::ItemFieldsRegistrar harpFields{CHarpPed::kType, PrintHarp};
const tools::ItemFieldsRegistrar pictFields{CPict::kType, PrintPict};

}  // namespace
