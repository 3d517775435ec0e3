#include "app/AboutDlg.h"

#include <algorithm>
#include <cstring>

#include "framework/CodePage.h"
#include "framework/DC.h"
#include "framework/Input.h"
#include "framework/MusicFont.h"
#include "platform/Theory.h"

namespace {

// The program's own version block.
constexpr VersionInfo::Value kOwnBlock[] = {
    {"ProductName", "Zelmarin for Linux"},
    {"ProductVersion", "4.1.0"},
    {"FileVersion", "4,1,0,25"},
    {"LegalCopyright", "版权所有 (C) Harrowick。保留所有权利。"},
};

constexpr const char* kDefaultName = "Zelmarin for Windows";
constexpr const char* kDefaultVersion = "4.1.0";
constexpr const char* kDefaultNotice = "版权所有 (C) Harrowick。保留所有权利。";
constexpr int kValueSize = 255;
// Where the patch number is drawn while Shift is held.
constexpr int kPatchX = 274, kPatchY = 122;
// The colour the background shades to at the bottom.
constexpr COLORREF kShadeEnd = RGB(128, 128, 200);

std::string Value(const VersionInfo& version, const char* name) {
    char buffer[kValueSize + 1] = {};
    if (!version.Query(name, buffer, kValueSize)) return {};
    return buffer;
}

// Whether the display shows at least 256 colours.
bool ManyColours(CDC* dc) {
    const int bits = std::min(31, dc->GetDeviceCaps(BITSPIXEL) * dc->GetDeviceCaps(PLANES));
    return (1LL << bits) >= 256;
}

}  // namespace

VersionInfo::VersionInfo() : values_(kOwnBlock), count_(int(std::size(kOwnBlock))) {}

VersionInfo::VersionInfo(const Value* values, int count) : values_(count > 0 ? values : nullptr), count_(count) {}

bool VersionInfo::Query(const char* name, char* buffer, int size) const {
    if (!values_ || size <= 0) return false;
    for (int i = 0; i < count_; ++i)
        if (std::strcmp(values_[i].name, name) == 0) {
            const std::size_t n = std::min(std::strlen(values_[i].text), std::size_t(size - 1));
            std::memcpy(buffer, values_[i].text, n);
            buffer[n] = 0;
            return true;
        }
    return false;
}

CAboutDlg::CAboutDlg(const VersionInfo& version) : CDialog(kTemplateId), version_(version) {}

std::string CAboutDlg::ProductLine(const VersionInfo& version) {
    std::string name = Value(version, "ProductName");
    if (name.empty()) name = kDefaultName;
    std::string number = Value(version, "ProductVersion");
    if (number.empty()) number = kDefaultVersion;
    return name + " " + number;
}

std::string CAboutDlg::LegalNotice(const VersionInfo& version) {
    std::string notice = Value(version, "LegalCopyright");
    return notice.empty() ? kDefaultNotice : notice;
}

std::string CAboutDlg::PatchText(const VersionInfo& version) {
    const std::string file = Value(version, "FileVersion");
    std::size_t at = 0;
    for (int commas = 0; commas < 3; ++commas) {
        at = file.find(',', at);
        if (at == std::string::npos) return {};
        ++at;
    }
    return "Patch " + file.substr(at);
}

BOOL CAboutDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CWnd* line = GetDlgItem(kProductLine);
    if (line) {
        line->SetWindowText(fw::FromUtf8(ProductLine(version_)).c_str());
        // A bold face of 8 points on the display.
        LOGFONT lf;
        if (CFont* font = line->GetFont()) font->GetLogFont(&lf);
        CClientDC screen(this);
        lf.lfHeight = -(screen.GetDeviceCaps(LOGPIXELSY) * 8 / 72);
        lf.lfWeight = 700;
        if (boldFont_.CreateFontIndirect(lf)) line->SetFont(&boldFont_);
    }
    if (CWnd* notice = GetDlgItem(kLegalNotice)) notice->SetWindowText(fw::FromUtf8(LegalNotice(version_)).c_str());
    return TRUE;
}

void CAboutDlg::OnPaint() {
    CPaintDC dc(this);
    // The program's icon: the treble clef of the music face, at the icon place's top left.
    if (CWnd* place = GetDlgItem(kIconPlace)) {
        RECT r;
        place->GetWindowRect(&r);
        ScreenToClient(&r);
        LOGFONT lf;
        std::strncpy(lf.lfFaceName, fw::kMusicFaceName, sizeof lf.lfFaceName - 1);
        lf.lfHeight = -(r.bottom - r.top);
        CFont music;
        if (music.CreateFontIndirect(lf)) {
            CFont* old = dc.SelectObject(&music);
            dc.SetBkMode(TRANSPARENT);
            const char glyph = char(CTheory::GetClefGlyph(0));
            dc.TextOut(r.left + (r.right - r.left) / 3, r.top + (r.bottom - r.top) * 3 / 4, &glyph, 1);
            dc.SelectObject(old);
        }
    }
    if (fw::GetKeyState(VK_SHIFT) < 0) {
        const std::string patch = PatchText(version_);
        dc.SetBkMode(TRANSPARENT);
        dc.TextOut(kPatchX, kPatchY, patch.c_str(), int(patch.size()));
    }
}

BOOL CAboutDlg::OnEraseBkgnd(CDC* dc) {
    if (!ManyColours(dc)) return CDialog::OnEraseBkgnd(dc);
    RECT client;
    GetClientRect(&client);
    int whiteBottom = client.top;
    if (CWnd* area = GetDlgItem(kWhiteArea)) {
        RECT r;
        area->GetWindowRect(&r);
        ScreenToClient(&r);
        whiteBottom = std::clamp<int>(r.bottom, client.top, client.bottom);
    }
    RECT white = client;
    white.bottom = whiteBottom;
    dc->FillSolidRect(&white, RGB(255, 255, 255));
    // One line at a time from white at the top of the shaded part to the end colour at the
    // bottom.
    const int lines = std::max(1, int(client.bottom - whiteBottom));
    for (int y = whiteBottom; y < client.bottom; ++y) {
        const int i = y - whiteBottom;
        const auto mix = [&](int end) { return 255 + (end - 255) * i / std::max(1, lines - 1); };
        RECT row{client.left, y, client.right, y + 1};
        dc->FillSolidRect(&row, RGB(mix(GetRValue(kShadeEnd)), mix(GetGValue(kShadeEnd)), mix(GetBValue(kShadeEnd))));
    }
    return TRUE;
}
