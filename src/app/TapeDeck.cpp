#include "app/TapeDeck.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "edit/Transcriber.h"
#include "framework/Arith.h"
#include "framework/Dialog.h"
#include "framework/MessageBox.h"
#include "framework/StringTable.h"
#include "midi/MidiLayer.h"
#include "midi/Performer.h"
#include "model/Bar.h"
#include "model/EditTask.h"
#include "model/ModelGlobals.h"
#include "model/ItemArray.h"
#include "model/NoteSize.h"
#include "model/Playback.h"
#include "model/PlaybackHooks.h"
#include "model/PlaybackMarks.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/Tempo.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "platform/Handles.h"
#include "platform/PortLayer.h"
#include "view/ViewGlobals.h"

namespace {

constexpr int kStartGrid = 120;       // a start tick is a multiple of a sixteenth note
constexpr int kRefreshTicks = 10;     // the display refresh, in 1/60 s
constexpr int kGenerateAhead = 240;   // ticks the poll moves generation on
constexpr int kTempoDataKind = 8;     // the MIDI data view's tempo
constexpr std::uint8_t kRecordReplace = 0x80;
constexpr int kProgressBars = 64;      // more recorded bars than this show the progress dialog
constexpr int kProgressDialog = 276;
constexpr int kRefreshViews = 4319;
constexpr UINT kKeepTemposQuestion = 8010;

// The modeless dialog that says the recorded bars are being converted.
std::unique_ptr<CDialog> OpenProgressDialog() {
    auto dialog = std::make_unique<CDialog>();
    if (!dialog->Create(kProgressDialog, nullptr)) return nullptr;
    dialog->ShowWindow(SW_SHOW);
    dialog->UpdateWindow();
    return dialog;
}

int PickupOffset(const CBar* bar) { return bar ? bar->GetShortfall() : 0; }

}  // namespace

CTapeDeck::CTapeDeck(CMidi* midi, Performer* performer) : midi_(midi), performer_(performer) {}

void CTapeDeck::SetDocument(CZelDoc* document) {
    if (PlaybackRunning()) return;
    document_ = document;
    score_ = document ? document->GetScore() : nullptr;
}

// state | 2500            | 2502      | 2504                     | 2501      | 2503
// 0     | 2 (3: tempo), go | 1, go     | locate to bar 0, 1, go   | nothing   | nothing
// 1-3   | stop, 0          | stop, 0   | stop, 0                  | stop, 0   | nothing
void CTapeDeck::OnCommand(int id) {
    switch (id) {
    case kRecord:
    case kPlay:
    case kPlayFromStart: {
        if (!document_) return;
        nextRefresh_ = GetTicks();
        if (GetTransportState() != kStopped) {
            OnCommand(kStop);
            return;
        }
        CScore* score = document_->GetScore();
        if (!score || score->GetBarCount() <= 0 || !midi_ || !performer_) return;
        ScoreLocation& at = document_->location;
        if (id == kPlayFromStart) {
            document_->SetCurrentBar(0, false);
            at.time = PickupOffset(score->GetBar(0));
            SetTransportState(kPlaying);
        } else if (id == kPlay) {
            SetTransportState(kPlaying);
        } else {
            SetTransportState(g_preferences.Byte(Preferences::kDataType) == kTempoDataKind ? kTempoRecording
                                                                                          : kRecording);
            at.time = 0;
        }
        const int bar = std::clamp<int>(at.barIndex, 0, score->GetBarCount() - 1);
        if (at.time < PickupOffset(score->GetBar(bar))) at.time = PickupOffset(score->GetBar(bar));
        Start();
        StartClock();
        return;
    }
    case kStop:
        if (!document_ || GetTransportState() == kStopped) return;
        Stop();
        SetTransportState(kStopped);
        return;
    default:
        return;
    }
}

void CTapeDeck::Start() {
    stateAtStart_ = GetTransportState();
    score_ = document_->GetScore();
    SetErrorCode(0);
    countOffBars_ = 0;
    punchedIn_ = punchedOut_ = false;
    const bool recording = stateAtStart_ == kRecording || stateAtStart_ == kTempoRecording;
    const int countBars = g_preferences.Word(Preferences::kCountBars);
    if (recording) {
        if (g_preferences.Byte(Preferences::kThruEnabled)) g_model.thruChangePending = true;
        if (!punch_) {
            if (g_preferences.Byte(Preferences::kClickInRecord) || g_preferences.Byte(Preferences::kClickInCountoff))
                countOffBars_ = std::max(0, countBars);
        } else if (countBars > 0) {
            int bar = playRange_.fromBar - countBars;
            if (bar < 0) {
                countOffBars_ = -bar;
                bar = 0;
            }
            document_->SetCurrentBar(bar, false);
        }
    }

    // The start point: the insertion point, rounded down to a sixteenth.
    location_ = document_->location;
    track_ = std::clamp<int>(location_.trackIndex, 0, std::max(0, score_->GetTrackCount() - 1));
    voice_ = location_.voice;
    startBar_ = std::clamp<int>(location_.barIndex, 0, score_->GetBarCount() - 1);
    CBar* bar = score_->GetBar(startBar_);
    startTick_ = int(location_.time);
    if (PickupOffset(bar) > 0) {
        startTick_ = PickupOffset(bar);
    } else if (startTick_ >= bar->GetLength()) {
        if (startBar_ + 1 < score_->GetBarCount()) {
            ++startBar_;
            startTick_ = 0;
        } else {
            startTick_ = bar->GetLength() - 1;
        }
    }
    startTick_ = std::max(0, startTick_ - startTick_ % kStartGrid);
    bar = score_->GetBar(startBar_);

    undoTask_ = nullptr;
    if (stateAtStart_ == kRecording) {
        conversionBar_ = startBar_;
        splitPitch_ = -1;
        CTrack* track = score_->GetTrack(track_);
        if (track) track->SetTrackFlags(track->GetTrackFlags() | kRecordReplace);
        if (g_preferences.Byte(Preferences::kSplitEnabled) && track && track->IsGrandStaffTop()) {
            if (CTrack* lower = score_->GetTrack(track_ + 1)) lower->SetTrackFlags(lower->GetTrackFlags() | kRecordReplace);
            splitPitch_ = g_preferences.Byte(Preferences::kSplitPitch);
        }
        const int lastTrack = splitPitch_ >= 0 ? track_ + 1 : track_;
        undoTask_ = score_->NewUndoTask(kRecord, track_, startBar_, lastTrack, startBar_);
        recorder_.Begin(score_, playRange_, track_, voice_, startBar_, splitPitch_);
    } else if (stateAtStart_ == kTempoRecording) {
        undoTask_ = score_->NewUndoTask(kRecord, track_, startBar_, track_, startBar_);
    }

    const int lastTrack = std::min<int>(playRange_.lastTrack, score_->GetTrackCount() - 1);
    performer_->Start(score_, playRange_.firstTrack, lastTrack, startBar_, startTick_, true, true);
    midi_->SetCountOff(countOffBars_ * bar->GetMeterLength());
    performer_->StartMetronome();
}

void CTapeDeck::StartClock() {
    g_view.lastPlayBeat = -1;
    if (midi_->StartPlayback()) {
        g_playbackHooks.PlaybackStarted();
        return;
    }
    // The clock cannot run: nothing plays, and a recording's undo step goes again.
    performer_->Stop();
    endRecordMarks();
    if (undoTask_ && document_) {
        undoTask_->SwapSnapshot();
        document_->DropNewestUndo();
        undoTask_ = nullptr;
    }
    SetTransportState(kStopped);
}

void CTapeDeck::endRecordMarks() {
    if (stateAtStart_ != kRecording || !score_) return;
    for (int t : {track_, splitPitch_ >= 0 ? track_ + 1 : -1})
        if (CTrack* track = t >= 0 ? score_->GetTrack(t) : nullptr)
            track->SetTrackFlags(track->GetTrackFlags() & std::uint8_t(~kRecordReplace));
}

void CTapeDeck::Poll() {
    if (GetTransportState() == kStopped || !score_) return;
    if (PlaybackRunning()) performer_->GenerateAhead(kGenerateAhead);
    if (stateAtStart_ != kRecording) return;
    if (GetErrorCode() == 0 && midi_->GetCountOff() == 0) {
        // The recorded bars go into the playing score under the play lock.
        std::lock_guard<std::recursive_mutex> lock(performer_->PlayLock());
        ConvertBars(performer_->GetPlayBar() - 1);
    }
    if (!punch_) return;
    int bar = 0, beat = 0, tick = 0;
    GetPlayPosition(&bar, &beat, &tick);
    const CBar* b = score_->GetBar(std::clamp(bar, 0, score_->GetBarCount() - 1));
    const int inBar = beat * (b ? b->GetBeatLength() : 480) + tick;
    if (playRange_.IsAtOrAfterEnd(bar, inBar)) {
        if (sink_) sink_(kPunchOut);
    } else if (!playRange_.IsBefore(bar, inBar)) {
        if (sink_) sink_(kPunchIn);
    } else if (GetTicks() >= nextRefresh_) {
        nextRefresh_ = GetTicks() + kRefreshTicks;
        if (sink_) sink_(kRefresh);
    }
}

bool CTapeDeck::ConvertBars(int lastBar) {
    if (!undoTask_ || !score_) return true;
    for (; conversionBar_ <= lastBar; ++conversionBar_) {
        const int b = conversionBar_;
        while (score_->GetBarCount() <= b)
            if (!score_->AppendBar(false)) return false;
        const int lastTrack = splitPitch_ >= 0 ? track_ + 1 : track_;
        if (b >= playRange_.fromBar)
            for (int t = track_; t <= lastTrack; ++t)
                if (!undoTask_->SaveTrackBar(t, b)) return false;
        if (b >= playRange_.fromBar && b <= playRange_.toBar) {
            const int from = b == playRange_.fromBar ? playRange_.fromTick : 0;
            const int to = b == playRange_.toBar ? playRange_.toTick : 0x7FFFFFFF;
            for (int t = track_; t <= lastTrack; ++t)
                if (!clearForRecording(t, b, from, to)) return false;
            if (!recorder_.DrainQueue(b)) return false;
        }
    }
    return true;
}

void CTapeDeck::Stop() {
    midi_->StopPlayback();
    if (score_ && score_->GetBarCount() > 0) {
        int bar = 0, beat = 0, tick = 0;
        GetPlayPosition(&bar, &beat, &tick);
        bar = std::clamp(bar, 0, score_->GetBarCount() - 1);
        const CBar* b = score_->GetBar(bar);
        const int time = beat * b->GetBeatLength() + tick;
        if (document_->location.barIndex != bar) document_->SetCurrentBar(bar, false);
        document_->location.time = time;
        document_->location.position = std::int16_t(MulDiv(time, 1024, std::max(1, b->GetLength())));
    }
    if (stateAtStart_ == kTempoRecording) {
        InsertTapTempi();
        midi_->ClearTapTempos();
        undoTask_ = nullptr;
        return;
    }
    if (stateAtStart_ != kRecording) return;
    endRecordMarks();
    const int endBar = performer_->GetPlayBar();
    if (GetErrorCode() == 0 && ConvertBars(endBar)) {
        finishRecording(endBar);
    } else if (undoTask_) {
        undoTask_->SwapSnapshot();
        if (document_->GetUndoCount() > 0 && document_->GetUndoEntry(document_->GetUndoCount() - 1) == undoTask_)
            document_->DropNewestUndo();
        ReportErrorCode(100);
    }
    undoTask_ = nullptr;
}

bool CTapeDeck::clearForRecording(int track, int bar, int from, int to) {
    CTrkBar* tb = score_->GetTrkBar(track, bar);
    if (!tb) return true;
    for (CBarItem* item = tb->GetItems(); item && item->TypeCode() != 255; item = item->NextItem()) {
        if (item->IsRemoved() || !score_->IsVoiceShown(item->GetVoice())) continue;
        const int time = item->GetTime();
        if (time < from || time >= to) continue;
        if (item->GetBarSpan() > 0) item->SaveSpannedBars();
        if (MidiRecorder::IsFilteredItem(*item)) item->MarkRemoved();
    }
    return true;
}

void CTapeDeck::finishRecording(int endBar) {
    const int lastTrack = splitPitch_ >= 0 ? track_ + 1 : track_;
    showedProgress_ = false;
    endBar = std::min(endBar, score_->GetBarCount() - 1);
    if (splitPitch_ >= 0)
        for (int b = startBar_; b <= endBar; ++b)
            if (CTrkBar* tb = score_->GetTrkBar(track_, b)) {
                tb->SetCurrent();
                tb->SplitToNextTrack(track_, splitPitch_);
                tb->SortItems();
            }
    if (g_preferences.Byte(Preferences::kTranscribe)) {
        StartWaitCursor(true);
        std::unique_ptr<CDialog> progress;
        if (endBar > startBar_ + kProgressBars) progress = OpenProgressDialog();
        showedProgress_ = progress != nullptr;
        Transcriber& t = g_edit.transcriber;
        t.Setup(score_, notesize::kValueTicks[g_preferences.Word(Preferences::kQuantizeIndex) & 7], true, true,
                g_preferences.Byte(Preferences::kOneVoice) == 0);
        for (int track = track_; track <= lastTrack; ++track) t.Run(track, startBar_, endBar, document_->location.voice);
        if (progress) progress->DestroyWindow();
        for (int b = startBar_; b <= endBar; ++b)
            if (CBar* bar = score_->GetBar(b)) bar->Respace();
        StartWaitCursor(false);
    }
    document_->OnCommandRange(kRefreshViews);
    document_->InvalidatePanes();
}

bool CTapeDeck::InsertTapTempi() {
    if (!undoTask_) return true;
    std::vector<std::uint32_t> tempi = midi_->TapTempos();
    if (tempi.empty()) return true;
    std::string question;
    fw::LoadStringResource(kKeepTemposQuestion, question);
    if (AfxMessageBox(question.c_str(), MB_YESNO) != IDYES) return true;
    std::size_t next = 0;
    alignas(8) std::uint8_t buffer[CTempo::kSize + 16] = {};
    for (int b = startBar_; b < score_->GetBarCount() && next < tempi.size(); ++b) {
        CBar* bar = score_->GetBar(b);
        if (!undoTask_->SaveBar(b)) return false;
        bar = score_->GetBar(b);
        if (CItemArray* items = bar->GetItemArray())
            for (int i = 0; i < items->GetCount(); ++i) {
                CScoreItem* it = items->GetItem(i);
                if (!it) continue;
                auto* item = static_cast<CBarItem*>(it);
                if (item->IsRemoved()) continue;
                if (item->IsTempo() || (item->IsExpression() && CExpression::Of(item)->GetKind() == CExpression::kTempoKind))
                    item->MarkRemoved();
            }
        const int beat = std::max(1, int(bar->GetBeatLength()));
        int unit = 3;
        bool dotted = false;
        for (int code = 0; code < 8; ++code) {
            if (notesize::kValueTicks[code] == beat) unit = code, dotted = false;
            if (notesize::kValueTicks[code] * 3 / 2 == beat) unit = code, dotted = true;
        }
        for (int pos = bar->GetShortfall(); pos < bar->GetLength() && next < tempi.size(); pos += beat) {
            CTempo* mark = MakeTempoItem(buffer, MulDiv(int(tempi[next]), 480, beat));
            const bool first = next == 0;
            ++next;
            std::uint8_t flags = std::uint8_t((unit << 4) | (rec::Get<std::uint8_t>(mark, CTempo::kUnit) & 0x0B));
            if (dotted) flags |= CTempo::kDottedBit;
            if (!first) flags &= std::uint8_t(~(CTempo::kMetronomeShownBit | CTempo::kTextShownBit));
            rec::Put<std::uint8_t>(mark, CTempo::kUnit, flags);
            mark->SetValue(MulDiv(int(tempi[next - 1]), 480, beat));
            mark->SetTimeField(std::int16_t(pos));
            if (!bar->InsertItemSorted(mark)) return false;
        }
    }
    document_->ShowInsertionPoint(startBar_, false);
    return true;
}
