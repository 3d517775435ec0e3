#include "midi/MidiImport.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "framework/CodePage.h"
#include "framework/Exceptions.h"
#include "framework/File.h"
#include "framework/Globals.h"
#include "framework/MessageBox.h"
#include "model/TaskMakers.h"
#include "model/Bar.h"
#include "model/Data.h"
#include "model/DocumentStandIns.h"
#include "model/ItemArray.h"
#include "model/ItemFactory.h"
#include "model/Lyric.h"
#include "model/LyricFlow.h"
#include "model/Page.h"
#include "model/PlaybackMarks.h"
#include "model/Preferences.h"
#include "model/Symbol.h"
#include "model/Text.h"
#include "model/Meter.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/ScoreFile.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Tempo.h"
#include "model/Titles.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "platform/DebugLog.h"
#include "platform/Devices.h"
#include "platform/DlgCombosStandIns.h"
#include "platform/DrawGlobals.h"
#include "platform/PortLayer.h"
#include "platform/StdDlg.h"

MidiImportGlobals g_midiImport;

namespace {

void ResetMidiImportGlobals() { g_midiImport = MidiImportGlobals{}; }
[[maybe_unused]] const bool registered = fw::RegisterGlobalsReset(&ResetMidiImportGlobals);

std::string Text(unsigned id, const char* fallback) {
    char buffer[256] = {};
    LoadResString(id, buffer);
    return buffer[0] ? std::string(buffer) : std::string(fallback);
}

// A name cut to 31 bytes without splitting a double-byte character (lead bytes 0x81-0xFE).
void CopyName(char (&to)[32], const std::string& from) {
    std::size_t n = 0;
    while (n < from.size() && n < 31) {
        const auto c = static_cast<unsigned char>(from[n]);
        const std::size_t width = c >= 0x81 && c <= 0xFE ? 2 : 1;
        if (n + width > 31 || n + width > from.size()) break;
        n += width;
    }
    std::memset(to, 0, sizeof to);
    std::memcpy(to, from.data(), n);
}

std::string TextOf(const SmfEvent& e) {
    return e.data ? std::string(reinterpret_cast<const char*>(e.data), e.length) : std::string();
}

int KeyCode(int sf) {
    if (sf < -7 || sf > 7) return -1;  // outside the keys: ignored
    return sf < 0 ? -sf : sf > 0 ? sf + 7 : 0;
}

// The section and rank of a program for the instrument order.
int SectionRank(int p) {
    static const int section[16] = {3, 2, 3, 4, 4, 5, 5, 1, 0, 0, 6, 7, 8, 0, 10, 11};
    static const int base[16] = {8, 16, 32, 32, 48, 48, 64, 64, 0, 80, 88, 96, 104, 128, 120, 128};
    if (p < 0 || p > 127) return 0;
    const int g = p / 8;
    int rank;
    if (g == 8) {
        static const int reeds[8] = {4, 5, 6, 7, 0, 1, 3, 2};
        rank = 8 + reeds[p - 64];
    } else {
        rank = base[g] - p;
    }
    return section[g] * 128 + rank;
}

// Whether a time signature's numerator and power of two make a meter a bar can hold (its
// length a signed 16-bit count of ticks).
bool MeterFits(int numerator, int power) {
    return numerator >= 1 && numerator <= 99 && power >= 0 && power <= 6 && numerator * (1920 >> power) <= 32767;
}

// The bar lengths the conductor track sets: each change holds from its bar on.
struct MeterMap {
    struct Change {
        int bar;
        int length;
    };
    std::vector<Change> changes{{0, 1920}};
    void Set(int bar, int length) {
        if (changes.back().bar == bar)
            changes.back().length = length;
        else
            changes.push_back({bar, length});
    }
};

// Walks the bars of a meter map forward to a tick, a stretch of bars of one length at a time.
struct BarClock {
    const MeterMap& map;
    int bar = 0;
    std::int64_t barStart = 0;
    std::size_t next = 1;  // the next change
    int length = map.changes.front().length;
    void MoveTo(std::int64_t tick) {
        while (tick >= barStart + length) {
            if (next < map.changes.size()) {
                const std::int64_t toChange = map.changes[next].bar - bar;
                if (tick >= barStart + toChange * length) {
                    barStart += toChange * length;
                    bar = map.changes[next].bar;
                    length = map.changes[next].length;
                    ++next;
                    continue;
                }
            }
            const std::int64_t k = (tick - barStart) / length;
            bar += int(k);
            barStart += k * length;
        }
    }
};

// The bars a score keeps past its last note's bar for events that follow it (an end of track,
// a controller, a text); an event further on is left out rather than making empty bars.
constexpr int kTailBars = 4;
constexpr int kMaxBars = 32000;

// The no-notes message and the places a refusal names (track and byte, the conductor track
// and byte, or byte).
constexpr unsigned kNoNotesString = 3256;
constexpr unsigned kTrackPlaceString = 3254;
constexpr unsigned kBytePlaceString = 3255;
constexpr unsigned kConductorPlaceString = 3258;

constexpr int kQuantizeTicks[8] = {3840, 1920, 960, 480, 240, 120, 60, 30};
constexpr int kClefCodes[5] = {0, 1, 2, 3, 11};

}  // namespace

std::vector<std::string> SplitTitleLines(const std::string& whole) {
    std::vector<std::string> lines;
    std::string text = whole;
    auto trimRight = [](std::string s) {
        while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
        return s;
    };
    while (lines.size() < 3) {
        std::size_t cut = std::string::npos;
        for (char c : {';', '\r', '\n'}) {
            const std::size_t at = text.find(c);
            if (at != std::string::npos && at < 64) {
                cut = at;
                break;
            }
        }
        if (cut == std::string::npos) break;
        lines.push_back(trimRight(text.substr(0, cut)));
        text = text.substr(cut + 1);
    }
    while (lines.size() < 3 && text.size() > 63) {
        std::size_t cut = text.substr(0, 32).rfind(' ');
        if (cut == std::string::npos || cut == 0) cut = 32;
        lines.push_back(trimRight(text.substr(0, cut)));
        text = text.substr(cut + (text[cut] == ' ' ? 1 : 0));
    }
    if (!text.empty() || lines.empty()) lines.push_back(text.substr(0, 255));
    if (lines.size() > 4) lines.resize(4);
    return lines;
}

// --- the first pass ---------------------------------------------------------------------------------

int CMidiImport::ScanTracks() {
    if (file.ReadHeader(&header) != 0) return kBadFile;
    trackCount = std::min<int>(header.trackCount, MidiImportSettings::kMaxStaves);
    settings.format = header.format;
    settings.mapChannels = header.format == 0 ? 1 : 0;
    // What each track proposes; track 0 of a format 1 file is the conductor track and makes a
    // staff only when it holds notes itself.
    std::vector<MidiImportTrack> scanned(static_cast<std::size_t>(trackCount));
    for (int t = 0; t < trackCount; ++t) {
        MidiImportTrack& e = scanned[std::size_t(t)];
        e.trackNumber = std::int16_t(header.format == 0 ? 0 : t);
        CopyName(e.name, Text(3214, "Track") + " " + std::to_string(header.format == 0 ? 1 : t));
    }
    // The bar lengths first: the conductor track's time signatures, as the second pass sets them.
    MeterMap meters;
    {
        SmfEvent e;
        if (!file.SeekTrack(0, &e)) return kBadFile;
        int bar = 0, length = 1920;
        std::int64_t barStart = 0;
        while (file.ReadEvent(&e)) {
            if (e.tick >= barStart + length) {
                const std::int64_t k = (e.tick - barStart) / length;
                bar += int(k);
                barStart += k * length;
            }
            if (e.status == 0xFF && e.metaType == 0x58 && e.length >= 2 &&
                MeterFits(CMidiFile::Data1(e), CMidiFile::Data2(e))) {
                length = CMidiFile::Data1(e) * (1920 >> CMidiFile::Data2(e));
                meters.Set(bar, length);
            }
        }
        if (!file.error().empty()) return kBadFile;
    }
    // The key at tick 0 of each track (-1 none).
    std::vector<int> ownKey(std::size_t(trackCount), -1);
    std::int64_t lastNoteEnd = -1, lastEvent = 0;
    // The notes still sounding, by channel and key: their starts and the next note-on of their
    // key (-1 none yet), to find where the score's music ends.
    struct Open {
        std::int32_t start, nextOn;
    };
    std::vector<std::vector<Open>> open(16 * 128);
    for (int t = 0; t < trackCount; ++t) {
        SmfEvent e;
        if (!file.SeekTrack(t, &e)) return kBadFile;
        if (file.chunkOverrun()) {
            LogTextInt(("MIDI file: the chunk of track " + std::to_string(t) + " claims bytes past the file's end, read to the end: ").c_str(),
                       int(file.chunkOverrun()), true);
        }
        MidiImportTrack* entry = &scanned[std::size_t(t)];
        for (auto& list : open) list.clear();
        bool named = false;
        for (;;) {
            const bool more = file.ReadEvent(&e);
            if (!file.error().empty()) return kBadFile;
            if (!more) {
                // The end of the track ends every note still sounding (at the next note-on of
                // its key when there is one); on a bar line it adds no bar.
                for (const auto& list : open)
                    for (const Open& o : list) {
                        const int end = o.nextOn >= 0 ? o.nextOn : e.tick;
                        lastNoteEnd = std::max<std::int64_t>(lastNoteEnd, o.start + std::clamp(end - o.start, 1, 32766));
                    }
                lastEvent = std::max<std::int64_t>(lastEvent, e.tick > 0 ? e.tick - 1 : 0);
                break;
            }
            const bool noteOff = (e.status & 0xF0) == 0x80 || ((e.status & 0xF0) == 0x90 && CMidiFile::Data2(e) == 0);
            if (!noteOff) lastEvent = std::max<std::int64_t>(lastEvent, e.tick);
            if (e.metaType && e.status == 0xFF) {
                const int type = e.metaType;
                if ((type == 1 || type == 3) && t > 0) {
                    const std::string text = TextOf(e);
                    if (type == 1 && karaoke && text.rfind("@", 0) != 0) entry->lyrics = 1;
                    if (e.tick == 0) {
                        if (text.rfind("@K", 0) == 0) karaoke = true;
                        if (!named) {
                            if (text.rfind("@L", 0) == 0) {
                                CopyName(entry->name, "Lyrics");
                                named = true;
                            }
                            if (!named && !(karaoke && text.rfind("@", 0) == 0) && !text.empty()) {
                                CopyName(entry->name, text);
                                entry->nameSet = 1;
                                named = true;
                            }
                        }
                    }
                } else if (type == 5) {
                    entry->lyrics = 1;
                } else if (type == 0x20 && e.tick == 0 && t > 0 && e.length >= 1) {
                    entry->channel = std::uint8_t(CMidiFile::Data1(e) & 15);
                } else if (type == 0x59 && e.tick == 0 && e.length >= 1) {
                    const int code = KeyCode(std::int8_t(CMidiFile::Data1(e)));
                    if (code >= 0) ownKey[std::size_t(t)] = code;
                }
                continue;
            }
            if (e.status < 0x80 || e.status > 0xEF) continue;
            const int channel = e.status & 15;
            MidiChannelStats& s = entry->stats[channel];
            s.used = 1;
            const int kind = e.status & 0xF0;
            const int key = CMidiFile::Data1(e);
            if (kind == 0x90) {
                s.highest = std::uint8_t(std::max<int>(s.highest, key));
                s.lowest = std::uint8_t(std::min<int>(s.lowest, key));
                if (key > 55) ++s.above55;
                if (key < 67) ++s.below67;
                ++s.notes;
            } else if (kind == 0xC0 && s.notes == 0 && e.tick < meters.changes.front().length) {
                // (A program in bar 0 before the channel's first note.)
                s.firstProgram = std::int16_t(key);
            }
            if (kind != 0x80 && kind != 0x90) continue;
            std::vector<Open>& list = open[std::size_t(channel * 128 + (key & 127))];
            if (!noteOff) {
                if (!list.empty() && list.back().nextOn < 0) list.back().nextOn = e.tick;
                list.push_back({e.tick, -1});
            } else if (!list.empty()) {
                // (A note-off with no note sounding is left out of the music's length.)
                lastNoteEnd = std::max<std::int64_t>(lastNoteEnd, list.front().start + std::clamp(e.tick - list.front().start, 1, 32766));
                list.erase(list.begin());
            }
        }
    }
    // The score ends with the bar of the last note's end, or of the last event when that comes
    // at most a few bars later.
    BarClock clock{meters};
    int bars = 1;
    if (lastNoteEnd > 0) {
        clock.MoveTo(lastNoteEnd - 1);
        bars = clock.bar + 1;
    }
    if (bars > kMaxBars) {
        file.Refuse(SmfProblem::TooManyBars, 0);
        return kBadFile;
    }
    BarClock events{meters};
    events.MoveTo(lastEvent);
    if (events.bar + 1 > bars && events.bar + 1 <= std::min(bars + kTailBars, kMaxBars)) bars = events.bar + 1;
    settings.barCount = std::int16_t(bars);
    // The entries: format 0 has one; format 1 one per track after the conductor track, led by
    // the conductor track's own when it holds notes. A key at the start of the conductor track
    // is every track's that has none of its own.
    for (int i = 0; i < MidiImportSettings::kMaxStaves; ++i) {
        MidiImportTrack& e = settings.entries[i];
        e = MidiImportTrack{};
        e.trackNumber = std::int16_t(i + 1);
        e.sourcePosition = std::uint8_t(i);
        CopyName(e.name, Text(3214, "Track") + " " + std::to_string(i + 1));
    }
    std::vector<int> sources;
    if (header.format == 0) {
        sources.push_back(0);
    } else {
        int conductorNotes = 0;
        for (const MidiChannelStats& c : scanned[0].stats) conductorNotes += c.notes;
        if (conductorNotes > 0) sources.push_back(0);
        for (int t = 1; t < trackCount; ++t) sources.push_back(t);
    }
    settings.staffCount = std::int16_t(sources.size());
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const std::size_t t = std::size_t(sources[i]);
        MidiImportTrack entry = scanned[t];
        const int key = ownKey[t] >= 0 ? ownKey[t] : ownKey[0];
        entry.key = std::uint16_t(std::max(key, 0));
        entry.sourcePosition = std::uint8_t(i);
        settings.entries[i] = entry;
    }
    for (int i = 0; i < settings.staffCount; ++i) {
        MidiImportTrack& entry = settings.entries[i];
        int used = 0;
        for (const MidiChannelStats& s : entry.stats) used += s.used ? 1 : 0;
        if (used == 0) {
            entry.stats[0].used = 1;
            used = 1;
        }
        if (header.format == 1 && settings.staffCount == 1 && used > 1)
            settings.mapChannels = 1;
        else
            entry.severalVoices = used > 1 ? 1 : 0;
        if (!entry.nameSet) {
            for (int c = 0; c < 16; ++c) {
                if (c == 9 || !entry.stats[c].used || entry.stats[c].firstProgram < 0) continue;
                const int p = entry.stats[c].firstProgram;
                CopyName(entry.name, Text(unsigned(5000 + p), ("Program " + std::to_string(p + 1)).c_str()));
                entry.nameSet = 1;
                break;
            }
        }
    }
    return kDone;
}

void CMidiImport::ProposeStaves(MidiImportSettings& s, bool instrumentOrder) {
    s.rows.clear();
    for (int i = 0; i < s.staffCount; ++i) {
        const MidiImportTrack& entry = s.entries[i];
        if (!s.mapChannels) {
            MidiImportTrack row = entry;
            int best = 0;
            for (int c = 1; c < 16; ++c)
                if (entry.stats[c].notes > entry.stats[best].notes) best = c;
            row.channel = std::uint8_t(best);
            MidiChannelStats total;
            total.used = 1;
            total.firstProgram = entry.stats[best].firstProgram;
            for (const MidiChannelStats& c : entry.stats) {
                if (!c.used) continue;
                total.above55 += c.above55;
                total.below67 += c.below67;
                total.notes += c.notes;
                if (c.notes) {
                    total.highest = std::max(total.highest, c.highest);
                    total.lowest = std::min(total.lowest, c.lowest);
                }
            }
            row.stats[0] = total;
            s.rows.push_back(row);
        } else {
            for (int c = 0; c < 16; ++c) {
                if (!entry.stats[c].used) continue;
                if (s.rows.size() >= std::size_t(MidiImportSettings::kMaxStaves)) break;
                MidiImportTrack row = entry;
                row.channel = std::uint8_t(c);
                row.stats[0] = entry.stats[c];
                if (!row.nameSet)
                    CopyName(row.name, Text(3214, "Track") + std::to_string(entry.trackNumber + 1) + "-" +
                                           std::to_string(c + 1));
                s.rows.push_back(row);
            }
        }
    }
    for (MidiImportTrack& row : s.rows) {
        const MidiChannelStats& total = row.stats[0];
        row.import = (total.notes > 0 || row.lyrics) ? 1 : 0;
        if (total.notes <= 0) continue;
        const int p = total.firstProgram;
        std::string lower(row.name);
        for (char& ch : lower) ch = char(std::tolower(static_cast<unsigned char>(ch)));
        if (row.channel == 9) {
            row.clefChoice = 4;
        } else if (p >= 24 && p <= 31) {
            row.clefChoice = 0;
            row.octaveDown = 1;
        } else if (p >= 32 && p <= 39) {
            row.clefChoice = 1;
            row.octaveDown = 1;
        } else if (row.clefChoice == 0 && !row.octaveDown) {
            if (total.below67 > total.above55) row.clefChoice = 1;
            const bool keyboard = lower.find("piano") != std::string::npos || lower.find("harp") != std::string::npos ||
                                  lower.find("organ") != std::string::npos || (p >= 0 && p <= 5);
            if (total.highest - total.lowest > 18 && keyboard) {
                row.clefChoice = 0;
                row.pedalMarks = 1;
                row.splitKey = 60;
            }
        }
    }
    if (instrumentOrder) {
        auto keyOf = [](const MidiImportTrack& r) {
            return (r.import ? 0 : 1 << 16) + SectionRank(r.stats[0].firstProgram);
        };
        std::stable_sort(s.rows.begin(), s.rows.end(),
                         [&](const MidiImportTrack& a, const MidiImportTrack& b) { return keyOf(a) < keyOf(b); });
    } else {
        std::stable_sort(s.rows.begin(), s.rows.end(), [](const MidiImportTrack& a, const MidiImportTrack& b) {
            return a.sourcePosition < b.sourcePosition;
        });
    }
}

// --- the second pass --------------------------------------------------------------------------------

int CMidiImport::Convert(CZelDoc& doc) {
    // The staves: the rows to import, a split row followed by its lower staff; at most 64.
    std::vector<MidiImportTrack> staves;
    for (const MidiImportTrack& row : settings.rows) {
        if (!row.import) continue;
        if (staves.size() >= std::size_t(MidiImportSettings::kMaxStaves)) break;
        staves.push_back(row);
        if (row.splitKey < 0) continue;
        if (staves.size() < std::size_t(MidiImportSettings::kMaxStaves)) {
            MidiImportTrack lower = row;
            lower.clefChoice = 1;
            lower.splitKey = -1;
            staves.push_back(lower);
        } else {
            // No room for the lower staff: the part stays whole on one.
            staves.back().splitKey = -1;
        }
    }
    if (staves.empty()) return kCancelled;
    // The progress dialog: the conductor track first, a bar at a time.
    progress = std::make_unique<CProgressDlg>();
    if (progress->Open(kProgressTemplate)) {
        progress->SetTitleString(3217);
        progress->SetMessageString(3219);
        progress->SetRange(0, std::max<int>(1, settings.barCount));
    } else {
        progress.reset();
    }
    struct CloseProgress {
        std::unique_ptr<CProgressDlg>& dialog;
        ~CloseProgress() {
            if (dialog) dialog->Close();
            dialog.reset();
        }
    } closeProgress{progress};
    CScore& score = *doc.score;
    doc.MakeCurrent();
    // The import fills a new, empty score only.
    if (score.GetBarCount() != 0) return kOutOfMemory;
    const int barCount = std::max<int>(1, settings.barCount);
    if (!score.BuildSkeleton(barCount, int(staves.size()))) return kOutOfMemory;
    if (score.GetTrackCount() != int(staves.size())) return kOutOfMemory;
    // (A new score fills its systems: the bars its last system lacks are appended.)
    while (score.GetBarCount() < barCount)
        if (!score.AppendBar(false)) return kOutOfMemory;
    for (std::size_t i = 0; i < staves.size(); ++i) {
        const MidiImportTrack& row = staves[i];
        CTrack* track = score.GetTrack(int(i));
        if (!track) return kOutOfMemory;
        const int clef = kClefCodes[std::min<int>(row.clefChoice, 4)];
        track->Init(clef == 11 ? 1 : 0, clef, 1984);
        track->SetClef(clef);
        track->SetTransposedClef(clef);
        track->SetKey(row.key);
        track->SetName(row.name);
        if (row.octaveDown) track->SetTransposition(-12);
        for (int v = 0; v < 8; ++v) track->SetVoiceChannel(v, row.channel);
        // The output port: the preferences' default device, else the first of the list.
        CDevices* ports = GetMidiOutPorts();
        int port = g_preferences.Word(Preferences::kDefaultDevice);
        if (!ports->IsPortAvailable(port)) port = ports->GetIdAt(0);
        if (port >= 0 && ports->IsPortAvailable(port)) track->SetDevice(port);
        for (int s = 0; s < score.GetLineCount(); ++s) {
            CStaff* staff = score.GetLine(s)->GetStaff(int(i));
            if (!staff) continue;
            staff->SetClef(std::uint8_t(track->GetShownClef()));
            staff->SetKey(std::uint8_t(row.key));
        }
    }
    // A split pair is joined by a brace in every system.
    for (std::size_t i = 0; i + 1 < staves.size(); ++i) {
        if (staves[i].splitKey < 0) continue;
        for (int s = 0; s < score.GetLineCount(); ++s)
            if (CLine* line = score.GetLine(s)) line->SetBracket(1, int(i), int(i) + 1, false);
        ++i;
    }
    score.Reindex();
    std::string title, copyright;
    if (int code = ImportConductorTrack(doc, &title, &copyright)) return code;
    auto setTitle = [&](int kind, const std::string& text) {
        if (text.empty()) return;
        for (TitleBlock& block : doc.titles) {
            if (block.kind != kind) continue;
            const std::vector<std::string> lines = SplitTitleLines(text);
            for (std::size_t k = 0; k < lines.size() && k < 4; ++k)
                fw::CopyText(block.lines[k].text, TitleLine::kTextSize, lines[k]);
            return;
        }
    };
    setTitle(TitleBlock::kTitle, title);
    setTitle(TitleBlock::kNotice, copyright);
    // In a format 0 file the lyric events go to the staff of the fourth channel (else the
    // first staff).
    std::size_t lyricStaff = 0;
    for (std::size_t i = 0; i < staves.size(); ++i)
        if (settings.mapChannels && staves[i].channel == 3) {
            lyricStaff = i;
            break;
        }
    const int lastBar = score.GetBarCount() - 1;
    for (std::size_t i = 0; i < staves.size(); ++i) {
        const MidiImportTrack& row = staves[i];
        const bool lowerOfSplit = i > 0 && staves[i - 1].splitKey >= 0;
        if (lowerOfSplit) continue;
        if (progress) {
            // The part's track number (1 in a format 0 file), with its channel when mapped.
            std::string part = std::to_string(header.format == 0 ? 1 : row.trackNumber);
            if (settings.mapChannels) part += "-" + std::to_string(row.channel + 1);
            progress->SetMessage(part.c_str());
            progress->SetPos(0);
            progress->SetRange(0, std::max<int>(1, score.GetBarCount()) * (row.transcribe ? 2 : 1));
        }
        if (int code = ImportTrack(score, row, int(i), i == 0, header.format == 1 || i == lyricStaff)) return code;
        CTrack* track = score.GetTrack(int(i));
        const bool percussion = track && track->IsPercussionStaff();
        int drums = 0;
        if (percussion) {
            // The drum map from the keys played; with one voice each drum plays in its map
            // entry's voice. Stems go up, down for the voices of the drums with heads 0x22, 0x23.
            drums = track->CollectDrumMap(&score);
            if (!row.severalVoices) track->ApplyDrumVoices(&score);
            track->SetVoiceStem(-1, 1);
            for (int d = 0; d < drums; ++d)
                if (track->GetDrumHead(d) == 0x22 || track->GetDrumHead(d) == 0x23)
                    track->SetVoiceStem(track->GetDrumVoice(d), 2);
            track->SetHighRange(127);
            track->SetLowRange(0);
        }
        // The transcription goes on stepping the same dialog, a bar at a time.
        if (!row.transcribe || !g_midiImport.transcribe) continue;
        const int grid = kQuantizeTicks[std::clamp<int>(row.quantizeValue, 0, 7)];
        if (int code = g_midiImport.transcribe(score, int(i), lastBar, 0, grid, row.severalVoices != 0)) return code;
        if (percussion && !row.severalVoices) {
            // A one-voice drum part: each further voice its drums use is transcribed too.
            bool done[8] = {true};
            for (int d = 0; d < drums; ++d) {
                const int v = track->GetDrumVoice(d) & 7;
                if (done[v]) continue;
                done[v] = true;
                if (int code = g_midiImport.transcribe(score, int(i), lastBar, v, grid, false)) return code;
            }
        }
        if (percussion) track->ApplyDrumMap(&score);
        // A split pair's lower staff is transcribed with it.
        if (row.splitKey >= 0 && i + 1 < staves.size())
            if (int code = g_midiImport.transcribe(score, int(i) + 1, lastBar, 0, grid, row.severalVoices != 0))
                return code;
    }
    // Layout: the last bar closes the score, the bars are recalculated and every page laid out.
    if (progress) {
        progress->SetMessageString(3218);
        progress->SetPos(0);
        progress->SetRange(0, 2 * score.GetBarCount());  // two respacing passes
    }
    if (CBar* last = score.GetBar(score.GetBarCount() - 1)) last->SetClosingKind(4);
    score.Reindex();
    score.RecalcBars(false);
    // Every bar respaced, the brackets of each system recomputed at its first bar (a bar that
    // cannot be respaced: out of memory).
    auto respaceAll = [&](bool brackets) {
        for (int b = 0; b < score.GetBarCount(); ++b) {
            if (progress && !progress->Step()) return kCancelled;
            CBar* bar = score.GetBar(b);
            if (!bar) continue;
            CLine* line = bar->GetLine();
            if (brackets && line && line->GetFirstBarIndex() == b) line->UpdateBrackets();
            if (!bar->Respace()) return kOutOfMemory;
            // (The systems are justified by the page layout at the end: rejustifying a system
            // here gives its first bar most of the width.)
        }
        return kDone;
    };
    auto spacePages = [&](bool stretch) {
        for (int p = 0; p < score.GetPageCount(); ++p) {
            CPage* page = score.GetPage(p);
            if (!page) continue;
            page->SpaceStaves(false);
            page->AvoidCollisions();
            if (stretch) page->StretchToBottom();
        }
    };
    if (int code = respaceAll(true)) return code;
    // The pages: reflowed, staves spaced clear of each other, the staff size fitted to the
    // page, then reflowed, spaced and stretched again, and every bar respaced once more.
    score.ReflowFromPage(0);
    score.Reindex();
    spacePages(false);
    score.FitStaffScale();
    score.ReflowFromPage(0);
    score.Reindex();
    spacePages(true);
    if (int code = respaceAll(false)) return code;
    // The tempo marks take the columns of their ticks, now that the bars' columns stand.
    for (int b = 0; b < score.GetBarCount(); ++b) {
        CBar* bar = score.GetBar(b);
        CItemArray* items = bar ? bar->GetItemArray() : nullptr;
        for (int i = 0; items && i < items->GetCount(); ++i) {
            auto* item = static_cast<CBarItem*>(items->GetAt(i));
            if (item && !item->IsRemoved() && item->IsTempo())
                item->SetPositionField(std::int16_t(std::clamp<int>(bar->TickToFraction(item->TimeField(), false), 0, 1023)));
        }
    }
    doc.LayoutAllPages(true);
    if (settings.jazz) doc.ApplyJazzFont();
    // The page setup settled and fixed up as after reading a score file, so that the first save
    // is what every later open and save gives back.
    ScoreFile::SettlePageSetup(doc);
    doc.FixPageSetup();
    return kDone;
}

namespace {

// The bars as a track is read: each event at or past the end of the current bar moves on. The
// first pass sized the score to the music, so an event past its last bar lies beyond the music's
// end: the cursor stays in the last bar and says so (past), and the event is left out. Each bar
// reached steps the progress dialog (Cancel: code 1).
struct BarCursor {
    CScore& score;
    CProgressDlg* progress = nullptr;
    int bar = 0;
    int barStart = 0;
    bool past = false;
    int Length(int b) const { return score.GetBar(b) ? score.GetBar(b)->GetMeterLength() : 1920; }
    // 0, or the import's code.
    int MoveTo(int tick) {
        while (!past && tick >= barStart + Length(bar)) {
            if (bar + 1 >= score.GetBarCount()) {
                past = true;
                break;
            }
            barStart += Length(bar);
            ++bar;
            if (progress && !progress->Step()) return CMidiImport::kCancelled;
        }
        return 0;
    }
    int Time(int tick) const { return tick - barStart; }
};

// An item's time in its bar and the column position that goes with it (1/1024 of the bar).
void PlaceInBar(CScore& score, CBarItem* item, int bar, int time) {
    item->SetTimeField(std::int16_t(time));
    if (CBar* b = score.GetBar(bar)) item->SetPositionField(std::int16_t(std::clamp<int>(b->TickToFraction(time, false), 0, 1023)));
}

// A text item of a kind at a time in a bar of a staff, in the preferences' font of its kind.
bool AddTextItem(CScore& score, int staff, int bar, int time, int kind, const std::string& text) {
    CTrkBar* tb = score.GetTrkBar(staff, bar);
    if (!tb || text.empty()) return true;
    const std::string shown = text.substr(0, 255);
    std::vector<std::uint8_t> buffer(std::size_t(CText::PlainSize(shown.c_str()) + 16), 0);
    CText* t = CText::MakePlain(buffer.data(), int(buffer.size()), CText::kTypeCode, kind, shown.c_str(),
                                g_preferences.Font(kind), false);
    if (!t) return true;
    PlaceInBar(score, t, bar, time);
    // Above the staff; the size is measured when it is first drawn.
    t->SetY(-700);
    tb->SetCurrent();
    return tb->InsertCopy(t) != nullptr;
}

// The syllables of a staff as lyric items at their times in voice 0, and their lyric line in
// the score's lyric lines: the text with each syllable followed by a hyphen while its word goes
// on, else a space; one piece per syllable and one per hyphen. 0 or the import's code.
int PlaceSyllables(CScore& score, int staff, const std::vector<MidiSyllable>& syllables) {
    if (syllables.empty()) return CMidiImport::kDone;
    const FontRef font = g_preferences.Font(4);
    std::string text;
    std::vector<LyricToken> tokens;
    std::vector<int> entryOf;
    for (const MidiSyllable& s : syllables) {
        LyricToken t;
        t.kind = LyricToken::kSyllable;
        t.text = s.text;
        t.byteOffset = int(text.size());
        entryOf.push_back(int(tokens.size()));
        tokens.push_back(t);
        text += s.text;
        if (s.wordContinues) {
            LyricToken h;
            h.kind = LyricToken::kHyphen;
            h.text = "-";
            h.byteOffset = int(text.size());
            tokens.push_back(h);
            text += "-";
        } else {
            text += " ";
        }
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    CLyricArray* lines = score.GetLyricArray();
    const int lineIndex = lines ? lines->GetCount() : 0;
    std::vector<std::uint8_t> line;
    LyricPlace place;
    place.track = staff;
    place.bar = syllables.front().bar;
    // A line too long for one record leaves the syllables holding their own text.
    if (lines && lyricflow::BuildLine(line, place, text, {LyricRun{0, font}}, tokens, false))
        if (!lines->Add(line.data())) return CMidiImport::kOutOfMemory;
    for (std::size_t i = 0; i < syllables.size(); ++i) {
        const MidiSyllable& s = syllables[i];
        CTrkBar* tb = score.GetTrkBar(staff, s.bar);
        if (!tb) continue;
        std::vector<std::uint8_t> record(std::size_t(CLyric::SizeFor(int(s.text.size()))), 0);
        CLyric* l = CLyric::Make(record.data(), lineIndex, entryOf[i], 0, s.text.c_str(), font);
        if (!l) return CMidiImport::kOutOfMemory;
        std::uint8_t flags = std::uint8_t(l->LyricFlags() | CLyric::kHoldsTextBit);
        if (s.wordContinues) flags |= CLyric::kHyphenBit;
        if (s.extender) flags |= CLyric::kExtenderBit;
        l->SetLyricFlags(flags);
        PlaceInBar(score, l, s.bar, s.time);
        tb->SetCurrent();
        if (!tb->InsertCopy(l)) return CMidiImport::kOutOfMemory;
    }
    return CMidiImport::kDone;
}

}  // namespace

void AddMidiSyllable(std::vector<MidiSyllable>& syllables, std::string text, int bar, int time, bool karaoke,
                     bool karaokeHold) {
    if (!text.empty() && (text[0] == '\r' || text[0] == '\n' || (karaoke && text[0] == '@'))) return;
    // Line breaks inside the text end it as a space does.
    for (char& c : text)
        if (c == '\r' || c == '\n' || c == '\t') c = ' ';
    if (text.empty()) {
        if (!syllables.empty()) {
            syllables.back().extender = true;
            syllables.back().wordContinues = false;
        }
        return;
    }
    if (text[0] == ' ' || text[0] == '\\' || text[0] == '/') {
        if (!syllables.empty()) syllables.back().wordContinues = false;
        text.erase(0, 1);
    }
    const bool endsInSpace = !text.empty() && text.back() == ' ';
    bool extender = text.find('_') != std::string::npos || (karaoke && !endsInSpace && karaokeHold);
    if (const std::size_t space = text.find(' '); space != std::string::npos) text.resize(space);
    text.erase(std::remove(text.begin(), text.end(), '_'), text.end());
    if (text.empty()) {
        // A lone "_" holds the syllable before.
        if (extender && !syllables.empty()) {
            syllables.back().extender = true;
            syllables.back().wordContinues = false;
        }
        return;
    }
    MidiSyllable s;
    s.bar = bar;
    s.time = time;
    s.text = text.substr(0, 250);
    s.extender = extender;
    // A held syllable ends its word: its extender line stands in for the hyphen.
    s.wordContinues = !endsInSpace && !extender;
    syllables.push_back(std::move(s));
}

bool CMidiImport::ChangeKeyFrom(CScore& score, int bar, int key, int first, int last) {
    if (bar <= 0 || bar >= score.GetBarCount()) return true;
    if (g_preferences.Byte(Preferences::kDoubleBar))
        if (CBar* before = score.GetBar(bar - 1)) before->SetClosingKind(1);
    for (int t = first; t <= last && t < score.GetTrackCount(); ++t) {
        CTrack* track = score.GetTrack(t);
        if (!track || !track->IsStandardStaff()) continue;
        CTrkBar* tb = score.GetTrkBar(t, bar);
        if (!tb) continue;
        if (!tb->InsertKeySig(0, -1, key, 0, false, 0, false, 0, 0)) return false;
    }
    return true;
}

int CMidiImport::ImportConductorTrack(CZelDoc& doc, std::string* title, std::string* copyright) {
    CScore& score = *doc.score;
    SmfEvent e;
    if (!file.SeekTrack(0, &e)) return kBadFile;
    BarCursor at{score, progress.get()};
    int lastKey = settings.rows.empty() ? 0 : settings.rows[0].key;
    if (header.format == 1) lastKey = settings.entries[0].key;
    // Without a Set Tempo the music runs at 120 quarters a minute.
    for (int b = 0; b < score.GetBarCount(); ++b) score.GetBar(b)->SetTempo(12000);
    while (file.ReadEvent(&e)) {
        if (int code = at.MoveTo(e.tick)) return code;
        if (e.status != 0xFF || at.past) continue;
        const int bar = at.bar, time = at.Time(e.tick);
        switch (e.metaType) {
        case 0x02: *copyright = TextOf(e); break;
        case 0x03: *title = TextOf(e); break;
        case 0x06:
        case 0x07:
            // A marker or cue point: a staff text in the first staff.
            if (!AddTextItem(score, 0, bar, time, CText::kStaffText, TextOf(e))) return kOutOfMemory;
            break;
        case 0x51: {
            if (e.length < 3) break;
            const std::uint32_t us = std::uint32_t(e.data[0]) << 16 | std::uint32_t(e.data[1]) << 8 | e.data[2];
            if (us < 1) break;
            const int tempo = TempoInRange(int(600000000u / us) * 10);
            if (bar == 0 && time == 0) {
                // The score's starting tempo: the first bar's own.
                score.GetBar(0)->SetTempo(std::uint16_t(tempo));
                break;
            }
            // A change: a tempo mark at its time and column, which the bars after it follow
            // (a second change at the same time replaces the first's tempo).
            CBar* b = score.GetBar(bar);
            CTempo* same = nullptr;
            if (CItemArray* items = b->GetItemArray())
                for (int i = 0; i < items->GetCount() && !same; ++i) {
                    auto* item = static_cast<CBarItem*>(items->GetAt(i));
                    if (item && !item->IsRemoved() && item->IsTempo() && item->TimeField() == time)
                        same = static_cast<CTempo*>(item);
                }
            if (same) {
                same->SetValue(tempo);
                break;
            }
            alignas(8) std::uint8_t buffer[128] = {};
            CTempo* mark = MakeTempoItem(buffer, tempo);
            if (!mark) return kOutOfMemory;
            PlaceInBar(score, mark, bar, time);
            if (!b->AddItem(mark)) return kOutOfMemory;
            break;
        }
        case 0x58: {
            if (e.length < 2) break;
            const int num = e.data[0], dd = e.data[1];
            // A meter a bar cannot hold is ignored; the fourth byte does not rescale.
            if (!MeterFits(num, dd)) break;
            const int den = 1 << dd;
            // The click: the third byte in 24ths of a quarter (20 ticks), when it divides the
            // bar into beat groups.
            const int click = e.length >= 3 ? e.data[2] * 20 : 0;
            const int length = num * (1920 >> dd);
            const int groups = click > 0 && length % click == 0 && length / click <= 255 ? length / click : 0;
            for (int b = bar; b < score.GetBarCount(); ++b) {
                Meter* m = score.GetBar(b)->GetMeter();
                m->SetNumerator(std::uint8_t(num));
                m->SetDenominator(std::uint8_t(den));
                m->SetKindFlags(std::uint8_t(m->GetKindFlags() & ~(Meter::kCommonTime | Meter::kCutTime)));
                // Shown where it changes, hidden in the bars that follow.
                const std::uint8_t display = m->GetDisplayFlags();
                m->SetDisplayFlags(b == bar ? std::uint8_t(display | Meter::kShown) : std::uint8_t(display & ~Meter::kShown));
                m->SetGroupCount(std::uint8_t(groups));
                m->SetDefaultBeamGroups();
                m->Update();
            }
            score.Reindex();
            break;
        }
        case 0x59: {
            // A key change at a bar's first tick after bar 0 (keys at tick 0 came with the
            // first pass); a key outside -7..7 is ignored.
            if (e.length < 1 || time != 0) break;
            const int code = KeyCode(std::int8_t(e.data[0]));
            if (code < 0) break;
            if (bar > 0 && code != lastKey)
                if (!ChangeKeyFrom(score, bar, code, 0, score.GetTrackCount() - 1)) return kOutOfMemory;
            lastKey = code;
            break;
        }
        default: break;
        }
    }
    if (!file.error().empty()) return kBadFile;
    return kDone;
}

int CMidiImport::ImportTrack(CScore& score, const MidiImportTrack& row, int staff, bool firstStaff, bool lyricStaff) {
    SmfEvent e;
    const int midiTrack = header.format == 0 ? 0 : row.trackNumber;
    if (!file.SeekTrack(midiTrack, &e)) return kBadFile;
    const bool filtered = settings.mapChannels != 0;
    // The notes sounding: each remembers the next note-on of its key (-1 none yet), where it
    // ends when no note-off comes.
    struct Slot {
        bool active = false;
        int start = 0, bar = 0, time = 0, key = 0, played = 0, velocity = 0, voice = 0, channel = 0, nextOn = -1;
    } slots[32];
    int channels[7];
    int channelCount = 0;
    CTrack* track = score.GetTrack(staff);
    const int transposition = track ? track->GetTransposition() : 0;
    const bool standard = track && track->IsStandardStaff();
    int lastChannel = -1, lastKey = row.key;
    bool anyNote = false;
    std::vector<MidiSyllable> syllables;
    // The voice of a channel: its place among the channels met in this track (0-6, 7 for every
    // further one); one voice when filtered. A voice first met takes its channel.
    auto voiceOf = [&](int channel) {
        if (filtered) return 0;
        for (int k = 0; k < channelCount; ++k)
            if (channels[k] == channel) return k;
        if (channelCount < 7) {
            channels[channelCount] = channel;
            if (track) track->SetVoiceChannel(channelCount, channel);
            return channelCount++;
        }
        return 7;
    };
    auto trkBar = [&](int bar) {
        CTrkBar* tb = score.GetTrkBar(staff, bar);
        if (tb) tb->SetCurrent();
        return tb;
    };
    // A sounding note ends at a tick: a performance note in the bar where it started.
    auto endNote = [&](Slot& s, int endTick, int release) {
        s.active = false;
        PerformanceEvent p;
        p.time = s.time;
        p.voice = s.voice;
        p.duration = std::clamp(endTick - s.start, 1, 32766);
        p.key = std::uint8_t(std::clamp(s.key, 0, 127));
        p.byte9 = std::uint8_t(s.velocity);
        p.byte10 = std::uint8_t(release);
        CTrkBar* tb = trkBar(s.bar);
        return !tb || tb->AddPerformanceNote(p);
    };
    // The conductor track's markers and keys were made by its own pass, for every staff.
    const bool conductorRead = midiTrack == 0;
    BarCursor at{score, progress.get()};
    while (file.ReadEvent(&e)) {
        if (int code = at.MoveTo(e.tick)) return code;
        const int bar = at.bar, time = at.Time(e.tick);
        // Past the music's end only the note-offs of notes still sounding count.
        const bool ending = (e.status & 0xF0) == 0x80 || ((e.status & 0xF0) == 0x90 && CMidiFile::Data2(e) == 0);
        if (at.past && !ending) continue;
        if (e.status == 0xFF) {
            const std::string text = TextOf(e);
            switch (e.metaType) {
            case 0x01:
                if (header.format != 1 && !(filtered && lastChannel == row.channel)) break;
                if (karaoke) {
                    if (lyricStaff) {
                        const std::size_t after = std::size_t(e.offset) + e.length;
                        const bool hold = file.ByteAt(after) == 0x89 && file.ByteAt(after + 1) == 0x00;
                        AddMidiSyllable(syllables, text, bar, time, true, hold);
                    }
                } else if (!AddTextItem(score, staff, bar, time, CText::kBarText, text)) {
                    return kOutOfMemory;
                }
                break;
            case 0x04:
                if (track && !text.empty()) {
                    int port = GetMidiOutPorts()->FindIdByName(text.c_str());
                    if (port < 0)
                        port = g_preferences.Word(Preferences::kUseDefaultDevice) == 0
                                   ? 0
                                   : g_preferences.Word(Preferences::kDefaultDevice);
                    track->SetDevice(port);
                }
                break;
            case 0x05:
                if (lyricStaff) AddMidiSyllable(syllables, text, bar, time, karaoke, false);
                break;
            case 0x06:
            case 0x07:
                if (!conductorRead && (firstStaff || header.format == 1))
                    if (!AddTextItem(score, staff, bar, time, firstStaff ? CText::kStaffText : CText::kBarText, text))
                        return kOutOfMemory;
                break;
            case 0x20:
                if (e.tick == 0 && !filtered && track && e.length >= 1)
                    for (int v = 0; v < 8; ++v) track->SetVoiceChannel(v, e.data[0] & 15);
                break;
            case 0x59: {
                if (conductorRead || !standard || e.length < 1 || time != 0) break;
                const int code = KeyCode(std::int8_t(e.data[0]));
                if (code < 0) break;
                if (bar > 0 && code != lastKey)
                    if (!ChangeKeyFrom(score, bar, code, staff, row.splitKey >= 0 ? staff + 1 : staff))
                        return kOutOfMemory;
                lastKey = code;
                break;
            }
            default: break;
            }
            continue;
        }
        if (e.status < 0x80 || e.status > 0xEF) continue;
        const int channel = e.status & 15;
        lastChannel = channel;
        if (filtered && channel != row.channel) continue;
        const int kind = e.status & 0xF0;
        const int key = CMidiFile::Data1(e), value = CMidiFile::Data2(e);
        if (kind == 0x90 && value > 0) {
            const int voice = voiceOf(channel);
            anyNote = true;
            Slot* free = nullptr;
            for (Slot& s : slots) {
                if (s.active && s.played == key && s.channel == channel && s.nextOn < 0) s.nextOn = e.tick;
                if (!s.active && !free) free = &s;
            }
            if (!free) {
                // All 32 sound: the earliest note whose key has sounded again since (one never
                // switched off) ends at that note-on and gives up its slot.
                for (Slot& s : slots)
                    if (s.nextOn >= 0 && (!free || s.start < free->start)) free = &s;
                if (free && !endNote(*free, free->nextOn, 64)) return kOutOfMemory;
            }
            // With 32 notes truly sounding, the note is dropped.
            if (free) *free = Slot{true, e.tick, bar, time, key - transposition, key, value, voice, channel, -1};
        } else if (kind == 0x80 || kind == 0x90) {
            for (Slot& s : slots) {
                if (!s.active || s.played != key || s.channel != channel) continue;
                if (!endNote(s, e.tick, kind == 0x80 && value ? value : 64)) return kOutOfMemory;
                break;
            }
        } else if (kind == 0xB0 && (key == 7 || key == 10) && e.tick == 0 && track) {
            // The starting volume or pan of the voices that play this channel.
            const int voice = voiceOf(channel);
            bool any = false;
            for (int v = 0; v < 8; ++v) {
                if (track->GetVoiceChannel(v) != channel) continue;
                any = true;
                if (key == 7) track->SetVoiceVolume(v, value, false);
                else track->SetVoicePan(v, value - 64, false);
            }
            if (!any) {
                track->SetVoiceChannel(voice, channel);
                if (key == 7) track->SetVoiceVolume(voice, value, false);
                else track->SetVoicePan(voice, value - 64, false);
            }
        } else if (kind == 0xB0 && key == 64 && row.pedalMarks) {
            // The sustain pedal as a pedal symbol that plays it.
            alignas(8) std::uint8_t buffer[CSymbol::kSize] = {};
            CSymbol* sym = CSymbol::Make(buffer, value ? 0xD0 : 0xD1, g_draw.defaultMusicFontRef, CSymbol::kMusicFontBit);
            if (!sym) return kOutOfMemory;
            buffer[CSymbol::kController] = 65;
            buffer[CSymbol::kControllerValue] = std::uint8_t(value ? 127 : 0);
            PlaceInBar(score, sym, bar, time);
            // Under the staff, and for a split part under its lower staff, where a pianist
            // reads it.
            const int pedalStaff = row.splitKey >= 0 && staff + 1 < score.GetTrackCount() ? staff + 1 : staff;
            sym->SetVoice(pedalStaff == staff ? voiceOf(channel) : 0);
            sym->SetY(900);
            CTrkBar* tb = score.GetTrkBar(pedalStaff, bar);
            if (tb) tb->SetCurrent();
            if (tb && !tb->InsertCopy(sym)) return kOutOfMemory;
        } else if (kind == 0xC0) {
            const int voice = voiceOf(channel);
            if (track && (e.tick == 0 || (bar == 0 && !anyNote))) {
                for (int v = 0; v < 8; ++v)
                    if (filtered || track->GetVoiceChannel(v) == channel) track->SetVoiceProgram(v, key, false);
            } else if (track) {
                // A later program: a patch-change expression named by the port's patch names.
                char name[256] = {}, number[32] = {};
                GetPortPatchNameOrGM(track->GetDevice(), channel, key, name, number, sizeof number);
                std::string label = name[0] ? std::string(name) : "Program " + std::to_string(key + 1);
                if (label.size() > 63) label.resize(63);
                std::vector<std::uint8_t> buffer(std::size_t(CExpression::kFixedSize + 66), 0);
                auto* x = static_cast<CExpression*>(ConstructClass(CExpression::kType, buffer.data()));
                if (!x) return kOutOfMemory;
                x->Init(CExpression::kPatchKind, 0xFFFFFF00u | std::uint32_t(key & 0x7F));
                x->SetKeySwitchPitch(255);
                x->SetOwnTextBit(true);
                const int size = (CExpression::kFixedSize + int(label.size()) + 1 + 1) & ~1;
                x->CBaseItem::SetSize(std::int16_t(size));
                std::memcpy(buffer.data() + CExpression::kText, label.data(), label.size());
                PlaceInBar(score, x, bar, time);
                x->SetVoice(voice);
                CTrkBar* tb = trkBar(bar);
                if (tb && !tb->InsertCopy(x)) return kOutOfMemory;
            }
        } else {
            // Controllers, key and channel pressure and pitch bend: MIDI data items.
            int d1 = key, d2 = value;
            if (kind == 0xB0 && key == 7 && row.volumeToModulation) d1 = 1;
            CTrkBar* tb = trkBar(bar);
            if (!tb) continue;
            CBarItem* item = tb->NewItem(0xA0 + (kind >> 4), time);
            if (!item) return kOutOfMemory;
            // (A data item's position field holds its two data bytes.)
            item->SetVoice(voiceOf(channel));
            static_cast<CData*>(item)->SetDataBytes(d1, d2);
        }
    }
    if (!file.error().empty()) return kBadFile;
    // A note never switched off ends at the next note-on of its key, else at the track's end.
    for (Slot& s : slots)
        if (s.active && !endNote(s, s.nextOn >= 0 ? s.nextOn : std::max(e.tick, s.start + 1), 64)) return kOutOfMemory;
    if (int code = PlaceSyllables(score, staff, syllables)) return code;
    for (int b = 0; b < score.GetBarCount(); ++b) {
        CTrkBar* tb = score.GetTrkBar(staff, b);
        if (!tb) continue;
        tb->SetCurrent();
        tb->SortItems();
        if (row.splitKey >= 0 && staff + 1 < score.GetTrackCount())
            if (!tb->SplitToNextTrack(staff, row.splitKey)) return kOutOfMemory;
    }
    return kDone;
}

CMidiImport::CMidiImport() = default;
CMidiImport::~CMidiImport() = default;

int CMidiImport::Import(std::vector<std::uint8_t> image, CZelDoc& doc, const std::string& path) {
    settings.fileName = path;
    file.Attach(std::move(image));
    int code = ScanTracks();
    if (code == kDone) {
        ProposeStaves(settings, g_midiImport.instrumentOrder);
        // A file with nothing to place says so rather than opening an empty score.
        const bool any = std::any_of(settings.rows.begin(), settings.rows.end(),
                                     [](const MidiImportTrack& r) { return r.import != 0; });
        if (!any) {
            LogText("MIDI file: no notes to place", true);
            doc.lastReadDetail = "the file holds no notes";
            const std::string text = Text(kNoNotesString, "The file holds no notes to place.") + "\n(" + path + ")";
            AfxMessageBox(text.c_str(), MB_OK | MB_ICONEXCLAMATION);
            return kCancelled;
        }
        if (g_midiImport.optionsDialog && !g_midiImport.optionsDialog(settings)) code = kCancelled;
    }
    if (code == kDone) code = Convert(doc);
    if (code == kBadFile) Refused(doc);
    return code;
}

void CMidiImport::Refused(CZelDoc& doc) const {
    const SmfProblem why = file.problem();
    const std::size_t at = file.errorOffset();
    // Tracks are numbered as the options dialog numbers them: the one track of a format 0 file
    // is 1, the first track of a format 1 file the conductor track, the next 1.
    const int track = file.errorTrack();
    const bool conductor = track == 0 && header.format == 1;
    const int shown = header.format == 0 ? 1 : track;
    // The log and the tools in English, the user in the program's language: the reason, then
    // where it was found.
    std::string detail = file.error().empty() ? std::string("the file cannot be read") : file.error();
    if (conductor)
        detail += " in the conductor track";
    else if (track >= 0)
        detail += " in track " + std::to_string(shown);
    if (why != SmfProblem::TooManyBars && why != SmfProblem::TooLarge) detail += " at byte " + std::to_string(at);
    LogText(("MIDI file refused: " + detail).c_str(), true);
    doc.lastReadDetail = detail;
    if (why == SmfProblem::None) return;
    char reason[256] = {};
    LoadResString(CMidiFile::ProblemStringId(why), reason);
    char text[320] = {};
    if (why == SmfProblem::Format)
        std::snprintf(text, sizeof text, reason, int(header.format));
    else
        std::snprintf(text, sizeof text, "%s", reason);
    char where[160] = {};
    if (why != SmfProblem::TooManyBars && why != SmfProblem::TooLarge) {
        char format[128] = {};
        LoadResString(conductor ? kConductorPlaceString : track >= 0 ? kTrackPlaceString : kBytePlaceString, format);
        if (conductor || track < 0)
            std::snprintf(where, sizeof where, format, unsigned(at));
        else
            std::snprintf(where, sizeof where, format, shown, unsigned(at));
    }
    doc.lastReadReason = std::string(text) + where;
}

void RegisterMidiImport() {
    if (g_midiImport.registered) return;
    g_midiImport.registered = true;
    ScoreImporterFn previous = ScoreImporter();
    ScoreImporter() = [previous](const std::string& ending, CZelDoc& doc, CFile& f) -> int {
        if (ending != ".mid" && ending != ".kar") return previous ? previous(ending, doc, f) : 101;
        const auto length = f.GetLength();
        CMidiImport import;
        if (length > 64u * 1024 * 1024) {
            import.file.Refuse(SmfProblem::TooLarge, 0);
            import.Refused(doc);
            return CMidiImport::kBadFile;
        }
        std::vector<std::uint8_t> image(static_cast<std::size_t>(length));
        f.SeekToBegin();
        if (!image.empty() && f.Read(image.data(), UINT(image.size())) != UINT(image.size())) return CMidiImport::kBadFile;
        return import.Import(std::move(image), doc, f.GetFilePath());
    };
}
