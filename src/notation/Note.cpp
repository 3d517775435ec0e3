#include "notation/Note.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "model/ItemFactory.h"
#include "notation/NotationGlobals.h"

namespace {

const NoteBehaviour kNote;

constexpr int kColumnWidth = 24;     // one accidental column, in 1/24 staff space
constexpr int kAllColumnsTaken = 192;
constexpr int kStaffDistance = 32;   // staff positions between neighbouring staves in the table
constexpr int kMaxHeads = 256;

CNote& NoteOf(CScoreItem& item) { return static_cast<CNote&>(item); }

bool IsFret(int shape) { return shape >= 32 && shape <= 57; }

// Head order: visible heads first; between staves the stem's far staff first; on one staff
// from the stem's base to its end.
bool Before(const NoteHead& a, const NoteHead& b, bool up) {
    if (a.IsInvisible() != b.IsInvisible()) return !a.IsInvisible();
    if (a.IsInvisible()) return false;
    const int oa = a.CrossStaffOffset(), ob = b.CrossStaffOffset();
    if (oa != ob) return up ? oa > ob : oa < ob;
    return up ? a.Position() < b.Position() : a.Position() > b.Position();
}

void SortHeads(CRawNote& note) {
    const int n = note.HeadCountField();
    const bool up = note.IsStemUp();
    std::uint8_t moving[NoteHead::kSize];
    for (int i = 1; i < n; ++i) {
        int j = i;
        std::memcpy(moving, note.Head(i)->Bytes(), NoteHead::kSize);
        const auto* m = reinterpret_cast<const NoteHead*>(moving);
        while (j > 0 && Before(*m, *note.Head(j - 1), up)) {
            std::memcpy(note.Head(j)->Bytes(), note.Head(j - 1)->Bytes(), NoteHead::kSize);
            --j;
        }
        if (j != i) std::memcpy(note.Head(j)->Bytes(), moving, NoteHead::kSize);
    }
}

bool OnLine(int position) { return position % 2 == 0; }

void AddOffset(NoteHead* h, int delta) { h->SetAccidentalOffset(std::uint8_t(std::max(0, h->AccidentalOffset() + delta))); }

// The accidental columns of a chord with two or more shown accidentals. v: the visible heads
// top to bottom, a: those of them with a shown accidental, as indexes into v.
void StackAccidentals(CRawNote& note, const int* v, int vn, const int* a, int m) {
    struct Slot {
        std::int16_t top = 0, bottom = 0, centre = 0;
        bool Empty() const { return top == bottom; }
    };
    // One slot per visible head in every column: a head count is one byte, so the table holds
    // any chord without allocating.
    Slot table[CNote::kAccidentalColumns][kMaxHeads];
    const int slots = vn;
    auto pos = [&](int vi) {
        const NoteHead* h = note.Head(v[vi]);
        return h->Position() - kStaffDistance * h->CrossStaffOffset();
    };
    for (int s = 0; s < slots; ++s) {
        const NoteHead* h = note.Head(v[s]);
        if (h->Column() < 0) table[0][s] = Slot{std::int16_t(pos(s) + 1), std::int16_t(pos(s) - 1), std::int16_t(pos(s))};
    }
    int order[kMaxHeads];
    for (int k = 0; k < m; ++k) order[k] = a[k];
    if (m == 3) std::swap(order[1], order[2]);  // top, bottom, middle
    for (int k = 0; k < m; ++k) {
        NoteHead* h = note.Head(v[order[k]]);
        const int p = pos(order[k]);
        const int top = p + 3, bottom = h->Accidental() == 2 ? p - 1 : p - 3;
        bool placed = false;
        for (int c = 0; c < CNote::kAccidentalColumns && !placed; ++c) {
            bool taken = false;
            int lastEmpty = -1;
            for (int s = 0; s < slots; ++s) {
                const Slot& slot = table[c][s];
                if (slot.Empty()) {
                    lastEmpty = s;
                    continue;
                }
                if (top >= slot.bottom && bottom <= slot.top && std::abs(slot.centre - p) < 6) taken = true;
            }
            if (taken) continue;
            if (lastEmpty >= 0) table[c][lastEmpty] = Slot{std::int16_t(top), std::int16_t(bottom), std::int16_t(p)};
            h->SetAccidentalOffset(std::uint8_t(c * kColumnWidth));
            placed = true;
        }
        if (!placed) h->SetAccidentalOffset(kAllColumnsTaken);
    }

    auto head = [&](int k) { return note.Head(v[a[k]]); };
    auto sameStaff = [&](int i, int j) { return head(i)->CrossStaffOffset() == head(j)->CrossStaffOffset(); };
    if (m == 2 || m == 3) {
        const int lower = m - 1;
        NoteHead* up = head(0);
        NoteHead* lo = head(lower);
        if (up->Accidental() == 3 && sameStaff(0, lower)) {
            const int gap = up->Position() - lo->Position();
            int back = 0;
            if (gap == 5)
                back = kColumnWidth;
            else if (gap == 4 && (lo->Accidental() == 3 || lo->Accidental() == 2))
                back = kColumnWidth / 2;
            if (back) {
                AddOffset(lo, -back);
                if (m == 3) AddOffset(head(1), -back);
            }
        }
    } else if (m >= 5) {
        NoteHead* lowest = head(m - 1);
        NoteHead* b = head(m - 2);
        NoteHead* c = head(m - 3);
        if (c->AccidentalOffset() < b->AccidentalOffset()) {
            const std::uint8_t bo = b->AccidentalOffset();
            NoteHead* other = lowest->AccidentalOffset() < bo ? c : lowest;
            b->SetAccidentalOffset(other->AccidentalOffset());
            other->SetAccidentalOffset(bo);
        }
    }
    for (int k = 0; k < m; ++k) {
        NoteHead* h = head(k);
        if (!(h->Byte(NoteHead::kAccByte) & NoteHead::kAccParens)) continue;
        AddOffset(h, 3);
        const int extra = h->Accidental() == 5 ? 54 : 24;
        for (int j = 0; j < m; ++j) {
            NoteHead* g = head(j);
            if (j == k || g->AccidentalOffset() <= h->AccidentalOffset()) continue;
            if (std::abs(g->Position() - h->Position()) < 6) AddOffset(g, extra);
        }
    }
}

}  // namespace

const NoteBehaviour& NoteBehaviour::Instance() { return kNote; }

CNote* CNote::Construct(void* record) {
    CBarItem::Construct(record);
    return static_cast<CNote*>(ConstructClass(kType, record));
}

void NoteBehaviour::SetScale(CScoreItem& item, int percent) const {
    auto& note = NoteOf(item);
    const int n = note.HeadCountField();
    int selected = 0;
    for (int k = 0; k < n; ++k) {
        NoteHead* h = note.Head(k);
        if (!h->IsSelected()) continue;
        h->SetByte(NoteHead::kScale, std::uint8_t(percent));
        ++selected;
    }
    note.CBaseItem::SetScale(selected == n ? std::uint8_t(percent == 100 ? 0 : percent) : std::uint8_t(0));
}

int NoteBehaviour::GetBarSpan(CBarItem& item) const {
    auto& note = NoteOf(item);
    const int n = note.WholeMarks(false);
    for (int i = 0; i < n; ++i) {
        const NoteMark* m = note.GetMark(i);
        if (m->IsCode0Or1() && m->Size() >= 46) return m->GetWord(44);
    }
    return 0;
}

void NoteBehaviour::CycleDots(CRawHead& item) const {
    RawNoteBehaviour::CycleDots(item);
    auto& note = static_cast<CNote&>(item);
    const auto duration = std::uint16_t(int(note.GetDuration()));
    for (int k = 0; k < note.HeadCountField(); ++k) note.Head(k)->SetDuration(duration);
    note.LayoutChord();
}

void NoteBehaviour::LayoutChord(CBarItem& item) const {
    auto& note = static_cast<CNote&>(item);
    note.SetFlagsA(std::uint8_t(note.FlagsA() & ~CBarItem::kRelayoutBit));
    note.SetFlagBit(CRawHead::kRightOfStemBit, false);
    const int n = note.HeadCountField();
    if (n == 0) return;
    const bool keep = g_notation.keepAccidentalOffsets;
    auto setFret = [&](bool on) {
        note.SetNoteFlags(on ? std::uint8_t(note.NoteFlags() | CRawNote::kFretNumbers)
                             : std::uint8_t(note.NoteFlags() & ~CRawNote::kFretNumbers));
    };
    if (n == 1) {
        NoteHead* h = note.Head(0);
        h->SetColumn(0);
        h->SetDotOffset(OnLine(note.GetEntryStaffPos(*h)) ? 1 : 0);
        if (!keep) h->SetAccidentalOffset(0);
        setFret(IsFret(h->Shape()));
        return;
    }

    SortHeads(note);
    const bool up = note.IsStemUp();
    const bool evenVoice = (note.VoiceField() & 1) != 0;
    int v[kMaxHeads], a[kMaxHeads];
    int vn = 0, an = 0;
    bool fret = false;
    for (int w = 0; w < n; ++w) {
        const int k = up ? n - 1 - w : w;
        NoteHead* h = note.Head(k);
        fret = fret || IsFret(h->Shape());
        h->SetColumn(0);
        if (!keep) h->SetAccidentalOffset(0);
        h->SetDotOffset(OnLine(h->Position()) ? (evenVoice ? -1 : 1) : 0);
        if (h->IsInvisible()) continue;
        v[vn++] = k;
        if (h->Accidental() != 0 && h->IsAccidentalShown()) a[an++] = vn - 1;
    }
    setFret(fret);

    // Seconds: adjacent steps alternate sides, the head at the stem's base on the normal side.
    if (!up) {
        for (int i = 1; i < vn; ++i) {
            NoteHead* cur = note.Head(v[i]);
            const NoteHead* prev = note.Head(v[i - 1]);
            if (cur->CrossStaffOffset() != prev->CrossStaffOffset() || prev->Column() != 0) continue;
            if (cur->Position() != prev->Position() && cur->Position() != prev->Position() - 1) continue;
            cur->SetColumn(-1);
            if (OnLine(cur->Position())) cur->SetDotOffset(-1);
        }
    } else {
        for (int i = vn - 2; i >= 0; --i) {
            NoteHead* cur = note.Head(v[i]);
            NoteHead* prev = note.Head(v[i + 1]);
            if (cur->CrossStaffOffset() != prev->CrossStaffOffset() || prev->Column() != 0) continue;
            if (cur->Position() != prev->Position() && cur->Position() != prev->Position() + 1) continue;
            cur->SetColumn(1);
            note.SetFlagBit(CRawHead::kRightOfStemBit, true);
            if (OnLine(prev->Position())) prev->SetDotOffset(-1);
        }
    }

    if (!keep) {
        if (an == 1) {
            NoteHead* h = note.Head(v[a[0]]);
            int offset = 0;
            if (h->Column() < 0) {
                offset = kColumnWidth;
            } else if (!up) {
                const int below = h->Accidental() == 1 ? 3 : 2;
                for (int i = 0; i < vn && offset == 0; ++i) {
                    const NoteHead* g = note.Head(v[i]);
                    if (g == h || g->Column() != -1) continue;
                    if (g->Position() >= h->Position() - below && g->Position() <= h->Position() + 3) offset = kColumnWidth;
                }
            }
            h->SetAccidentalOffset(std::uint8_t(offset));
        } else if (an >= 2) {
            StackAccidentals(note, v, vn, a, an);
        }
    }

    const bool beamed = note.IsBeamed();
    for (int k = 0; k < n; ++k) {
        NoteHead* h = note.Head(k);
        if (!beamed)
            h->SetBits(NoteHead::kLinkByte, NoteHead::kBeyondBeam, false);
        else if (h->Byte(NoteHead::kLinkByte) & NoteHead::kBeyondBeam)
            h->SetColumn(h->Column() + (up ? 1 : -1));
    }
}
