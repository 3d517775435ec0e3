// Note drawing: a page of 16 staves x 8 bars, every bar sixteen 16th-note chords of three heads
// (one with an accidental), drawn into a memory port. Prints milliseconds per page.
#include <chrono>
#include <cstdio>
#include <vector>

#include "framework/DC.h"
#include "model/Bar.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/ScoreStandIns.h"
#include "model/ScoreStructureStandIns.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "notation/NotationClasses.h"
#include "notation/Note.h"
#include "platform/Artist.h"
#include "platform/Port.h"

namespace {

constexpr int kBars = 8, kStaves = 16, kChords = 16;

// Fills every track bar with the chords, laid out.
void FillScore(CScore& score) {
    std::vector<std::uint8_t> bytes(CRawNote::kHeads + 3 * NoteHead::kSize, 0);
    for (int t = 0; t < kStaves; ++t) {
        for (int b = 0; b < kBars; ++b) {
            CTrkBar* trkBar = score.GetTrkBar(t, b);
            trkBar->SetCurrent();
            for (int k = 0; k < kChords; ++k) {
                std::fill(bytes.begin(), bytes.end(), 0);
                CNote* note = CNote::Construct(bytes.data());
                note->SetHeadCountField(3);
                note->CBaseItem::SetSize(std::int16_t(bytes.size()));
                note->SetNoteValue(5);
                note->SetTimeField(std::int16_t(k * 120));
                note->SetPositionField(std::int16_t(k * 1024 / kChords));
                note->SetStemUpBit(k % 2 == 0);
                const int base = (k % 8) - 6;
                for (int h = 0; h < 3; ++h) {
                    NoteHead* head = note->Head(h);
                    head->SetPosition(base + 2 * h + (h == 2 ? -1 : 0));
                    head->SetDuration(120);
                }
                note->Head(1)->SetAccidental(1);
                note->Head(1)->SetBits(NoteHead::kAccByte, NoteHead::kAccShown, true);
                if (CBarItem* placed = trkBar->InsertCopy(note)) placed->LayoutChord();
            }
        }
    }
}

// Draws every note of the score's systems (the eight bars).
int DrawPage(CScore& score) {
    int drawn = 0;
    for (int s = 0; s < score.GetLineCount(); ++s) {
        CLine* line = score.GetLine(s);
        for (int j = 0; j < line->GetBarCount(); ++j) {
            for (int t = 0; t < kStaves; ++t) {
                CTrkBar* trkBar = score.GetTrkBar(t, line->GetFirstBarIndex() + j);
                trkBar->SetCurrent();
                GetArtist()->SetMusicFont(g_model.currentStaff->GetFontSize());
                for (CBarItem* item = trkBar->GetItems(); item && item->Type() != 255; item = item->NextItem()) {
                    item->Draw();
                    ++drawn;
                }
            }
        }
    }
    return drawn;
}

}  // namespace

int main() {
    RegisterTrackClass();
    RegisterNotationClasses();
    CZelDoc doc;
    CScore score(&doc);
    if (!score.BuildSkeleton(kBars, kStaves)) return 1;
    g_model.currentScore = &score;
    score.RecalcLayout(0);
    for (int k = 0; k < score.GetLineCount(); ++k) score.GetLine(k)->Relayout();
    FillScore(score);

    InitDrawing();
    CDC dc;
    CBitmap bitmap;
    dc.CreateCompatibleDC(nullptr);
    bitmap.CreateBitmap(1240, 1754);
    dc.SelectObject(&bitmap);
    PushPort(&dc);
    DrawPage(score);  // warm the glyph caches
    const int runs = 20;
    int notes = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < runs; ++i) notes = DrawPage(score);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    PopPort();
    std::printf("note drawing, %d staves x %d bars of 16th-note chords (%d notes, %d systems): %.2f ms per page\n",
                kStaves, kBars, notes, score.GetLineCount(), ms / runs);
    return 0;
}
