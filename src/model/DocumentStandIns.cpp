#include "model/DocumentStandIns.h"

#include "platform/FontRef.h"


#include "framework/CmdUI.h"
#include "framework/Globals.h"
#include "model/Select.h"
#include "model/ZelDoc.h"

std::array<DocumentHintReceiver, 6>& DocumentHintTargets() {
    static std::array<DocumentHintReceiver, 6> targets;
    return targets;
}



bool CNoteFilterDlg::Run(NoteFilterCriteria&) { return true; }

bool CFindDataDlg::Run(FindCriteria& criteria, int mode) {
    criteria.mode = std::uint8_t(mode);
    return true;
}

bool MidiDataBox::shown = false;
void MidiDataBox::Show(bool on) { shown = on; }

void CExtracter::Run(CZelDoc&) {}
bool CFontLibDlg::Run(FontMap&) { return false; }

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
    MidiDataBox::shown = false;
}
const bool registered = (fw::RegisterGlobalsReset(&Reset), true);
}  // namespace

