// A bar in the MIDI data display: the time and value grid behind each bar of a track, and the
// items the display shows on it.
#include <algorithm>

#include "framework/Arith.h"
#include "model/Bar.h"
#include "model/Data.h"
#include "model/ItemArray.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"

namespace {

// Colour numbers of the data display.
constexpr int kDataBackground = 7;
constexpr int kGridColor = 9;
constexpr int kDotGlyph = 199;

}  // namespace

void CBar::DrawDataGrid(CTrkBar* trkBar) {
    CArtist* a = g_draw.artist;
    CLine* line = GetLine();
    if (!a || !trkBar || !line) return;
    RECT r;
    trkBar->GetRect(&r);
    a->PushColor();
    a->FillRectColor(r, kDataBackground);
    a->FrameRect(r);
    a->SetColor(kGridColor);
    a->Line(r.left, r.top, r.left, r.bottom);
    a->Line(r.right, r.top, r.right, r.bottom);
    const int beat = GetBeatLength();
    const int length = GetLength();
    const int shortfall = GetShortfall();
    const int tick = ScaleToView(4);
    // A beat of no ticks has no grid: nothing is drawn rather than looping.
    if (beat > 0) {
        const int step = std::max(1, beat / 2);
        for (int t = 0; t <= length; t += step) {
            if (t < shortfall) continue;
            const int x = TickToLinearX(t);
            if (t % beat == 0 && t < length) a->DrawNumber(x + 1, r.top - 1, t / beat + 1);
            a->Line(x, r.top + 1, x, r.top + 1 + tick);
        }
    }
    CStaff* staff = trkBar->GetStaff();
    const int space = staff ? staff->Space() : line->GetSpace();
    for (int k = 0; k < 5; ++k) a->Line(r.left, r.bottom - k * space, r.right, r.bottom - k * space);
    if (IsFirstInLine()) {
        const int kind = g_model.dataDisplayKind;
        const int middle = kind == 6 ? 0 : kind == 8 ? 150 : 64;
        const int top = kind == 6 ? 8191 : kind == 8 ? 300 : 127;
        a->DrawNumberRight(r.left - 2, (r.top + r.bottom) / 2, middle);
        a->DrawNumberRight(r.left - 2, r.top, top);
    }
    // The step note value along the bar, by its index 0-8 (a double whole note to a 128th, the
    // glyphs 64-72); values outside the nine draw nothing.
    const int value = rec::Get<std::int32_t>(this, kStepNoteValue);
    if (g_model.stepEntry && value >= 0 && value <= 8) {
        const bool dotted = rec::Get<std::int32_t>(this, kStepDotted) != 0;
        int stepTicks = (2 * Meter::kTicksPerWhole) >> value;
        if (dotted) stepTicks = stepTicks * 3 / 2;
        a->SetMusicFont(ScaleToView(16));
        for (int t = shortfall; stepTicks > 0 && t < length; t += stepTicks) {
            const int x = TickToLinearX(t);
            a->DrawGlyphCentered(x, r.top - space, 64 + value);
            if (dotted) a->DrawGlyph(x + space, r.top - space, kDotGlyph);
        }
    }
    a->PopColor();
}

void CBar::DrawDataItem(CBarItem* item) {
    CArtist* a = g_draw.artist;
    CScore* score = GetScore();
    if (!a || !item || !score) return;
    const int kind = g_model.dataDisplayKind;
    bool shown;
    if (item->IsNoteOrRawNote() || item->IsKeySig() || item->IsClef())
        shown = true;
    else if (item->IsData())
        shown = static_cast<CData*>(item)->MatchesDataView();
    else
        shown = item->IsSelectedBit() || (kind == 3 && item->GetAuxValue(0) == g_model.dataView.controller) ||
                (kind == 2 && item->GetValue() > 0) || (kind == 8 && item->IsExpression() && item->GetKind() == 1);
    const bool plain = item->IsNoteOrRawNote() || item->IsData() || item->IsSlur() || item->IsGraphic() ||
                       item->IsDynamic() || item->IsSymbol() || item->IsExpression() || item->IsCresc();
    const bool grey = !g_draw.printingDC && (!plain || !score->IsVoiceShown(item->VoiceField()));
    item->VerifyTrack();
    if (!shown || !g_model.currentStaff || !g_model.currentStaff->IsShown()) return;
    DrawItemGreyed(*item, grey);
}

void CBar::DrawDataView() {
    CScore* score = GetScore();
    CLine* line = GetLine();
    CArtist* a = g_draw.artist;
    if (!score || !line || !a) return;
    CZelDoc* doc = score->GetDocument();
    const int currentVoice = doc ? doc->location.voice : 0;
    const bool alike = !doc || doc->location.allVoices;
    const int tracks = std::min<int>(score->GetTrackCount(), CScore::kMaxTracks);
    for (int t = 0; t < tracks; ++t) {
        CTrkBar* tb = score->GetTrkBar(t, GetIndex());
        if (!tb) continue;
        tb->SetCurrent();
        DrawDataGrid(tb);
        if (g_model.recordingMode == 8 && t == line->GetFirstShownStaff())
            if (CItemArray* own = GetItemArray())
                for (int i = 0; i < own->GetCount(); ++i) {
                    auto* item = static_cast<CBarItem*>(own->GetAt(i));
                    if (item && !item->IsRemoved() && (item->IsTempo() || item->IsExpression())) {
                        a->SetColor(0);
                        item->Draw();
                    }
                }
        for (int pass = alike ? 2 : 1; pass <= 2; ++pass)
            trkbar::ForEachLiveItem(tb, [&](CBarItem* item) {
                if (!alike && (pass == 1) == (item->VoiceField() == currentVoice)) return;
                DrawDataItem(item);
                const int span = item->GetBarSpan();
                if (span > rec::Get<std::int16_t>(this, kLongestItemSpan))
                    rec::Put<std::int16_t>(this, kLongestItemSpan, std::int16_t(span));
            });
    }
    if (IsFirstInLine() && GetIndex() != 0) DrawContinuations();
}
