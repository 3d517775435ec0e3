#include "formats/MusicXmlImport.h"

#include <new>
#include <vector>

#include "formats/FormatsGlobals.h"
#include "formats/MusicXmlReader.h"
#include "framework/Exceptions.h"
#include "framework/File.h"
#include "framework/Globals.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/TaskMakers.h"
#include "model/ZelDoc.h"
#include "platform/DebugLog.h"
#include "platform/Handles.h"

namespace formats {
namespace {

// Files larger than this are not read (no score file comes near it).
constexpr std::uint64_t kMaxFileSize = 64u * 1024 * 1024;

// Octave lines made by an import take their identifiers from a fixed sequence, so the same file
// always imports to the same bytes.
int NextOttavaDraw() { return (g_formats.ottavaDraws++ * 37 + 11) & 0xFF; }

}  // namespace

ImportOutcome ImportMusicXml(const std::uint8_t* bytes, std::size_t size, CZelDoc& doc) {
    ImportOutcome outcome;
    if (!doc.GetScore() || doc.GetScore()->GetBarCount() != 0) {
        outcome.code = 100;
        outcome.reason = "the score is not empty";
        return outcome;
    }
    g_formats.ottavaDraws = 0;
    fw::ScopedGlobal<int (*)()> draws(g_model.randomSource, &NextOttavaDraw);
    SetErrorCode(0);
    try {
        MusicXmlReader reader(doc);
        outcome = reader.Run(bytes, size);
    } catch (const CMemoryException&) {
        outcome.code = 100;
        outcome.reason = "out of memory";
    } catch (const std::bad_alloc&) {
        outcome.code = 100;
        outcome.reason = "out of memory";
    } catch (const CException&) {
        outcome.code = GetErrorCode() ? GetErrorCode() : 100;
        outcome.reason = "the import was stopped";
    }
    return outcome;
}

void RegisterScoreFormats() {
    if (g_formats.registered) return;
    g_formats.registered = true;
    ScoreImporterFn previous = ScoreImporter();
    ScoreImporter() = [previous](const std::string& ending, CZelDoc& doc, CFile& f) -> int {
        if (ending != ".xml") return previous ? previous(ending, doc, f) : 101;
        const std::uint64_t length = f.GetLength();
        ImportOutcome outcome;
        if (length > kMaxFileSize) {
            outcome.code = 101;
            outcome.reason = "the file is too large";
            outcome.offset = kMaxFileSize;
        } else {
            std::vector<std::uint8_t> image(static_cast<std::size_t>(length));
            f.SeekToBegin();
            if (!image.empty() && f.Read(image.data(), UINT(image.size())) != UINT(image.size())) {
                outcome.code = 101;
                outcome.reason = "the file could not be read whole";
            } else {
                outcome = ImportMusicXml(image.data(), image.size(), doc);
            }
        }
        if (outcome.code != 0) {
            LogText(("MusicXML file refused: " + outcome.reason + " at byte ").c_str(), false);
            LogTextInt("", int(std::min<std::uint64_t>(outcome.offset, 0x7FFFFFFF)), true);
        }
        return outcome.code;
    };
}

}  // namespace formats
