#include "model/DocumentStandIns.h"

#include "framework/Globals.h"
#include "model/ZelDoc.h"

std::array<DocumentHintReceiver, 6>& DocumentHintTargets() {
    static std::array<DocumentHintReceiver, 6> targets;
    return targets;
}

bool& ThruChangePending() {
    static bool pending = false;
    return pending;
}

bool& PlaybackRunning() {
    static bool running = false;
    return running;
}

void CSelect::FlushDirtyRects() {
    if (!document) return;
    document->MakeCurrent();
    document->InvalidatePageRects(redrawList.data(), int(redrawList.size()));
}

void CZelDoc::RunCommand(int id) { commands.push_back(id); }

bool CZelDoc::OnKeyChar(int ch, int) {
    keys.push_back(ch);
    return true;
}

namespace {
int RefuseEveryEnding(const std::string&, CZelDoc&, CFile&) { return CZelDoc::kReadWrongMagic; }
}  // namespace

ScoreImporterFn& ScoreImporter() {
    static ScoreImporterFn importer = RefuseEveryEnding;
    return importer;
}

namespace {
void Reset() {
    DocumentHintTargets() = {};
    PlaybackRunning() = false;
    ThruChangePending() = false;
    ScoreImporter() = RefuseEveryEnding;
}
const bool registered = (fw::RegisterGlobalsReset(&Reset), true);
}  // namespace
