// The new default score.
#include "model/KeySig.h"
#include "model/NewScore.h"

#include <algorithm>
#include <map>

#include "framework/StringTable.h"
#include "model/Bar.h"
#include "model/BarNumber.h"
#include "model/Page.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/ScoreFile.h"
#include "model/ScoreStructure.h"
#include "model/ScoreStructureStandIns.h"
#include "platform/Devices.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Titles.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include <cstring>
#include <string>

namespace {

constexpr int kNoChannel = 255;

// Bracket kinds: a brace, and the group-continuation run.
constexpr int kBrace = 1;
constexpr int kGroupRun = 127;

// A text of the string table, the English text when the table lacks it.
std::string TableText(unsigned id, const char* fallback) {
    std::string s;
    if (!fw::LoadStringResource(id, s) || s.empty()) s = fallback;
    return s;
}

// Copies a zero-terminated text of at most n bytes into a title block's first line.
void CopyTitle(TitleBlock& block, const char* text, std::size_t n) {
    const std::size_t len = strnlen(text, std::min<std::size_t>(n, TitleLine::kTextSize) - 1);
    std::memset(block.lines[0].text, 0, sizeof block.lines[0].text);
    std::memcpy(block.lines[0].text, text, len);
}

// Gives track 0 the preferences' default output port ("Default Device") when that port is
// available.
void UseDefaultPort(CScore& score) {
    const int port = g_preferences.Word(Preferences::kDefaultDevice);
    if (GetMidiOutPorts()->IsPortAvailable(port)) score.GetTrack(0)->SetDevice(port);
}

}  // namespace

bool CScore::BuildSkeleton(int barsWanted, int tracksWanted) {
    const int P = std::max(1, document->GetBarsPerSystem());
    const int Q = std::max(1, document->GetSystemsPerPage());
    if (barsWanted < 1 || tracksWanted < 1 || tracksWanted > kMaxTracks) return false;
    if (barsWanted > P) barsWanted -= barsWanted % P;
    if (barCount != 0) return true;
    int systems = std::max(1, barsWanted / P);
    if (barsWanted > P && barsWanted % P != 0) ++systems;
    const int S = std::max(1, std::min(std::max(1, 12 / tracksWanted), Q));
    int pagesWanted = std::max(1, systems / S);
    if (systems > S && systems % S != 0) ++pagesWanted;
    if (!tracks->SetSize(tracksWanted) || !bars->SetSize(barsWanted) || !lines->SetSize(systems) ||
        !pages->SetSize(pagesWanted))
        return false;
    barCount = std::int16_t(barsWanted);
    trackCount = std::int16_t(tracksWanted);
    lineCount = std::int16_t(systems);
    pageCount = std::int16_t(pagesWanted);
    singleTrack = tracksWanted == 1 ? 1 : 0;
    for (int t = 0; t < tracksWanted; ++t) {
        auto* track = GetTrack(t);
        track->Init(0, (tracksWanted > 1 && t == tracksWanted - 1) ? 1 : 0, 1984);
        CTrkBarArray* a = GetTrkBarArray(t);
        for (int b = 0; b < barsWanted; ++b)
            if (!InsertTrkBar(t, b)) return false;
        if (a->GetCount() != barsWanted) return false;
    }
    for (int p = 0; p < pagesWanted; ++p) {
        CPage* page = GetPage(p);
        page->Init(this);
        page->SetIndex(p);
        page->SetFirstSystem(p * S);
        const int rest = systems % S;
        page->SetSystemCount(p == pagesWanted - 1 && rest != 0 ? rest : std::min(S, systems - p * S));
    }
    for (int b = 0; b < barsWanted; ++b) {
        CBar* bar = GetBar(b);
        if (!bar->GetItemArray() && !bar->SetDefaults()) return false;
        bar->SetLine(this, std::min(systems - 1, b / P));
    }
    for (int i = 0; i < systems; ++i) {
        CLine* line = GetLine(i);
        line->Init(GetPage(i / S));
        if (!line->GetStaffArray()) return false;
        line->SetIndex(i);
        line->SetBarCount(std::min(P, barsWanted - i * P));
        layout::SetWantedBars(line, P);
        line->SetFirstBarIndex(i * P);
        line->SetFirstBar(this, i * P);
        line->SetPageIndex(i / S);
        line->SetPage(this, i / S);
        for (int t = 0; t < tracksWanted; ++t) {
            if (!line->InsertStaff(t)) return false;
            CStaff* staff = line->GetStaff(t);
            CTrack* track = GetTrack(t);
            staff->SetClef(track->GetShownClef());
            staff->SetScale(rec::Get<std::uint8_t>(track, CTrack::kStaffSize));
            staff->SetShown(true);
        }
    }
    Reindex();
    if (!ReflowFromPage(0)) return false;
    Reindex();
    // The first bar carries the score's bar numbering, hidden at the start of the score.
    std::uint8_t buffer[CBarNumber::kSize] = {};
    CBarNumber* number = CBarNumber::Construct(buffer);
    if (!number) return false;
    number->SetFlagsB(std::uint8_t(number->FlagsB() | CBarItem::kHiddenBit));
    if (!GetBar(0)->ReplaceBarNumberItem(number)) return false;
    Reindex();
    for (int p = 0; p < pageCount; ++p) GetPage(p)->SpaceStaves(false);
    for (int s = 0; s < lineCount; ++s) GetLine(s)->Relayout();
    document->LayoutAllPages(true);
    return true;
}

bool CScore::BuildMinimalScore() {
    if (!BuildSkeleton(16, 1)) return false;
    if (CLine* line = GetLine(0)) line->SetTopOffset(document->GetPageTopSpace(0));
    if (CPage* page = GetPage(0)) page->SpaceStaves(true);
    RecalcBars(false);
    return true;
}

void AssignChannels(CScore& score) {
    const int n = score.GetTrackCount();
    for (int t = 0; t < n; ++t)
        if (CTrack* track = score.GetTrack(t))
            for (int v = 0; v < 8; ++v) track->SetVoiceChannel(v, kNoChannel);
    std::map<int, int> next;
    for (int t = 0; t < n; ++t) {
        CTrack* track = score.GetTrack(t);
        if (!track || track->GetVoiceChannel(0) != kNoChannel) continue;
        const int device = std::max(0, track->GetDevice());
        const int c = next[device];
        const int channel = track->IsPercussionStaff() ? 9 : c;
        for (int v = 0; v < 8; ++v) track->SetVoiceChannel(v, channel);
        track->SetVoicePatch(-1, track->GetVoicePatch(0), true);
        const int instrument = track->GetInstrument();
        for (int u = t + 1; u < n; ++u) {
            CTrack* other = score.GetTrack(u);
            if (other && other->GetInstrument() == instrument && other->GetVoiceChannel(0) == kNoChannel)
                for (int v = 0; v < 8; ++v) other->SetVoiceChannel(v, channel);
        }
        int advanced = c < 15 ? c + 1 : 15;
        if (advanced == 9) advanced = 10;
        next[device] = advanced;
    }
}

bool BuildNewScore(CScore& score, const NewScoreSettings& settings, ScoreFileDoc* doc) {
    const int arrangement = settings.arrangement;
    if (arrangement < 0 || arrangement > 4) return false;
    if (arrangement != 4 && score.GetBarCount() != 0) return false;  // a new score starts empty
    switch (arrangement) {
        case 0:
            if (!score.BuildSkeleton(32, 1)) return false;
            if (settings.singleStaffChoice == 1) score.GetTrack(0)->Init(0, 1, 1984);
            // An instrument template that cannot be applied fails the build rather than
            // leaving a plain staff in its place.
            if (settings.singleStaffChoice >= 2 &&
                !ApplyInstrumentTemplate(settings.singleStaffChoice - 2, score.GetTrack(0)))
                return false;
            break;
        case 1:
            if (!score.BuildSkeleton(32, 2)) return false;
            for (int t = 0; t < 2; ++t) {
                for (int v = 0; v < 8; ++v) score.GetTrack(t)->SetVoiceProgram(v, 0, false);
                score.GetTrack(t)->SetInstrument(0);
            }
            score.GetTrack(0)->SetName(TableText(10200, "Piano").c_str());
            score.GetTrack(0)->SetAbbreviation(TableText(10201, "Pn.").c_str());
            score.GetTrack(0)->SetTrackFlags(std::uint8_t(score.GetTrack(0)->GetTrackFlags() | 1));
            break;
        case 2: {
            if (!score.BuildSkeleton(24, 3)) return false;
            score.GetTrack(1)->Init(0, 0, 1984);
            const int programs[3] = {54, 0, 0};
            for (int t = 0; t < 3; ++t) {
                for (int v = 0; v < 8; ++v) score.GetTrack(t)->SetVoiceProgram(v, programs[t], false);
                score.GetTrack(t)->SetInstrument(programs[t]);
            }
            score.GetTrack(0)->SetName(TableText(10202, "Voice").c_str());
            score.GetTrack(1)->SetName(TableText(10200, "Piano").c_str());
            score.GetTrack(1)->SetAbbreviation(TableText(10201, "Pn.").c_str());
            for (int t = 0; t < 2; ++t)
                score.GetTrack(t)->SetTrackFlags(std::uint8_t(score.GetTrack(t)->GetTrackFlags() | 1));
            UseDefaultPort(score);
            break;
        }
        case 3:
            if (!score.BuildSkeleton(32, 2)) return false;
            score.GetTrack(1)->Init(2, 13, 2016);
            for (int t = 0; t < 2; ++t) {
                for (int v = 0; v < 8; ++v) score.GetTrack(t)->SetVoiceProgram(v, 26, false);
                score.GetTrack(t)->SetInstrument(26);
            }
            // The guitar sounds an octave below its written notes: its voices play 12 lower.
            score.GetTrack(0)->SetVoiceTranspose(-1, -12);
            score.GetTrack(0)->SetHighRange(81);
            score.GetTrack(0)->SetLowRange(40);
            UseDefaultPort(score);
            break;
        default: {
            if (score.GetBarCount() == 0 && !score.BuildSkeleton(32, 1)) return false;
            const std::vector<int> ports = ChosenOutputPorts() ? ChosenOutputPorts()() : std::vector<int>{};
            if (!ports.empty())
                for (int t = 0; t < score.GetTrackCount(); ++t)
                    if (CTrack* track = score.GetTrack(t); track && !GetMidiOutPorts()->IsPortAvailable(track->GetDevice()))
                        track->SetDevice(ports.front());
            if (CItemArray* items = score.GetBar(0)->GetItemArray())
                for (int i = 0; i < items->GetCount(); ++i) {
                    auto* item = static_cast<CBarItem*>(items->GetAt(i));
                    if (item && (item->TypeCode() == CTempo::kTypeCode || item->TypeCode() == CKeySig::kTypeCode))
                        item->SetFlagsB(std::uint8_t(item->FlagsB() | CBarItem::kRemovedBit));
                }
            break;
        }
    }
    for (int s = 0; s < score.GetLineCount(); ++s) {
        CLine* line = score.GetLine(s);
        if (arrangement == 1) {
            line->SetBracket(kGroupRun, 0, 1, false);
            line->SetBracket(kBrace, 0, 1, false);
        } else if (arrangement == 2) {
            line->SetBracket(kGroupRun, 1, 2, false);
            line->SetBracket(kBrace, 1, 2, false);
        }
        if (arrangement != 4) {
            for (int t = 0; t < score.GetTrackCount(); ++t)
                if (CStaff* staff = line->GetStaff(t)) {
                    staff->SetClef(score.GetTrack(t)->GetShownClef());
                    staff->SetLineMask(score.GetTrack(t)->GetLineMask());
                    staff->SetScale(rec::Get<std::uint8_t>(score.GetTrack(t), CTrack::kStaffSize));
                }
            line->UpdateBrackets();
        }
    }
    if (!settings.keepSettings) {
        if (doc) {
            CopyTitle(doc->titles[0], settings.title, sizeof settings.title);
            CopyTitle(doc->titles[2], settings.text3, sizeof settings.text3);
            CopyTitle(doc->titles[3], settings.text4, sizeof settings.text4);
        }
        Meter meter{};
        meter.SetPreset(settings.meterPreset, false);
        meter.Update();
        CBar* first = score.GetBar(0);
        std::uint8_t buffer[CTempo::kSize] = {};
        CTempo* mark = MakeTempoItem(buffer, settings.tempo);
        std::uint8_t unit = std::uint8_t(((settings.tempoDisplay + 1) & 0x0F) << 4);
        if (settings.tempoFlagA) unit |= 0x02;
        if (settings.tempoFlagB) unit |= 0x04;
        rec::Put<std::uint8_t>(mark, CTempo::kUnit, unit);
        if (!first->InsertItemSorted(mark)) return false;
        first->SetBarFlag(CBar::kShortBarBit, settings.pickup != 0);
        for (int b = 0; b < score.GetBarCount(); ++b) {
            CBar* bar = score.GetBar(b);
            *bar->GetMeter() = meter;
            bar->MeasureContents();
            bar->Respace();
        }
        if (settings.key != 0)
            for (int t = 0; t < score.GetTrackCount(); ++t)
                if (!score.GetTrkBar(t, 0)->InsertKeySig(0, -1, settings.key, 0, false, 0, false, 0, 0)) return false;
    }
    if (arrangement != 4) AssignChannels(score);
    score.Reindex();
    // The staves' clefs and bar 0's marks changed without a recalculation: the next one walks
    // the whole score, not from what an earlier one carried into a later system.
    score.ForgetRecalcStarts();
    if (!settings.keepSettings) {
        score.RecalcBars(false);
        if (arrangement != 4) ScoreFile::AfterLoad(score, doc);
    }
    if (MidiOutPorts().midiExists) MidiOutPorts().resendSetup = true;
    return true;
}
