#include "edit/PasteDlg.h"

#include <cstring>

#include "edit/PasteTask.h"

void CPasteDlg::InitControls() {
    std::memcpy(saved, PasteOptions(), sizeof saved);
    for (int i = 0; i < kBoxes; ++i) SetCheck(kFirstBox + i, PasteOptions()[i] != 0);
}

void CPasteDlg::OnControl(int id) {
    if (id >= kFirstBox && id <= kFirstBox + kBoxes) {
        std::uint8_t& option = PasteOptions()[id - kFirstBox];
        option = option ? 0 : 1;
        SetCheck(id, option != 0);
    }
    if (id == IDCANCEL) std::memcpy(PasteOptions(), saved, sizeof saved);
    CStdDlg::OnControl(id);
}
