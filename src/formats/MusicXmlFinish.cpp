// The MusicXML reader between and after its walks: the empty score built from what the first walk
// collected (titles, a track per staff of every part, bars and their time signatures from the
// first part, systems and pages from its breaks, keys, braces and brackets), and the finish after
// the second: voices moved to the staves they sit on, the noted beams, ties and tuplets made where
// their notes ended up, the bars spaced, then the slurs, the marks and the lyrics, and the score
// laid out.
#include <algorithm>

#include "formats/MusicXmlReader.h"
#include "framework/Globals.h"
#include "model/Bar.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "notation/RawNote.h"
#include "platform/Handles.h"

namespace formats {
namespace {

// A time signature the bars can hold: 1-32 beats of a power-of-two unit up to 64ths, at most
// sixteen whole notes a bar.
bool ValidMeter(int beats, int beatType) {
    if (beats < 1 || beats > 32) return false;
    if (beatType < 1 || beatType > 64 || (beatType & (beatType - 1)) != 0) return false;
    return beats * (1920 / beatType) <= 16 * 1920;
}

}  // namespace

bool MusicXmlReader::BuildScore() {
    ScoreSetup setup;
    // Tracks: every staff of every part in part order; a part that no longer fits is left out.
    int channel = -1;
    for (PartRecord& part : parts_) {
        part.staffCount = std::clamp(part.staffCount, 1, kMaxStaves);
        if (int(setup.staves.size()) + part.staffCount > CScore::kMaxTracks) {
            part.firstTrack = -1;
            continue;
        }
        // A part without a MIDI channel takes the next one in part order (the drum channel
        // passed over).
        if (part.midiChannel >= 1 && part.midiChannel <= 16) {
            channel = part.midiChannel - 1;
        } else {
            channel = (channel + 1) % 16;
            if (channel == 9) channel = 10;
        }
        part.firstTrack = int(setup.staves.size());
        for (int s = 0; s < part.staffCount; ++s) {
            StaffSetup staff;
            staff.clef = part.initialClef[s];
            staff.name = part.name;
            staff.abbreviation = part.abbreviation;
            staff.channel = channel;
            staff.program = std::clamp(part.midiProgram - 1, 0, 127);
            setup.staves.push_back(staff);
        }
    }
    if (setup.staves.empty()) return false;

    // Bars, their time signatures and the breaks follow the first part.
    const PartRecord& first = parts_.front();
    const int bars = std::clamp(barCount_, 1, kMaxBars);
    barCount_ = bars;
    int beats = 4, beatType = 4;
    int systemBreaks = 0, pageBreaks = 0;
    for (int b = 0; b < bars; ++b) {
        BarSetup bar;
        const MeasureEntry* entry = b < int(first.measures.size()) ? &first.measures[std::size_t(b)] : nullptr;
        if (entry) {
            if (entry->beats && entry->beatType && ValidMeter(entry->beats, entry->beatType)) {
                beats = entry->beats;
                beatType = entry->beatType;
                bar.meterShown = true;
            }
            bar.cut = entry->timeSymbol == 1;
            bar.common = entry->timeSymbol == 2;
            bar.pickup = entry->implicit;
            // A break on the first bar starts nothing; a new page starts a new system too.
            if (b > 0 && entry->pageBreaks != pageBreaks) {
                setup.pageBreaks.push_back(int(setup.systemBreaks.size()) + 1);
                setup.systemBreaks.push_back(b);
            } else if (b > 0 && entry->systemBreaks != systemBreaks) {
                setup.systemBreaks.push_back(b);
            }
            systemBreaks = entry->systemBreaks;
            pageBreaks = entry->pageBreaks;
        }
        bar.numerator = beats;
        bar.denominator = beatType;
        setup.bars.push_back(bar);
    }
    setup.staffSpacing = staffDistance_;
    setup.leftIndent = leftMargin_;
    if (!builder_.Build(setup)) return false;

    builder_.SetTitleLine(0, 0, title_);
    builder_.SetTitleLine(0, 1, number_);
    builder_.SetTitleLine(3, 0, rights_);
    builder_.SetTitleLine(2, 0, composer_);
    builder_.SetTitleLine(1, 0, poet_);

    // Key signatures where a part's key changes (a key given again is no change).
    for (const PartRecord& part : parts_) {
        if (part.firstTrack < 0) continue;
        int current = 0;
        for (int b = 0; b < bars && b < int(part.measures.size()); ++b) {
            const MeasureEntry& entry = part.measures[std::size_t(b)];
            if (!entry.keyGiven || entry.key == current) continue;
            current = entry.key;
            for (int s = 0; s < part.staffCount; ++s) builder_.PutKey(part.firstTrack + s, b, entry.key);
        }
    }

    // A part of several staves is braced, its name shown once; then the part groups, the last
    // first.
    CScore& score = builder_.Score();
    for (const PartRecord& part : parts_) {
        if (part.firstTrack < 0 || part.staffCount < 2) continue;
        builder_.PutBracket(1, part.firstTrack, part.firstTrack + part.staffCount - 1, true);
        for (int s = 1; s < part.staffCount; ++s) {
            CTrack* track = score.GetTrack(part.firstTrack + s);
            track->SetTrackFlags(std::uint8_t(track->GetTrackFlags() & ~0x01));
        }
    }
    for (int g = std::min(groupCount_, int(groups_.size())) - 1; g >= 0; --g) {
        const PartGroup& group = groups_[std::size_t(g)];
        if (group.symbol == 0 || group.firstPart < 0 || group.lastPart < group.firstPart ||
            group.lastPart >= int(parts_.size()))
            continue;
        const PartRecord& a = parts_[std::size_t(group.firstPart)];
        const PartRecord& z = parts_[std::size_t(group.lastPart)];
        if (a.firstTrack < 0 || z.firstTrack < 0) continue;
        builder_.PutBracket(group.symbol, a.firstTrack, z.firstTrack + z.staffCount - 1, false);
    }
    for (int k = 0; k < score.GetLineCount(); ++k)
        if (CLine* line = score.GetLine(k)) line->UpdateBrackets();
    return true;
}

void MusicXmlReader::FinishScore() {
    CScore& score = builder_.Score();
    // The bars' timing passes give grace notes their main note's time and keep where they sound.
    fw::ScopedGlobal<bool> hold(g_model.holdTiming, true);
    // Voices that sit mostly on another staff of their part move there.
    std::vector<ScoreBuilder::VoiceMoves> moves(parts_.size());
    for (std::size_t p = 0; p < parts_.size(); ++p)
        if (parts_[p].firstTrack >= 0)
            moves[p] = builder_.MoveStaffVoices(parts_[p].firstTrack, parts_[p].staffCount);
    auto keyOf = [&](int part, const NotePlace& at) {
        NoteKey key;
        key.voice = at.voice;
        ScoreBuilder::MapVoice(moves[std::size_t(part)], parts_[std::size_t(part)].firstTrack, &key.track, &key.voice);
        key.bar = at.bar;
        key.time = at.time;
        key.grace = at.grace;
        return key;
    };

    for (const PendingBeam& beam : beams_) {
        std::vector<NoteKey> keys;
        for (const NotePlace& at : beam.notes) keys.push_back(keyOf(beam.part, at));
        if (!builder_.PutBeam(keys)) ThrowOutOfMemory();
    }
    for (const PendingTie& tie : ties_)
        if (!builder_.PutTie(keyOf(tie.part, tie.from), tie.pitch, keyOf(tie.part, tie.to), tie.direction))
            ThrowOutOfMemory();
    for (const PendingTuplet& t : tuplets_)
        if (!builder_.PutTuplet(keyOf(t.part, t.from), keyOf(t.part, t.to), t.actual, t.normal, t.kind))
            ThrowOutOfMemory();
    builder_.TimeGraceNotes();
    std::vector<bool> pickup;
    for (int b = 0; b < score.GetBarCount(); ++b) {
        const auto& table = parts_.front().measures;
        pickup.push_back(b < int(table.size()) && table[std::size_t(b)].implicit);
    }
    if (!builder_.FillAndTidy(pickup)) ThrowOutOfMemory();

    // From here on the bars are spaced: what is made now takes the columns of its notes.
    if (!builder_.SpaceBars()) ThrowOutOfMemory();
    // Slurs: the side the file gives; else above an upper voice's notes and below a lower one's,
    // and in a bar of one voice above stems that both point down, below stems that both point up.
    for (const PendingSlur& s : slurs_) {
        const NoteKey from = keyOf(s.part, s.from), to = keyOf(s.part, s.to);
        bool above = s.direction > 0;
        if (s.direction == 0) {
            CTrkBar* tb = score.GetTrkBar(from.track, from.bar);
            VoiceStats stats;
            const int voices = tb ? tb->GetVoiceStats(&stats, false) : 1;
            auto stemUp = [&](const NoteKey& key, int* found) {
                CTrkBar* bar = score.GetTrkBar(key.track, key.bar);
                bool up = false;
                *found = 0;
                if (!bar) return up;
                for (CBarItem* item = bar->GetItems(); item && item->TypeCode() != 255; item = item->NextItem()) {
                    if (item->IsRemoved() || !item->IsNote() || item->VoiceField() != key.voice ||
                        item->TimeField() != key.time)
                        continue;
                    up = static_cast<CRawNote*>(item)->IsStemUp();
                    *found = 1;
                    break;
                }
                return up;
            };
            int startFound = 0, endFound = 0;
            const bool startUp = stemUp(from, &startFound);
            const bool endUp = stemUp(to, &endFound);
            if (voices >= 2 && startFound) above = startUp;
            else if (startFound && endFound && !startUp && !endUp) above = true;
            else if (startFound && endFound && startUp && endUp) above = false;
        }
        if (!builder_.PutSlur(from, to, above)) ThrowOutOfMemory();
    }

    for (const auto& make : marks_) make();
    // Lyrics under their notes; a verse's line takes its height from its first syllable.
    for (const PendingLyric& l : lyrics_) {
        const NoteKey key = keyOf(l.part, l.at);
        PartRecord& part = parts_[std::size_t(l.part)];
        if (part.lyricLineOffset[l.verse] == 0) {
            part.lyricLineOffset[l.verse] = (l.verse + 1) * 240 + l.y * 120 / 10;
            for (int k = 0; k < score.GetLineCount(); ++k)
                if (CLine* line = score.GetLine(k))
                    if (CStaff* staff = line->GetStaff(key.track))
                        staff->SetLyricOffset(l.verse, part.lyricLineOffset[l.verse]);
        }
        if (!builder_.PutLyric(key.track, key.bar, key.time, key.voice, l.verse, l.text, l.font, l.hyphen, l.extender))
            ThrowOutOfMemory();
    }
    if (!builder_.LayOut()) ThrowOutOfMemory();
}

}  // namespace formats
