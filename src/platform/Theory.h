// Pitch and key computations over constant tables: where a MIDI pitch sits on a staff for a
// clef and key, how a pitch is spelled in a key, what a staff position sounds as, how many
// accidentals a key change shows, how a spelled note moves by a diatonic step or an interval,
// and the text of note names. Stateless; one global instance.
//
// Codes:
//   pitch       MIDI note number 0-127 (60 = middle C)
//   step        diatonic step counted from C (C 0 ... B 6); a step outside 0-6 names the letter
//               step mod 7 in another octave (interval transposition may leave one)
//   accidental  0 none, 1 sharp, 2 flat, 3 natural, 4 double sharp, 5 double flat
//   key         0 C major; 1-7 one to seven flats (F ... C flat major); 8-14 one to seven
//               sharps (G ... C sharp major)
//   clef        0-13 (0 treble, 1 bass, 2 alto, 3 tenor, ...; 13 tablature)
//   staff pos   diatonic steps, 0 = the middle line, positive upward
//
// A key or clef code outside its range is read as 0.
#pragma once
#include <cstdint>
#include <string>

// A pitch spelled as a step and an accidental.
struct SpelledNote {
    int step = 0;
    int accidental = 0;
};

class CTheory {
public:
    enum Accidental { kNone = 0, kSharp = 1, kFlat = 2, kNatural = 3, kDoubleSharp = 4, kDoubleFlat = 5 };
    enum NameStyle { kLetters = 0, kGerman = 1, kSolfege = 2 };
    static constexpr int kKeyCount = 15;
    static constexpr int kClefCount = 14;
    static constexpr int kIntervalCount = 16;
    // String ids of the note letters "C" ... "B" and the solfege syllables "do" ... "si".
    static constexpr unsigned kLetterStringBase = 3000;
    static constexpr unsigned kSolfegeStringBase = 3007;

    // --- keys ---------------------------------------------------------------------------------
    // Accidental places shown by a change from oldKey to newKey (symmetric in its arguments).
    static int CountKeyChangeAccidentals(int newKey, int oldKey);
    static int GetKeyAccidentalCount(int key);
    // The key reached n semitones above `key` (the key shown on a transposed staff).
    static int GetKeyDegreeStep(int key, int n);
    // The tonic pitch in octave 4 and the relative minor's tonic (three semitones lower).
    static void GetKeyTonic(int key, int& tonic, int& relativeMinor);
    // The signature's accidental of a step (none, sharp or flat).
    static int GetStepAccidental(int step, int key);

    // --- pitches and spelling ------------------------------------------------------------------
    // How the key spells a chromatic pitch: the accidental written (0 when the signature's).
    static int GetPitchAccidental(int pitch, int key);
    static int GetPitchStep(int pitch, int key);
    // Step and accidental; an accidental the signature carries is written out explicitly.
    static void SpellPitch(int pitch, int key, SpelledNote& note);
    // Semitones of a step above the C of its octave, moved by the accidental.
    static int StepToSemitone(int step, int accidental);
    // +1 for a sharp, -1 for a flat, 0 otherwise.
    static int AccidentalSign(int accidental);

    // --- staff positions -----------------------------------------------------------------------
    static int PitchToStaffPos(int pitch, int clef, int key);
    static int StepToStaffPos(int degree, int clef, int key);
    // The key's pitch of a staff position (kept within 0-127 by octaves) and the signature's
    // accidental there.
    static void StaffPosToPitchAcc(int pos, int clef, int key, int& pitch, int& accidental);
    static int StaffPosToPitch(int pos, int clef, int key);
    // The scale degree (0-6 from the tonic) of a staff position.
    static int StaffPosToDegree(int pos, int clef, int key);
    // The step (C 0 ... B 6) of a staff position under a clef.
    static int StaffPosToStep(int pos, int clef) { return StaffPosToDegree(pos, clef, 0); }

    // --- clefs ---------------------------------------------------------------------------------
    // Staff offset of clef a minus that of clef b.
    static int ClefShift(int a, int b);
    static int GetClefGlyph(int clef);
    static int GetClefSymbolPos(int clef);
    // Staff position of the i-th flat (B E A D G C F) or sharp (F C G D A E B) of a key
    // signature; 0 for i outside 0-6.
    static int GetClefFlatPos(int clef, int i);
    static int GetClefSharpPos(int clef, int i);
    static int GetFlatPos(int clef, int i) { return GetClefFlatPos(clef, i); }
    static int GetSharpPos(int clef, int i) { return GetClefSharpPos(clef, i); }

    // --- moving spelled notes ------------------------------------------------------------------
    // The next enharmonic spelling; the step wraps into 0-6.
    static void CycleEnharmonic(int& step, int& accidental);
    // Moves a spelled note n steps within a key; the step wraps into 0-6. With simplify,
    // F flat becomes E and E sharp becomes F.
    static void ShiftStepInKey(int& step, int& accidental, int n, int key, bool simplify = false);
    static void TransposeInKey(int& step, int& accidental, int n, int key) {
        ShiftStepInKey(step, accidental, n, key, false);
    }
    // Moves a written note (staff position and accidental as written in oldKey) for a key
    // change. Mode 0 keeps the sounding pitch and returns 0; mode 1 or -1 moves the note with
    // the key, up or down, and returns the semitone shift.
    static int TransposeNote(int& pos, int& accidental, int clef, int oldKey, int newKey, int mode);
    // Moves a spelling from one key to the same degree of another.
    static void TransposeSpelling(int& step, int& accidental, int fromKey, int toKey);
    // Transposes a spelled note by interval number 1-18 (negative: downward; 1 augmented
    // unison ... 8 perfect fourth ... 18 perfect octave). The step is not wrapped (the step
    // change is the distance moved on the staff); the new accidental is always written
    // (3 when natural). Returns the semitone change; 0 with nothing changed for an interval
    // number out of range.
    static int TransposeStep(int& step, int& accidental, int interval);

    // --- names ---------------------------------------------------------------------------------
    // First character of the letter of a step ("C" ... "B").
    static char GetNoteLetter(int step);
    static char NoteLetter(int step) { return GetNoteLetter(step); }
    // The name of a spelled note in a style (0 letters, 1 German, 2 solfege). The accidental
    // ("#", "b", "x", "bb"; nothing for natural) follows the name in out, or goes into
    // *accidentalOut when that is given. German: B natural is "H", B flat "B".
    static void FormatNoteName(int step, int accidental, int style, std::string& out,
                               std::string* accidentalOut = nullptr);
    static void FormatSpelledPitch(int pitch, int key, int style, std::string& out);
    // A pitch spelled in C major, in the naming style of the settings.
    static void FormatPitchName(int pitch, std::string& out, std::string* accidentalOut = nullptr);
    // Appends the note name of a pitch and its octave number (pitch / 12 - 2 plus the
    // octave-number setting; "-" before a negative number) to out.
    static void AppendOctave(int pitch, int key, int style, std::string& out);
    // Reads a note name with optional accidental ("#", "b") and octave number, or a plain
    // number; returns a pitch 0-127.
    static int ParseNoteName(const char* text, int style);
};

extern const CTheory g_theory;
