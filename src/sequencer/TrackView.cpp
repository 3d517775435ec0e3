#include "sequencer/TrackView.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "framework/Cursor.h"
#include "framework/ImageList.h"
#include "framework/Input.h"
#include "model/Score.h"
#include "model/Track.h"
#include "model/ZelDoc.h"
#include "platform/Artist.h"
#include "platform/Devices.h"
#include "platform/DlgCombosStandIns.h"
#include "platform/DrawGlobals.h"
#include "platform/Popup.h"
#include "platform/Port.h"
#include "platform/PortLayer.h"
#include "platform/StdDlgGlobals.h"

namespace {

constexpr int kTrackImages = 116, kInterfaceImages = 107;
constexpr int kCollapsedImage = 0, kExpandedImage = 1, kMutedImage = 5, kSoloImage = 6, kStemImage = 2;
constexpr int kDeviceImage = 16, kHeaderImage = 10;
constexpr int kVoicePrefixString = 6014, kFirstLabelString = 6000;
constexpr int kGridOtherTrack = 139, kGridSameTrack = 138, kHeaderColour = 133;
constexpr int kHoldTicks = 10;
constexpr int kMuteSoloHint = 4321, kRedrawScoreCommand = 33012;
constexpr int kNoneValue = 32767;
constexpr int kNoVolume = 0xFF;  // a voice's volume that is not set
constexpr int kResizeCursor = 513;

std::array<TrackColumn, SequencerGlobals::kColumns>& Columns() { return g_sequencer.columns; }

std::string LoadString(int id) {
    char text[256];
    LoadResString(UINT(id), text);
    return text;
}

// The text cut at a character boundary and followed by "..." so that it fits width.
std::string Fit(CArtist& a, const std::string& text, int width) {
    if (a.TextWidth(text.c_str()) <= width) return text;
    std::string cut = text;
    while (!cut.empty()) {
        std::size_t end = cut.size() - 1;
        while (end > 0 && (std::uint8_t(cut[end]) & 0xC0) == 0x80) --end;
        cut.erase(end);
        if (a.TextWidth((cut + "...").c_str()) <= width) break;
    }
    return cut + "...";
}

void DrawImage(int strip, int width, int height, int i, int x, int y) {
    CImageList images;
    if (CDC* dc = GetCurrentPort(); dc && images.Create(UINT(strip), width, 0, RGB(192, 192, 192)))
        images.Draw(dc, i, x, y);
    (void)height;
}

}  // namespace

// --- the column table -------------------------------------------------------------------------

namespace trackcols {

int Left(int i) {
    int x = 0;
    for (int k = 0; k < i && k < SequencerGlobals::kColumns; ++k) x += Columns()[std::size_t(k)].width;
    return x;
}

int TotalWidth() { return Left(SequencerGlobals::kColumns); }

int PositionOfKind(int kind) {
    for (int i = 0; i < SequencerGlobals::kColumns; ++i)
        if (Columns()[std::size_t(i)].kind == kind) return i;
    return -1;
}

int ColumnAt(int x) {
    if (x < 0) return -1;
    int left = 0;
    for (int i = 0; i < SequencerGlobals::kColumns; ++i) {
        const int right = left + Columns()[std::size_t(i)].width;
        if (x >= left && x < right) return i;
        left = right;
    }
    return -1;
}

int MoveColumn(int from, int x) {
    if (from < 2 || from >= SequencerGlobals::kColumns) return from;
    int to = SequencerGlobals::kColumns - 1;
    if (x <= 0) {
        to = 2;
    } else {
        int left = 0;
        for (int i = 0; i < SequencerGlobals::kColumns - 1; ++i) {
            const int right = left + Columns()[std::size_t(i)].width;
            if (x >= left && x < right) {
                to = i;
                break;
            }
            left = right;
        }
    }
    to = std::max(to, 2);
    auto& cols = Columns();
    const TrackColumn moved = cols[std::size_t(from)];
    if (to > from)
        std::copy(cols.begin() + from + 1, cols.begin() + to + 1, cols.begin() + from);
    else if (to < from)
        std::copy_backward(cols.begin() + to, cols.begin() + from, cols.begin() + from + 1);
    cols[std::size_t(to)] = moved;
    return to;
}

void ResizeColumn(int i, int width, int minimum) {
    if (i < 2 || i >= SequencerGlobals::kColumns) return;
    Columns()[std::size_t(i)].width = std::int16_t(std::max(width, minimum));
}

}  // namespace trackcols

// --- the inline fields ---------------------------------------------------------------------------

CTVNumeric::~CTVNumeric() {
    if (g_sequencer.currentField == this) g_sequencer.currentField = nullptr;
    if (g_ui.currentNumeric == this) g_ui.currentNumeric = nullptr;
}

void CTVNumeric::Draw() {
    if (!view || !view->IsWindow()) return;
    CClientDC dc(view);
    view->OnPrepareDC(&dc);
    PushPort(&dc);
    CNumeric::Draw();
    PopPort();
}

bool CTVNumeric::TypeKey(UINT key, UINT flags) {
    const int before = value;
    const bool used = CNumeric::TypeKey(key, flags);
    if (g_sequencer.currentField != this) return used;
    if (!active) {
        // The entry ended (Return, Tab, Escape, Space): the field applies and goes.
        EndEdit();
        return used;
    }
    if (value != before) Apply();
    return used;
}

void CTVNumeric::EndEdit() {
    if (g_sequencer.currentField != this) return;
    g_sequencer.currentField = nullptr;
    CNumeric::EndEdit();
    Apply();
    delete this;
}

void CTVNumeric::Apply() {
    CTrackView* v = view;
    if (!v || !v->score) return;
    CTrack* track = v->score->GetTrack(trackIndex);
    if (!track) return;
    const int n = GetClampedValue();
    switch (columnKind) {
    case trackcols::kVolume: track->SetVoiceVolume(voiceIndex, n, true); break;
    case trackcols::kPan: track->SetVoicePan(voiceIndex, n, true); break;
    case trackcols::kTranspose: track->SetVoiceTranspose(voiceIndex, n); break;
    case trackcols::kChannel: track->SetVoiceChannel(voiceIndex, n - 1); break;
    case trackcols::kPatch: track->SetVoiceProgram(voiceIndex, n == kNoneValue || n <= 0 ? -1 : n - 1, true); break;
    case trackcols::kVoices:
        track->SetVoiceCount(n);
        v->RebuildRows();
        break;
    default: return;
    }
    if (v->document) v->document->SetModified(true);
    v->RedrawCells(trackIndex, {columnKind});
}

void CPatchNumeric::Format(char* text, std::size_t size) {
    CTrack* track = view && view->score ? view->score->GetTrack(trackIndex) : nullptr;
    if (!track || size == 0) return CTVNumeric::Format(text, size);
    const int voice = std::max(voiceIndex, 0);
    if (value <= 0 || value == kNoneValue) {
        std::snprintf(text, size, "%s", "None");
        return;
    }
    const std::uint32_t word = (std::uint32_t(track->GetVoicePatch(voice)) & 0xFFFFFF00u) | std::uint32_t((value - 1) & 0x7F);
    char name[128] = {};
    GetNameMgr()->GetPatchName(track->GetDevice(), 0, word, name, sizeof name);
    if (!name[0]) std::snprintf(name, sizeof name, "%d", int(value));
    std::snprintf(text, size, "%s", name);
}

// --- the header --------------------------------------------------------------------------------

int CTVLabels::ResizeZoneAt(int x) {
    int right = 0;
    for (int i = 0; i < SequencerGlobals::kColumns; ++i) {
        right += Columns()[std::size_t(i)].width;
        if (i >= 2 && x >= right && x <= right + 2) return i;
    }
    return -1;
}

int CTVLabels::MinimumWidth(int i) {
    const TrackColumn& col = Columns()[std::size_t(i)];
    if (col.label < 0) return 4;
    CClientDC dc(this);
    PushPort(&dc);
    int w = 0;
    if (CArtist* a = GetArtist()) {
        const FontRef font = g_draw.standardFontRefs[0];
        a->SetFont(font.face, 11, 1);
        w = a->TextWidth(LoadString(kFirstLabelString + col.label).c_str());
    }
    PopPort();
    return w + 4;
}

void CTVLabels::OnPaint() {
    CPaintDC dc(this);
    PushPort(&dc);
    CArtist* a = GetArtist();
    RECT client;
    GetClientRect(&client);
    const int scroll = view ? int(view->CScrollView::GetScrollPosition().x) : 0;
    dc.SetWindowOrg(scroll, 0);
    const RECT back{scroll, 0, scroll + client.right, client.bottom};
    dc.FillSolidRect(&back, GetSysColor(COLOR_BTNFACE));
    if (a) {
        const FontRef font = g_draw.standardFontRefs[0];
        a->SetFont(font.face, 11, 1);
        a->SetColor(kHeaderColour);
        a->SetBkMode(13);
        DrawImage(kInterfaceImages, 16, 15, kHeaderImage, 4, 1);
        int x = 2;
        for (int i = 0; i < SequencerGlobals::kColumns; ++i) {
            const TrackColumn& col = Columns()[std::size_t(i)];
            if (i >= 2) {
                const RECT light{x + 1, 0, x + 2, client.bottom}, dark{x, 0, x + 1, client.bottom};
                dc.FillSolidRect(&light, RGB(255, 255, 255));
                dc.FillSolidRect(&dark, RGB(128, 128, 128));
                if (col.label >= 0)
                    a->DrawTextCentered(x + col.width / 2, client.bottom - 4,
                                        LoadString(kFirstLabelString + col.label).c_str());
            }
            x += col.width;
        }
    }
    PopPort();
}

void CTVLabels::OnLButtonDown(UINT, POINT pt) {
    const int scroll = view ? int(view->CScrollView::GetScrollPosition().x) : 0;
    Press(int(pt.x) + scroll);
}

void CTVLabels::OnMouseMove(UINT, POINT pt) {
    const int scroll = view ? int(view->CScrollView::GetScrollPosition().x) : 0;
    if (ResizeZoneAt(int(pt.x) + scroll) >= 0)
        SetCursorById(kResizeCursor);
    else
        SetArrowCursor();
}

void CTVLabels::Press(int x) {
    CTrackView::EndField();
    const int scroll = view ? int(view->CScrollView::GetScrollPosition().x) : 0;
    auto mouseX = [&] {
        POINT p;
        fw::GetCursorPos(&p);
        ScreenToClient(&p);
        return int(p.x) + scroll;
    };
    RECT client;
    GetClientRect(&client);
    auto redraw = [&] {
        Invalidate();
        UpdateWindow();
        if (view) {
            view->RebuildRows();
            view->RedrawAll();
        }
    };
    if (const int i = ResizeZoneAt(x); i >= 0) {
        const int minimum = MinimumWidth(i);
        const int start = Columns()[std::size_t(i)].width;
        int lastX = x;
        while (fw::MouseLoopStep()) {
            lastX = mouseX();
            trackcols::ResizeColumn(i, start + (lastX - x), minimum);
        }
        trackcols::ResizeColumn(i, start + (lastX - x), minimum);
        redraw();
        return;
    }
    const int c = trackcols::ColumnAt(x);
    if (c < 2) return;
    int lastX = x;
    SetCursorById(IDC_SIZEALL);
    while (fw::MouseLoopStep()) lastX = mouseX();
    SetArrowCursor();
    trackcols::MoveColumn(c, lastX);
    redraw();
}

// --- the track view ----------------------------------------------------------------------------

CTrackView::CTrackView() = default;

CTrackView::~CTrackView() {
    if (g_sequencer.currentField && g_sequencer.currentField->view == this) {
        CTVNumeric* field = g_sequencer.currentField;
        g_sequencer.currentField = nullptr;
        if (g_ui.currentNumeric == field) g_ui.currentNumeric = nullptr;
        delete field;
    }
    if (document && document->trackView == this) document->trackView = nullptr;
}

bool CTrackView::Initialize(CWnd* parentWnd) {
    document = nullptr;
    score = nullptr;
    attached = 0;
    if (!CreateView(parentWnd, 0, kHeaderHeight, 0, 0)) return false;
    SetPageSize(16, 16);
    RebuildRows();
    header = std::make_unique<CTVLabels>(this);
    return header->Create(nullptr, "", WS_CHILD | WS_VISIBLE, RECT{0, 0, 10000, kHeaderHeight}, parentWnd, 2);
}

void CTrackView::SetDocument(CZelDoc* doc) {
    EndField();
    if (document && document->trackView == this) document->trackView = nullptr;
    document = doc;
    score = doc ? doc->GetScore() : nullptr;
    attached = 1;
    if (doc) doc->trackView = this;
    RebuildRows();
}

void CTrackView::RebuildRows() {
    rowCount = 0;
    if (document) score = document->GetScore();
    if (attached && document && score) {
        for (int t = 0; t < score->GetTrackCount() && rowCount < kMaxRows; ++t) {
            CTrack* track = score->GetTrack(t);
            if (!track) continue;
            Row& own = rows[rowCount++];
            own = Row{0, std::uint8_t(t), kFirstRow, 0};
            if (!(track->GetTrackFlags() & kExpandedBit)) continue;
            own.marks |= kExpandedRow;
            for (int v = 0; v < track->GetVoiceCount() && rowCount < kMaxRows; ++v)
                rows[rowCount++] = Row{std::int8_t(v), std::uint8_t(t), 0, 0};
        }
    }
    if (IsWindow()) {
        SetScrollRect(RECT{0, 0, trackcols::TotalWidth(), std::max(rowCount * kRowHeight, kRowHeight)});
        RedrawAll();
    } else {
        contentRect = RECT{0, 0, trackcols::TotalWidth(), std::max(rowCount * kRowHeight, kRowHeight)};
    }
}

CTrack* CTrackView::TrackOfRow(int r) {
    if (!score || r < 0 || r >= rowCount) return nullptr;
    return score->GetTrack(rows[r].track);
}

int CTrackView::EditVoice(int r) const {
    if (r < 0 || r >= rowCount) return -1;
    const Row& row = rows[r];
    if (row.marks & kFirstRow) return -1;
    return row.voice;
}

RECT CTrackView::CellRect(int r, int c) {
    const int left = trackcols::Left(c);
    return RECT{left, r * kRowHeight, left + g_sequencer.columns[std::size_t(c)].width, (r + 1) * kRowHeight};
}

POINT CTrackView::ToScreen(int x, int y) {
    const POINT pos = CScrollView::GetScrollPosition();
    POINT p{x - pos.x, y - pos.y};
    ClientToScreen(&p);
    return p;
}

POINT CTrackView::MouseInContent() {
    POINT p;
    fw::GetCursorPos(&p);
    ScreenToClient(&p);
    const POINT pos = CScrollView::GetScrollPosition();
    return POINT{p.x + pos.x, p.y + pos.y};
}

void CTrackView::EndField() {
    if (CTVNumeric* field = g_sequencer.currentField) field->EndEdit();
}

void CTrackView::ScrollWindowBy(int dx, int dy) {
    CStdView::ScrollWindowBy(dx, dy);
    if (dx && header && header->IsWindow()) {
        header->Invalidate();
        header->UpdateWindow();
    }
}

// Every change of the document reaches the rows; the sequencer panes' own hints (the play
// position, the current track, their strips: 32000-32003) change no row.
void CTrackView::OnUpdate(CView*, LPARAM hint, void*) {
    if (hint >= 32000 && hint <= 32003) return;
    RebuildRows();
}

void CTrackView::DrawArea(const RECT& area) {
    CArtist* a = GetArtist();
    if (!a) return;
    const int lastBottom = rowCount * kRowHeight;
    const int expandRight = trackcols::Left(2);
    for (int r = 0; r < rowCount; ++r) {
        const int y = (r + 1) * kRowHeight - 1;
        const bool sameTrack = r + 1 < rowCount && rows[r + 1].track == rows[r].track;
        a->SetColor(sameTrack ? kGridSameTrack : kGridOtherTrack);
        a->Line(sameTrack ? expandRight : 0, y, 2000, y);
    }
    if (area.top < lastBottom) {
        a->SetColor(kGridOtherTrack);
        for (int c = 1; c < SequencerGlobals::kColumns - 1; ++c) {
            const int x = trackcols::Left(c + 1) - 1;
            a->Line(x, int(area.top), x, lastBottom);
        }
    }
    const int first = std::max(int(area.top) / kRowHeight - 1, 0);
    const int last = std::min(rowCount - 1, int(area.bottom) / kRowHeight + 1);
    for (int r = first; r <= last; ++r)
        for (int c = 0; c < SequencerGlobals::kColumns; ++c) {
            const RECT cell = CellRect(r, c);
            if (cell.right <= area.left || cell.left >= area.right) continue;
            DrawCell(r, c);
        }
    a->SetColor(0);
}

void CTrackView::DrawCell(int r, int c) {
    CArtist* a = GetArtist();
    CTrack* track = TrackOfRow(r);
    if (!a || !track) return;
    const Row& row = rows[r];
    const bool trackRow = (row.marks & kFirstRow) != 0;
    const bool valueRow = !(row.marks & kExpandedRow);
    const int voice = trackRow ? 0 : row.voice;
    RECT cell = CellRect(r, c);
    cell.left += 1;
    cell.top += 1;
    cell.right -= 1;
    cell.bottom -= 1;
    a->EraseRect(cell);
    FontRef font = g_draw.standardFontRefs[0];
    a->SetFontRef(font);
    a->SetColor(0);
    a->SetBkMode(13);
    if (c >= 2) {
        a->SetColor(kGridOtherTrack);
        a->Line(int(cell.left) - 1, int(cell.top), int(cell.left) - 1, int(cell.bottom));
        a->SetColor(0);
    }
    const int baseline = int(cell.bottom) - 2;
    const int centre = (int(cell.left) + int(cell.right)) / 2;
    const int width = int(cell.right - cell.left);
    auto italic = [&](bool on) {
        FontRef f = font;
        if (on) f.style = std::uint8_t(f.style | FontRef::kItalic);
        a->SetFontRef(f);
    };
    char text[CTrack::kPatchNameSize] = {};
    switch (g_sequencer.columns[std::size_t(c)].kind) {
    case trackcols::kNumber:
        if (trackRow) a->DrawTextRight(int(cell.right) - 1, baseline, std::to_string(row.track + 1).c_str());
        break;
    case trackcols::kExpand:
        if (trackRow)
            DrawImage(kTrackImages, 16, 16, row.marks & kExpandedRow ? kExpandedImage : kCollapsedImage,
                      int(cell.left) - 1, int(cell.top) - 1);
        break;
    case trackcols::kName: {
        std::string name;
        int x = int(cell.left) + 2;
        if (trackRow) {
            // An empty name shows the track word and the track's number.
            char full[CTrack::kPatchNameSize] = {};
            name = track->GetName(full, false);
        } else {
            name = LoadString(kVoicePrefixString) + std::to_string(row.voice + 1);
            x += 8;
        }
        a->DrawText(x, baseline, Fit(*a, name, int(cell.right) - x).c_str());
        break;
    }
    case trackcols::kMute:
    case trackcols::kSolo: {
        const bool mute = g_sequencer.columns[std::size_t(c)].kind == trackcols::kMute;
        const int v = trackRow ? -1 : row.voice;
        if (mute ? track->IsMuted(v) : track->IsSolo(v))
            DrawImage(kTrackImages, 16, 16, mute ? kMutedImage : kSoloImage, int(cell.left) - 1, int(cell.top) - 1);
        break;
    }
    case trackcols::kVolume:
    case trackcols::kPan:
    case trackcols::kTranspose: {
        if (!valueRow) break;
        const int kind = g_sequencer.columns[std::size_t(c)].kind;
        if (kind == trackcols::kVolume) track->FormatVoiceVolume(voice, text);
        else if (kind == trackcols::kPan) track->FormatVoicePan(voice, text);
        else track->FormatVoiceTranspose(voice, text);
        a->DrawTextCentered(centre, baseline, text);
        break;
    }
    case trackcols::kDevice:
        if (trackRow) {
            DrawImage(kInterfaceImages, 16, 15, kDeviceImage, int(cell.left) - 2, int(cell.top) - 1);
            track->GetDeviceName(text, sizeof text);
            CDevices* ports = GetMidiOutPorts();
            italic(!ports || ports->IndexOfId(track->GetDevice()) < 0);
            a->DrawText(int(cell.left) + 14, baseline, Fit(*a, text, width - 14).c_str());
        } else {
            const char* def = track->GetVoiceDefName(row.voice);
            const std::string name(def, strnlen(def, CTrack::kVoiceDefNameSize));
            a->DrawText(int(cell.left) + 10, baseline, Fit(*a, name, width - 10).c_str());
        }
        break;
    case trackcols::kChannel:
        if (valueRow) a->DrawTextCentered(centre, baseline, std::to_string(track->GetVoiceChannel(voice) + 1).c_str());
        break;
    case trackcols::kBank:
    case trackcols::kPatch: {
        if (!valueRow) break;
        const bool bank = g_sequencer.columns[std::size_t(c)].kind == trackcols::kBank;
        if (bank) track->GetVoiceBankName(voice, text, sizeof text);
        else track->GetVoicePatchName(voice, text, sizeof text);
        italic(bank ? track->GetVoiceBank(voice) == -1 : track->GetVoicePatch(voice) == -1);
        a->DrawText(int(cell.left) + 2, baseline, Fit(*a, text, width - 3).c_str());
        break;
    }
    case trackcols::kVoices:
        if (trackRow) a->DrawTextCentered(centre, baseline, std::to_string(track->GetVoiceCount()).c_str());
        break;
    case trackcols::kStem:
        if (valueRow)
            DrawImage(kTrackImages, 16, 16, track->GetVoiceStem(voice) + kStemImage, centre - 8, int(cell.top) - 1);
        break;
    default: break;
    }
    a->SetFontRef(font);
}

void CTrackView::RedrawCells(int track, std::initializer_list<int> kinds) {
    if (!document || !IsWindow()) return;
    CClientDC dc(this);
    OnPrepareDC(&dc);
    PushPort(&dc);
    for (int r = 0; r < rowCount; ++r) {
        if (rows[r].track != track) continue;
        for (int kind : kinds)
            if (const int c = trackcols::PositionOfKind(kind); c >= 0) DrawCell(r, c);
    }
    PopPort();
}

void CTrackView::RedrawRow(int track, int hint) {
    if (!document) return;
    if (hint == kMuteSoloHint)
        RedrawCells(track, {trackcols::kMute, trackcols::kSolo});
    else
        RedrawCells(track, {trackcols::kDevice, trackcols::kChannel, trackcols::kBank, trackcols::kPatch});
    UpdateWindow();
}

void CTrackView::Modified() {
    if (document) document->SetModified(true);
}

void CTrackView::Click(int x, int y) {
    if (!attached || !document || !score) return;
    const int c = trackcols::ColumnAt(x);
    const int r = y / kRowHeight;
    if (c < 0 || y < 0 || r >= rowCount) return;
    const Row row = rows[r];
    if (row.voice >= 1 && c < 2) return;
    EndField();
    clickedTrack = row.track;
    clickedVoice = row.voice;
    clickedColumn = std::int16_t(c);
    CTrack* track = TrackOfRow(r);
    if (!track) return;
    const bool trackRow = (row.marks & kFirstRow) != 0;
    const int kind = g_sequencer.columns[std::size_t(c)].kind;
    const POINT screen = ToScreen(x, y);
    switch (kind) {
    case trackcols::kNumber: ClickNumber(r, x, y); return;
    case trackcols::kExpand:
        if (!trackRow) return;
        track->SetTrackFlags(std::uint8_t(track->GetTrackFlags() ^ kExpandedBit));
        RebuildRows();
        InvalidateContent(nullptr);
        return;
    case trackcols::kName:
        // The track is set up from an instrument of the library.
        if (!trackRow) return;
        if (score->ChooseTrackInstrument(int(screen.x), int(screen.y), row.track)) {
            RebuildRows();
            Modified();
            document->UpdateAllViews(nullptr);
            document->InvalidatePanes();
        }
        return;
    case trackcols::kMute:
    case trackcols::kSolo: ClickMuteSolo(r, kind == trackcols::kMute); return;
    case trackcols::kVolume:
    case trackcols::kPan:
    case trackcols::kTranspose:
    case trackcols::kChannel:
    case trackcols::kPatch:
    case trackcols::kVoices: ClickValue(r, kind, x, y); return;
    case trackcols::kDevice: ClickDevice(r, c, x, y); return;
    case trackcols::kBank: ClickBank(r, x, y); return;
    case trackcols::kStem: {
        if (row.marks & kExpandedRow) return;
        const int voice = EditVoice(r);
        const int stem = (track->GetVoiceStem(std::max(voice, 0)) + 1) % 3;
        track->SetVoiceStem(voice, stem);
        Modified();
        RedrawCells(row.track, {trackcols::kStem});
        return;
    }
    default: return;
    }
}

void CTrackView::ClickNumber(int r, int x, int y) {
    const int track = rows[r].track;
    if (g_ui.clickCount == 2) {
        // The track's own properties run with it as the current track.
        const int previous = document->location.trackIndex;
        document->SetCurrentTrack(track);
        const POINT screen = ToScreen(x, y);
        if (CTrack* t = score->GetTrack(track)) t->OpenProperties(int(screen.x), int(screen.y));
        if (previous >= 0 && previous < score->GetTrackCount()) document->SetCurrentTrack(previous);
        RebuildRows();
        return;
    }
    // The row follows the mouse as an inverted frame; the release picks the destination.
    CClientDC dc(this);
    OnPrepareDC(&dc);
    RECT frame{0, r * kRowHeight, trackcols::TotalWidth(), (r + 1) * kRowHeight};
    auto invert = [&](const RECT& f) {
        const RECT top{f.left, f.top, f.right, f.top + 1}, bottom{f.left, f.bottom - 1, f.right, f.bottom};
        dc.InvertRect(&top);
        dc.InvertRect(&bottom);
    };
    invert(frame);
    POINT at{x, y};
    while (fw::MouseLoopStep()) {
        at = MouseInContent();
        invert(frame);
        frame.top = at.y - kRowHeight / 2;
        frame.bottom = frame.top + kRowHeight;
        invert(frame);
    }
    invert(frame);
    const int row = std::clamp(int(at.y) / kRowHeight, 0, std::max(rowCount - 1, 0));
    int to = rowCount > 0 ? rows[row].track : track;
    if (at.y < 0) to = 0;
    to = std::clamp(to, 0, score->GetTrackCount() - 1);
    if (to == track) return;
    if (document->MoveTrack(track, to)) {
        score = document->GetScore();
        RebuildRows();
        RedrawAll();
        Modified();
    }
}

void CTrackView::ClickMuteSolo(int r, bool mute) {
    const Row row = rows[r];
    CTrack* track = TrackOfRow(r);
    const int previous = document->location.trackIndex;
    auto change = [&](CTrack* t, int trackIndex, int voice, bool on) {
        document->SetCurrentTrack(trackIndex);
        if (mute) t->SetMuted(voice, on);
        else t->SetSolo(voice, on);
        if (previous >= 0 && previous < score->GetTrackCount()) document->SetCurrentTrack(previous);
        RedrawCells(trackIndex, {trackcols::kMute, trackcols::kSolo});
        UpdateWindow();
    };
    if (!(row.marks & kFirstRow)) {
        change(track, row.track, row.voice, !(mute ? track->IsMuted(row.voice) : track->IsSolo(row.voice)));
        return;
    }
    // The clicked track's state is painted over every track the mouse passes that still has it.
    const bool state = mute ? track->IsMuted(-1) : track->IsSolo(-1);
    auto paint = [&](int y) {
        if (y < 0) return;
        const int at = y / kRowHeight;
        if (at >= rowCount) return;
        const int t = rows[at].track;
        CTrack* other = score->GetTrack(t);
        if (!other || (mute ? other->IsMuted(-1) : other->IsSolo(-1)) != state) return;
        change(other, t, -1, !state);
    };
    paint(r * kRowHeight);
    while (fw::MouseLoopStep()) paint(int(MouseInContent().y));
}

bool CTrackView::OpenChooser(int r, int kind, int x, int y) {
    CTrack* track = TrackOfRow(r);
    const int voice = EditVoice(r);
    const int v = std::max(voice, 0);
    const POINT p = ToScreen(x, y);
    switch (kind) {
    case trackcols::kVolume: return track->PopupVolume(int(p.x), int(p.y), voice);
    case trackcols::kPan: return track->PopupPan(int(p.x), int(p.y), voice);
    case trackcols::kChannel: return track->PopupChannel(int(p.x), int(p.y), voice);
    case trackcols::kPatch: return track->PopupPatch(int(p.x), int(p.y), voice, nullptr);
    case trackcols::kTranspose: {
        int value = track->GetVoiceTranspose(v) + 36;
        if (!PickNumberPopup(int(p.x), int(p.y), -36, 36, &value, false)) return false;
        track->SetVoiceTranspose(voice, value - 36);
        return true;
    }
    case trackcols::kVoices: {
        int value = track->GetVoiceCount() - 1;
        if (!PickNumberPopup(int(p.x), int(p.y), 1, 8, &value, false)) return false;
        track->SetVoiceCount(value + 1);
        RebuildRows();
        return true;
    }
    default: return false;
    }
}

void CTrackView::ClickValue(int r, int kind, int x, int y) {
    const Row row = rows[r];
    // The voice count is the track row's; the other values are the value rows' (not the own row of
    // an expanded track).
    if (kind == trackcols::kVoices ? !(row.marks & kFirstRow) : (row.marks & kExpandedRow) != 0) return;
    CTrack* track = TrackOfRow(r);
    const int voice = EditVoice(r);
    const int v = std::max(voice, 0);
    int programs = 128;
    if (kind == trackcols::kPatch) {
        const int count = GetNameMgr()->GetPatchCount(track->GetDevice(), 0, std::uint32_t(track->GetVoicePatch(v)));
        if (count > 0) programs = count;
    }
    UpdateWindow();
    // Held for 10 ticks: the chooser; released before: the inline field.
    bool held = false;
    const std::int32_t start = GetTicks();
    while (fw::MouseLoopStep(kHoldTicks * 1000 / 60)) {
        if (GetTicks() - start >= kHoldTicks) {
            held = true;
            break;
        }
    }
    if (held || (kind == trackcols::kPatch && programs < 2)) {
        if (OpenChooser(r, kind, x, y)) {
            if (kind == trackcols::kVolume || kind == trackcols::kPan || kind == trackcols::kPatch)
                ShareChannelSettings(row.track, v);
            Modified();
            RedrawCells(row.track, {kind});
            if (kind == trackcols::kVoices) RedrawAll();
        }
        return;
    }
    OpenField(r, trackcols::PositionOfKind(kind), kind);
}

void CTrackView::OpenField(int r, int c, int kind) {
    CTrack* track = TrackOfRow(r);
    if (!track || c < 0) return;
    const int voice = EditVoice(r);
    const int v = std::max(voice, 0);
    int value = 0, lo = 0, hi = 0;
    switch (kind) {
    case trackcols::kVolume: value = track->GetVoiceVolume(v) == kNoVolume ? -1 : track->GetVoiceVolume(v), lo = -1, hi = 127; break;
    case trackcols::kPan: value = track->GetVoicePan(v), lo = -64, hi = 63; break;
    case trackcols::kTranspose: value = track->GetVoiceTranspose(v), lo = -36, hi = 36; break;
    case trackcols::kChannel: value = track->GetVoiceChannel(v) + 1, lo = 1, hi = 16; break;
    case trackcols::kPatch: {
        const int count = GetNameMgr()->GetPatchCount(track->GetDevice(), 0, std::uint32_t(track->GetVoicePatch(v)));
        value = track->GetVoiceProgram(v) + 1, lo = 0, hi = count > 0 ? count : 128;
        break;
    }
    case trackcols::kVoices: value = track->GetVoiceCount(), lo = 1, hi = 8; break;
    default: return;
    }
    RECT cell = CellRect(r, c);
    cell.left += 1;
    cell.top += 1;
    cell.right -= 1;
    cell.bottom -= 1;
    CTVNumeric* field = kind == trackcols::kPatch ? new CPatchNumeric(this, rows[r].track, voice, kind)
                                                  : new CTVNumeric(this, rows[r].track, voice, kind);
    field->Init(std::clamp(value, lo, hi), lo, hi, cell, nullptr);
    field->SetFont(g_draw.standardFontRefs[0]);
    field->shownValue = field->value;
    field->active = 1;
    g_sequencer.currentField = field;
    g_ui.currentNumeric = field;
    field->Draw();
}

void CTrackView::ClickDevice(int r, int c, int x, int y) {
    const Row row = rows[r];
    CTrack* track = TrackOfRow(r);
    const POINT p = ToScreen(x, y);
    if (row.marks & kFirstRow) {
        if (x - trackcols::Left(c) < 12) {
            if (g_sequencer.redirectDialog && g_sequencer.redirectDialog(*track)) Modified();
        } else if (track->PopupDevice(int(p.x), int(p.y))) {
            Modified();
        }
        RedrawCells(row.track, {trackcols::kDevice, trackcols::kChannel, trackcols::kBank, trackcols::kPatch});
        return;
    }
    if (track->PopupSound(int(p.x), int(p.y), row.voice)) {
        Modified();
        document->OnCommandRange(kRedrawScoreCommand);
        RedrawCells(row.track, {trackcols::kDevice, trackcols::kBank, trackcols::kPatch});
    }
}

void CTrackView::ClickBank(int r, int x, int y) {
    const Row row = rows[r];
    if (row.marks & kExpandedRow) return;
    CTrack* track = TrackOfRow(r);
    if (track->IsSamplePlayerTrack()) return;
    const POINT p = ToScreen(x, y);
    if (!track->PopupBank(int(p.x), int(p.y), EditVoice(r))) return;
    ShareChannelSettings(row.track, std::max(EditVoice(r), 0));
    Modified();
    RedrawCells(row.track, {trackcols::kBank, trackcols::kPatch});
}

void CTrackView::ShareChannelSettings(int trackIndex, int voice) {
    CTrack* edited = score ? score->GetTrack(trackIndex) : nullptr;
    if (!edited) return;
    const int channel = edited->GetVoiceChannel(voice);
    for (int t = 0; t < score->GetTrackCount(); ++t) {
        CTrack* other = score->GetTrack(t);
        if (!other) continue;
        bool changed = false;
        for (int v = 0; v < CTrack::kVoices; ++v) {
            if ((t == trackIndex && v == voice) || other->GetVoiceChannel(v) != channel) continue;
            // Each value passes where both are set and they differ.
            const std::int32_t patch = edited->GetVoicePatch(voice), otherPatch = other->GetVoicePatch(v);
            if (patch != -1 && otherPatch != -1 && patch != otherPatch) {
                other->SetVoicePatch(v, patch, false);
                changed = true;
            }
            const int volume = edited->GetVoiceVolume(voice), otherVolume = other->GetVoiceVolume(v);
            if (volume != kNoVolume && otherVolume != kNoVolume && volume != otherVolume) {
                other->SetVoiceVolume(v, volume, false);
                changed = true;
            }
            if (other->GetVoicePan(v) != edited->GetVoicePan(voice)) {
                other->SetVoicePan(v, edited->GetVoicePan(voice), false);
                changed = true;
            }
        }
        if (changed && t != trackIndex) RedrawCells(t, {trackcols::kVolume, trackcols::kPan, trackcols::kBank, trackcols::kPatch});
    }
}

bool CTrackView::KeyChar(UINT key, UINT flags) {
    if (!document) return false;
    if (key == ' ' && g_sequencer.currentField) {
        EndField();
        return true;
    }
    if (CTVNumeric* field = g_sequencer.currentField) {
        field->TypeKey(key, flags);
        return true;
    }
    // The key's flags carry its scan code in their low byte.
    return document->OnKeyChar(int(key), int(flags & 0xFF));
}
