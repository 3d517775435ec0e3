// The group palette's and the articulation palette's clicks on a page: the click selects what
// lies under it (a note's current head, any other item whole, or what the point or band
// holds); with a selection the palette's command goes to the document, without one the group
// palette's lines are drawn by the group tool. The parentheses of a note's head, a chord
// symbol or a guitar frame are toggled in place, each toggle its own undo step.
#include <algorithm>
#include <cstdlib>

#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/ChordRecords.h"
#include "model/EditTask.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/Ottava.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/Select.h"
#include "model/TieType.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/RawNote.h"
#include "view/PagePane.h"
#include "view/ShapeTools.h"
#include "view/ToolState.h"
#include "view/ViewGlobals.h"

namespace {

constexpr int kParenthesesName = 4322;
constexpr int kFirstDrumCommand = 2900, kDrumButtons = 8;
constexpr int kGhostButton = 1;
constexpr int kLastPosition = 1023, kBarPositions = 1024;

// The group palette's commands by sub-tool.
constexpr int kGroupCommands[16] = {4006, 35300, 4005, 35301, 35304, 35305, 1106, 35303,
                                    4325, 4326,  4310, 4311,  4322,  4907,  4323, 4324};

// The octave line's pairing byte: the model's random source (tests put in their own).
int DrawIdentifier() { return (g_model.randomSource ? g_model.randomSource() : std::rand()) & 0xFF; }

// The head a click on a note means: the head its hit found, else the first.
int CurrentHead(CBarItem* note) {
    const int heads = static_cast<CRawNote*>(note)->HeadCountField();
    const int part = g_model.hitPart;
    return part >= 0 && part < heads ? part : 0;
}

// One toggle of an item's parentheses, undone by the snapshot of its bar of a track.
class CParenthesesTask : public CScoreTask {
public:
    bool Perform() override {
        CTrkBar* tb = score ? score->GetTrkBar(track, barIndex) : nullptr;
        if (!tb) return false;
        // The item is found again by its place in the run once the bar is saved.
        auto* run = reinterpret_cast<std::uint8_t*>(tb->GetItems());
        const std::ptrdiff_t at = reinterpret_cast<std::uint8_t*>(target) - run;
        if (!run || at < 0 || std::uint32_t(at) >= tb->GetRunLength()) return false;
        if (!SaveTrackBar(track, barIndex)) return false;
        tb->SetCurrent();
        auto* item = reinterpret_cast<CBarItem*>(reinterpret_cast<std::uint8_t*>(tb->GetItems()) + at);
        item->Invalidate();
        if (item->IsNoteOrRawNote()) {
            auto* note = static_cast<CRawNote*>(item);
            if (head < 0 || head >= note->HeadCountField()) return false;
            NoteHead* h = note->Head(head);
            h->SetBits(NoteHead::kLinkByte, NoteHead::kParenthesized, (h->Byte(NoteHead::kLinkByte) & NoteHead::kParenthesized) == 0);
        } else if (item->IsChord()) {
            auto* chord = static_cast<CChord*>(item);
            chord->SetParenthesised(!chord->IsParenthesised());
        } else if (item->IsGuitarFrame()) {
            auto* frame = static_cast<CGuitarFrame*>(item);
            frame->SetParenthesised(!frame->IsParenthesised());
        } else {
            return false;
        }
        item->Invalidate();
        AddItemRect(item);
        SetChanged(true);
        return true;
    }

    CBarItem* target = nullptr;
    int head = 0, track = 0, barIndex = 0;
};

}  // namespace

int GroupCommandOf(int subTool) { return subTool >= 0 && subTool < 16 ? kGroupCommands[subTool] : 0; }

bool HasParenthesesToggle(const CBarItem* item) {
    return item && (item->IsNoteOrRawNote() || item->IsChord() || item->IsGuitarFrame());
}

bool ToggleParentheses(CZelDoc* doc, CBarItem* item, int head, int track, int bar) {
    if (!doc || !HasParenthesesToggle(item)) return false;
    auto* task = new CParenthesesTask;
    task->Attach(doc, kParenthesesName);
    task->target = item;
    task->head = head;
    task->track = track;
    task->barIndex = bar;
    doc->DoTask(task);
    return true;
}

// --- the clicks ------------------------------------------------------------------------------

bool CPagePane::SelectAtClick(int x, int y, CScoreItem* hitItem) {
    CSelect* sel = document ? document->GetSelection() : nullptr;
    if (!sel) return false;
    auto* barItem = hitItem && hitItem->ClassTestC() ? static_cast<CBarItem*>(hitItem) : nullptr;
    CTrkBar* tb = score->GetTrkBar(document->paneLocation.trackIndex, document->paneLocation.barIndex);
    if (barItem && tb) {
        sel->ClearAll();
        sel->SelectItem(barItem, barItem->IsNoteOrRawNote() ? CurrentHead(barItem) : CSelect::kWhole, tb, true);
    } else {
        sel->ClearAll();
        CPage* page = score->GetPage(pageNumber);
        if (!page) return false;
        const RECT paper = page->GetPaperRect();
        document->currentPane = this;
        sel->Recount();
        sel->SetRectMode(g_model.dataDisplayKind != 0 ? CSelect::kRectNotes : CSelect::kRectAll);
        sel->TrackRubberBand(x - int(paper.left), y - int(paper.top));
    }
    return sel->GetItemCount() > 0;
}

CDragTask* CPagePane::OnGroupTool(int x, int y, CScoreItem* hitItem) {
    if (!document || !score || !location) return nullptr;
    const int sub = g_toolState.button;
    auto* barItem = hitItem && hitItem->ClassTestC() ? static_cast<CBarItem*>(hitItem) : nullptr;
    if (sub == CGroupTool::kParentheses && HasParenthesesToggle(barItem)) {
        const ScoreLocation& at = document->paneLocation;
        ToggleParentheses(document, barItem, barItem->IsNoteOrRawNote() ? CurrentHead(barItem) : 0, at.trackIndex,
                          at.barIndex);
        return nullptr;
    }
    const int command = GroupCommandOf(sub);
    if (SelectAtClick(x, y, hitItem)) {
        if (command) document->OnCommandRange(command);
        return nullptr;
    }
    switch (sub) {
    case CGroupTool::kOttavaUp:
    case CGroupTool::kOttavaDown:
    case CGroupTool::kFullPedal:
    case CGroupTool::kHalfPedal:
    case CGroupTool::kParentheses:
    case CGroupTool::kBrace:
    case CGroupTool::kBracket: {
        auto* tool = new CGroupTool;
        g_viewDrag.tool = CGroupTool::kToolId;
        tool->Start(document, nullptr, command);
        return tool;
    }
    case CGroupTool::kHarpPedal: return StartHarpTool(x, y);
    default: return nullptr;
    }
}

CDragTask* CPagePane::OnMarkPaletteClick(int x, int y, CScoreItem* hitItem) {
    if (!document || !score || !location) return nullptr;
    const int sub = g_toolState.button;
    if (sub < 0 || sub >= kDrumButtons) return nullptr;
    auto* barItem = hitItem && hitItem->ClassTestC() ? static_cast<CBarItem*>(hitItem) : nullptr;
    if (sub == kGhostButton && HasParenthesesToggle(barItem)) {
        const ScoreLocation& at = document->paneLocation;
        ToggleParentheses(document, barItem, barItem->IsNoteOrRawNote() ? CurrentHead(barItem) : 0, at.trackIndex,
                          at.barIndex);
        return nullptr;
    }
    if (SelectAtClick(x, y, hitItem)) document->OnCommandRange(kFirstDrumCommand + sub);
    return nullptr;
}

// --- the group tool --------------------------------------------------------------------------

void CGroupTool::BuildItem() {
    if (!score) return;
    const int sub = g_toolState.button;
    CBarItem* built = nullptr;
    if (sub == kOttavaUp || sub == kOttavaDown) {
        COttava* o = COttava::Construct(scratch);
        if (!o) return;
        o->PlaceAt(own);
        const int kind = sub - kOttavaUp;
        // Every option on, and the one record is the line's start and end.
        o->SetFlags(std::uint8_t(0x3F | kind << COttava::kKindShift));
        rec::Put<std::uint8_t>(o, COttava::kIdentifier, std::uint8_t(DrawIdentifier()));
        o->SetYOffset(insertion ? insertion->verticalOffset : own.verticalOffset);
        o->SetEndPosition(kLastPosition);
        rec::Put<std::int16_t>(o, COttava::kContinuationOffset, 0);
        rec::Put<std::int16_t>(o, COttava::kShift, std::int16_t(COttava::ShiftOfKind(kind)));
        CBar* bar = score->GetBar(own.barIndex);
        rec::Put<std::int16_t>(o, COttava::kEndTime, std::int16_t(bar ? bar->FractionToMeterTick(kLastPosition) : 0));
        built = o;
    } else if (sub == kFullPedal || sub == kHalfPedal || sub == kParentheses || sub == kBrace || sub == kBracket) {
        const bool pedal = sub == kFullPedal || sub == kHalfPedal;
        auto* line = static_cast<CBend*>(ConstructClass(pedal ? int(CPedal::kType) : int(CGroup::kType), scratch));
        if (!line) return;
        line->PlaceAt(own);
        if (pedal) {
            line->SetKind(sub - kFullPedal);
            line->SetEndLabel(kToolSize);
        } else {
            line->SetKind(sub == kParentheses ? CGroup::kGlyphPair : sub == kBrace ? CGroup::kSingleGlyph : CGroup::kVerticalBracket);
            static_cast<CGroup*>(line)->SetGroupSize(kToolSize);
            if (line->PositionField() == 0) line->SetStartDx(kStartOffsetAtZero);
        }
        // The end a fixed distance on, into the next bar when it runs past this one's end.
        int endPosition = line->PositionField() + kEndDistance, endBars = 0;
        if (endPosition > kLastPosition) {
            if (own.barIndex + 1 < score->GetBarCount()) {
                endPosition -= kBarPositions;
                endBars = 1;
            } else {
                endPosition = kLastPosition;
            }
        }
        line->SetEndBarOffset(endBars);
        line->SetEndPositionField(endPosition);
        line->SetStartY(own.verticalOffset);
        line->SetEndY(own.verticalOffset);
        built = line;
    }
    if (!built) return;
    item = built;
    if (CBar* bar = score->GetBar(own.barIndex)) g_model.currentBar = bar;
    if (CTrkBar* tb = score->GetTrkBar(own.trackIndex, own.barIndex)) tb->SetCurrent();
}
