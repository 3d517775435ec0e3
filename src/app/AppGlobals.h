// The application's globals: the start-up and idle switches, the MIDI thru follow-up, the port
// redirect table, the status displays' current device and voice, and the singletons start-up
// builds (each null until made and again after shutdown freed it).
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "app/AppStandIns.h"
#include "app/Transport.h"
#include "chrome/MainToolBar.h"
#include "midi/MidiLayer.h"
#include "midi/PortLists.h"
#include "model/LyricWnd.h"
#include "sequencer/TrackWnd.h"

class Performer;
class CTapeDeck;

class CDebugWnd;

class CZelDesktop;
class CMidi;
class CDrumLib;

struct AppGlobals {
    std::int32_t startupInProgress = 0;  // 1 from the start of start-up until it succeeds
    std::uint8_t idleEnabled = 0;        // idle work runs only while set
    std::uint8_t windowsNT5 = 1;         // the engine's platform is there
    std::uint8_t audioEngineOn = 1;      // the outside audio engine is in use
    std::uint8_t japanese = 0;           // the interface language is Japanese
    std::int16_t lastThruTrack = -1;     // the track the thru target was last worked out for
    std::int16_t currentTrack = 0;       // the status displays' track
    std::int16_t currentDevice = 0;      // the current track's output device
    std::uint16_t versionWord = 0x0410;
    std::uint16_t formatWords[2] = {25, 1024};
    std::int16_t defaultTextSize = 9;
    std::uint32_t lastAutosave = 0;      // ticks of the last autosave check
    std::uint8_t holdDurations = 0;      // Options > hold durations (not stored)

    // The redirect table last handed to the MIDI layer: tracks whose accepted input plays on
    // another output.
    std::vector<RedirectEntry> redirects;

    // The singletons, in the order start-up makes them.
    CZelDesktop* mainFrame = nullptr;
    CMidi* midi = nullptr;
    Performer* performer = nullptr;  // plays through the layer; made and freed with it
    CAllotLib* allotLib = nullptr;
    CDrumLib* drumLib = nullptr;
    CFontLib* fontLib = nullptr;
    CSystemDevices* devices = nullptr;
    CMidiInPorts* inPorts = nullptr;
    CMidiOutPorts* outPorts = nullptr;
    std::uint8_t* marker = nullptr;
    CStdToolBar* stdToolBar = nullptr;
    CMainToolBar* mainToolBar = nullptr;
    CTransport* transport = nullptr;
    CTapeDeck* tapeDeck = nullptr;   // the transport engine; made with the performer
    CTrackWnd* trackWnd = nullptr;
    CChordWnd* chordWnd = nullptr;
    CLyricWnd* lyricWnd = nullptr;
    CVSTWnd* vstWnd = nullptr;
    CGraphicWndHolder* graphicHolder = nullptr;
    CStepWnd* stepWnd = nullptr;
    CNoteSize* noteSize = nullptr;
    CDebugWnd* debugWnd = nullptr;
    std::uint8_t* scratch = nullptr;     // the 64,000-byte scratch buffer
};

extern AppGlobals g_app;
