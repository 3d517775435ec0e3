// Minimal forms of what the document calls in code that is not written yet: the support windows
// that hear the document's notices, the piano-roll window's share of find, the two dialogs of the
// selection filters, the importers, lyric entry, the MIDI data box, the
// export, part extraction and font library dialogs. Each carries its owner's
// name and only the least body the document needs.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/Gdi.h"
#include "framework/Types.h"
#include "model/Playback.h"
#include "platform/FontRef.h"

class CBaseItem;
class CZelDoc;
class CCmdUI;

// The windows that hear the document's notices (target 0 the chord window, 1 the graphic
// window, 4 the track window, 5 the transport bar; 2 and 3 nobody): each receives the code.
// The windows put themselves in when they are made.
using DocumentHintReceiver = std::function<void(int code)>;
std::array<DocumentHintReceiver, 6>& DocumentHintTargets();


class CFile;

// The MIDI data box of the main frame: shown or hidden.
struct MidiDataBox {
    static void Show(bool on);
    static bool shown;
};

struct FontMap;
// File > Extract Parts: nothing until written.
struct CExtracter {
    static void Run(CZelDoc& doc);
};
// The font library dialog over a copy of a font map: cancelled (false) until it is written.
struct CFontLibDlg {
    static bool Run(FontMap& map);
};

struct FindCriteria;
struct NoteFilterCriteria;

// The note filter dialog (template 300): edits a copy of the criteria and copies it back on OK;
// false on Cancel. Until it is written it answers OK with the criteria as they are.
class CNoteFilterDlg {
public:
    static bool Run(NoteFilterCriteria& criteria);
};

// The find dialog (template 354) in find (0) or data-filter (1) mode: sets the record's mode
// byte, edits a copy and copies it back on OK; false on Cancel. Until it is written it answers
// OK with the criteria as they are (the mode set).
class CFindDataDlg {
public:
    static bool Run(FindCriteria& criteria, int mode);
};

// The piano-roll window: told a document notice, and asked to show a MIDI data kind (and
// controller) in its lane. Until it is written each call is only kept: the last notice and the
// last kind and controller asked for (-1: none yet).
struct GraphicWindow {
    static void OnDocumentHint(int code);
    static void ShowDataKind(int kind, int controller);
    static int lastHint;
    static int shownKind;
    static int shownController;
};

