// The Edit > Select filters (by kind, by the note criteria, by the data criteria) and find
// (the next item that meets the find criteria).
#include <algorithm>
#include <string>

#include "framework/MessageBox.h"
#include "framework/StringTable.h"
#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/Data.h"
#include "model/DocumentStandIns.h"
#include "model/ModelGlobals.h"
#include "model/NoteMark.h"
#include "model/Score.h"
#include "model/Select.h"
#include "model/TrkBar.h"
#include "model/TrkBarEntryFields.h"
#include "model/ZelDoc.h"
#include "platform/PortLayer.h"

namespace {

// What the filters and find read of a note's heads: velocity and play duration.
constexpr int kHeadVelocity = 8;
// A note's marks: their count in bits 1-3 of byte 19; the records follow the heads.
constexpr int kMarkCountByte = 19;
// The glyphs the eight mark switches stand for, in switch order.
constexpr int kSwitchGlyphs[8] = {199, 192, 200, 194, 204, 205, 203, 178};
// An expression's playback byte: the kind in the high nibble, the mode in bits 0-1.
constexpr int kExpressionPlayback = 28;
// A dynamic's value byte (the velocity or controller value it sends).
constexpr int kDynamicValue = 19;

constexpr int kSelectionChangedHint = 4330;
constexpr int kTaskDoneHint = 4332;

bool In(int v, int lo, int hi) { return v >= lo && v <= hi; }

int HeadVelocity(CBarItem* note, int h) { return entry::HeadAt(note, h)[kHeadVelocity]; }
int HeadDuration(CBarItem* note, int h) { return rec::Get<std::int16_t>(entry::HeadAt(note, h), entry::kHeadDuration); }
int HeadPitch(CBarItem* note, int h) { return entry::HeadAt(note, h)[entry::kHeadPitch]; }

// Note value 0-6: code value + 1 without a dot; 7-13: code value - 6 with one dot.
bool NoteValueMatches(CBarItem* note, int value) {
    const int code = entry::ValueCode(note), dots = entry::Dots(note);
    if (value <= 6) return code == value + 1 && dots == 0;
    return code == value - 6 && dots == 1;
}

// At least one of the note's marks has the glyph of an enabled switch.
bool MarksMatch(CBarItem* note, const std::uint8_t switches[8]) {
    const int count = (entry::Byte(note, kMarkCountByte) >> 1) & 7;
    const int heads = entry::HeadCount(note);
    std::uint8_t* at = note->Bytes() + entry::kHeads + entry::kHeadSize * heads;
    std::uint8_t* end = note->Bytes() + note->RecordSizeField();
    for (int i = 0; i < count && at + NoteMark::kClassFields <= end; ++i) {
        auto* mark = reinterpret_cast<NoteMark*>(at);
        const int glyph = mark->GetGlyph();
        for (int s = 0; s < 8; ++s)
            if (switches[s] && glyph == kSwitchGlyphs[s]) return true;
        if (mark->Size() <= 0) break;
        at += mark->Size();
    }
    return false;
}

// The note's time lies on the grid: the start, and with every on, each step after it below the
// bar's length.
bool OnGrid(int time, const NoteFilterCriteria& c, int barLength) {
    const int start = DurationFromIndex(c.positionIndex);
    if (!c.everyOn) return time == start;
    const int step = DurationFromIndex(c.everyIndex);
    if (step <= 0) return time == start;
    for (int at = start; at < barLength; at += step)
        if (time == at) return true;
    return false;
}

// The type each kind filter keeps.
bool HasFilterType(CBarItem* item, int command) {
    static const int kTypes[] = {144, 128, 17, 27, 24, 20, 37, 19, -1, 31, 22, 40};
    const int type = kTypes[command - CSelect::kFirstTypeFilter];
    if (type < 0) return item->IsGraphic();
    return item->TypeCode() == type;
}

// A note whose every head meets the find criteria's note section.
bool NoteMatchesFind(CBarItem* note, const FindCriteria& c) {
    if (!note->IsNote() || !c.notesOn) return false;
    for (int h = 0; h < entry::HeadCount(note); ++h) {
        if (c.pitchOn && !In(HeadPitch(note, h), c.pitchMin, c.pitchMax)) return false;
        if (c.durationOn && !In(HeadDuration(note, h), c.durationMin, c.durationMax)) return false;
        if (c.velocityOn && !In(HeadVelocity(note, h), c.velocityMin, c.velocityMax)) return false;
    }
    if (c.noteValueOn && !NoteValueMatches(note, c.noteValue)) return false;
    if (c.marksOn && !MarksMatch(note, c.marks)) return false;
    return true;
}

}  // namespace

bool CSelect::MatchesData(CBarItem* item, const FindCriteria& c) const {
    const int type = item->TypeCode();
    if (c.controllerOn && type == CData::kController) {
        auto* data = static_cast<CData*>(item);
        if (c.controllerNumberOn && data->GetDataByte1() != c.controllerNumber) return false;
        if (c.controllerValueOn && !In(item->GetValue(), c.controllerMin, c.controllerMax)) return false;
        return true;
    }
    if (c.patchOn && type == CData::kProgramChange) {
        auto* data = static_cast<CData*>(item);
        return !c.patchNumberOn || data->GetDataByte1() == c.patchNumber;
    }
    if (c.pitchBendOn && type == CData::kPitchBend)
        return !c.pitchBendValueOn || In(item->GetValue(), c.pitchBendMin, c.pitchBendMax);
    if (c.tempoOn && item->IsTempo()) return !c.tempoValueOn || In(item->GetValue(), c.tempoMin, c.tempoMax);
    // A hairpin reports the value 0.
    if (c.hairpinOn && item->IsCresc()) return !c.hairpinValueOn || In(0, c.hairpinMin, c.hairpinMax);
    if (c.dynamicOn && item->IsDynamic())
        return !c.dynamicValueOn || In(entry::Byte(item, kDynamicValue), c.dynamicMin, c.dynamicMax);
    if (c.expressionOn && item->IsExpression()) {
        if (!c.expressionKindOn) return true;
        const std::uint8_t playback = entry::Byte(item, kExpressionPlayback);
        if (c.expressionKind == 4) return (playback & 3) == 0;
        static const int kKinds[4] = {1, 2, 3, 5};
        return c.expressionKind >= 0 && c.expressionKind < 4 && (playback >> 4) == kKinds[c.expressionKind];
    }
    return false;
}

void CSelect::FilterSelection(int command) {
    BindDocument();
    if (!score || !document || score->GetTrackCount() <= 0 || score->GetBarCount() <= 0) return;
    if (command < kNoteFilterCommand || command > kLastTypeFilter) return;
    SelectionCriteria& criteria = SelectCriteria();
    if (command == kNoteFilterCommand && !CNoteFilterDlg::Run(criteria.noteFilter)) return;
    if (command == kDataFilterCommand && !CFindDataDlg::Run(criteria.find, 1)) return;

    const bool wholeScore = itemCount == 0;
    if (wholeScore) {
        lower[kExtentTrack] = lower[kExtentBar] = 0;
        upper[kExtentTrack] = std::int16_t(score->GetTrackCount() - 1);
        upper[kExtentBar] = std::int16_t(score->GetBarCount() - 1);
        lower[kExtentTime] = lower[kExtentPosition] = 0;
        upper[kExtentTime] = upper[kExtentPosition] = 32767;
    }
    const int t1 = std::max<int>(lower[kExtentTrack], 0), t2 = std::min<int>(upper[kExtentTrack], score->GetTrackCount() - 1);
    const int b1 = std::max<int>(lower[kExtentBar], 0), b2 = std::min<int>(upper[kExtentBar], score->GetBarCount() - 1);
    const NoteFilterCriteria& nf = criteria.noteFilter;
    for (int t = t1; t <= t2; ++t)
        for (int b = b1; b <= b2; ++b) {
            CTrkBar* tb = score->GetTrkBar(t, b);
            if (!tb) continue;
            tb->SetCurrent();
            RECT r;
            AddDirtyRect(*tb->GetRect(&r), tb->GetPageIndex());
            const int barLength = tb->GetMeterLength();
            CBarItem* item = nullptr;
            while (tb->NextItem(&item, -1)) {
                if (!wholeScore && !item->IsSelected(kWhole)) continue;
                bool stays = false;
                if (command == kNoteFilterCommand) {
                    if (item->IsNote()) {
                        item->SelectPart(kWhole);
                        const int heads = entry::HeadCount(item);
                        int left = heads;
                        for (int h = 0; h < heads; ++h) {
                            const bool out = (nf.pitchOn && !In(HeadPitch(item, h), nf.pitchMin, nf.pitchMax)) ||
                                             (nf.durationOn && !In(HeadDuration(item, h), nf.durationMin, nf.durationMax)) ||
                                             (nf.velocityOn && !In(HeadVelocity(item, h), nf.velocityMin, nf.velocityMax));
                            if (!out) continue;
                            DeselectItem(item, h, tb, false);
                            --left;
                        }
                        stays = left > 0 && (!nf.noteValueOn || NoteValueMatches(item, nf.noteValue)) &&
                                (!nf.positionOn || OnGrid(item->TimeField(), nf, barLength)) &&
                                (!nf.marksOn || MarksMatch(item, nf.marks));
                        // A note that stays keeps the heads the criteria left it; one whose every
                        // head went is dropped whole.
                        if (stays) {
                            item->Select();
                            continue;
                        }
                    }
                } else if (command == kDataFilterCommand) {
                    stays = MatchesData(item, criteria.find);
                } else {
                    stays = HasFilterType(item, command);
                }
                if (stays)
                    item->SelectPart(kWhole);
                else if (item->IsSelectedBit() || item->IsNote())
                    item->DeselectPart(kWhole);
            }
        }
    Recount();
    document->InvalidatePanes();
    document->NotifyWindows(1, kSelectionChangedHint);
}

void CSelect::FindNext(int command) {
    BindDocument();
    if (!score || !document || score->GetTrackCount() <= 0 || score->GetBarCount() <= 0) return;
    SelectionCriteria& criteria = SelectCriteria();
    if (command == kFindCommand && !CFindDataDlg::Run(criteria.find, 0)) return;
    int startBar = lower[kExtentBar], startTime = lower[kExtentTime];
    if (startBar == 32767) {
        startBar = document->location.barIndex;
        startTime = int(document->location.time);
    } else if (startTime == 32767) {
        startTime = 0;
    }
    if (command == kFindNextCommand) ++startTime;
    while (true) {
        if (FindFrom(command, startBar, startTime)) return;
        lower[kExtentBar] = std::int16_t(score->GetBarCount() - 1);
        lower[kExtentTime] = 32767;
        WarningBeep();
        std::string text;
        fw::LoadStringResource(kEndOfScoreString, text);
        if (AfxMessageBox(text.c_str(), MB_YESNO | MB_ICONQUESTION) != IDYES) return;
        lower[kExtentBar] = 32767;
        document->location.trackIndex = 0;
        document->location.barIndex = 0;
        document->location.time = 0;
        document->location.position = 0;
        document->ShowInsertionPoint(0, false);
        startBar = 0;
        startTime = 0;
    }
}

// One pass from the insertion point's track and the start bar to the end of the score: true
// when a match was selected.
bool CSelect::FindFrom(int command, int startBar, int startTime) {
    ClearAll();
    const FindCriteria& c = SelectCriteria().find;
    const int tracks = score->GetTrackCount(), bars = score->GetBarCount();
    int barFrom = std::max(startBar, 0), timeFrom = startTime;
    for (int t = std::max(document->location.trackIndex, 0); t < tracks; ++t) {
        for (int b = barFrom; b < bars; ++b) {
            CTrkBar* tb = score->GetTrkBar(t, b);
            if (!tb) continue;
            CBarItem* item = nullptr;
            while (tb->NextItem(&item, -1)) {
                if (!score->IsItemInShownVoice(item)) continue;
                if (b == barFrom && item->TimeField() < timeFrom) continue;
                if (!NoteMatchesFind(item, c) && !MatchesData(item, c)) continue;
                SelectItem(item, kWhole, tb, false);
                ScoreLocation& L = document->location;
                L.trackIndex = t;
                L.barIndex = std::int16_t(b);
                L.time = item->TimeField();
                L.position = std::int16_t(tb->TickToFraction(item->TimeField()));
                document->ShowInsertionPoint(b, false);
                lower[kExtentBar] = std::int16_t(b);
                document->InvalidatePanes();
                GraphicWindow::OnDocumentHint(kTaskDoneHint);
                if (item->IsData()) {
                    // The lane's data kinds of codes 170-175: key aftertouch 4, controller 3,
                    // program change 7, channel pressure 5, pitch bend 6, none 0.
                    static const int kLaneKind[6] = {4, 3, 7, 5, 6, 0};
                    const int controller = item->TypeCode() == CData::kController ? static_cast<CData*>(item)->GetDataByte1() : -1;
                    GraphicWindow::ShowDataKind(kLaneKind[std::min(item->TypeCode() - CData::kKeyAftertouch, 5)], controller);
                }
                return true;
            }
        }
        barFrom = 0;
        timeFrom = 0;
    }
    return false;
}
