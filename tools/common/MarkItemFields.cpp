// The fields the item dumps show for the marks that shape playback: a dynamic's mark, value and
// play kind, an expression's kind, text, line and printed flag, and a jumper's kind, count,
// target (an ending's span) and text.
#include <cstdio>
#include <string>

#include "ToolScore.h"
#include "model/Jumper.h"
#include "model/PlaybackMarks.h"

namespace {

void PrintDynamic(std::FILE* out, CBarItem* item) {
    if (item->RecordSizeField() < CDynamic::kSize) return;
    const CDynamic* d = CDynamic::Of(item);
    std::fprintf(out, " mark %d value %d kind %d controller %d y %d", d->GetMark(), d->GetValue(), d->GetPlayKind(),
                 d->GetController(), int(d->GetVerticalOffset()));
}

void PrintExpression(std::FILE* out, CBarItem* item) {
    if (item->RecordSizeField() < CExpression::kFixedSize) return;
    const CExpression* e = CExpression::Of(item);
    std::fprintf(out, " \"%s\" kind %d style %d hook %d end %d:%d%s", e->GetDisplayText().c_str(), e->GetKind(),
                 e->GetLineStyle(), e->GetEndHook(), int(e->GetEndBar()), int(e->GetEndPosition()),
                 e->IsPrinted() ? " printed" : "");
}

void PrintJumper(std::FILE* out, CBarItem* item) {
    if (item->RecordSizeField() < CJumper::kSize) return;
    const CJumper* j = CJumper::Of(item);
    std::fprintf(out, " kind %d count %d target %d chain %d", j->GetKind(), j->GetCount(), int(j->GetTarget()), j->GetChainCount());
    if (j->TextOffset()) std::fprintf(out, " \"%s\"", std::string(j->GetText()).c_str());
}

const tools::ItemFieldsRegistrar dynamicFields{CDynamic::kType, PrintDynamic};
const tools::ItemFieldsRegistrar expressionFields{CExpression::kType, PrintExpression};
const tools::ItemFieldsRegistrar jumperFields{CJumper::kType, PrintJumper};
const tools::ItemFieldsRegistrar textJumperFields{CTextJumper::kType, PrintJumper};
const tools::ItemFieldsRegistrar endingFields{CEnding::kType, PrintJumper};

}  // namespace
