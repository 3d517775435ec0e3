#include "model/DocumentStandIns.h"

#include "framework/Globals.h"
#include "model/Select.h"
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

bool CNoteFilterDlg::Run(NoteFilterCriteria&) { return true; }

bool CFindDataDlg::Run(FindCriteria& criteria, int mode) {
    criteria.mode = std::uint8_t(mode);
    return true;
}

int GraphicWindow::lastHint = -1;
int GraphicWindow::shownKind = -1;
int GraphicWindow::shownController = -1;

void GraphicWindow::OnDocumentHint(int code) { lastHint = code; }

void GraphicWindow::ShowDataKind(int kind, int controller) {
    shownKind = kind;
    shownController = controller;
}

namespace {
void Reset() {
    GraphicWindow::lastHint = GraphicWindow::shownKind = GraphicWindow::shownController = -1;
    DocumentHintTargets() = {};
    PlaybackRunning() = false;
    ThruChangePending() = false;
    ScoreImporter() = RefuseEveryEnding;
}
const bool registered = (fw::RegisterGlobalsReset(&Reset), true);
}  // namespace
