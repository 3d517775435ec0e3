// Score files of older versions, built byte by byte: the page units of files before 0x400, the
// header fields gated by 0x400 and 0x410, the fifth font decided by the header's length, the
// legacy raw head, and the track chunk read by version and revision.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "RecordTestSupport.h"
#include "framework/Exceptions.h"
#include "framework/File.h"
#include "model/Articulation.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/PageSetup.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/ScoreFile.h"
#include "model/Track.h"
#include "model/ZelDoc.h"
#include "platform/ChunkStream.h"
#include "platform/Handles.h"

namespace {

using recordtest::Bytes;
using recordtest::CleanGlobals;

// Big-endian (or little-endian) bytes appended one field at a time.
struct Out {
    Bytes b;
    bool little = false;
    Out& u8(int v) {
        b.push_back(std::uint8_t(v));
        return *this;
    }
    Out& u16(int v) {
        if (little) return u8(v).u8(v >> 8);
        return u8(v >> 8).u8(v);
    }
    Out& u32(std::int64_t v) {
        if (little) return u16(int(v)).u16(int(v >> 16));
        return u16(int(v >> 16)).u16(int(v));
    }
    Out& tag(const char* t) {
        for (int i = 0; i < 4; ++i) b.push_back(std::uint8_t(t[i]));
        return *this;
    }
    Out& fill(std::size_t n, int v) {
        b.insert(b.end(), n, std::uint8_t(v));
        return *this;
    }
    Out& font(int face, int size, int style) { return u16(face).u16(size).u8(style).u8(0); }
    Out& bytes(const Bytes& more) {
        b.insert(b.end(), more.begin(), more.end());
        return *this;
    }
};

struct HeaderFields {
    int version = 0x410;
    int needed = 0x400;
    int size = 100;
    bool font5 = true;
    std::int32_t page[6] = {36, 36, 576, 756, 612, 792};
};

// The header body: every field the given layout holds, the later ones with telling values.
Bytes HeaderBody(const HeaderFields& h) {
    Out o;
    o.u16(h.version).u16(h.needed).u8(25).u8(0);
    for (int i = 0; i < 16; ++i) o.u8(i == 11 ? 7 : 0);
    o.u16(100).u16(0).u16(h.size).u16(0);
    o.u16(10).u16(20).u16(300).u16(400);
    o.u16(0).u16(0).u16(0).u16(0);  // counts: the lists give their own
    for (std::int32_t v : h.page) o.u32(v);
    o.font(1, 10, 0).font(2, 11, 0).font(3, 12, 0).font(4, 13, 0);
    if (h.font5) o.font(5, 14, 1);
    for (int i = 0; i < 16; ++i) o.u8(0x40 + i);  // body offset 100: the timecode bytes
    o.u16(2).u32(1234).font(7, 17, 2);
    o.font(6, 16, 1);
    o.u16(21).u16(22).u16(23).u16(24).u16(25);
    return o.b;
}

// A whole file: the header chunk, four empty lists and the end mark.
Bytes File(const Bytes& headerBody, const Bytes& tail = {}) {
    Out o;
    o.tag("ZLSC").u32(std::int64_t(headerBody.size())).bytes(headerBody);
    for (const char* t : {"TRKL", "PAGL", "LINL", "BARL"}) o.tag(t).u16(0);
    o.bytes(tail);
    o.u32(0xFFFFFFFF).u32(0);
    return o.b;
}

struct Loaded {
    int code = 0;
    ScoreFileDoc doc;
};

struct ScoreFileVersionTest : ::testing::Test {
    CleanGlobals clean;
    CZelDoc zdoc;
    std::unique_ptr<CScore> owned = std::make_unique<CScore>(&zdoc);
    CScore& score() { return *owned; }
    void Fresh() { owned = std::make_unique<CScore>(&zdoc); }

    // Opens the bytes; the error code of a coded failure, -1 for any other failure, else 0.
    int Open(const Bytes& bytes, ScoreFileDoc& d) {
        CMemFile file(bytes);
        SetErrorCode(0);
        try {
            ScoreFile::Open(score(), d, file);
        } catch (const CUserException&) {
            return GetErrorCode();
        } catch (const CException&) {
            return -1;
        }
        return 0;
    }
};

bool Same(const FontRef& a, const FontRef& b) { return a.face == b.face && a.size == b.size && a.style == b.style; }

TEST_F(ScoreFileVersionTest, PageValuesOfFilesBefore0x400AreScaledByTheScoreSize) {
    struct Case {
        int version, size;
        std::int32_t page[6];
        int left, top, right, bottom, width, height;
    };
    const Case cases[] = {
        // Before 0x400: v x size / 20, then back by size / 100 (v x 5 at size 100).
        {0x3FF, 100, {7, 8, 115, 140, 120, 150}, 35, 40, 25, 50, 600, 750},
        // Size 150: 7 x 7.5 = 52.5 -> 53 -> 35; 8 x 7.5 = 60 -> 40; 120 x 7.5 = 900 -> 600.
        {0x3FF, 150, {7, 8, 115, 140, 120, 150}, 35, 40, 25, 50, 600, 750},
        // From 0x400 the values are points times size / 100.
        {0x400, 100, {36, 36, 576, 756, 612, 792}, 36, 36, 36, 36, 612, 792},
        {0x410, 150, {54, 60, 864, 1134, 918, 1188}, 36, 40, 36, 36, 612, 792},
    };
    for (const Case& c : cases) {
        HeaderFields h;
        h.version = c.version;
        h.size = c.size;
        std::memcpy(h.page, c.page, sizeof h.page);
        ScoreFileDoc d;
        ASSERT_EQ(Open(File(HeaderBody(h)), d), 0) << std::hex << c.version;
        const CPageSetup& ps = d.pageSetup;
        EXPECT_EQ(ps.GetLeftMargin(), c.left) << std::hex << c.version << std::dec << " " << c.size;
        EXPECT_EQ(ps.GetTopMargin(), c.top) << c.size;
        EXPECT_EQ(ps.GetRightMargin(), c.right) << c.size;
        EXPECT_EQ(ps.GetBottomMargin(), c.bottom) << c.size;
        EXPECT_EQ(ps.GetPaperWidth(), c.width) << c.size;
        EXPECT_EQ(ps.GetPaperHeight(), c.height) << c.size;
        EXPECT_EQ(d.landscape, 0);
    }
}

TEST_F(ScoreFileVersionTest, HeaderFieldsAreReadFromTheVersionThatCarriesThem) {
    CScore fresh(&zdoc);
    for (int version : {0x3FF, 0x400, 0x40F, 0x410}) {
        HeaderFields h;
        h.version = version;
        Fresh();
        ScoreFileDoc d;
        ASSERT_EQ(Open(File(HeaderBody(h)), d), 0) << std::hex << version;
        EXPECT_EQ(g_model.loadedFileVersion, version);
        EXPECT_TRUE(Same(score().textFont5, FontRef{5, 14, 1, 0})) << std::hex << version;
        if (version >= 0x400) {
            EXPECT_EQ(score().timecode[0], 0x40) << std::hex << version;
            EXPECT_EQ(score().timecode[15], 0x4F);
            EXPECT_EQ(score().timecodeFrameStyle, 2);
            EXPECT_EQ(score().timecodeOffset, 1234u);
            EXPECT_TRUE(Same(score().timecodeFont, FontRef{7, 17, 2, 0}));
        } else {
            EXPECT_EQ(score().timecode[0], 0) << std::hex << version;
            EXPECT_EQ(score().timecodeFrameStyle, fresh.timecodeFrameStyle);
            EXPECT_EQ(score().timecodeOffset, fresh.timecodeOffset);
            EXPECT_TRUE(Same(score().timecodeFont, fresh.timecodeFont));
        }
        if (version >= 0x410) {
            EXPECT_TRUE(Same(score().staffLabelFont, FontRef{6, 16, 1, 0})) << std::hex << version;
            EXPECT_EQ(score().layoutWords[0], 21);
            EXPECT_EQ(score().layoutWords[4], 25);
        } else {
            EXPECT_TRUE(Same(score().staffLabelFont, DefaultFontTable()[11])) << std::hex << version;
            EXPECT_EQ(score().layoutWords[0], 12);
            EXPECT_EQ(score().layoutWords[4], 0);
        }
        // Whatever was read, the document takes the program's version block afterwards.
        EXPECT_EQ(d.version, 0x410);
        EXPECT_EQ(d.neededVersion, 0x400);
        EXPECT_EQ(d.build, 25);
    }
}

TEST_F(ScoreFileVersionTest, TheFifthFontIsToldByTheHeaderLength) {
    struct Case {
        int version;
        bool font5;
    };
    for (const Case c : {Case{0x3FF, false}, Case{0x400, false}, Case{0x410, false}, Case{0x410, true}}) {
        Fresh();
        score().multiBarRestDefault = 0;
        HeaderFields h;
        h.version = c.version;
        h.font5 = c.font5;
        Bytes body = HeaderBody(h);
        // The option byte says nothing about it: 0 with the font present, 7 without.
        body[6 + 11] = c.font5 ? 0 : 7;
        // A file of that version ends its header where the version's last field ends.
        const std::size_t end = (c.version >= 0x410 ? 144u : c.version >= 0x400 ? 128u : 100u) - (c.font5 ? 0 : 6);
        body.resize(end);
        ScoreFileDoc d;
        ASSERT_EQ(Open(File(body), d), 0) << std::hex << c.version;
        if (c.font5) {
            EXPECT_TRUE(Same(score().textFont5, FontRef{5, 14, 1, 0}));
            EXPECT_EQ(score().multiBarRestDefault, 80);  // 0 on file: set after loading
        } else {
            EXPECT_TRUE(Same(score().textFont5, DefaultFontTable()[12])) << std::hex << c.version;
            EXPECT_EQ(score().multiBarRestDefault, 7);
        }
        if (c.version >= 0x400) {
            // The next field starts where the fifth font would have been.
            EXPECT_EQ(score().timecode[0], 0x40) << std::hex << c.version;
            EXPECT_EQ(score().timecodeOffset, 1234u);
        }
        if (c.version >= 0x410) {
            EXPECT_EQ(score().layoutWords[4], 25);
        }
    }
}

TEST_F(ScoreFileVersionTest, NeededVersionGate) {
    for (int needed : {0x300, 0x400, 0x410, 0x411, 0x500, 0x7FFF}) {
        HeaderFields h;
        h.needed = needed;
        ScoreFileDoc d;
        EXPECT_EQ(Open(File(HeaderBody(h)), d), needed > 0x410 ? kErrNewerVersion : 0) << std::hex << needed;
    }
    // The comparison is signed: a word with the top bit set is below 0x410.
    HeaderFields h;
    h.needed = 0x8000;
    ScoreFileDoc d;
    EXPECT_EQ(Open(File(HeaderBody(h)), d), 0);
}

// --- legacy raw files -------------------------------------------------------------------------

// An empty raw array: head of 12 bytes (element size, count 0, byte count 0).
void RawEmpty(Out& o, int elemSize) { o.u32(0).u16(elemSize).u16(0).u32(0); }

Bytes Legacy(const char* magic, int version, int needed, std::uint32_t headLength, std::uint32_t rootLength,
             const char* scor = "SCOR") {
    Out o;
    o.little = true;
    o.tag(magic).u32(headLength);
    Out block;
    block.little = true;
    block.u16(version).u16(needed).u16(9).u16(125).u16(1).u16(80).u16(1);
    block.u32(-5).u32(6).u32(700).u32(800);
    block.fill(headLength > block.b.size() ? headLength - block.b.size() : 0, 0xEE);
    block.b.resize(headLength);
    o.bytes(block.b);
    o.tag(scor).u32(rootLength);
    Out root;
    root.little = true;
    for (int i = 0; i < 16; ++i) root.u8(i == 5 ? 3 : i == 1 ? 9 : 0);
    root.u16(0).u16(0).u16(0).u16(0);
    root.fill(rootLength > root.b.size() ? rootLength - root.b.size() : 0, 0xEE);
    root.b.resize(rootLength);
    o.bytes(root.b);
    for (int size : {int(CTrack::kSize), 68, 88, 162}) RawEmpty(o, size);
    for (int i = 0; i < 5; ++i) RawEmpty(o, 0);
    // An unknown block, skipped by its length.
    o.tag("XXXX").u32(4).u32(0);
    return o.b;
}

TEST_F(ScoreFileVersionTest, LegacyHeadAndScoreBlock) {
    struct Case {
        const char* magic;
        int needed;
        std::uint32_t head, root;
        const char* scor;
        int code;
    };
    const Case cases[] = {
        {"ZLP1", 0x300, 30, 54, "SCOR", 0},
        {"ZLP0", 0x300, 30, 54, "SCOR", 0},
        // Longer blocks than the structures hold: what fits is copied, the rest passed over.
        {"ZLP1", 0x300, 64, 200, "SCOR", 0},
        // Shorter ones: the fields they lack keep their values.
        {"ZLP1", 0x300, 10, 10, "SCOR", 0},
        {"ZLP1", 0x411, 30, 54, "SCOR", kErrNewerVersion},
        {"ZLP1", 0x300, 30, 54, "SCOX", kErrWrongMagic},
        // A block longer than the file is damage, not a read past the end.
        {"ZLP1", 0x300, 0x7FFFFFF0, 54, "SCOR", -1},
    };
    for (const Case& c : cases) {
        Fresh();
        Bytes bytes;
        if (c.head == 0x7FFFFFF0) {
            bytes = Legacy(c.magic, 0x3FF, c.needed, 30, c.root, c.scor);
            bytes[4] = 0xF0, bytes[5] = 0xFF, bytes[6] = 0xFF, bytes[7] = 0x7F;
        } else {
            bytes = Legacy(c.magic, 0x3FF, c.needed, c.head, c.root, c.scor);
        }
        ScoreFileDoc d;
        d.maximised = 1;
        d.windowRect[0] = 17;
        ASSERT_EQ(Open(bytes, d), c.code) << c.magic << " " << c.head << " " << c.root;
        if (c.code) continue;
        EXPECT_TRUE(d.loadedFromLegacy);
        EXPECT_EQ(g_model.loadedFileVersion, 0x3FF);
        if (c.head >= 30) {
            EXPECT_EQ(d.zoom, 125);
            EXPECT_EQ(d.pageMode, 1);
            EXPECT_EQ(d.scoreSize, 80);
            EXPECT_EQ(d.windowRect[0], -5);
            EXPECT_EQ(d.windowRect[3], 800);
        } else {
            // The 10 bytes end before the score size: what they lack keeps its value.
            EXPECT_EQ(d.zoom, 125);
            EXPECT_EQ(d.pageMode, 1);
            EXPECT_EQ(d.scoreSize, 100);
            EXPECT_EQ(d.maximised, 1);
            EXPECT_EQ(d.windowRect[0], 17);
        }
        EXPECT_EQ(score().showPageMargins, 1);  // made 0 or 1 as the chunked reader does
        EXPECT_EQ(score().playbackStyle, 3);
        EXPECT_EQ(score().GetTrackCount(), 0);
        EXPECT_EQ(d.version, 0x410);
    }
}

// --- the track chunk by version and revision ------------------------------------------------------

struct TrackFixture {
    std::vector<std::uint8_t> memory = std::vector<std::uint8_t>(CTrack::kSize, 0);
    CTrack* track;
    TrackFixture() {
        RegisterTrackClass();
        track = CTrack::Construct(memory.data());
        track->Init(0, 0, 1984);
    }
};

// Items 1-46 of a track chunk: 314 bytes; the enharmonic byte is at 85.
constexpr std::size_t kItems1To46 = 314;
constexpr std::size_t kEnharmonicAt = 85;
constexpr std::size_t kMarkTableBytes = 2 + 2 + 35 * 32;

// The chunk a track of this program writes: a name, a voice-definition name, ports, and
// mark entries 0, 31 and 61 with telling settings.
Bytes WrittenTrack() {
    TrackFixture f;
    f.track->SetName("Flute");
    f.track->SetVoiceDefName(2, "Breathy");
    rec::Put<std::int16_t>(f.track, CTrack::kInputPort, 3);
    rec::Put<std::int16_t>(f.track, CTrack::kRedirectPort, 4);
    f.track->MarkTable().SetHeadWord(77);
    f.track->MarkTable().Entry(0).SetSetting(3, 0xA0);
    f.track->MarkTable().Entry(31).SetSetting(3, 0xA1);
    f.track->MarkTable().Entry(61).SetSetting(3, 0xA2);
    f.track->MarkTable().Entry(63).SetSetting(3, 0xA3);
    rec::Put<std::uint8_t>(f.track, CTrack::kEnharmonic, 1);
    return recordtest::Written([&](CChunkStream& s) { f.track->WriteChunk(s); });
}

// The chunk cut to its first `keep` body bytes, with its length patched.
Bytes Cut(const Bytes& chunk, std::size_t keep) {
    Bytes b(chunk.begin(), chunk.begin() + std::ptrdiff_t(8 + keep));
    b[4] = std::uint8_t(keep >> 24), b[5] = std::uint8_t(keep >> 16), b[6] = std::uint8_t(keep >> 8), b[7] = std::uint8_t(keep);
    return b;
}

struct TrackRead {
    TrackFixture f;
    std::uint16_t after = 0;  // the word that followed the track's bytes
};

// Reads the bytes followed by a marker word as a track of the given version and revision.
void ReadTrack(const Bytes& bytes, int version, int revision, TrackRead& out) {
    SetLoadedFileVersion(std::uint16_t(version), std::uint16_t(revision));
    Bytes withMarker = bytes;
    withMarker.push_back(0xBE);
    withMarker.push_back(0xEF);
    recordtest::Reader r(withMarker);
    out.f.track->ReadChunk(r.stream);
    out.after = r.stream.ReadWord();
}

TEST_F(ScoreFileVersionTest, TrackChunkByVersion) {
    const Bytes full = WrittenTrack();
    const std::size_t namesEnd = full.size() - 8 - kMarkTableBytes;

    struct Case {
        int version, revision;
        Bytes bytes;
        bool names;      // voice-definition names and ports read
        int tableMode;   // 0 defaults, 1 by reading order, 2 by each entry's own index
    };
    const Bytes raw(full.begin() + 8, full.begin() + std::ptrdiff_t(8 + kItems1To46));
    const Case cases[] = {
        {921, 0, Cut(full, kItems1To46), false, 0},
        {0x300, 0, raw, false, 0},            // no chunk head, nothing after item 46
        {1023, 0, raw, false, 0},
        {1024, 0, Cut(full, namesEnd), true, 0},
        {1025, 0, Cut(full, namesEnd), true, 0},
        {1026, 5, full, true, 1},
        {1026, 6, full, true, 2},
        {1027, 0, full, true, 2},
        {0x410, 25, full, true, 2},
    };
    for (const Case& c : cases) {
        TrackRead t;
        // Fields the chunk may not carry start with other values.
        t.f.track->SetVoiceDefName(2, "stale");
        rec::Put<std::int16_t>(t.f.track, CTrack::kInputPort, 9);
        t.f.track->MarkTable().Entry(0).SetSetting(3, 0x55);
        ReadTrack(c.bytes, c.version, c.revision, t);
        const std::string where = std::to_string(c.version) + "/" + std::to_string(c.revision);
        EXPECT_EQ(t.after, 0xBEEF) << where << ": the stream stands right after the track";
        char name[40];
        EXPECT_STREQ(t.f.track->GetName(name, true), "Flute") << where;
        EXPECT_EQ(t.f.track->GetLineMask(), 1984) << where;
        const MarkPlaybackTable& table = t.f.track->MarkTable();
        if (c.names) {
            EXPECT_STREQ(t.f.track->GetVoiceDefName(2), "Breathy") << where;
            EXPECT_EQ(rec::Get<std::int16_t>(t.f.track, CTrack::kInputPort), 3) << where;
            EXPECT_EQ(rec::Get<std::int16_t>(t.f.track, CTrack::kRedirectPort), 4) << where;
        } else {
            EXPECT_STREQ(t.f.track->GetVoiceDefName(2), "") << where;
            EXPECT_EQ(rec::Get<std::int16_t>(t.f.track, CTrack::kInputPort), -1) << where;
            EXPECT_EQ(rec::Get<std::int16_t>(t.f.track, CTrack::kRedirectPort), -1) << where;
        }
        MarkPlaybackTable defaults;
        InitMarkPlaybackTable(defaults);
        switch (c.tableMode) {
            case 0:
                EXPECT_EQ(std::memcmp(table.bytes, defaults.bytes, MarkPlaybackTable::kSize), 0) << where;
                break;
            case 1:
                EXPECT_EQ(table.GetHeadWord(), 77) << where;
                EXPECT_EQ(table.Entry(0).GetSetting(3), 0xA0) << where;
                EXPECT_EQ(table.Entry(31).GetSetting(3), 0xA1) << where;
                EXPECT_EQ(table.Entry(32).GetSetting(3), 0xA2) << where;  // 61 was the 33rd stored
                EXPECT_EQ(table.Entry(34).GetSetting(3), 0xA3) << where;
                EXPECT_EQ(table.Entry(61).GetSetting(3), defaults.Entry(61).GetSetting(3)) << where;
                break;
            default:
                EXPECT_EQ(table.GetHeadWord(), 77) << where;
                EXPECT_EQ(table.Entry(0).GetSetting(3), 0xA0) << where;
                EXPECT_EQ(table.Entry(61).GetSetting(3), 0xA2) << where;
                EXPECT_EQ(table.Entry(63).GetSetting(3), 0xA3) << where;
                EXPECT_EQ(table.Entry(32).GetSetting(3), defaults.Entry(32).GetSetting(3)) << where;
        }
    }
}

TEST_F(ScoreFileVersionTest, TrackEnharmonicRepairByVersionAndRevision) {
    const Bytes full = WrittenTrack();
    ASSERT_EQ(full[8 + kEnharmonicAt], 1);
    struct Case {
        int version, revision, stored, read;
    };
    const Case cases[] = {
        {1039, 99, 1, 3}, {1040, 20, 1, 3}, {1040, 21, 1, 1}, {1040, 22, 1, 1},
        {1041, 0, 1, 1},  {1040, 20, 2, 2}, {1040, 20, 0, 0}, {1026, 6, 1, 3},
    };
    for (const Case& c : cases) {
        Bytes b = full;
        b[8 + kEnharmonicAt] = std::uint8_t(c.stored);
        TrackRead t;
        ReadTrack(b, c.version, c.revision, t);
        EXPECT_EQ(rec::Get<std::uint8_t>(t.f.track, CTrack::kEnharmonic), c.read) << c.version << "/" << c.revision;
        EXPECT_EQ(t.after, 0xBEEF);
    }
}

// --- printer settings ----------------------------------------------------------------------

// A device mode of 148 bytes for a printer name, with its own sizes at 36 and 38.
Bytes DevMode(const std::string& name, int extra = 0) {
    Bytes m(148, 0);
    std::memcpy(m.data(), name.data(), name.size());
    m[36] = 148;
    m[38] = std::uint8_t(extra);
    return m;
}

class OnePrinter : public PrinterSystem {
public:
    bool GetDefaultPrinter(std::vector<std::uint8_t>* devMode, std::string* driver, std::string* device,
                           std::string* port) override {
        *devMode = DevMode("Plain");
        *driver = "drv";
        *device = "Plain";
        *port = "LPT1:";
        return true;
    }
    bool EnumLocalPrinters(std::vector<InstalledPrinter>* printers) override {
        printers->clear();
        return true;
    }
    bool GetDeviceCaps(const PrinterSetup&, PrinterCaps*) override { return false; }
};

TEST_F(ScoreFileVersionTest, OnlyDamagedPrinterSettingsFailTheRead) {
    OnePrinter printing;
    PrinterSystem* before = SetPrinterSystem(&printing);
    struct Case {
        const char* what;
        Bytes chunkBody;  // empty: no chunk
        bool ok;
    };
    const Case cases[] = {
        {"none", {}, true},
        {"this printer", DevMode("Plain"), true},
        {"a printer not installed", DevMode("Elsewhere"), true},
        {"too short", Bytes(120, 7), true},
        {"sizes past the stored bytes", DevMode("Plain", 40), false},
    };
    for (const Case& c : cases) {
        Out tail;
        if (!c.chunkBody.empty()) tail.tag("PCPR").u32(std::int64_t(c.chunkBody.size())).bytes(c.chunkBody);
        tail.tag("QQQQ").u32(2).u16(0);  // the loop goes on after the printer chunk
        Fresh();
        PrinterSettings printer;
        ScoreFileDoc d;
        d.printer = &printer;
        CMemFile file(File(HeaderBody(HeaderFields{}), tail.b));
        EXPECT_EQ(ScoreFile::Open(score(), d, file), c.ok) << c.what;
        EXPECT_EQ(file.GetPosition(), file.GetLength() - 4) << c.what << ": read up to the end mark";
    }
    SetPrinterSystem(before);
}

}  // namespace
