// The MusicXML reader's attributes, notes, rests, backup and forward: time kept in ticks (480 a
// quarter), each note placed in its part's first track with its staff as the cross-staff
// offset, and the beams, ties, slurs and tuplets noted as they close.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "formats/MusicXmlReader.h"
#include "model/Bar.h"
#include "model/Score.h"
#include "notation/NoteBase.h"
#include "platform/Handles.h"
#include "platform/Theory.h"

namespace formats {
namespace {

constexpr int kValueTicks[9] = {3840, 1920, 960, 480, 240, 120, 60, 30, 15};
constexpr int kStepSemitones[7] = {0, 2, 4, 5, 7, 9, 11};
constexpr const char* kTypeNames[8] = {"breve", "whole", "half", "quarter", "eighth", "16th", "32nd", "64th"};

// The accidental code of an alteration: sharp, flat, double sharp, double flat; a natural when
// the file shows one on an unaltered note.
int AccidentalCode(int alter, bool shown) {
    switch (alter) {
        case 1: return CTheory::kSharp;
        case -1: return CTheory::kFlat;
        case 2: return CTheory::kDoubleSharp;
        case -2: return CTheory::kDoubleFlat;
        default: return shown && alter == 0 ? CTheory::kNatural : CTheory::kNone;
    }
}

// The clef code of a sign, its line and octave change; -1 for a sign that names none.
int ClefCode(char sign, int line, int octave) {
    switch (sign) {
        case 'G': return octave < 0 ? 7 : octave > 0 ? 9 : 0;
        case 'F': return octave < 0 ? 8 : octave > 0 ? 10 : 1;
        case 'C':
            switch (line) {
                case 1: return 4;
                case 2: return 5;
                case 4: return 3;
                case 5: return 6;
                default: return 2;
            }
        case 'A': return 3;
        default: return -1;
    }
}

struct NoteMarkWanted {
    int code;
    int placement;
};
struct BeamElement {
    int number;
    std::string text;
};
struct SlurElement {
    bool start;
    int number;     // 1-6; others are left out
    int direction;
};
struct TupletElement {
    bool start;
    bool above;
    int bracket;    // 1 "yes", 0 "no", -1 not given
};
struct AttachedDynamic {
    bool above;
    int x, y;
    std::string name;
};
struct LyricElement {
    int verse;
    int y;
    FontRef font;
    bool hyphen = false, extender = false;
    std::string text;
};

}  // namespace

// Everything one note element holds.
struct NoteReading {
    int staff = 0, voice = 0, octave = 0, alter = 0, value = 0, duration = 0, dots = 0, step = 0;
    int stem = 0;           // 0 none given, 1 up, 2 down
    int actual = 0, normal = 0;
    bool hasType = false, hasDuration = false, grace = false, chord = false, cue = false, rest = false;
    bool tieStart = false, tieStop = false, accidental = false;
    int tieDirection = 0;
    std::vector<NoteMarkWanted> marks;
    std::vector<BeamElement> beams;
    std::vector<SlurElement> slurs;
    std::vector<TupletElement> tuplets;
    std::vector<AttachedDynamic> dynamics;
    std::vector<LyricElement> lyrics;
};

// --- attributes ------------------------------------------------------------------------------------

void MusicXmlReader::ReadAttributes() {
    MeasureEntry* entry =
        measureIndex_ < int(part_->measures.size()) ? &part_->measures[std::size_t(measureIndex_)] : nullptr;
    MarkupTag tag;
    while (ReadTag(tag, "</attributes")) {
        if (Begins(tag, "<divisions")) {
            const int n = ReadNumber();
            divisions_ = n <= 0 ? 1 : std::min(n, 1000000);
        } else if (Begins(tag, "<key")) {
            if (tag.flagOrPos) continue;
            while (ReadTag(tag, "</key")) {
                if (Begins(tag, "<fifths")) {
                    const int n = ReadNumber();
                    if (n < -7 || n > 7 || !entry) continue;
                    entry->keyGiven = true;
                    entry->key = n < 0 ? -n : n > 0 ? n + 7 : 0;
                } else if (Begins(tag, "<mode")) {
                    const int mode = ReadNumber();
                    if (entry) entry->mode = mode;
                }
            }
        } else if (Begins(tag, "<time")) {
            char symbol[MarkupTag::kTextSize] = {};
            tag.GetAttr("symbol", symbol);
            if (entry) entry->timeSymbol = !std::strcmp(symbol, "cut") ? 1 : !std::strcmp(symbol, "common") ? 2 : 0;
            if (tag.flagOrPos) continue;
            while (ReadTag(tag, "</time")) {
                if (Begins(tag, "<beats")) {
                    const int n = ReadNumber();
                    if (entry) entry->beats = n;
                } else if (Begins(tag, "<beat-type")) {
                    const int n = ReadNumber();
                    if (entry) entry->beatType = n;
                }
            }
        } else if (Begins(tag, "<staves")) {
            const int n = std::clamp(ReadNumber(), 1, kMaxStaves);
            if (entry) entry->staves = n;
            if (pass_ == 0) part_->staffCount = std::max(part_->staffCount, n);
        } else if (Begins(tag, "<clef")) {
            ReadClef(tag);
        }
    }
}

void MusicXmlReader::ReadClef(const MarkupTag& open) {
    long number = 1;
    AttrNumber(open, "number", &number);
    const int staff = number > 0 ? int(number) - 1 : 0;
    char sign = 0;
    int line = 0, octave = 0;
    if (!open.flagOrPos) {
        MarkupTag tag;
        while (ReadTag(tag, "</clef")) {
            if (Begins(tag, "<sign")) {
                const std::string text = ReadText();
                sign = text.empty() ? 0 : text[0];
            } else if (Begins(tag, "<line")) {
                line = ReadNumber();
            } else if (Begins(tag, "<clef-octave-change")) {
                octave = ReadNumber();
            }
        }
    }
    const int code = ClefCode(sign, line, octave);
    // A staff past the four a part may have, or a sign without a clef of ours, changes nothing.
    if (code < 0 || staff >= kMaxStaves) return;
    part_->currentClef[staff] = code;
    if (measureIndex_ == 0 && time_ == 0) {
        part_->initialClef[staff] = code;
        return;
    }
    if (pass_ != 1) return;
    const int track = TrackOf(partIndex_, staff);
    if (track < 0 || measureIndex_ >= barCount_) return;
    part_->clefs[staff].push_back({measureIndex_, time_, code});
    if (!builder_.PutClef(track, measureIndex_, time_, code)) ThrowOutOfMemory();
}

int MusicXmlReader::ClefAt(int staff, int bar, int time) const {
    // The changes lie in the order of their bars (a bar's own in the order they were read): the
    // latest of this bar not after the time, else the last of the latest bar before it.
    const std::vector<ClefChange>& list = part_->clefs[staff];
    int i = int(list.size()) - 1;
    while (i >= 0 && list[std::size_t(i)].bar > bar) --i;
    const ClefChange* best = nullptr;
    for (; i >= 0 && list[std::size_t(i)].bar == bar; --i) {
        const ClefChange& c = list[std::size_t(i)];
        if (c.time <= time && (!best || c.time > best->time)) best = &c;
    }
    if (best) return best->clef;
    if (i < 0) return part_->initialClef[staff];
    const int before = list[std::size_t(i)].bar;
    for (; i >= 0 && list[std::size_t(i)].bar == before; --i)
        if (!best || list[std::size_t(i)].time > best->time) best = &list[std::size_t(i)];
    return best->clef;
}

// --- time ------------------------------------------------------------------------------------------

int MusicXmlReader::ReadDuration() {
    const std::string text = ReadText();
    const long long d = std::strtoll(text.c_str(), nullptr, 10);
    const long long ticks = std::clamp<long long>(d, 0, 1LL << 40) * kTicksPerQuarter / std::max(1, divisions_);
    return int(std::clamp<long long>(ticks, 0, 32767));
}

void MusicXmlReader::ReadBackupForward(bool backup) {
    MarkupTag tag;
    while (ReadTag(tag, backup ? "</backup" : "</forward")) {
        if (!Begins(tag, "<duration>")) continue;
        const int d = ReadDuration();
        time_ = std::clamp(backup ? time_ - d : time_ + d, 0, 65535);
    }
}

// --- notes -----------------------------------------------------------------------------------------

bool MusicXmlReader::ReadNote() {
    NoteReading n;
    MarkupTag tag;
    while (ReadTag(tag, "</note")) {
        if (Begins(tag, "<duration>")) {
            n.duration = ReadDuration();
            n.hasDuration = true;
        } else if (Begins(tag, "<voice>")) {
            n.voice = ReadNumber() - 1;
        } else if (Begins(tag, "<type>")) {
            const std::string text = ReadText();
            n.hasType = true;
            n.value = 8;
            for (int i = 0; i < 8; ++i)
                if (text == kTypeNames[i]) n.value = i;
        } else if (Begins(tag, "<staff>")) {
            n.staff = ReadNumber() - 1;
        } else if (Begins(tag, "<dot")) {
            n.dots = std::min(n.dots + 1, 3);
        } else if (Begins(tag, "<chord/>")) {
            n.chord = true;
        } else if (Begins(tag, "<cue/>")) {
            n.cue = true;
        } else if (Begins(tag, "<accidental>")) {
            n.accidental = true;
        } else if (Begins(tag, "<pitch>") || Begins(tag, "<unpitched>")) {
            const bool unpitched = Begins(tag, "<unpitched>");
            while (ReadTag(tag, unpitched ? "</unpitched" : "</pitch")) {
                if (Begins(tag, "<step>") || Begins(tag, "<display-step>")) {
                    const std::string text = ReadText();
                    const int step = text.empty() ? 0 : text[0] - 'C';
                    n.step = std::clamp(step < 0 ? step + 7 : step, 0, 6);
                } else if (Begins(tag, "<alter>")) {
                    n.alter = std::clamp(ReadNumber(), -2, 2);
                } else if (Begins(tag, "<octave>") || Begins(tag, "<display-octave>")) {
                    n.octave = std::clamp(ReadNumber(), -1, 9);
                }
            }
        } else if (Begins(tag, "<rest")) {
            n.rest = true;
        } else if (Begins(tag, "<grace")) {
            n.grace = true;
            if (pass_ == 1) {
                // The grace notes of the run that starts here: each "<note" whose next tag is
                // "<grace" is one more. The first sounds 10 ticks a note before the main note.
                const char* keep = reader_.pos;
                int count = 1;
                MarkupTag ahead;
                while (ReadTag(ahead, "</measure")) {
                    if (!Begins(ahead, "<note")) continue;
                    if (!ReadTag(ahead)) break;
                    if (Begins(ahead, "<grace")) ++count;
                    else if (!Begins(ahead, "</note")) break;
                }
                reader_.pos = keep;
                graceOffset_ = 10 * std::min(count, 100);
            }
        } else if (Begins(tag, "<time-modification")) {
            while (ReadTag(tag, "</time-modification")) {
                if (Begins(tag, "<actual-notes>")) n.actual = std::clamp(ReadNumber(), 0, 255);
                else if (Begins(tag, "<normal-notes>")) n.normal = std::clamp(ReadNumber(), 0, 255);
            }
        } else if (pass_ != 1) {
            continue;
        } else if (Begins(tag, "<stem")) {
            n.stem = ReadText() == "down" ? 2 : 1;
        } else if (Begins(tag, "<beam")) {
            std::int16_t number = 1;
            CMarkupReader::FirstQuotedInt(tag.text, number);
            n.beams.push_back({number, ReadText()});
        } else if (Begins(tag, "<tie")) {
            char type[MarkupTag::kTextSize] = {};
            CMarkupReader::ListQuotedValues(tag.text, type, sizeof type);
            if (!std::strcmp(type, "start")) n.tieStart = true;
            else if (!std::strcmp(type, "stop")) n.tieStop = true;
        } else if (Begins(tag, "<lyric")) {
            if (tag.flagOrPos) continue;
            LyricElement lyric;
            long number = 1;
            AttrNumber(tag, "number", &number);
            lyric.verse = int(number) - 1;
            lyric.font = lyricFont_;
            ReadFont(tag, lyric.font);
            lyric.y = ReadRelativeY(tag, ReadDefaultY(tag, false, 0));
            if (lyric.y == 0) lyric.y = 40;
            while (ReadTag(tag, "</lyric")) {
                if (Begins(tag, "<syllabic>")) {
                    const std::string text = ReadText();
                    if (text == "begin" || text == "middle") lyric.hyphen = true;
                } else if (Begins(tag, "<text>")) {
                    lyric.text += ReadText();
                } else if (Begins(tag, "<extend")) {
                    lyric.extender = true;
                }
            }
            // Verses past the eight lyric lines are left out.
            if (lyric.verse >= 0 && lyric.verse < kVoices) n.lyrics.push_back(std::move(lyric));
        } else if (Begins(tag, "<notations>")) {
            while (ReadTag(tag, "</notations")) {
                if (Begins(tag, "<arpeggiate")) {
                    n.marks.push_back({30, 0});
                } else if (Begins(tag, "<fermata")) {
                    const bool upright = std::strstr(tag.text, "upright") != nullptr;
                    n.marks.push_back({upright ? 38 : 39, upright ? 1 : -1});
                } else if (Begins(tag, "<tied")) {
                    if (std::strstr(tag.text, "over")) n.tieDirection = 1;
                    else if (std::strstr(tag.text, "under")) n.tieDirection = -1;
                } else if (Begins(tag, "<tuplet")) {
                    char type[MarkupTag::kTextSize] = {};
                    tag.GetAttr("type", type);
                    char bracket[MarkupTag::kTextSize] = {};
                    const bool given = tag.GetAttr("bracket", bracket);
                    TupletElement t{!std::strcmp(type, "start"), std::strstr(tag.text, "above") != nullptr,
                                    !given ? -1 : !std::strcmp(bracket, "no") ? 0 : 1};
                    if (!std::strcmp(type, "start") || !std::strcmp(type, "stop")) n.tuplets.push_back(t);
                } else if (Begins(tag, "<slur")) {
                    char type[MarkupTag::kTextSize] = {};
                    tag.GetAttr("type", type);
                    long number = 1;
                    AttrNumber(tag, "number", &number);
                    const int direction = CMarkupReader::IsPlacementAbove(tag)   ? 1
                                          : CMarkupReader::IsPlacementBelow(tag) ? -1
                                                                                 : 0;
                    if (!std::strcmp(type, "start") || !std::strcmp(type, "stop"))
                        n.slurs.push_back({!std::strcmp(type, "start"), int(number), direction});
                } else if (Begins(tag, "<dynamics")) {
                    AttachedDynamic d;
                    d.above = CMarkupReader::IsPlacementAbove(tag);
                    std::int16_t v = 0;
                    d.x = CMarkupReader::GetNamedNumber(tag.text, "default-x", v) ? v : 0;
                    if (CMarkupReader::GetNamedNumber(tag.text, "relative-x", v)) d.x = v;
                    d.y = ReadDefaultY(tag, d.above, ReadRelativeY(tag, 0));
                    if (tag.flagOrPos) continue;
                    MarkupTag name;
                    if (ReadTag(name)) {
                        const char* slash = std::strchr(name.text, '/');
                        const char* close = std::strchr(name.text, '>');
                        const char* stop = slash && (!close || slash < close) ? slash : close;
                        d.name.assign(name.text + 1, stop ? std::size_t(stop - name.text - 1) : 0);
                    }
                    n.dynamics.push_back(d);
                } else if (Begins(tag, "<articulations")) {
                    if (tag.flagOrPos) continue;
                    while (ReadTag(tag, "</articulations")) {
                        int code = 0;
                        if (Begins(tag, "<staccatissimo")) code = 23;
                        else if (Begins(tag, "<staccato")) code = 24;
                        else if (Begins(tag, "<strong-accent")) code = 18;
                        else if (Begins(tag, "<accent")) code = 15;
                        else if (Begins(tag, "<tenuto")) code = 25;
                        if (!code) continue;
                        const int placement = CMarkupReader::IsPlacementAbove(tag)   ? 1
                                              : CMarkupReader::IsPlacementBelow(tag) ? -1
                                                                                     : 0;
                        n.marks.push_back({code, placement});
                    }
                } else if (Begins(tag, "<ornament")) {
                    if (tag.flagOrPos) continue;
                    while (ReadTag(tag, "</ornament")) {
                        const int placement = CMarkupReader::IsPlacementAbove(tag)   ? 1
                                              : CMarkupReader::IsPlacementBelow(tag) ? -1
                                                                                     : 0;
                        if (Begins(tag, "<turn")) {
                            n.marks.push_back({6, placement});
                        } else if (Begins(tag, "<accidental-mark")) {
                            const std::string text = ReadText();
                            const int code = text == "natural" ? 14 : text == "flat" ? 12 : text == "sharp" ? 13 : 0;
                            if (code) n.marks.push_back({code, placement});
                        }
                    }
                }
            }
        }
    }

    // The octave line open on the note's staff writes it that many octaves away.
    if (n.staff >= 0 && n.staff < kMaxStaves) {
        const int size = part_->ottavas[n.staff].size;
        if (size == 8) n.octave += 1;
        else if (size == -8) n.octave -= 1;
        else if (size == 15 || size == 24) n.octave += 2;
        else if (size == -15) n.octave -= 2;
    }
    // A chord note starts with the note before it; a grace note the grace offset before the time.
    if (n.chord) time_ = std::max(0, time_ - lastDuration_);
    if (!n.grace) graceOffset_ = 0;
    const int noteTime = std::max(0, time_ - (n.grace ? graceOffset_ : 0));
    if (!n.hasDuration || n.duration == 0) n.duration = n.grace ? kValueTicks[n.value] / 3 : kValueTicks[n.value];
    // The time the note takes: its written value, scaled by its tuplet (a note without a type:
    // its duration).
    double ticks = kValueTicks[n.value];
    double add = ticks;
    for (int d = 0; d < n.dots; ++d) {
        add /= 2;
        ticks += add;
    }
    if (n.actual > 0 && n.normal > 0) ticks = ticks * n.normal / n.actual;
    lastDuration_ = n.hasType || !n.hasDuration ? int(ticks) : n.duration;

    if (pass_ == 1) {
        const int track = TrackOf(partIndex_, n.staff);
        const bool placeable =
            track >= 0 && n.voice >= 0 && n.voice < kVoices && measureIndex_ < barCount_ && noteTime <= 32767;
        if (placeable) {
            CScore& score = builder_.Score();
            const int bar = measureIndex_;
            const int firstTrack = part_->firstTrack;
            const NotePlace place{n.staff, n.voice, bar, noteTime, n.grace};
            bool made = true;
            if (n.rest && n.value == 0 && score.GetBar(bar)->GetMeterLength() <= 1920 && n.marks.empty()) {
                // A whole-bar rest: the bar stays empty.
                made = false;
            }
            if (made) {
                NotePlan plan;
                plan.voice = n.voice;
                plan.time = noteTime;
                plan.value = n.value;
                plan.dots = n.dots;
                plan.tupletActual = n.actual;
                plan.tupletNormal = n.normal;
                plan.rest = n.rest;
                plan.grace = n.grace;
                plan.cue = n.cue;
                plan.stem = n.stem;
                plan.crossStaff = n.staff;
                const int clef = ClefAt(n.staff, bar, noteTime);
                plan.staffPos = CTheory::StepToStaffPos(n.step, clef, 0) + (n.octave - 4) * 7;
                plan.pitch = std::clamp(kStepSemitones[n.step] + (n.octave + 1) * 12 + n.alter, 0, 127);
                plan.accidental = AccidentalCode(n.alter, n.accidental);
                plan.accidentalShown = n.accidental;
                plan.duration = n.duration;
                CBarItem* item = builder_.PutNote(firstTrack, bar, plan, !n.grace || n.chord);
                if (!item) ThrowOutOfMemory();
                for (const NoteMarkWanted& m : n.marks) item = builder_.PutMark(item, firstTrack, bar, m.code, m.placement);
            }

            // Beams: a group from the note whose first beam begins to the one where it ends.
            const int kind = n.grace ? 1 : 0;
            const BeamElement* first = nullptr;
            for (const BeamElement& b : n.beams)
                if (b.number == 1) first = &b;
            if (first && first->text == "begin") {
                part_->beams[n.voice][kind].clear();
                part_->beamOpen[n.voice][kind] = true;
            }
            if (!n.beams.empty() && part_->beamOpen[n.voice][kind]) {
                std::vector<NotePlace>& group = part_->beams[n.voice][kind];
                if (group.empty() || group.back().bar != bar || group.back().time != noteTime) group.push_back(place);
                if (first && first->text == "end") {
                    beams_.push_back({partIndex_, std::move(group)});
                    group.clear();
                    part_->beamOpen[n.voice][kind] = false;
                }
            }

            // Ties: one that stops here closes the open tie of its pitch, then one may start.
            const int written = std::clamp(kStepSemitones[n.step] + (n.octave + 1) * 12 + n.alter, 0, 127);
            if (n.tieStop && !n.rest) {
                for (OpenTie& t : part_->ties[n.voice]) {
                    if (!t.open || t.step != n.step || t.octave != n.octave || t.alter != n.alter) continue;
                    ties_.push_back({partIndex_, t.at, place, t.pitch, t.direction});
                    t = OpenTie{};
                    break;
                }
            }
            if (n.tieStart && !n.rest) {
                for (OpenTie& t : part_->ties[n.voice]) {
                    if (t.open) continue;
                    t = OpenTie{true, place, n.step, n.octave, n.alter, written, n.tieDirection};
                    break;
                }
            }
            // Slurs 1-6: those that stop here first, then those that start.
            for (int startPass = 0; startPass < 2; ++startPass)
                for (const SlurElement& s : n.slurs) {
                    if (s.start != (startPass == 1) || s.number < 1 || s.number > 6) continue;
                    OpenSlur& slur = part_->slurs[s.number - 1];
                    if (!s.start) {
                        if (slur.started) slurs_.push_back({partIndex_, slur.at, place, slur.direction});
                        slur = OpenSlur{};
                    } else {
                        slur = OpenSlur{true, place, s.direction};
                    }
                }
            // Tuplets, nested up to 16 deep in a voice.
            for (const TupletElement& t : n.tuplets) {
                int& depth = part_->tupletDepth[n.voice];
                if (t.start) {
                    if (depth >= 16) continue;
                    OpenTuplet& open = part_->tuplets[n.voice][depth];
                    if (open.open) continue;
                    const int kind = t.bracket == 1 ? 4 : t.bracket == 0 ? 0 : n.value < 4 ? 4 : 0;
                    open = OpenTuplet{true, place, n.actual, n.normal, kind};
                    ++depth;
                } else if (depth >= 1) {
                    --depth;
                    OpenTuplet& open = part_->tuplets[n.voice][depth];
                    if (!open.open) continue;
                    const int kind = n.value < 4 && t.bracket != 0 ? 4 : open.kind;
                    tuplets_.push_back({partIndex_, open.at, place, open.actual, open.normal, kind});
                    open = OpenTuplet{};
                }
            }
            // Dynamics written on the note, on its staff.
            static const char* kNames[16] = {"pppp", "ppp", "pp", "p", "mp", "mf", "f", "ff",
                                             "fff",  "ffff", "sf", "fz", "sfz", "sffz", "fp", "sfp"};
            for (const AttachedDynamic& d : n.dynamics) {
                int mark = -1;
                for (int i = 0; i < 16; ++i)
                    if (d.name == kNames[i]) mark = i;
                const int dy = (d.above ? -240 : 300) + d.y * 120 / 10;
                const int dx = d.x * 120 / 10 - 60 * (std::max<int>(1, int(d.name.size())) - 1);
                const int staffTrack = TrackOf(partIndex_, n.staff);
                const int voice = n.voice;
                if (staffTrack >= 0 && mark >= 0)
                    marks_.push_back([this, staffTrack, bar, noteTime, voice, mark, dx, dy] {
                        if (!builder_.PutDynamic(staffTrack, bar, noteTime, voice, mark, 0, dx, dy)) ThrowOutOfMemory();
                    });
            }
            for (LyricElement& l : n.lyrics)
                lyrics_.push_back({partIndex_, place, l.verse, std::move(l.text), l.font, l.hyphen, l.extender, l.y});
        }
    }
    if (!n.grace) time_ = std::min(time_ + lastDuration_, 65535);
    return true;
}

}  // namespace formats
