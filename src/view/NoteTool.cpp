// The note tool: one note, chord tone or rest entered with the mouse. The press builds the note
// (pitch from the staff position, the clef, the key and the bar's earlier accidentals) and
// sounds it; moves change its pitch once it has left the press's staff position; the release
// enters it into the track bar, runs the automatic checks and moves the insertion point on.
#include <algorithm>
#include <cstring>

#include "framework/Window.h"
#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarEntry.h"
#include "model/TrkBarEntryFields.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"
#include "notation/Note.h"
#include "notation/Rest.h"
#include "platform/Handles.h"
#include "platform/PlatformGlobals.h"
#include "view/EditTool.h"
#include "view/NoteChecks.h"
#include "view/PagePane.h"
#include "view/ToolState.h"

namespace {

constexpr int kRestValueBase = 11;
constexpr int kNoteValueTicks[9] = {3840, 1920, 960, 480, 240, 120, 60, 30, 15};
constexpr int kPlayLengthPercent = 90;
constexpr int kAccidentalBits = 0xE0;

int DurationTicks(int value, int dots, int tupletCount, int tupletSpace) {
    const int v = std::clamp(value, 0, 8);
    int ticks = kNoteValueTicks[v];
    for (int d = 0, half = ticks / 2; d < dots; ++d, half /= 2) ticks += half;
    if (tupletCount > 0 && tupletSpace > 0) ticks = ticks * tupletSpace / tupletCount;
    return ticks;
}

// Whether the track shows standard notation (neither percussion nor tablature).
bool Standard(const CTrack* t) { return t && !t->IsPercussionStaff() && !t->IsTablatureStaff(); }

}  // namespace

void CNoteTool::BuildItem() {
    CZelDoc* doc = document;
    if (!doc || !score) return;
    const ScoreLocation& L = doc->location;
    const ToolState& t = g_toolState;
    sub = t.subTool == ToolState::kRestSub ? ToolState::kRestSub : ToolState::kNoteSub;
    const bool rest = sub == ToolState::kRestSub;
    CTrack* track = L.track ? L.track : score->GetTrack(L.trackIndex);
    CTrkBar* tb = score->GetTrkBar(L.trackIndex, L.barIndex);
    CBar* bar = score->GetBar(L.barIndex);
    if (!track || !tb || !bar) return;

    int voice = L.voice & 7;
    stem = std::int16_t(track->GetVoiceStem(voice));
    if (!rest && Standard(track) && stem == 0 && tb->HasOtherVoice(voice)) stem = (voice % 2 == 0) ? 1 : 2;

    own.noteValueIndex = t.value;
    own.dots = t.dots;
    own.smallNote = t.grace;
    own.tupletCount = t.tupletNumber;
    own.tupletSpace = t.tupletNumber ? t.tupletSpace : 0;
    own.voice = std::uint16_t(voice);
    const int value = rest ? t.value - kRestValueBase : t.value;
    duration = DurationTicks(value, t.dots, own.tupletCount, own.tupletSpace);
    own.playDuration = std::uint16_t(std::clamp(duration * kPlayLengthPercent / 100, 0, 65535));
    clickStaffPosition = std::int16_t(own.staffPosition);
    wholeRest = 1;
    chord = 0;
    chosenAccidental = 0;

    std::memset(scratch, 0, sizeof scratch);
    if (rest) {
        own.placementFlag = 1;
        CRest* r = CRest::Construct(scratch);
        r->PlaceAt(own);
        rec::Put<std::int8_t>(r, entry::kRestStaffPos, std::int8_t(std::clamp<int>(clickStaffPosition, -127, 127)));
        item = r;
        return;
    }

    // A note of the voice within a head's width of the press: the new note is one more head of it.
    CStaff* staff = L.staff ? L.staff : tb->GetStaff();
    int window = staff ? bar->WidthToFraction(staff->GetHeadWidth()) : 0;
    if (t.grace) window /= 4;
    if (CBarItem* found = tb->FindNoteOrRestAtX(voice, own.position, window); found && found->IsNote()) {
        chord = 1;
        own.position = found->PositionField();
        own.time = found->TimeField();
    }
    int c = 0, k = 0;
    tb->GetClefAndKeyAt(own.position, &c, &k);
    clef = std::int16_t(c);
    key = std::int16_t(k);

    own.noteValue = std::int16_t(std::clamp(value, 0, 8));
    own.accidental = 0;
    own.stemDirection = stem;
    if (track->IsPercussionStaff()) {
        for (int i = 0; i < CTrack::kDrums; ++i)
            if (track->GetDrumPosition(i) == own.staffPosition) {
                own.pitch = std::int16_t(track->GetDrumKey(i));
                voice = track->GetDrumVoice(i) & 7;
                own.voice = std::uint16_t(voice);
                stem = std::int16_t(track->GetVoiceStem(voice));
                break;
            }
    }
    CNote* note = CNote::Construct(scratch);
    note->PlaceAt(own);
    if (Standard(track)) {
        if (t.accidental) {
            NoteHeadFromPosition(*note, 0, 0, clef, 0);
            int pitch = entry::HeadAt(note, 0)[entry::kHeadPitch];
            static constexpr int kShift[6] = {0, 1, -1, 0, 2, -2};
            pitch += kShift[std::clamp<int>(t.accidental, 0, 5)];
            entry::HeadAt(note, 0)[entry::kHeadPitch] = std::uint8_t(std::clamp(pitch, 0, 127));
            chosenAccidental = t.accidental;
        } else {
            NoteHeadFromPosition(*note, 0, 0, clef, key);
            // An accidental earlier in the bar holds for the same staff position of the voice.
            trkbar::ForEachLiveItem(tb, [&](CBarItem* it) {
                if (!it->IsNote() || it->VoiceField() != voice || it->PositionField() >= own.position) return;
                for (int h = 0; h < entry::HeadCount(it); ++h) {
                    const std::uint8_t* head = entry::HeadAt(it, h);
                    if (entry::HeadPos(head) != own.staffPosition || !(head[entry::kHeadAcc] & kAccidentalBits)) continue;
                    std::uint8_t* mine = entry::HeadAt(note, 0);
                    mine[entry::kHeadPitch] = head[entry::kHeadPitch];
                    mine[entry::kHeadAcc] = std::uint8_t((mine[entry::kHeadAcc] & ~kAccidentalBits) | (head[entry::kHeadAcc] & kAccidentalBits));
                    chosenAccidental = std::int16_t((head[entry::kHeadAcc] & kAccidentalBits) >> 5);
                }
            });
        }
    }
    // A whole-bar rest at the start of the bar gives way to the first note.
    CBarItem* lastRest = nullptr;
    trkbar::ForEachLiveItem(tb, [&](CBarItem* it) {
        if (it->IsRest() && it->VoiceField() == voice) lastRest = it;
    });
    if (lastRest && lastRest->TimeField() == 0 && entry::ValueCode(lastRest) < 2) {
        wholeRest = 0;
        lastRest->MarkRemoved();
    }
    item = note;
    StartItemSound(note, -1);
}

void CNoteTool::MoveGhost() {
    auto* it = static_cast<CBarItem*>(item);
    if (!it) return;
    if (!chord) it->SetPositionField(std::int16_t(it->PositionField() + positionStep));
    if (it->IsNote() && dy != 0) {
        if (clickStaffPosition != 32767 && std::abs(targetStaffPos - clickStaffPosition) <= 2) return;
        clickStaffPosition = 32767;
        SoundChord(it, 0, true);
        CTrack* track = g_model.dragStart.track;
        if (track && track->IsPercussionStaff()) {
            std::uint8_t* head = entry::HeadAt(it, 0);
            head[entry::kHeadShape] = std::uint8_t((head[entry::kHeadShape] & 0x03) |
                                                   (track->GetNoteHeadForKey(head[entry::kHeadPitch], it->VoiceField(), 0) << 2));
        }
        return;
    }
    if (it->IsRest()) rec::Put<std::int8_t>(it, entry::kRestStaffPos, std::int8_t(std::clamp<int>(targetStaffPos, -127, 127)));
}

void CNoteTool::Place() {
    auto* it = reinterpret_cast<CBarItem*>(scratch);
    const bool rest = sub == ToolState::kRestSub;
    if (!rest) StopItemSound(it, -1);
    if (!document || !score || !insertion) return;
    const int ipTime = int(insertion->time);

    CTrkBar* tb = score->GetTrkBar(own.trackIndex, own.barIndex);
    CBar* bar = score->GetBar(own.barIndex);
    CTrack* track = score->GetTrack(own.trackIndex);
    if (!tb || !bar || !track) return;
    const int voice = own.voice & 7;
    if (!chord) {
        const int voiceTime = tb->PositionToVoiceTime(voice, own.position);
        own.time = std::max<double>(voiceTime, own.bar ? own.bar->FractionToTick(own.position) : 0);
    }
    own.staffPosition = rest ? rec::Get<std::int8_t>(it, entry::kRestStaffPos) : entry::HeadPos(entry::HeadAt(it, 0));

    if (g_entry.autoSpacing)
        SaveSystem(own.systemIndex);
    else
        SaveTrackBar(own.trackIndex, own.barIndex);

    EntryRequest r;
    r.voice = voice;
    r.position = own.position;
    r.time = own.time;
    r.staffPosition = own.staffPosition;
    r.value = rest ? own.noteValueIndex - 11 : own.noteValue;
    r.dots = std::min<int>(own.dots, 2);
    r.tupletCount = own.tupletCount;
    r.tupletSpan = own.tupletSpace;
    r.stem = stem;
    r.grace = own.smallNote != 0;
    r.headDuration = own.playDuration;
    r.insertedDuration = duration;
    r.staff = own.staff;
    r.bar = bar;
    r.track = track;
    const bool advance = g_preferences.Byte(Preferences::kAdvanceCursor) != 0;
    tb->SetCurrent();
    bool ok = false;
    {
        const bool keep = g_entry.advance;
        g_entry.advance = advance || rest;
        if (rest) {
            ok = tb->InsertRest(r);
        } else {
            r.midiPitch = entry::HeadAt(it, 0)[entry::kHeadPitch];
            r.accidental = chosenAccidental;
            ok = tb->InsertNote(r, true, 0);
        }
        g_entry.advance = keep;
    }
    if (!ok) ThrowOutOfMemory();
    SetChanged(true);
    own.time = r.time;
    own.position = std::int16_t(r.position);
    own.voice = std::uint16_t(r.voice);

    if (g_preferences.Byte(Preferences::kCorrect)) RunNoteChecks(*this, rest ? -1 : int(r.midiPitch));

    item = nullptr;
    if (g_entry.autoSpacing)
        score->UpdateBarLayout(own.barIndex);
    else
        AddItemRect(tb);
    curVoice = std::int16_t(own.voice);

    // The insertion point moves on: past a bar that the note filled, never beyond the last bar.
    int y = start.y;
    int barIndex = own.barIndex;
    double time = own.time;
    if (advance && !g_platform.shiftDown) {
        while (time >= bar->GetMeterLength() && barIndex + 1 < score->GetBarCount()) {
            time -= bar->GetMeterLength();
            ++barIndex;
            bar = score->GetBar(barIndex);
            tb = score->GetTrkBar(own.trackIndex, barIndex);
            if (!bar || !tb) return;
            own.bar = bar;
            own.trkBar = tb;
            own.barIndex = std::int16_t(barIndex);
            own.staff = tb->GetStaff();
            own.system = tb->GetLine();
            if (own.staff) y = own.staff->PositionToY(own.staffPosition);
        }
    } else {
        time = ipTime;
    }
    own.time = time;
    own.position = bar->TickToFraction(int(time), false);
    g_model.currentBar = bar;
    if (own.staff) g_model.currentStaff = own.staff;
    if (advance) {
        ScoreLocation& ip = *insertion;
        ip.time = own.time;
        ip.position = own.position;
        ip.barIndex = own.barIndex;
        ip.bar = own.bar;
        ip.trkBar = own.trkBar;
        ip.staff = own.staff;
        ip.system = own.system;
        ip.voice = own.voice;
    }
    document->ShowInsertionPoint(own.barIndex, false);
    // The pointer goes to the new insertion point.
    if (auto* pane = dynamic_cast<CPagePane*>(document->currentPane)) {
        CPage* page = score->GetPage(pane->GetPageNumber());
        if (page && pane->IsWindow()) {
            const RECT paper = page->GetPaperRect();
            POINT p{LONG(bar->FractionToX(own.position) - paper.left), LONG(y - paper.top)};
            pane->ClientToScreen(&p);
            fw::SetCursorPos(int(p.x), int(p.y));
        }
    }
}
