#include "model/ChordRecords.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "model/ScoreStandIns.h"
#include "platform/DrawGlobals.h"
#include "platform/Theory.h"

namespace {

struct SpelledRoot {
    std::int8_t letter, accidental, semitone;
};
constexpr SpelledRoot kSpelledRoots[18] = {
    {0, 0, 0}, {0, 1, 1}, {1, 2, 1}, {1, 0, 2}, {1, 1, 3}, {2, 2, 3}, {2, 0, 4}, {3, 0, 5}, {3, 1, 6},
    {4, 2, 6}, {4, 0, 7}, {4, 1, 8}, {5, 2, 8}, {5, 0, 9}, {5, 1, 10}, {6, 2, 10}, {6, 0, 11}, {0, 2, 11},
};

}  // namespace

bool DecodeChordRoot(int index, int* letter, int* accidental, int* semitone) {
    if (index < 0 || index >= 18) {
        if (letter) *letter = -1;
        return false;
    }
    const SpelledRoot& r = kSpelledRoots[index];
    if (letter) *letter = r.letter;
    if (accidental) *accidental = r.accidental;
    if (semitone) *semitone = r.semitone;
    return true;
}

int EncodeChordRoot(int letter, int accidental) {
    if (letter < 0 || letter > 6) return -1;
    if (accidental == 3 || accidental < 0 || accidental > 2) accidental = 0;
    // The spellings without an index.
    if (letter == 6 && accidental == 1) return 0;   // B sharp: C
    if (letter == 2 && accidental == 1) return 7;   // E sharp: F
    if (letter == 3 && accidental == 2) return 6;   // F flat: E
    for (int i = 0; i < 18; ++i)
        if (kSpelledRoots[i].letter == letter && kSpelledRoots[i].accidental == accidental) return i;
    return -1;
}


// --- the chord symbol ------------------------------------------------------------------------------

void CChord::InitNew(int key, int rootLetter, int rootAccidental, int bassLetter, int bassAccidental, bool hasBass,
                     bool bassBelow) {
    SetKey(key);
    SetRootLetter(rootLetter);
    SetRootAccidental(rootAccidental);
    SetBassLetter(bassLetter);
    SetBassAccidental(bassAccidental);
    SetHasBass(hasBass);
    SetBassBelow(bassBelow);
    SetXOffset(0);
    SetYOffset(0);
    SetDuration(480);
    SetStrum(4, 4);
    SetVelocity(80);
    SetFlagsA(std::uint8_t(FlagsA() | kFlag8Bit1));
}

namespace {

int Wrap7(int v) { return ((v % 7) + 7) % 7; }
int Wrap12(int v) { return ((v % 12) + 12) % 12; }
// The pitch class of a letter and accidental (a natural counts as none).
int PitchClass(int letter, int accidental) { return Wrap12(CChord::PitchOf(0, letter, accidental)); }

// By an interval number: the letter wrapped, a natural as none, double accidentals moved a
// letter.
void MoveByInterval(int& letter, int& accidental, int interval) {
    int step = letter, acc = accidental == CChord::kNatural ? 0 : accidental;
    CTheory::TransposeStep(step, acc, interval);
    step = Wrap7(step);
    if (acc == 3) acc = 0;
    if (acc == 4) {
        step = (step + 1) % 7;
        acc = step == 3 || step == 0 ? CChord::kSharp : 0;
    } else if (acc == 5) {
        step = (step + 6) % 7;
        acc = step == 2 || step == 6 ? CChord::kFlat : 0;
    }
    letter = step;
    accidental = acc;
}

// A pitch class spelled as the key's step for it: flat when the step's natural lies one above,
// sharp when one below.
void SpellInKey(int pitchClass, int key, int& letter, int& accidental) {
    letter = Wrap7(CTheory::GetPitchStep(60 + pitchClass, key));
    const int natural = LetterSemitone(letter);
    accidental = Wrap12(natural - pitchClass) == 1 ? CChord::kFlat : Wrap12(pitchClass - natural) == 1 ? CChord::kSharp : 0;
}

}  // namespace

void CChord::Respell() {
    int step = GetRootLetter(), acc = GetRootAccidental();
    CTheory::CycleEnharmonic(step, acc);
    SetRootLetter(Wrap7(step));
    SetRootAccidental(acc);
    if (!HasBass()) return;
    step = GetBassLetter();
    acc = GetBassAccidental();
    CTheory::CycleEnharmonic(step, acc);
    SetBassLetter(Wrap7(step));
    SetBassAccidental(acc);
}

void CChord::Transpose(int amount, int mode, int key) {
    int root = GetRootLetter(), rootAcc = GetRootAccidental();
    int bass = GetBassLetter(), bassAcc = GetBassAccidental();
    if (mode == 0) {
        MoveByInterval(root, rootAcc, amount);
        MoveByInterval(bass, bassAcc, amount);
    } else if (mode == 1) {
        if (amount % 7 == 0) return;
        const int was = PitchClass(root, rootAcc);
        root = Wrap7(root + amount);
        const int shift = Wrap12(LetterSemitone(root) - was);
        rootAcc = CTheory::GetStepAccidental(root, key);
        if (rootAcc == kNatural) rootAcc = 0;
        SpellInKey(Wrap12(PitchClass(bass, bassAcc) + shift), key, bass, bassAcc);
    } else if (mode == 2) {
        SpellInKey(Wrap12(PitchClass(root, rootAcc) + amount), key, root, rootAcc);
        SpellInKey(Wrap12(PitchClass(bass, bassAcc) + amount), key, bass, bassAcc);
    } else {
        return;
    }
    if (mode != 0 && HasBass() && bassAcc != 0) {
        const int distance = Wrap12(PitchClass(bass, bassAcc) - PitchClass(root, rootAcc));
        if (Wrap7(bass - root) != Wrap7(CTheory::GetPitchStep(60 + distance, 0))) CTheory::CycleEnharmonic(bass, bassAcc);
    }
    SetRootLetter(Wrap7(root));
    SetRootAccidental(rootAcc);
    SetBassLetter(Wrap7(bass));
    SetBassAccidental(bassAcc);
}

void CChord::TransposeKey(int fromKey, int toKey) {
    int step = GetRootLetter(), acc = GetRootAccidental();
    CTheory::TransposeSpelling(step, acc, fromKey, toKey);
    SetRootLetter(Wrap7(step));
    SetRootAccidental(acc);
    if (!HasBass()) return;
    step = GetBassLetter();
    acc = GetBassAccidental();
    CTheory::TransposeSpelling(step, acc, fromKey, toKey);
    SetBassLetter(Wrap7(step));
    SetBassAccidental(acc);
}

// --- the suffix element and the chord definition ----------------------------------------------------

FontRef SuffixElement::Font() const {
    FontRef f;
    f.face = std::uint16_t(Get16(kFont));
    f.size = std::uint16_t(Get16(kFont + 2));
    f.style = bytes[kFont + 4];
    f.pad = bytes[kFont + 5];
    return f;
}

void SuffixElement::SetFont(const FontRef& font) {
    Put16(kFont, font.face);
    Put16(kFont + 2, font.size);
    bytes[kFont + 4] = font.style;
    bytes[kFont + 5] = 0;
}

int CSuffix::CopyIntervals(int* dest) const {
    const int n = GetNoteCount();
    for (int i = 0; i < n; ++i) dest[i] = GetInterval(i);
    return n;
}

SuffixElement* CSuffix::GetElement(int i) {
    if (i < 0 || i >= GetElementCount()) return nullptr;
    return reinterpret_cast<SuffixElement*>(Bytes() + kElements + SuffixElement::kSize * i);
}

const SuffixElement* CSuffix::GetElement(int i) const { return const_cast<CSuffix*>(this)->GetElement(i); }

SuffixElement* CSuffix::AppendElement(const SuffixElement& element) {
    const int n = GetElementCount();
    if (n >= 255) return nullptr;
    const int at = kElements + SuffixElement::kSize * n;
    auto* e = reinterpret_cast<SuffixElement*>(Bytes() + at);
    std::memcpy(e, &element, SuffixElement::kSize);
    CBaseItem::SetSize(std::int16_t(at + SuffixElement::kSize));
    PutByte(kElementCount, std::uint8_t(n + 1));
    return e;
}

void CSuffix::RemoveElement(int i) {
    const int n = GetElementCount();
    if (i < 0 || i >= n) return;
    std::uint8_t* at = Bytes() + kElements + SuffixElement::kSize * i;
    std::memmove(at, at + SuffixElement::kSize, std::size_t(SuffixElement::kSize * (n - i - 1)));
    PutByte(kElementCount, std::uint8_t(n - 1));
    CBaseItem::SetSize(std::int16_t(kHeadSize + SuffixElement::kSize * (n - 1)));
}

void CSuffix::ClearElements() {
    PutByte(kElementCount, 0);
    CBaseItem::SetSize(kHeadSize);
}

void CSuffix::ShiftElements(int code, int delta, int face) {
    const std::uint16_t music = g_draw.standardFontRefs[4].face;
    for (int i = 0; i < GetElementCount(); ++i) {
        SuffixElement& e = *GetElement(i);
        if (e.Code() != code) continue;
        e.SetDy(e.Dy() + delta);
        FontRef f = e.Font();
        if (IsGlyphText(ElementText(code)))
            f.face = music;
        else if (f.face == music)
            f.face = std::uint16_t(face);
        e.SetFont(f);
    }
}

void CSuffix::InitFromNotes(int rootPitch, int n, const int* pitches) {
    n = std::clamp(n, 0, kMaxNotes);
    PutByte(kNoteCount, std::uint8_t(n));
    int intervals[kMaxNotes] = {};
    for (int i = 0; i < n; ++i) {
        intervals[i] = pitches[i] - pitches[0];
        PutByte(kIntervals + i, std::uint8_t(std::int8_t(intervals[i])));
    }
    SetKey(MakeChordKey(0, intervals, n));
    SetRootOffset(n ? rootPitch - pitches[0] : rootPitch);
}

void CSuffix::SetIntervals(int n, const int* intervals) {
    n = std::clamp(n, 0, kMaxNotes);
    PutByte(kNoteCount, std::uint8_t(n));
    for (int i = 0; i < kMaxNotes; ++i) PutByte(kIntervals + i, std::uint8_t(std::int8_t(i < n ? intervals[i] : 0)));
}

void CSuffix::InitEmpty() {
    CBaseItem::SetType(kType);
    CBaseItem::SetSize(kHeadSize);
    std::memset(Bytes() + rec::kHeadEnd, 0, std::size_t(kHeadSize - rec::kHeadEnd));
}

// --- the guitar frame ----------------------------------------------------------------------------

std::string_view CGuitarFrame::GetName() const {
    const int room = std::min(kNameSize - 1, int(RecordSizeField()) - kName);
    if (room <= 0) return {};
    const char* p = reinterpret_cast<const char*>(Bytes() + kName);
    return std::string_view(p, ::strnlen(p, std::size_t(room)));
}

void CGuitarFrame::SetName(std::string_view name) {
    if (RecordSizeField() < kName + kNameSize) return;
    std::memset(Bytes() + kName, 0, kNameSize);
    const std::size_t n = std::min(name.size(), std::size_t(kNameSize - 1));
    if (n) std::memcpy(Bytes() + kName, name.data(), n);
}

void CGuitarFrame::InitDefault() {
    const int size = std::min(int(RecordSizeField()), kSize);
    if (size > kHeadEnd) std::memset(Bytes() + kHeadEnd, 0, std::size_t(size - kHeadEnd));
    SetFrets(4);
    SetStrings(6);
}

void CGuitarFrame::Respell(bool german) {
    std::string name(GetName());
    const auto respellAt = [&](std::size_t at) {
        if (at + 1 >= name.size()) return;
        char& letter = name[at];
        if (letter < 'A' || letter > 'G') return;
        // C flat, F flat, E sharp and B sharp have no spelling with the other accidental: they
        // take the natural of the neighbouring letter.
        if (name[at + 1] == 'b') {
            const bool natural = letter == 'C' || letter == 'F';
            letter = letter == 'A' ? 'G' : char(letter - 1);
            if (natural)
                name.erase(at + 1, 1);
            else
                name[at + 1] = '#';
        } else if (name[at + 1] == '#') {
            const bool natural = letter == 'E' || letter == 'B';
            letter = letter == 'G' ? 'A' : char(letter + 1);
            if (natural)
                name.erase(at + 1, 1);
            else
                name[at + 1] = 'b';
        }
    };
    const std::size_t oldSlash = name.find('/');
    respellAt(0);
    // The root may have lost its accidental: the bass is found again.
    const std::size_t slash = oldSlash == std::string::npos ? oldSlash : name.find('/');
    if (slash != std::string::npos) respellAt(slash + 1);
    if (german && !name.empty() && name[0] == 'B') {
        if (name.size() > 1 && name[1] == 'b')
            name.erase(1, 1);
        else
            name[0] = 'H';
    }
    SetName(name);
}

bool CGuitarFrame::SameFingering(const CGuitarFrame& other) const {
    if (RecordSizeField() < kNameOnly || other.RecordSizeField() < kNameOnly) return false;
    return std::memcmp(Bytes() + kBarres, other.Bytes() + kBarres, 2 * kMaxStrings) == 0;
}

void CGuitarFrame::CopyShape(const CGuitarFrame& other) {
    if (RecordSizeField() < kSize || other.RecordSizeField() < kSize) return;
    std::memcpy(Bytes() + kRoot, other.Bytes() + kRoot, kNameOnly - kRoot);
    SetName(other.GetName());
    std::memcpy(Bytes() + kFingers, other.Bytes() + kFingers, kMaxStrings);
    SetKey(other.GetKey());
}

bool CGuitarFrame::SplitSlashName(std::string_view name, std::string* main, std::string* bass) {
    for (std::size_t i = 0; i + 1 < name.size(); ++i) {
        const char c = name[i + 1];
        if (name[i] == '/' && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) {
            if (main) *main = std::string(name.substr(0, i));
            if (bass) *bass = std::string(name.substr(i));
            return true;
        }
    }
    if (main) *main = std::string(name);
    if (bass) bass->clear();
    return false;
}

// --- the tunings -----------------------------------------------------------------------------------

namespace {

struct TuningRow {
    const char* name;
    int strings;
    std::uint8_t pitches[6];
};
constexpr TuningRow kTuningRows[CGuitarTunings::kCount] = {
    {"Guitar", 6, {76, 71, 67, 62, 57, 52}},
    {"Guitar Drop D", 6, {76, 71, 67, 62, 57, 50}},
    {"Guitar Open G", 6, {74, 71, 67, 62, 55, 52}},
    {"Guitar Open D", 6, {74, 69, 66, 62, 57, 50}},
    {"Bass Guitar", 4, {55, 50, 45, 40}},
    {"Bass Guitar 5 String", 5, {55, 50, 45, 40, 35}},
    {"Bass Guitar 6 String", 6, {59, 55, 50, 45, 40, 35}},
    {"Banjo", 4, {74, 71, 67, 62}},
    {"Banjo G Modal Tuning", 4, {74, 72, 67, 62}},
    {"Banjo Double C Tuning", 4, {74, 72, 67, 60}},
    {"Lute", 6, {76, 71, 66, 62, 57, 52}},
    {"Dobro", 6, {74, 71, 67, 62, 59, 55}},
    {"Mandolin", 4, {76, 69, 62, 55}},
};

}  // namespace

void CGuitarTunings::FillTunings() {
    for (int i = 0; i < kCount; ++i) {
        GuitarTuning& t = tunings[i];
        t = GuitarTuning{};
        t.strings = std::uint8_t(kTuningRows[i].strings);
        std::memcpy(t.pitches, kTuningRows[i].pitches, sizeof kTuningRows[i].pitches);
        std::strncpy(t.name, kTuningRows[i].name, sizeof t.name - 1);
    }
    count = kCount;
}

int CGuitarTunings::GetFramePitches(const CGuitarFrame& frame, int* out) const {
    const GuitarTuning* t = GetTuning(frame.GetTuning());
    if (!t) return 0;
    // The tuning's strings, never more than the frame's arrays hold.
    const int strings = std::min(int(t->strings), CGuitarFrame::kMaxStrings);
    int n = 0;
    for (int i = 0; i < strings; ++i) {
        const int v = frame.GetStringFret(i);
        if (v < 0) continue;
        out[n++] = t->pitches[i] + v + (v != 0 ? frame.GetBaseFret() : 0);
    }
    return n;
}

int CGuitarTunings::GetSoundingPitches(const CGuitarFrame& frame, int* out) const {
    const int n = GetFramePitches(frame, out);
    for (int i = 0; i < n; ++i) out[i] += frame.GetCapo();
    return n;
}

int CGuitarTunings::ComputeFrameKey(CGuitarFrame& frame) const {
    if (frame.GetTuning() >= count) return 0;
    int pitches[kMaxPitches];
    const int n = GetFramePitches(frame, pitches);
    for (int i = 0; i < n; ++i) pitches[i] %= 12;
    int letter = 0, accidental = 0, semitone = 0;
    DecodeChordRoot(frame.GetRoot(), &letter, &accidental, &semitone);
    const int key = MakeChordKey(semitone, pitches, n);
    frame.SetKey(key);
    return key;
}

int CGuitarTunings::FindShapeIndex(const CGuitarFrame& frame, const std::vector<const CGuitarFrame*>& library) {
    int n = 0;
    for (const CGuitarFrame* f : library) {
        if (!f || f->GetRoot() != frame.GetRoot() || f->GetBass() != frame.GetBass() ||
            f->GetChordType() != frame.GetChordType() || f->GetTuning() != frame.GetTuning())
            continue;
        if (f->SameFingering(frame)) return n;
        ++n;
    }
    return -1;
}

int CGuitarTunings::FindKey(int k) const {
    for (int i = 0; i < keyCount; ++i)
        if (keys[i] == k) return i;
    return 0;
}

void CGuitarTunings::SetKeys(const std::uint8_t* bytes, int n) {
    keyCount = std::clamp(n, 0, 255);
    std::memcpy(keys, bytes, std::size_t(keyCount));
}

// --- the guitar frame's transposition -----------------------------------------------------------------

const char* ChordRootName(int index) {
    static const char* const kNames[] = {"C", "C#", "Db", "D", "D#", "Eb", "E", "F", "F#",
                                         "Gb", "G", "G#", "Ab", "A", "A#", "Bb", "B", "Cb"};
    return index >= 0 && index < 18 ? kNames[index] : "";
}

void CGuitarFrame::ReplaceFromLibrary(int root, int bass, const std::vector<const CGuitarFrame*>& library) {
    const auto sameChord = [&](const CGuitarFrame* f, int r, int b) {
        return f && f->GetRoot() == r && f->GetBass() == b && f->GetChordType() == GetChordType() &&
               f->GetTuning() == GetTuning();
    };
    std::vector<const CGuitarFrame*> matches;
    for (const CGuitarFrame* f : library)
        if (sameChord(f, root, bass)) matches.push_back(f);
    if (matches.empty()) {
        const std::string old(GetName());
        std::size_t rest = old.empty() ? 0 : 1;
        if (rest < old.size() && (old[rest] == '#' || old[rest] == 'b')) ++rest;
        std::string name = ChordRootName(root) + old.substr(rest);
        const std::size_t slash = name.find('/');
        if (slash != std::string::npos) name = name.substr(0, slash + 1) + ChordRootName(bass);
        SetRoot(root);
        SetBass(bass);
        SetName(name);
        SetBaseFret(0);
        std::memset(Bytes() + kBarres, 0, std::size_t(kNameOnly - kBarres));
        std::memset(Bytes() + kFingers, 0, std::size_t(kMaxStrings));
        return;
    }
    const CGuitarFrame* chosen = nullptr;
    if (GetBaseFret() > 0) {
        int best = 0;
        for (const CGuitarFrame* m : matches) {
            const int d = std::abs(m->GetBaseFret() - GetBaseFret());
            if (d > 3) continue;
            if (!chosen || d < best) {
                chosen = m;
                best = d;
            } else if (d == best && m->GetBaseFret() > 0 && m->GetBaseFret() != chosen->GetBaseFret()) {
                chosen = m;
            }
        }
    }
    if (!chosen) {
        // This frame's shape among the library's frames of its old chord.
        const int ordinal = CGuitarTunings::FindShapeIndex(*this, library);
        chosen = ordinal >= 0 && ordinal < int(matches.size()) ? matches[std::size_t(ordinal)] : matches[0];
    }
    const CGuitarFrame& c = *chosen;
    SetRoot(c.GetRoot());
    SetBass(c.GetBass());
    SetStrings(c.GetStringsByte());
    SetFrets(c.GetFrets());
    SetBaseFret(c.GetBaseFret());
    SetKey(c.GetKey());
    std::memcpy(Bytes() + kBarres, c.Bytes() + kBarres, std::size_t(kNameOnly - kBarres));
    SetName(c.GetName());
}

void CGuitarFrame::Transpose(int amount, int mode, int key, const std::vector<const CGuitarFrame*>& library) {
    int rl = 0, ra = 0, rs = 0, bl = 0, ba = 0, bs = 0;
    if (!DecodeChordRoot(GetRoot(), &rl, &ra, &rs)) return;
    const bool bassKnown = DecodeChordRoot(GetBass(), &bl, &ba, &bs);
    const auto move = [&](int& letter, int& acc) {
        if (mode == 0) {
            MoveByInterval(letter, acc, amount);
            // C flat becomes B (the others are mapped by the encoding).
            if (Wrap7(letter) == 0 && acc == CChord::kFlat) letter = 6, acc = 0;
        } else if (mode == 1) {
            letter = Wrap7(letter + amount);
            acc = CTheory::GetStepAccidental(letter, key);
            if (acc == CChord::kNatural) acc = 0;
        } else if (mode == 2) {
            SpellInKey(Wrap12(PitchClass(letter, acc) + amount), key, letter, acc);
        }
    };
    if (mode < 0 || mode > 2) return;
    move(rl, ra);
    if (bassKnown) move(bl, ba);
    const int root = EncodeChordRoot(Wrap7(rl), ra);
    const int bass = bassKnown ? EncodeChordRoot(Wrap7(bl), ba) : GetBass();
    if (root >= 0 && bass >= 0) ReplaceFromLibrary(root, bass, library);
}

void CGuitarFrame::TransposeKey(int fromKey, int toKey, const std::vector<const CGuitarFrame*>& library) {
    int rl = 0, ra = 0, rs = 0, bl = 0, ba = 0, bs = 0;
    if (!DecodeChordRoot(GetRoot(), &rl, &ra, &rs)) return;
    const bool bassKnown = DecodeChordRoot(GetBass(), &bl, &ba, &bs);
    CTheory::TransposeSpelling(rl, ra, fromKey, toKey);
    if (bassKnown) CTheory::TransposeSpelling(bl, ba, fromKey, toKey);
    const int root = EncodeChordRoot(Wrap7(rl), ra);
    const int bass = bassKnown ? EncodeChordRoot(Wrap7(bl), ba) : GetBass();
    if (root >= 0 && bass >= 0) ReplaceFromLibrary(root, bass, library);
}
