// The chord tool: a click above a bar puts the chord palette's chord in, as a chord symbol or,
// in the chord library's diagram mode, as a guitar frame, at the time of a note or rest within
// reach. A click on a note first names the chord its pitches form (on a braced piano staff with
// the notes of the staff below at the same place) and makes it the palette's current chord.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/ChordRecords.h"
#include "model/DragTask.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarEntry.h"
#include "model/TrkBarEntryFields.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"
#include "platform/LibraryStandIns.h"
#include "platform/PlatformGlobals.h"
#include "view/PagePane.h"
#include "view/PlaceTools.h"
#include "view/ToolState.h"

namespace {
constexpr int kMaxPitches = 12;
constexpr int kDurationTicks = 480;
constexpr int kVelocity = 80;
// A default frame: six strings, four frets shown.
constexpr int kDefaultStrings = 6, kDefaultFrets = 4;
// A note or rest that the attachment passes over: bit 1 of its byte 18.
constexpr int kEntryFlags = 18;
static_assert(kChordFrameSize == CGuitarFrame::kSize, "the chord tool's own frame is a whole frame record");

// The heads' pitches of a note into out, up to the room left; returns the new count.
int AddPitches(CBarItem* note, int* out, int count) {
    for (int h = 0; h < entry::HeadCount(note) && count < kMaxPitches; ++h)
        out[count++] = entry::HeadAt(note, h)[entry::kHeadPitch];
    return count;
}

bool LiveNoteOrRest(CBarItem* it) { return it->IsNoteOrRest() && !it->IsRemoved() && !(it->Byte(kEntryFlags) & 0x02); }
}  // namespace

// The chord the clicked note (or, with nothing hit inside the staff, the note or rest within a
// head's width) forms names the palette's current chord.
static void NameClickedChord(CScore& score, const ScoreLocation& at, CScoreItem* hit) {
    CTrkBar* tb = score.GetTrkBar(at.trackIndex, at.barIndex);
    CBar* bar = score.GetBar(at.barIndex);
    CStaff* staff = at.staff ? at.staff : (tb ? tb->GetStaff() : nullptr);
    if (!tb || !bar || !staff) return;
    const int window = bar->WidthToFraction(staff->GetHeadWidth());
    CBarItem* item = hit && hit->ClassTestC() ? static_cast<CBarItem*>(hit) : nullptr;
    const RECT r = staff->GetRect();
    const bool inStaff = at.pointX >= r.left && at.pointX < r.right && at.pointY >= r.top && at.pointY < r.bottom;
    if (!item && inStaff) item = tb->FindNoteOrRestAtX(-1, at.position, window);
    if (!item || !item->IsNote()) return;
    int pitches[kMaxPitches];
    int count = 0;
    CTrack* track = score.GetTrack(at.trackIndex);
    if (track && track->IsGrandStaffTop() && at.trackIndex + 1 < score.GetTrackCount()) {
        trkbar::ForEachLiveItem(score.GetTrkBar(at.trackIndex + 1, at.barIndex), [&](CBarItem* it) {
            if (it->IsNote() && it->PositionField() == item->PositionField() && count == 0)
                count = AddPitches(it, pitches, count);
        });
    }
    count = AddPitches(item, pitches, count);
    CChordLib* lib = g_platform.chordLib;
    const int index = lib ? lib->NameChord(pitches, count) : -1;
    if (index != -1) g_toolState.chordIndex = std::int16_t(index);
}

CDragTask* CPagePane::OnChordTool(CScoreItem* hitItem) {
    NameClickedChord(*score, *location, hitItem);
    auto* tool = new CChordTool;
    g_viewDrag.tool = CChordTool::kToolId;
    tool->Start(document, hitItem, CChordTool::kToolId);
    return tool;
}

void CChordTool::BuildItem() {
    if (!score) return;
    const ToolState& t = g_toolState;
    CChordLib* lib = g_platform.chordLib;
    std::memset(scratch, 0, sizeof scratch);
    CBarItem* it = nullptr;
    if (!lib || lib->mode == 0) {
        auto* c = static_cast<CChord*>(ConstructClass(CChord::kType, scratch));
        if (!c) return;
        int letter = 0, accidental = 0, semitone = 0, bassLetter = 0, bassAccidental = 0;
        DecodeChordRoot(t.chordRoot, &letter, &accidental, &semitone);
        const bool hasBass = t.chordBass >= 0 && DecodeChordRoot(t.chordBass, &bassLetter, &bassAccidental, &semitone);
        c->InitNew(t.chordKey, std::max(letter, 0), accidental, std::max(bassLetter, 0), bassAccidental, hasBass,
                   t.chordBassBelow != 0);
        c->SetParenthesised(t.chordDisplay != 0);
        it = c;
    } else {
        auto* f = static_cast<CGuitarFrame*>(ConstructClass(CGuitarFrame::kType, scratch));
        if (!f) return;
        // The new frame's placement stays its own whatever the library's frame holds.
        const int x = f->GetXOffset(), y = f->GetYOffset();
        // The frame as its source keeps it (its scale and colour too); the class slot, size
        // and type stay the new record's. The chord tool's own frame, while one is pending,
        // goes before the library's; the library's is placed not selected.
        const auto* entry = static_cast<const std::uint8_t*>(lib->GetItem(t.chordIndex));
        if (t.chordFramePending) {
            std::memcpy(scratch + rec::kScale, t.chordFrame + rec::kScale, CGuitarFrame::kSize - rec::kScale);
        } else if (entry) {
            std::memcpy(scratch + rec::kScale, entry + rec::kScale, CGuitarFrame::kSize - rec::kScale);
            f->SetFlagsB(std::uint8_t(f->FlagsB() & ~CBarItem::kSelectedBit));
        } else {
            f->SetStrings(kDefaultStrings);
            f->SetFrets(kDefaultFrets);
        }
        // On a tablature staff the capo comes from the track's tablature settings and its
        // naming from the score's; elsewhere the frame keeps its own.
        const CTrack* track = score->GetTrack(own.trackIndex);
        if (track && track->IsTablatureStaff()) {
            f->SetCapo(track->GetOpenStringOffset());
            f->SetTabMode(score->capoMode);
        }
        // The palette's text-only and bass-below choices.
        f->SetNameOnly(t.chordTextOnly ? 1 : 0);
        f->SetBassBelow(t.chordBassBelow ? 1 : 0);
        f->SetXOffset(x);
        f->SetYOffset(y);
        f->SetDuration(kDurationTicks);
        f->SetVelocity(kVelocity);
        f->SetFlagsA(std::uint8_t(f->FlagsA() | CBarItem::kFlag8Bit1));
        it = f;
    }
    it->SetVoice(own.voice);
    // The time of the first live note or rest of the run within reach of the click.
    it->SetPositionField(own.position);
    it->SetTimeField(std::int16_t(int(own.time)));
    if (CTrkBar* tb = score->GetTrkBar(own.trackIndex, own.barIndex)) {
        bool found = false;
        trkbar::ForEachLiveItem(tb, [&](CBarItem* other) {
            if (found || !LiveNoteOrRest(other) || std::abs(other->PositionField() - own.position) >= kReach) return;
            it->SetPositionField(other->PositionField());
            it->SetTimeField(other->TimeField());
            found = true;
        });
    }
    item = it;
}

void CChordTool::Place() {
    CEditTool::Place();
    CTrkBar* tb = score ? score->GetTrkBar(own.trackIndex, own.barIndex) : nullptr;
    CBar* bar = score ? score->GetBar(own.barIndex) : nullptr;
    if (!tb || !bar) return;
    bool notes = false;
    trkbar::ForEachLiveItem(tb, [&](CBarItem* it) { notes = notes || it->IsNoteOrRest(); });
    if (notes) return;
    // With no note or rest to stand at, the bar's chord symbols and frames go onto its beats,
    // voice by voice.
    tb->SpaceChordSymbols();
    if (g_entry.autoSpacing) {
        SetLayoutChanged();
        bar->Respace();
    }
}
