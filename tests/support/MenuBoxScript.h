// Chooses items of menu boxes from a test script: each item of `items` is chosen in the menu
// box open by then (-1: a point outside it, which chooses nothing), one box after another. A
// box opened with the button held gets a move there and the release; a box opened with no
// button held (by a click, or right after another box) a press and release there. Queue it
// last: the steps of each box are added to the end of the script when the box is open.
#pragma once
#include <gtest/gtest.h>

#include <vector>

#include "framework/UiTest.h"
#include "framework/Window.h"
#include "view/MenuBox.h"

namespace testsupport {

inline void ChooseInMenuBoxes(std::vector<int> items) {
    if (items.empty()) return;
    fw::uitest::Call([items] {
        auto* box = dynamic_cast<CMenuBox*>(CWnd::GetCapture());
        if (!box) {
            ADD_FAILURE() << "no menu box is open";
            return;
        }
        const int item = items.front();
        POINT pt{-40, -40};
        if (item >= 0) {
            RECT r;
            box->GetItemRect(item, &r);
            pt = POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        }
        if (fw::MouseButtonsDown()) {
            // The box takes the first point inside it as where the pointer rests (the current
            // item stays chosen until the pointer moves on): a point near the item, then the item.
            if (item >= 0) fw::uitest::Move(box, pt.x, pt.y - 3);
            fw::uitest::Move(box, pt.x, pt.y);
            fw::uitest::Release(box, pt.x, pt.y);
        } else {
            fw::uitest::Press(box, pt.x, pt.y);
            fw::uitest::Release(box, pt.x, pt.y);
        }
        ChooseInMenuBoxes(std::vector<int>(items.begin() + 1, items.end()));
    });
}

}  // namespace testsupport
