// What the MIDI import tests share: Standard MIDI Files built in memory (tracks of events at
// ticks, notes, meta events), an environment that opens them through the document, and what the
// imported score holds (its notes with their bars and times, the items of a kind in a bar).
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "app/MidiFileHooks.h"
#include "framework/File.h"
#include "framework/Globals.h"
#include "framework/MessageBox.h"
#include "midi/MidiFile.h"
#include "midi/MidiImport.h"
#include "model/Score.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/NotationClasses.h"
#include "notation/Note.h"
#include "platform/Port.h"
#include "support/TempHome.h"

namespace midiimporttest {

using Bytes = std::vector<std::uint8_t>;

inline void Var(Bytes& b, std::uint32_t n) {
    std::uint8_t t[5];
    int k = 0;
    t[k++] = std::uint8_t(n & 0x7F);
    while (n >>= 7) t[k++] = std::uint8_t(0x80 | (n & 0x7F));
    while (k) b.push_back(t[--k]);
}
struct Ev {
    int tick;
    Bytes bytes;
};
inline Bytes Track(std::vector<Ev> events) {
    std::stable_sort(events.begin(), events.end(), [](const Ev& a, const Ev& b) { return a.tick < b.tick; });
    Bytes body;
    int last = 0;
    for (const Ev& e : events) {
        Var(body, std::uint32_t(e.tick - last));
        body.insert(body.end(), e.bytes.begin(), e.bytes.end());
        last = e.tick;
    }
    body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});
    Bytes chunk = {'M', 'T', 'r', 'k'};
    const auto n = std::uint32_t(body.size());
    chunk.insert(chunk.end(), {std::uint8_t(n >> 24), std::uint8_t(n >> 16), std::uint8_t(n >> 8), std::uint8_t(n)});
    chunk.insert(chunk.end(), body.begin(), body.end());
    return chunk;
}
inline Bytes Smf(int format, const std::vector<Bytes>& tracks) {
    Bytes f = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, std::uint8_t(format), 0, std::uint8_t(tracks.size()), 0x01, 0xE0};
    for (const Bytes& t : tracks) f.insert(f.end(), t.begin(), t.end());
    return f;
}
inline void Note(std::vector<Ev>& e, int tick, int length, int key, int channel = 0, int velocity = 90) {
    e.push_back({tick, {std::uint8_t(0x90 | channel), std::uint8_t(key), std::uint8_t(velocity)}});
    e.push_back({tick + length, {std::uint8_t(0x80 | channel), std::uint8_t(key), 0}});
}
inline Ev Meta(int tick, int type, const std::string& text) {
    Bytes b = {0xFF, std::uint8_t(type)};
    Var(b, std::uint32_t(text.size()));
    b.insert(b.end(), text.begin(), text.end());
    return {tick, b};
}

struct Env {
    testsupport::TempHome home;
    testsupport::TempDir dir;
    fw::msgboxtest::Capture boxes;
    Env() {
        fw::ResetAllGlobals();
        RegisterTrackClass();
        RegisterNotationClasses();
        InitDrawing();
        RegisterMidiFileHooks();
        // The proposal is taken as it stands unless a test puts in its own answer (the dialog's
        // own tests run it).
        g_midiImport.optionsDialog = nullptr;
    }
    ~Env() { fw::ResetAllGlobals(); }
    std::string Write(const std::string& name, const Bytes& bytes) {
        const std::string p = dir.path() + "/" + name;
        fw::WriteFileAtomic(p, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        return p;
    }
    // The proposal of a file: its rows, as the dialog gets them.
    std::vector<MidiImportTrack> Rows(const Bytes& bytes) {
        std::vector<MidiImportTrack> rows;
        g_midiImport.optionsDialog = [&](MidiImportSettings& s) {
            rows = s.rows;
            return false;
        };
        CZelDoc doc;
        EXPECT_FALSE(doc.OnOpenDocument(Write("rows.mid", bytes).c_str()));
        g_midiImport.optionsDialog = nullptr;
        return rows;
    }
};

// The performance or notated notes of track t (bar, time, pitch, played length of head 0).
struct Placed {
    int bar, time, pitch, length, velocity;
    bool operator==(const Placed&) const = default;
};
inline std::vector<Placed> NotesOf(CScore& s, int t) {
    std::vector<Placed> out;
    for (int b = 0; b < s.GetBarCount(); ++b) {
        CTrkBar* tb = s.GetTrkBar(t, b);
        for (CBarItem* i = tb->GetItems(); i && i->TypeCode() != 255; i = i->NextItem()) {
            if (i->IsRemoved() || (i->TypeCode() != 144 && i->TypeCode() != 112)) continue;
            auto* n = static_cast<CRawNote*>(i);
            for (int k = 0; k < n->HeadCountField(); ++k)
                out.push_back({b, i->TimeField() + n->Head(k)->StartOffset(), n->Head(k)->Pitch(), n->Head(k)->Duration(),
                               n->Head(k)->Byte(NoteHead::kVelocity)});
        }
    }
    return out;
}

// The live items of a type in a bar of a track.
inline std::vector<CBarItem*> ItemsOf(CScore& s, int track, int bar, int type) {
    std::vector<CBarItem*> out;
    CTrkBar* tb = s.GetTrkBar(track, bar);
    for (CBarItem* i = tb ? tb->GetItems() : nullptr; i && i->TypeCode() != 255; i = i->NextItem())
        if (!i->IsRemoved() && i->TypeCode() == type) out.push_back(i);
    return out;
}

// The Set Tempo events of a file's first (conductor) track: (tick, microseconds per quarter).
inline std::vector<std::pair<int, int>> TempoEvents(const Bytes& bytes) {
    CMidiFile f;
    f.Attach(bytes);
    SmfHeader h;
    std::vector<std::pair<int, int>> out;
    SmfEvent e;
    if (f.ReadHeader(&h) != 0 || !f.SeekTrack(0, &e)) return out;
    while (f.ReadEvent(&e))
        if (e.metaType == 0x51 && e.length == 3) out.push_back({e.tick, e.data[0] << 16 | e.data[1] << 8 | e.data[2]});
    return out;
}

}  // namespace midiimporttest
