#include "app/StatBar.h"

#include <algorithm>
#include <cstdio>

#include "app/AppGlobals.h"
#include "framework/CodePage.h"
#include "framework/Gdi.h"
#include "framework/Input.h"
#include "model/MidiOut.h"
#include "platform/Devices.h"
#include "model/Score.h"
#include "model/Track.h"
#include "model/ZelDoc.h"
#include "platform/Artist.h"
#include "platform/Port.h"
#include "platform/PortLayer.h"
#include "platform/StdMenu.h"

namespace {

// The menus of the view and voice fields.
constexpr UINT kViewMenu = 143, kVoiceMenu = 135;
// The string of the all-voices mode.
constexpr UINT kAllVoicesText = 6621;
// A held page button steps once per this many sixtieths of a second.
constexpr int kPageStepTicks = 16;
// The MIDI light looks at the activity flags this often (sixtieths).
constexpr int kMidiCheckTicks = 6;

class DocStatusSource : public CStatusSource {
public:
    explicit DocStatusSource(CZelDoc* d) : doc(d) {}
    int ZoomPercent() override { return doc->GetZoom(); }
    int ZoomMode() override { return doc->fitMode; }
    int Arrangement() override { return doc->GetArrangementMode(); }
    int TrackCount() override { return doc->GetScore() ? doc->GetScore()->GetTrackCount() : 0; }
    std::string TrackName(int track) override {
        CTrack* t = doc->GetScore() ? doc->GetScore()->GetTrack(track) : nullptr;
        char name[64] = {};
        return t ? std::string(t->GetName(name, false)) : std::string();
    }
    int CurrentTrack() override { return doc->location.trackIndex; }
    int Voice() override { return doc->location.allVoices ? -1 : int(doc->location.voice); }
    int CurrentBar() override { return doc->location.barIndex; }
    int BarCount() override { return doc->GetScore() ? doc->GetScore()->GetBarCount() : 0; }
    int CurrentPage() override { return doc->location.pageIndex; }
    int PageCount() override { return doc->GetScore() ? doc->GetScore()->GetPageCount() : 0; }
    void SetTrack(int track) override {
        doc->SetCurrentTrack(track);
        doc->ShowInsertionPoint(doc->location.barIndex, true);
    }
    void SetVoice(int voice) override { doc->SetCurrentVoice(voice); }
    void GoToBar(int bar) override {
        doc->SetCurrentBar(bar, true);
        doc->ShowInsertionPoint(bar, true);
    }
    void GoToPage(int page) override { doc->SetCurrentPage(page); }
    void Command(UINT id) override { doc->OnViewCommand(int(id)); }
    void HideInsertCursor() override { doc->HideInsertCursor(); }

private:
    CZelDoc* doc;
};

// The fields' widths, and how far each moves right for its label.
constexpr int kFieldWidths[5] = {44, 120, 30, 30, 30};
constexpr int kLabelRoom[5] = {20, 26, 26, 16, 22};

}  // namespace

std::unique_ptr<CStatusSource> MakeDocStatusSource(CZelDoc* doc) {
    if (!doc) return nullptr;
    return std::make_unique<DocStatusSource>(doc);
}

// ---- the drop-down fields --------------------------------------------------------------------

BOOL CSBMenu::Create(CStatBar* owner, Kind k, const RECT& rect, int command) {
    bar = owner;
    kind = k;
    if (!CMenuBtn::Create(owner, rect, command, true)) return FALSE;
    SetTracking(false);
    return TRUE;
}

void CSBMenu::TrackClick(int, int) {
    CStatusSource* src = bar ? bar->Source() : nullptr;
    if (!src) return;
    SetState(1);
    POINT corner{0, 0};
    RECT client;
    GetClientRect(&client);
    corner.x = client.right;
    ClientToScreen(&corner);
    CStdMenu menu;
    switch (kind) {
    case kView:
        if (menu.Load(kViewMenu) && menu.popup) {
            UINT zoomItem = 0;
            switch (src->ZoomMode()) {
            case -2: zoomItem = 33310; break;
            case -3: zoomItem = 33312; break;
            default:
                switch (src->ZoomPercent()) {
                case 250: zoomItem = 38000; break;
                case 200: zoomItem = 38001; break;
                case 150: zoomItem = 38002; break;
                case 125: zoomItem = 38003; break;
                case 100: zoomItem = 38004; break;
                case 75: zoomItem = 38012; break;
                case 50: zoomItem = 38013; break;
                default: break;
                }
            }
            if (zoomItem) menu.popup->CheckMenuItem(zoomItem, MF_BYCOMMAND | MF_CHECKED);
            const int arrangement = src->Arrangement();
            menu.popup->CheckMenuItem(arrangement == 0 ? 38005 : arrangement == 1 ? 38006 : 38007,
                                      MF_BYCOMMAND | MF_CHECKED);
            if (const UINT chosen = menu.Track(corner.x, corner.y)) src->Command(chosen);
        }
        break;
    case kTrack:
        if (menu.Create()) {
            const int count = src->TrackCount();
            for (int i = 0; i < count; ++i) menu.InsertItem(i, src->TrackName(i).c_str(), i + 1);
            const int chosen = count > 0 ? menu.TrackSelect(corner.x, corner.y, src->CurrentTrack()) : -1;
            if (chosen >= 0 && chosen < count) src->SetTrack(chosen);
        }
        break;
    case kVoice:
        if (menu.Load(kVoiceMenu)) {
            const int voice = src->Voice();
            const int chosen = menu.TrackSelect(corner.x, corner.y, voice < 0 ? 0 : voice + 1);
            if (chosen >= 0) src->SetVoice(chosen - 1);
        }
        break;
    }
    SetState(0);
    if (bar) bar->Update();
}

// ---- the number fields -----------------------------------------------------------------------

void CSBNumeric::MouseDown(POINT pt, UINT flags) {
    CStatusSource* src = bar ? bar->Source() : nullptr;
    if (!src) return;
    if (pageField)
        field.SetValueAndRange(src->CurrentPage() + 1, 1, std::max(1, src->PageCount()));
    else
        field.SetValueAndRange(src->CurrentBar() + 1, 1, std::max(1, src->BarCount()));
    CNumericPane::MouseDown(pt, flags);
}

void CSBNumeric::Paint(const RECT& client) {
    if (bar && bar->Source()) {
        CNumericPane::Paint(client);
        return;
    }
    // Without a document the field is empty.
    if (CArtist* a = GetArtist()) {
        a->DrawButtonEdge(client, false);
        const RECT inner{client.left + 2, client.top + 2, client.right - 2, client.bottom - 2};
        a->FillRectColor(inner, field.colours[0]);
    }
}

// ---- the page buttons ------------------------------------------------------------------------

void CPageBtn::DrawImage() {
    if (!images.IsValid()) return;
    CDC* dc = GetCurrentPort();
    if (!dc) return;
    const int x = state == 1 ? 4 : 3, y = state == 1 ? 2 : 1;
    const COLORREF face = fw::GetSysColor(COLOR_BTNFACE);
    images.SetBkColor(face);
    images.Draw(dc, 0, x, y);
    if (btnEnabled) return;
    // Disabled: the ink turns grey with a white shadow one pixel right and down.
    std::vector<POINT> ink;
    for (int j = 0; j < imageHeight; ++j)
        for (int i = 0; i < imageWidth; ++i)
            if (const COLORREF c = dc->GetPixel(x + i, y + j); GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 128)
                ink.push_back(POINT{x + i, y + j});
    const RECT area{x, y, x + imageWidth + 1, y + imageHeight + 1};
    dc->FillSolidRect(&area, face);
    for (const POINT& p : ink) dc->SetPixel(p.x + 1, p.y + 1, RGB(255, 255, 255));
    for (const POINT& p : ink) dc->SetPixel(p.x, p.y, fw::GetSysColor(COLOR_GRAYTEXT));
}

void CPageBtn::TrackClick(int, int) {
    CStatusSource* src = bar ? bar->Source() : nullptr;
    if (!src || !btnEnabled) return;
    SetCapture();
    Press();
    for (;;) {
        const std::int32_t start = GetTicks();
        const int page = src->CurrentPage() + direction;
        if (page < 0 || page >= src->PageCount()) break;
        src->GoToPage(page);
        bar->Update();
        bool held = true;
        for (std::int32_t now = GetTicks(); now - start < kPageStepTicks; now = GetTicks()) {
            const UINT waitMs = UINT((kPageStepTicks - (now - start)) * 1000 / 60) + 1;
            if (!fw::MouseLoopStep(waitMs)) {
                held = false;
                break;
            }
        }
        const int current = src->CurrentPage();
        if (!held || current <= 0 || current >= src->PageCount() - 1) break;
    }
    Release();
    UpdateWindow();
    if (GetCapture() == this) ReleaseCapture();
}

// ---- the bar ---------------------------------------------------------------------------------

CStatBar::CStatBar() = default;
CStatBar::~CStatBar() = default;

bool CStatBar::Create(CFrameWnd* frame) {
    if (!CControlBar::Create("", frame, kId, CBRS_BOTTOM, SIZE{600, kHeight})) return false;
    EnableDocking(CBRS_ALIGN_BOTTOM);
    return true;
}

void CStatBar::Init() {
    if (!IsWindow() || viewField.IsWindow()) return;
    CreatePanes();
}

void CStatBar::CreatePanes() {
    int x = 10;
    for (int i = 0; i < 5; ++i) {
        x += kLabelRoom[i];
        fieldRects[i] = RECT{x, 1, x + kFieldWidths[i], 19};
        x += kFieldWidths[i] + 10;
    }
    viewField.Create(this, CSBMenu::kView, fieldRects[0], kViewId);
    trackField.Create(this, CSBMenu::kTrack, fieldRects[1], kTrackId);
    voiceField.Create(this, CSBMenu::kVoice, fieldRects[2], kVoiceId);
    barField.bar = pageField.bar = this;
    pageField.pageField = true;
    barField.Create(this, fieldRects[3], 1, 1, 1, kBarId);
    pageField.Create(this, fieldRects[4], 1, 1, 1, kPageId);
    prevPage.bar = nextPage.bar = this;
    prevPage.direction = -1;
    nextPage.direction = 1;
    prevPage.Create(this, RECT{418, 1, 440, 19}, kPrevPageId, 113, 16, 16);
    nextPage.Create(this, RECT{440, 1, 462, 19}, kNextPageId, 114, 16, 16);
    prevPage.SetTracking(false);
    nextPage.SetTracking(false);
    midiLight.Create(this, RECT{466, 1, 488, 19}, kMidiId, 122, 16, 16);
    shortText.Create(this, RECT{498, 1, 574, 19});
    shortText.SetFrame(false, false);
    RECT client;
    GetClientRect(&client);
    message.Create(this, RECT{578, 0, std::max<LONG>(579, client.right), std::max<LONG>(kHeight, client.bottom)});
    message.SetFrame(false, false);
    char ready[64] = {};
    LoadResString(57345, ready);
    message.SetText(ready);
    SetDocument(nullptr);
    Invalidate();  // the labels
}

void CStatBar::SetDocument(CZelDoc* doc) { SetSource(MakeDocStatusSource(doc)); }

void CStatBar::SetSource(std::unique_ptr<CStatusSource> source) {
    source_ = std::move(source);
    shownTrack = shownVoice = shownBar = shownPage = shownZoom = -1;
    if (viewField.IsWindow()) Update();
}

void CStatBar::Update() {
    if (!viewField.IsWindow()) return;
    CStatusSource* src = source_.get();
    if (!src) {
        viewField.SetText("");
        trackField.SetText("");
        voiceField.SetText("");
        barField.field.SetValueAndRange(1, 1, 1);
        pageField.field.SetValueAndRange(1, 1, 1);
        barField.Invalidate();
        pageField.Invalidate();
        prevPage.SetEnabled(false);
        nextPage.SetEnabled(false);
        return;
    }
    char text[64];
    const int zoom = src->ZoomPercent();
    if (zoom != shownZoom) {
        shownZoom = std::int16_t(zoom);
        std::snprintf(text, sizeof text, "%d%%", zoom);
        viewField.SetText(text);
        ++redraws[0];
    }
    const int track = src->CurrentTrack();
    if (track != shownTrack) {
        shownTrack = std::int16_t(track);
        trackField.SetText(src->TrackName(track).c_str());
        ++redraws[1];
    }
    const int voice = src->Voice();
    const int voiceShown = voice < 0 ? 8 : voice;  // 8: all voices
    if (voiceShown != shownVoice) {
        shownVoice = std::int16_t(voiceShown);
        if (voice < 0)
            LoadResString(kAllVoicesText, text);
        else
            std::snprintf(text, sizeof text, "%d", voice + 1);
        voiceField.SetText(text);
        ++redraws[2];
    }
    const int barIndex = src->CurrentBar();
    if (barIndex != shownBar) {
        shownBar = std::int16_t(barIndex);
        barField.field.SetValueAndRange(barIndex + 1, 1, std::max(1, src->BarCount()));
        barField.Invalidate();
        ++redraws[3];
    }
    const int page = src->CurrentPage();
    if (page != shownPage) {
        shownPage = std::int16_t(page);
        pageField.field.SetValueAndRange(page + 1, 1, std::max(1, src->PageCount()));
        pageField.Invalidate();
        ++redraws[4];
    }
    prevPage.SetEnabled(page > 0);
    nextPage.SetEnabled(page < src->PageCount() - 1);
}

void CStatBar::CheckMidiActivity() {
    const std::int32_t now = GetTicks();
    if (now - nextMidiCheck < 0 || !IsVisible()) return;
    CMidi* midi = g_app.midi;
    const int state = midi ? (midi->TakeOutputActivity() ? 1 : 0) | (midi->TakeInputActivity() ? 2 : 0) : 0;
    nextMidiCheck = now + kMidiCheckTicks;
    if (state == midiState) return;
    midiState = state;
    if (midiLight.IsWindow()) {
        midiLight.LoadImages(state);
        midiLight.Invalidate();
    }
}

void CStatBar::SetMessage(const char* text) {
    if (IsWindow() && shortText.IsWindow()) shortText.SetText(text);
}

LRESULT CStatBar::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_SETTEXT) {
        const char* text = reinterpret_cast<const char*>(lParam);
        if (text && *text && message.IsWindow()) message.SetText(text);
        return 0;
    }
    return CControlBar::WindowProc(msg, wParam, lParam);
}

BOOL CStatBar::OnEraseBkgnd(CDC* dc) {
    RECT r;
    GetClientRect(&r);
    dc->FillSolidRect(&r, fw::GetSysColor(COLOR_BTNFACE));
    return TRUE;
}

void CStatBar::OnPaint() {
    CPaintDC dc(this);
    RECT client;
    GetClientRect(&client);
    dc.FillSolidRect(&client, fw::GetSysColor(COLOR_BTNFACE));
    PushPort(&dc);
    if (CArtist* a = GetArtist()) {
        // The labels in the interface face at 8 points.
        FontRef font;
        a->GetFontRef(&font);
        a->SetFont(font.face, 8, 0);
        a->SetColor(0);
        for (int i = 0; i < 5; ++i) {
            char label[64] = {};
            LoadResString(kLabelIds[i], label);
            a->DrawTextRight(fieldRects[i].left - 2, client.bottom - 5, label);
        }
        a->SetFontRef(font);
    }
    PopPort();
}

void CStatBar::OnSize(UINT type, int cx, int cy) {
    CControlBar::OnSize(type, cx, cy);
    if (message.IsWindow()) message.MoveWindow(578, 0, std::max(1, cx - 578), std::max(1, cy), TRUE);
}

BOOL CStatBar::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT code = LOWORD(DWORD(wParam));
    CStatusSource* src = source_.get();
    if (code == kNumericEntryEnded && src) {
        auto* pane = reinterpret_cast<CWnd*>(lParam);
        if (pane == &barField) {
            src->HideInsertCursor();
            src->GoToBar(barField.field.GetClampedValue() - 1);
        } else if (pane == &pageField) {
            src->HideInsertCursor();
            const int page = pageField.field.GetClampedValue() - 1;
            if (page != src->CurrentPage()) src->GoToPage(page);
        }
        Update();
        return TRUE;
    }
    // The page buttons, the light and the fields tell the frame nothing more.
    return CControlBar::OnCommand(wParam, lParam);
}
