// Lyric entry: the text task in lyric mode. A syllable is typed under one note of a voice, in
// one verse; a space, hyphen or underscore typed (or Tab) stores it as a syllable record at that
// note with its flags, and the page pane moves the editor to the next note. The task also
// answers the lyric menu: the verse, copying a verse to the system clipboard as plain text,
// pasting plain text as syllables, the non-breaking characters and the verse number.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "model/TextTask.h"

class CBarItem;
class CTrkBar;

class CLyricTask : public CTextTask {
public:
    // The lyric menu.
    enum : int {
        kFirstVerse = 2650, kLastVerse = 2657, kShiftLeft = 2660, kShiftRight = 2661, kCopy = 2662,
        kPaste = 2663, kNonBreakingSpace = 2664, kNonBreakingHyphen = 2665, kVerseNumber = 2666,
    };
    // The syllable's flag bits.
    enum : std::uint8_t {
        kHyphenBit = 0x01, kExtenderBit = 0x02, kHoldsTextBit = 0x08, kVerseNumberBit = 0x10, kTiedOnBit = 0x20,
    };
    static constexpr int kVerses = 8;

    // The verse (0-7) is the document's current one; centred, in the fifth default text font.
    explicit CLyricTask(CZelDoc* doc);

    // Opens entry at a pane point (x at the note, y the verse's baseline) for a new syllable
    // (item null) or an existing one; the style bar shows its verse field.
    bool StartLyric(CZelDoc* doc, CBarItem* item, int x, int y);

    bool BuildRecord(std::vector<std::uint8_t>& record, int* refusal) override;
    void TakeOverItem(CBarItem* item, RECT& rect) override;
    void LoadText(CBarItem* item) override;
    void OnCommand(int id) override;
    // Undo and redo: the snapshot, then the score's lyric lines counted again.
    void SwapSnapshot() override;
    // With the respacing preference ("Space") on, the syllable's bar is respaced and its system
    // justified again, its bars and track bars saved first (nothing is respaced when that
    // fails). Positions in the bar may change: whoever goes on reads them again from the times.
    void AfterStore() override;

    // Splits typed text into the syllable and its flags (hyphen, extender). False when no
    // syllable is made (nothing before a hyphen or space).
    static bool Split(const std::string& text, std::string& syllable, std::uint8_t& flags);
    // The plain text of a voice's verses in a track: each syllable then "-" (hyphen) or a space,
    // verses after the first that some syllable uses on their own lines (CR LF).
    static std::string VerseText(CScore* score, int track, int voice);

    std::uint8_t showVerseNumber = 0;
    std::uint8_t spare[4] = {};
    std::uint16_t verse = 0;

private:
    // Stores text as a syllable at the note the insertion point names (the editor not read);
    // false when it cannot.
    bool StoreAt(const std::string& text, std::vector<std::uint8_t>& record);
    // Stores text as a syllable of the verse at the insertion point's note in the place of the
    // one there; false when the insertion failed (the old one then stays).
    bool StoreIntoBar(const std::string& text);
    void Paste();
    // Shifts the verse's syllables of the voice one note left or right from the entry's note,
    // then reopens entry there.
    void Shift(bool right);
};

// The document's current verse (0-7), kept on the document's insertion point and shown on the
// style bar.
int CurrentVerse(CZelDoc* doc);
void SetCurrentVerse(CZelDoc* doc, int verse);

// Lyric entry at a syllable (its double click) on the current document's current pane.
void StartLyricEntry(CBarItem& item);
