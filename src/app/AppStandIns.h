// Least forms of the objects that start-up builds and shutdown frees but that later work
// writes: the MIDI device dialog, the user libraries and the support windows. Each has its
// owner's name and only what the application object calls.
#pragma once
#include <string>
#include <vector>

#include "framework/ControlBar.h"
#include "model/AllotLib.h"
#include "model/ChordRecords.h"
#include "platform/FontLib.h"
#include "platform/EngineStandIns.h"
#include "platform/Library.h"
#include "platform/LibraryStandIns.h"
#include "model/Playback.h"

class CZelDoc;
class CDialog;

// --- MIDI devices and ports ------------------------------------------------------------------

// (The system's devices and the chosen port lists are the MIDI layer's, midi/PortLists.h; the
// ports dialog is app/MidiPortsDlg.h.)

// --- user libraries --------------------------------------------------------------------------
// (The library base and the symbol-map library are platform/Library.h and platform/FontLib.h,
// the spacing library and the library dialogs' base model/AllotLib.h and model/LibDlg.h;
// the expression, chord and guitar-frame libraries platform/LibraryStandIns.h; the drum
// library's map is the model's, model/ScoreStandIns.h; the instrument library model/InstLib.h.)

// --- support windows -------------------------------------------------------------------------
// (The lyric window is the model's, model/LyricWnd.h.)

// A support window: made hidden; shown and hidden by the Window menu's toggles.
class CSupportWnd {
public:
    virtual ~CSupportWnd() = default;
    bool Create(CFrameWnd*) { return true; }
    bool IsVisible() const { return visible_; }
    void Show() { visible_ = true; }
    void Hide() { visible_ = false; }
    void Toggle() { visible_ = !visible_; }
    void SetDocument(CZelDoc*) {}
    // A typed key while the window is shown: not taken.
    bool HandleKey(int, int) { return false; }

private:
    bool visible_ = false;
};
// (The track window is the sequencer views', sequencer/TrackWnd.h.)
class CChordWnd : public CSupportWnd {};
class CVSTWnd : public CSupportWnd {};
class CGraphicWndHolder : public CSupportWnd {
public:
    bool IsOpen() const { return IsVisible(); }
};
class CStepWnd : public CSupportWnd {
public:
    void IdleUpdate() {}
};
class CNoteSize : public CSupportWnd {};

// --- audio engine ----------------------------------------------------------------------------
// (The engine host and the plug-in table are platform/EngineStandIns.h, where the MIDI layer
// reaches them too.)

// --- what the application's command routing and key handler run, not written yet -------------
// The audio settings dialog, the instrument manager's dialog and the preferences sheet answer
// Cancel; the VST window and the MIDI data box's field step do nothing. Each call is kept, by its name, in StandInCalls().
std::vector<std::string>& StandInCalls();
void RunAudioSettingsDialog();
void RunInstrumentManagerDialog();
bool RunPreferencesSheet();
void ShowVSTWindow();
void DataBoxNextField();
