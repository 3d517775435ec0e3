// Least forms of what the view's tools call and later work builds: each answers as the caller
// needs and changes nothing.
#pragma once

#include "framework/MessageBox.h"

class CHarpPed;

// The symbol dialog (template 213) on the tool state's current symbol choice. Until it is built
// it answers OK and leaves the choice as it is.
class CSymbolDlg {
public:
    static constexpr unsigned kTemplate = 213;
    // IDOK (1) for OK, IDCANCEL (2) for Cancel.
    int DoModal();
};

// The harp pedal dialog (template 223): shows the marking's seven pedals, its display kind and
// its letters, and writes them back on OK. Until it is built it answers OK and leaves the
// marking as it was given.
class CHarpDlg {
public:
    explicit CHarpDlg(CHarpPed* harp) : harp(harp) {}
    int DoModal() { return IDOK; }

    CHarpPed* harp = nullptr;
};

// CMidiDataTask::Perform (view/PenTask.h), the edit of the MIDI data under the click, is defined
// in ViewStandIns.cpp until the data editing is built: it edits nothing and leaves no undo entry.
