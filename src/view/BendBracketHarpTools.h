// Three placing tools that start or drag in their own way: the guitar palette's bend and barre
// lines, the staves palette's brackets drawn by a band over the staves (set in every system),
// and the harp pedal marking placed after its dialog.
#pragma once
#include <cstdint>

#include "view/EditTool.h"

class CBend;
class CHarpPed;

// A bend (guitar palette button 232) or barre (233) drawn from the press: its end follows the
// drag. A barre of sub-tool 0 stays level.
class CBendTool : public CEditTool {
public:
    static constexpr int kToolId = 918;
    static constexpr int kBendButton = 232, kBarreButton = 233;
    // The first of the bend kinds drawn as a wave: the vibrato palette's shape is added to it.
    static constexpr int kWaveKind = 7;

    void BuildItem() override;
    // Each move drags the line's end.
    void MoveItemDrag() override;
    // The line stays in the bar of the press, whatever bar the release lies in.
    void EndItemDrag() override;
    // A level barre's drag moves only sideways, whichever way the pointer first goes.
    void MouseMove(POINT current, POINT previous, POINT start) override;

    CBend* line = nullptr;
    std::int16_t handle = 0;   // the dragged point: the line's end
    std::uint8_t level = 0;
};

// A band over staves: on release every system gets the staves' bracket (staves palette 8-10)
// or their bar lines joined across (11 and up). The whole score is its snapshot.
class CBracketTool : public CEditTool {
public:
    static constexpr int kToolId = 915;
    static constexpr int kNameId = 4003;
    static constexpr int kFirstButton = 8;
    // The bracket kind of a staves palette button: 8 a plain bracket (3), 9 a hooked one (2),
    // 10 a brace (1), any other the run of joined bar lines (127).
    static int KindOfButton(int button);

    bool SaveTrackBarRange(int track1, int bar1, int track2, int bar2) override;
    void BeginItemDrag() override;
    void MoveItemDrag() override;
    void EndItemDrag() override;
    // The band, framed by inversion in the pane of the press: a second drawing takes it away.
    void DrawDragImage() override;
    void DrawFeedback() override;
    void EndFeedback() override;

    RECT band{};
};

// The harp pedal marking copied in by the group palette's sub-tool, placed at the press.
class CHarpTool : public CEditTool {
public:
    static constexpr int kNameId = 4907;
    static constexpr int kGroupButton = 13;

    void BuildItem() override;

    CHarpPed* harp = nullptr;
};
