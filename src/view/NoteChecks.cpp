#include "view/NoteChecks.h"

#include <string>

#include "framework/Dialog.h"
#include "framework/Window.h"
#include "model/Bar.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/Track.h"
#include "model/ZelDoc.h"
#include "platform/Handles.h"
#include "platform/Theory.h"
#include "view/EditTool.h"

namespace {

constexpr UINT kTooFullDialog = 403;
constexpr UINT kRangeDialog = 404;
constexpr UINT kVoiceLimitDialog = 405;
constexpr int kRangeText = 3;

bool Ask(UINT templateId) {
    CDialog question(templateId, AfxGetMainWnd());
    return question.DoModal() == IDOK;
}

std::string PitchName(int pitch) {
    std::string out;
    CTheory::AppendOctave(pitch, 0, g_preferences.Byte(Preferences::kNoteNameType), out);
    return out;
}

// Dialog 404 with its text filled in.
class CRangeDlg : public CDialog {
public:
    CRangeDlg(const std::string& pitch, const std::string& track, const std::string& low, const std::string& high)
        : CDialog(kRangeDialog, AfxGetMainWnd()), values{pitch, track, low, high} {}

    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        char text[512] = {};
        GetDlgItemText(kRangeText, text, int(sizeof text));
        std::string out;
        for (const char* p = text; *p; ++p) {
            if (p[0] == '%' && p[1] >= '1' && p[1] <= '4') {
                out += values[p[1] - '1'];
                ++p;
            } else {
                out += *p;
            }
        }
        SetDlgItemText(kRangeText, out.c_str());
        return TRUE;
    }

private:
    std::string values[4];
};

}  // namespace

bool RunRangeDialog(const char* trackName, int pitch, int low, int high) {
    CRangeDlg dlg(PitchName(pitch), trackName ? trackName : "", PitchName(low), PitchName(high));
    return dlg.DoModal() == IDOK;
}

void RunNoteChecks(CNoteTool& tool, int pitch) {
    CScore* score = tool.score;
    if (!score || !tool.document) return;
    CBar* bar = score->GetBar(tool.own.barIndex);
    CTrack* track = score->GetTrack(tool.own.trackIndex);
    if (!bar || !track) return;
    tool.Redraw();
    if (bar->MeasureContents() > bar->GetMeterLength() && !Ask(kTooFullDialog)) ThrowErrorCode(CNoteTool::kRefusedCode);
    if (pitch >= 0) {
        // The bounds shown are the bounds checked.
        const int t = track->GetVoiceTranspose(tool.own.voice & 7);
        const int low = track->GetLowRange() - t, high = track->GetHighRange() - t;
        if (pitch < low || pitch > high) {
            char name[256] = {};
            track->GetName(name, true);
            if (!RunRangeDialog(name, pitch, low, high)) ThrowErrorCode(CNoteTool::kRefusedCode);
        }
    }
    // The voice the note went into (the entry may move it to the neighbouring voice).
    if (tool.own.voice >= track->GetVoiceCount() && !Ask(kVoiceLimitDialog))
        ThrowErrorCode(CNoteTool::kRefusedCode);
}
