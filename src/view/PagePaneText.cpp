// The page pane's side of text entry: the text tool's click, the end of entry and the editor's
// request to resize.
#include <algorithm>

#include "framework/Input.h"
#include "model/Bar.h"
#include "model/Lyric.h"
#include "model/LyricTask.h"
#include "model/Page.h"
#include "model/Preferences.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "model/TrkBarFinders.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/Text.h"
#include "model/TextTask.h"
#include "model/ZelDoc.h"
#include "view/PagePane.h"
#include "view/ToolState.h"
#include "view/ZelView.h"

CDragTask* CPagePane::OnTextTool(int x, int y, CScoreItem* hitItem) {
    HideCaret();
    if (!document || !location) return nullptr;
    // Lyric entry (the lyric palette button, or a lyric or note hit) belongs to lyric entry.
    if (g_toolState.button == 4 || (hitItem && (hitItem->IsLyric() || hitItem->IsNoteOrRawNote()))) {
        auto* barHit = hitItem && (hitItem->IsLyric() || hitItem->IsNoteOrRawNote()) ? static_cast<CBarItem*>(hitItem)
                                                                                     : nullptr;
        StartLyricEntry(x, y, barHit);
        return nullptr;
    }
    g_toolState.tool = ToolState::kText;
    if (CBar* bar = score ? score->GetBar(location->barIndex) : nullptr) bar->MakeCurrent();
    if (textEditor || document->textTask) return nullptr;
    auto* barHit = hitItem && hitItem->IsText() ? static_cast<CBarItem*>(hitItem) : nullptr;
    auto* task = new CTextTask;
    task->textKind = std::clamp<int>(g_toolState.button, 0, 3);
    document->currentPane = this;
    if (task->Start(document, barHit, x, y, false)) textEditor = task;
    return nullptr;
}

void CPagePane::CloseTextEditor() {
    CTextTask* task = document ? document->textTask : nullptr;
    textEditor = nullptr;
    hitKind = 0;
    if (document) document->textTask = nullptr;
    g_model.hitItem = nullptr;
    if (task) task->Finish();
    if (IsWindow()) InvalidateAll();
    // The keys go to the score window again.
    if (task && view && view->IsWindow()) view->SetFocus();
}

void CPagePane::OnRequestResize(const RECT& rect) {
    if (CTextTask* task = document ? document->textTask : textEditor) task->ResizeEditor(rect);
}

bool CPagePane::StartLyricEntry(int x, int y, CBarItem* item) {
    if (!document || !location || !score || textEditor || document->textTask) return false;
    CTrkBar* trkBar = score->GetTrkBar(location->trackIndex, location->barIndex);
    const int verse = CurrentVerse(document);
    // Without a note or syllable: the note of the voice nearest the click.
    if (!item && trkBar) {
        int best = 1 << 30;
        finders::ForEachLive(trkBar, [&](CBarItem* r) {
            if (r->IsNote() && r->VoiceField() == location->voice) {
                const int d = std::abs(r->PositionField() - location->position);
                if (d < best) best = d, item = r;
            }
            return true;
        });
    }
    if (!item || !trkBar) return false;
    location->voice = std::uint16_t(item->VoiceField());
    location->position = item->PositionField();
    location->time = item->TimeField();
    CBarItem* syllable = nullptr;
    if (item->IsLyric()) {
        syllable = item;
    } else {
        // The syllable of the current verse at the note.
        finders::ForEachLive(trkBar, [&](CBarItem* r) {
            if (r->IsLyric() && r->VoiceField() == item->VoiceField() && r->PositionField() == item->PositionField() &&
                r->RecordSizeField() >= CLyric::kFixedSize && static_cast<CLyric*>(r)->GetVerse() == verse)
                syllable = r;
            return true;
        });
    }
    CBar* bar = score->GetBar(location->barIndex);
    CStaff* staff = location->staff ? location->staff : (bar && bar->GetLine() ? bar->GetLine()->GetStaff(0) : nullptr);
    if (!bar || !staff) return false;
    bar->MakeCurrent();
    trkBar->SetCurrent();
    location->trkBar = trkBar;
    const RECT paper = score->GetPage(GetPageIndex()) ? score->GetPage(GetPageIndex())->GetPaperRect() : RECT{};
    x = bar->FractionToX(item->PositionField()) + staff->Space() / 2 - int(paper.left);
    y = staff->OffsetToY(staff->GetLyricOffset(verse)) - int(paper.top);
    g_toolState.tool = ToolState::kText;
    document->currentPane = this;
    auto* task = new CLyricTask(document);
    if (!task->StartLyric(document, syllable, x, y)) return false;
    textEditor = task;
    return true;
}

bool CPagePane::OnLyricKey(int key) {
    if (!document || !location || !score) return false;
    const int verse = CurrentVerse(document);
    switch (key) {
    case 8:
    case 9:
    case 32:
    case 45:
    case 95: {
        const bool back = key == 8 || (key == 9 && (fw::GetKeyState(VK_SHIFT) & 0x8000) != 0);
        CloseTextEditor();
        CTrkBar* trkBar = score->GetTrkBar(location->trackIndex, location->barIndex);
        if (!trkBar) return true;
        // The position again from the time: storing may have respaced the bar.
        location->position = std::int16_t(trkBar->TickToFraction(int(location->time)));
        const bool skipTied = g_preferences.Byte(Preferences::kSkipTiedNotes) != 0;
        int bar = location->barIndex;
        CBarItem* next = back ? trkBar->FindPrevLyric(location->position, location->voice, verse, &bar, skipTied)
                              : trkBar->FindNextLyric(location->position, location->voice, verse, &bar, skipTied);
        if (!next) return true;
        if (bar != location->barIndex) {
            document->ShowInsertionPoint(bar, true);
            location->barIndex = std::int16_t(bar);
        }
        StartLyricEntry(0, 0, next);
        return true;
    }
    case 13:
    case 31:
    case 30: {
        const int to = key == 30 ? verse - 1 : verse + 1;
        if (to < 0 || to >= CLyricTask::kVerses) return true;
        // Closing stores the syllable, which rewrites the bar's run: the note is looked up after.
        CloseTextEditor();
        CBarItem* note = nullptr;
        if (CTrkBar* trkBar = score->GetTrkBar(location->trackIndex, location->barIndex)) {
            location->position = std::int16_t(trkBar->TickToFraction(int(location->time)));
            finders::ForEachLive(trkBar, [&](CBarItem* r) {
                if (r->IsNote() && r->VoiceField() == location->voice && r->PositionField() == location->position)
                    note = r;
                return !note;
            });
        }
        SetCurrentVerse(document, to);
        if (note) StartLyricEntry(0, 0, note);
        return true;
    }
    default: return false;
    }
}
