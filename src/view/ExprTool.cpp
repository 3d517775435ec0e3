// The expression tool: a click puts an expression from the expression library in, its playback
// adapted to the track (the track's own setting for a staccato, pizzicato, arco and the like);
// with Shift held at the click a popup of the library's entries chooses it first; with Ctrl or
// Alt it goes onto the following tracks too.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>

#include "model/Bar.h"
#include "model/Articulation.h"
#include "model/BarItem.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/PlaybackMarks.h"
#include "model/Score.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "platform/DrawGlobals.h"
#include "platform/Handles.h"
#include "platform/LibraryStandIns.h"
#include "platform/PlatformGlobals.h"
#include "platform/PortLayer.h"
#include "platform/StdMenu.h"
#include "view/PagePane.h"
#include "view/PlaceTools.h"
#include "view/ToolState.h"

namespace {
// The library entry's fields.
enum : int { kKind = 0, kFlags = 1, kPlayOn = 2, kByte31 = 3, kStyle = 10, kText = 16, kTextSize = 32, kValue = 48 };
constexpr int kStyleSize = 6;
constexpr int kSamplePlayerKind = 5;
constexpr int kControllerKind = 2;
// The words whose track setting an entry's text takes: mark index 1000 + place in the list.
constexpr std::string_view kAdaptWords[] = {"Marcato", "Staccato", "arco", "pizz", "legato"};
constexpr int kAdaptBase = 1000;
// The menu's place above the pointer.
constexpr int kMenuRise = 80;

bool BeginsWith(std::string_view text, std::string_view word) {
    if (text.size() < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(word[i])))
            return false;
    return true;
}

std::uint32_t Value(const std::uint8_t* entry) {
    std::uint32_t v = 0;
    std::memcpy(&v, entry + kValue, sizeof v);
    return v;
}
}  // namespace

std::string_view ExpressionEntryText(const std::uint8_t* entry) {
    const char* text = reinterpret_cast<const char*>(entry + kText);
    return std::string_view(text, strnlen(text, kTextSize));
}

void AdaptExpressionEntry(std::uint8_t* entry, CTrack* track, int voice) {
    if (!track) return;
    if (!track->IsSamplePlayerTrack() && entry[kKind] == kSamplePlayerKind) entry[kKind] = 0;
    const std::string_view text = ExpressionEntryText(entry);
    for (std::size_t i = 0; i < std::size(kAdaptWords); ++i) {
        if (!BeginsWith(text, kAdaptWords[i])) continue;
        std::uint8_t setting[MarkPlayback::kSize] = {};
        if (track->GetMarkPlayback(voice, kAdaptBase + int(i), setting) && (setting[1] || setting[2] || setting[13])) {
            if (setting[1]) {
                entry[kKind] = kSamplePlayerKind;
                entry[kValue + 2] = setting[1];
            } else if (setting[13]) {
                entry[kKind] = kControllerKind;
                entry[kValue] = std::uint8_t(setting[13] - 1);
            } else {
                entry[kKind] = 0;
                entry[kValue + 2] = 0;
            }
            entry[kPlayOn] = setting[2] != 0 ? 1 : 0;
            entry[kByte31] = std::uint8_t(setting[2] - 1);
        }
        break;
    }
}

CDragTask* CPagePane::OnExprTool(int x, int y) {
    CExprLib* lib = g_platform.exprLib;
    const int count = lib ? lib->GetCount() : 0;
    if (IsShiftDown()) {
        CStdMenu menu;
        if (!menu.Load(CExprTool::kMenuId)) return nullptr;
        menu.DeleteItem(0);
        for (int i = 0; i < count; ++i) {
            const std::string text(ExpressionEntryText(static_cast<const std::uint8_t*>(lib->GetItem(i))));
            menu.InsertItem(i, text.c_str());
        }
        POINT at{x, y - kMenuRise};
        ClientToScreen(&at);
        const int chosen = menu.TrackSelect(int(at.x), int(at.y), -1);
        if (chosen < 0) return nullptr;
        g_toolState.button = std::int16_t(chosen);
    }
    std::uint8_t entry[CExprTool::kEntrySize] = {};
    if (g_toolState.button < count) {
        std::memcpy(entry, lib->GetItem(g_toolState.button), sizeof entry);
        AdaptExpressionEntry(entry, score->GetTrack(location->trackIndex), location->voice);
    } else {
        std::memcpy(entry + kStyle, &g_draw.standardFontRefs[0], kStyleSize);
    }
    entry[kFlags] |= 0x02;
    auto* tool = new CExprTool;
    tool->Start(document, entry, CExprTool::kToolId);
    return tool;
}

void CExprTool::Start(CZelDoc* doc, const std::uint8_t* entry, int toolId) {
    CEditTool::Start(doc, nullptr, toolId);
    if (!doc || !insertion) return;
    auto* e = static_cast<CExpression*>(ConstructClass(CExpression::kType, scratch));
    if (!e) return;
    e->PlaceAt(*insertion);
    e->Init(entry[kKind], Value(entry));
    e->PutByte(CExpression::kFlags2, entry[kFlags]);
    if (e->GetLineStyle() != 0) e->PutByte(CExpression::kFlags1, std::uint8_t(e->Byte(CExpression::kFlags1) | 0x04));
    std::memcpy(scratch + CExpression::kFont, entry + kStyle, kStyleSize);
    e->SetHorizontalOffset(own.xOffset);
    e->SetVerticalOffset(insertion->verticalOffset);
    const std::string_view text = ExpressionEntryText(entry);
    if (!text.empty()) {
        e->SetOwnTextBit(true);
        int size = CExpression::kFixedSize + int(text.size()) + 1;
        size += size & 1;
        e->CBaseItem::SetSize(std::uint16_t(size));
        std::memcpy(scratch + CExpression::kText, text.data(), text.size());
        scratch[CExpression::kText + text.size()] = 0;
    } else {
        e->SetOwnTextBit(false);
    }
    e->SetPlayMode(entry[kPlayOn] ? 1 : 0);
    e->SetKeySwitchPitch(entry[kByte31]);
    e->SetEnd(e->GetEndBar(), e->PositionField());
    if (!e->HasPlayback()) e->SetKeySwitchPitch(255);
}

void CExprTool::BuildItem() {
    item = ScratchItem();
    g_model.hitPart = 0;
    if (score && insertion) {
        if (CBar* bar = score->GetBar(insertion->barIndex)) g_model.currentBar = bar;
        if (CTrkBar* tb = score->GetTrkBar(insertion->trackIndex, insertion->barIndex)) tb->SetCurrent();
    }
    MarkTracks();
}

void CExprTool::Place() {
    auto* e = static_cast<CExpression*>(ScratchItem());
    if (!score || e->TypeCode() != CExpression::kType) return;
    CTrkBar* tb = score->GetTrkBar(own.trackIndex, own.barIndex);
    CBar* bar = score->GetBar(own.barIndex);
    if (!tb || !bar) return;
    if (!SaveTrackBar(own.trackIndex, own.barIndex) || !SaveBar(own.barIndex)) ThrowOutOfMemory();
    SaveCopyTracks(*this, own.trackIndex, own.barIndex, false);
    tb->SetCurrent();
    e->SetTimeField(std::int16_t(int(own.time)));
    e->SetPositionField(own.position);
    e->SetEnd(e->GetEndBar(), own.position);
    MarkTracks();
    bar->MakeCurrent();
    CBarItem* placed = tb->InsertCopy(e);
    if (!placed) ThrowOutOfMemory();
    SetChanged(true);
    AddItemRect(placed);
    newItem = placed;
    if (ctrlFlag || altFlag) {
        keepsPlaced = 1;
        for (int t = own.trackIndex + 1; t < score->GetTrackCount(); ++t) {
            CTrkBar* other = score->GetTrkBar(t, own.barIndex);
            if (!other || !TakesCopy(*this, t)) continue;
            other->SetCurrent();
            CBarItem* copy = other->InsertCopy(e);
            if (!copy) ThrowOutOfMemory();
            AddItemRect(copy);
        }
        tb->SetCurrent();
    }
    item = nullptr;
}
