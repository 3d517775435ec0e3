#include "platform/Theory.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "framework/StringTable.h"
#include "platform/PlatformGlobals.h"

const CTheory g_theory;

namespace {

// One key: 46 signed bytes.
struct KeyRow {
    signed char tonic;          // tonic pitch in octave 4
    signed char count;          // accidentals in the signature
    signed char tonicStep;      // step of the tonic
    signed char signature[7];   // accidental of each scale degree counted from the tonic
    signed char degreeRow[12];  // by semitone distance: the key reached
    signed char secondRow[12];  // a second row by pitch class
    signed char spelling[12];   // accidental written for each semitone above the tonic
};
static_assert(sizeof(KeyRow) == 46);

const KeyRow kKeys[CTheory::kKeyCount] = {
    {60, 0, 0, {0, 0, 0, 0, 0, 0, 0}, {0, 5, 9, 3, 11, 1, 6, 8, 4, 10, 2, 7},
     {0, 5, 9, 3, 11, 1, 6, 8, 4, 10, 2, 7}, {0, 1, 0, 2, 0, 0, 1, 0, 1, 0, 2, 0}},
    {65, 1, 3, {0, 0, 0, 2, 0, 0, 0}, {1, 6, 8, 4, 10, 2, 7, 0, 5, 9, 3, 11},
     {1, 6, 8, 4, 10, 2, 7, 0, 5, 9, 3, 11}, {0, 1, 0, 2, 0, 0, 3, 0, 1, 0, 2, 0}},
    {70, 2, 6, {2, 0, 0, 2, 0, 0, 0}, {2, 7, 0, 5, 9, 3, 11, 1, 6, 8, 4, 10},
     {2, 7, 0, 5, 9, 3, 11, 1, 6, 8, 4, 10}, {0, 3, 0, 2, 0, 0, 3, 0, 1, 0, 2, 0}},
    {63, 3, 2, {2, 0, 0, 2, 2, 0, 0}, {3, 11, 1, 6, 8, 4, 10, 2, 7, 0, 5, 9},
     {3, 11, 1, 6, 8, 4, 10, 2, 7, 0, 5, 9}, {0, 3, 0, 2, 0, 0, 3, 0, 3, 0, 2, 0}},
    {68, 4, 5, {2, 2, 0, 2, 2, 0, 0}, {4, 10, 2, 7, 0, 5, 9, 3, 11, 1, 6, 8},
     {4, 10, 2, 7, 0, 5, 9, 3, 11, 1, 6, 8}, {0, 3, 0, 2, 0, 0, 3, 0, 3, 0, 2, 0}},
    {61, 5, 1, {2, 2, 0, 2, 2, 2, 0}, {5, 9, 3, 11, 1, 6, 8, 4, 10, 2, 7, 0},
     {5, 9, 3, 11, 1, 6, 8, 4, 10, 2, 7, 0}, {0, 3, 0, 2, 0, 0, 3, 0, 3, 0, 2, 0}},
    {66, 6, 4, {2, 2, 2, 2, 2, 2, 0}, {6, 8, 4, 10, 2, 7, 0, 5, 9, 3, 11, 1},
     {6, 8, 11, 10, 2, 7, 0, 5, 9, 3, 11, 1}, {0, 3, 0, 5, 0, 0, 3, 0, 3, 0, 2, 0}},
    {59, 7, 0, {2, 2, 2, 2, 2, 2, 2}, {7, 0, 5, 9, 3, 11, 1, 6, 8, 4, 10, 2},
     {7, 0, 5, 9, 3, 11, 1, 6, 8, 4, 10, 2}, {0, 3, 0, 5, 0, 0, 3, 0, 3, 0, 5, 0}},
    {67, 1, 4, {0, 0, 0, 0, 0, 0, 1}, {8, 4, 10, 2, 12, 0, 14, 9, 3, 11, 1, 13},
     {8, 4, 10, 2, 12, 0, 14, 9, 3, 11, 1, 13}, {0, 1, 0, 2, 0, 0, 1, 0, 1, 0, 3, 0}},
    {62, 2, 1, {0, 0, 1, 0, 0, 0, 1}, {9, 3, 11, 1, 13, 8, 4, 10, 2, 12, 0, 14},
     {9, 3, 11, 1, 13, 8, 4, 10, 2, 12, 0, 14}, {0, 1, 0, 3, 0, 0, 1, 0, 1, 0, 3, 0}},
    {69, 3, 5, {0, 0, 1, 0, 0, 1, 1}, {10, 2, 12, 0, 14, 9, 3, 11, 1, 13, 8, 4},
     {10, 2, 12, 0, 14, 9, 3, 11, 1, 13, 8, 4}, {0, 1, 0, 3, 0, 0, 1, 0, 1, 0, 3, 0}},
    {64, 4, 2, {0, 1, 1, 0, 0, 1, 1}, {11, 1, 13, 8, 4, 10, 2, 12, 0, 14, 9, 3},
     {11, 1, 13, 8, 4, 10, 2, 12, 0, 14, 9, 3}, {0, 1, 0, 3, 0, 0, 1, 0, 1, 0, 3, 0}},
    {71, 5, 6, {0, 1, 1, 0, 1, 1, 1}, {12, 0, 14, 9, 3, 11, 1, 13, 8, 4, 10, 2},
     {12, 0, 14, 9, 3, 11, 1, 13, 8, 4, 10, 2}, {0, 1, 0, 3, 0, 0, 1, 0, 4, 0, 3, 0}},
    {66, 6, 3, {1, 1, 1, 0, 1, 1, 1}, {13, 8, 4, 10, 2, 12, 0, 14, 9, 3, 11, 1},
     {13, 8, 4, 10, 2, 12, 0, 14, 9, 3, 11, 1}, {0, 4, 0, 3, 0, 0, 1, 0, 4, 0, 3, 0}},
    {61, 7, 0, {1, 1, 1, 1, 1, 1, 1}, {14, 9, 3, 11, 1, 13, 8, 4, 10, 2, 12, 0},
     {14, 9, 3, 11, 1, 13, 8, 4, 10, 2, 12, 0}, {0, 4, 0, 3, 0, 0, 4, 0, 4, 0, 3, 0}},
};

// One clef: 20 bytes. Every flat and sharp of a key signature lies on its own letter for the
// clef's offset: soprano and mezzo-soprano clefs keep the zig-zag of the baritone clef moved to
// their letters, the octave bass clefs place the G sharp on G, and the percussion clefs, which
// place notes as the treble clef does, carry the treble clef's places.
struct ClefRow {
    std::uint16_t glyph;    // music-font character
    signed char symbolPos;  // staff position the symbol is drawn at
    signed char offset;     // added to absolute step counts
    signed char flats[8];   // B E A D G C F, then 0
    signed char sharps[8];  // F C G D A E B, then 0
};

const ClefRow kClefs[CTheory::kClefCount] = {
    {128, -2, -6, {0, 3, -1, 2, -2, 1, -3, 0}, {4, 1, 5, 2, -1, 3, 0, 0}},
    {129, 2, 6, {-2, 1, -3, 0, -4, -1, -5, 0}, {2, -1, 3, 0, -3, 1, -2, 0}},
    {130, 0, 0, {-1, 2, -2, 1, -3, 0, -4, 0}, {3, 0, 4, 1, -2, 2, -1, 0}},
    {130, 2, 2, {1, 4, 0, 3, -1, 2, -2, 0}, {-2, 2, -1, 3, 0, 4, 1, 0}},
    {130, -4, -4, {2, -2, 1, -3, 0, -4, -1, 0}, {-1, -4, 0, -3, 1, -2, 2, 0}},
    {130, -2, -2, {4, 0, 3, -1, 2, -2, 1, 0}, {1, -2, 2, -1, 3, 0, 4, 0}},
    {130, 4, 4, {3, -1, 2, -2, 1, -3, 0, 0}, {0, -3, 1, -2, 2, -1, 3, 0}},
    {133, -2, -13, {0, 3, -1, 2, -2, 1, -3, 0}, {4, 1, 5, 2, -1, 3, 0, 0}},
    {135, 2, -1, {-2, 1, -3, 0, -4, -1, -5, 0}, {2, -1, 3, 0, -3, 1, -2, 0}},
    {134, -2, 1, {0, 3, -1, 2, -2, 1, -3, 0}, {4, 1, 5, 2, -1, 3, 0, 0}},
    {136, 2, 13, {-2, 1, -3, 0, -4, -1, -5, 0}, {2, -1, 3, 0, -3, 1, -2, 0}},
    {131, 0, -6, {0, 3, -1, 2, -2, 1, -3, 0}, {4, 1, 5, 2, -1, 3, 0, 0}},
    {132, 0, -6, {0, 3, -1, 2, -2, 1, -3, 0}, {4, 1, 5, 2, -1, 3, 0, 0}},
    {137, 0, -6, {0, 3, -1, 2, -2, 1, -3, 0}, {4, 1, 5, 2, -1, 3, 0, 0}},
};

// Semitones of each step of the major scale.
const int kMajorSemitones[7] = {0, 2, 4, 5, 7, 9, 11};
// Semitones an accidental code moves a note (also its deviation from no accidental).
const int kAccidentalSemitones[6] = {0, 1, -1, 0, 2, -2};
// Step above the tonic of each pitch class above the tonic.
const int kPitchClassStep[12] = {0, 0, 1, 2, 2, 3, 3, 4, 4, 5, 6, 6};

// Intervals by number - 1: (steps, semitones), augmented unison to minor seventh. The minor
// second has two numbers (2 and 3), as the program has always numbered them.
struct Interval {
    int steps;
    int semitones;
};
const Interval kIntervals[CTheory::kIntervalCount] = {
    {0, 1}, {1, 1}, {1, 1}, {1, 2}, {1, 3}, {2, 3}, {2, 4}, {3, 4},
    {3, 5}, {3, 6}, {4, 6}, {4, 7}, {4, 8}, {5, 8}, {5, 9}, {6, 10},
};

int Mod(int v, int m) {
    int r = v % m;
    return r < 0 ? r + m : r;
}
int FloorDiv(int v, int m) { return (v - Mod(v, m)) / m; }

const KeyRow& Key(int key) { return kKeys[key >= 0 && key < CTheory::kKeyCount ? key : 0]; }
const ClefRow& Clef(int clef) { return kClefs[clef >= 0 && clef < CTheory::kClefCount ? clef : 0]; }
int AccSemis(int accidental) { return accidental >= 0 && accidental <= 5 ? kAccidentalSemitones[accidental] : 0; }

// The accidental code for a deviation of -2..2 semitones from the plain step (0 gives natural).
int AccidentalForDeviation(int d) {
    switch (d) {
    case -2: return CTheory::kDoubleFlat;
    case -1: return CTheory::kFlat;
    case 1: return CTheory::kSharp;
    case 2: return CTheory::kDoubleSharp;
    default: return CTheory::kNatural;
    }
}

int Clamp(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

std::string LetterText(int step, int style) {
    std::string text;
    unsigned base = style == CTheory::kSolfege ? CTheory::kSolfegeStringBase : CTheory::kLetterStringBase;
    fw::LoadStringResource(base + unsigned(Mod(step, 7)), text);
    return text;
}

void UpperAscii(std::string& s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
}

const char* AccidentalText(int accidental) {
    switch (accidental) {
    case CTheory::kSharp: return "#";
    case CTheory::kFlat: return "b";
    case CTheory::kDoubleSharp: return "x";
    case CTheory::kDoubleFlat: return "bb";
    default: return "";
    }
}

}  // namespace

// --- keys ------------------------------------------------------------------------------------

int CTheory::CountKeyChangeAccidentals(int newKey, int oldKey) {
    auto count = [](int key) { return key >= 1 && key < kKeyCount ? (key > 7 ? key - 7 : key) : 0; };
    int n = count(newKey), o = count(oldKey);
    if (o == 0) return n;
    bool newFlat = newKey >= 1 && newKey <= 7, newSharp = newKey >= 8 && newKey < kKeyCount;
    bool oldFlat = oldKey >= 1 && oldKey <= 7, oldSharp = oldKey >= 8 && oldKey < kKeyCount;
    if ((newFlat && oldFlat) || (newSharp && oldSharp)) return n > o ? n : o;
    return n + o;
}

int CTheory::GetKeyAccidentalCount(int key) { return Key(key).count; }

int CTheory::GetKeyDegreeStep(int key, int n) { return Key(key).degreeRow[Mod(n, 12)]; }

void CTheory::GetKeyTonic(int key, int& tonic, int& relativeMinor) {
    tonic = Key(key).tonic;
    relativeMinor = tonic - 3;
}

int CTheory::GetStepAccidental(int step, int key) {
    const KeyRow& k = Key(key);
    return k.signature[Mod(step - k.tonicStep, 7)];
}

// --- pitches and spelling ----------------------------------------------------------------------

int CTheory::GetPitchAccidental(int pitch, int key) {
    const KeyRow& k = Key(key);
    return k.spelling[Mod(pitch - k.tonic, 12)];
}

int CTheory::GetPitchStep(int pitch, int key) {
    const KeyRow& k = Key(key);
    return Mod(k.tonicStep + kPitchClassStep[Mod(pitch - k.tonic, 12)], 7);
}

void CTheory::SpellPitch(int pitch, int key, SpelledNote& note) {
    note.step = GetPitchStep(pitch, key);
    note.accidental = GetPitchAccidental(pitch, key);
    if (note.accidental == kNone) note.accidental = GetStepAccidental(note.step, key);
}

int CTheory::StepToSemitone(int step, int accidental) {
    return 12 * FloorDiv(step, 7) + kMajorSemitones[Mod(step, 7)] + AccSemis(accidental);
}

int CTheory::AccidentalSign(int accidental) {
    return accidental == kSharp ? 1 : accidental == kFlat ? -1 : 0;
}

// --- staff positions ---------------------------------------------------------------------------

int CTheory::PitchToStaffPos(int pitch, int clef, int key) {
    const KeyRow& k = Key(key);
    int d = pitch - k.tonic;
    return Clef(clef).offset + 7 * FloorDiv(d, 12) + k.tonicStep + kPitchClassStep[Mod(d, 12)];
}

int CTheory::StepToStaffPos(int degree, int clef, int key) {
    return degree + Key(key).tonicStep + Clef(clef).offset;
}

void CTheory::StaffPosToPitchAcc(int pos, int clef, int key, int& pitch, int& accidental) {
    const KeyRow& k = Key(key);
    int v = pos - Clef(clef).offset - k.tonicStep + 56;
    int degree = Mod(v, 7);
    int p = k.tonic + (FloorDiv(v, 7) - 8) * 12 + kMajorSemitones[degree];
    while (p < 0) p += 12;
    while (p > 127) p -= 12;
    pitch = p;
    accidental = k.signature[degree];
}

int CTheory::StaffPosToPitch(int pos, int clef, int key) {
    int pitch, accidental;
    StaffPosToPitchAcc(pos, clef, key, pitch, accidental);
    return pitch;
}

int CTheory::StaffPosToDegree(int pos, int clef, int key) {
    return Mod(pos - Clef(clef).offset - Key(key).tonicStep + 56, 7);
}

// --- clefs -------------------------------------------------------------------------------------

int CTheory::ClefShift(int a, int b) { return Clef(a).offset - Clef(b).offset; }
int CTheory::GetClefGlyph(int clef) { return Clef(clef).glyph; }
int CTheory::GetClefSymbolPos(int clef) { return Clef(clef).symbolPos; }
int CTheory::GetClefFlatPos(int clef, int i) { return i >= 0 && i < 8 ? Clef(clef).flats[i] : 0; }
int CTheory::GetClefSharpPos(int clef, int i) { return i >= 0 && i < 8 ? Clef(clef).sharps[i] : 0; }

// --- moving spelled notes ----------------------------------------------------------------------

void CTheory::CycleEnharmonic(int& step, int& accidental) {
    int s = Mod(step, 7);
    int a = accidental;
    switch (s) {
    case 0:
    case 3:  // C, F
        if (a == kSharp) s += 1, a = kFlat;
        else if (a == kFlat) s -= 1, a = kNone;
        else s -= 1, a = kSharp;
        break;
    case 2:
    case 6:  // E, B
        if (a == kSharp) s += 1, a = kNone;
        else if (a == kFlat) s -= 1, a = kSharp;
        else s += 1, a = kFlat;
        break;
    default:  // D, G, A
        if (a == kSharp) s += 1, a = kFlat;
        else if (a == kFlat) s -= 1, a = kSharp;
        break;
    }
    step = Mod(s, 7);
    accidental = a;
}

void CTheory::ShiftStepInKey(int& step, int& accidental, int n, int key, bool simplify) {
    // The note's accidental as a deviation from the signature.
    int d = accidental;
    int k = GetStepAccidental(step, key);
    if (d == kNone) {
        if (k == kFlat) d = kSharp;
        else if (k == kSharp) d = kFlat;
    } else if (d == k) {
        d = kNone;
    }
    int s = Mod(step + n, 7);
    int k2 = GetStepAccidental(s, key);
    int a = k2;
    if (d != kNone) {
        if (d == kNatural && k == kSharp) a = k2 == kSharp ? kNatural : k2 == kNone ? kFlat : kNone;
        else if (d == kNatural && k == kFlat) a = k2 == kFlat ? kNatural : k2 == kNone ? kSharp : kNone;
        else if (d != kNatural && k2 == kNone) a = d;
        else if (d == kFlat && k2 == kSharp) a = kNone;
        else if (d == kSharp && k2 == kFlat) a = kNone;
        else a = k2;
    }
    if (simplify) {
        if (s == 3 && a == kFlat) s = 2, a = kNone;         // F flat -> E
        else if (s == 2 && a == kSharp) s = 3, a = kNone;   // E sharp -> F
    }
    step = s;
    accidental = a;
}

int CTheory::TransposeNote(int& pos, int& accidental, int clef, int oldKey, int newKey, int mode) {
    if (mode == 0) {
        int pitch, keyAcc;
        StaffPosToPitchAcc(pos, clef, oldKey, pitch, keyAcc);
        // The note's own accidental replaces the signature's.
        if (accidental != kNone) pitch = Clamp(pitch - AccSemis(keyAcc) + AccSemis(accidental), 0, 127);
        pos = PitchToStaffPos(pitch, clef, newKey);
        accidental = GetPitchAccidental(pitch, newKey);
        return 0;
    }
    const KeyRow& from = Key(oldKey);
    const KeyRow& to = Key(newKey);
    int degree = StaffPosToDegree(pos, clef, oldKey);
    int oldSig = from.signature[degree], newSig = to.signature[degree];
    if (accidental != kNone) {
        // Keep the deviation from the signature.
        int deviation = AccSemis(accidental) - AccSemis(oldSig);
        accidental = deviation == 0 ? kNone : AccidentalForDeviation(Clamp(AccSemis(newSig) + deviation, -2, 2));
    }
    pos += to.tonicStep - from.tonicStep;
    int shift = to.tonic - from.tonic;
    if (mode < 0 && shift > 0) pos -= 7, shift -= 12;
    else if (mode > 0 && shift < 0) pos += 7, shift += 12;
    return shift;
}

void CTheory::TransposeSpelling(int& step, int& accidental, int fromKey, int toKey) {
    const KeyRow& from = Key(fromKey);
    const KeyRow& to = Key(toKey);
    int degree = Mod(step - from.tonicStep, 7);
    int s = Mod(to.tonicStep + degree, 7);
    int sum = AccidentalSign(accidental) - AccidentalSign(from.signature[degree]) + AccidentalSign(to.signature[degree]);
    int a = kNone;
    if (sum == 1) a = kSharp;
    else if (sum == -1) a = kFlat;
    else if (sum == 2) s = Mod(s + 1, 7);
    else if (sum == -2) s = Mod(s - 1, 7);
    step = s;
    accidental = a;
}

int CTheory::TransposeStep(int& step, int& accidental, int interval) {
    int n = interval < 0 ? -interval : interval;
    if (n < 1 || n > kIntervalCount) return 0;
    const Interval& iv = kIntervals[n - 1];
    bool up = interval > 0;
    int s = step;
    int target = StepToSemitone(s, accidental) + (up ? iv.semitones : -iv.semitones);
    // A double sharp on E or B (double flat on C or F) is read from the next (previous)
    // letter first, so the result needs no triple accidental; the sound stays.
    int letter = Mod(s, 7);
    if (up && accidental == kDoubleSharp && (letter == 2 || letter == 6)) s += 1;
    else if (!up && accidental == kDoubleFlat && (letter == 0 || letter == 3)) s -= 1;
    int ns = s + (up ? iv.steps : -iv.steps);
    int d = target - StepToSemitone(ns, kNone);
    if (d > 11) d -= 12;
    else if (d < -11) d += 12;
    step = ns;
    accidental = AccidentalForDeviation(d);
    return up ? iv.semitones : -iv.semitones;
}

// --- names -------------------------------------------------------------------------------------

char CTheory::GetNoteLetter(int step) {
    std::string text = LetterText(step, kLetters);
    return text.empty() ? '?' : text[0];
}

void CTheory::FormatNoteName(int step, int accidental, int style, std::string& out,
                             std::string* accidentalOut) {
    std::string name = LetterText(step, style);
    const char* sign = AccidentalText(accidental);
    if (style == kGerman && Mod(step, 7) == 6) {
        // German names: B flat is "B" and carries no sign; every other B is "H".
        if (accidental == kFlat) sign = "";
        else name = "H";
    }
    if (accidentalOut) {
        *accidentalOut = sign;
    } else {
        name += sign;
    }
    out = name;
}

void CTheory::FormatSpelledPitch(int pitch, int key, int style, std::string& out) {
    SpelledNote note;
    SpellPitch(pitch, key, note);
    FormatNoteName(note.step, note.accidental, style, out);
}

void CTheory::FormatPitchName(int pitch, std::string& out, std::string* accidentalOut) {
    SpelledNote note;
    SpellPitch(pitch, 0, note);
    FormatNoteName(note.step, note.accidental, g_platform.noteNameStyle, out, accidentalOut);
}

void CTheory::AppendOctave(int pitch, int key, int style, std::string& out) {
    std::string name;
    FormatSpelledPitch(pitch, key, style, name);
    out += name;
    out += std::to_string(pitch / 12 - 2 + g_platform.octaveNumberOffset);
}

int CTheory::ParseNoteName(const char* text, int style) {
    if (!text) return 0;
    const bool foldCase = !g_platform.noteNamesCaseSensitive;
    std::string s(text);
    if (foldCase) UpperAscii(s);

    int step = -1;
    std::size_t used = 0;
    bool germanB = false;  // the letter B in German names
    for (int i = 0; i < 7 && step < 0; ++i) {
        std::string letter = LetterText(i, style);
        if (foldCase) UpperAscii(letter);
        if (!letter.empty() && s.compare(0, letter.size(), letter) == 0) {
            step = i;
            used = letter.size();
            germanB = style == kGerman && i == 6;
        }
    }
    if (step < 0 && style == kGerman && !s.empty() && s[0] == 'H') step = 6, used = 1;
    if (step < 0) return Clamp(std::atoi(text), 0, 127);

    const char* rest = s.c_str() + used;
    auto isFlatSign = [&](char c) { return c == 'B' || (!foldCase && c == 'b'); };
    int pitch = kMajorSemitones[step];
    // German: a B not followed by another flat sign or a sharp is B flat.
    if (germanB && !isFlatSign(*rest) && *rest != '#') pitch -= 1;
    if (*rest == '#') {
        pitch += 1;
        ++rest;
    } else if (isFlatSign(*rest)) {
        pitch -= 1;
        ++rest;
    }
    bool negative = rest[0] == '-' && std::isdigit(static_cast<unsigned char>(rest[1]));
    if (negative || std::isdigit(static_cast<unsigned char>(*rest))) {
        long octave = std::strtol(rest, nullptr, 10);
        if (octave > 100) octave = 100;
        if (octave < -100) octave = -100;
        pitch += (int(octave) + 2 - g_platform.octaveNumberOffset) * 12;
    }
    return Clamp(pitch, 0, 127);
}
