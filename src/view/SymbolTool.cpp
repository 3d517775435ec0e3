// The symbol tool: a click puts one free symbol in: a mark or ornament of the mark palettes
// where no note is under the pointer, a fingering letter or number, a graphics-palette symbol,
// or the bar-line palette's bar symbols.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/Symbol.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "platform/DrawGlobals.h"
#include "platform/Handles.h"
#include "platform/Port.h"
#include "view/MarkTool.h"
#include "view/PagePane.h"
#include "view/PlaceTools.h"
#include "view/ToolState.h"

namespace {
constexpr int kGraphicTool = 909, kGuitarTool = 918, kBarLineTool = 916;
constexpr int kOrnamentTool = 906, kJazzTool = 911;
// The jazz palette's small-symbol button (its buttons start at 70), and the ornament palette's
// open-string button from which on the symbols take a larger size.
constexpr int kJazzButtonBase = 70, kSmallSymbolButton = 11;
constexpr int kOpenStringButton = 7, kOrnamentSymbolSize = 15;
// The glyph byte of a mark's glyph record (the glyph drawn above the note).
constexpr int kMarkGlyphAbove = 4;
constexpr int kFingeringNumbers = 231, kFingeringLetters = 230;
constexpr int kFingeringNumberBase = 220;
constexpr char kFingeringLetterSet[] = "pimacTHP";
constexpr int kFingeringSize = 9;
// The bar-line palette's bar symbols.
constexpr int kBarMark = 5, kMiddleBarSymbol = 6, kEndBarSymbol = 7;
constexpr int kMiddleGlyph = 141, kEndGlyph = 142;
constexpr int kBarSymbolHeight = 120;
// The two characters that attach to a nearby note, and how near.
constexpr int kAttachedA = 178, kAttachedB = 179, kAttachReach = 64;
constexpr int kFreeOffset = -150, kAttachedOffset = -30;
constexpr int kAttachedByte = 10;
constexpr int kLineA = 208, kLineB = 209;
constexpr int kLineByte34 = 65, kLineAByte36 = 64;

bool IsMarkTool(int tool) {
    for (const int t : {kOrnamentTool, 908, kJazzTool, kGuitarTool, kGraphicTool})
        if (tool == t) return true;
    return false;
}

void SetFlag(CBarItem* s, std::uint8_t bit, bool on) {
    const std::uint8_t f = s->Byte(CSymbol::kFlags);
    s->PutByte(CSymbol::kFlags, std::uint8_t(on ? f | bit : f & ~bit));
}
}  // namespace

CDragTask* CPagePane::StartSymbolTool(int, int, CScoreItem* hit) {
    auto* tool = new CSymbolTool;
    tool->Start(document, hit, CSymbolTool::kNameId);
    return tool;
}

void CSymbolTool::BuildItem() {
    const ToolState& t = g_toolState;
    FontRef style = g_model.noteMarkInputs.textFont;
    int character = g_model.noteMarkInputs.textChar;
    std::memset(scratch, 0, sizeof scratch);
    auto* s = CSymbol::Make(scratch, character, style, 0);
    if (!s || !insertion) return;
    s->PlaceAt(*insertion);
    SetFlag(s, CSymbol::kMusicFontBit, false);
    s->SetX(own.xOffset);
    symbol = s;
    item = s;

    if (IsMarkTool(t.tool)) {
        if (t.tool != kGraphicTool) {
            style = g_draw.defaultMusicFontRef;
            if (t.tool == kGuitarTool) {
                if (t.button == kFingeringNumbers) {
                    character = t.subTool + kFingeringNumberBase;
                } else if (t.button == kFingeringLetters) {
                    const int i = std::clamp<int>(t.subTool, 0, int(sizeof kFingeringLetterSet) - 2);
                    character = static_cast<unsigned char>(kFingeringLetterSet[i]);
                    style.face = g_model.noteMarkInputs.letterFace;
                    style.size = kFingeringSize;
                }
            } else {
                SetFlag(s, CSymbol::kPaletteBit, true);
                if (t.tool == kJazzTool && t.button - kJazzButtonBase == kSmallSymbolButton) {
                    character = GetSymbolGlyph(t.symbolCode);
                } else {
                    // The glyph of the mark the tool's button stands for.
                    int code = 0, variant = 0;
                    CMarkTool::MarkCode(t, &code, &variant);
                    character = GetMarkGlyphs(code)[kMarkGlyphAbove];
                    if (t.tool == kOrnamentTool && t.button >= kOpenStringButton) style.size = kOrnamentSymbolSize;
                }
            }
        }
        // The chosen style and character.
        s->SetFont(style);
        s->PutByte(CSymbol::kCharacter, std::uint8_t(character));
        SetFlag(s, CSymbol::kBarLineBit, false);
        s->SetY(insertion->verticalOffset);
        if (character == kAttachedA || character == kAttachedB) {
            s->SetX(kFreeOffset);
            CTrkBar* tb = score ? score->GetTrkBar(insertion->trackIndex, insertion->barIndex) : nullptr;
            CBarItem* near = tb ? tb->FindNearestNoteOrRest(insertion->voice, insertion->position, false, false) : nullptr;
            if (near && std::abs(near->PositionField() - insertion->position) <= kAttachReach) {
                s->SetPositionField(near->PositionField());
                s->SetTimeField(near->TimeField());
                s->SetX(kAttachedOffset);
            }
            s->SetFlag8Bit1(true);
            s->PutByte(CSymbol::kOldValue, kAttachedByte);
            s->SetTimeOffsetField(kAttachedByte);
        } else if (character == kLineA || character == kLineB) {
            s->SetFlagsA(std::uint8_t(s->FlagsA() & ~CBarItem::kFlag8Bit1));
            s->PutByte(CSymbol::kController, kLineByte34);
            s->PutByte(CSymbol::kControllerValue, character == kLineA ? kLineAByte36 : 0);
        } else {
            s->SetFlagsA(std::uint8_t(s->FlagsA() | CBarItem::kFlag8Bit1));
        }
        return;
    }
    // The bar-line palette's symbols.
    if (t.button == kMiddleBarSymbol || t.button == kEndBarSymbol) {
        SetFlag(s, CSymbol::kBarLineBit, false);
        SetFlag(s, CSymbol::kMusicFontBit, true);
        SetFlag(s, CSymbol::kCentredBit, true);
        s->SetY(kBarSymbolHeight);
        if (t.button == kMiddleBarSymbol) {
            s->SetPositionField(512);
            s->PutByte(CSymbol::kCharacter, kMiddleGlyph);
        } else {
            s->SetPositionField(1023);
            s->PutByte(CSymbol::kCharacter, kEndGlyph);
            s->SetX(kBarSymbolHeight);
        }
    } else if (t.button == kBarMark) {
        SetFlag(s, CSymbol::kBarLineBit, true);
        SetFlag(s, CSymbol::kMusicFontBit, false);
    }
}

void CSymbolTool::Place() {
    item = nullptr;
    if (!score || !insertion || !symbol) return;
    CTrkBar* tb = score->GetTrkBar(insertion->trackIndex, insertion->barIndex);
    if (!tb) return;
    tb->SetCurrent();
    CBarItem* placed = tb->InsertCopy(symbol);
    if (!placed) ThrowOutOfMemory();
    symbol = placed;
    newItem = placed;
    SetChanged(true);
    AddItemRect(placed);
}
