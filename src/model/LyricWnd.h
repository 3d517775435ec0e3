// The lyric window: a modeless dialog that lives from start-up, in which the syllables of one
// verse of one voice are written as running text and flowed onto the notes in one step. It
// loads the verse from the score (a space for each note without a syllable), edits it in a
// rich-text editor with its fonts, applies it (one syllable per note, one undo step) and
// deletes it. Shown and hidden by the Window menu's lyric entry.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "model/LyricFlow.h"
#include "model/TextEdit.h"
#include "platform/StdDlg.h"

class CFrameWnd;
class CScore;
class CZelDoc;

// The window's editor: keys, typed characters and painting go straight to the rich-text
// control; no lyric keys, no frame, no edge handles.
class CLyricEdit : public CTextEdit {
public:
    bool Init(const RECT& rect, CWnd* parent, UINT id);

protected:
    BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message) override;
    void OnLButtonDown(UINT flags, POINT pt) override;
    void OnMouseMove(UINT flags, POINT pt) override;
    void OnLButtonUp(UINT flags, POINT pt) override;
    void OnKeyDown(UINT vk, UINT repeat, UINT flags) override;
    void OnChar(UINT ch, UINT repeat, UINT flags) override;
};

class CLyricWnd : public CStdDlg {
public:
    static constexpr UINT kTemplateId = 272;
    // Controls.
    enum : int {
        kFontCombo = 3, kSizeCombo = 4, kStyleCombo = 5, kTrackField = 6, kBarField = 7, kVoiceField = 8,
        kVerseField = 9, kVerseNumberCheck = 10, kLoad = 11, kApply = 12, kDelete = 13, kEditor = 14,
        kNonBreakingSpace = 15, kNonBreakingHyphen = 16, kToSystemEnd = 17, kClose = 2,
    };
    // Control notifications as commands.
    static constexpr int kControlBase = 20000;

    CLyricWnd();
    ~CLyricWnd() override;

    // Makes the window (hidden) and its editor over the placeholder's rectangle.
    bool Create(CFrameWnd* frame);
    bool IsVisible() const;
    // Shows the window on the insertion point's track, bar and voice (the verse kept), loaded.
    void Show();
    void Hide();
    void Toggle();
    // Another document became current: the editor is emptied and the controls follow.
    void SetDocument(CZelDoc* doc);

    // The actions, as their buttons run them.
    void Load();
    void Apply();
    void Delete();
    void InsertCharacter(int id);
    void UpdateControls();

    CLyricEdit* Editor() const { return editor_.get(); }
    CZelDoc* Document() const { return document_; }
    // The fields, 1-based as shown.
    void SetPlace(int track, int bar, int voice, int verse);

    // --- the window's state ---
    std::uint8_t verseNumber = 0;
    int track = 0, bar = 0, voice = 0, verse = 0;  // 0-based
    std::uint16_t lastTrack = 0;
    std::int32_t measuredFace = -1;

    BOOL OnInitDialog() override;

protected:
    void InitControls() override;
    void OnControl(int id) override;
    void OnEditChange(int id) override;
    void OnOK() override {}
    void OnCancel() override { Hide(); }

private:
    // The fields as a 0-based place; the place an action ran on is remembered.
    LyricPlace ReadPlace();
    void Remember(const LyricPlace& place);
    std::unique_ptr<CLyricEdit> editor_;
    CZelDoc* document_ = nullptr;
    CScore* score_ = nullptr;
};
