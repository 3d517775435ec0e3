// The fields the item dumps show for chord symbols (root, accidentals, bass, key, offsets,
// playback and the spelled name) and guitar frames (root, bass, chord type, tuning and its name,
// grid, frets, name and capo).
#include <cstdio>
#include <string>

#include "ToolScore.h"
#include "model/ChordRecords.h"

namespace {

// A letter and accidental as a symbol spells them: "C", "F#", "Bb", "En" (a natural).
std::string NoteName(int letter, int accidental) {
    std::string name(1, "CDEFGAB?"[letter >= 0 && letter < 7 ? letter : 7]);
    if (accidental >= 1 && accidental <= 3) name += "#bn"[accidental - 1];
    return name;
}

void PrintChord(std::FILE* out, CBarItem* item) {
    if (item->RecordSizeField() < CChord::kSize) return;
    const CChord* c = CChord::Of(item);
    std::fprintf(out, " root %d/%d key 0x%04x x %d y %d dur %d strum %d:%d vel %d", c->GetRootLetter(),
                 c->GetRootAccidental(), unsigned(c->GetKey()), int(c->GetXOffset()), int(c->GetYOffset()),
                 int(c->GetDuration()), c->GetFirstOffset(), c->GetLastOffset(), c->GetVelocity());
    if (c->HasBass()) std::fprintf(out, " bass %d/%d%s", c->GetBassLetter(), c->GetBassAccidental(), c->IsBassBelow() ? " below" : "");
    if (c->IsParenthesised()) std::fprintf(out, " parenthesised");
    std::string name = NoteName(c->GetRootLetter(), c->GetRootAccidental());
    if (c->HasBass()) name += "/" + NoteName(c->GetBassLetter(), c->GetBassAccidental());
    std::fprintf(out, " name \"%s\"", name.c_str());
}

void PrintFrame(std::FILE* out, CBarItem* item) {
    if (item->RecordSizeField() < CGuitarFrame::kSize) return;
    const CGuitarFrame* f = CGuitarFrame::Of(item);
    std::fprintf(out, " \"%s\" root %d bass %d type %d tuning %d grid %dx%d base %d frets", std::string(f->GetName()).c_str(),
                 f->GetRoot(), f->GetBass(), f->GetChordType(), f->GetTuning(), f->GetStrings(), f->GetFrets(),
                 f->GetBaseFret());
    for (int i = 0; i < f->GetStrings(); ++i) std::fprintf(out, "%c%d", i ? ',' : ' ', f->GetStringFret(i));
    static const CGuitarTunings tunings = [] {
        CGuitarTunings t;
        t.FillTunings();
        return t;
    }();
    if (const GuitarTuning* t = tunings.GetTuning(f->GetTuning())) std::fprintf(out, " (%s)", t->name);
    std::fprintf(out, " key 0x%04x x %d y %d dur %d vel %d", unsigned(f->GetKey()), int(f->GetXOffset()),
                 int(f->GetYOffset()), int(f->GetDuration()), f->GetVelocity());
    if (f->GetCapo()) std::fprintf(out, " capo %d mode %d", f->GetCapo(), f->GetCapoMode());
    if (f->IsNameOnly()) std::fprintf(out, " name-only");
    if (f->IsParenthesised()) std::fprintf(out, " parenthesised");
}

const tools::ItemFieldsRegistrar chordFields{CChord::kType, PrintChord};
const tools::ItemFieldsRegistrar frameFields{CGuitarFrame::kType, PrintFrame};

}  // namespace
