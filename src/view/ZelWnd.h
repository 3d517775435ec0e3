// The score window: the child frame in the main window's area that holds one score view with
// its rulers and corner, keeps its title in step with the document, makes its document the
// current one when it is activated, ignores the click that activates it, and asks before it
// closes its document.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "framework/Mdi.h"
#include "view/Ruler.h"

class CZelDoc;
class CZelView;

class CZelWnd : public CMDIChildWnd {
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
    // Whether the window is maximised, and its normal rectangle (in the area's client
    // coordinates; on the screen for a window of its own).
    void GetPlacement(bool& maximised, RECT& rect) const;
    // Shows the window maximised or normal over rect, its left and top at least 0 and its size
    // at most the area's client size.
    void SetPlacement(bool maximised, const RECT& rect);
    // The document's view set-up: a window in an area takes the placement stored with the
    // score, a default size when none was stored (CZelDoc::RestoreWindowPlacement).
    void SetUpFromDocument();
    CZelView* GetView() const { return view; }

    std::uint8_t flagByte = 0;
    std::uint8_t ignoreNextClick = 0;
    CZelDoc* document = nullptr;
    CZelView* view = nullptr;
    CCorner corner;
    CRuler hRuler;
    CRuler vRuler;

protected:
    void OnMDIActivate(BOOL activate, CWnd* activateWnd, CWnd* deactivateWnd) override;
    void OnClose() override;
    void OnSize(UINT type, int cx, int cy) override;

private:
    std::unique_ptr<CZelView> ownView;
    bool rulersMade = false;
};
