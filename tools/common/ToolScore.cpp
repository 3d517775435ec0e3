// Reading, making and writing scores for the developer tools, and the item dump.
#include "ToolScore.h"

#include <cstring>
#include <fstream>
#include <new>
#include <string_view>
#include <iterator>
#include <map>
#include <vector>

#include "framework/CodePage.h"
#include "framework/DC.h"
#include "framework/Exceptions.h"
#include "framework/Gdi.h"
#include "framework/File.h"
#include "formats/MusicXmlImport.h"
#include "model/BarItem.h"
#include "model/ItemFactory.h"
#include "model/NewScore.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "notation/NotationClasses.h"
#include "notation/RawNote.h"
#include "platform/Handles.h"
#include "platform/Port.h"

namespace tools {

ToolScore::ToolScore() : doc(std::make_unique<CZelDoc>()), score(doc->GetScore()), fileDoc(*doc) {}
ToolScore::~ToolScore() {
    score = nullptr;
    doc.reset();
}

void RegisterClasses() {
    static bool done = false;
    if (done) return;
    RegisterTrackClass();
    RegisterNotationClasses();
    done = true;
}

void UseStartupFonts() {
    static bool done = false;
    if (done) return;
    fw::EnsureGraphics();
    InitDrawing();
    g_preferences.SetDefaultFonts(0);
    g_preferences.MakeFontsCurrent();
    done = true;
}

namespace {

// The exception's message, which the program holds in its code page, in UTF-8 for the terminal.
std::string Reason(const CException& e) {
    std::string text;
    if (e.GetErrorMessage(text) && !text.empty()) return fw::ToUtf8(text);
    return e.what();
}

}  // namespace

std::unique_ptr<ToolScore> ReadScore(const std::string& path) {
    RegisterClasses();
    UseStartupFonts();
    // MusicXML files import as the program imports them.
    formats::RegisterScoreFormats();
    auto s = std::make_unique<ToolScore>();
    if (!s->doc->OnOpenDocument(fw::FromUtf8(path).c_str())) {
        // An importer's own reason is in the tool's words; otherwise the message shown.
        std::string shown = s->doc->lastReadDetail.empty() ? fw::ToUtf8(s->doc->lastReadMessage) : s->doc->lastReadDetail;
        for (char& c : shown)
            if (c == '\n') c = ' ';
        throw ToolError(path + " could not be opened: code " + std::to_string(s->doc->lastReadCode) +
                        (shown.empty() ? std::string() : ": " + shown));
    }
    s->Refresh();
    return s;
}

std::unique_ptr<ToolScore> ReadScoreBytes(const std::vector<std::uint8_t>& bytes) {
    RegisterClasses();
    auto s = std::make_unique<ToolScore>();
    CMemFile file(bytes);
    SetErrorCode(0);
    // Every failure of the reader names where it stood in the file and why.
    const auto damaged = [&file](const std::string& reason) {
        const int code = GetErrorCode();
        return ToolError("damaged at offset " + std::to_string(file.GetPosition()) + ": " + reason +
                         (code ? " (error " + std::to_string(code) + ")" : std::string()));
    };
    try {
        if (!ScoreFile::Open(*s->score, s->fileDoc, file)) throw damaged("the printer settings are damaged");
    } catch (const CUserException&) {
        throw damaged(GetErrorCode() == kErrNewerVersion ? "a newer version is needed to read it"
                      : GetErrorCode() == kErrWrongMagic ? "not a score file"
                      : GetErrorCode() == kErrOutOfMemory ? "out of memory"
                      : GetErrorCode() == std::uint16_t(kErrEndOfFileRead) ? "a block of records ends early"
                                                          : "the read was stopped");
    } catch (const CException& e) {
        throw damaged(Reason(e));
    } catch (const std::bad_alloc&) {
        throw damaged("out of memory");
    }
    // Indices, links and system rectangles are derived: renew them as the program does after a load.
    s->score->Reindex();
    for (int k = 0; k < s->score->GetLineCount(); ++k) s->score->GetLine(k)->Relayout();
    return s;
}

namespace {

std::unique_ptr<ToolScore> BuildScore(const NewScoreSettings& settings, bool titles) {
    RegisterClasses();
    if (settings.arrangement < 0 || settings.arrangement > 4) throw ToolError("arrangement must be 0-4");
    UseStartupFonts();
    auto s = std::make_unique<ToolScore>();
    s->doc->SetTitle(nullptr);  // a new document is untitled
    // Track names are measured in the interface font for the systems' name indents: the score
    // is built with a port that measures.
    fw::EnsureGraphics();
    InitDrawing();
    CDC measure;
    measure.CreateIC();
    PushPort(&measure);
    const bool built = BuildNewScore(*s->score, settings, titles ? s->doc.get() : nullptr);
    PopPort();
    if (!built) throw ToolError("the score could not be built");
    return s;
}

}  // namespace

std::unique_ptr<ToolScore> NewScore(int arrangement) {
    NewScoreSettings settings;
    settings.arrangement = arrangement;
    return BuildScore(settings, false);
}

std::unique_ptr<ToolScore> NewScore(const NewScoreSettings& settings) { return BuildScore(settings, true); }

void WriteScore(ToolScore& s, const std::string& path) {
    if (!s.doc->OnSaveDocument(fw::FromUtf8(path).c_str())) throw ToolError("cannot write " + path);
}

namespace {

std::map<int, ItemFieldPrinter>& Printers() {
    static std::map<int, ItemFieldPrinter> printers;
    return printers;
}

}  // namespace

void RegisterItemFields(int typeCode, ItemFieldPrinter printer) { Printers()[typeCode] = std::move(printer); }

void PrintItemFields(std::FILE* out, CBarItem* item) {
    const auto it = Printers().find(item->Type());
    if (it != Printers().end()) it->second(out, item);
}

void DumpItems(std::FILE* out, CScore& score, int track, int bar, bool liveOnly, bool placed,
               const std::map<int, ItemFieldPrinter>* extra) {
    if (track < 0 || track >= score.GetTrackCount()) throw ToolError("no track " + std::to_string(track));
    if (bar < 0 || bar >= score.GetBarCount()) throw ToolError("no bar " + std::to_string(bar));
    CTrkBar* trkBar = score.GetTrkBar(track, bar);
    if (!trkBar) throw ToolError("track " + std::to_string(track) + " has no bar " + std::to_string(bar));
    CBarItem* item = trkBar->GetItems();
    int index = 0;
    for (; item && item->Type() != 255; item = item->NextItem(), ++index) {
        if (liveOnly && item->IsRemoved()) continue;
        char name[64] = {};
        item->GetTypeName(name);
        if (placed) std::fprintf(out, "%d %d: ", track, bar);
        std::fprintf(out, "%d %s time %d pos %d voice %d flags %02x%02x", index, name[0] ? name : "?",
                     int(item->TimeField()), int(item->PositionField()), item->VoiceField(), unsigned(item->FlagsA()),
                     unsigned(item->FlagsB()));
        if (placed && item->IsNoteOrRawNote()) {
            auto* note = static_cast<CRawNote*>(item);
            for (int k = 0; k < note->HeadCountField(); ++k)
                std::fprintf(out, "%s%d", k ? "," : " pitches ", int(note->Head(k)->Pitch()));
        }
        const auto it = Printers().find(item->Type());
        if (it != Printers().end()) it->second(out, item);
        if (extra)
            if (const auto more = extra->find(item->Type()); more != extra->end()) more->second(out, item);
        std::fputc('\n', out);
    }
}

}  // namespace tools
