// The transport bar: record, stop, play, play from start and rewind buttons, punch-in and
// punch-out positions with a punch toggle, the two thru buttons (device and patch) and the
// count-off field. It turns presses into transport commands for the tape deck, builds the play
// range for every start and shows the transport state on its buttons. Floating it shows every
// control (316 x 75 pixels); docked only the five buttons (132 x 33).
#pragma once
#include "app/TransportPosition.h"
#include "framework/ControlBar.h"
#include "platform/NumericPane.h"
#include "platform/PaneBtn.h"

class CTapeDeck;
class CZelDoc;

// A thru button: the device button chooses the thru device and channel, the patch button the
// thru patch; each shows what is chosen.
class CThruBtn : public CMenuBtn {
public:
    enum Kind : int { kDevice = 0, kPatch = 1 };
    BOOL CreateThru(CWnd* parent, const RECT& rect, int commandId, Kind kind);
    // The text from the thru preferences (greyed when the device or patch has no name).
    void Refresh();
    void TrackClick(int x, int y) override;

    Kind kind = kDevice;
};

class CTransport : public CControlBar {
public:
    enum : int {
        kRecord = 2500, kStop = 2501, kPlay = 2502, kPlayFromStart = 2504, kRewind = 2505,
        kPunchInReached = 2510, kPunchOutReached = 2511, kRefresh = 2512,
        kPunchIn = 2520, kPunchOut = 2530, kPunchToggle = 2540, kThruDevice = 2550, kThruPatch = 2551,
        kCountOff = 2560,
    };
    static constexpr int kButtonCount = 5;
    // The buttons left to right: rewind, play from start, stop, play, record (images 0-4).
    static constexpr int kButtonIds[kButtonCount] = {kRewind, kPlayFromStart, kStop, kPlay, kRecord};
    static constexpr SIZE kFloatingSize{316, 75};
    static constexpr SIZE kDockedSize{132, 33};

    CTransport();
    ~CTransport() override;

    // Makes the bar in the frame (the next control-bar id), floating at (560, 60), shown or not.
    bool Create(CFrameWnd* frame, bool show = true);
    // The tape deck its commands go to (null: none).
    void SetTapeDeck(CTapeDeck* deck);
    // The punch fields and thru buttons follow the document; the transport controls are enabled
    // only with one.
    void SetDocument(CZelDoc* document);
    CZelDoc* Document() const { return document_; }
    // Every command of the transport range and the bar's refreshes.
    void OnTransportCommand(int id);
    // A transport command (2500, 2501, 2502, 2504) from a button, a key or the menu.
    void SendTransportCommand(int id);
    // Shows the buttons by the transport word.
    void RefreshButtons();

    SIZE CalcFixedLayout(BOOL stretch, BOOL horz) override;
    SIZE CalcDynamicLayout(int length, DWORD mode) override;
    bool SpansRow() const override { return false; }

    CPaneBtn buttons[kButtonCount];
    TransportPosition punchIn, punchOut;
    CPaneBtn punchButton;
    CThruBtn thruDevice, thruPatch;
    CNumericPane countOff;
    bool punch = false;

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnPaint() override;

private:
    // Shows or hides the controls only a floating bar has.
    void ShowFloatingControls(bool show);
    CPaneBtn* Button(int id);
    // The punch field takes the insertion point.
    void TakeInsertionPoint(TransportPosition& field);

    CTapeDeck* deck_ = nullptr;
    CZelDoc* document_ = nullptr;
    bool floatingShown_ = true;
};
