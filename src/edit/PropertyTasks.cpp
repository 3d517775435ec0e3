#include "edit/PropertyTasks.h"

#include <algorithm>
#include <cstring>

#include "edit/BarNumDlg.h"
#include "edit/EditStandIns.h"
#include "edit/Transcriber.h"
#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/BarNumber.h"
#include "model/ChordRecords.h"
#include "model/ItemArray.h"
#include "model/ModelGlobals.h"
#include "model/PlaybackMarks.h"
#include "model/Score.h"
#include "model/Text.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "platform/Handles.h"

namespace {

// Where a record lies: its track and bar; false when no run of the score holds it.
bool Locate(CScore& score, const CBarItem* item, int* track, int* bar) {
    for (int b = 0; b < score.GetBarCount(); ++b)
        for (int t = 0; t < score.GetTrackCount(); ++t) {
            CTrkBar* tb = score.GetTrkBar(t, b);
            for (CBarItem* i = tb->GetItems(); i && i->TypeCode() != 255; i = i->NextItem())
                if (i == item) {
                    *track = t;
                    *bar = b;
                    return true;
                }
        }
    return false;
}

void CopyBytes(CBarItem* to, const std::vector<std::uint8_t>& from, int at, int n) {
    if (int(from.size()) < at + n || to->RecordSizeField() < at + n) return;
    std::memcpy(reinterpret_cast<std::uint8_t*>(to) + at, from.data() + at, std::size_t(n));
}

}  // namespace

// --- dynamics and hairpins -----------------------------------------------------------------------

bool CEditLikeItemsTask::Prepare() {
    if (!score || !document) return false;
    auto* item = static_cast<CBarItem*>(g_model.hitItem);
    if (!item || item->TypeCode() != ItemType() || !Locate(*score, item, &editedTrack, &editedBar)) return false;
    edited = item;
    // The scratch record is the item's own size.
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(item);
    scratch.assign(bytes, bytes + item->RecordSizeField());
    scope = ScopeGlobal();
    CItemPropertyDlg dlg(DialogId(), scratch.data(), &scope);
    if (!dlg.RunModal()) return false;
    ScopeGlobal() = scope;
    return true;
}

bool CEditLikeItemsTask::Perform() {
    if (!score || !document || !edited) return true;
    if (!SaveTrackBar(editedTrack, editedBar)) ThrowOutOfMemory();
    std::memcpy(edited, scratch.data(), std::min<std::size_t>(scratch.size(), std::size_t(edited->RecordSizeField())));
    const int reach = Reach();
    if (reach > 0) {
        const int firstTrack = reach == 2 ? 0 : editedTrack;
        const int lastTrack = reach == 2 ? score->GetTrackCount() - 1 : editedTrack;
        for (int t = firstTrack; t <= lastTrack; ++t)
            for (int b = 0; b < score->GetBarCount(); ++b) {
                CTrkBar* tb = score->GetTrkBar(t, b);
                for (CBarItem* i = tb->GetItems(); i && i->TypeCode() != 255; i = i->NextItem()) {
                    if (i->IsRemoved() || i == edited || i->TypeCode() != ItemType() || !IsLike(i)) continue;
                    if (!SaveTrackBar(t, b)) ThrowOutOfMemory();
                    CopyProperties(i);
                    AddItemRect(i);
                }
            }
    }
    AddItemRect(edited);
    return true;
}

int& CEditDynamicTask::ScopeGlobal() const { return g_edit.dynamicScope; }
int CEditDynamicTask::ItemType() const { return CDynamic::kType; }
bool CEditDynamicTask::IsLike(CBarItem* item) const {
    return (CDynamic::Of(item)->Flags() >> 4) == (scratch[CDynamic::kFlags] >> 4);
}
void CEditDynamicTask::CopyProperties(CBarItem* to) const {
    // The mark, its playback kind and voices, the velocity, controller and voice: not its place.
    CopyBytes(to, scratch, CDynamic::kFlags, 2);
    CopyBytes(to, scratch, CDynamic::kController, 2);
}

int& CEditCrescTask::ScopeGlobal() const { return g_edit.hairpinScope; }
int CEditCrescTask::ItemType() const { return CCresc::kType; }
bool CEditCrescTask::IsLike(CBarItem* item) const {
    return CCresc::Of(item)->GetShape() == (scratch[CCresc::kFlags] & 3);
}
void CEditCrescTask::CopyProperties(CBarItem* to) const {
    // The flags, controller and vertical places, the seven curve values, the text with its font
    // and the end marks: not its start or end.
    CopyBytes(to, scratch, CCresc::kFlags, CCresc::kEndBar - CCresc::kFlags);
    CopyBytes(to, scratch, CCresc::kCurve, CCresc::kCurvePoints);
    CopyBytes(to, scratch, CCresc::kFont, CCresc::kReserved - CCresc::kFont);
}

// --- copy-back edits ----------------------------------------------------------------------------

namespace {
// The bar whose own items hold a record; -1 when none does.
int OwnerBar(CScore& score, const CBarItem* item) {
    for (int b = 0; b < score.GetBarCount(); ++b) {
        CItemArray* own = score.GetBar(b)->GetItemArray();
        for (int k = 0; own && k < own->GetCount(); ++k)
            if (own->GetAt(k) == item) return b;
    }
    return -1;
}
}  // namespace

bool CCopyBackTask::Prepare() {
    if (!score || !document) return false;
    auto* item = static_cast<CBarItem*>(g_model.hitItem);
    if (!item || item->TypeCode() != ItemType()) return false;
    if (!Locate(*score, item, &editedTrack, &editedBar)) {
        editedTrack = -1;
        editedBar = OwnerBar(*score, item);
        if (editedBar < 0) return false;
    }
    edited = item;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(item);
    scratch.assign(bytes, bytes + item->RecordSizeField());
    return RunDialog();
}

bool CCopyBackTask::RunDialog() {
    int noScope = 0;
    CItemPropertyDlg dlg(DialogId(), scratch.data(), &noScope);
    return dlg.RunModal();
}

bool CCopyBackTask::SaveItem() {
    return editedTrack >= 0 ? SaveTrackBar(editedTrack, editedBar) : SaveBar(editedBar);
}

bool CCopyBackTask::Perform() {
    if (!score || !document || !edited) return true;
    if (!SaveItem()) ThrowOutOfMemory();
    std::memcpy(edited, scratch.data(), std::min<std::size_t>(scratch.size(), std::size_t(edited->RecordSizeField())));
    AddItemRect(edited);
    return true;
}

bool CEndingTask::SaveItem() {
    return SaveBar(editedBar) && SaveTrackBarRange(0, editedBar, score->GetTrackCount() - 1, editedBar);
}

bool CEndingTask::Perform() {
    CCopyBackTask::Perform();
    if (score && document && edited) document->SetCurrentBar(editedBar, false);
    SetLayoutChanged(true);
    return true;
}

bool CEditGuitarFrameTask::Prepare() {
    if (!CCopyBackTask::Prepare()) return false;
    // The frame's bar is saved before the dialog's frame is written, so that undo gives it back.
    if (!SaveItem()) ThrowOutOfMemory();
    std::memcpy(edited, scratch.data(), std::min<std::size_t>(scratch.size(), std::size_t(edited->RecordSizeField())));
    AddItemRect(edited);
    return true;
}

// --- expressions ---------------------------------------------------------------------------------

bool CEditExprTask::Prepare() {
    if (!CCopyBackTask::Prepare()) return false;
    // The span is held so that the expression ends at the score's last bar at the latest.
    const int span = rec::Get<std::int16_t>(scratch.data(), CExpression::kEndBar);
    if (editedBar + span > score->GetBarCount() - 1)
        rec::Put<std::int16_t>(scratch.data(), CExpression::kEndBar, std::int16_t(score->GetBarCount() - editedBar - 1));
    return true;
}

bool CEditExprTask::Perform() {
    if (!score || !document || !edited) return true;
    CBar* bar = score->GetBar(editedBar);
    if (!SaveBar(editedBar) || (editedTrack >= 0 && !SaveTrackBar(editedTrack, editedBar))) ThrowOutOfMemory();
    const bool wasMeasureLevel = CExpression::Of(edited)->IsKind1();
    AddItemRect(edited);
    edited->MarkRemoved();
    auto* record = reinterpret_cast<CBarItem*>(scratch.data());
    const bool measureLevel = CExpression::Of(record)->IsKind1();
    CBarItem* placed = nullptr;
    if (measureLevel) {
        placed = bar->InsertItemSorted(record);
    } else {
        CTrkBar* tb = score->GetTrkBar(editedTrack >= 0 ? editedTrack : std::max(0, int(document->location.trackIndex)), editedBar);
        if (editedTrack < 0 && !SaveTrackBar(tb->GetTrackIndex(), editedBar)) ThrowOutOfMemory();
        tb->SetCurrent();
        placed = tb->InsertCopy(record);
    }
    if (!placed) ThrowOutOfMemory();
    edited = nullptr;
    if (wasMeasureLevel || measureLevel) {
        SetLayoutChanged(true);
        score->RecalcBars(false);
    } else {
        AddItemRect(placed);
    }
    return true;
}

// --- the capo ------------------------------------------------------------------------------------

bool CCapoTask::RunDialog() {
    CCapoDlg dlg(&fret, &mode);
    return dlg.RunModal();
}

bool CCapoTask::Prepare() {
    if (!score || !document) return false;
    fret = score->capoFret;
    mode = score->capoMode;
    if (!RunDialog()) return false;
    fret = std::clamp(fret, 0, 24);
    mode = std::clamp(mode, 0, 2);
    return true;
}

bool CCapoTask::Perform() {
    // The score takes the capo here rather than when the dialog closes, so that undo gives the
    // score's own bytes back.
    if (score) {
        keptFret = score->capoFret;
        keptMode = score->capoMode;
        score->capoFret = std::uint8_t(fret);
        score->capoMode = std::uint8_t(mode);
    }
    SetDeselect(true);
    Walk();
    return true;
}

void CCapoTask::SwapSnapshot() {
    if (score) {
        std::swap(score->capoFret, keptFret);
        std::swap(score->capoMode, keptMode);
    }
    CCruise::SwapSnapshot();
}

void CCapoTask::DoItem() {
    CBarItem* item = curItem;
    if (!item || item->TypeCode() != CGuitarFrame::kType || item->RecordSizeField() < CGuitarFrame::kCapoFlags + 1) return;
    auto* frame = static_cast<CGuitarFrame*>(item);
    frame->SetCapo(fret);
    frame->SetTabMode(mode);
    AddItemRect(item);
    changed = 1;
}

// --- enclosures ----------------------------------------------------------------------------------

bool CEditEnclosureTask::HasEnclosure(CBarItem* item) {
    if (!item || !item->CanHaveFrame()) return false;
    const int type = item->TypeCode();
    if (type == CBarNumber::kTypeCode) return item->RecordSizeField() >= CBarNumber::kSize;
    return (type == CText::kTypeCode || type == CText::kPageTypeCode) && item->RecordSizeField() >= CText::kFixedSize;
}

CEditEnclosureTask::Enclosure CEditEnclosureTask::GetEnclosure(CBarItem* item) {
    Enclosure e;
    if (!HasEnclosure(item)) return e;
    if (item->TypeCode() == CBarNumber::kTypeCode) {
        std::memcpy(e.frame, item->Bytes() + CBarNumber::kEnclosure, sizeof e.frame);
        e.enclosed = (item->Bytes()[CBarNumber::kFlags] & CBarNumber::kEnclosedBit) ? 1 : 0;
    } else {
        e.enclosed = static_cast<CText*>(item)->GetFrame(e.frame) ? 1 : 0;
    }
    return e;
}

void CEditEnclosureTask::SetEnclosure(CBarItem* item, const Enclosure& e) {
    if (!HasEnclosure(item)) return;
    if (item->TypeCode() == CBarNumber::kTypeCode) {
        std::memcpy(item->Bytes() + CBarNumber::kEnclosure, e.frame, sizeof e.frame);
        std::uint8_t& flags = item->Bytes()[CBarNumber::kFlags];
        flags = std::uint8_t(e.enclosed ? (flags | CBarNumber::kEnclosedBit) : (flags & ~CBarNumber::kEnclosedBit));
    } else {
        static_cast<CText*>(item)->SetFrame(e.frame, e.enclosed != 0);
    }
    item->Invalidate();
}

bool CEditEnclosureTask::IsLike(CBarItem* item) const {
    return item && item != edited && !item->IsRemoved() && item->TypeCode() == edited->TypeCode();
}

bool CEditEnclosureTask::Prepare() {
    if (!score || !document) return false;
    auto* item = static_cast<CBarItem*>(g_model.hitItem);
    if (!HasEnclosure(item)) return false;
    pageText = false;
    CPageTextArray* texts = score->GetPageTextArray();
    for (int i = 0; texts && i < texts->GetCount() && !pageText; ++i) pageText = score->GetPageText(i) == item;
    if (!pageText && !Locate(*score, item, &editedTrack, &editedBar)) {
        editedTrack = -1;
        editedBar = OwnerBar(*score, item);
        if (editedBar < 0) return false;
    }
    edited = item;
    enclosure = GetEnclosure(item);
    applyToAll = g_edit.enclosureApplyToAll;
    CItemPropertyDlg dlg(kDialog, &enclosure, &applyToAll);
    if (!dlg.RunModal()) return false;
    g_edit.enclosureApplyToAll = applyToAll;
    return true;
}

bool CEditEnclosureTask::Perform() {
    if (!score || !document || !edited) return true;
    if (!pageText) document->SetCurrentBar(editedBar, false);
    edited->Invalidate();
    edited->Deselect();
    if (pageText) {
        if (!SavePageTexts()) ThrowOutOfMemory();
        SetEnclosure(edited, enclosure);
        CPageTextArray* texts = score->GetPageTextArray();
        for (int i = 0; applyToAll && texts && i < texts->GetCount(); ++i)
            if (CBarItem* t = score->GetPageText(i); IsLike(t)) SetEnclosure(t, enclosure);
    } else if (editedTrack < 0) {
        // One of a bar's own items: a bar number (which every later bar without its own shows)
        // or a system text. Each bar whose items change is saved.
        if (!SaveBar(editedBar)) ThrowOutOfMemory();
        SetEnclosure(edited, enclosure);
        for (int b = 0; applyToAll && b < score->GetBarCount(); ++b) {
            CItemArray* own = score->GetBar(b)->GetItemArray();
            for (int k = 0; own && k < own->GetCount(); ++k) {
                auto* i = static_cast<CBarItem*>(own->GetAt(k));
                if (!IsLike(i)) continue;
                if (!SaveBar(b)) ThrowOutOfMemory();
                SetEnclosure(i, enclosure);
            }
        }
    } else {
        if (!SaveTrackBar(editedTrack, editedBar)) ThrowOutOfMemory();
        SetEnclosure(edited, enclosure);
        for (int t = 0; applyToAll && t < score->GetTrackCount(); ++t)
            for (int b = 0; b < score->GetBarCount(); ++b) {
                CTrkBar* tb = score->GetTrkBar(t, b);
                for (CBarItem* i = tb->GetItems(); i && i->TypeCode() != 255; i = i->NextItem()) {
                    if (!IsLike(i)) continue;
                    if (!SaveTrackBar(t, b)) ThrowOutOfMemory();
                    SetEnclosure(i, enclosure);
                }
            }
    }
    SetLayoutChanged(true);
    return true;
}

// --- bar numbers ---------------------------------------------------------------------------------

namespace {
// The fields of two bar-number records that decide whether a bar shows another style: flag
// bits 1-4, the show mode and first letter, the offsets and interval, the font.
bool SameStyle(const std::uint8_t* a, const std::uint8_t* b) {
    if ((a[CBarNumber::kFlags] & 0x1E) != (b[CBarNumber::kFlags] & 0x1E)) return false;
    if (std::memcmp(a + CBarNumber::kShowMode, b + CBarNumber::kShowMode, 2) != 0) return false;
    for (int at : {int(CBarNumber::kXOffset), int(CBarNumber::kYOffset), int(CBarNumber::kNumberOffset), int(CBarNumber::kInterval)})
        if (std::memcmp(a + at, b + at, 2) != 0) return false;
    return std::memcmp(a + CBarNumber::kFont, b + CBarNumber::kFont, 6) == 0;
}
}  // namespace

bool CBarNumTask::Prepare() {
    if (!score || !document || score->GetBarCount() <= 0) return false;
    CBar* bar = nullptr;
    if (name == kEdit && g_model.hitBar) bar = g_model.hitBar;
    if (!bar) bar = score->GetBar(std::clamp<int>(document->location.barIndex, 0, score->GetBarCount() - 1));
    barIndex = std::int16_t(bar->GetIndex());
    // The governing item: the bar's own, or the one its link names (a link outside the score
    // is none).
    CBarItem* governing = bar->GetBarNumberItem(false);
    if (name == kEdit && !governing) return false;
    std::memset(record, 0, sizeof record);
    if (governing) {
        std::memcpy(record, governing, std::min<int>(kRecordSize, governing->RecordSizeField()));
    } else {
        rec::Put<std::int16_t>(record, rec::kSize, std::int16_t(kRecordSize));
        if (!CBarNumber::Construct(record)) return false;
        // A new bar number takes the score's bar-number font.
        std::memcpy(record + CBarNumber::kFont, &score->textFont1, sizeof(FontRef));
    }
    reinterpret_cast<CBarItem*>(record)->SetFlagsB(std::uint8_t(reinterpret_cast<CBarItem*>(record)->FlagsB() & ~CBarItem::kSelectedBit));
    CBarNumDlg dlg(record, barIndex, document->location.trackIndex);
    return dlg.RunModal(CBarNumDlg::kTemplateId);
}

bool CBarNumTask::Perform() {
    if (!score || !document) return true;
    CBar* bar = score->GetBar(barIndex);
    if (!bar) return true;
    if (!SaveBar(barIndex)) ThrowOutOfMemory();
    bar->RemoveBarNumberItem();
    score->Reindex();
    bar = score->GetBar(barIndex);
    CBarItem* inherited = barIndex > 0 ? bar->GetBarNumberItem(false) : nullptr;
    const bool same = inherited && SameStyle(reinterpret_cast<const std::uint8_t*>(inherited), record);
    if (!same && !bar->InsertItemSorted(reinterpret_cast<CBarItem*>(record))) ThrowOutOfMemory();
    score->Reindex();
    // The score's bar-number font becomes the record's (undo gives the old one back).
    keptFont = score->textFont1;
    std::memcpy(&score->textFont1, record + CBarNumber::kFont, sizeof(FontRef));
    fontTaken = true;
    SetLayoutChanged(true);
    return true;
}

void CBarNumTask::SwapSnapshot() {
    if (score && fontTaken) std::swap(score->textFont1, keptFont);
    CCruise::SwapSnapshot();
}
