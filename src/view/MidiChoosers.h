// The small choosers of MIDI outputs, channels, banks, patches, pans and values, each a menu
// box popped up at a screen point, and the bank dialog (template 256). Every chooser answers
// false, leaving its value alone, when it is cancelled or has nothing to offer.
#pragma once
#include <cstddef>
#include <cstdint>

#include "model/MidiChoosers.h"
#include "platform/StdDlg.h"


// The combined output list, numbered, the port's entry marked; the chosen port id.
bool RunOutputMenu(int x, int y, int* port);
// Channels 1-16, or 1-8 on a sample-player port; the chosen channel (0-15).
bool RunChannelMenu(int x, int y, int port, int* channel);
// "None", then the banks the port's instrument definition names (banks 0-127 by number when
// it names none), the bank marked; the chosen bank, -1 for "None". While patches are chosen by
// number (g_view.numericPatches) the bank dialog instead.
bool RunBankMenu(int x, int y, int port, int channel, int* bank);
// The 128 programs of the word's bank, each its number right-aligned to the widest, ": " and
// its name (the number alone without one), "None" first with withNone; the word with the chosen
// program in its low byte, 0xFF there for "None".
bool RunPatchMenu(int x, int y, int port, int channel, std::int32_t* word, bool withNone);
// Pans -64 to 63; the value kept with 64 added (0-127).
bool RunPanMenu(int x, int y, int* stored);
// Values 0 to 127.
bool RunValueMenu(int x, int y, int* value, int flag);

// The bank dialog: the bank's two select values and the program of a word laid out as bank MSB
// in bits 24-31, bank LSB in bits 16-23 and program in bits 8-15, 255 in a field meaning blank
// (the word 0xFFFFFF: all three blank). Each field is blank or 0-127.
class CBankDlg : public CStdDlg {
public:
    static constexpr UINT kTemplateId = 256;
    enum : int { kSelect0 = 3, kSelect32 = 4, kProgram = 5 };

    explicit CBankDlg(std::uint32_t word) : word_(word) {}
    void InitControls() override;
    void OnControl(int id) override;
    // On OK the three fields packed into the top three bytes (blank as 255); the low byte is
    // kept as it came.
    std::uint32_t Word() const { return word_; }

private:
    std::uint32_t word_;
};

// Runs the bank dialog on a word; true (with the word) on OK.
bool RunBankDialog(std::uint32_t* word);

// Puts the choosers in for the track's voice pop-ups (model/MidiChoosers.h).
void RegisterMidiChoosers();
