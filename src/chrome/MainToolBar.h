// The two tool bars under the menu: the standard tool bar (file and clipboard commands) and the
// main tool bar with one button per mouse tool. The main tool bar makes every palette at
// start-up, owns the current tool (SelectTool writes the tool record), knows the document a
// palette choice applies to at once, and takes the tool shortcut keys.
#pragma once
#include <functional>
#include <cstdint>
#include <vector>

#include "framework/ToolBar.h"
#include "platform/PaneBtn.h"

class CToolBox;
class CZelDoc;

// A tool bar of the program: pane buttons placed on it, the background and tooltips its own.
class CZelToolBar : public CToolBar {
public:
    // Makes the bar as a visible child of the frame with the next control-bar id and the
    // resource; false when the window or the resource cannot be made.
    virtual bool Create(CFrameWnd* frame, UINT resourceId, UINT titleId);
    void ShowBar();
    void HideBar();
    // Widens the first placeholder button into a separator as wide as the row of panes.
    void WidenPlaceholder(int width);

protected:
    // Commands of the panes on the bar go to the frame.
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
};

// A main-tool-bar button: a pane button whose command is its tool id, with the palette it opens.
class CToolBtn : public CPaneBtn {
public:
    bool Create(CWnd* bar, const RECT& rect, int toolId, int bitmapId, CToolBox* palette);
    void TrackClick(int x, int y) override;
    void Release() override;
    void Press() override;
    // Shows image `index` of the button's strip.
    void ShowImage(int index);
    int ToolId() const { return commandId; }

    CToolBox* palette = nullptr;
};

// The notes button: the chosen value with its dots, tuplet and grace slash.
class CNoteBtn : public CToolBtn {
public:
    void DrawImage() override;
};

// The quantise button: the quantise value with a "Q"; a click opens the quantise picker.
class CQuantBtn : public CToolBtn {
public:
    void DrawImage() override;
    void TrackClick(int x, int y) override;
};

// A standard-tool-bar button: momentary, sends its command.
class CStdToolBtn : public CPaneBtn {};

class CStdToolBar : public CZelToolBar {
public:
    static constexpr int kButtons = 7;
    static constexpr int kCommands[kButtons] = {57600, 57601, 57603, 57635, 57634, 57637, 57607};
    ~CStdToolBar() override;
    bool Create(CFrameWnd* frame);
    // The button of a command, null when none.
    CStdToolBtn* FindButton(int commandId);

    CStdToolBtn buttons[kButtons];
};

class CMainToolBar : public CZelToolBar {
public:
    static constexpr int kToolButtons = 22;
    // The tool ids of the buttons left to right (notes and quantise included).
    static const std::vector<int>& ButtonOrder();

    CMainToolBar();
    ~CMainToolBar() override;
    // Makes the bar, every palette, the transport bar (through the function given, when there is
    // one), the text style bar and the drums
    // palette; false when the bar cannot be made.
    bool Create(CFrameWnd* frame, const std::function<bool(CFrameWnd*)>& makeTransport);
    // Makes a tool current: releases the old tool's button, presses the new one's (its
    // palette's Activate), tells the application (command 4320), and with Ctrl held and notes
    // selected applies the mark and drum tools at once (unless applyAtOnce is false).
    void SelectTool(int toolId, bool applyAtOnce = true);
    CToolBtn* FindButton(int toolId);
    void SetDocument(CZelDoc* doc);
    CZelDoc* GetDocument() const { return document; }
    // A typed character; true when it was used.
    bool HandleKey(int ch);
    // The palette of the tool's button selects the item.
    void SetToolImage(int toolId, int item);
    // 4318 refreshes the quantise button; 37012 hides or shows every palette.
    void OnToolCommand(int command);
    // Whether a document, notes in its selection and Ctrl at the last press let a choice apply
    // at once.
    bool CanApplyAtOnce() const;
    // While set, SelectTool applies nothing at once (the caller applies the choice itself).
    bool suppressApply = false;

    std::int32_t previousTool = -1;
    CZelDoc* document = nullptr;
    CToolBtn toolButtons[kToolButtons];
    CNoteBtn noteButton;
    CQuantBtn quantButton;
};

// The bars of the main frame (set when they are made).
struct ChromeGlobals {
    CMainToolBar* mainToolBar = nullptr;
    CStdToolBar* stdToolBar = nullptr;
    CToolBar* styleBar = nullptr;
    // The palettes are shown (the hide-all command inverts it) and which were shown when they
    // were all hidden.
    std::uint8_t palettesShown = 1;
    std::vector<std::uint8_t> shownBeforeHide;
    // The palette or pen pop-up on the screen while one is tracked (null when none).
    class CPopup* palettePopup = nullptr;
};
extern ChromeGlobals g_chrome;
