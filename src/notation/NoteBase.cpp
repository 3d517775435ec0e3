#include "notation/NoteBase.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "model/Articulation.h"
#include "model/Bar.h"
#include "model/BitOrder.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/ScoreFile.h"
#include "model/Track.h"
#include "model/System.h"
#include "model/TrkBar.h"
#include "notation/Beam.h"
#include "notation/NoteStandIns.h"
#include "notation/RawNote.h"
#include "platform/ChunkStream.h"
#include "platform/DrawGlobals.h"

namespace {

const RawHeadBehaviour kBareRawHead;

constexpr BitLayout kFlagsLayout = kLayout_1_1_1_1_1_1_2;
constexpr BitLayout kValueLayout = kLayout_1_3_4;

// Marks of files older than this lack parts that the readers repair.
constexpr int kMarkPlaybackVersion = 0x300;
constexpr int kMarkFieldsVersion = 0x400;
constexpr int kMarkVariantVersion = 0x410;
// The mark codes that rests take.
constexpr int kFirstRestMark = 38;
constexpr int kLastRestMark = 43;
// The smallest mark the readers accept: size, code, flags and the two offsets.
constexpr int kMarkHead = NoteMark::kPlayback;

std::uint16_t StoredWord(const std::uint8_t* p) { return std::uint16_t((p[0] << 8) | p[1]); }

// The mark count as the value byte holds it, in memory or in stored bit order.
int MarkCountOf(std::uint8_t valueByte, bool stored) {
    return stored ? (valueByte >> 4) & 7 : (valueByte >> CRawHead::kMarkCountShift) & 7;
}

}  // namespace

bool LoadedFileBefore(int version, int build) {
    const int v = g_model.loadedFileVersion;
    return v < version || (v == version && g_model.loadedFileMinor < build);
}

int MusicFontFace() { return g_draw.standardFontRefs[4].face; }

CStaff* StaffAtOffset(int offset) {
    CLine* line = g_model.currentLine;
    const CTrkBar* trkBar = g_model.currentTrkBar;
    if (!line || !trkBar) return nullptr;
    CStaffArray* staves = line->GetStaffArray();
    const int index = trkBar->GetTrackIndex() + offset;
    if (!staves || index < 0 || index >= staves->GetCount()) return nullptr;
    return line->GetStaff(index);
}

const RawHeadBehaviour& RawHeadBehaviour::Bare() { return kBareRawHead; }

const RawHeadBehaviour& CRawHead::HeadBehaviour() const {
    const ItemClassInfo* info = ClassIn(ItemClasses());
    const auto* b = BehaviourAs<RawHeadBehaviour, 1>(info);
    return b ? *b : kBareRawHead;
}

// --- marks ------------------------------------------------------------------------------------

int CRawHead::WholeMarks(bool stored) {
    const int size = RecordSizeField();
    const int count = MarkCountOf(ValueByte(), stored);
    if (count == 0) return 0;  // most notes carry no marks: no need to find where they would start
    int at = MarksOffset();
    int n = 0;
    for (; n < count; ++n) {
        if (at < kOwnBytes || at + 2 > size) break;
        const int ms = stored ? std::int16_t(StoredWord(Bytes() + at)) : rec::Get<std::int16_t>(this, std::size_t(at));
        if (ms < kMarkHead || ms > size - at) break;
        at += ms;
    }
    return n;
}

void CRawHead::ApplyTrackMarkPlayback(int track) {
    CScore* score = g_model.currentScore;
    if (!score || track < 0 || track >= score->GetTrackCount()) return;
    if (CTrack* t = score->GetTrack(track)) ApplyMarkPlayback(t->MarkTable());
}

void CRawHead::ApplyMarkPlayback(const MarkPlaybackTable& table) {
    const int n = WholeMarks(false);
    for (int i = 0; i < n; ++i) {
        NoteMark* m = GetMark(i);
        const int index = MarkCodeToPlaybackIndex(m->Code());
        if (index < 0 || m->Code() <= 1 || m->Size() < NoteMark::kClassFields) continue;
        m->Playback() = table.Entry(index);
    }
}

void CRawHead::WriteMarks(CChunkStream& stream) {
    const int n = WholeMarks(false);
    for (int i = 0; i < n; ++i) GetMark(i)->Write(stream);
    WriteTail(stream, n > 0 ? int(GetMark(n)->Bytes() - Bytes()) : MarksOffset());
}

void CRawHead::WriteTail(CChunkStream& stream, int from) {
    const int size = RecordSizeField();
    if (from >= CBarItem::kHeadEnd && from < size) stream.WriteBytes(Bytes() + from, std::uint32_t(size - from));
}

void CRawHead::MarksFromFileOrder() {
    const int count = MarkCount();
    const bool old = g_model.loadedFileVersion < kMarkFieldsVersion;
    int at = MarksOffset();
    for (int i = 0; i < count; ++i) {
        const int size = RecordSizeField();
        if (at < kOwnBytes || at + 2 > size) return;
        auto* m = reinterpret_cast<NoteMark*>(Bytes() + at);
        if (!m->FromFileOrder(std::size_t(size - at))) return;
        if (old) {
            const int grow = m->GetSize() - m->Size();
            if (grow > 0 && size + grow <= RecordReadRoom(*this)) {
                GrowAt(m->Bytes() + NoteMark::kPlayback, grow);
                m->SetSize(std::int16_t(m->GetSize()));
            }
            // The tremolo strokes of older files stood in the note's byte 22.
            if (m->IsCode31To34() && IsNoteOrRawNote() && m->Size() > 18) {
                const std::uint8_t b22 = rec::Get<std::uint8_t>(this, 22);
                m->SetByte(18, std::uint8_t(b22 >> 4));
                rec::Put(this, 22, std::uint8_t(b22 & 0x0F));
            }
        }
        at += m->Size();
    }
}

// --- stored form ------------------------------------------------------------------------------

void RawHeadBehaviour::ReadBody(CScoreItem& item, CChunkStream& stream) const {
    auto& head = static_cast<CRawHead&>(item);
    const int size = item.RecordSizeField();
    const int room = RecordReadRoom(item);
    if (size > CBarItem::kHeadEnd) {
        const auto n = std::uint32_t(size - CBarItem::kHeadEnd);
        // Inside a chunk a short body would leave stale bytes behind.
        if (stream.InChunk() && stream.Unread() < n) ThrowDamagedRecord(stream);
        stream.ReadBytes(item.Bytes() + CBarItem::kHeadEnd, n);
    }
    // A record shorter than its class reads as zeros where it ends.
    const int fixed = std::min(GetItemRecordSize(&item), room);
    if (size < fixed) std::memset(item.Bytes() + size, 0, std::size_t(fixed - size));
    // The class's fixed part, every mark whole, and room for what older marks gain.
    const int marksAt = head.MarksOffset();
    if (marksAt > std::max(size, fixed)) ThrowDamagedRecord(stream);
    const int count = MarkCountOf(head.ValueByte(), true);
    if (count > 0) {
        // The font mapping after the read maps the text and letter marks' fonts.
        g_scoreFile.recordWithFonts = true;
        if (head.WholeMarks(true) < count) ThrowDamagedRecord(stream);
        // Older marks grow to their class when they are read; a newer mark shorter than its
        // class would lend its fields' places to the bytes after it, and is damage.
        const bool old = g_model.loadedFileVersion < kMarkFieldsVersion;
        int at = marksAt, growth = 0;
        for (int i = 0; i < count; ++i) {
            const int ms = std::int16_t(StoredWord(item.Bytes() + at));
            const int cls = NoteMark::ClassSize(item.Bytes()[at + NoteMark::kCode]);
            if (ms < cls) {
                if (!old) ThrowDamagedRecord(stream);
                growth += cls - ms;
            }
            at += ms;
        }
        if (size + growth > room) ThrowDamagedRecord(stream);
    }
    item.FromFileOrder();
}

void RawHeadBehaviour::WriteBody(CScoreItem& item, CChunkStream& stream) const {
    auto& head = static_cast<CRawHead&>(item);
    stream.WriteByte(head.TupletCount());
    stream.WriteByte(head.TupletSpace());
    stream.WriteByte(MirrorFields(head.Flags(), kFlagsLayout));
    stream.WriteByte(MirrorFields(head.ValueByte(), kValueLayout));
}

void RawHeadBehaviour::FromFileOrder(CScoreItem& item) const {
    if (item.RecordSizeField() < CRawHead::kOwnBytes) return;
    MirrorFieldsFromFile(item.Bytes() + CRawHead::kFlags, kFlagsLayout);
    MirrorFieldsFromFile(item.Bytes() + CRawHead::kValue, kValueLayout);
}

void RawHeadBehaviour::AfterLoad(CScoreItem& item, int version) const {
    BarItemBehaviour::AfterLoad(item, version);
    auto& head = static_cast<CRawHead&>(item);
    if (item.RecordSizeField() < CRawHead::kOwnBytes) return;
    const int n = head.WholeMarks(false);
    // Records revived from raw blocks come without the reader's checks: the count keeps to
    // the marks that lie whole inside the record.
    if (n < head.MarkCount()) head.SetMarkCount(n);
    // Marks of the oldest files lack their playback setting.
    if (version < kMarkPlaybackVersion) {
        for (int i = 0; i < n; ++i) {
            NoteMark* m = head.GetMark(i);
            const int grow = m->GetSize() - m->Size();
            if (grow > 0 && head.RecordSizeField() + grow <= RecordReadRoom(item)) {
                head.GrowAt(m->Bytes() + NoteMark::kPlayback, grow);
                m->SetSize(std::int16_t(m->GetSize()));
            }
        }
    }
    if (LoadedFileBefore(0x402, 9) && head.IsGrace()) head.SetNoteValue(4);

    static constexpr char kLetters[] = "pimacTHP";
    const bool isNote = item.IsNoteOrRawNote();
    const bool oldFields = g_model.loadedFileVersion < kMarkFieldsVersion;
    for (int i = 0; i < n; ++i) {
        NoteMark* m = head.GetMark(i);
        const int code = m->Code();
        const int ms = m->Size();
        if (code == 240 && ms >= 48) {
            const std::uint16_t c = m->Character();
            for (int k = 0; k < 8; ++k)
                if (c == std::uint8_t(kLetters[k])) {
                    m->SetCode(std::uint8_t(100 + k));
                    break;
                }
        } else if (code == 250 && ms >= 48) {
            const std::uint16_t c = m->Character();
            if (m->Font().face == MusicFontFace() && c >= 220 && c <= 228) m->SetCode(std::uint8_t(c - 112));
        } else if (code <= 2 && ms >= 54) {
            if (oldFields) {
                const std::uint8_t flags = m->Flags();
                if (isNote) {
                    const std::uint8_t b21 = rec::Get<std::uint8_t>(&item, 21);
                    m->SetByte(51, std::uint8_t((b21 >> 2) & 1));
                    rec::Put(&item, 21, std::uint8_t(b21 & ~0x04));
                }
                m->SetByte(52, std::uint8_t((flags >> 4) & 3));
                m->SetByte(53, std::uint8_t((flags >> 6) & 3));
                if (isNote) {
                    const std::uint8_t b22 = rec::Get<std::uint8_t>(&item, 22);
                    const int level = b22 >> 4;
                    m->SetByte(49, std::uint8_t((m->GetByte(49) & 0x0F) | (b22 & 0xF0)));
                    m->SetByte(48, std::uint8_t(480 >> level));
                    rec::Put(&item, 22, std::uint8_t(b22 & 0x0F));
                }
                m->SetFlags(std::uint8_t(flags & 0x0F));
            }
            while (m->GetWord(46) > 1024) {
                m->SetWord(46, std::int16_t(m->GetWord(46) - 1024));
                m->SetWord(44, std::int16_t(m->GetWord(44) + 1));
            }
        } else if (code >= 3 && code <= 5 && g_model.loadedFileVersion < kMarkVariantVersion) {
            if (code == 5) m->SetFlags(std::uint8_t(m->Flags() | 0x10));
            if (code == 4) m->SetFlags(std::uint8_t((m->Flags() & 0x3F) | 0x40));
        }
        if (LoadedFileBefore(0x400, 2) && ms > 20) {
            m->SetByte(19, std::uint8_t(-10));
            m->SetByte(20, std::uint8_t(-10));
        }
    }
}

// --- moving ------------------------------------------------------------------------------------

void RawHeadBehaviour::MoveToPosition(CBarItem& item, int position) const {
    auto& head = static_cast<CRawHead&>(item);
    const int old = item.PositionField();
    CTrkBar* trkBar = g_model.currentTrkBar;
    CBarItem* found[AttachedItemList::kCapacity];
    const auto attached = [&](int kind) {
        return trkBar ? trkBar->GetAttachedItems(&head, found, AttachedItemList::kCapacity, kind) : 0;
    };
    if (head.HasLineStart() || head.HasSlurStart()) {
        const int n = attached(1);
        for (int i = 0; i < n; ++i) found[i]->SetPositionField(std::int16_t(position));
    }
    if (head.HasLineEnd() || head.HasSlurEnd()) {
        const int n = attached(0);
        for (int i = 0; i < n; ++i) found[i]->SetEndPosition(position);
    }
    if (head.IsTupletMember()) {
        const int n = attached(4);
        for (int i = 0; i < n; ++i) {
            CBarItem* t = found[i];
            if (t->PositionField() == old)
                t->SetPositionField(std::int16_t(position));
            else if (t->GetEndPosition() == old)
                t->SetEndPosition(position);
            t->SetFlagsA(std::uint8_t(t->FlagsA() | CBarItem::kRelayoutBit));
        }
    }
    if (head.IsBeamed()) {
        CBarItem* item = trkBar ? trkBar->FindBeamOfNote(&head) : nullptr;
        if (item && item->IsBeam()) {
            auto* beam = static_cast<CBeam*>(item);
            const int here = trkBar->GetBarIndex();
            // The finder gives the bar the beam starts in.
            const int beamBar = g_model.finderBar ? g_model.finderBar->GetBarIndex() : here;
            const int segments = beam->SegmentCount();
            for (int s = 0; s < segments; ++s) {
                BeamSegment seg = beam->Segment(s);
                const int startBar = beamBar + seg.StartBarOffset();
                if (seg.StartPosition() == old && startBar == here) {
                    seg.SetStartPosition(std::int16_t(position));
                    if (s == 0) beam->SetPosition(position);
                } else if (seg.EndPosition() == old && startBar + seg.EndBarOffset() == here) {
                    seg.SetEndPosition(std::int16_t(position));
                }
            }
            beam->SetFlagsA(std::uint8_t(beam->FlagsA() | CBarItem::kRelayoutBit));
        }
    }
    item.SetPosition(position);
    if (trkBar) trkBar->UpdateAttachedItems(&head);
}

// --- slots 149-175 ------------------------------------------------------------------------------

void RawHeadBehaviour::CycleDots(CRawHead& item) const { item.SetDotCount((item.DotCount() + 1) % 4); }

CRawHead* RawHeadBehaviour::AddMark(CRawHead& item, const NoteMark& mark) const {
    const int count = item.MarkCount();
    if (count >= CRawHead::kMaxMarks) return nullptr;
    if (item.IsRest() && (mark.Code() < kFirstRestMark || mark.Code() > kLastRestMark)) return nullptr;
    const int ms = mark.Size();
    if (ms < kMarkHead) return nullptr;
    // The mark may lie in the run that is about to move.
    std::vector<std::uint8_t> copy(mark.Bytes(), mark.Bytes() + ms);
    CTrkBar* trkBar = g_model.currentTrkBar;
    auto* grown = static_cast<CRawHead*>(trkBar ? trkBar->ResizeItem(&item, ms) : nullptr);
    if (!grown) return nullptr;
    grown->SetMarkCount(count + 1);
    std::memcpy(grown->GetMark(count), copy.data(), copy.size());
    return grown;
}

CRawHead* RawHeadBehaviour::RemoveMark(CRawHead& item, int i) const {
    const int count = item.WholeMarks(false);
    if (i < 0 || i >= count) return &item;
    NoteMark* m = item.GetMark(i);
    const int ms = m->Size();
    std::uint8_t* end = item.Bytes() + item.RecordSizeField();
    std::memmove(m->Bytes(), m->Bytes() + ms, std::size_t(end - (m->Bytes() + ms)));
    item.SetMarkCount(item.MarkCount() - 1);
    CTrkBar* trkBar = g_model.currentTrkBar;
    auto* shrunk = static_cast<CRawHead*>(trkBar ? trkBar->ResizeItem(&item, -ms) : nullptr);
    return shrunk ? shrunk : &item;
}

NoteMark* RawHeadBehaviour::GetMark(CRawHead& item, int i) const {
    std::uint8_t* at = item.Bytes() + GetItemRecordSize(&item);
    for (int k = 0; k < i; ++k) at += reinterpret_cast<NoteMark*>(at)->Size();
    return reinterpret_cast<NoteMark*>(at);
}

int RawHeadBehaviour::GetTopHeadPos(CRawHead& item) const { return item.GetStaffPos(0); }

int RawHeadBehaviour::GetBottomHeadPos(CRawHead& item) const { return item.GetTopHeadPos(); }

int RawHeadBehaviour::GetAttachPos(CRawHead& item, CTrkBar* trkBar, bool above, bool skipMarks) const {
    return item.GetStaffPos(0) + (above ? 2 : -2);
}

void RawHeadBehaviour::InitMark(CRawHead& item, NoteMark* mark, int code, int arg, bool onStemSide) const {
    if (mark) mark->Init(code);
}

double RawHeadBehaviour::NoteLength(const CBarItem& item) const {
    return const_cast<CRawHead&>(static_cast<const CRawHead&>(item)).GetDuration();
}

double RawHeadBehaviour::NoteEnd(const CBarItem& item) const {
    return const_cast<CRawHead&>(static_cast<const CRawHead&>(item)).GetEndTime();
}

void RawHeadBehaviour::NoteUpdateStem(CBarItem& item, int mode, bool propagate) const {
    if (item.IsNoteOrRawNote()) static_cast<CRawNote&>(item).UpdateStem(mode, propagate);
}

void RawHeadBehaviour::NoteSetLink(CBarItem& item, int link, bool on) const {
    auto& head = static_cast<CRawHead&>(item);
    switch (link) {
        case kSlurEndLink: head.SetSlurEnd(on); break;
        case kSlurStartLink: head.SetSlurStart(on); break;
        case kLineEndLink: head.SetLineEnd(on); break;
        case kLineStartLink: head.SetLineStart(on); break;
        default: break;
    }
}

void RawHeadBehaviour::NoteMoveHead(CBarItem& item, int head, int delta) const {
    if (item.IsNoteOrRawNote()) static_cast<CRawNote&>(item).MoveHead(head, delta);
}

void RawHeadBehaviour::NoteHeadFromPosition(CBarItem& item, int head, int accidental, int clef, int key) const {
    if (!item.IsNoteOrRawNote()) return;
    auto& note = static_cast<CRawNote&>(item);
    if (head < 0 || head >= note.HeadCountField() || CRawNote::kHeads + NoteHead::kSize * (head + 1) > note.RecordSizeField())
        return;
    CRawNote::SetHeadFromPosition(*note.Head(head), accidental, clef, key);
}

bool RawHeadBehaviour::NoteStepHead(CBarItem& item, int head, int clef, int key, bool up, bool chromatic) const {
    if (!item.IsNoteOrRawNote()) return false;
    auto& note = static_cast<CRawNote&>(item);
    if (head < 0 || head >= note.HeadCountField() || CRawNote::kHeads + NoteHead::kSize * (head + 1) > note.RecordSizeField())
        return false;
    const int before = note.Head(head)->Pitch();
    note.StepHeadPitch(head, clef, key, up, chromatic);
    return note.Head(head)->Pitch() != before;
}

void RawHeadBehaviour::NoteApplyAccidental(CBarItem& item, int head, int accidental, int clef, int key) const {
    if (!item.IsNoteOrRawNote()) return;
    auto& note = static_cast<CRawNote&>(item);
    if (head < 0 || head >= note.HeadCountField() || CRawNote::kHeads + NoteHead::kSize * (head + 1) > note.RecordSizeField())
        return;
    note.ApplyHeadAccidental(head, accidental, false, clef, key);
}

void RawHeadBehaviour::NotePlaceTies(CBarItem& item, int track) const {
    if (item.IsNoteOrRawNote()) static_cast<CRawNote&>(item).PlaceTies(track);
}

int RawHeadBehaviour::NoteAttachY(CBarItem& item, bool above) const {
    return item.IsNoteOrRawNote() ? static_cast<CRawNote&>(item).GetAttachY(above, false) : 0;
}

bool RawHeadBehaviour::NoteHasLink(CBarItem& item, int link) const {
    auto& head = static_cast<CRawHead&>(item);
    switch (link) {
        case kSlurEndLink: return head.HasSlurEnd();
        case kSlurStartLink: return head.HasSlurStart();
        case kLineEndLink: return head.HasLineEnd();
        case kLineStartLink: return head.HasLineStart();
        default: return false;
    }
}

void RawHeadBehaviour::NoteSpellHead(CTrkBar* trkBar, CBarItem& item, int head) const {
    if (!item.IsNoteOrRawNote()) return;
    auto& note = static_cast<CRawNote&>(item);
    if (head < 0 || head >= note.HeadCountField() || CRawNote::kHeads + NoteHead::kSize * (head + 1) > note.RecordSizeField())
        return;
    NoteHead& h = *note.Head(head);
    int clef = 0, key = 0;
    if (trkBar) trkBar->GetClefAndKeyAt(note.PositionField(), &clef, &key);
    CTrack* track = trkBar ? trkBar->GetTrack() : nullptr;
    if (track && track->IsPercussionStaff()) {
        // The drum map places the head.
        h.SetPosition(track->PlayedToWrittenPitch(h.Pitch(), note.VoiceField(), clef, key));
        return;
    }
    CRawNote::SpellHead(h, clef, key);
}

double RawHeadBehaviour::GetEndTime(CRawHead& item) const { return item.TimeField() + item.GetDuration(); }

double RawHeadBehaviour::GetDuration(CRawHead& item) const {
    // A whole-bar note lasts as long as the current bar (a 4/4 bar without one).
    const CBar* bar = g_model.currentBar;
    return NoteDuration(item, bar ? bar->GetLength() : 1920);
}

int RawHeadBehaviour::GetFlagCount(CRawHead& item) const {
    const int code = item.NoteValue();
    return code >= 4 ? code - 3 : 0;
}

void RawHeadBehaviour::SetBeamed(CRawHead& item, int on) const { item.SetFlagBit(CRawHead::kBeamedBit, (on & 1) != 0); }

double NoteDuration(const CRawHead& item, int barLength) {
    const int code = item.NoteValue();
    double d;
    if (code == 0) {
        d = barLength;
    } else {
        // Codes above the 128th do not occur; they last as long as a 128th.
        int ticks = CRawHead::kValueTicks[std::min(code, 8)];
        int half = ticks / 2;
        for (int i = item.DotCount(); i > 0; --i) {
            ticks += half;
            half /= 2;
        }
        d = ticks;
        if (item.TupletCount() != 0) d = double(item.TupletSpace()) * d / double(item.TupletCount());
    }
    if (item.HasHalfFlag()) d /= 2;
    return d;
}
