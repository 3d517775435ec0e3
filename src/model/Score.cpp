#include "model/Score.h"

#include <cstring>
#include <initializer_list>
#include <new>

#include "framework/Globals.h"
#include "model/ItemArray.h"
#include "model/ModelGlobals.h"
#include "model/ScoreArrays.h"
#include "model/ScoreStandIns.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "platform/DrawGlobals.h"
#include "platform/FontArray.h"
#include "platform/StdMenu.h"
#include "platform/StdArray.h"

// --- tempo map ------------------------------------------------------------------------------

namespace {

void PutEntry(std::uint8_t* p, const TempoMap::Entry& e) {
    rec::Put(p, 0, e.bar);
    rec::Put(p, 2, e.time);
    rec::Put(p, 6, e.tempo);
    rec::Put(p, 10, e.marked);
}

// Creates an array, turning an allocation failure into the memory exception.
template <class T>
std::unique_ptr<T> NewArray() {
    std::unique_ptr<T> a(new (std::nothrow) T);
    if (!a || !a->GetHandle()) ThrowOutOfMemory();
    return a;
}

// The bracket entries of a staff record: four of 10 bytes from 44 (kind, span, four 16-bit
// coordinates, the last the horizontal offset from the staff).
constexpr std::size_t kBrackets = 44;
constexpr std::size_t kBracketSize = 10;
constexpr std::size_t kBracketKind = 0;
constexpr std::size_t kBracketSpan = 1;
constexpr std::size_t kBracketOffset = 8;
constexpr int kBracketLevels = 4;
constexpr std::int16_t kNearestBracket = -120;

}  // namespace

TempoMap::Entry TempoMap::Get(int i) const {
    Entry e;
    if (i < 0 || i >= Count()) return e;
    const std::uint8_t* p = data + std::size_t(i) * kEntrySize;
    e.bar = rec::Get<std::int16_t>(p, 0);
    e.time = rec::Get<std::int32_t>(p, 2);
    e.tempo = rec::Get<std::int32_t>(p, 6);
    e.marked = rec::Get<std::int32_t>(p, 10);
    return e;
}

bool TempoMap::Add(const Entry& entry) {
    const int n = Count();
    std::uint8_t* base = data;
    // The map is built in ascending time: an entry after the last one goes straight to the
    // end, as the search from the start would put it.
    if (n > 0 && rec::Get<std::int32_t>(base + std::size_t(n - 1) * kEntrySize, 2) < entry.time) {
        std::uint8_t bytes[kEntrySize];
        PutEntry(bytes, entry);
        return AppendEntry(bytes);
    }
    for (int i = 0; i < n; ++i) {
        std::uint8_t* p = base + std::size_t(i) * kEntrySize;
        const std::int32_t time = rec::Get<std::int32_t>(p, 2);
        if (time == entry.time) {
            rec::Put(p, 6, entry.tempo);
            rec::Put(p, 10, entry.marked);
            return true;
        }
        if (time > entry.time) {
            std::uint8_t bytes[kEntrySize];
            PutEntry(bytes, entry);
            const bool inserted = buffer.InsertBytes(p, bytes, kEntrySize) != nullptr;
            data = static_cast<std::uint8_t*>(buffer.GetData());
            room = buffer.handle ? GetHandleSize(buffer.handle) : 0;
            return inserted;
        }
    }
    std::uint8_t bytes[kEntrySize];
    PutEntry(bytes, entry);
    return AppendEntry(bytes);
}

bool TempoMap::AppendEntry(const std::uint8_t* bytes) {
    // The block keeps what it has held across rebuilds and grows by half again when full, so
    // that a map rebuilt on every recalculation does not resize its block per entry.
    const std::uint32_t need = buffer.size + kEntrySize;
    if (!buffer.handle || room < need) {
        const std::uint32_t used = buffer.size;
        const std::uint32_t roomy = need + need / 2;
        void* block = buffer.Resize(roomy, false);
        room = roomy;
        if (!block) {
            block = buffer.Resize(need, false);
            room = need;
        }
        if (!block) {
            data = static_cast<std::uint8_t*>(buffer.GetData());
            room = buffer.handle ? GetHandleSize(buffer.handle) : 0;
            return false;
        }
        data = static_cast<std::uint8_t*>(block);
        buffer.size = used;
    }
    std::memcpy(data + buffer.size, bytes, kEntrySize);
    buffer.size = need;
    buffer.count += 1;
    return true;
}

void TempoMap::SetTempos(int i, std::int32_t tempo, std::int32_t marked) {
    if (i < 0 || i >= Count()) return;
    std::uint8_t* p = data + std::size_t(i) * kEntrySize;
    rec::Put(p, 6, tempo);
    rec::Put(p, 10, marked);
}

void TempoMap::Reset() {
    buffer.count = 0;
    buffer.size = 0;
}

void TempoMap::Truncate(int n) {
    if (n < 0 || n >= Count()) return;
    buffer.count = std::uint32_t(n);
    buffer.size = std::uint32_t(n) * kEntrySize;
}

// --- construction and destruction -----------------------------------------------------------

CScore::CScore(CZelDoc* doc) : document(doc) {
    rackText.Init();
    tracks = NewArray<CTrackArray>();
    pages = NewArray<CPageArray>();
    lines = NewArray<CLineArray>();
    bars = NewArray<CBarArray>();
    pageTexts = NewArray<CPageTextArray>();
    lyrics = NewArray<CLyricArray>();
    fonts = NewArray<CFontArray>();
    for (auto& a : trkBars) {
        a = NewArray<CTrkBarArray>();
        a->SetElemSize(kTrkBarElementSize);
    }
    devices = NewArray<CDeviceArray>();
    devices->SetElemSize(kDeviceElementSize);
    patches = NewArray<CPatchArray>();
    patches->SetElemSize(kPatchElementSize);

    const FontRef* table = DefaultFontTable();
    textFont1 = table[5];
    textFont2 = table[6];
    textFont3 = table[7];
    chordFrameFont = GuitarLibFontRef();
    textFont5 = table[12];
    multiBarRestDefault = 80;
    staffLabelFont = table[11];
    timecodeFont = g_draw.standardFontRefs[0];
    timecodeFont.style = 1;
}

namespace {

// Whether a record lies in an array's storage.
bool Holds(CStdArray* array, const void* record) {
    if (!array || !record) return false;
    const auto* first = static_cast<const std::uint8_t*>(array->GetData());
    const auto* at = static_cast<const std::uint8_t*>(record);
    return first && at >= first && at < first + std::size_t(array->GetCount()) * std::size_t(array->GetElementSize());
}

template <class T>
void ForgetIfHeld(T*& current, CStdArray* array) {
    if (Holds(array, current)) current = nullptr;
}

}  // namespace

CScore::~CScore() {
    // Nothing current may point into the records this score frees, whichever score is current.
    ForgetIfHeld(g_model.currentPage, pages.get());
    ForgetIfHeld(g_model.currentLine, lines.get());
    ForgetIfHeld(g_model.currentBar, bars.get());
    ForgetIfHeld(g_model.currentTrack, tracks.get());
    if (lines && g_model.currentStaff)
        for (int k = 0; k < lineCount && k < lines->GetCount(); ++k)
            if (CLine* line = GetLine(k)) ForgetIfHeld(g_model.currentStaff, line->GetStaffArray());
    if (g_model.currentTrkBar)
        for (int t = 0; t < kMaxTracks; ++t)
            if (trkBars[t])
                for (int b = 0; b < trkBars[t]->GetCount(); ++b)
                    if (trkBars[t]->GetAt(b) == g_model.currentTrkBar) g_model.currentTrkBar = nullptr;
    for (int t = 0; t < kMaxTracks; ++t) {
        if (!trkBars[t]) continue;
        if (t < trackCount) {
            CTrkBarArray& a = *trkBars[t];
            for (int b = 0; b < a.GetCount(); ++b) ItemCast<CScoreItem>(a.GetAt(b))->Release();
        }
        trkBars[t].reset();
    }
    tracks.reset();
    pages.reset();
    lines.reset();
    bars.reset();
    pageTexts.reset();
    lyrics.reset();
    fonts.reset();
    devices.reset();
    patches.reset();
    rackText.Free();
    tempoMap.Free();
    if (g_model.currentScore == this) g_model.currentScore = nullptr;
}

std::int32_t CScore::GetSizeInKilobytes() {
    std::int64_t total = sizeof(CScore);
    total += tracks->GetByteSize();
    total += pages->GetByteSize();
    total += lines->GetByteSize();
    total += bars->GetByteSize();
    total += pageTexts->GetByteSize();
    total += lyrics->GetByteSize();
    for (int t = 0; t < trackCount && t < kMaxTracks; ++t) {
        CTrkBarArray& a = *trkBars[t];
        for (int b = 0; b < barCount && b < a.GetCount(); ++b) {
            auto* tb = static_cast<CTrkBar*>(a.GetAt(b));
            total += tb->RecordSizeField() + tb->GetRunLength();
        }
    }
    return std::int32_t(total / 1024);
}

// --- elements ---------------------------------------------------------------------------------

namespace {

template <class T, class A>
T* ElementOf(A* array, int index) {
    if (!array || index < 0 || index >= array->GetCount()) return nullptr;
    return static_cast<T*>(array->GetAt(index));
}

}  // namespace

CBar* CScore::GetBar(int index) { return ElementOf<CBar>(bars.get(), index); }
CLine* CScore::GetLine(int index) { return ElementOf<CLine>(lines.get(), index); }
CPage* CScore::GetPage(int index) { return ElementOf<CPage>(pages.get(), index); }
CTrack* CScore::GetTrack(int index) { return ElementOf<CTrack>(tracks.get(), index); }
CPageText* CScore::GetPageText(int index) { return ElementOf<CPageText>(pageTexts.get(), index); }

CTrkBarArray* CScore::GetTrkBarArray(int track) {
    return (track >= 0 && track < kMaxTracks) ? trkBars[track].get() : nullptr;
}

CTrkBar* CScore::GetTrkBar(int track, int bar) { return ElementOf<CTrkBar>(GetTrkBarArray(track), bar); }

bool CScore::InsertTrkBar(int track, int bar) {
    CTrkBarArray* a = GetTrkBarArray(track);
    if (!a) return false;
    auto* tb = static_cast<CTrkBar*>(a->InsertEmpty(bar));
    if (!tb) return false;
    if (!tb->Init(track, bar)) {
        a->RemoveAt(bar);
        return false;
    }
    return true;
}

bool CScore::RemoveTrkBar(int track, int bar) {
    if (CTrkBarArray* a = GetTrkBarArray(track)) a->RemoveAt(bar);
    return true;
}

// --- voices -----------------------------------------------------------------------------------

bool CScore::IsVoiceShown(int voice) const {
    if (!document || document->location.allVoices) return true;
    return voice == document->location.voice;
}

bool CScore::IsItemInShownVoice(const CScoreItem* item) const {
    const std::uint8_t flags = rec::Get<std::uint8_t>(item, rec::kFlagsB);
    if (flags & rec::kRemovedBit) return false;
    return IsVoiceShown(flags >> 5);
}

// --- brackets and the track menu --------------------------------------------------------------

void CScore::RemoveBracketLevel(int level, int staff) {
    if (level < 0 || level >= kBracketLevels) return;
    for (int s = 0; s < lineCount && s < lines->GetCount(); ++s) {
        CLine* line = GetLine(s);
        CStaff* first = line->GetStaff(staff);
        if (!first) continue;
        std::uint8_t* entry = first->Bytes() + kBrackets + std::size_t(level) * kBracketSize;
        int last = staff + rec::Get<std::uint8_t>(entry, kBracketSpan);
        if (last > trackCount - 1) last = trackCount - 1;
        rec::Put<std::uint8_t>(entry, kBracketSpan, std::uint8_t(last - staff));
        for (int i = staff; i <= last; ++i) {
            CStaff* st = line->GetStaff(i);
            if (!st) continue;
            std::uint8_t* brackets = st->Bytes() + kBrackets;
            const std::int16_t w = rec::Get<std::int16_t>(brackets + std::size_t(level) * kBracketSize, kBracketOffset);
            for (int l = level; l < kBracketLevels - 1; ++l) {
                std::uint8_t* to = brackets + std::size_t(l) * kBracketSize;
                std::memcpy(to, to + kBracketSize, kBracketSize);
                std::int16_t offset = std::int16_t(rec::Get<std::int16_t>(to, kBracketOffset) - w);
                if (offset > kNearestBracket) offset = kNearestBracket;
                rec::Put(to, kBracketOffset, offset);
            }
            rec::Put<std::uint8_t>(brackets + 3 * kBracketSize, kBracketKind, 0);
        }
        line->UpdateBrackets();
    }
}

namespace {
constexpr UINT kTrackMenu = 330;
}

bool CScore::ChooseTrackFromMenu(int x, int y, int* track) {
    // Menu 330's one placeholder item gives way to the track names, in track order.
    CStdMenu menu;
    if (!menu.Load(kTrackMenu)) return false;
    menu.DeleteItem(0);
    for (int t = 0; t < GetTrackCount(); ++t) {
        char name[CTrack::kNameLength + 32];
        menu.InsertItem(t, GetTrack(t)->GetName(name, false));
    }
    const int chosen = menu.TrackSelect(x, y, document ? document->location.trackIndex : -1);
    if (chosen < 0) return false;
    *track = chosen;
    return true;
}

// --- fonts ------------------------------------------------------------------------------------------

void CScore::RemapFonts(const std::vector<std::uint8_t>* runsWithFonts) {
    CFontArray* table = fonts.get();
    if (!table) return;
    for (CScoreArray* a : std::initializer_list<CScoreArray*>{bars.get(), lines.get(), pages.get(), tracks.get()})
        if (a) a->ResolveFonts(table);
    fw::ScopedGlobal<CTrack*> keepTrack(g_model.currentTrack);
    for (int t = 0; t < GetTrackCount(); ++t) {
        g_model.currentTrack = GetTrack(t);
        CTrkBarArray* a = GetTrkBarArray(t);
        if (!a) continue;
        // The runs lie apart in memory: the walk asks for a run a few bars ahead while it
        // walks this one, so that reading the runs overlaps.
        constexpr int kAhead = 8;
        const int n = a->GetCount();
        const std::size_t first = std::size_t(t) * std::size_t(n);
        const auto holds = [&](int b) {
            return !runsWithFonts || first + std::size_t(b) >= runsWithFonts->size() || (*runsWithFonts)[first + std::size_t(b)];
        };
        for (int b = 0; b < n; ++b) {
            if (b + kAhead < n && holds(b + kAhead)) ElementOf<CTrkBar>(a, b + kAhead)->PrefetchItems();
            if (holds(b)) ElementOf<CTrkBar>(a, b)->ResolveFonts(table);
        }
    }
    if (pageTexts) pageTexts->ForEachNotify(table);
    if (lyrics) lyrics->ForEachNotify(table);
    for (FontRef* f : {&textFont1, &textFont2, &textFont3, &chordFrameFont, &textFont5, &staffLabelFont, &timecodeFont})
        table->ResolveLive(f);
}
