#include "model/LyricWnd.h"

#include <algorithm>
#include <cstring>

#include "framework/CodePage.h"
#include "framework/Controls.h"
#include "framework/MessageBox.h"
#include "framework/Messages.h"
#include "framework/StringTable.h"
#include "framework/Window.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/ZelDoc.h"
#include "platform/FontMap.h"

namespace {

constexpr int kSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 24, 28, 36, 48, 72};
// (UTF-8 here; the combo takes the code page.)
const char* const kStyles[] = {"常规", "粗体", "斜体", "粗斜体"};

bool JapaneseFace(int face) {
    const CFontList* list = GetFontList();
    return list && list->GetCharSet(face) == CFontList::kJapaneseCharSet;
}

// The run table of the editor's styled text (length word, text, count, runs).
std::vector<LyricRun> RunsOf(const std::vector<std::uint8_t>& styled) {
    std::vector<LyricRun> runs;
    if (styled.size() < 2) return runs;
    std::uint16_t length = 0;
    std::memcpy(&length, styled.data(), 2);
    std::size_t at = 2 + length;
    if (at + 2 > styled.size()) return runs;
    std::int16_t count = 0;
    std::memcpy(&count, styled.data() + at, 2);
    at += 2;
    for (int i = 0; i < count && at + 8 <= styled.size(); ++i, at += 8) {
        LyricRun r;
        std::int16_t first = 0;
        std::memcpy(&first, styled.data() + at, 2);
        r.first = first;
        std::memcpy(&r.font, styled.data() + at + 2, sizeof r.font);
        runs.push_back(r);
    }
    return runs;
}

}  // namespace

// ---- the editor ------------------------------------------------------------------------------

bool CLyricEdit::Init(const RECT& rect, CWnd* parent, UINT id) {
    lyricMode = 0;
    edgeMargin = 0;
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_BORDER | ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL;
    if (!Create(style, rect, parent, id)) return false;
    frameFlag = 0;
    resizable = 0;
    hitZone = kInside;
    return true;
}

BOOL CLyricEdit::OnSetCursor(CWnd* wnd, UINT hitTest, UINT message) {
    return CRichEditCtrl::OnSetCursor(wnd, hitTest, message);
}
void CLyricEdit::OnLButtonDown(UINT flags, POINT pt) { CRichEditCtrl::OnLButtonDown(flags, pt); }
void CLyricEdit::OnMouseMove(UINT flags, POINT pt) { CRichEditCtrl::OnMouseMove(flags, pt); }
void CLyricEdit::OnLButtonUp(UINT flags, POINT pt) { CRichEditCtrl::OnLButtonUp(flags, pt); }
void CLyricEdit::OnKeyDown(UINT vk, UINT repeat, UINT flags) { CRichEditCtrl::OnKeyDown(vk, repeat, flags); }
void CLyricEdit::OnChar(UINT ch, UINT repeat, UINT flags) {
    CRichEditCtrl::OnChar(ch, repeat, flags);
    if (onChange) onChange();
}

// ---- the window ------------------------------------------------------------------------------

CLyricWnd::CLyricWnd() = default;

CLyricWnd::~CLyricWnd() {
    editor_.reset();
    if (IsWindow()) DestroyWindow();
}

bool CLyricWnd::Create(CFrameWnd* frame) {
    return CDialog::Create(kTemplateId, frame) && editor_ != nullptr;
}

void CLyricWnd::InitControls() {
    // The editor takes the placeholder's place and id.
    RECT r{};
    GetControlRect(kEditor, &r);
    if (CWnd* placeholder = GetDlgItem(kEditor)) placeholder->DestroyWindow();
    editor_ = std::make_unique<CLyricEdit>();
    if (!editor_->Init(r, this, kEditor)) {
        editor_.reset();
    } else {
        FontRef f = g_preferences.Font(4);
        if (f.size == 0) f.size = 12;
        editor_->SetSelectionFont(f);
        editor_->onChange = [this] { UpdateControls(); };
    }
    FillFontCombo(kFontCombo);
    ClearCombo(kSizeCombo);
    for (int s : kSizes) AddComboString(kSizeCombo, std::to_string(s).c_str());
    ClearCombo(kStyleCombo);
    for (const char* s : kStyles) AddComboString(kStyleCombo, fw::FromUtf8(s).c_str());
    SetInt(kTrackField, track + 1);
    SetInt(kBarField, bar + 1);
    SetInt(kVoiceField, voice + 1);
    SetInt(kVerseField, verse + 1);
    SetCheck(kVerseNumberCheck, verseNumber != 0);
    SetCheck(kToSystemEnd, g_preferences.Byte(Preferences::kLyricsToEndOfSystem) != 0);
}

BOOL CLyricWnd::OnInitDialog() {
    const BOOL result = CStdDlg::OnInitDialog();
    // The boxes show the lyric font; the buttons follow the document (none yet).
    FontRef f = g_preferences.Font(4);
    SelectFontInCombo(kFontCombo, f.face);
    SelectSizeInCombo(kSizeCombo, f.size ? f.size : 12);
    SelectStyleInCombo(kStyleCombo, f.style & 3);
    UpdateControls();
    return result;
}

bool CLyricWnd::IsVisible() const { return IsWindow() && IsWindowVisible(); }

void CLyricWnd::Show() {
    UpdateControls();
    ShowWindow(SW_SHOW);
    if (CZelDoc* doc = document_) {
        SetInt(kTrackField, doc->location.trackIndex + 1);
        SetInt(kBarField, doc->location.barIndex + 1);
        SetInt(kVoiceField, doc->location.voice + 1);
    }
    Load();
    if (editor_) editor_->SetFocus();
    UpdateControls();
}

void CLyricWnd::Hide() {
    if (IsWindow()) ShowWindow(SW_HIDE);
}

void CLyricWnd::Toggle() {
    if (IsVisible()) Hide();
    else Show();
}

void CLyricWnd::SetDocument(CZelDoc* doc) {
    if (doc == document_ && (!doc || doc->GetScore() == score_)) return;
    document_ = doc;
    score_ = doc ? doc->GetScore() : nullptr;
    if (editor_) editor_->SetAllText("");
    UpdateControls();
}

void CLyricWnd::SetPlace(int t, int b, int v, int vs) {
    SetInt(kTrackField, t);
    SetInt(kBarField, b);
    SetInt(kVoiceField, v);
    SetInt(kVerseField, vs);
    UpdateControls();
}

LyricPlace CLyricWnd::ReadPlace() {
    return LyricPlace{GetInt(kTrackField) - 1, GetInt(kBarField) - 1, GetInt(kVoiceField) - 1, GetInt(kVerseField) - 1};
}

void CLyricWnd::Remember(const LyricPlace& p) {
    track = p.track;
    bar = p.bar;
    voice = p.voice;
    verse = p.verse;
}

void CLyricWnd::UpdateControls() {
    // (While the fields are being filled they are read by nobody.)
    if (!IsWindow() || initialising) return;
    CScore* s = document_ ? document_->GetScore() : nullptr;
    score_ = s;
    if (s && editor_ && CWnd::GetFocus() == editor_.get()) {
        FontRef f;
        editor_->GetCaretFont(f);
        SelectFontInCombo(kFontCombo, f.face);
        SelectSizeInCombo(kSizeCombo, f.size);
        SelectStyleInCombo(kStyleCombo, f.style & 3);
    }
    EnableControl(kLoad, s != nullptr);
    const LyricPlace p = ReadPlace();
    const bool fits = s && p.track >= 0 && p.track < s->GetTrackCount() && p.bar >= 0 && p.bar < s->GetBarCount() &&
                      p.voice >= 0 && p.voice < 8 && p.verse >= 0 && p.verse < 8;
    EnableControl(kApply, fits);
    EnableControl(kDelete, fits);
}

void CLyricWnd::OnControl(int id) {
    if (id >= kControlBase) id -= kControlBase;
    switch (id) {
    case kClose: Hide(); break;
    case kLoad: Load(); break;
    case kApply: Apply(); break;
    case kDelete: Delete(); break;
    case kNonBreakingSpace:
    case kNonBreakingHyphen: InsertCharacter(id); break;
    case kVerseNumberCheck: verseNumber = GetCheck(kVerseNumberCheck) ? 1 : 0; break;
    case kToSystemEnd:
        g_preferences.SetByte(Preferences::kLyricsToEndOfSystem,
                              g_preferences.Byte(Preferences::kLyricsToEndOfSystem) ? 0 : 1);
        SetCheck(kToSystemEnd, g_preferences.Byte(Preferences::kLyricsToEndOfSystem) != 0);
        break;
    case kFontCombo:
    case kSizeCombo:
    case kStyleCombo:
        if (editor_) {
            FontRef f;
            editor_->GetCaretFont(f);
            if (id == kFontCombo && GetComboSel(kFontCombo) >= 0) f.face = std::uint16_t(GetFontComboFace(kFontCombo));
            if (id == kSizeCombo && GetComboSel(kSizeCombo) >= 0) f.size = std::uint16_t(GetSizeComboValue(kSizeCombo));
            if (id == kStyleCombo) f.style = std::uint8_t((f.style & ~3) | GetStyleComboValue(kStyleCombo));
            editor_->SetSelectionFont(f);
            editor_->SetFocus();
        }
        break;
    default: break;
    }
    UpdateControls();
}

void CLyricWnd::OnEditChange(int) { UpdateControls(); }

void CLyricWnd::Load() {
    CScore* s = document_ ? document_->GetScore() : nullptr;
    if (!s || !editor_) return;
    const LyricPlace p = ReadPlace();
    Remember(p);
    std::vector<LyricRun> runs;
    bool number = false;
    const std::string text =
        lyricflow::LoadText(s, p, g_preferences.Byte(Preferences::kSkipTiedNotes) != 0,
                            g_preferences.Byte(Preferences::kLyricsToEndOfSystem) != 0, &runs, &number);
    editor_->SetAllText(text.c_str());
    if (!runs.empty()) {
        const int length = editor_->GetTextLength();
        for (const LyricRun& r : runs) {
            editor_->SetSel(r.first, length);
            editor_->SetSelectionFont(r.font);
        }
        verseNumber = number ? 1 : 0;
        SetCheck(kVerseNumberCheck, number);
    }
    const int end = editor_->GetTextLength();
    editor_->SetSel(end, end);
    UpdateControls();
}

void CLyricWnd::Apply() {
    CZelDoc* doc = document_;
    CScore* s = doc ? doc->GetScore() : nullptr;
    if (!s || !editor_) return;
    UpdateControls();
    const LyricPlace p = ReadPlace();
    if (p.track < 0 || p.track >= s->GetTrackCount() || p.bar < 0 || p.bar >= s->GetBarCount() || p.voice < 0 ||
        p.voice >= 8 || p.verse < 0 || p.verse >= 8)
        return;
    Remember(p);
    std::vector<std::uint8_t> styled;
    editor_->GetStyledText(styled, nullptr);
    const std::string text = editor_->GetText();
    std::vector<LyricRun> runs = RunsOf(styled);
    if (runs.empty()) {
        LyricRun r;
        editor_->GetCaretFont(r.font);
        runs.push_back(r);
    }
    if (int(runs.size()) > lyricflow::kMaxRuns) {
        std::string message;
        fw::LoadStringResource(lyricflow::kTooManyRunsString, message);
        AfxMessageBox(message.c_str(), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    bool japaneseText = false;
    for (const LyricRun& r : runs) japaneseText = japaneseText || JapaneseFace(r.font.face);
    std::vector<LyricToken> tokens = lyricflow::Scan(text, runs, JapaneseFace);
    // Each token's width: from its first character to the character after it.
    for (LyricToken& t : tokens) {
        const POINT a = editor_->PosFromChar(t.first), b = editor_->PosFromChar(t.end);
        if (b.y == a.y) {
            t.width = std::max<int>(0, b.x - a.x);
        } else {
            RECT client{};
            editor_->GetClientRect(&client);
            t.width = std::max<int>(0, client.right - a.x);
        }
    }
    std::vector<std::uint8_t> line;
    if (!lyricflow::BuildLine(line, p, text, runs, tokens, japaneseText)) return;
    if (!runs.empty()) measuredFace = runs.back().font.face;
    lastTrack = std::uint16_t(p.track);
    auto* task = new CLyricWndTask(p, std::move(tokens), std::move(runs), std::move(line), verseNumber != 0,
                                   g_preferences.Byte(Preferences::kSkipTiedNotes) != 0);
    task->Attach(doc, lyricflow::kUndoNameString);
    doc->DoTask(task);
    UpdateControls();
}

void CLyricWnd::Delete() {
    CZelDoc* doc = document_;
    CScore* s = doc ? doc->GetScore() : nullptr;
    if (!s) return;
    const LyricPlace p = ReadPlace();
    if (p.track < 0 || p.track >= s->GetTrackCount() || p.bar < 0 || p.bar >= s->GetBarCount() || p.voice < 0 ||
        p.voice >= 8 || p.verse < 0 || p.verse >= 8)
        return;
    Remember(p);
    auto* task = new CLyricDeleteTask(p, g_preferences.Byte(Preferences::kLyricsToEndOfSystem) != 0);
    task->Attach(doc, lyricflow::kUndoNameString);
    doc->DoTask(task);
    UpdateControls();
}

void CLyricWnd::InsertCharacter(int id) {
    if (!editor_) return;
    // The no-break space and the en dash, as the code page holds them.
    const char* text = id == kNonBreakingSpace ? fw::kNoBreakSpace : fw::kEnDash;
    int start = 0, end = 0;
    editor_->GetSel(start, end);
    editor_->ReplaceSel(text);
    editor_->SetSel(start + 1, start + 1);
    editor_->SetFocus();
}
