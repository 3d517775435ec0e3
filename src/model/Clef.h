// The clef change (type 18, 20 bytes): a clef inside a track bar that sets the staff positions
// of the notes after it in its track until the next clef. Always in voice 0.
//
//   offset 16  code       0-13, the row of the clef table (platform/Theory.h)
//   offset 17  staff pos  signed, the staff position of the clef's reference line
//   offset 18  x offset   16-bit signed coordinate, staff offset units
//
// Stored: bytes 16 and 17 raw, 18 as a coordinate (divided by 5), big-endian.
#pragma once
#include <cstdint>

#include "model/BarItem.h"

class CClef : public CBarItem {
public:
    enum : int { kTypeCode = 18, kSize = 20, kCode = 16, kStaffPos = 17, kXOffset = 18 };
    // The tool id of the clef tool: a clef takes click selection only while it is current.
    static constexpr int kClefTool = 914;

    // A new clef record in a buffer of at least 20 bytes (zeroed body, voice 0).
    static CClef* Construct(void* buffer);

    std::uint8_t GetCode() const { return rec::Get<std::uint8_t>(this, kCode); }
    void SetCode(int code) { rec::Put(this, kCode, std::uint8_t(code)); }
    std::int8_t GetClefStaffPos() const { return rec::Get<std::int8_t>(this, kStaffPos); }
    void SetClefStaffPos(int pos) { rec::Put(this, kStaffPos, std::int8_t(pos)); }
    std::int16_t GetXOffset() const { return rec::Get<std::int16_t>(this, kXOffset); }
    void SetXOffset(int v) { rec::Put(this, kXOffset, std::int16_t(v)); }

    // True for the movable C clefs: codes 4, 5, 2, 3, 6.
    bool IsCClef() const { return IsCClefCode(GetCode()); }
    static bool IsCClefCode(int code);
    // The C clef that names the line at a staff position: codes 4, 5, 2, 3, 6 from the bottom
    // line up, positions beyond -4..4 taking the outer ones.
    static int CClefCodeForPosition(int pos);
    // The code of clef palette button 0-8 (-1 outside).
    static int CodeForPaletteButton(int button);
    // The staff position a vertical C-clef drag of d steps gives: d rounded down to an even
    // number; false (nothing changes) when |d| is 5 or more.
    static bool DragStaffPos(int d, int* pos);
    // A clicked clef joins the selection only while the clef tool (the current tool given) is on.
    static bool WantsClickSelection(int tool) { return tool == kClefTool; }
};
ZEL_RECORD_VIEW(CClef);

class ClefBehaviour : public BarItemBehaviour {
public:
    static const ClefBehaviour& Instance();
    void Draw(CScoreItem& item) const override;
    RECT* GetBounds(CScoreItem& item, RECT* rect) const override;
    void WriteBody(CScoreItem& item, CChunkStream& stream) const override;
    void ToFileOrder(CScoreItem& item) const override;
    void FromFileOrder(CScoreItem& item) const override;
    void MarkRemoved(CBarItem& item) const override;
    int GetBarRange(CBarItem& item, int* first, int* last, CTrkBar* trkBar) const override;
    std::int16_t GetStaffPos(CBarItem& item, int head) const override;
    int GetValue(CBarItem& item) const override;
    void SetVoice(CBarItem& item, int voice) const override;
    void SetValue(CBarItem& item, int value) const override;
    // The drag: hidden while it runs and kept to one axis; across, the clef follows the pointer
    // and the release moves it to the bar and place of the drop; up or down, a C clef steps
    // from line to line and takes the code of the line it ends on. The notes after it move.
    void BeginDrag(CScoreItem& item) const override;
    void DragBy(CScoreItem& item, CDragTask* drag) const override;
    void EndDrag(CScoreItem& item, CDragTask* drag) const override;
    void DrawDragFeedback(CScoreItem& item) const override;
    bool WantsClickSelection(CBarItem& item) const override;
};
