// Entering notes and rests into a bar of a track: a note placed with the note tool or step entry
// goes in as a new note, a chord head, or into the neighbouring voice; a rest replaces what it
// was placed on; then the automatic options make the bar whole again (gaps filled with rests,
// the voice re-beamed, positions recomputed).
#include "model/TrkBarEntry.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "framework/Globals.h"
#include "model/Bar.h"
#include "model/BarSpacing.h"
#include "model/BeamingHooks.h"
#include "model/EngraverSettings.h"
#include "model/ItemClass.h"
#include "model/ItemFactory.h"
#include "model/Meter.h"
#include "model/NoteSize.h"
#include "model/ScoreLocation.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarEntryFields.h"
#include "model/TrkBarStandIns.h"
#include "model/TrkBarWalk.h"

using namespace entry;

EntryGlobals g_entry;

namespace {

void ResetEntryGlobals() { g_entry = EntryGlobals{}; }
[[maybe_unused]] const bool registered = fw::RegisterGlobalsReset(&ResetEntryGlobals);

// The engraving settings' scale of a grace note (percent).
constexpr int kGraceScaleWord = 35;
// The hook of a tuplet that entry makes: its side above the notes.
constexpr int kEntryTupletHook = 120;
// The rest buttons of the notes palette start at this note-value index.
constexpr int kRestButtonBase = 11;

const NoteRecordBehaviour* NoteBehaviourOf(const CBarItem& item) {
    const ItemClassInfo* info = item.ClassIn(ItemClasses());
    return info ? BehaviourAs<NoteRecordBehaviour, 0>(info) : nullptr;
}
void HeadFromPosition(CBarItem* note, int head, int accidental, int clef, int key) {
    if (const NoteRecordBehaviour* b = NoteBehaviourOf(*note)) b->NoteHeadFromPosition(*note, head, accidental, clef, key);
}
void ApplyAccidental(CBarItem* note, int head, int accidental, int clef, int key) {
    if (const NoteRecordBehaviour* b = NoteBehaviourOf(*note)) b->NoteApplyAccidental(*note, head, accidental, clef, key);
}

int TopHeadPos(const CBarItem* note) {
    int top = -128;
    for (int i = 0; i < HeadCount(note); ++i) top = std::max(top, HeadPos(HeadAt(note, i)));
    return top;
}

void SetStemUp(CBarItem* note, bool up) { SetFlag(note, kStem, kStemUpBit, up); }

// Stem 1 up, 2 down, else the note decides.
void ApplyStem(CBarItem* note, int stem) {
    if (stem == 1) SetStemUp(note, true);
    else if (stem == 2) SetStemUp(note, false);
    else NoteUpdateStem(*note, 0);
}

void MarkNew(CBarItem* item) { item->SetFlagsA(std::uint8_t(item->FlagsA() | kNewItemBit)); }
void MarkRelayout(CBarItem* item) { item->SetFlagsA(std::uint8_t(item->FlagsA() | CBarItem::kRelayoutBit)); }

// Grace or normal, as an entry asks: a grace note is drawn at the grace scale, plays ahead of
// its note and takes its stem by the voice (up in voices 0-3); a normal one plays on time.
void SetGraceOrNormal(CBarItem* note, int head, bool grace) {
    std::uint8_t* h = HeadAt(note, head);
    SetFlag(note, kBaseFlags, kGraceBit, grace);
    if (grace) {
        const int scale = CurrentEngraverSettings().GetWord(kGraceScaleWord);
        note->CBaseItem::SetScale(std::uint8_t(scale));
        h[kHeadScale] = std::uint8_t(scale);
        const int duration = rec::Get<std::uint16_t>(h, kHeadDuration);
        rec::Put<std::int16_t>(h, kHeadPlayOffset, std::int16_t(-(duration + 1)));
        SetStemUp(note, note->VoiceField() < 4);
    } else {
        rec::Put<std::int16_t>(h, kHeadPlayOffset, 0);
    }
}

ScoreLocation LocationFor(const EntryRequest& r, bool rest) {
    ScoreLocation l;
    l.voice = std::uint16_t(r.voice);
    l.time = std::floor(r.time);
    l.position = std::int16_t(r.position);
    l.staffPosition = r.staffPosition;
    l.noteValue = std::int16_t(r.value);
    l.noteValueIndex = std::int16_t(kRestButtonBase + r.value);
    l.dots = std::int16_t(r.dots);
    l.tupletCount = std::int16_t(r.tupletCount);
    l.tupletSpace = std::int16_t(r.tupletSpan);
    l.smallNote = rest ? 0 : std::uint8_t(r.grace);
    l.pitch = std::int16_t(r.midiPitch);
    l.playDuration = std::uint16_t(std::clamp(r.headDuration, 0, 65535));
    l.track = r.track;
    l.staff = r.staff;
    l.bar = r.bar;
    return l;
}

}  // namespace

// --- shared by both entries --------------------------------------------------------------------

namespace {

struct EntryContext {
    CTrkBar* trkBar;
    CBar* bar;
    CTrack* track;
    CStaff* staff;
    int window;     // the staff's line spacing in 1/1024 of the bar
    bool percussion;
    bool tablature;
};

EntryContext ContextFor(CTrkBar* tb, EntryRequest& r) {
    tb->SetCurrent();
    EntryContext c{tb, tb->GetBar(), r.track ? r.track : tb->GetTrack(), r.staff ? r.staff : tb->GetStaff(), 0, false,
                   false};
    if (c.bar && c.staff && c.bar->GetContentWidth() > 0) c.window = c.bar->WidthToFraction(c.staff->Space());
    c.percussion = c.track && c.track->IsPercussionStaff();
    c.tablature = c.track && c.track->IsTablatureStaff();
    return c;
}

// With automatic rests, an entry where nothing stands pushes the voice's later notes on by the
// entry's duration: later rests go, and a rest that straddles the entry time goes and stops the
// push (its room takes the entry).
void MakeRoom(CTrkBar* tb, int voice, double time, double inserted, bool stopAtStraddling) {
    bool moving = true;
    trkbar::ForEachLiveItem(tb, [&](CBarItem* item) {
        if (item->VoiceField() != voice || !moving) return;
        const double start = item->TimeField();
        if (item->IsRest()) {
            const double end = start + NoteDuration(*item);
            if (start > time) {
                item->MarkRemoved();
            } else if (stopAtStraddling && start < time && end > time) {
                item->MarkRemoved();
                moving = false;
            }
            return;
        }
        if (item->IsNoteFamily() && start >= time) item->SetTime(int(start + inserted));
    });
}

// A new tuplet over the voice's entries from the first one at the entry time that has the
// request's tuplet count: when that one starts on the tuplet's grid, the notes and rests that end
// within count members of it are fitted with the shared template. False when it cannot be made.
bool AddEntryTuplet(CTrkBar* tb, int voice, int entryTime, int tupletCount, double memberDuration) {
    CBarItem* first = nullptr;
    trkbar::ForEachLiveItem(tb, [&](CBarItem* item) {
        if (!first && item->IsNoteOrRest() && item->VoiceField() == voice && item->TimeField() == entryTime &&
            TupletCount(item) == tupletCount)
            first = item;
    });
    if (!first || memberDuration <= 0) return true;
    const double span = memberDuration * tupletCount;
    if (std::fmod(first->TimeField(), span) != 0) return true;
    const int end = int(first->TimeField() + span + 0.5);
    std::vector<CBarItem*> members;
    bool from = false;
    trkbar::ForEachLiveItem(tb, [&](CBarItem* item) {
        if (item == first) from = true;
        if (from && item->IsNoteOrRest() && item->VoiceField() == voice && NoteEndTime(*item) <= end) members.push_back(item);
    });
    if (members.empty()) return true;
    TupletMake make;
    make.number = Byte(first, kTupletCount);
    make.secondNumber = Byte(first, kTupletSpan);
    CTuplet::FitToNotes(members.data(), int(members.size()), make);
    alignas(8) std::uint8_t bytes[CTuplet::kSize];
    // No line, the number alone, above the notes (where the fit measured them).
    CTuplet* tuplet = CTuplet::Init(bytes, 0, kEntryTupletHook, 0, make.number, make.secondNumber, make.voice, first->TimeField(),
                                    first->PositionField(), make.startY, make.startStaffOffset,
                                    members.back()->PositionField(), make.endY, make.endStaffOffset);
    // A lone member: the tuplet reaches up to its full length, short of what starts there.
    if (members.size() == 1)
        tuplet->SetEndPosition(std::max<int>(first->PositionField(), tb->TickToFraction(end) - 1));
    return tb->AddTuplet(*tuplet, first->TimeField()) != nullptr;
}

// Without automatic rests a note entered into a tuplet stays under it: the tuplet's end moves
// out to where the note ends (short of what starts there), never in.
void StretchTupletOverEntry(CTrkBar* tb, CBarItem* note) {
    CBarItem* tuplet = tb->FindTupletOfNote(note, false);
    if (!tuplet || tuplet->GetBarSpan() != 0) return;
    const int end = std::max<int>(note->PositionField(), tb->TickToFraction(int(NoteEndTime(*note))) - 1);
    if (end > tuplet->GetEndPosition()) tuplet->SetEndPosition(end);
}

// The voice's tuplet around an entry is renewed, or goes when the entry (shorter than a quarter,
// with automatic beaming) fills it from its start: the beam will carry its number. The tuplet's
// length is counted in the value of its first member, so that an eighth entered into a tuplet of
// quarters, which no beam will hold, leaves it standing.
void UpdateTupletOfEntry(CTrkBar* tb, CBarItem* entry, int tupletSpan) {
    CBarItem* tuplet = tb->FindTupletOfNote(entry, false);
    if (!tuplet) return;
    MarkRelayout(tuplet);
    const int value = ValueCode(entry);
    if (!g_entry.autoBeam || value <= 3) return;
    int memberValue = value;
    const int voice = tuplet->VoiceField(), start = tuplet->TimeField();
    bool found = false;
    trkbar::ForEachLiveItem(tb, [&](CBarItem* item) {
        if (found || !item->IsNoteOrRest() || item->VoiceField() != voice || item->TimeField() != start || IsGrace(item)) return;
        memberValue = std::clamp(ValueCode(item), 0, 8);
        found = true;
    });
    // A whole-bar member (code 0) lasts its bar.
    const int memberTicks = memberValue == 0 ? tb->GetMeterLength() : notesize::kValueTicks[memberValue];
    // The tuplet item goes; its members stay in the tuplet, whose number their beam shows.
    if (start + memberTicks * tupletSpan <= NoteEndTime(*entry))
        tuplet->SetFlagsB(std::uint8_t(tuplet->FlagsB() | CBarItem::kRemovedBit));
}

}  // namespace

// --- note insertion ----------------------------------------------------------------------------

bool CTrkBar::InsertNote(EntryRequest& r, bool allowChord, int crossOffset) {
    CurrentVoiceGuard keepVoice;
    g_entry.lastEntryTime = int(r.time);
    EntryContext c = ContextFor(this, r);
    int clef = 0, key = 0;
    GetClefAndKeyAt(r.position, &clef, &key);

    if (!g_entry.autoRests) {
        if (CBarItem* found = FindNoteOrRestAtX(-1, r.position, c.window); found && found->VoiceField() != r.voice) {
            r.time = found->TimeField();
            r.position = found->PositionField();
        }
    }
    int drum = -1;  // the drum map's entry of the staff position on a percussion staff
    if (c.percussion)
        for (int i = 0; i < 16; ++i)
            if (c.track->GetDrumPosition(i) == r.staffPosition) {
                r.stem = c.track->GetVoiceStem(r.voice);
                g_entry.currentVoice = r.voice;
                drum = i;
                break;
            }
    CBarItem* restAt = FindItemOfKindAt(r.voice, int(r.time), kRestType, -1);

    CBarItem* chordNote = nullptr;
    if (allowChord && !restAt && r.chordSearch > -60) {
        const int window = r.grace ? c.window / 4 : c.window;
        CBarItem* found = FindNoteOrRestAtX(r.voice, r.position, window);
        if (!found) {
            found = FindNoteOrRestAtX(-1, r.position, window);
            if (found) r.time = found->TimeField();
        }
        if (!c.percussion && !r.grace && found && found->IsNote()) {
            if (ValueCode(found) == r.value || IsGrace(found)) {
                chordNote = found;
            } else {
                const int neighbour = r.voice == 0 ? 1 : r.voice - 1;
                if (c.track && neighbour < c.track->GetVoiceCount()) {
                    ApplyVoiceStems(true);
                    const bool below = r.staffPosition < TopHeadPos(found);
                    r.stem = below ? 2 : 1;
                    SetStemUp(found, below);
                    r.voice = neighbour;
                    g_entry.voiceFlag = true;
                    g_entry.currentVoice = neighbour;
                }
                CBarItem* again = FindNoteOrRestAtX(r.voice, r.position, window);
                chordNote = again && again->IsNote() ? again : nullptr;
            }
        } else if (c.percussion && found && found->IsNote() && HeadCount(found) > 0) {
            int sum = 0;
            for (int i = 0; i < HeadCount(found); ++i) sum += rec::Get<std::uint16_t>(HeadAt(found, i), kHeadDuration);
            r.headDuration = sum / HeadCount(found);
        }
    }

    if (g_entry.autoRests) {
        // An entry onto a rest of the voice takes that rest's place: nothing is pushed.
        if (!chordNote && !r.grace && !restAt) MakeRoom(this, r.voice, r.time, r.insertedDuration, true);
        if (restAt && !restAt->IsRemoved()) {
            if (r.tupletCount && ValueCode(restAt) == r.value) {
                r.tupletCount = TupletCount(restAt);
                r.tupletSpan = Byte(restAt, kTupletSpan);
            }
            const int at = int(r.time);
            trkbar::ForEachLiveItem(this, [&](CBarItem* item) {
                if (item->IsRest() && item->VoiceField() == r.voice && item->TimeField() >= at) item->MarkRemoved();
            });
        }
    } else if (restAt) {
        restAt->MarkRemoved();
    }

    bool beamCovered = false, tupletInvolved = false;
    const int entryTime = int(r.time);
    if (!chordNote) {
        CBarItem* note = NewItem(kNoteType, entryTime);
        if (!note) return false;
        note->PlaceAt(LocationFor(r, false));
        PutByte(note, kTupletCount, std::uint8_t(r.tupletCount));
        PutByte(note, kTupletSpan, std::uint8_t(r.tupletSpan));
        std::uint8_t* head = HeadAt(note, 0);
        head[kHeadCross] = std::uint8_t((head[kHeadCross] & 0x1F) | ((crossOffset & 7) << 5));
        HeadFromPosition(note, 0, 0, clef, key);
        if (const int accidental = r.accidental % 6; accidental >= 1) {
            ApplyAccidental(note, 0, accidental, clef, key);
            r.accidental = 0;
        }
        ApplyStem(note, r.stem);
        if (c.tablature) {
            head[kHeadShape] = std::uint8_t((head[kHeadShape] & 0x03) | ((r.tabShape & 63) << 2));
            head[kHeadPitch] = std::uint8_t(r.midiPitch);
        } else if (drum >= 0) {
            // A percussion staff's position plays its drum's key with its drum's head.
            head[kHeadPitch] = std::uint8_t(c.track->GetDrumKey(drum));
            head[kHeadShape] = std::uint8_t((head[kHeadShape] & 0x03) | ((c.track->GetDrumHead(drum) & 63) << 2));
        }
        const double duration = NoteDuration(*note);
        if (g_entry.advance) {
            r.time += duration;
            r.position = TickToFraction(int(r.time));
        }
        if (r.grace) SetGraceOrNormal(note, 0, true);
        MarkNew(note);
        if (CBarItem* beam = FindBeamOfNote(note)) {
            beamCovered = true;
            if (ValueCode(note) < 4)
                beam->MarkRemoved();
            else
                MarkRelayout(beam);
        }
        const bool wasInTuplet = FindTupletOfNote(note, false) != nullptr;
        if (!r.grace) {
            UpdateTupletOfEntry(this, note, r.tupletSpan);
        } else if (ValueCode(note) < 2) {
            PutByte(note, kValue, std::uint8_t((Byte(note, kValue) & 0x0F) | (2 << 4)));
        }
        tupletInvolved = wasInTuplet || r.tupletCount != 0;
        if (g_entry.autoRests && !(c.bar && c.bar->HasBarFlag(CBar::kShortBarBit)) && !c.tablature)
            if (!FillGaps(r.voice, false, false, true)) return false;
        if (r.tupletCount && !r.grace && !wasInTuplet) {
            if (!AddEntryTuplet(this, r.voice, entryTime, r.tupletCount, duration)) return false;
        } else if (wasInTuplet && !g_entry.autoRests) {
            StretchTupletOverEntry(this, note);
        }
    } else {
        if (chordNote->IsRest()) return false;
        const int grown = HeadCount(chordNote);
        CBarItem* note = ResizeNote(chordNote, nullptr, 1);
        if (!note) return false;
        std::uint8_t* head = HeadAt(note, grown);
        const std::uint8_t shape = HeadAt(note, 0)[kHeadShape];
        head[kHeadCross] = std::uint8_t(head[kHeadCross] & 0x1F);
        head[kHeadShape] = r.headBytes[0];
        head[kHeadLinks] = r.headBytes[1];
        rec::Put<std::uint16_t>(head, kHeadDuration, std::uint16_t(std::clamp(r.headDuration, 0, 65535)));
        head[kHeadPos] = std::uint8_t(std::int8_t(r.staffPosition));
        if (!c.percussion && !c.tablature) head[kHeadShape] = std::uint8_t((head[kHeadShape] & 0x03) | (shape & 0xFC));
        if (const int accidental = r.accidental % 6; accidental >= 1) {
            ApplyAccidental(note, grown, accidental, clef, key);
            r.accidental = 0;
        } else {
            HeadFromPosition(note, grown, 0, clef, key);
        }
        // The chord keeps its kind: a head added to a grace note is a grace head, so that a
        // normal note joining a grace note's chord never leaves a second note on the beat.
        SetGraceOrNormal(note, grown, r.grace || IsGrace(note));
        // The stem is chosen from the chord's highest and lowest heads, which the chord's layout
        // puts in their order first: the new head came in last.
        note->LayoutChord();
        ApplyStem(note, r.stem);
        head = HeadAt(note, grown);
        if (head[kHeadAcc] & 0xE0) head[kHeadAcc] = std::uint8_t(head[kHeadAcc] | 0x04);
        r.position = note->PositionField();
        r.time = NoteEndTime(*note);
        MarkNew(note);
        note->LayoutChord();
        beamCovered = FindBeamOfNote(note) != nullptr;
    }

    RecalcTimes(nullptr, nullptr);
    RecalcAccidentals();
    if (!g_entry.autoBeam && !beamCovered) {
        Recalc(0);
    } else {
        std::uint8_t meterBytes[28];
        GetBarMeter(meterBytes);
        const auto* meter = reinterpret_cast<const Meter*>(meterBytes);
        int grouping = meter->GetBeamGroup(0) ? meter->GetBeamGroup(0) * 240 : GetBeatLength();
        if (meter->GetBeamGroup(0)) {
            bool fails = false;
            trkbar::ForEachLiveItem(this, [&](CBarItem* item) {
                if (fails || !item->IsNote() || item->VoiceField() != r.voice || IsGrace(item) || item->TimeField() >= entryTime)
                    return;
                const bool ok = (meter->GetDenominator() != 4 || ValueCode(item) == 4) &&
                                (r.grace || ValueCode(item) == r.value) && Dots(item) == 0 &&
                                (r.grace || !(Byte(item, kBaseFlags) & kTupletBit));
                if (!ok) fails = true;
            });
            if (fails) grouping = 480;
        }
        if (grouping <= 0) grouping = 480;
        beaming::Init(this, 1, 0);
        beaming::AutoBeam(GetTrackIndex(), r.voice, entryTime - entryTime % grouping, 32767);
        if (tupletInvolved) Recalc(0);
    }
    // The voice is spaced again with automatic spacing, whether it was beamed again or not.
    if (g_entry.autoSpacing) RecalcPositions(r.voice);
    if (!beamCovered) trkbar::PlaceNote(this, r.stem != 0);
    return true;
}

// --- rest insertion ----------------------------------------------------------------------------

bool CTrkBar::InsertRest(EntryRequest& r) {
    CurrentVoiceGuard keepVoice;
    g_entry.lastEntryTime = int(r.time);
    EntryContext c = ContextFor(this, r);
    CBarItem* found = FindNoteOrRestAtX(r.voice, r.position, c.window);
    if (!found) {
        if (g_entry.autoRests) MakeRoom(this, r.voice, r.time - 0.5, r.insertedDuration, false);
    } else if (found->IsRest()) {
        found->MarkRemoved();
    } else if (ValueCode(found) == r.value || std::abs(r.staffPosition - found->GetFirstHeadStaffPos()) < 2) {
        found->MarkRemoved();
    } else {
        ApplyVoiceStems(true);
        r.voice = r.voice == 0 ? 1 : r.voice - 1;
        r.stem = r.voice % 2 == 0 ? 1 : 2;
        g_entry.voiceFlag = true;
        g_entry.currentVoice = r.voice;
    }
    CBarItem* rest = NewItem(kRestType, int(r.time));
    if (!rest) return false;
    const int entryTime = int(r.time + 0.5);
    rest->PlaceAt(LocationFor(r, true));
    const double duration = NoteDuration(*rest);
    r.time += duration;
    if (c.tablature) SetFlag(rest, kRestFlags, 0x10, true);

    VoiceStats stats;
    const int inUse = GetVoiceStats(&stats, false);
    const int v = rest->VoiceField();
    const int value = std::min(ValueCode(rest), 8);
    const bool oddVoice = v == 1 || v == 3 || v == 5;
    if (inUse > 1) {
        int position = kRestDefaultStaffPos[value];
        if (stats.voice[v].average > 2) position += 6;
        else if (stats.voice[v].average < -2 || oddVoice) position -= 6;
        PutByte(rest, kRestStaffPos, std::uint8_t(std::int8_t(position)));
    } else if (HasOtherVoice(v)) {
        PutByte(rest, kRestStaffPos, std::uint8_t(std::int8_t(kRestDefaultStaffPos[value] - (oddVoice ? 6 : 0))));
    }

    const bool inTuplet = FindTupletOfNote(rest, false) != nullptr;
    if (!r.grace) UpdateTupletOfEntry(this, rest, r.tupletSpan);
    if (g_entry.autoRests && !c.tablature)
        if (!FillGaps(r.voice, false, false, false)) return false;
    if (g_entry.autoSpacing) RecalcPositions(r.voice);
    if (r.tupletCount && !r.grace && !inTuplet)
        if (!AddEntryTuplet(this, r.voice, entryTime, r.tupletCount, duration)) return false;
    if (inTuplet) Recalc(0);
    return true;
}
