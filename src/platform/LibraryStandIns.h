// Least forms of three user libraries that later work writes: the expression, chord and
// guitar-frame libraries. Each is a library of its kind's fixed-size entries with nothing read
// from a file yet; start-up makes one of each (g_platform), tests fill their entries.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/Library.h"

// The expression library: 128-byte entries (playback kind, flags, text style at 10, text at 16
// in a 32-byte field, playback value at 48).
class CExprLib : public CLibrary {
public:
    static constexpr int kEntrySize = 128;
    CExprLib() { SetItemSize(kEntrySize); }
    std::unique_ptr<CLibrary> Clone() override { return CloneOf(*this); }
    bool CopyTo(CLibrary& dest) override { return CopyOf(*this, dest); }
    // Appends a copy of an entry; false when memory runs out.
    bool AddEntry(const void* entry) { return items->Add(entry) != nullptr; }
};

// The chord library: its entries (guitar frames) and its mode option (0 chord symbols, 1 guitar
// frames). It names no chord until it is built.
class CChordLib : public CLibrary {
public:
    static constexpr int kEntrySize = 104;
    CChordLib() { SetItemSize(kEntrySize); }
    std::unique_ptr<CLibrary> Clone() override { return CloneOf(*this); }
    bool CopyTo(CLibrary& dest) override { return CopyOf(*this, dest); }
    bool AddEntry(const void* entry) { return items->Add(entry) != nullptr; }
    // The library index of the chord the pitches (at most 12) form; -1 when none.
    virtual int NameChord(const int* pitches, int count) { return -1; }
    // `CChordLib::EditWithNotes` (n, pitches, confirm): the library's editor opened on the notes
    // as if played. The editor is not built: the notes are kept and nothing opens.
    virtual void EditWithNotes(int n, const int* pitches, bool confirm) { editNotes.assign(pitches, pitches + n); }
    std::vector<int> editNotes;
    std::uint8_t mode = 0;
    // The chord definitions (whole records) that chord symbols name by key, and the styles of
    // the major, minor, diminished and augmented words; tests and scripts add definitions.
    const std::uint8_t* FindDefinition(int key) const {
        for (const auto& d : definitions)
            if (d.size() >= 10 && (d[8] | (d[9] << 8)) == (key & 0xFFFF)) return d.data();
        return nullptr;
    }
    void AddDefinition(const std::uint8_t* record, int size) { definitions.emplace_back(record, record + size); }
    std::vector<std::vector<std::uint8_t>> definitions;
    std::uint8_t wordStyles[4] = {};
};

// The guitar-frame library: its entries only.
class CGuitarLib : public CLibrary {
public:
    static constexpr int kEntrySize = 104;
    CGuitarLib() { SetItemSize(kEntrySize); }
    std::unique_ptr<CLibrary> Clone() override { return CloneOf(*this); }
    bool CopyTo(CLibrary& dest) override { return CopyOf(*this, dest); }
};
