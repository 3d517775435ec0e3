// The score window: the frame that holds one score view with its rulers and corner, keeps its
// title in step with the document, ignores the click that activates it and asks before it
// closes.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "framework/Window.h"
#include "view/Ruler.h"

class CZelDoc;
class CZelView;

class CZelWnd : public CWnd {
public:
    CZelWnd();
    ~CZelWnd() override;

    // Makes the window in parent (the main window's client area, or null for a window of its
    // own) over rect with its view, and binds the view to doc.
    bool Create(CWnd* parent, const RECT& rect, CZelDoc* doc);
    // The rulers and the corner, bound to doc (made once).
    void CreateRulers(CZelDoc* doc);
    // Places the view below and right of the rulers when they are shown, else over the whole
    // client area; shows or hides the rulers and the corner.
    void PlaceRulers(bool shown);
    // "琴谱 : " and the document's title, "*" after it when modified; empty without a document
    // or without the add-to-title style.
    std::string FrameTitle(bool addToTitle) const;
    void OnUpdateFrameTitle(bool addToTitle);
    // The window is activated or deactivated; a click that activates it inside its client area
    // (the button still down) is not to act in a page.
    void OnMDIActivate(bool activate, bool buttonDown, POINT screenPointer);
    void GetPlacement(bool& maximised, RECT& rect) const;
    void SetPlacement(bool maximised, const RECT& rect);
    CZelView* GetView() const { return view; }

    std::uint8_t flagByte = 0;
    std::uint8_t ignoreNextClick = 0;
    CZelDoc* document = nullptr;
    CZelView* view = nullptr;
    CCorner corner;
    CRuler hRuler;
    CRuler vRuler;

protected:
    void OnClose() override;
    void OnSize(UINT type, int cx, int cy) override;

private:
    std::unique_ptr<CZelView> ownView;
    bool rulersMade = false;
};
