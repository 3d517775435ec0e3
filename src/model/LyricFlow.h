// The lyric window's flow: the syllables of one verse of one voice as running text. Load reads
// them from the notes on (a space for a note without one), the scanner cuts edited text into
// syllable tokens by the character set of each style run's face, the line record keeps text,
// runs and tokens, and the flow operation puts one syllable under each note in one undoable
// step; Delete removes the verse's syllables the same way.
//
// Counting: a character is one for a double-byte character of the code page and one for a line
// break, as the rich-text control counts; the line record's entries name bytes of the text.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "model/EditTask.h"
#include "platform/FontRef.h"

class CScore;
class CZelDoc;

// A style run: its first character and font.
struct LyricRun {
    int first = 0;
    FontRef font{};
};

// One token of the scanner.
struct LyricToken {
    // The line record's kinds (2 bits of an entry).
    enum Kind : std::uint8_t { kSyllable = 0, kExtender = 1, kHyphen = 2, kEmptySlot = 3 };
    Kind kind = kSyllable;
    std::string text;      // a syllable's characters (code page), markers joined out
    int first = 0;         // first character
    int end = 0;           // the character after it
    int byteOffset = 0;    // first byte in the text
    int run = 0;           // the style run at the first character
    int width = 0;         // view units (filled by the window's measure)
    bool wordEnd = false;  // a syllable whose word-end space was swallowed with it
};

// Where a verse starts: track, bar, voice, verse (all from 0).
struct LyricPlace {
    int track = 0, bar = 0, voice = 0, verse = 0;
};

namespace lyricflow {

// The string-table markers: extender, hyphen, the joiner of the Japanese rule.
enum : int { kExtenderString = 9000, kHyphenString = 9001, kJoinString = 9002 };
// The undo name of the window's operations, the message of a refused verse.
enum : int { kUndoNameString = 6040, kTooManyRunsString = 10863 };
// The run index of a line entry has six bits.
constexpr int kMaxRuns = 64;

// Cuts text into tokens: single-byte faces and other faces by the markers and the multi-byte
// space test; faces for which `japanese` answers true make every character a syllable, "^"
// joining two. `runs` must start at character 0 (an empty list: one run of no font).
std::vector<LyricToken> Scan(const std::string& text, const std::vector<LyricRun>& runs,
                             const std::function<bool(int face)>& japanese);

// Builds the line record (type 13) of a verse into out: place, the Japanese flag, the text,
// the runs and one entry per token. False (out empty) when there are more than 64 runs.
bool BuildLine(std::vector<std::uint8_t>& out, const LyricPlace& place, const std::string& text,
               const std::vector<LyricRun>& runs, const std::vector<LyricToken>& tokens, bool japaneseText);

// The verse's text from the place's bar on: each syllable then "-", "_" or a space, a space
// for a note without one (not after an open extender nor, with skipTied, for a tie's
// continuation), trailing spaces dropped; the runs where the font changes; whether the first
// syllable shows the verse number. Stops after the bar that ends its system when toSystemEnd.
std::string LoadText(CScore* score, const LyricPlace& place, bool skipTied, bool toSystemEnd,
                     std::vector<LyricRun>* runs, bool* verseNumber);

}  // namespace lyricflow

// Flows a verse's tokens onto the notes of the voice from the place on: one syllable per note,
// old syllables of the verse erased from the first note used to the end of the last one's bar.
// Undone and redone by its snapshot; after a swap the score's lyric lines are counted again.
class CLyricWndTask : public CScoreTask {
public:
    CLyricWndTask(const LyricPlace& place, std::vector<LyricToken> tokens, std::vector<LyricRun> runs,
                  std::vector<std::uint8_t> line, bool verseNumber, bool skipTied);
    bool Perform() override;
    void SwapSnapshot() override;

    // The line record it flows.
    const std::vector<std::uint8_t>& Line() const { return line_; }

private:
    bool Flow();
    LyricPlace place_;
    std::vector<LyricToken> tokens_;
    std::vector<LyricRun> runs_;
    std::vector<std::uint8_t> line_;
    bool verseNumber_ = false;
    bool skipTied_ = false;
};

// Removes a verse's syllables of the voice from the place's bar on (to the end of the system
// with toSystemEnd); one undo step named like the flow.
class CLyricDeleteTask : public CScoreTask {
public:
    CLyricDeleteTask(const LyricPlace& place, bool toSystemEnd) : place_(place), toSystemEnd_(toSystemEnd) {}
    bool Perform() override;
    void SwapSnapshot() override;

private:
    LyricPlace place_;
    bool toSystemEnd_ = false;
};
