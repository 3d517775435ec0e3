// Column widths of a bar of a track: when the bar is respaced, each bar of a track raises the
// room each onset column needs after it and in front of it for its notes and rests (by value
// through the document's spacing table), accidentals, heads beside the stem, flags, grace notes,
// clefs and lyric syllables.
#include <algorithm>
#include <map>
#include <vector>

#include "model/Lyric.h"
#include "model/Bar.h"
#include "model/BarSpacing.h"
#include "model/EngraverSettings.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "model/TrkBarEntryFields.h"
#include "model/TrkBarWalk.h"

using namespace entry;

namespace {

// Open tuplets of a voice while its run is walked: the most the walk keeps.
constexpr int kOpenTuplets = 4;

// The spacing-table width of a note or rest for its value, dots and tuplet.
int AllotFor(const CBarItem* r) { return GetAllotSpace(ValueCode(r), Dots(r), TupletCount(r) != 0); }

// The last column whose time is not after the time (the first when every column is later).
int ColumnOf(const std::vector<SpacingColumn>& columns, int time) {
    auto it = std::upper_bound(columns.begin(), columns.end(), time,
                               [](int t, const SpacingColumn& c) { return t < c.time; });
    return it == columns.begin() ? 0 : int(it - columns.begin()) - 1;
}

bool HeadBesideStemRight(const std::uint8_t* h) { return (h[kHeadLinks] & 0x30) == 0x10; }

// Spreads each column's width over the columns its longest note sounds through. The shares are
// taken from the widths as measured, so that notes overlapping in one voice (a chord of
// different values, a run written over itself) never thin each other's shares out: a column
// that a spread covers takes the largest share it is given.
void Spread(std::vector<SpacingColumn>& columns) {
    const int count = int(columns.size());
    const std::vector<SpacingColumn> measured(columns);
    for (int i = 0; i < count; ++i) {
        const int end = measured[std::size_t(i)].time + measured[std::size_t(i)].duration;
        for (int j = i; j < count - 1 && measured[std::size_t(i)].duration > 0 && measured[std::size_t(j)].time < end; ++j)
            columns[std::size_t(j)].space = 0;
    }
    for (int i = 0; i < count; ++i)
        CTrkBar::SpreadColumnWidth(columns.data(), i, count, measured[std::size_t(i)].space,
                                   measured[std::size_t(i)].duration);
}

// One lyric syllable of a voice as the columns see it.
struct Syllable {
    int column;
    int width;     // twentieths
    bool hyphen;   // a hyphen follows it
    bool extended; // an extender line follows it: it stands left-aligned at its note
    int time;
};


// Widens the columns from `from` up to (not including) `to` evenly, rounded up, until together
// they hold `need`.
void WidenColumns(std::vector<SpacingColumn>& columns, int from, int to, int need) {
    if (to <= from) return;
    int have = 0;
    for (int i = from; i < to; ++i) have += columns[std::size_t(i)].space;
    if (have >= need) return;
    const int share = (need - have + (to - from) - 1) / (to - from);
    for (int i = from; i < to; ++i)
        columns[std::size_t(i)].space = std::int16_t(std::min(32767, columns[std::size_t(i)].space + share));
}

// The syllables of each verse: a centred one takes half its width in front of its column and half
// after it, an extended one all of it after; the first one at the bar's start (or the first of a
// pickup bar) pushes room in front of its column; between two syllables at least 60 stays free
// (120 around a hyphen), and what they lack is shared over the columns between them; the last one
// keeps its width inside the bar.
void PlaceSyllables(std::vector<SpacingColumn>& columns, const std::map<int, std::vector<Syllable>>& verses, bool pickup) {
    const int count = int(columns.size());
    for (const auto& [verse, list] : verses) {
        for (std::size_t k = 0; k < list.size(); ++k) {
            const Syllable& s = list[k];
            const int left = s.extended ? 0 : s.width / 2;
            const int right = s.width - left;
            if (k == 0 && (s.time == 0 || pickup))
                columns[std::size_t(s.column)].preSpace = std::int16_t(std::max<int>(columns[std::size_t(s.column)].preSpace, left));
            if (k + 1 < list.size()) {
                const Syllable& next = list[k + 1];
                const int nextLeft = next.extended ? 0 : next.width / 2;
                WidenColumns(columns, s.column, next.column, right + (s.hyphen ? 120 : 60) + nextLeft);
            } else {
                WidenColumns(columns, s.column, count, right);
            }
        }
    }
}

}  // namespace

void CTrkBar::SpreadColumnWidth(SpacingColumn* columns, int from, int count, int width, int duration) {
    if (duration <= 0) return;
    const int end = columns[from].time + duration;
    for (int i = from; i < count - 1 && columns[i].time < end; ++i)
        columns[i].space = std::int16_t(
            std::max<int>(columns[i].space, (columns[i + 1].time - columns[i].time) * width / duration));
}

void CTrkBar::MergeColumns(SpacingColumn* target, const SpacingColumn* source, int count) {
    for (int i = 0; i < count; ++i) {
        target[i].index = source[i].index;
        target[i].space = std::max(target[i].space, source[i].space);
        target[i].preSpace = std::max(target[i].preSpace, source[i].preSpace);
    }
}

void CTrkBar::MeasureNoteColumn(CBarItem* item, CBarItem* previous, SpacingColumn* column, bool firstColumn) {
    const int margin = CurrentEngraverSettings().GetWord(EngraverSettings::kNoteMargin);
    // What the previous note or rest takes of the room in front of this one.
    int previousRight;
    if (!previous || firstColumn) {
        previousRight = margin * 3 / 4;
    } else {
        previousRight = AllotFor(previous);
        if (IsNoteRecord(previous) && IsStemUp(previous) && !IsBeamed(previous) && ValueCode(previous) > 3)
            previousRight -= 120;
        for (int i = 0; i < HeadCount(previous); ++i)
            if (HeadBesideStemRight(HeadAt(previous, i))) {
                previousRight -= 120;
                break;
            }
        previousRight -= 135;
    }
    if (item->TypeCode() == kRestType) {
        int width = ValueCode(item) == 0 ? GetAllotSpace(0, 0, 0) : AllotFor(item);
        if (ValueCode(item) >= 4) width = std::max(width, 240);
        column->space = std::int16_t(std::max<int>(column->space, width));
        return;
    }
    if (IsGrace(item)) return;
    // Room in front: a leading arpeggio's overhang, then the widest head or accidental.
    int leading = 0;
    ForEachMark(item, [&](std::uint8_t* mark) {
        if (mark[kMarkCode] == 30) leading = std::max(leading, -int(rec::Get<std::int16_t>(mark, kMarkX)));
    });
    const int value = ValueCode(item);
    const int gap = CurrentEngraverSettings().GetWord(EngraverSettings::kAccidentalToNote);
    int heads = 0;
    for (int i = 0; i < HeadCount(item); ++i) {
        const std::uint8_t* h = HeadAt(item, i);
        if ((h[kHeadLinks] & 0x20) && h[kHeadAccOffset] == 0) heads = std::max(heads, 120 + (value < 2 ? 60 : 0));
        if (HeadAccidentalShown(h) && !IsSlash(item)) {
            int room = 120 + ((h[kHeadAcc] & 0x10) ? 180 : 0) + 5 * h[kHeadAccOffset] + gap;
            if (value < 2 && !IsStemUp(item)) room += 60;
            heads = std::max(heads, room);
        }
    }
    const int before = leading + heads;
    int after = AllotFor(item) + (IsShiftedRight(item) ? 120 : 0);
    if (value > 4)
        for (int i = 0; i < HeadCount(item); ++i)
            if (HeadBesideStemRight(HeadAt(item, i))) {
                after += 60;
                break;
            }
    column->space = std::int16_t(std::max<int>(column->space, after));
    column->preSpace = std::int16_t(std::max<int>(column->preSpace, before - previousRight));
}

void CTrkBar::MeasureColumns(SpacingColumn* columns, int count) {
    if (!columns || count <= 0) return;
    SetCurrent();
    const int meterLength = GetMeterLength();
    const int margin = CurrentEngraverSettings().GetWord(EngraverSettings::kNoteMargin);
    bool voiceSeen[8] = {true};
    trkbar::ForEachLiveItem(this, [&](CBarItem* item) { voiceSeen[item->VoiceField()] = true; });

    std::vector<SpacingColumn> merged(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        merged[std::size_t(i)].index = columns[i].index;
        merged[std::size_t(i)].time = columns[i].time;
    }
    int endSpace = 0;
    // Each voice measures into its own copy, so that one voice's spreading never thins out the
    // widths another voice asked for; the copies merge at the end.
    std::vector<SpacingColumn> local(merged);
    for (int voice = 0; voice < 8; ++voice) {
        if (!voiceSeen[voice]) continue;
        for (SpacingColumn& c : local) c.space = c.preSpace = c.duration = 0;
        CBarItem* previous = nullptr;
        std::vector<CBarItem*> graces;
        CBarItem* open[kOpenTuplets] = {};
        int depth = 0;
        bool hadNotes = false;
        std::map<int, std::vector<Syllable>> verses;
        trkbar::ForEachLiveItem(this, [&](CBarItem* item) {
            if (item->VoiceField() != voice) return;
            const int type = item->TypeCode();
            const int at = ColumnOf(local, item->TimeField());
            SpacingColumn& column = local[std::size_t(at)];
            if ((type == kNoteType || type == kRestType) && !IsGrace(item)) {
                if (depth > 0 && open[depth - 1]->GetEndPosition() <= item->PositionField()) --depth;
                double d = NoteDuration(*item);
                if (TupletCount(item) != 0) {
                    if (depth >= 2) {
                        const auto* outer = static_cast<const CTuplet*>(open[depth - 2]);
                        const int actual = outer->Number(), normal = outer->SecondNumber();
                        if (actual && normal) d = d * normal / actual;
                    }
                    d += 0.0001;
                }
                column.duration = std::int16_t(std::max<int>(column.duration, int(d)));
                MeasureNoteColumn(item, previous, &column, at == 0);
                if (!graces.empty()) {
                    int sum = HeadRoom(item);
                    for (CBarItem* g : graces) sum += GraceWidth(g) + GraceAccidentalRoom(g);
                    if (item->TimeField() == 0) sum += 15 - margin / 2;
                    if (item->TimeField() == 0 || !previous || at == 0)
                        column.preSpace = std::int16_t(std::max<int>(column.preSpace, sum));
                    else
                        column.preSpace = std::int16_t(
                            std::max<int>(column.preSpace, sum - (local[std::size_t(at - 1)].space - 150)));
                    graces.clear();
                }
                previous = item;
                hadNotes = true;
            } else if (type == kNoteType && IsGrace(item)) {
                graces.push_back(item);
            } else if (type == kGuitarFrameType) {
                item->SetHorizontalOffset(0);
            } else if (type == CClef::kTypeCode) {
                if (item->PositionField() < 1024 && item->TimeField() < meterLength) {
                    if (at == 0) {
                        column.preSpace = std::int16_t(std::max<int>(column.preSpace, 180));
                    } else if (previous && local[std::size_t(at - 1)].space < 360) {
                        local[std::size_t(at - 1)].space = std::int16_t(local[std::size_t(at - 1)].space + 120);
                        column.preSpace = std::int16_t(std::max<int>(column.preSpace, 120));
                    }
                } else {
                    const bool close = count >= 2 && columns[count - 1].time - columns[count - 2].time < 240;
                    endSpace = std::max(endSpace, close ? 240 : 180);
                }
            } else if (type == kLyricType && item->RecordSizeField() >= CLyric::kFixedSize) {
                RECT bounds{};
                item->GetBounds(&bounds);
                const int width = std::max(0, item->ViewToTwentieths(bounds.right - bounds.left));
                const auto* lyric = static_cast<const CLyric*>(item);
                verses[lyric->GetVerse()].push_back({at, width, lyric->HasHyphen(), lyric->HasExtender(), item->TimeField()});
                while (depth > 0 && open[depth - 1]->GetEndPosition() <= item->PositionField()) --depth;
            } else if (type == CTuplet::kType) {
                if (depth < kOpenTuplets) open[depth++] = item;
            } else if (!item->IsData() && type != kRawNoteType && !(item->IsTempo() && item->IsHidden())) {
                while (depth > 0 && open[depth - 1]->GetEndPosition() <= item->PositionField()) --depth;
            }
        });
        if (hadNotes) {
            Spread(local);
            PlaceSyllables(local, verses, GetPickupOffset() > 0);
        }
        MergeColumns(merged.data(), local.data(), count);
    }
    MergeColumns(columns, merged.data(), count);
    columns[0].endSpace = std::int16_t(std::max<int>(columns[0].endSpace, endSpace));
}
