// The Note menu: the operations on the selected notes that its entries, several palette buttons
// and typed keys make, the voices, Adjust Pitch, and the update handler that enables the entries
// by what the selection holds.
#include <utility>

#include "framework/CmdUI.h"
#include "model/ApplicationOps.h"
#include "model/EditTask.h"
#include "model/MenuUI.h"
#include "model/ModelGlobals.h"
#include "model/Playback.h"
#include "model/ZelDoc.h"

namespace {

// The ids the Note family carries out: the menu's and the palette's and typed keys' that lead to
// the same operations.
constexpr std::pair<int, int> kNoteIds[] = {
    {1106, 1106},   {4005, 4006},   {4109, 4109},   {4120, 4127},   {4325, 4326},   {4906, 4906},   {4908, 4909},
    {4912, 4913},   {35000, 35004}, {35010, 35025}, {35100, 35102}, {35200, 35203}, {35210, 35213}, {35300, 35305},
    {35400, 35404}, {35500, 35501}, {35503, 35503}, {35505, 35507}, {35600, 35603}, {35700, 35709}, {35800, 35803},
    {35900, 35907}, {35910, 35918}};

}  // namespace

bool CZelDoc::IsNoteCommand(int id) {
    for (const auto& [first, last] : kNoteIds)
        if (id >= first && id <= last) return true;
    return false;
}

void CZelDoc::OnNoteCommand(int id) {
    const bool selected = selection && selection->GetItemCount() > 0;
    if (id == 35004) {
        g_model.repitch = g_model.repitch ? 0 : 1;
        if (AppOps().clearInputQueue) AppOps().clearInputQueue();
        return;
    }
    // The voices: with nothing selected they choose the current voice.
    if (id == 4906) {
        if (!selected) SetCurrentVoice(-1);
        return;
    }
    if (id >= 35900 && id <= 35907 && !selected) {
        SetCurrentVoice(id - 35900);
        return;
    }
    // Every other id makes its operation by the command table's row (nothing while the
    // operation is not in the program).
    RunTaskRow(id);
}

void CZelDoc::OnUpdateNoteMenu(CCmdUI* entry) {
    CMenuUI& ui = MenuUI();
    ui.Begin(entry, 0);
    if (g_model.printing || EditorOpen()) return;
    const bool playing = PlaybackRunning();
    const bool selected = selection && selection->GetItemCount() > 0;
    if (!(playing && selected)) ui.EnableRange(35900, 35918);
    const bool stepWindow = AppOps().stepWindowExists && AppOps().stepWindowExists();
    if (!playing && !stepWindow)
        ui.EnableId(35004);
    else
        g_model.repitch = 0;
    ui.CheckId(35004, g_model.repitch != 0);
    if (!selected || playing) return;
    const CSelect& s = *selection;
    const bool notes = s.noteCount > 0 || s.specialNoteCount > 0;
    const bool noteOrRaw = s.noteCount > 0 || s.rawNoteCount > 0;
    ui.EnableId(35400);
    if (notes) {
        ui.EnableRange(35500, 35506);
        ui.EnableRange(35200, 35213);
    }
    if (s.beamCount > 0) {
        ui.EnableRange(35202, 35203);
    } else {
        ui.DisableId(35202);
        ui.DisableId(35203);
    }
    if (s.chordCount > 0 || s.noteCount > 0 || s.rawNoteCount > 0)
        for (int on : {35000, 35401, 35803}) ui.EnableId(on);
    if (noteOrRaw) {
        for (int on : {35001, 35002, 35003, 35603, 35602, 35800}) ui.EnableId(on);
        ui.EnableRange(35402, 35403);
        ui.EnableRange(35010, 35025);
    }
    if (s.noteCount > 0) {
        for (int on : {35404, 35601, 35600, 35801, 35802}) ui.EnableId(on);
        ui.EnableRange(35100, 35102);
        ui.EnableRange(35300, 35305);
        ui.EnableRange(35700, 35709);
    }
}
