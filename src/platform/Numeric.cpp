#include "platform/Numeric.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "framework/CodePage.h"
#include "framework/Cursor.h"
#include "framework/Window.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/PlatformGlobals.h"
#include "platform/Port.h"
#include "platform/PortLayer.h"
#include "platform/StdDlg.h"
#include "platform/StdDlgGlobals.h"
#include "platform/Theory.h"

namespace {

std::int16_t Clamp16(int v, int lo, int hi) { return std::int16_t(std::clamp(v, lo, std::max(lo, hi))); }

// How long one turn of the drag loop waits for the pointer: the 10 ticks after which a
// resting pointer brings the speed back to its start.
constexpr UINT kSpeedPollMs = 167;

// The greatest power of two not above v (0 stays 0; negative values become 0).
int FloorPowerOfTwo(int v) {
    if (v <= 0) return 0;
    int p = 1;
    while (p <= v / 2) p *= 2;
    return p;
}

}  // namespace

CNumeric::CNumeric() { fontRef = g_draw.standardFontRefs[0]; }

CNumeric::~CNumeric() {
    if (g_ui.currentNumeric == this) g_ui.currentNumeric = nullptr;
}

void CNumeric::Init(int v, int lo, int hi, const RECT& r, const char* text) {
    value = std::int16_t(v);
    minimum = std::int16_t(lo);
    maximum = std::int16_t(hi);
    rect = r;
    powerOfTwo = noteName = active = changed = swapArrows = 0;
    hasMinText = text ? 1 : 0;
    minText[0] = 0;
    if (text) fw::CopyText(minText, sizeof minText, text);
    decimals = 0;
    entryState = 0;
    digitsBeforePoint = 0;
    caret = 0;
    leftInset = 2;
    descent = 3;
    alignment = 1;
    fontRef = g_draw.standardFontRefs[0];
}

void CNumeric::SetColorScheme(int scheme) {
    if (scheme != 1) return;
    const int a = g_draw.themeColorA, b = g_draw.themeColorB;
    colours[0] = std::int16_t(a);  // normal background
    colours[2] = std::int16_t(b);  // normal text
    colours[1] = std::int16_t(b);  // active background
    colours[3] = std::int16_t(a);  // active text
}

int CNumeric::GetClampedValue() { return Clamp16(value, minimum, maximum); }

void CNumeric::Format(char* text, std::size_t size) {
    if (!text || size == 0) return;
    std::string s;
    if (value == minimum && hasMinText) {
        s = minText;
    } else if (noteName) {
        CTheory::AppendOctave(value, 0, g_platform.noteNameStyle, s);
    } else if (decimals == 1 || decimals == 2) {
        const int unit = Unit();
        const int v = value;
        const int whole = std::abs(v) / unit, frac = std::abs(v) % unit;
        char buf[32];
        if (decimals == 1)
            std::snprintf(buf, sizeof buf, "%s%d.%d", v < 0 ? "-" : "", whole, frac);
        else
            std::snprintf(buf, sizeof buf, "%s%d.%02d", v < 0 ? "-" : "", whole, frac);
        s = buf;
    } else {
        s = std::to_string(int(value));
    }
    fw::CopyText(text, size, s);
}

void CNumeric::Draw() {
    CArtist* a = GetArtist();
    if (!a) return;
    char text[40];
    Format(text);
    a->SetFontRef(fontRef);
    RECT fill = rect;
    fill.right += 1;
    fill.bottom += 1;
    a->FillRectColor(fill, colours[active ? 1 : 0]);
    a->SetColor(colours[active ? 3 : 2]);
    a->SetBkMode(13);
    const int y = rect.bottom - descent;
    int x = rect.left + leftInset;
    if (alignment != 0) {
        const int w = a->TextWidth(text);
        x = alignment == 1 ? (rect.left + rect.right) / 2 - w / 2 : rect.right - w;
    }
    if (noteName && !(value == minimum && hasMinText))
        a->DrawAccidentalText(x, y, text);
    else
        a->DrawText(x, y, text);
}

void CNumeric::SetValue(int v) {
    value = std::int16_t(powerOfTwo ? FloorPowerOfTwo(std::int16_t(v)) : v);
    Draw();
}

void CNumeric::SetValueAndRange(int v, int lo, int hi) {
    value = std::int16_t(v);
    minimum = std::int16_t(lo);
    maximum = std::int16_t(hi);
}

void CNumeric::EndEdit() {
    active = 0;
    if (g_ui.currentNumeric == this) g_ui.currentNumeric = nullptr;
    entryState = 0;
    Draw();
}

int CNumeric::DragChange() {
    g_ui.currentNumeric = this;
    ForceHideCursor();
    shownValue = value;
    changed = 0;
    entryState = 0;
    int delay = maximum - minimum <= 20 ? 10 : 6;
    const int startSpeed = decimals == 2 ? 5 : 10;
    int speed = startSpeed;
    int runs = 0;
    int lastDirection = 0;
    active = 1;
    Draw();

    POINT p0;
    fw::GetCursorPos(&p0);
    std::int32_t deadline = GetTicks() + 10;
    // Each turn waits for the pointer to move (or for the speed deadline) instead of spinning.
    while (fw::MouseLoopStep(kSpeedPollMs)) {
        POINT p;
        fw::GetCursorPos(&p);
        if (p.y != p0.y) {
            changed = 1;
            const int d = std::max(1, std::abs(p.y - p0.y) / 2);
            const int direction = p.y < p0.y ? 1 : -1;
            if (direction != lastDirection) runs = 0;
            lastDirection = direction;
            int v = value;
            if (powerOfTwo) {
                if (direction > 0)
                    v = v == 0 ? 1 : v * 2;
                else
                    v = v / 2;
            } else if (decimals == 2) {
                v -= v % 5;
                v += direction * std::max(5, d * (speed / 5));
            } else {
                v += direction * std::max(1, d * (speed / 10));
            }
            v = Clamp16(v, minimum, maximum);
            if (++runs > 2) delay = std::max(4, delay - 2);
            if (v != value) {
                SetValue(v);
                WaitTicks(delay);
                ++speed;
            }
            deadline = GetTicks() + 10;
        } else if (GetTicks() > deadline) {
            speed = startSpeed;
        }
        fw::SetCursorPos(p0.x, p0.y);
    }
    ForceShowCursor();
    fw::SetCursorPos(p0.x, p0.y);
    if (changed)
        EndEdit();
    else
        Draw();
    return value;
}

bool CNumeric::TypeNoteKey(UINT key, int& v) {
    char buf[40];
    Format(buf);
    std::string text = buf;
    // The letter part ends at the first "#", "b", "-" or digit; the octave starts at the
    // first "-" or digit.
    std::size_t letterEnd = 0;
    while (letterEnd < text.size()) {
        const char c = text[letterEnd];
        if (c == '#' || c == 'b' || c == '-' || std::isdigit(static_cast<unsigned char>(c))) break;
        ++letterEnd;
    }
    std::size_t octaveStart = letterEnd;
    while (octaveStart < text.size() && text[octaveStart] != '-' &&
           !std::isdigit(static_cast<unsigned char>(text[octaveStart])))
        ++octaveStart;
    const std::string octave = text.substr(octaveStart);
    const int c = int(key);
    if (c < 128 && std::isalpha(c) && std::toupper(c) >= 'A' && std::toupper(c) <= 'G') {
        const int index = ((std::toupper(c) - 60) % 7 + 7) % 7;
        char letter[16];
        LoadResString(UINT(CTheory::kLetterStringBase + index), letter);
        text = std::string(letter) + octave;
    } else if (c == '#') {
        const std::size_t flat = text.find('b', letterEnd);
        if (flat != std::string::npos && flat < octaveStart)
            text[flat] = '#';
        else if (text.find('#', letterEnd) == std::string::npos || text.find('#', letterEnd) >= octaveStart)
            text.insert(letterEnd, "#");
    } else if (c >= '0' && c <= '9') {
        text = text.substr(0, octaveStart) + char(c);
        caret = std::int16_t(text.size());
    } else {
        return false;
    }
    v = CTheory::ParseNoteName(text.c_str(), g_platform.noteNameStyle);
    return true;
}

bool CNumeric::TypeDigitKey(UINT key, int& v) {
    const int d = int(key) - '0';
    const int unit = Unit();
    if (minimum >= 0 && maximum < 10) {
        if (d >= minimum && d <= maximum) v = d;
        return true;
    }
    if (entryState < 0) {
        const int whole = v / unit;
        if (entryState == -1) {
            v = whole * unit + d * (unit / 10);
            entryState = -2;
        } else if (entryState == -2 && decimals == 2) {
            v = whole * unit + (v % unit) / 10 * 10 + d;
            entryState = -3;
        } else {
            return true;  // no room for another fraction digit
        }
        if (v < minimum) v = minimum;
        return true;
    }
    const int next = entryState == 0 ? d * unit : ((v / unit) * 10 + d) * unit;
    if (next > maximum) return true;  // the digit is refused
    v = next;
    ++entryState;
    return true;
}

bool CNumeric::TypeKey(UINT key, UINT flags) {
    if (key == 13 || key == 3 || key == 9 || key == 27 || key == 32) {
        EndEdit();
        return false;
    }
    if (swapArrows && (key == 30 || key == 31)) key = key == 30 ? 31 : 30;
    int v = value;
    const int unit = Unit();
    if (key == '-' || key == 31) {
        if (v > minimum) v -= 1;
    } else if (key == '+' || key == 30) {
        if (v < maximum) v += 1;
    } else if (noteName) {
        TypeNoteKey(key, v);
    } else if (key == '.' && decimals > 0) {
        if (entryState >= 0) digitsBeforePoint = entryState;
        entryState = -1;
        v = v / unit * unit;
    } else if (key >= '0' && key <= '9') {
        TypeDigitKey(key, v);
    } else if (key == 8) {
        if (entryState == 0) {
            v = shownValue;
        } else if (entryState == -3) {
            v = v / unit * unit + (v % unit) / 10 * 10;
            entryState = -2;
        } else if (entryState == -2) {
            v = v / unit * unit;
            entryState = -1;
        } else if (entryState == -1) {
            // The point goes: back to the integer digits typed before it.
            entryState = digitsBeforePoint;
            if (entryState == 0) v = shownValue;
        } else {
            v = (v / unit) / 10 * unit;
            --entryState;
            if (v < minimum || (decimals > 0 && entryState == 0)) {
                v = shownValue;
                entryState = 0;
            }
        }
    }
    if (v != value) SetValue(v);
    return true;
}

// ---- CDlgNumeric, CEditNumeric ------------------------------------------------------------------

CDlgNumeric::~CDlgNumeric() {
    if (dialog && dialog->activeNumeric == this) dialog->activeNumeric = nullptr;
}

void CDlgNumeric::Attach(CStdDlg* dlg, int id) {
    dialog = dlg;
    controlId = std::int16_t(id);
    if (dialog) dialog->activeNumeric = this;
}

void CDlgNumeric::EndEdit() {
    if (dialog) {
        dialog->OnNumericValue(value);
        if (dialog->activeNumeric == this) dialog->activeNumeric = nullptr;
    }
    CNumeric::EndEdit();
    delete this;
}

void CEditNumeric::Draw() {
    if (!dialog) return;
    char text[40];
    Format(text);
    dialog->SetText(controlId, text);
    if (CWnd* c = dialog->GetDlgItem(controlId)) {
        c->SendMessage(EM_SETSEL, 0, -1);
        c->UpdateWindow();
    }
}

void CEditNumeric::EndEdit() {
    if (dialog && dialog->activeNumeric == this) dialog->activeNumeric = nullptr;
    CNumeric::EndEdit();
}
