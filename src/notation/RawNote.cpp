#include "notation/RawNote.h"

#include <algorithm>
#include <cstring>

#include "model/BitOrder.h"
#include "model/ItemFactory.h"
#include "notation/NoteStandIns.h"
#include "platform/ChunkStream.h"

namespace {

const RawNoteBehaviour kRawNote;

constexpr BitLayout kStemLayout = kLayout_1_7;
constexpr BitLayout kNoteFlagsLayout = kLayout_1_1_1_3_1_1;
constexpr BitLayout kLinksLayout = kLayout_1_1_1_1_4;
constexpr BitLayout kHeadLayouts[4] = {kLayout_1_1_6, kLayout_1_1_1_1_2_1_1, kLayout_5_3, kLayout_2_1_1_1_3};

// Older files keep each head's duration, start offset and play bytes in another order.
constexpr int kHeadWordsVersion = 0x300;

CRawNote& Note(CScoreItem& item) { return static_cast<CRawNote&>(item); }

// The heads that lie whole inside the record.
int WholeHeads(CRawNote& note) {
    const int room = (note.RecordSizeField() - CRawNote::kHeads) / NoteHead::kSize;
    return std::clamp(note.HeadCountField(), 0, std::max(room, 0));
}

void SwapWord(std::uint8_t* p) { std::swap(p[0], p[1]); }

CRawHead* SetLink(CRawHead& item, std::uint8_t bit, int on) {
    auto& n = static_cast<CRawNote&>(item);
    n.SetLinks((on & 1) ? std::uint8_t(n.Links() | bit) : std::uint8_t(n.Links() & ~bit));
    return &item;
}

bool HasLink(CRawHead& item, std::uint8_t bit) { return (static_cast<CRawNote&>(item).Links() & bit) != 0; }

}  // namespace

const RawNoteBehaviour& RawNoteBehaviour::Instance() { return kRawNote; }

CRawNote* CRawNote::Construct(void* record) {
    CBarItem::Construct(record);
    return static_cast<CRawNote*>(ConstructClass(kType, record));
}

const RawNoteBehaviour& CRawNote::NoteBehaviour() const {
    const ItemClassInfo* info = ClassIn(ItemClasses());
    const auto* b = BehaviourAs<RawNoteBehaviour, 2>(info);
    return b ? *b : kRawNote;
}

// --- heads ------------------------------------------------------------------------------------

int CRawNote::GetHeadDuration(int i) const {
    const int n = HeadCountField();
    if (i != kAllHeads || n <= 1) return Head(i == kAllHeads ? 0 : i)->Duration();
    int sum = 0;
    for (int k = 0; k < n; ++k) sum += Head(k)->Duration();
    return sum / n;
}

bool CRawNote::HasTie(bool begins, int i) const {
    const std::uint8_t bit = begins ? NoteHead::kTieStart : NoteHead::kTieEnd;
    if (i != -1) return (Head(i)->Byte(NoteHead::kLinkByte) & bit) != 0;
    for (int k = 0; k < HeadCountField(); ++k)
        if (Head(k)->Byte(NoteHead::kLinkByte) & bit) return true;
    return false;
}

int CRawNote::GetEntryStaffPos(const NoteHead& head) const {
    return IsSlash() ? notation::CurrentSlashPosition() : head.Position();
}

void CRawNote::SetStartStaffOffset(int offset) {
    for (int k = 0; k < HeadCountField(); ++k) Head(k)->SetCrossStaffOffset(offset);
}

bool CRawNote::IsShiftedRight() const {
    if (NoteFlags() & kShiftedRight) return true;
    return Head(0)->Column() == 1 && !IsStemUp();
}

// --- selection --------------------------------------------------------------------------------

void RawNoteBehaviour::SelectPart(CScoreItem& item, int part) const {
    RawHeadBehaviour::SelectPart(item, part);
    auto& note = Note(item);
    const int n = note.HeadCountField();
    for (int k = 0; k < n; ++k)
        if (part == CRawNote::kAllHeads || part == k) note.Head(k)->SetBits(NoteHead::kShapeByte, NoteHead::kSelected, true);
}

void RawNoteBehaviour::DeselectPart(CScoreItem& item, int part) const {
    RawHeadBehaviour::DeselectPart(item, part);
    auto& note = Note(item);
    const int n = note.HeadCountField();
    for (int k = 0; k < n; ++k)
        if (part == CRawNote::kAllHeads || part == k) note.Head(k)->SetBits(NoteHead::kShapeByte, NoteHead::kSelected, false);
}

bool RawNoteBehaviour::IntersectsRect(CScoreItem& item, const RECT& rect) const {
    auto& note = Note(item);
    bool any = false;
    for (int k = 0; k < note.HeadCountField(); ++k) {
        RECT r{};
        note.GetPartBounds(&r, k);
        const LONG l = std::max(r.left, rect.left), t = std::max(r.top, rect.top);
        const LONG rr = std::min(r.right, rect.right), b = std::min(r.bottom, rect.bottom);
        if (l < rr && t < b) {
            note.Head(k)->SetBits(NoteHead::kShapeByte, NoteHead::kSelected, true);
            any = true;
        }
    }
    return any;
}

int RawNoteBehaviour::GetHeadCount(CScoreItem& item) const { return Note(item).HeadCountField(); }

int RawNoteBehaviour::GetWantedSize(CScoreItem& item) const {
    auto& note = Note(item);
    int size = CRawNote::kHeads + NoteHead::kSize * note.HeadCountField();
    const int n = note.WholeMarks(false);
    for (int i = 0; i < n; ++i) size += note.GetMark(i)->Size();
    return size;
}

// --- stored form ------------------------------------------------------------------------------

void RawNoteBehaviour::WriteBody(CScoreItem& item, CChunkStream& stream) const {
    RawHeadBehaviour::WriteBody(item, stream);
    auto& note = Note(item);
    stream.WriteByte(MirrorFields(note.StemByte(), kStemLayout));
    stream.WriteByte(MirrorFields(note.NoteFlags(), kNoteFlagsLayout));
    stream.WriteByte(MirrorFields(note.Links(), kLinksLayout));
    stream.WriteByte(std::uint8_t(note.HeadCountField()));
    const int n = WholeHeads(note);
    for (int k = 0; k < n; ++k) {
        NoteHead* h = note.Head(k);
        for (int b = 0; b < 4; ++b) stream.WriteByte(MirrorFields(h->Byte(b), kHeadLayouts[b]));
        stream.WriteBytes(h->Bytes() + NoteHead::kAccOffset, 8);
        stream.WriteWord(h->Duration());
        stream.WriteWord(h->StartOffset());
    }
    if (n < note.HeadCountField()) {
        note.WriteTail(stream, CRawNote::kHeads + NoteHead::kSize * n);
        return;
    }
    note.WriteMarks(stream);
}

void RawNoteBehaviour::FromFileOrder(CScoreItem& item) const {
    RawHeadBehaviour::FromFileOrder(item);
    auto& note = Note(item);
    if (item.RecordSizeField() < CRawNote::kHeads) return;
    MirrorFieldsFromFile(note.Bytes() + CRawNote::kStem, kStemLayout);
    MirrorFieldsFromFile(note.Bytes() + CRawNote::kNoteFlags, kNoteFlagsLayout);
    MirrorFieldsFromFile(note.Bytes() + CRawNote::kLinks, kLinksLayout);
    const int n = WholeHeads(note);
    for (int k = 0; k < n; ++k) {
        std::uint8_t* h = note.Head(k)->Bytes();
        for (int b = 0; b < 4; ++b) MirrorFieldsFromFile(h + b, kHeadLayouts[b]);
        SwapWord(h + NoteHead::kDuration);
        SwapWord(h + NoteHead::kStartOffset);
    }
    if (n == note.HeadCountField() && note.MarkCount() != 0) note.MarksFromFileOrder();
}

void RawNoteBehaviour::AfterLoad(CScoreItem& item, int version) const {
    RawHeadBehaviour::AfterLoad(item, version);
    auto& note = Note(item);
    const int n = WholeHeads(note);
    if (n < note.HeadCountField()) {
        // More heads named than the record holds (a raw block without the reader's checks):
        // the note keeps the heads it has and leaves the run.
        note.SetHeadCountField(n);
        note.SetFlagsB(std::uint8_t(note.FlagsB() | CBarItem::kRemovedBit));
    }
    if (version >= kHeadWordsVersion) return;
    for (int k = 0; k < n; ++k) {
        // The two 32-bit words at head bytes 10 and 12 change places: 10-11 take the old
        // 12-13, 12-13 the old 10-11, and 14-15 a copy of the old 12-13.
        std::uint8_t* h = note.Head(k)->Bytes();
        std::uint8_t a[4], b[4];
        std::memcpy(a, h + 10, 4);
        std::memcpy(b, h + 12, 4);
        std::memcpy(h + 10, b, 4);
        std::memcpy(h + 12, a, 4);
    }
}

// --- removal ----------------------------------------------------------------------------------

void RawNoteBehaviour::RemoveHead(CRawNote& note, int i) const {
    const int n = note.HeadCountField();
    if (i < 0 || i >= n) return;
    note.DeselectPart(i);
    if (n == 1) {
        note.SetFlagsB(std::uint8_t(note.FlagsB() | CBarItem::kRemovedBit));
        return;
    }
    std::uint8_t* at = note.Head(i)->Bytes();
    std::uint8_t* end = note.Bytes() + note.RecordSizeField();
    if (at + NoteHead::kSize < end) std::memmove(at, at + NoteHead::kSize, std::size_t(end - at - NoteHead::kSize));
    note.SetHeadCountField(n - 1);
    int visible = 0;
    for (int k = 0; k < n - 1; ++k)
        if (!note.Head(k)->IsInvisible()) ++visible;
    if (visible == 0)
        note.SetFlagsB(std::uint8_t(note.FlagsB() | CBarItem::kRemovedBit));
    else
        note.LayoutChord();
}

void RawNoteBehaviour::Delete(CBarItem& item) const {
    auto& note = Note(item);
    int visible = 0;
    for (int k = note.HeadCountField() - 1; k >= 0; --k) {
        if (note.Head(k)->IsSelected())
            note.RemoveHead(k);
        else if (!note.Head(k)->IsInvisible())
            ++visible;
    }
    if (visible == 0 || note.HeadCountField() == 0) note.SetFlagsB(std::uint8_t(note.FlagsB() | CBarItem::kRemovedBit));
}

void RawNoteBehaviour::MarkRemoved(CBarItem& item) const {
    auto& note = Note(item);
    for (int k = note.HeadCountField() - 1; k >= 0; --k) note.RemoveHead(k);
}

void RawNoteBehaviour::MoveHead(CRawNote& note, int i, int delta, int oldPitch) const {
    NoteHead* h = note.Head(i);
    h->SetPosition(std::int8_t(h->Position() + delta));
}

// --- times and positions ----------------------------------------------------------------------

int RawNoteBehaviour::GetPlayStart(CBarItem& item, int head) const {
    auto& note = Note(item);
    const int n = note.HeadCountField();
    const int time = note.TimeField();
    if (head != CRawNote::kAllHeads || n <= 1) return time + note.Head(head == CRawNote::kAllHeads ? 0 : head)->StartOffset();
    int sum = 0;
    for (int k = 0; k < n; ++k) sum += time + note.Head(k)->StartOffset();
    return sum / n;
}

int RawNoteBehaviour::GetPlayEnd(CBarItem& item, int head) const {
    auto& note = Note(item);
    const int n = note.HeadCountField();
    const int time = note.TimeField();
    auto end = [&](int k) { return time + note.Head(k)->StartOffset() + note.Head(k)->Duration(); };
    if (head != CRawNote::kAllHeads || n <= 1) return end(head == CRawNote::kAllHeads ? 0 : head);
    int sum = 0;
    for (int k = 0; k < n; ++k) sum += end(k);
    return sum / n;
}

std::int16_t RawNoteBehaviour::GetStaffPos(CBarItem& item, int head) const {
    auto& note = Note(item);
    if (note.IsSlash()) return std::int16_t(notation::CurrentSlashPosition());
    const int n = note.HeadCountField();
    if (head != CRawNote::kAllHeads) return note.Head(head)->Position();
    if (n <= 1) return note.Head(0)->Position();
    int sum = 0;
    for (int k = 0; k < n; ++k) sum += note.Head(k)->Position();
    return std::int16_t(sum / n);
}

std::int16_t RawNoteBehaviour::GetFirstHeadStaffPos(CBarItem& item) const {
    auto& note = Note(item);
    return std::int16_t(note.GetEntryStaffPos(*note.Head(0)));
}

bool RawNoteBehaviour::ReachesOtherStaff(CBarItem& item) const {
    auto& note = Note(item);
    for (int k = 0; k < note.HeadCountField(); ++k)
        if (note.Head(k)->CrossStaffOffset() != 0) return true;
    return false;
}

NoteMark* RawNoteBehaviour::GetMark(CRawHead& item, int i) const {
    auto& note = static_cast<CRawNote&>(item);
    std::uint8_t* at = note.Bytes() + CRawNote::kHeads + NoteHead::kSize * note.HeadCountField();
    for (int k = 0; k < i; ++k) at += reinterpret_cast<NoteMark*>(at)->Size();
    return reinterpret_cast<NoteMark*>(at);
}

int RawNoteBehaviour::GetTopHeadPos(CRawHead& item) const {
    auto& note = static_cast<CRawNote&>(item);
    const int last = std::max(note.HeadCountField() - 1, 0);
    return note.GetStaffPos(note.IsStemUp() ? last : 0);
}

int RawNoteBehaviour::GetBottomHeadPos(CRawHead& item) const {
    auto& note = static_cast<CRawNote&>(item);
    const int last = std::max(note.HeadCountField() - 1, 0);
    return note.GetStaffPos(note.IsStemUp() ? 0 : last);
}

bool RawNoteBehaviour::GetFlag6(CRawHead& item) const { return (static_cast<CRawNote&>(item).NoteFlags() & CRawNote::kFlag6) != 0; }

CRawHead* RawNoteBehaviour::SetSlurEnd(CRawHead& item, int on) const { return SetLink(item, CRawNote::kSlurEnd, on); }
CRawHead* RawNoteBehaviour::SetSlurStart(CRawHead& item, int on) const { return SetLink(item, CRawNote::kSlurStart, on); }
CRawHead* RawNoteBehaviour::SetLineEnd(CRawHead& item, int on) const { return SetLink(item, CRawNote::kLineEnd, on); }
CRawHead* RawNoteBehaviour::SetLineStart(CRawHead& item, int on) const { return SetLink(item, CRawNote::kLineStart, on); }
bool RawNoteBehaviour::HasSlurEnd(CRawHead& item) const { return HasLink(item, CRawNote::kSlurEnd); }
bool RawNoteBehaviour::HasSlurStart(CRawHead& item) const { return HasLink(item, CRawNote::kSlurStart); }
bool RawNoteBehaviour::HasLineEnd(CRawHead& item) const { return HasLink(item, CRawNote::kLineEnd); }
bool RawNoteBehaviour::HasLineStart(CRawHead& item) const { return HasLink(item, CRawNote::kLineStart); }
