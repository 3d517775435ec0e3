#include "midi/MidiExport.h"

#include <algorithm>
#include <map>
#include <memory>

#include "framework/CodePage.h"
#include "framework/File.h"
#include "framework/FileDialog.h"
#include "midi/Performer.h"
#include "model/TaskMakers.h"
#include "model/Bar.h"
#include "model/Playback.h"
#include "model/PlaybackMarks.h"
#include "model/TrkBar.h"
#include "model/DocumentStandIns.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Tempo.h"
#include "model/Titles.h"
#include "model/Track.h"
#include "model/ZelDoc.h"
#include "platform/Handles.h"
#include "platform/PortLayer.h"
#include "platform/StdDlg.h"
#include "platform/Theory.h"

// --- the capturing device layer -----------------------------------------------------------------

bool CMidiRedirect::SendEvent(int, const ChannelMessage& record) {
    file_.WriteChannel(record.status, record.data1, record.data2);
    return true;
}

bool CMidiRedirect::SendPatch(int, int channel, std::int32_t word, int) {
    if (word < 0) return true;
    const int bank = (word >> 8) & 0x3FFF;
    if (bank) {
        file_.WriteChannel(0xB0 | (channel & 15), 0, (bank >> 7) & 0x7F);
        file_.WriteChannel(0xB0 | (channel & 15), 32, bank & 0x7F);
    }
    file_.WriteChannel(0xC0 | (channel & 15), word & 0x7F, 0);
    return true;
}

bool CMidiRedirect::SendRecord(int, int status, int data1, int data2) {
    file_.WriteChannel(status, data1, data2);
    return true;
}

bool CMidiRedirect::SendMessage3(int, int status, int data1, int data2) {
    file_.WriteChannel(status, data1, data2);
    return true;
}

bool CMidiRedirect::SendLyric(std::int32_t slot, bool noHyphen, bool extender) {
    if (performer_) file_.WriteLyric(performer_->LyricText(slot), !noHyphen, extender);
    return true;
}

bool CMidiRedirect::SendKeySignature(int, int keyCode) {
    file_.WriteKeySignature(keyCode);
    return true;
}

// --- export ---------------------------------------------------------------------------------------

namespace {

// Which tracks play: with any soloed voice, the tracks that have one; else every track with a
// voice that is not muted.
std::vector<bool> PlayingTracks(CScore& score) {
    const int n = score.GetTrackCount();
    bool anySolo = false;
    for (int t = 0; t < n; ++t)
        for (int v = 0; v < 8; ++v) anySolo = anySolo || score.GetTrack(t)->IsSolo(v);
    std::vector<bool> plays(std::size_t(n), false);
    for (int t = 0; t < n; ++t) {
        CTrack* track = score.GetTrack(t);
        for (int v = 0; v < 8; ++v)
            if (anySolo ? track->IsSolo(v) : !track->IsMuted(v)) plays[std::size_t(t)] = true;
    }
    return plays;
}

void WriteConductorTrack(CZelDoc& doc, CMidiFile& f, Performer& performer) {
    CScore& score = *doc.score;
    f.BeginTrack();
    f.WriteText(0x03, doc.titles[0].lines[0].text);
    // The tempo map in performed order (repeats and jumps as the performer takes them): each
    // bar's own tempo at its start, its tempo marks after.
    performer.Start(&score, 0, 0, 0, 0, false, false);
    std::map<int, std::pair<int, int>> tempi;  // tick -> (bar, quarter tempo)
    int tick = 0;
    const int barCount = score.GetBarCount();
    // The beat unit in force: a quarter at first, then each tempo mark's own.
    int unit = 3;
    bool dotted = false;
    // Every jump mark's pass counter is bounded, so the play order ends; the guard keeps a
    // damaged score's conductor track finite all the same.
    for (int b = barCount ? 0 : -1, guard = 0; b >= 0 && guard < barCount * 64; b = performer.NextBar(b), ++guard) {
        CBar* bar = score.GetBar(b);
        tempi[tick] = {b, TempoToQuarterTempo(bar->GetTempo(), unit, dotted)};
        CBarItem* item = bar->GetFirstItem();
        for (int i = 0; item && i < bar->GetItemCount(); ++i, item = item->NextItem()) {
            if (item->TypeCode() != CBar::kTempoType || item->IsHidden() || item->IsRemoved()) continue;
            const auto* mark = static_cast<CTempo*>(item);
            if (mark->GetBeatUnit() > 0) {
                unit = mark->GetBeatUnit();
                dotted = mark->IsDotted();
            }
            tempi[tick + item->TimeField()] = {b, mark->GetQuarterTempo()};
        }
        // The tempo actions of the bar's expressions (in its tracks' runs): a tempo at the
        // mark, or a ramp from its start tempo to its end tempo over its span in steps of 120
        // ticks, as playback takes it.
        for (int t = 0; t < score.GetTrackCount(); ++t) {
            CTrkBar* tb = score.GetTrkBar(t, b);
            for (CBarItem* x = tb ? tb->GetItems() : nullptr; x && x->TypeCode() != 255; x = x->NextItem()) {
                if (x->TypeCode() != CExpression::kType || x->IsRemoved() || (x->FlagsA() & 0x02)) continue;
                const CExpression* e = CExpression::Of(x);
                if (e->GetKind() != CExpression::kTempoKind) continue;
                const int first = TempoToQuarterTempo(e->GetStartTempo(), unit, dotted);
                const int second = TempoToQuarterTempo(e->GetEndTempo(), unit, dotted);
                const int start = tick + x->TimeField();
                const int endBars = std::max<int>(0, e->GetEndBar());
                if (endBars == 0 && e->GetEndPosition() <= x->PositionField() && first == second) {
                    tempi[start] = {b, first};
                    continue;
                }
                int span = 0;
                for (int k = 0; k < endBars && b + k < barCount; ++k) span += score.GetBar(b + k)->GetLength();
                const int endBar = std::min(b + endBars, barCount - 1);
                const int endLength = score.GetBar(endBar)->GetLength();
                span += int(std::min<std::int64_t>(endLength, std::int64_t(e->GetEndPosition()) * endLength / 1024));
                span = std::max(0, span - x->TimeField() - 1);
                const int steps = span / 120;
                for (int k = 0; k <= steps; ++k) {
                    const int tempo = steps == 0 ? first : first + int(std::int64_t(k) * (second - first) / steps);
                    const int at = steps == 0 ? start : start + int(std::int64_t(k) * span / steps);
                    tempi[at] = {b, tempo};
                }
            }
        }
        tick += bar->GetLength();
    }
    int lastNum = -1, lastDen = -1, lastTempo = -1;
    for (const auto& [at, entry] : tempi) {
        f.currentTick = at;
        CBar* bar = score.GetBar(entry.first);
        const Meter* m = bar->GetMeter();
        if (m->GetNumerator() != lastNum || m->GetDenominator() != lastDen) {
            f.WriteTimeSignature(m->GetNumerator(), m->GetDenominator(), m->GetTicksPerBeat());
            lastNum = m->GetNumerator();
            lastDen = m->GetDenominator();
        }
        if (entry.second != lastTempo) {
            f.WriteTempo(entry.second);
            lastTempo = entry.second;
        }
    }
    f.EndTrack();
}

// False when the user cancels in the progress dialog.
bool WriteTrack(CZelDoc& doc, CMidiFile& f, int t, Performer& performer, CMidiRedirect& redirect,
                CProgressDlg* progress) {
    CScore& score = *doc.score;
    CTrack* track = score.GetTrack(t);
    f.BeginTrack();
    char name[256] = {};
    track->GetName(name, false);
    if (progress) {
        progress->SetMessage(name);
        progress->SetRange(0, std::max<int>(1, score.GetBarCount()));
        progress->SetPos(0);
    }
    f.WriteText(0x03, name);
    // The instrument name: the output port's, when the track has one.
    if (const int port = track->GetDevice(); port >= 0) {
        char device[256] = {};
        if (score.GetDeviceDisplayName(port, -1, device, sizeof device) && device[0]) f.WriteText(0x04, device);
    }
    int key = track->GetKey();
    if (CLine* line = score.GetLine(0))
        if (CStaff* staff = line->GetStaff(t)) key = staff->GetKey();
    // A track shown at transposed pitch keeps the key it shows: the file takes the sounding one.
    if (track->IsTransposedDisplay() && track->GetTransposition() != 0)
        key = CTheory::GetKeyDegreeStep(key, -track->GetTransposition());
    if (key != 0) redirect.SendKeySignature(0, key);
    // The performer plays this track alone from the first bar, with the channels' first patches,
    // pans and volumes, until its play order ends: generation every 120 ticks, and the ticks
    // between that only count stepped over together.
    const int barCount = score.GetBarCount();
    performer.Start(&score, t, t, 0, 0, false, true);
    performer.PlayOnly(t);
    int shownBar = performer.GetPlayBar();
    bool cancelled = false;
    while (!performer.PlayEnded() && performer.GetPlayBar() < barCount) {
        const int intoStep = performer.GetRunningTicks() % 120;
        if (intoStep == 0) performer.GenerateAhead(480);
        if (const int idle = std::min(performer.IdleTicks(), 120 - intoStep); idle > 0) {
            performer.SkipIdleTicks(idle);
            f.currentTick += idle;
            continue;
        }
        performer.PlayTick();
        ++f.currentTick;
        if (progress && performer.GetPlayBar() != shownBar) {
            shownBar = performer.GetPlayBar();
            if (!progress->Step()) {
                cancelled = true;
                break;
            }
        }
    }
    f.currentTick = std::max(f.lastTick, f.currentTick - 1);
    performer.Silence(t, true);
    f.EndTrack();
    return !cancelled;
}

// What export borrows of the live play state (the transport word, the played score and the play
// position), given back on every way out.
class PlayStateLoan {
public:
    PlayStateLoan() : transport_(GetTransportState()), score_(GetPlayedScore()) {
        GetPlayPosition(&bar_, &beat_, &tick_);
        SetTransportState(1);  // the performer takes repeats and jumps only while "playing"
    }
    ~PlayStateLoan() {
        SetTransportState(transport_);
        SetPlayedScore(score_);
        SetPlayPosition(bar_, beat_, tick_);
    }
    PlayStateLoan(const PlayStateLoan&) = delete;
    PlayStateLoan& operator=(const PlayStateLoan&) = delete;

private:
    int transport_;
    CScore* score_;
    int bar_ = 0, beat_ = 0, tick_ = 0;
};

}  // namespace

int ExportMidiBytes(CZelDoc& doc, std::vector<std::uint8_t>* out) {
    CScore& score = *doc.score;
    const std::vector<bool> plays = PlayingTracks(score);
    const int playing = int(std::count(plays.begin(), plays.end(), true));
    CMidiFile f;
    f.WriteHeader(1 + playing);
    // The export's own performer, playing into the file: the live one (and whatever it plays) is
    // left alone.
    CMidiRedirect redirect(f);
    auto performer = std::make_unique<Performer>(&redirect, EventPool::Sharing::OneThread);
    redirect.SetPerformer(performer.get());
    PlayStateLoan loan;
    // The progress dialog, a bar at a time through each track; Cancel ends the export.
    auto progress = std::make_unique<CProgressDlg>();
    if (progress->Open(kExportProgressTemplate)) progress->SetRange(0, std::max(1, playing - 1));
    else progress.reset();
    struct CloseProgress {
        std::unique_ptr<CProgressDlg>& dialog;
        ~CloseProgress() {
            if (dialog) dialog->Close();
        }
    } closeProgress{progress};
    WriteConductorTrack(doc, f, *performer);
    for (int t = 0; t < score.GetTrackCount(); ++t)
        if (plays[std::size_t(t)] && !WriteTrack(doc, f, t, *performer, redirect, progress.get())) return 1;
    *out = f.Bytes();
    return 0;
}

int ExportMidiFileTo(CZelDoc& doc, const std::string& path) {
    std::vector<std::uint8_t> bytes;
    int code = 0;
    try {
        code = ExportMidiBytes(doc, &bytes);
    } catch (const std::bad_alloc&) {
        return 100;
    }
    if (code) return code;
    int error = 0;
    if (!fw::WriteFileAtomic(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), &error))
        return error ? error : 100;
    return 0;
}

void RegisterMidiExport() {
    MidiFileExporter() = [](CZelDoc& doc) {
        // The document's path with the ending "mid" proposed in a save dialog.
        std::string proposed = doc.GetPathName().empty() ? std::string("untitled") : doc.GetPathName();
        if (const std::size_t dot = proposed.rfind('.'); dot != std::string::npos) proposed.resize(dot);
        proposed += ".mid";
        CFileDialog dialog(false, "mid", proposed.c_str(), OFN_OVERWRITEPROMPT, "MIDI (*.mid)|*.mid||");
        if (dialog.DoModal() != IDOK) return;
        const int code = ExportMidiFileTo(doc, fw::ToUtf8(dialog.GetPathName().c_str()));
        if (code && code != 1) ReportErrorCode(code);  // 1: cancelled, nothing to say
    };
}
