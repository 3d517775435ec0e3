#include "midi/MidiImport.h"

#include <algorithm>
#include <cstring>

#include "framework/CodePage.h"
#include "framework/Exceptions.h"
#include "framework/File.h"
#include "framework/Globals.h"
#include "model/TaskMakers.h"
#include "model/Bar.h"
#include "model/DocumentStandIns.h"
#include "model/Meter.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Tempo.h"
#include "model/Titles.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "platform/DebugLog.h"
#include "platform/PortLayer.h"

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
    settings.staffCount = std::int16_t(header.format == 0 ? 1 : std::max(0, trackCount - 1));
    for (int i = 0; i < MidiImportSettings::kMaxStaves; ++i) {
        MidiImportTrack& e = settings.entries[i];
        e = MidiImportTrack{};
        e.trackNumber = std::int16_t(i + 1);
        e.sourcePosition = std::uint8_t(i);
        CopyName(e.name, Text(3214, "Track") + " " + std::to_string(i + 1));
    }
    if (header.format == 0) settings.entries[0].trackNumber = 0;
    int barCount = 1;
    for (int t = 0; t < trackCount; ++t) {
        SmfEvent e;
        if (!file.SeekTrack(t, &e)) return kBadFile;
        MidiImportTrack* entry = header.format == 0 ? &settings.entries[0] : t > 0 ? &settings.entries[t - 1] : nullptr;
        int bar = 0, barStart = 0, barLength = 1920;
        bool named = false;
        for (;;) {
            const bool more = file.ReadEvent(&e);
            if (!file.error().empty()) return kBadFile;
            while (e.tick >= barStart + barLength) {
                barStart += barLength;
                ++bar;
            }
            const bool endOnLine = !more && e.tick == barStart && bar > 0;
            barCount = std::max(barCount, endOnLine ? bar : bar + 1);
            if (!more) break;
            if (e.metaType && e.status == 0xFF) {
                const int type = e.metaType;
                if ((type == 1 || type == 3) && t > 0 && entry) {
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
                } else if (type == 5 && entry) {
                    entry->lyrics = 1;
                } else if (type == 0x20 && e.tick == 0 && t > 0 && entry && e.length >= 1) {
                    entry->channel = std::uint8_t(CMidiFile::Data1(e) & 15);
                } else if (type == 0x58 && t == 0 && e.length >= 2) {
                    const int num = CMidiFile::Data1(e), dd = CMidiFile::Data2(e);
                    if (num >= 1 && dd <= 6) barLength = num * (1920 >> dd);
                } else if (type == 0x59 && e.tick == 0 && e.length >= 1) {
                    const int code = KeyCode(std::int8_t(CMidiFile::Data1(e)));
                    if (code >= 0) {
                        if (t == 0)
                            for (MidiImportTrack& x : settings.entries) x.key = std::uint16_t(code);
                        else if (entry)
                            entry->key = std::uint16_t(code);
                    }
                }
                continue;
            }
            if (!entry || e.status < 0x80 || e.status > 0xEF) continue;
            MidiChannelStats& s = entry->stats[e.status & 15];
            s.used = 1;
            const int kind = e.status & 0xF0;
            if (kind == 0x90) {
                const int key = CMidiFile::Data1(e);
                s.highest = std::uint8_t(std::max<int>(s.highest, key));
                s.lowest = std::uint8_t(std::min<int>(s.lowest, key));
                if (key > 55) ++s.above55;
                if (key < 67) ++s.below67;
                ++s.notes;
            } else if (kind == 0xC0 && bar == 0 && s.notes == 0) {
                s.firstProgram = std::int16_t(CMidiFile::Data1(e));
            }
        }
    }
    settings.barCount = std::int16_t(std::min(barCount, 32000));
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
        if (row.splitKey >= 0 && staves.size() < std::size_t(MidiImportSettings::kMaxStaves)) {
            MidiImportTrack lower = row;
            lower.clefChoice = 1;
            lower.splitKey = -1;
            staves.push_back(lower);
        }
    }
    if (staves.empty()) return kCancelled;
    CScore& score = *doc.score;
    doc.MakeCurrent();
    // The import fills a new, empty score only.
    if (score.GetBarCount() != 0) return kOutOfMemory;
    if (!score.BuildSkeleton(std::max<int>(1, settings.barCount), int(staves.size()))) return kOutOfMemory;
    if (score.GetTrackCount() != int(staves.size())) return kOutOfMemory;
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
        for (int s = 0; s < score.GetLineCount(); ++s) {
            CStaff* staff = score.GetLine(s)->GetStaff(int(i));
            if (!staff) continue;
            staff->SetClef(std::uint8_t(track->GetShownClef()));
            staff->SetKey(std::uint8_t(row.key));
        }
    }
    score.Reindex();
    std::string title;
    if (int code = ImportConductorTrack(doc, &title)) return code;
    if (!title.empty()) {
        const std::vector<std::string> lines = SplitTitleLines(title);
        for (std::size_t k = 0; k < lines.size() && k < 4; ++k)
            fw::CopyText(doc.titles[0].lines[k].text, TitleLine::kTextSize, lines[k]);
    }
    const int lastBar = score.GetBarCount() - 1;
    for (std::size_t i = 0; i < staves.size(); ++i) {
        const MidiImportTrack& row = staves[i];
        const bool lowerOfSplit = i > 0 && staves[i - 1].splitKey >= 0;
        if (!lowerOfSplit)
            if (int code = ImportTrack(score, row, int(i))) return code;
    }
    for (std::size_t i = 0; i < staves.size(); ++i) {
        const MidiImportTrack& row = staves[i];
        if (!row.transcribe || !g_midiImport.transcribe) continue;
        const int grid = kQuantizeTicks[std::clamp<int>(row.quantizeValue, 0, 7)];
        const int code = g_midiImport.transcribe(score, int(i), lastBar, 0, grid, row.severalVoices != 0);
        if (code) return code;
    }
    // Layout: the last bar closes the score, the bars are recalculated and every page laid out.
    if (CBar* last = score.GetBar(score.GetBarCount() - 1)) last->SetClosingKind(4);
    score.Reindex();
    score.RecalcBars(false);
    for (int b = 0; b < score.GetBarCount(); ++b)
        if (CBar* bar = score.GetBar(b)) bar->Respace();
    score.ReflowFromPage(0);
    score.Reindex();
    doc.LayoutAllPages(true);
    if (settings.jazz) doc.ApplyJazzFont();
    return kDone;
}

int CMidiImport::ImportConductorTrack(CZelDoc& doc, std::string* title) {
    CScore& score = *doc.score;
    SmfEvent e;
    if (!file.SeekTrack(0, &e)) return kBadFile;
    int bar = 0, barStart = 0;
    auto barLength = [&](int b) { return score.GetBar(b) ? score.GetBar(b)->GetMeterLength() : 1920; };
    while (file.ReadEvent(&e)) {
        while (e.tick >= barStart + barLength(bar)) {
            barStart += barLength(bar);
            ++bar;
            if (bar >= score.GetBarCount()) {
                if (bar > 32000) return kBadFile;
                if (!score.AppendBar(false)) return kOutOfMemory;
            }
        }
        if (e.status != 0xFF) continue;
        const int time = e.tick - barStart;
        switch (e.metaType) {
        case 0x03:
        case 0x02:
            if (e.metaType == 0x03) *title = TextOf(e);
            break;
        case 0x51: {
            if (e.length < 3) break;
            const std::uint32_t us = std::uint32_t(e.data[0]) << 16 | std::uint32_t(e.data[1]) << 8 | e.data[2];
            if (us < 1) break;
            const int tempo = int(600000000u / us) * 10;
            if (time == 0) {
                // The bar's tempo, and every following bar's.
                for (int b = bar; b < score.GetBarCount(); ++b) score.GetBar(b)->SetTempo(TempoInRange(tempo));
            } else {
                alignas(8) std::uint8_t buffer[128] = {};
                CTempo* mark = MakeTempoItem(buffer, TempoInRange(tempo));
                if (!mark) return kOutOfMemory;
                mark->SetTimeField(std::int16_t(time));
                if (!score.GetBar(bar)->AddItem(mark)) return kOutOfMemory;
                for (int b = bar + 1; b < score.GetBarCount(); ++b) score.GetBar(b)->SetTempo(TempoInRange(tempo));
            }
            break;
        }
        case 0x58: {
            if (e.length < 2) break;
            const int num = e.data[0], dd = e.data[1];
            // A denominator the meter cannot hold is ignored; the fourth byte does not rescale.
            if (num < 1 || num > 99 || dd > 6) break;
            const int den = 1 << dd;
            for (int b = bar; b < score.GetBarCount(); ++b) {
                Meter* m = score.GetBar(b)->GetMeter();
                m->SetNumerator(std::uint8_t(num));
                m->SetDenominator(std::uint8_t(den));
                m->SetKindFlags(std::uint8_t(m->GetKindFlags() & ~(Meter::kCommonTime | Meter::kCutTime)));
                m->SetGroupCount(0);
                m->SetDefaultBeamGroups();
                m->Update();
            }
            score.Reindex();
            break;
        }
        default: break;
        }
    }
    if (!file.error().empty()) return kBadFile;
    return kDone;
}

int CMidiImport::ImportTrack(CScore& score, const MidiImportTrack& row, int staff) {
    SmfEvent e;
    const int midiTrack = header.format == 0 ? 0 : row.trackNumber;
    if (!file.SeekTrack(midiTrack, &e)) return kBadFile;
    const bool filtered = settings.mapChannels != 0;
    struct Slot {
        bool active = false;
        int start = 0, bar = 0, time = 0, key = 0, played = 0, velocity = 0, voice = 0, channel = 0;
    } slots[32];
    int channels[7];
    int channelCount = 0;
    CTrack* track = score.GetTrack(staff);
    const int transposition = track ? track->GetTransposition() : 0;
    int bar = 0, barStart = 0;
    auto barLength = [&](int b) { return score.GetBar(b) ? score.GetBar(b)->GetMeterLength() : 1920; };
    while (file.ReadEvent(&e)) {
        while (e.tick >= barStart + barLength(bar)) {
            barStart += barLength(bar);
            ++bar;
            if (bar >= score.GetBarCount()) {
                if (bar > 32000) return kBadFile;
                if (!score.AppendBar(false)) return kOutOfMemory;
            }
        }
        if (e.status < 0x80 || e.status > 0xEF) continue;
        const int channel = e.status & 15;
        if (filtered && channel != row.channel) continue;
        const int kind = e.status & 0xF0;
        const int key = CMidiFile::Data1(e), value = CMidiFile::Data2(e);
        if (kind == 0x90 && value > 0) {
            int voice = 0;
            if (!filtered) {
                int place = -1;
                for (int k = 0; k < channelCount; ++k)
                    if (channels[k] == channel) place = k;
                if (place < 0 && channelCount < 7) {
                    channels[channelCount] = channel;
                    place = channelCount++;
                }
                voice = place < 0 ? 7 : place;
            }
            for (Slot& s : slots) {
                if (s.active) continue;
                s = Slot{true, e.tick, bar, e.tick - barStart, key - transposition, key, value, voice, channel};
                break;
            }
            // With all 32 open, the note is dropped.
        } else if (kind == 0x80 || kind == 0x90) {
            for (Slot& s : slots) {
                if (!s.active || s.played != key || s.channel != channel) continue;
                s.active = false;
                PerformanceEvent p;
                p.time = s.time;
                p.voice = s.voice;
                p.duration = std::clamp(e.tick - s.start, 1, 32766);
                p.key = std::uint8_t(std::clamp(s.key, 0, 127));
                p.byte9 = std::uint8_t(s.velocity);
                p.byte10 = std::uint8_t(kind == 0x80 && value ? value : 64);
                CTrkBar* tb = score.GetTrkBar(staff, s.bar);
                if (!tb) break;
                tb->SetCurrent();
                if (!tb->AddPerformanceNote(p)) return kOutOfMemory;
                break;
            }
        } else if (kind == 0xC0 && track && (e.tick == 0 || bar == 0)) {
            for (int v = 0; v < 8; ++v) track->SetVoiceProgram(v, key, false);
        }
    }
    if (!file.error().empty()) return kBadFile;
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

int CMidiImport::Import(std::vector<std::uint8_t> image, CZelDoc& doc, const std::string& path) {
    settings.fileName = path;
    file.Attach(std::move(image));
    int code = ScanTracks();
    if (code == kDone) {
        ProposeStaves(settings, g_midiImport.instrumentOrder);
        if (g_midiImport.optionsDialog && !g_midiImport.optionsDialog(settings)) code = kCancelled;
    }
    if (code == kDone) code = Convert(doc);
    if (code == kBadFile) {
        LogText(("MIDI file refused: " + file.error() + " at byte ").c_str(), false);
        LogTextInt("", int(file.errorOffset()), true);
    }
    return code;
}

void RegisterMidiImport() {
    if (g_midiImport.registered) return;
    g_midiImport.registered = true;
    ScoreImporterFn previous = ScoreImporter();
    ScoreImporter() = [previous](const std::string& ending, CZelDoc& doc, CFile& f) -> int {
        if (ending != ".mid" && ending != ".kar") return previous ? previous(ending, doc, f) : 101;
        const auto length = f.GetLength();
        if (length > 64u * 1024 * 1024) return CMidiImport::kBadFile;
        std::vector<std::uint8_t> image(static_cast<std::size_t>(length));
        f.SeekToBegin();
        if (!image.empty() && f.Read(image.data(), UINT(image.size())) != UINT(image.size())) return CMidiImport::kBadFile;
        CMidiImport import;
        return import.Import(std::move(image), doc, f.GetFilePath());
    };
}
