#include "model/TextTask.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "framework/Arith.h"
#include "framework/CmdUI.h"
#include "framework/MessageBox.h"
#include "framework/StringTable.h"
#include "model/Bar.h"
#include "model/ItemArray.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Text.h"
#include "model/TrkBar.h"
#include "model/ViewInterface.h"
#include "model/ZelDoc.h"

namespace {

TextTaskListener& Listener() {
    static TextTaskListener listener = nullptr;
    return listener;
}

void Tell(int stringId) {
    std::string text;
    fw::LoadStringResource(stringId, text);
    AfxMessageBox(text.c_str(), MB_OK | MB_ICONEXCLAMATION);
}


RECT Inflated(RECT r, int n) {
    r.left -= n;
    r.top -= n;
    r.right += n;
    r.bottom += n;
    return r;
}

}  // namespace

using textrecord::PutFont;
using textrecord::PutWord;

void SetTextTaskListener(TextTaskListener listener) { Listener() = listener; }

CTextTask::CTextTask() = default;

CTextTask::~CTextTask() {
    if (document && document->textTask == this) document->textTask = nullptr;
    if (editor && Listener()) Listener()(nullptr);
    editor.reset();
}

CStaff* CTextTask::MeasureStaff() const {
    if (textKind == CText::kPageText || !score) return nullptr;
    CBar* bar = score->GetBar(location.barIndex);
    if (textKind == CText::kStaffText || textKind == CText::kMarkingText) {
        CLine* line = bar ? bar->GetLine() : nullptr;
        if (CStaff* first = line ? line->GetStaff(CLine::kFirstShown) : nullptr) return first;
    }
    return location.staff;
}

int CTextTask::ScaleToView(int v) const {
    const int zoom = document ? document->GetZoom() : 100;
    if (CStaff* staff = MeasureStaff()) return staff->ScaleLength(v);
    return zoom > 0 ? MulDiv(v, zoom, 100) : v;
}

int CTextTask::ScaleFromView(int v) const {
    const int zoom = document && document->GetZoom() > 0 ? document->GetZoom() : 100;
    int k = zoom != 100 ? MulDiv(v, 100, zoom) : v;
    if (CStaff* staff = MeasureStaff()) {
        const int scale = staff->GetScalePercent();
        if (scale > 0 && scale != 100) k = MulDiv(k, 100, scale);
        // The smallest size that reaches the view size, so that a size round-trips.
        for (int i = 0; i < 64 && k > 0 && ScaleToView(k - 1) >= v; ++i) --k;
        for (int i = 0; i < 64 && ScaleToView(k) < v; ++i) ++k;
    }
    return k;
}

bool CTextTask::Start(CZelDoc* doc, CBarItem* item, int x, int y, bool lyric) {
    Attach(doc, lyric ? kLyricNameId : kTextNameId);
    doc->PushUndo(this);
    lyricMode = lyric ? 1 : 0;
    newItem = item ? 0 : 1;
    edgeMargin = 0;
    click = POINT{x, y};
    pane = doc->currentPane;
    CWnd* parent = pane ? pane->PaneWindow() : nullptr;
    CPage* page = score ? score->GetPage(pane ? pane->GetPageIndex() : location.pageIndex) : nullptr;
    if (page) {
        const RECT paper = page->GetPaperRect();
        paperOrigin = POINT{paper.left, paper.top};
    }
    flags[0] = lyric ? 0 : 1;

    if (item && lyric) {
        // A syllable: its own record is read by the lyric task.
        kindByte = rec::Get<std::uint8_t>(item, 14);
        textKind = CText::kBarText;
        oldItem = item;
    } else if (item) {
        auto* text = reinterpret_cast<CText*>(item);
        kindByte = rec::Get<std::uint8_t>(item, 14);
        textKind = item->TypeCode() == CText::kPageTypeCode ? CText::kPageText : text->GetKind();
        background = text->IsOpaque() ? 1 : 0;
        alignment = text->GetAlignment();
        scratch.assign(item->Bytes(), item->Bytes() + CText::kFixedSize);
        oldItem = item;
        if (CPageTextArray* texts = textKind == CText::kPageText && score ? score->GetPageTextArray() : nullptr)
            for (int i = 0; i < texts->GetCount(); ++i)
                if (texts->GetAt(i) == item) oldPageText = i;
    } else {
        textKind = std::clamp<int>(textKind, 0, 3);
        currentFont = g_preferences.Font(lyric ? 4 : textKind);
        std::vector<std::uint8_t> buffer(256);
        CText* t = CText::MakePlain(buffer.data(), int(buffer.size()),
                                    textKind == CText::kPageText ? CText::kPageTypeCode : CText::kTypeCode, textKind,
                                    "", currentFont, false);
        if (t) {
            std::uint8_t frame[CText::kFrameSize];
            CText::DefaultFrame(frame);
            t->SetFrame(frame, textKind == CText::kMarkingText);
            scratch.assign(buffer.begin(), buffer.begin() + CText::kFixedSize);
        }
    }
    if (scratch.size() < std::size_t(CText::kFixedSize)) scratch.assign(CText::kFixedSize, 0);

    // The undo snapshot: the page texts, or the bar and the track's bar.
    if (textKind == CText::kPageText) SavePageTexts();
    else {
        SaveBar(location.barIndex);
        SaveTrackBar(location.trackIndex, location.barIndex);
    }

    if (item) TakeOverItem(item, editRect);
    else editRect = RECT{x, y, x + std::max(1, ScaleToView(1)), y + 1};

    editor = std::make_unique<CTextEdit>();
    if (!parent || !editor->Init(Inflated(editRect, edgeMargin), parent, edgeMargin, lyric)) {
        editor.reset();
        if (doc->GetUndoCount() > 0 && doc->GetUndoEntry(doc->GetUndoCount() - 1) == this) doc->DropNewestUndo();
        return false;
    }
    doc->textTask = this;
    editor->resizable = 1;
    editor->background = background;
    editor->onEnd = [p = pane] {
        if (p) p->CloseTextEditor();
    };
    editor->onChange = [this] { SyncState(); };
    if (item) {
        LoadText(item);
    } else {
        SetEditFont(currentFont);
        editor->SetSel(0, 0);
    }
    editor->SetAlignment(alignment);
    // A new text's height is the font's line.
    const SIZE wanted = editor->GetWantedSize();
    if (!item && wanted.cy > 0) editRect.bottom = editRect.top + wanted.cy;
    editor->MoveWindow(Inflated(editRect, edgeMargin), TRUE);
    editor->FitWidth();
    editor->SetRequestResize([this](const RECT& want) {
        if (!editor || !pane) return;
        RECT r{};
        editor->GetWindowRect(&r);
        if (CWnd* p = editor->GetParent()) p->ScreenToClient(&r);
        if (want.bottom - want.top > 0) r.bottom = r.top + (want.bottom - want.top);
        pane->OnRequestResize(r);
    });
    editor->ShowWindow(SW_SHOW);
    // A click on a text puts the caret where it landed.
    if (item && !lyric && (x || y)) {
        const int at = editor->CharFromPos(POINT{x - editRect.left + edgeMargin, y - editRect.top + edgeMargin});
        editor->SetSel(at, at);
    }
    editor->SetFocus();
    SyncState();
    if (Listener()) Listener()(this);
    return true;
}

void CTextTask::TakeOverItem(CBarItem* item, RECT& rect) {
    auto* t = reinterpret_cast<CText*>(item);
    CPage* page = score ? score->GetPage(location.pageIndex) : nullptr;
    RECT r{};
    if (textKind == CText::kPageText && page) {
        const RECT margin = page->GetPrintableRect();
        const int w = page->ScaleToView(std::abs(t->GetWidth()));
        switch (t->GetPageAnchor()) {
        case 2: r.left = margin.right - w; break;
        case 1: r.left = margin.left + (margin.right - margin.left - w) / 2; break;
        default: r.left = margin.left;
        }
        r.left += page->ScaleToView(t->GetX());
        r.right = r.left + w;
        r.top = margin.top + page->ScaleToView(t->GetY());
        r.bottom = r.top + page->ScaleToView(std::abs(t->GetHeight()));
    } else if (CStaff* staff = MeasureStaff(); staff && score->GetBar(location.barIndex)) {
        CBar* bar = score->GetBar(location.barIndex);
        r.left = bar->FractionToX(item->PositionField()) + staff->ScaleOffset(t->GetX());
        r.top = staff->OffsetToY(t->GetY());
        r.right = r.left + staff->ScaleOffset(std::abs(t->GetWidth()));
        r.bottom = r.top + staff->ScaleOffset(std::abs(t->GetHeight()));
    }
    // Page pixels to the pane's.
    rect = RECT{r.left - paperOrigin.x + 1, r.top - paperOrigin.y, r.right - paperOrigin.x + 1, r.bottom - paperOrigin.y};
    if (rect.bottom <= rect.top) rect.bottom = rect.top + 1;
    AddDirtyRect(Inflated(r, 4), location.pageIndex);
}

void CTextTask::LoadText(CBarItem* item) {
    auto* t = reinterpret_cast<CText*>(item);
    if (!t->CheckLayout()) return;
    const std::string text(t->GetText(), strnlen(t->GetText(), std::size_t(std::max<int>(0, t->GetTextLength()))));
    editor->SetAllText(text.c_str());
    if (t->IsSingleFont()) {
        editor->SetSel(0, -1);
        SetEditFont(t->GetSingleFont());
    } else {
        for (int i = 0; i < t->GetRunCount(); ++i) {
            editor->SetSel(t->GetRunOffset(i), -1);
            SetEditFont(t->GetRunFont(i));
        }
    }
    editor->SetSel(0, 0);
}

void CTextTask::GetEditFont(FontRef& f) {
    if (!editor) {
        f = font;
        return;
    }
    editor->GetCaretFont(f);
    f.size = std::uint16_t(ScaleFromView(f.size));
}

void CTextTask::SetEditFont(const FontRef& f) {
    if (!editor) return;
    FontRef view = f;
    view.size = std::uint16_t(std::max(1, ScaleToView(f.size)));
    editor->SetSelectionFont(view);
}

int CTextTask::GetAlignment() const { return editor ? editor->GetAlignment() : alignment; }

void CTextTask::SyncState() {
    if (!editor) return;
    GetEditFont(font);
    styleBits = font.style & 7;
    alignment = editor->GetAlignment();
    background = editor->background;
    flags[1] = background;
    visible = background;
}

void CTextTask::ApplyFont() {
    if (!editor) return;
    FontRef f;
    GetEditFont(f);
    f.face = font.face;
    f.size = font.size;
    SetEditFont(f);
    SyncState();
}

void CTextTask::OnCommand(int id) {
    lastCommand = id;
    if (!editor) return;
    editor->OnEditCommand(id);
    SyncState();
}

void CTextTask::OnUpdateCommand(CCmdUI* entry) {
    if (!entry) return;
    if (editor) editor->UpdateEditMenu(entry);
    else entry->Enable(true);
}

void CTextTask::ResizeEditor(const RECT& rect) {
    if (!editor) return;
    editor->MoveWindow(rect, TRUE);
    RECT client{};
    editor->GetClientRect(&client);
    editor->SetRect(client);
}

bool CTextTask::BuildRecord(std::vector<std::uint8_t>& record, int* refusal) {
    if (refusal) *refusal = 0;
    const std::string text = editor->GetText();
    const int chars = editor->GetTextLength();
    if (chars == 0) return false;
    if (chars > kMaxCharacters) {
        if (refusal) *refusal = kTooLongString;
        return false;
    }
    const int lineCount = editor->GetLineCount();
    if (lineCount > kMaxLines) {
        if (refusal) *refusal = kTooManyLinesString;
        return false;
    }
    std::string stored;
    for (char c : text)
        if (c != '\n') stored += c;

    // The style runs, walking the caret.
    std::vector<std::pair<int, FontRef>> runs;
    int keepStart = 0, keepEnd = 0;
    editor->GetSel(keepStart, keepEnd);
    FontRef last{};
    last.size = 65535;
    for (int i = 0; i < chars; ++i) {
        editor->SetSel(i, i);
        FontRef f;
        GetEditFont(f);
        if (std::memcmp(&f, &last, sizeof f) != 0) {
            runs.emplace_back(std::max(0, i - 1), f);
            last = f;
        }
    }
    editor->SetSel(keepStart, keepEnd);

    // The lines: measured by the editor, in score units through the text's reference.
    CPage* page = score ? score->GetPage(location.pageIndex) : nullptr;
    CStaff* staff = MeasureStaff();
    const auto fromView = [&](int v) {
        if (textKind == CText::kPageText) return page ? page->ScaleFromView(v) : v;
        return staff ? staff->UnscaleOffset(v) : v;
    };
    struct Line {
        int first, width, ascent, height;
    };
    std::vector<Line> lines;
    int widest = 0;
    for (int l = 0; l < lineCount; ++l) {
        const CRichEditCtrl::LineMetrics m = editor->GetLineMetrics(l);
        widest = std::max(widest, m.width);
        lines.push_back(Line{editor->LineIndex(l), fromView(m.width), fromView(m.ascent), fromView(m.height)});
    }

    // The record: the fixed part, the text, then one font or the tables.
    const int lengthWord = CText::EvenTextLength(int(stored.size()));
    record.assign(scratch.begin(), scratch.end());
    record.resize(CText::kFixedSize + std::size_t(lengthWord), 0);
    std::memcpy(record.data() + CText::kText, stored.data(), stored.size());
    const bool single = runs.size() == 1 && lines.size() == 1;
    if (single) {
        PutFont(record, runs.front().second);
    } else {
        PutWord(record, int(runs.size()));
        for (const auto& [first, f] : runs) {
            PutWord(record, first);
            PutFont(record, f);
        }
        PutWord(record, int(lines.size()));
        for (const Line& l : lines) {
            PutWord(record, l.first);
            PutWord(record, l.width);
            PutWord(record, l.height);
            PutWord(record, l.ascent);
        }
    }
    if (record.size() > 0x7FFF) {
        if (refusal) *refusal = kTooBigString;
        return false;
    }
    auto* t = reinterpret_cast<CText*>(record.data());
    t->CBaseItem::SetSize(std::int16_t(record.size()));
    rec::Put(t, CText::kTextLength, std::int16_t(lengthWord));
    std::uint8_t textFlags = t->TextFlags() & CText::kFramedBit;
    if (editor->background) textFlags |= CText::kOpaqueBit;
    if (single) textFlags |= CText::kSingleFontBit;
    textFlags |= std::uint8_t((editor->GetAlignment() & 3) << 3);
    rec::Put(t, CText::kFlags, textFlags);
    t->SetKind(textKind);
    std::uint8_t placement = t->PlacementFlags() & ~CText::kSystemTextBit;
    if (textKind == CText::kStaffText || textKind == CText::kMarkingText) placement |= CText::kSystemTextBit;
    rec::Put(t, CText::kPlacement, placement);
    rec::Put(t, 14, std::uint8_t(kindByte));

    // The placement from the editing rectangle (its left edge one pixel left).
    const int left = int(editRect.left) - 1 + int(paperOrigin.x);
    const int top = int(editRect.top) + int(paperOrigin.y);
    if (textKind == CText::kPageText && page) {
        const RECT margin = page->GetPrintableRect();
        rec::Put<std::int32_t>(t, CText::kXOffset, page->ScaleFromView(left - int(margin.left)));
        rec::Put<std::int32_t>(t, CText::kYOffset, page->ScaleFromView(top - int(margin.top)));
        rec::Put<std::int16_t>(t, CText::kPageNumber, std::int16_t(location.pageIndex));
    } else if (CBar* bar = score ? score->GetBar(location.barIndex) : nullptr; bar && staff) {
        const int position = std::max<int>(0, bar->XToFraction(left));
        t->SetPositionField(std::int16_t(position));
        t->SetTimeField(std::int16_t(newItem ? int(location.time) : t->TimeField()));
        rec::Put<std::int32_t>(t, CText::kXOffset, staff->UnscaleOffset(left - bar->FractionToX(position)));
        rec::Put<std::int32_t>(t, CText::kYOffset, staff->YToOffset(top));
    }
    rec::Put<std::int32_t>(t, CText::kWidth, fromView(widest + 1));
    rec::Put<std::int32_t>(t, CText::kHeight, fromView(int(editRect.bottom - editRect.top)));
    return true;
}

void CTextTask::Finish() {
    CZelDoc* doc = document;
    if (doc && doc->textTask == this) doc->textTask = nullptr;
    if (Listener()) Listener()(nullptr);
    if (!editor) return;
    editor->ShowWindow(SW_HIDE);
    // The formatting rectangle in the pane's pixels.
    RECT window{};
    editor->GetWindowRect(&window);
    if (CWnd* p = editor->GetParent()) p->ScreenToClient(&window);
    const RECT format = editor->GetRect();
    editRect = RECT{window.left + format.left, window.top + format.top, window.left + format.right,
                    window.top + format.bottom};

    std::vector<std::uint8_t> record;
    int refusal = 0;
    const bool hasText = editor->GetTextLength() > 0;
    bool built = false;
    if (!newItem || hasText) built = BuildRecord(record, &refusal);
    editor.reset();
    const bool cancel = refusal != 0 || (newItem && !built);
    if (refusal) Tell(refusal);
    if (!cancel && score) {
        // The old text goes; the new record takes its place.
        CBarItem* removed = nullptr;  // a track bar's old record, marked removed
        if (!newItem && oldItem) {
            if (textKind == CText::kPageText) {
                if (CPageTextArray* texts = score->GetPageTextArray(); texts && oldPageText >= 0)
                    texts->Remove(texts->GetAt(oldPageText));
            } else if (rec::Get<std::uint8_t>(oldItem, CText::kPlacement) & CText::kSystemTextBit) {
                if (CBar* bar = score->GetBar(location.barIndex)) bar->RemoveItem(oldItem);
            } else {
                oldItem->MarkRemoved();
                removed = oldItem;
            }
            oldItem = nullptr;
        }
        if (built) {
            const auto* item = reinterpret_cast<const CBarItem*>(record.data());
            if (textKind == CText::kPageText) {
                if (CPageTextArray* texts = score->GetPageTextArray()) texts->Add(record.data());
            } else if (textKind == CText::kStaffText || textKind == CText::kMarkingText) {
                if (CBar* bar = score->GetBar(location.barIndex)) bar->InsertItemSorted(item);
            } else if (CTrkBar* trkBar = score->GetTrkBar(location.trackIndex, location.barIndex)) {
                // A failed insertion leaves the run where it was: the old record comes back.
                if (!trkBar->InsertCopy(item)) {
                    if (removed) removed->SetFlagsB(std::uint8_t(removed->FlagsB() & ~CBarItem::kRemovedBit));
                } else {
                    AfterStore();
                }
            }
        }
        changed = 1;
        AddDirtyRect(Inflated(RECT{editRect.left + paperOrigin.x, editRect.top + paperOrigin.y,
                                   editRect.right + paperOrigin.x, editRect.bottom + paperOrigin.y},
                              edgeMargin + 4),
                     location.pageIndex);
        if (doc) doc->SetModified(true);
        return;
    }
    // Nothing changed: the task leaves the undo list (and is deleted there).
    if (doc && doc->GetUndoCount() > 0 && doc->GetUndoEntry(doc->GetUndoCount() - 1) == this) doc->DropNewestUndo();
}

bool StartTextEntry(CBarItem& item) {
    CZelDoc* doc = g_model.currentDoc;
    if (!doc || !doc->currentPane || doc->textTask) return false;
    auto* task = new CTextTask;
    return task->Start(doc, &item, 0, 0, false);
}
