// The whole-score dump of zeldump --items: the titles, tracks, bars and systems of a score, then
// every run of its bars of tracks, the bars' own texts, the page texts and the lyric lines.
#include <cstdio>
#include <map>
#include <string>

#include "ToolScore.h"
#include "framework/CodePage.h"
#include "model/Bar.h"
#include "model/BarNumber.h"
#include "model/Clef.h"
#include "model/ItemArray.h"
#include "model/KeySig.h"
#include "model/Lyric.h"
#include "model/Meter.h"
#include "model/Ottava.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Tempo.h"
#include "model/Text.h"
#include "model/Titles.h"
#include "model/Track.h"
#include "notation/Note.h"

namespace tools {
namespace {

// The fields this dump adds to those of zelscript's `print items`: for clefs, key signatures and
// octave lines, and where a note's heads sound.
void PrintClef(std::FILE* out, CBarItem* item) {
    if (item->RecordSizeField() < CClef::kSize) return;
    const auto* c = static_cast<CClef*>(item);
    std::fprintf(out, " code %d staffpos %d x %d scale %d", c->GetCode(), c->GetClefStaffPos(), c->GetXOffset(),
                 item->CBaseItem::Scale());
}
void PrintKey(std::FILE* out, CBarItem* item) {
    if (item->RecordSizeField() < CKeySig::kSize) return;
    const auto* k = static_cast<CKeySig*>(item);
    std::fprintf(out, " key %d previous %d flags %02x", k->GetKey(), k->GetPreviousKey(), k->GetFlags());
}
void PrintOttava(std::FILE* out, CBarItem* item) {
    if (item->RecordSizeField() < COttava::kSize) return;
    std::fprintf(out, " flags %02x y %d shift %d end %d", rec::Get<std::uint8_t>(item, COttava::kFlags),
                 rec::Get<std::int16_t>(item, COttava::kVerticalOffset), rec::Get<std::int16_t>(item, COttava::kShift),
                 rec::Get<std::int16_t>(item, COttava::kEndPosition));
}

// Where a note's heads sound when they do not sound at its time (grace notes, notes played
// early or late): " plays" and each head's play start in ticks from the bar's start.
void PrintPlayStarts(std::FILE* out, CBarItem* item) {
    auto* note = static_cast<CRawNote*>(item);
    bool shifted = false;
    for (int k = 0; k < note->HeadCountField(); ++k) shifted = shifted || note->Head(k)->StartOffset() != 0;
    if (!shifted) return;
    for (int k = 0; k < note->HeadCountField(); ++k)
        std::fprintf(out, "%s%d", k ? "," : " plays ", item->TimeField() + note->Head(k)->StartOffset());
}

std::string TypeName(CBarItem* item) {
    char name[64] = {};
    item->GetTypeName(name);
    return name[0] ? name : "?";
}

// What the score is made of before its items: the titles, the tracks with their names, clefs,
// keys and sounds, each bar's time signature, flags and bar lines with its own marks, and each
// system's bars, page and brackets.
void PrintStructure(std::FILE* out, ToolScore& s) {
    CScore& score = *s.score;
    std::fprintf(out, "score: %d tracks, %d bars, %d systems, %d pages\n", score.GetTrackCount(), score.GetBarCount(),
                score.GetLineCount(), score.GetPageCount());
    for (int b = 0; b < TitleBlock::kBlocks; ++b)
        for (int l = 0; l < TitleBlock::kLines; ++l)
            if (s.doc->titles[b].lines[l].text[0])
                std::fprintf(out, "title %d line %d: \"%s\"\n", b, l, fw::ToUtf8(s.doc->titles[b].lines[l].text).c_str());
    for (int t = 0; t < score.GetTrackCount(); ++t) {
        CTrack* track = score.GetTrack(t);
        std::fprintf(out, "track %d: \"%s\" \"%s\" flags %02x clef %d key %d channel %d program %d\n", t,
                    fw::ToUtf8(track->GetFullName()).c_str(), fw::ToUtf8(track->GetAbbreviation()).c_str(),
                    track->GetTrackFlags(), track->GetClef(), track->GetKey(), track->GetVoiceChannel(0),
                    track->GetVoiceProgram(0));
    }
    for (int b = 0; b < score.GetBarCount(); ++b) {
        CBar* bar = score.GetBar(b);
        const Meter* m = bar->GetMeter();
        std::fprintf(out, "bar %d: %d/%d%s%s flags %02x barlines %d/%d tempo %d%s\n", b, m->GetNumerator(), m->GetDenominator(),
                    m->IsCommonTime() ? " common" : "", m->IsCutTime() ? " cut" : "", bar->GetBarFlags(),
                    bar->GetOpeningKind(), bar->GetClosingKind(), bar->GetTempo(), BarOwnItems(bar).c_str());
    }
    for (int k = 0; k < score.GetLineCount(); ++k) {
        CLine* line = score.GetLine(k);
        std::fprintf(out, "system %d: page %d bars %d-%d", k, line->GetPageIndex(), line->GetFirstBarIndex(),
                    line->GetFirstBarIndex() + line->GetBarCount() - 1);
        const int staves = line->GetStaffArray() ? line->GetStaffArray()->GetCount() : 0;
        for (int i = 0; i < staves; ++i)
            for (int slot = 0; slot < CStaff::kBracketSlots; ++slot)
                if (CStaff* staff = line->GetStaff(i); staff->GetBracketKind(slot) != 0)
                    std::fprintf(out, ", bracket staff %d kind %d span %d", i, staff->GetBracketKind(slot),
                                staff->GetBracketSpan(slot));
        std::fprintf(out, "\n");
    }
}

}  // namespace

// The bar's own marks: its bar-number item or the bar it takes its numbering from, and its
// tempo marks.
std::string BarOwnItems(CBar* bar) {
    std::string out;
    char text[96];
    if (CBarItem* number = bar->GetBarNumberItem(true)) {
        std::snprintf(text, sizeof text, ", bar number (show mode %d%s)", static_cast<CBarNumber*>(number)->GetShowMode(),
                      number->IsHidden() ? ", hidden" : "");
        out += text;
    } else if (bar->GetBarNumberLink() >= 0) {
        std::snprintf(text, sizeof text, ", numbered from bar %d", bar->GetBarNumberLink());
        out += text;
    }
    CItemArray* items = bar->GetItemArray();
    for (int i = 0; items && i < items->GetCount(); ++i) {
        auto* item = static_cast<CBarItem*>(items->GetAt(i));
        if (item->IsRemoved() || item->TypeCode() != CTempo::kTypeCode) continue;
        auto* mark = static_cast<CTempo*>(item);
        std::snprintf(text, sizeof text, ", tempo %d.%02d beat unit %d%s at %d", mark->GetValue() / 100,
                      mark->GetValue() % 100, mark->GetBeatUnit(), mark->IsDotted() ? " dotted" : "", item->TimeField());
        out += text;
    }
    return out;
}

void DumpScoreItems(std::FILE* out, ToolScore& s) {
    static const std::map<int, ItemFieldPrinter> signs{
        {CClef::kTypeCode, PrintClef},     {CKeySig::kTypeCode, PrintKey},  {COttava::kTypeCode, PrintOttava},
        {CNote::kType, PrintPlayStarts}, {CRawNote::kType, PrintPlayStarts}};
    CScore& score = *s.score;
    PrintStructure(out, s);
    // Every run, each line led by its track and bar (a note's with its pitches).
    for (int t = 0; t < score.GetTrackCount(); ++t)
        for (int b = 0; b < score.GetBarCount(); ++b) DumpItems(out, score, t, b, false, true, &signs);
    // The bars' own texts, symbols, jumpers and endings (the bar lines show the bar number and
    // tempo marks), the page texts and the lyric lines.
    for (int b = 0; b < score.GetBarCount(); ++b) {
        CItemArray* items = score.GetBar(b)->GetItemArray();
        for (int i = 0; items && i < items->GetCount(); ++i) {
            auto* item = static_cast<CBarItem*>(items->GetAt(i));
            const int type = item->TypeCode();
            if (item->IsRemoved() || type == CBar::kBeatChartType || type == CBar::kBarNumberType ||
                type == CTempo::kTypeCode)
                continue;
            std::fprintf(out, "bar %d own %d %s time %d pos %d", b, i, TypeName(item).c_str(), int(item->TimeField()), int(item->PositionField()));
            PrintItemFields(out, item);
            std::fprintf(out, "\n");
        }
    }
    CPageTextArray* texts = score.GetPageTextArray();
    for (int i = 0; texts && i < texts->GetCount(); ++i) {
        auto* t = static_cast<CText*>(texts->GetItem(i));
        std::fprintf(out, "page text %d filter %d anchor %d page %d", i, t->GetPageFilter(), t->GetPageAnchor(),
                    int(t->GetPageNumber()));
        PrintItemFields(out, t);
        std::fprintf(out, "\n");
    }
    CLyricArray* lines = score.GetLyricArray();
    for (int i = 0; lines && i < lines->GetCount(); ++i) {
        auto* line = static_cast<CLyricLine*>(lines->GetItem(i));
        std::fprintf(out, "lyric line %d:", i);
        for (int e = 0; line->CheckLayout() && e < line->GetEntryCount(); ++e)
            if (line->CheckEntry(e))
                std::fprintf(out, " \"%s\"",
                            fw::ToUtf8(std::string(line->GetText() + line->EntryOffset(e), std::size_t(line->EntryLength(e))))
                                .c_str());
        std::fprintf(out, "\n");
    }
}

}  // namespace tools
