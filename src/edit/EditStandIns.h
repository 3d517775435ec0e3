// What the edit commands call in code that is not written yet: the property dialogs of other
// folders' owners. Each names the dialog it stands for and has only the body the commands here
// need; the dialog's owner replaces it.
#pragma once
#include <cstdint>

struct Meter;
struct HollywoodStyle;

// The time signature dialog (template 247, "设置节拍"): edits the working time signature, the
// option flag, the bar range (first and last, numbered from 1, at most the bar count) and the
// large signature's style (its tracks, the score's time-signature font, the words); the meter
// in force before the range is its presets' reference. Stands in with an OK that keeps
// everything as given.
class CMeterDlg {
public:
    CMeterDlg(Meter* meter, std::uint16_t* option, std::int16_t* range, int barCount, const Meter* previous,
              HollywoodStyle* style)
        : meter(meter), option(option), range(range), barCount(barCount), previous(previous), style(style) {}
    // False on Cancel.
    bool RunModal();

    Meter* meter;
    std::uint16_t* option;
    std::int16_t* range;   // first and last bar, from 1
    int barCount;
    const Meter* previous;
    HollywoodStyle* style;
};

// The octave line dialog (template 252, "八度"): edits the kind (0-3) and the four option flags
// of an octave line. Stands in with an OK that keeps them as given.
class COttavaDlg {
public:
    COttavaDlg(std::int16_t* kind, std::int16_t* flags) : kind(kind), flags(flags) {}
    // False on Cancel.
    bool RunModal() { return true; }

    std::int16_t* kind;
    std::int16_t* flags;   // four
};

// The property dialogs of one item opened from its pop-up: the dynamic's (227, "编辑力度"), the
// hairpin's (302, "编辑渐强(弱)") and the
// enclosure's (420, "围栏设置": the record is the enclosure and the enclosed byte, the scope the
// apply-to-all choice). Each edits
// the item's record in place and its scope choice (0 the item only, 1 its track, 2 every
// track). They stand in with an OK that keeps the record and the scope as given.
class CItemPropertyDlg {
public:
    CItemPropertyDlg(unsigned templateId, void* record, int* scope) : templateId(templateId), record(record), scope(scope) {}
    // False on Cancel.
    bool RunModal() { return true; }

    unsigned templateId;
    void* record;
    int* scope;
};

// The capo dialog (template 398, "设置变调夹位置", CCapoDlg): the capo fret (0-24) and the chord
// name mode (0-2). Stands in with an OK that keeps them as given.
class CCapoDlg {
public:
    CCapoDlg(int* fret, int* mode) : fret(fret), mode(mode) {}
    // False on Cancel.
    bool RunModal() { return true; }

    int* fret;
    int* mode;
};

// The colour chooser (template 351, CColorDlg): edits an item's colour byte (0 the voice's
// colour, n palette colour n - 1). Stands in with a Cancel that keeps the colour.
class CColorDlg {
public:
    explicit CColorDlg(std::uint8_t* color) : color(color) {}
    // False on Cancel.
    bool RunModal() { return false; }

    std::uint8_t* color;
};
