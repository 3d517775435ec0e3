// The paste special dialog (template 269): six check boxes, one per paste option (ids 3-8).
// OK keeps what was checked; Cancel gives every option back as it was when the dialog opened.
#pragma once
#include <cstdint>

#include "platform/StdDlg.h"

class CPasteDlg : public CStdDlg {
public:
    static constexpr UINT kTemplateId = 269;
    static constexpr int kFirstBox = 3;
    static constexpr int kBoxes = 6;

    void InitControls() override;
    void OnControl(int id) override;

private:
    std::uint8_t saved[16] = {};
};
