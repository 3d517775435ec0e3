// The main frame's status bar: drop-down fields for the zoom, the current track and voice,
// number fields for the current bar and page, page buttons, the MIDI activity light, a short
// text field and the message field. It shows the active document's insertion point and lets
// the user change it.
#pragma once
#include <cstdint>
#include <string>

#include "framework/ControlBar.h"
#include "platform/NumericPane.h"
#include "platform/PaneBtn.h"

class CZelDoc;

// What the status bar shows of a document and changes in it.
class CStatusSource {
public:
    virtual ~CStatusSource() = default;
    virtual int ZoomPercent() = 0;
    // 0, or the fit mode in use (-2 page width, -3 page height, -1 whole page).
    virtual int ZoomMode() = 0;
    // 0 single page, 1 pages side by side, 2 pages stacked.
    virtual int Arrangement() = 0;
    virtual int TrackCount() = 0;
    virtual std::string TrackName(int track) = 0;
    virtual int CurrentTrack() = 0;
    // -1 in the all-voices mode, else 0-7.
    virtual int Voice() = 0;
    virtual int CurrentBar() = 0;
    virtual int BarCount() = 0;
    virtual int CurrentPage() = 0;
    virtual int PageCount() = 0;
    virtual void SetTrack(int track) = 0;
    virtual void SetVoice(int voice) = 0;
    // Moves the insertion point to the bar and scrolls it into view.
    virtual void GoToBar(int bar) = 0;
    virtual void GoToPage(int page) = 0;
    // A command of the View menu (zoom, fit, arrangement).
    virtual void Command(UINT id) = 0;
    virtual void HideInsertCursor() = 0;
};

// The status bar's source over a document.
std::unique_ptr<CStatusSource> MakeDocStatusSource(CZelDoc* doc);

class CStatBar;

// A drop-down field: the view, track and voice fields.
class CSBMenu : public CMenuBtn {
public:
    enum Kind { kView, kTrack, kVoice };
    BOOL Create(CStatBar* bar, Kind kind, const RECT& rect, int commandId);
    void TrackClick(int x, int y) override;

    CStatBar* bar = nullptr;
    Kind kind = kView;
};

// A number field: the bar and page fields.
class CSBNumeric : public CNumericPane {
public:
    void MouseDown(POINT pt, UINT flags) override;
    void Paint(const RECT& client) override;
    CStatBar* bar = nullptr;
    bool pageField = false;
};

// A page button: one page back or on per 16/60 s while held.
class CPageBtn : public CPaneBtn {
public:
    void TrackClick(int x, int y) override;
    void DrawImage() override;
    CStatBar* bar = nullptr;
    std::int16_t direction = 1;
};

class CStatBar : public CControlBar {
public:
    // Control ids: the frame's status bar, and the fields' command ids.
    static constexpr UINT kId = 59393;
    static constexpr int kViewId = 4305, kTrackId = 4302, kVoiceId = 4306, kBarId = 4303, kPageId = 4304,
                         kPrevPageId = 4328, kNextPageId = 4327, kMidiId = 10013;
    static constexpr int kHeight = 21;
    // The fields' labels (string ids), in field order: view, track, voice, bar, page.
    static constexpr UINT kLabelIds[5] = {57350, 57349, 57348, 57347, 57346};

    CStatBar();
    ~CStatBar() override;

    // Makes the bar at the bottom of the frame.
    bool Create(CFrameWnd* frame);
    // Creates the controls, binds no document.
    void Init();
    // Binds a document (null: none) and forgets what was shown.
    void SetDocument(CZelDoc* doc);
    // The same with a source of the values (the bar keeps it; null: none).
    void SetSource(std::unique_ptr<CStatusSource> source);
    CStatusSource* Source() const { return source_.get(); }
    // Shows what changed of the document's values.
    void Update();
    // Reads and clears the MIDI activity flags every 6/60 s while the bar is visible.
    void CheckMidiActivity();
    // The short text field's text.
    void SetMessage(const char* text);
    // The message field's text.
    const char* GetMessageText() const { return message.text; }

    // The five fields' rectangles (the labels end 2 pixels left of them).
    RECT fieldRects[5]{};
    // What is shown: track, voice, bar, page and zoom (-1 before the first update).
    std::int16_t shownTrack = -1, shownVoice = -1, shownBar = -1, shownPage = -1, shownZoom = -1;
    std::int32_t nextMidiCheck = 0;
    std::int32_t midiState = 0;
    // How many times each field was drawn anew by Update (tests read them).
    int redraws[5]{};

    CSBMenu viewField, trackField, voiceField;
    CSBNumeric barField, pageField;
    CPageBtn prevPage, nextPage;
    CTextPane shortText, message;
    CPaneBtn midiLight;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnPaint() override;
    BOOL OnEraseBkgnd(CDC* dc) override;
    void OnSize(UINT type, int cx, int cy) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    void CreatePanes();
    std::unique_ptr<CStatusSource> source_;
};
