// Import of partwise MusicXML files (".xml") into the document's empty score, and the hook that
// puts the importers of this folder in front of the document's importer chain.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

class CZelDoc;

namespace formats {

// How an import ended: code 0, or the read result (100 out of memory, 101 a file it cannot
// read); for a refused file the reason and the byte of the file where reading stopped.
struct ImportOutcome {
    int code = 0;
    std::string reason;
    std::uint64_t offset = 0;
};

// Builds the score of a partwise MusicXML file image in the document's score, which must be
// empty. A file without a partwise root or without a score-part, or one that ends inside its
// root, is refused (101) and builds nothing.
ImportOutcome ImportMusicXml(const std::uint8_t* bytes, std::size_t size, CZelDoc& doc);

// Puts ".xml" into the document's importers (ScoreImporter()), in front of those already there;
// a refusal writes its reason and offset into the debug log. Start-up, the tools and the tests
// call it; a second call changes nothing.
void RegisterScoreFormats();

}  // namespace formats
