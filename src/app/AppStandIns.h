// Least forms of the objects that start-up builds and shutdown frees but that later work
// writes: the MIDI device dialog, the user libraries, the support windows, the audio engine
// host and the plug-in table. Each has its owner's name and only what the application object
// calls.
#pragma once
#include <string>
#include <vector>

#include "framework/ControlBar.h"
#include "model/ChordRecords.h"
#include "platform/FontLib.h"
#include "platform/Library.h"
#include "platform/LibraryStandIns.h"
#include "view/ViewStandIns.h"

class CZelDoc;
class CDialog;

// --- MIDI devices and ports ------------------------------------------------------------------

// (The system's devices and the chosen port lists are the MIDI layer's, midi/PortLists.h; the
// ports dialog is app/MidiPortsDlg.h.)

// --- user libraries --------------------------------------------------------------------------
// (The library base and the symbol-map library are platform/Library.h and platform/FontLib.h;
// the expression, chord and guitar-frame libraries platform/LibraryStandIns.h; the drum
// library's map is the model's, model/ScoreStandIns.h.)

class CAllotLib : public CLibrary {};
// The instrument library: its entries' names (none until the library is built).
class CInstLib : public CLibrary {
public:
    int GetCount() const { return 0; }
    const char* GetItemName(int) const { return ""; }
};

// --- support windows -------------------------------------------------------------------------

class CSupportWnd {
public:
    virtual ~CSupportWnd() = default;
    bool Create(CFrameWnd*) { return true; }
    bool IsVisible() const { return false; }
    void Hide() {}
    void SetDocument(CZelDoc*) {}
};
class CTrackWnd : public CSupportWnd {};
class CChordWnd : public CSupportWnd {};
class CLyricWnd : public CSupportWnd {};
class CVSTWnd : public CSupportWnd {};
class CGraphicWndHolder : public CSupportWnd {
public:
    bool IsOpen() const { return false; }
};
class CStepWnd : public CSupportWnd {
public:
    void IdleUpdate() {}
};
class CNoteSize : public CSupportWnd {};

// --- audio engine ----------------------------------------------------------------------------

// The outside audio engine: not present, so it never starts. The attempts to start it are
// counted.
class EngineHost {
public:
    static bool Start(CWnd* mainWindow);
    static int& StartAttempts();
    static bool Available() { return false; }
    static void Idle() {}
    static void Shutdown() {}
};
struct PlugInTable {
    static void CloseAll() {}
};
