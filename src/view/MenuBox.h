// The program's own pop-up list for long choices (controller numbers, programs, drum notes,
// fonts): items laid out in as many columns as fit, scrolled a row at a time when they still do
// not fit, optionally numbered, optionally sounding each drum note the mouse passes over, and
// driven by the mouse while the button that opened it stays down.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "framework/Dialog.h"
#include "platform/FontRef.h"

class CMenuBox : public CDialog {
public:
    // One item: enabled, five reserved bytes, the text (64 bytes, terminated).
    struct Item {
        std::uint8_t enabled = 1;
        std::uint8_t reserved[5] = {};
        char text[64] = {};
    };
    static_assert(sizeof(Item) == 70);
    static constexpr UINT kTemplate = 260;
    static constexpr int kMaxItems = 32767;
    // The strip of the scroll arrows (down 0, up 1).
    static constexpr int kArrows = 107;

    CMenuBox();
    ~CMenuBox() override;

    virtual void Layout();
    // n zeroed, enabled items; false when they cannot be had (n below 0, above kMaxItems, or
    // no memory).
    virtual bool SetItemCount(int n);
    virtual void Measure();
    virtual int TextWidth(const char* text);
    virtual bool IsEnabled(int i);
    virtual const char* GetItemText(int i);
    virtual void GetItemRect(int i, RECT* rect);
    // Copies the text, cut at a character boundary to the item's 63 bytes.
    virtual void SetItemText(int i, const char* text);
    virtual void DrawAll();
    virtual void DrawItem(int i);
    virtual void Highlight(int i, bool on);
    virtual void DrawRow(int row);
    // Opens the box at (x, y) on the screen with *current marked; true with *current the chosen
    // item when one was chosen.
    virtual bool Popup(int x, int y, int* current);
    virtual void TrackMove(int x, int y, int* choice);
    virtual int Run(int x, int y);

    // text (size bytes) becomes the number right-aligned in three columns, a point and a
    // space, then the text; a text longer than limit - 6 is first cut after 24 characters
    // and "..." added.
    static void NumberText(char* text, int size, int number, int limit);

    // The item under a point of the client area, -1 when none.
    int ItemAt(int x, int y);

    std::int16_t count = 0;
    std::vector<Item> items;
    std::int16_t numberPrefix = 0;
    std::int16_t rowOrder = 0;
    std::int16_t columns = 1, rows = 0, visibleRows = 0, firstRow = 0;
    std::int16_t columnWidth = 0, rowHeight = 0, numberWidth = 0, totalWidth = 0, totalHeight = 0;
    std::int16_t scrollUp = 0, scrollDown = 0;
    RECT screen{};
    std::int16_t current = -1;
    std::int32_t lastX = 0, lastY = 0;
    std::int16_t preview = 0, previewPort = -1, previewChannel = 0, sounding = -1;
    FontRef font{};

protected:
    void OnPaint() override;
    BOOL OnEraseBkgnd(CDC*) override { return TRUE; }

private:
    void StopNote();
    void ScrollBy(int rowsDown);
    bool scrolling_ = false;
    bool openedPaged_ = false;   // opened paged down: the up row waits until left once
    bool leftUpRow_ = false;
    bool beenInside_ = false;
    bool noted_ = false;
    bool free_ = false;
    int highlighted_ = -1;
};

// The installed fonts as a menu box.
class CMenuFontBox : public CMenuBox {
public:
    bool Popup(int x, int y, int* current) override;
};
