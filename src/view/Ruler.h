// The rulers along the score window's top and left edges, graduated in inches or centimetres at
// the view's zoom with a mark that follows the pointer, and the corner between them whose click
// switches the units.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/Pane.h"

class CZelDoc;

// One graduation line of a ruler.
struct RulerTick {
    int pos;     // along the ruler, ruler coordinates
    int from;    // the line runs across the ruler from here to its far edge
    int number;  // the inch or centimetre written beside it, 0 for none
    bool operator==(const RulerTick&) const = default;
};

// What a ruler's graduation depends on.
struct RulerScale {
    bool metric = false;
    int zoom = 100;
    int scoreSize = 100;
    int pageLength = 0;  // the page's width (top ruler) or height (left ruler), view pixels
    int pages = 1;       // pages that follow one another along the ruler
    int scroll = 0;      // the view's scroll position along the ruler
    int length = 0;      // the ruler's visible length
};

// The graduation over the ruler's visible range.
std::vector<RulerTick> RulerTicks(const RulerScale& scale);

class CRuler : public CPane {
public:
    static constexpr int kThickness = 16;
    static constexpr int kColor = 10;

    void SetDocument(CZelDoc* doc) { document = doc; }
    void Paint(const RECT& client) override;
    // Moves the pointer mark (-1 removes it); nothing is drawn when it stays where it is.
    void SetMark(int pos);
    // The graduation this ruler shows now.
    RulerScale CurrentScale() const;

    CZelDoc* document = nullptr;
    std::int32_t mark = -1;
    std::uint8_t horizontal = 0;

private:
    void DrawMark(int pos);
};

class CCorner : public CPane {
public:
    void SetDocument(CZelDoc* doc) { document = doc; }
    void Paint(const RECT& client) override;
    void MouseDown(POINT pt, UINT flags) override;
    // Switches inches and centimetres and repaints what shows them.
    void SwitchUnits();

    CZelDoc* document = nullptr;
};
