// The selection walk: the snapshot of the selection's extent, then tracks, bars, voices and the
// selected items of each, with the hooks the edit commands override.
#include <algorithm>
#include <string>

#include "framework/Exceptions.h"
#include "framework/MessageBox.h"
#include "framework/StringTable.h"
#include "model/Bar.h"
#include "model/EditTask.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/Page.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "platform/PlatformGlobals.h"
#include "platform/PortLayer.h"

namespace {
constexpr UINT kNoMemoryForUndoString = 10020;
constexpr int kSilentErrorCode = 1;   // the user chose to stop: nothing more to report
constexpr int kFirstMidiDataType = 170;
}  // namespace

void CCruise::Attach(CZelDoc* doc, int nameId, int arg) {
    CScoreTask::Attach(doc, nameId);
    argument = arg;
    CopyExtent();
    redrawItems = deselect = compact = 1;
    recalcBars = 0;
}

void CCruise::CopyExtent() {
    CSelect* sel = document ? document->GetSelection() : nullptr;
    for (int i = 0; i < 6; ++i) {
        lower[i] = sel ? sel->lower[i] : 32767;
        upper[i] = sel ? sel->upper[i] : -1;
    }
}

bool CCruise::Perform() {
    Walk();
    return true;
}

void CCruise::AskToGoOnWithoutUndo() {
    FreeSnapshots();
    std::string text;
    fw::LoadStringResource(kNoMemoryForUndoString, text);
    if (AfxMessageBox(text.c_str(), MB_YESNO | MB_ICONQUESTION) != IDYES) {
        g_platform.errorCode = kSilentErrorCode;
        throw CUserException();
    }
}

void CCruise::Walk() {
    if (!score) return;
    CopyExtent();
    upper[kExtentBar] = std::int16_t(std::min<int>(upper[kExtentBar], score->GetBarCount() - 1));
    upper[kExtentTrack] = std::int16_t(std::min<int>(upper[kExtentTrack], score->GetTrackCount() - 1));
    if (!SaveTrackBarRange(lower[kExtentTrack], lower[kExtentBar], upper[kExtentTrack], upper[kExtentBar]))
        AskToGoOnWithoutUndo();
    StartWaitCursor(true);
    WalkTracks();
    CSelect* sel = document ? document->GetSelection() : nullptr;
    if (deselect && sel) {
        sel->Reset();
        sel->ClearAll();
    }
    StartWaitCursor(false);
    if (!hasSnapshot)
        FreeSnapshots();
    else if (deselect)
        ClearSnapshotMarks();
}

void CCruise::WalkTracks() {
    for (int t = lower[kExtentTrack]; t <= upper[kExtentTrack]; ++t) {
        curTrack = std::int16_t(t);
        WalkBars();
    }
    if (recalcBars) score->RecalcBars(false);
}

void CCruise::WalkBars() {
    track = score->GetTrack(curTrack);
    if (!track) return;
    for (int b = std::max<int>(lower[kExtentBar], 0); b <= upper[kExtentBar]; ++b) {
        AnimateWaitCursor();
        trkBar = score->GetTrkBar(curTrack, b);
        bar = score->GetBar(b);
        if (!trkBar || !bar) break;
        curBar = std::int16_t(b);
        trkBar->SetCurrent();
        system = trkBar->GetLine();
        curSystem = system ? std::int16_t(system->GetIndex()) : 0;
        page = trkBar->GetPage();
        curPage = std::int16_t(trkBar->GetPageIndex());
        DoTrackBar();
    }
    // The track's bars lose their own selected mark.
    for (int b = 0; b < score->GetBarCount(); ++b) {
        CTrkBar* tb = score->GetTrkBar(curTrack, b);
        if (!tb || !(tb->GetFlags() & 0x01)) continue;
        tb->SetCurrent();
        tb->Invalidate();
        tb->SetFlags(std::uint8_t(tb->GetFlags() & ~0x01));
    }
}

void CCruise::DoTrackBar() {
    std::fill(std::begin(voiceFlags), std::end(voiceFlags), std::uint8_t(0));
    const int firstVoice = document ? (document->location.voice & 7) : 0;
    const bool allVoices = document && document->location.allVoices;
    voiceFlags[firstVoice] = 1;
    bool sawRemoved = false;
    for (curVoice = std::int16_t(firstVoice); curVoice < 8; ++curVoice) {
        trkBar->SetCurrent();
        if (voiceFlags[curVoice]) {
            for (CBarItem* item = trkBar->GetItems(); item && item->TypeCode() != 255; item = item->NextItem()) {
                if (item->IsRemoved()) {
                    sawRemoved = true;
                    continue;
                }
                item->SetFlagsB(std::uint8_t(item->FlagsB() & ~CBarItem::kScratchBit));
                const int voice = item->VoiceField();
                voiceFlags[voice] = 1;
                if (!item->IsSelectedBit() || voice != curVoice) continue;
                if ((redrawItems || deselect) && item->TypeCode() < kFirstMidiDataType) item->Invalidate();
                curItem = item;
                DoItem();
                // The hook may have replaced the item (a record that grew or shrank moves).
                item = curItem;
                if (!item) break;
                if (deselect && !item->IsRemoved()) item->Deselect();
                if (item->IsRemoved()) sawRemoved = true;
            }
            EndVoice();
        }
        if (!allVoices) break;
    }
    if (sawRemoved && compact) EndTrackBar();
}

void CCruise::EndTrackBar() {
    if (trkBar) trkBar->Compact();
}

void CCruise::DeselectExtent() {
    if (!score) return;
    for (int t = lower[kExtentTrack]; t <= upper[kExtentTrack]; ++t)
        for (int b = lower[kExtentBar]; b <= upper[kExtentBar]; ++b) {
            CTrkBar* tb = score->GetTrkBar(t, b);
            if (!tb) continue;
            for (CBarItem* item = tb->GetItems(); item && item->TypeCode() != 255; item = item->NextItem())
                if (!item->IsRemoved() && item->IsSelectedBit()) item->Deselect();
        }
    if (CSelect* sel = document ? document->GetSelection() : nullptr)
        sel->itemCount = sel->noteCount = sel->rawNoteCount = sel->specialNoteCount = sel->beamCount = sel->chordCount = 0;
}

void CCruise::WalkSystem() {
    if (!SaveAll()) AskToGoOnWithoutUndo();
    CPage* p = score->GetPage(document ? document->location.pageIndex : 0);
    if (p) {
        const int first = p->GetFirstSystem();
        for (int k = 0; k < p->GetSystemCount(); ++k) {
            CLine* line = score->GetLine(first + k);
            if (!line) break;
            system = line;
            for (int s = 0; s < line->GetStaffCount(); ++s) {
                CStaff* st = line->GetStaff(s);
                if (!st || !(st->GetStaffFlags() & CStaff::kSelectedBit)) continue;
                st->SetStaffFlags(std::uint8_t(st->GetStaffFlags() & ~CStaff::kSelectedBit));
                // The hook works on the cursor's staff.
                staff = st;
                curItem = nullptr;
                DoItem();
            }
        }
    }
    if (!hasSnapshot) FreeSnapshots();
}
