#include "model/ScoreStructureStandIns.h"

#include "model/Score.h"

#include <algorithm>

#include "model/PageSetup.h"
#include "model/SystemStaff.h"

LayoutPreferences& LayoutPrefs() {
    static LayoutPreferences prefs;
    return prefs;
}

int DocTopOfFirstSystem(CZelDoc* doc, int page) { return page == 0 ? 2160 : 1440; }

int DocBarsPerSystem(CZelDoc* doc) { return LayoutPrefs().barsPerSystem; }

bool DocLayOutPages(CZelDoc* doc, bool panes) {
    ++LayoutPrefs().pageLayouts;
    return true;
}

bool DocLayOutPagePanes(CZelDoc* doc) { return true; }

void DocSetCurrentBar(CZelDoc* doc, int bar) { LayoutPrefs().currentBar = bar; }

void DocShowMessage(CZelDoc* doc, int id) { ++LayoutPrefs().alertsShown; }

bool ProgressStepCurrent() {
    int& left = LayoutPrefs().cancelProgressAfter;
    if (left < 0) return true;
    if (left == 0) return false;
    --left;
    return true;
}

void StepWaitCursor() {}

void RelinkJumps(CScore* score) {}

int TempoToQuarterTempo(int tempo, int unitCode, bool dotted) {
    // Ticks of the beat unit against a quarter note (480 ticks); code 1 whole, 2 half, 3 quarter.
    if (unitCode < 1 || unitCode > 8) return tempo;
    const std::int64_t unit = (1920 >> (unitCode - 1)) * (dotted ? 3 : 2);
    return int(std::int64_t(tempo) * unit / (480 * 2));
}

CPageSetup& DocumentSecondPageSetup(CZelDoc* doc) {
    static CPageSetup setup = [] {
        CPageSetup s;
        s.SetPaperSizePoints(612, 792);
        s.SetMarginsPoints(36, 36, 36, 36);
        return s;
    }();
    return setup;
}

void DocSetScoreSize(CZelDoc* doc, int percent) { LayoutPrefs().scoreSize = percent; }


#include <cstring>

#include "model/ItemFactory.h"
#include "platform/Theory.h"

namespace {
// Places shown by a change between two keys.
int KeyChange(int from, int to) { return CTheory::CountKeyChangeAccidentals(to, from); }
bool SameSide(int a, int b) { return (a <= 7 && b <= 7) || (a >= 8 && b >= 8); }
}  // namespace

int CKeySig::CountPlaces() const {
    const int key = GetKey();
    const int mode = GetNaturalMode();
    const int old = (mode == 0 || GetPreviousKey() == key) ? 0 : GetPreviousKey();
    if (mode == 1) {
        const int a = KeyChange(0, old);
        const int b = KeyChange(0, key);
        return SameSide(old, key) && key >= old ? b : a + b;
    }
    return KeyChange(old, key);
}

int CKeySig::CountNaturals() const {
    const int key = GetKey();
    const int previous = GetPreviousKey();
    const int mode = GetNaturalMode();
    if (mode == 0 || previous == 0 || previous == key) return 0;
    if (mode == 2) return KeyChange(previous, key) - KeyChange(0, key);
    if (mode == 1) return KeyChange(0, previous);
    return 0;
}

CTempo* MakeTempoItem(void* buffer, int tempo) {
    auto* item = static_cast<CTempo*>(ConstructClass(CTempo::kTypeCode, buffer));
    if (!item) return nullptr;
    std::memset(item->Bytes() + rec::kType + 1, 0, std::size_t(item->RecordSizeField() - rec::kType - 1));
    rec::Put<std::uint8_t>(item, CTempo::kUnit, std::uint8_t((3 << 4) | 0x02));
    rec::Put<std::uint8_t>(item, CTempo::kGlyphSize, 16);
    rec::Put<std::uint16_t>(item, CTempo::kTempo, std::uint16_t(tempo));
    rec::Put<std::int16_t>(item, CTempo::kYOffset, -480);
    rec::Put<std::uint8_t>(item, CTempo::kEquation, std::uint8_t((4 << 4) | 0x01));
    return item;
}

MidiOutPortsState& MidiOutPorts() {
    static MidiOutPortsState state;
    return state;
}

bool IsPortAvailable(int port) {
    const auto& ports = MidiOutPorts().ports;
    return std::find(ports.begin(), ports.end(), port) != ports.end();
}

void ScoreAfterLoad(CScore* score) { ++MidiOutPorts().afterLoadRuns; }

bool RespellForKey(CTrkBar* bar, int key) {
    int& left = MidiOutPorts().respellFailAfter;
    if (left == 0) return false;
    if (left > 0) --left;
    ++MidiOutPorts().respelledBars;
    return true;
}
