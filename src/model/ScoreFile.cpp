#include "model/ScoreFile.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Exceptions.h"
#include "framework/File.h"
#include "framework/Globals.h"
#include "framework/MessageBox.h"
#include "model/Bar.h"
#include "model/ItemArray.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/ScoreStandIns.h"
#include "model/ScoreStructureStandIns.h"
#include "model/SpacingTable.h"
#include "model/System.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "platform/ChunkStream.h"
#include "platform/DebugLog.h"
#include "platform/DrawGlobals.h"
#include "platform/FontArray.h"
#include "platform/FontRef.h"
#include "platform/Handles.h"
#include "platform/PortLayer.h"
#include "platform/StdArray.h"

ScoreFileState g_scoreFile;

namespace {

constexpr std::uint32_t kEndMark = 0xFFFFFFFFu;
// Told once when an old file's bar numbers may move: lead pickups are now skipped.
constexpr UINT kPickupNumbersMessage = 10039;

constexpr std::uint32_t Tag(const char (&s)[5]) { return MakeChunkTag(s); }

void Log(const char* text) { LogText(text, true); }

// --- score root fields in header order ----------------------------------------------------------

std::uint8_t* OptionByte(CScore& score, int i) {
    std::uint8_t* options[16] = {&score.tilePages,         &score.showPageMargins,   &score.singleTrack,
                                 &score.transposedDisplay, &score.playRepeats,       &score.playbackStyle,
                                 &score.staffGroupSeparators, &score.fillWithWholeRests, &score.showRulers,
                                 &score.showColors,        &score.multiBarRestOption, &score.multiBarRestDefault,
                                 &score.capoFret,          &score.capoMode,          &score.trackNamesRightAligned,
                                 &score.entryOffset};
    return options[i];
}

// Option bytes read as 0 or 1; the others keep their stored values.
bool IsBooleanOption(int i) { return !(i == 5 || i == 6 || i == 11 || i == 12 || i == 13); }

const FontRef& DefaultTextFont5() { return DefaultFontTable()[12]; }
const FontRef& DefaultStaffLabelFont() { return DefaultFontTable()[11]; }

// v x (size x 20) / 400 to the nearest integer: the page values of files older than 0x400.
std::int32_t ScaleOldPageUnit(std::int32_t v, int size) {
    return std::int32_t(std::llround(double(v) * double(size) * 20.0 / 400.0));
}

// What follows the tagged tail of either form of file: fonts (the chunked form only), engraver
// settings, lyric lines, indices, the bars' inherited values and the after-load fix-ups.
// `runsWithFonts`: as CScore::RemapFonts takes it (null: every run).
void FinishRead(CScore& score, ScoreFileDoc& doc, bool resolveFonts,
                const std::vector<std::uint8_t>* runsWithFonts = nullptr) {
    g_model.currentScore = &score;
    if (resolveFonts) doc.ResolveFonts(score, false, runsWithFonts);
    // The file's engraver settings are the current ones from here on.
    g_model.engraverSettings = &doc.engraver;
    score.CheckLyricLines();
    score.Reindex();
    score.RecalcBars(false);
    // The timing walk above ran on the bars' stored lengths; the bars measure themselves after
    // it. Where a bar measures otherwise (a damaged or older length) or bar 0's tempo is
    // converted, the walk runs again, so that what is saved reads back to the same timing.
    std::vector<int> lengths(std::size_t(std::max<int>(score.GetBarCount(), 0)));
    for (int b = 0; b < score.GetBarCount(); ++b)
        if (CBar* bar = score.GetBar(b)) lengths[std::size_t(b)] = bar->GetLength();
    const int tempo0 = score.GetBar(0) ? score.GetBar(0)->GetTempo() : 0;
    const bool repaired = ScoreFile::AfterLoad(score, doc);
    bool moved = score.GetBarCount() != int(lengths.size()) || (score.GetBar(0) && score.GetBar(0)->GetTempo() != tempo0);
    for (int b = 0; !moved && b < score.GetBarCount(); ++b)
        if (CBar* bar = score.GetBar(b)) moved = bar->GetLength() != lengths[std::size_t(b)];
    if (moved) {
        score.RecalcBars(false);
    } else if (repaired) {
        // What the repairs changed (a staff's spacing, a record's size, a note dropped) waits
        // for the next recalculation, as it always has; that one walks the whole score, so that
        // no shorter walk leaves the systems before it as they were before the repairs.
        score.ForgetRecalcStarts();
    }
    g_scoreFile.checkVoiceBanks = false;
    g_scoreFile.oldPageUnits = false;
}

// The spacing table that "ALOT" carries: the score's document's. A score without a document
// writes the program's current table and reads into a table of its own that nothing keeps.
SpacingTable& DocumentSpacing(CScore& score, SpacingTable& scratch) {
    if (CZelDoc* zdoc = score.GetDocument()) return zdoc->spacing;
    GetCurrentSpacing(scratch);
    return scratch;
}

// --- list helpers ---------------------------------------------------------------------------

template <class A>
void WriteListIfAny(A* array, CChunkStream& s, std::uint32_t tag) {
    if (array && array->GetCount() > 0) array->Write(s, tag);
}

// Releases every bar of every track and empties the arrays.
void ReleaseTrackBars(CScore& score) {
    for (int t = 0; t < CScore::kMaxTracks; ++t) {
        CTrkBarArray* a = score.GetTrkBarArray(t);
        if (!a) continue;
        for (int b = 0; b < a->GetCount(); ++b) ItemCast<CScoreItem>(a->GetAt(b))->Release();
        a->SetCount(0);
    }
}

[[noreturn]] void ThrowDamaged(CFile* file, const char* what = nullptr) {
    AfxThrowArchiveException(CArchiveException::badIndex, file ? file->GetFilePath().c_str() : nullptr, what);
}

// Page values and the score size as the header may hold them: a score size of 0 counts as
// 100; paper sides up to 200 inches; margins inside the paper. Anything else is damage, so
// no arithmetic on them can overflow.
constexpr int kMaxScoreSize = 1000;

// A tag's four characters for a message (others than letters, digits and blanks as "?").
std::string TagText(std::uint32_t tag) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = char((tag >> shift) & 0xFF);
        text += (c >= ' ' && c < 127) ? c : '?';
    }
    return text;
}

// A file that ends before what it must still hold.
[[noreturn]] void ThrowCutShort(CFile* file, const char* what) {
    AfxThrowArchiveException(CArchiveException::endOfFile, file ? file->GetFilePath().c_str() : nullptr, what);
}
constexpr std::int32_t kMaxPaperPoints = 14400;
// The header's fields up to the optional fifth font, which every version carries.
constexpr std::uint32_t kHeaderFieldsBeforeFifthFont = 94;
constexpr std::int32_t kMaxStoredPageValue = kMaxPaperPoints * kMaxScoreSize / 100;

// Every reference between the arrays that a file supplies, checked once the arrays are read
// and before anything lays the score out or walks it by them: each system's bars follow on
// from the previous system's and lie inside the bar list (a page's system count is trimmed to
// the systems there are), each system has one staff per track (its stored staff count saying
// the same), and each track has one bar per bar of the score.
void CheckReferences(CScore& score, const ScoreFileDoc& doc, CFile* file) {
    const int tracks = score.GetTrackArray()->GetCount();
    const int pages = score.GetPageArray()->GetCount();
    const int lines = score.GetLineArray()->GetCount();
    const int bars = score.GetBarArray()->GetCount();
    if (tracks > CScore::kMaxTracks) ThrowDamaged(file, "the track list");
    // A page's systems are laid out again from the systems' order when the score is renumbered;
    // a page that names more systems than follow it keeps those there are.
    for (int p = 0; p < pages; ++p) {
        CPage* page = score.GetPage(p);
        const int first = std::max<int>(page->GetFirstSystem(), 0), n = page->GetSystemCount();
        if (n < 0) ThrowDamaged(file, "a page's systems");
        if (first >= lines) page->SetSystemCount(0);
        else if (n > lines - first) page->SetSystemCount(lines - first);
    }
    // Systems hold bars one after another: each system's bars start where the one before ended
    // and stay inside the bar list.
    const CPageSetup& ps = doc.pageSetup;
    const int printableTwips = (ps.GetPaperWidth() - ps.GetLeftMargin() - ps.GetRightMargin()) * 20;
    int next = 0;
    for (int l = 0; l < lines; ++l) {
        CLine* line = score.GetLine(l);
        const int first = line->GetFirstBarIndex(), n = line->GetBarCount();
        if (first != next || n < 0 || n > bars - first) ThrowDamaged(file, "a system's bars");
        next = first + n;
        CStaffArray* staves = line->GetStaffArray();
        if (!staves || staves->GetCount() != tracks || line->GetStaffCount() != tracks)
            ThrowDamaged(file, "a system's staves");
        // The indents move the system's ends in from the printable area's: they must leave it
        // a width, or its rectangle turns inside out.
        if (line->GetLeftIndent() - line->GetRightIndent() >= printableTwips) ThrowDamaged(file, "a system's indents");
    }
    for (int t = 0; t < tracks; ++t) {
        CTrkBarArray* a = score.GetTrkBarArray(t);
        if (!a || a->GetCount() != bars) ThrowDamaged(file, "a track's bars");
    }
}

// The page setup as the header stores it: the printable rectangle and the paper size, in
// points, times the score size.
void StoredPageValues(const ScoreFileDoc& doc, std::int32_t page[6]) {
    const int size = doc.scoreSize;
    const CPageSetup& ps = doc.pageSetup;
    const std::int32_t w = ps.GetPaperWidth(), h = ps.GetPaperHeight();
    const std::int32_t values[6] = {ps.GetLeftMargin(), ps.GetTopMargin(), w - ps.GetRightMargin(),
                                    h - ps.GetBottomMargin(), w, h};
    for (int k = 0; k < 6; ++k) page[k] = values[k] * size / 100;
}

// A stored value of a current file back in points: the smallest value that the writer turns
// back into the stored one, so a page setup read and written again stores the same numbers.
std::int32_t PageValueFromStored(std::int32_t v, int size) { return v > 0 ? (v * 100 + size - 1) / size : v * 100 / size; }

}  // namespace

void ScoreFile::SettlePageSetup(ScoreFileDoc& doc) {
    if (doc.scoreSize <= 0) return;
    std::int32_t page[6];
    StoredPageValues(doc, page);
    for (std::int32_t& v : page) v = PageValueFromStored(v, doc.scoreSize);
    if (page[4] <= 0 || page[5] <= 0 || page[2] <= page[0] || page[3] <= page[1]) return;
    doc.landscape = page[4] > page[5] ? 1 : 0;
    doc.pageSetup.SetPaperSizePoints(page[4], page[5]);
    doc.pageSetup.SetMarginsPoints(page[0], page[1], page[4] - page[2], page[5] - page[3]);
}

// --- document share ------------------------------------------------------------------------

ScoreFileDoc::ScoreFileDoc() {
    InitTitleBlocks(titles);
    InitEngraverSettings(engraver);
    InitMarkPlaybackTable(markPlayback);
    fontMap = FontMap{};
    pageSetup.SetPaperSizePoints(612, 792);
    pageSetup.SetMarginsPoints(36, 36, 36, 36);
}

ScoreFileDoc::~ScoreFileDoc() {
    // A read made these engraver settings the current ones; nothing keeps pointing into them.
    if (g_model.engraverSettings == &engraver) g_model.engraverSettings = nullptr;
}

void ScoreFileDoc::ResolveFonts(CScore& score, bool saving, const std::vector<std::uint8_t>* runsWithFonts) {
    CFontArray* table = score.GetFontArray();
    if (!table) return;
    fw::ScopedGlobal<bool> direction(g_draw.fontsForSave, saving);
    if (saving) table->Clear();
    CFontArray::Pass pass(*table);
    fontMap.Remap([table](std::uint16_t face) {
        FontRef ref{face, 1, 0, 0};
        table->ResolveFont(&ref);
        return ref.face;
    });
    for (TitleBlock& block : titles) block.ResolveFonts(table);
    score.RemapFonts(runsWithFonts);
}

// --- writing -------------------------------------------------------------------------------

void ScoreFile::WriteHeader(CScore& score, ScoreFileDoc& doc, CChunkStream& s) {
    s.BeginChunk(Tag("ZLSC"), -1);
    s.WriteWord(doc.version);
    s.WriteWord(doc.neededVersion);
    s.WriteByte(std::uint8_t(doc.build));
    s.WriteByte(0);
    for (int i = 0; i < 16; ++i) s.WriteByte(*OptionByte(score, i));
    s.WriteWord(doc.zoom);
    s.WriteWord(doc.pageMode);
    s.WriteWord(doc.scoreSize);
    s.WriteWord(doc.maximised);
    for (std::int32_t v : doc.windowRect) s.WriteWord(v);
    s.WriteWord(score.trackCount);
    s.WriteWord(score.pageCount);
    s.WriteWord(score.lineCount);
    s.WriteWord(score.barCount);
    // The page setup's printable rectangle and paper size, in points, times the score size.
    std::int32_t page[6];
    StoredPageValues(doc, page);
    for (std::int32_t v : page) s.WriteLong(std::uint32_t(v));
    s.WriteFontRef(score.textFont1);
    s.WriteFontRef(score.textFont2);
    s.WriteFontRef(score.textFont3);
    s.WriteFontRef(score.chordFrameFont);
    s.WriteFontRef(score.textFont5);
    s.WriteBytes(score.timecode, 16);
    s.WriteWord(score.timecodeFrameStyle);
    s.WriteLong(score.timecodeOffset);
    s.WriteFontRef(score.timecodeFont);
    s.WriteFontRef(score.staffLabelFont);
    for (std::int16_t v : score.layoutWords) s.WriteWord(v);
    s.EndChunk(-1);
}

void ScoreFile::WriteBody(CScore& score, ScoreFileDoc& doc, CChunkStream& s) {
    RegisterTrackClass();
    score.CollectDevicesForSave();
    score.GetTrackArray()->Write(s, Tag("TRKL"));
    score.GetPageArray()->Write(s, Tag("PAGL"));
    score.GetLineArray()->Write(s, Tag("LINL"));
    score.GetBarArray()->Write(s, Tag("BARL"));
    for (int b = 0; b < score.GetBarCount(); ++b) score.GetBar(b)->WriteConductor(s);
    for (int t = 0; t < score.GetTrackCount(); ++t)
        for (int b = 0; b < score.GetBarCount(); ++b) score.GetTrkBar(t, b)->Write(s, t);
    WriteListIfAny(score.GetPageTextArray(), s, Tag("PGTX"));
    WriteListIfAny(score.GetLyricArray(), s, Tag("LYRC"));
    WriteListIfAny(score.GetFontArray(), s, Tag("FNTS"));
    WriteListIfAny(score.GetDeviceArray(), s, Tag("ODEV"));
    WriteListIfAny(score.GetPatchArray(), s, Tag("PACH"));
    for (const TitleBlock& block : doc.titles) block.Write(s);
    SpacingTable scratch;
    DocumentSpacing(score, scratch).WriteChunk(s, Tag("ALOT"));
    WriteEngraverSettings(doc.engraver, s, Tag("ENGR"));
    doc.fontMap.Write(s);
    if (doc.printer) doc.printer->WritePrinterChunk(s);
    const std::uint32_t rackBytes = score.rackText.GetSize();
    if (rackBytes > 0) {
        s.WriteTag(Tag("VSTD"));
        s.WriteLong(rackBytes);
        s.WriteBytes(score.rackText.GetData(), rackBytes);
    }
    s.WriteLong(kEndMark);
    s.WriteLong(0);
}

void ScoreFile::Write(CScore& score, ScoreFileDoc& doc, CFile& file) {
    CChunkStream s;
    s.SetFile(&file);
    // The font table is built again from the faces the references use, so that a read maps
    // every reference back by its face's name. The references are mapped in place to be
    // written; once they are, the open score gets back the fonts it had.
    std::optional<CFontArray::LiveKeeper> keep;
    if (CFontArray* table = score.GetFontArray()) keep.emplace(*table);
    const FontMap map = doc.fontMap;
    struct PutBack {
        FontMap& live;
        const FontMap& was;
        ~PutBack() { live = was; }
    } putBack{doc.fontMap, map};
    doc.ResolveFonts(score, true);
    // The device and patch lists are gathered by the MIDI layer before saving; without it
    // the score keeps the lists it has.
    WriteHeader(score, doc, s);
    WriteBody(score, doc, s);
}

std::vector<std::uint8_t> ScoreFile::WriteToBytes(CScore& score, ScoreFileDoc& doc) {
    CMemFile file;
    Write(score, doc, file);
    return file.Data();
}

bool ScoreFile::Save(CScore& score, ScoreFileDoc& doc, const std::string& path, int* osError) {
    if (osError) *osError = 0;
    std::vector<std::uint8_t> bytes;
    try {
        bytes = WriteToBytes(score, doc);
    } catch (const CFileException& e) {
        if (osError) *osError = e.m_lOsError > 0 ? int(e.m_lOsError) : EIO;
        return false;
    } catch (const CException&) {
        if (osError) *osError = ENOMEM;
        return false;
    } catch (const std::bad_alloc&) {
        if (osError) *osError = ENOMEM;
        return false;
    }
    return fw::WriteFileAtomic(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                               osError);
}

// --- reading -------------------------------------------------------------------------------

void ScoreFile::ReadHeader(CScore& score, ScoreFileDoc& doc, CChunkStream& s) {
    Log("Reading Header");
    g_model.currentScore = &score;
    g_model.currentDoc = score.GetDocument();
    // The first chunk, whatever its tag.
    const std::uint32_t length = s.BeginReadChunk(Tag("ZLSC"));
    std::uint16_t version = doc.version, needed = doc.neededVersion;
    s.ReadWordTo(&version);
    s.ReadWordTo(&needed);
    if (std::int16_t(needed) > std::int16_t(ScoreFileDoc::kProgramVersion)) {
        s.EndReadChunk();
        ThrowErrorCode(kErrNewerVersion);
    }
    doc.version = version;
    doc.neededVersion = needed;
    std::uint8_t build = std::uint8_t(doc.build);
    s.ReadByteTo(&build);
    doc.build = build;
    SetLoadedFileVersion(version, build);
    g_scoreFile.oldPageUnits = version < 0x400;
    s.ReadByteTo(&doc.optionByte);
    g_scoreFile.checkVoiceBanks = (doc.optionByte & 0x10) != 0;
    for (int i = 0; i < 16; ++i) {
        std::uint8_t* p = OptionByte(score, i);
        s.ReadByteTo(p);
        if (IsBooleanOption(i) && *p) *p = 1;
    }
    s.ReadWordTo(&doc.zoom);
    s.ReadWordTo(&doc.pageMode);
    s.ReadWordTo(&doc.scoreSize);
    s.ReadWordTo(&doc.maximised);
    for (std::int32_t& v : doc.windowRect) {
        std::int16_t w = std::int16_t(v);
        s.ReadWordTo(&w);
        v = w;
    }
    s.ReadWordTo(&score.trackCount);
    s.ReadWordTo(&score.pageCount);
    s.ReadWordTo(&score.lineCount);
    s.ReadWordTo(&score.barCount);

    CFile* file = s.GetFile();
    if (doc.scoreSize < 0 || doc.scoreSize > kMaxScoreSize) ThrowDamaged(file, "the score size");
    const int size = doc.scoreSize > 0 ? doc.scoreSize : 100;
    const CPageSetup& ps = doc.pageSetup;
    std::int32_t page[6] = {ps.GetLeftMargin() * size / 100, ps.GetTopMargin() * size / 100,
                            (ps.GetPaperWidth() - ps.GetRightMargin()) * size / 100,
                            (ps.GetPaperHeight() - ps.GetBottomMargin()) * size / 100,
                            ps.GetPaperWidth() * size / 100, ps.GetPaperHeight() * size / 100};
    s.ReadLongs(page, 6);
    for (std::int32_t v : page)
        if (v < -kMaxStoredPageValue || v > kMaxStoredPageValue) ThrowDamaged(file, "the page size");
    doc.landscape = page[4] > page[5] ? 1 : 0;
    if (version < 0x400) {
        for (std::int32_t& v : page) v = ScaleOldPageUnit(v, size);
        for (std::int32_t& v : page) v = v * 100 / size;
    } else {
        for (std::int32_t& v : page) v = PageValueFromStored(v, size);
    }
    // The paper has sides, and the margins lie inside it.
    const std::int32_t w = page[4], h = page[5];
    if (w <= 0 || h <= 0 || w > kMaxPaperPoints || h > kMaxPaperPoints) ThrowDamaged(file, "the page size");
    if (page[0] < 0 || page[1] < 0 || page[2] <= page[0] || page[3] <= page[1] || page[2] > w || page[3] > h)
        ThrowDamaged(file, "the page margins");
    doc.pageSetup.SetPaperSizePoints(page[4], page[5]);
    doc.pageSetup.SetMarginsPoints(page[0], page[1], page[4] - page[2], page[5] - page[3]);

    s.ReadFontRef(&score.textFont1);
    s.ReadFontRef(&score.textFont2);
    s.ReadFontRef(&score.textFont3);
    s.ReadFontRef(&score.chordFrameFont);
    // Whether the fifth font is stored is told by the chunk's length: the fields after it
    // that this version carries, and the fifth font itself, must fit.
    std::uint32_t after = 0;
    if (version >= 0x400) after += 28;
    if (version >= 0x410) after += 16;
    // Every field but the fifth font is there in every file of its version: a shorter header
    // would leave the counts, the page and the fonts at whatever they were before.
    if (length < kHeaderFieldsBeforeFifthFont + after) ThrowDamaged(file, "the header");
    if (length >= 100 + after) {
        s.ReadFontRef(&score.textFont5);
    } else {
        score.textFont5 = DefaultTextFont5();
        if (score.multiBarRestDefault == 0) score.multiBarRestDefault = 80;
    }
    if (version >= 0x400) {
        s.ReadBytes(score.timecode, 16);
        s.ReadWordTo(&score.timecodeFrameStyle);
        s.ReadLongTo(&score.timecodeOffset);
        s.ReadFontRef(&score.timecodeFont);
    }
    if (version >= 0x410) {
        s.ReadFontRef(&score.staffLabelFont);
        s.ReadWords(score.layoutWords, 5);
    } else {
        score.staffLabelFont = DefaultStaffLabelFont();
    }
    s.EndReadChunk();
}

bool ScoreFile::ReadBody(CScore& score, ScoreFileDoc& doc, CChunkStream& s) {
    RegisterTrackClass();
    CFile* file = s.GetFile();
    score.GetPageTextArray()->SetCount(0);
    score.GetLyricArray()->SetCount(0);
    score.GetFontArray()->SetCount(0);
    score.GetDeviceArray()->SetCount(0);
    score.GetPatchArray()->SetCount(0);
    ReleaseTrackBars(score);
    // The header counts what the lists hold: a count that no list can hold is damage, not a
    // lack of memory, and each list must then hold what the header counted.
    const std::int16_t counted[4] = {score.trackCount, score.pageCount, score.lineCount, score.barCount};
    for (std::int16_t n : counted)
        if (n < 0) ThrowDamaged(file, "the header's counts");
    if (!score.GetTrackArray()->SetSize(score.trackCount) || !score.GetPageArray()->SetSize(score.pageCount) ||
        !score.GetLineArray()->SetSize(score.lineCount) || !score.GetBarArray()->SetSize(score.barCount))
        ThrowErrorCode(kErrOutOfMemory);

    Log("Reading Track Array");
    score.GetTrackArray()->Read(s, Tag("TRKL"));
    Log("Reading Page Array");
    score.GetPageArray()->Read(s, Tag("PAGL"));
    Log("Reading Line Array");
    score.GetLineArray()->Read(s, Tag("LINL"));
    Log("Reading Bar Array");
    score.GetBarArray()->Read(s, Tag("BARL"));
    score.trackCount = std::int16_t(score.GetTrackArray()->GetCount());
    score.pageCount = std::int16_t(score.GetPageArray()->GetCount());
    score.lineCount = std::int16_t(score.GetLineArray()->GetCount());
    score.barCount = std::int16_t(score.GetBarArray()->GetCount());
    if (score.trackCount > CScore::kMaxTracks) ThrowErrorCode(kErrWrongMagic);
    if (score.trackCount != counted[0] || score.pageCount != counted[1] || score.lineCount != counted[2] ||
        score.barCount != counted[3])
        ThrowDamaged(file, "the header's counts");

    // The first part is read by position, but every chunk there must carry the tag of what
    // is read at that place: a missing, repeated or misplaced chunk is damage.
    const auto expect = [&s, file](const char (&tag)[5]) {
        if (s.PeekTag() != Tag(tag)) ThrowDamaged(file, tag);
    };
    Log("Reading Conductor Track");
    for (int b = 0; b < score.barCount; ++b) {
        LogTextInt("Bar ", b + 1, false);
        expect("COND");
        score.GetBar(b)->ReadConductor(s);
    }
    // Each bar's runs so far, for the room a bar's next shared run takes.
    std::vector<std::uint64_t> barBytes(std::size_t(std::max<int>(score.barCount, 0)), 0);
    // Whether each run may hold a font reference, as its records' readers tell: the font table
    // is read after the runs, and the mapping then walks only the runs that may hold one.
    std::vector<std::uint8_t> runsWithFonts(std::size_t(std::max<int>(score.trackCount, 0)) * barBytes.size(), 0);
    for (int t = 0; t < score.trackCount; ++t) {
        LogTextInt("Reading Track ", t + 1, true);
        CTrkBarArray* bars = score.GetTrkBarArray(t);
        if (!bars->SetSize(score.barCount)) ThrowErrorCode(kErrOutOfMemory);
        for (int b = 0; b < score.barCount; ++b) {
            LogTextInt("Bar ", b + 1, false);
            CTrkBar* bar = score.GetTrkBar(t, b);
            if (!bar->Init(t, b)) ThrowErrorCode(kErrOutOfMemory);
            expect("BDAT");
            // Each run lies behind the same bar's run of the track before, as the layout and
            // the bar edits walk them.
            const CTrkBar* above = t > 0 ? score.GetTrkBar(t - 1, b) : nullptr;
            std::uint64_t& sum = barBytes[std::size_t(b)];
            g_scoreFile.recordWithFonts = false;
            bar->ReadBeside(s, above ? above->GetRunHandle() : 0, score.trackCount - t, t > 0 ? std::uint32_t(sum / std::uint64_t(t)) : 0);
            sum += bar->GetRunLength();
            runsWithFonts[std::size_t(t) * barBytes.size() + std::size_t(b)] = g_scoreFile.recordWithFonts;
        }
        // Checking the voices' banks against the instrument definitions is the instrument
        // manager's; without its definitions every bank and patch is kept.
    }
    CheckReferences(score, doc, file);
    score.Reindex();
    g_model.currentScore = &score;
    Log("Reading Score Chunks");

    bool result = true;
    for (;;) {
        // A file that ends before its end mark has lost what followed: damage. The tag and
        // length are read through the stream, which then steps back over them.
        const std::uint64_t left = s.LeftInFile();
        if (left < 4) ThrowCutShort(file, "the end mark");
        const std::uint32_t tag = s.ReadLong();
        if (tag == kEndMark) break;
        if (left < 8) ThrowCutShort(file, "a chunk's length");
        const std::uint32_t length = s.ReadLong();
        s.Seek(-8, CFile::current);
        if (tag != Tag("SSET") && std::uint64_t(length) + 8 > left)
            ThrowCutShort(file, ("chunk " + TagText(tag)).c_str());
        if (tag == Tag("PGTX")) {
            score.GetPageTextArray()->Read(s, tag);
        } else if (tag == Tag("LYRC")) {
            score.GetLyricArray()->Read(s, tag);
        } else if (tag == Tag("FNTS")) {
            score.GetFontArray()->Read(s, tag);
        } else if (tag == Tag("ODEV")) {
            score.GetDeviceArray()->Read(s, tag);
        } else if (tag == Tag("PACH")) {
            score.GetPatchArray()->Read(s, tag);
        } else if (tag == Tag("TITL")) {
            for (TitleBlock& block : doc.titles) block.Read(s);
        } else if (tag == Tag("ALOT")) {
            SpacingTable scratch;
            DocumentSpacing(score, scratch).ReadChunk(s, tag);
        } else if (tag == Tag("ENGR")) {
            ReadEngraverSettings(doc.engraver, s, tag);
        } else if (tag == Tag("FMAP")) {
            doc.fontMap.Read(s);
        } else if (tag == Tag("PCPR") && doc.printer) {
            // Only damaged printer settings fail the read; skipped or foreign ones do not.
            if (doc.printer->ReadPrinterChunk(s) == PrinterSettings::kDamaged) result = false;
        } else if ((tag == Tag("ARTI") || tag == Tag("ARTC")) && g_model.loadedFileVersion != 0x399) {
            ReadMarkPlaybackTable(doc.markPlayback, s, tag);
        } else if (tag == Tag("SSET")) {
            // The sound-set name; loading sound sets is the audio engine's.
            if (left < 10) ThrowCutShort(file, "a sound-set name");
            s.Seek(8, CFile::current);
            const std::uint16_t nameLength = s.ReadWord();
            if (nameLength > s.LeftInFile()) ThrowCutShort(file, "a sound-set name");
            s.Seek(nameLength, CFile::current);
        } else if (tag == Tag("VSTD")) {
            s.Seek(8, CFile::current);
            std::vector<std::uint8_t> text(length);
            if (length) s.ReadBytes(text.data(), length);
            score.rackText.Clear();
            if (length && !score.rackText.Append(text.data(), length)) ThrowErrorCode(kErrOutOfMemory);
            ReadVSTRackText(score);
        } else {
            s.Seek(std::int64_t(length) + 8, CFile::current);
        }
    }

    FinishRead(score, doc, true, g_scoreFile.mapEveryRun ? nullptr : &runsWithFonts);
    return result;
}

bool ScoreFile::Read(CScore& score, ScoreFileDoc& doc, CFile& file) {
    CChunkStream s;
    s.SetFile(&file);
    ReadHeader(score, doc, s);
    return ReadBody(score, doc, s);
}

bool ScoreFile::AfterLoad(CScore& score, ScoreFileDoc* doc) {
    const int version = g_model.loadedFileVersion;
    if (CPageTextArray* texts = score.GetPageTextArray())
        if (!texts->FitSizes()) ThrowErrorCode(kErrOutOfMemory);

    // The track bars' records come to their own sizes first: a bar measures its contents from
    // them (an older file's notes are shorter than today's and measure wrongly before).
    bool repaired = false;
    for (int t = 0; t < score.GetTrackCount(); ++t) {
        CTrack* track = score.GetTrack(t);
        if (track && track->GetVoiceCount() == 0) track->SetVoiceCount(8);
        for (int b = 0; b < score.GetBarCount(); ++b)
            if (CTrkBar* bar = score.GetTrkBar(t, b)) repaired |= bar->AfterLoadFixup(version);
    }

    // Files older than 0x301 counted a lead pickup in the bar numbers: once a later bar is a
    // pickup and a bar carries its own bar number, the user is told that numbers may move.
    bool pickupSeen = false, numberSeen = false, told = false;
    for (int b = 0; b < score.GetBarCount(); ++b) {
        CBar* bar = score.GetBar(b);
        if (!bar) continue;
        bar->AfterRead();
        if (version < 0x301 && !told) {
            if (b > 0 && bar->HasBarFlag(CBar::kShortBarBit)) pickupSeen = true;
            if (bar->GetBarNumberItem(true)) numberSeen = true;
            if (pickupSeen && numberSeen) {
                char text[256];
                AfxMessageBox(LoadResString(kPickupNumbersMessage, text), MB_OK);
                told = true;
            }
        }
    }

    for (int s = 0; s < score.GetLineCount(); ++s)
        if (CLine* line = score.GetLine(s)) repaired |= line->AfterLoadFixup(version);

    score.RemapDevicesAfterLoad();
    score.CheckTrackDevices();

    if (doc) {
        doc->version = ScoreFileDoc::kProgramVersion;
        doc->neededVersion = ScoreFileDoc::kNeededVersion;
        doc->build = ScoreFileDoc::kBuild;
        if (doc->scoreSize == 0) doc->scoreSize = 100;
    }
    if (score.multiBarRestDefault == 0) score.multiBarRestDefault = 80;
    return repaired;
}

// --- legacy files ------------------------------------------------------------------------------

namespace {

std::uint16_t LE16(const std::uint8_t* p) { return std::uint16_t(p[0] | (p[1] << 8)); }
std::uint32_t LE32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}

void ReadOrEnd(CFile& file, void* p, UINT n) {
    if (file.Read(p, n) < n) AfxThrowFileException(CFileException::endOfFile, -1, file.GetFilePath().c_str());
}

// Copies at most `room` of a block of n bytes into dest and passes over the rest.
void ReadBounded(CFile& file, std::uint8_t* dest, std::uint32_t room, std::uint32_t n) {
    const std::uint64_t left = file.GetLength() - std::min(file.GetLength(), file.GetPosition());
    if (n > left) AfxThrowFileException(CFileException::endOfFile, -1, file.GetFilePath().c_str());
    const std::uint32_t take = n < room ? n : room;
    if (take) ReadOrEnd(file, dest, take);
    if (n > take) file.Seek(std::int64_t(n - take), CFile::current);
}

// The version block as the old files hold it: three words, then the view fields.
constexpr std::uint32_t kLegacyVersionBlock = 30;
// The score root's leading fields in the old files: 16 option bytes, four counts, five fonts
// (16-bit face, 16-bit size, style byte, pad byte).
constexpr std::uint32_t kLegacyRootFonts = 16 + 8;
constexpr std::uint32_t kLegacyScoreHead = kLegacyRootFonts + 5 * 6;

// The older files' device list: records of any size whose first word is the port id and whose
// name starts at byte 10. Each becomes a zeroed 138-byte record with that word and name.
void ConvertLegacyDevices(CScore& score, CFile& file) {
    CStdArray old;
    old.LoadRaw(file);
    CDeviceArray* devices = score.GetDeviceArray();
    const int n = old.GetCount();
    const int size = old.GetElementSize();
    devices->SetElemSize(CDeviceArray::kElementSize);
    if (!devices->SetSize(n)) ThrowErrorCode(kErrOutOfMemory);
    devices->SetCount(n);
    for (int i = 0; i < n; ++i) {
        auto* to = static_cast<std::uint8_t*>(devices->GetAt(i));
        const auto* from = static_cast<const std::uint8_t*>(old.GetAt(i));
        std::memset(to, 0, CDeviceArray::kElementSize);
        if (size >= 2) std::memcpy(to, from, 2);
        const int name = std::min(size - CDeviceArray::kNameOffset, CDeviceArray::kNameSize - 1);
        if (name > 0) {
            const auto* text = from + CDeviceArray::kNameOffset;
            const auto* end = static_cast<const std::uint8_t*>(std::memchr(text, 0, std::size_t(name)));
            std::memcpy(to + CDeviceArray::kNameOffset, text, std::size_t(end ? end - text : name));
        }
    }
}

}  // namespace

void ScoreFile::ReadLegacyHead(ScoreFileDoc& doc, CFile& file) {
    std::uint8_t head[8];
    ReadOrEnd(file, head, 8);
    // The block starts as the document holds it, so that a shorter one keeps what it lacks.
    std::uint8_t block[kLegacyVersionBlock] = {};
    const auto put16 = [&](int at, int v) {
        block[at] = std::uint8_t(v);
        block[at + 1] = std::uint8_t(v >> 8);
    };
    put16(0, doc.version);
    put16(2, doc.neededVersion);
    put16(4, doc.build);
    put16(6, doc.zoom);
    put16(8, doc.pageMode);
    put16(10, doc.scoreSize);
    put16(12, doc.maximised);
    for (int i = 0; i < 4; ++i) {
        put16(14 + 4 * i, doc.windowRect[i]);
        put16(16 + 4 * i, doc.windowRect[i] >> 16);
    }
    ReadBounded(file, block, kLegacyVersionBlock, LE32(head + 4));
    if (std::int16_t(LE16(block + 2)) > std::int16_t(ScoreFileDoc::kProgramVersion)) ThrowErrorCode(kErrNewerVersion);
    doc.version = LE16(block);
    doc.neededVersion = LE16(block + 2);
    doc.build = LE16(block + 4);
    doc.zoom = std::int16_t(LE16(block + 6));
    doc.pageMode = std::int16_t(LE16(block + 8));
    doc.scoreSize = std::int16_t(LE16(block + 10));
    if (doc.scoreSize < 0 || doc.scoreSize > kMaxScoreSize)
        AfxThrowArchiveException(CArchiveException::badIndex, file.GetFilePath().c_str(), "the score size");
    doc.maximised = std::int16_t(LE16(block + 12));
    for (int i = 0; i < 4; ++i) doc.windowRect[i] = std::int32_t(LE32(block + 14 + 4 * i));
    doc.loadedFromLegacy = true;
}

bool ScoreFile::ReadLegacy(CScore& score, ScoreFileDoc& doc, CFile& file) {
    RegisterTrackClass();
    std::uint8_t head[8];
    ReadOrEnd(file, head, 8);
    if (std::memcmp(head, "SCOR", 4) != 0) ThrowErrorCode(kErrWrongMagic);
    std::uint8_t root[kLegacyScoreHead] = {};
    for (int i = 0; i < 16; ++i) root[i] = *OptionByte(score, i);
    ReadBounded(file, root, kLegacyScoreHead, LE32(head + 4));
    // The option bytes as the chunked reader takes them, so that the score saves back the same.
    for (int i = 0; i < 16; ++i) *OptionByte(score, i) = IsBooleanOption(i) && root[i] ? 1 : root[i];
    score.trackCount = std::int16_t(LE16(root + 16));
    score.pageCount = std::int16_t(LE16(root + 18));
    score.lineCount = std::int16_t(LE16(root + 20));
    score.barCount = std::int16_t(LE16(root + 22));
    FontRef* rootFonts[5] = {&score.textFont1, &score.textFont2, &score.textFont3, &score.chordFrameFont,
                             &score.textFont5};
    for (int i = 0; i < 5; ++i) {
        const std::uint8_t* f = root + kLegacyRootFonts + 6 * i;
        if (LE32(head + 4) < std::uint32_t(kLegacyRootFonts + 6 * (i + 1))) break;  // a shorter block keeps the rest
        rootFonts[i]->face = LE16(f);
        rootFonts[i]->size = LE16(f + 2);
        rootFonts[i]->style = f[4];
    }
    g_scoreFile.checkVoiceBanks = (doc.optionByte & 0x10) != 0;
    g_scoreFile.oldPageUnits = doc.version < 0x400;
    SetLoadedFileVersion(doc.version, doc.build);

    ReleaseTrackBars(score);
    score.GetTrackArray()->LoadRaw(file);
    score.GetPageArray()->LoadRaw(file);
    score.GetLineArray()->LoadRaw(file);
    score.GetBarArray()->LoadRaw(file);
    score.trackCount = std::int16_t(score.GetTrackArray()->GetCount());
    score.pageCount = std::int16_t(score.GetPageArray()->GetCount());
    score.lineCount = std::int16_t(score.GetLineArray()->GetCount());
    score.barCount = std::int16_t(score.GetBarArray()->GetCount());
    if (score.trackCount > CScore::kMaxTracks) ThrowErrorCode(kErrWrongMagic);
    for (int t = 0; t < score.trackCount; ++t) {
        CTrack* track = score.GetTrack(t);
        rec::Put<std::int16_t>(track, CTrack::kInputPort, -1);
        rec::Put<std::int16_t>(track, CTrack::kRedirectPort, -1);
        // The name and abbreviation end in a terminator, as the chunked form reads them.
        rec::Put<std::uint8_t>(track, CTrack::kName + CTrack::kNameLength - 1, 0);
        rec::Put<std::uint8_t>(track, CTrack::kAbbreviation + CTrack::kNameLength - 1, 0);
        InitMarkPlaybackTable(track->MarkTable());
        for (int v = 0; v < CTrack::kVoices; ++v) track->SetVoiceDefName(v, "");
        score.GetTrkBarArray(t)->LoadRaw(file);
    }
    score.GetPageTextArray()->LoadRaw(file);
    score.GetLyricArray()->LoadRaw(file);
    score.GetFontArray()->LoadRaw(file);
    ConvertLegacyDevices(score, file);
    score.GetPatchArray()->LoadRaw(file);
    // Patch records of another size could be neither used nor saved back.
    if (score.GetPatchArray()->GetCount() > 0 && score.GetPatchArray()->GetElementSize() != CPatchArray::kElementSize)
        ThrowDamaged(&file, "the patch list");
    score.chordFrameFont = GuitarLibFontRef();
    CheckReferences(score, doc, &file);

    bool result = true;
    for (;;) {
        const std::uint64_t at = file.GetPosition();
        const std::uint64_t total = file.GetLength();
        if (total - std::min(total, at) < 8) break;
        ReadOrEnd(file, head, 8);
        const std::uint32_t length = LE32(head + 4);
        if (std::memcmp(head, "TITL", 4) == 0) {
            for (TitleBlock& block : doc.titles)
                if (!block.ReadRaw(file)) AfxThrowFileException(CFileException::endOfFile, -1, file.GetFilePath().c_str());
        } else if (std::memcmp(head, "RPNT", 4) == 0 && doc.printer) {
            file.Seek(std::int64_t(at), CFile::begin);
            if (doc.printer->ReadLegacyPrinterBlock(file) == PrinterSettings::kDamaged) result = false;
        } else if (std::memcmp(head, "FMAP", 4) == 0) {
            file.Seek(std::int64_t(at), CFile::begin);
            if (!doc.fontMap.ReadOldRaw(file)) break;
        } else if (std::memcmp(head, "ALOT", 4) == 0) {
            file.Seek(std::int64_t(at), CFile::begin);
            SpacingTable scratch;
            DocumentSpacing(score, scratch).ReadLegacyBlock(file);
        } else if (std::memcmp(head, "ENGR", 4) == 0) {
            file.Seek(std::int64_t(at), CFile::begin);
            ReadLegacyEngraverSettings(doc.engraver, file);
        } else {
            if (length > total - std::min(total, at + 8)) ThrowCutShort(&file, "a block's body");
            file.Seek(length, CFile::current);
        }
    }
    FinishRead(score, doc, false);
    return result;
}

bool ScoreFile::Open(CScore& score, ScoreFileDoc& doc, CFile& file) {
    char magic[4];
    if (file.Read(magic, 4) < 4) AfxThrowFileException(CFileException::endOfFile, -1, file.GetFilePath().c_str());
    file.Seek(0, CFile::begin);
    if (std::memcmp(magic, "ZLSC", 4) == 0) return Read(score, doc, file);
    if (std::memcmp(magic, "ZLP1", 4) == 0 || std::memcmp(magic, "ZLP0", 4) == 0) {
        ReadLegacyHead(doc, file);
        return ReadLegacy(score, doc, file);
    }
    ThrowErrorCode(kErrWrongMagic);
    return false;
}
