// dlgshot ID OUT.png: opens the dialog with template ID off the screen, filled with default
// data, and writes a picture of it.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/NewDocDlg.h"
#include "framework/Window.h"
#include "model/EngraverDlg.h"
#include "model/EngraverSettings.h"
#include "platform/Port.h"
#include "platform/StdDlg.h"

namespace {

// The dialog class of a template, with its default data.
struct Shown {
    EngraverSettings engraver;
    std::unique_ptr<CStdDlg> dialog;
};

void MakeDialog(UINT id, Shown& s) {
    switch (id) {
    case CEngraverDlg::kTemplateId:
        InitEngraverSettings(s.engraver);
        s.dialog = std::make_unique<CEngraverDlg>(&s.engraver);
        break;
    case CNewDocDlg::kTemplateId: s.dialog = std::make_unique<CNewDocDlg>(); break;
    default: s.dialog = std::make_unique<CStdDlg>(); break;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: dlgshot ID OUT.png\n");
        return 2;
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const UINT id = UINT(std::strtoul(argv[1], nullptr, 10));
    InitDrawing();
    Shown shown;
    MakeDialog(id, shown);
    if (!shown.dialog->Create(id, nullptr)) {
        std::fprintf(stderr, "dlgshot: no dialog template %u\n", id);
        return 1;
    }
    shown.dialog->ShowWindow(SW_SHOW);
    fw::PumpMessages();
    shown.dialog->UpdateWindow();
    if (!shown.dialog->SaveImage(argv[2])) {
        std::fprintf(stderr, "dlgshot: cannot write %s\n", argv[2]);
        return 1;
    }
    shown.dialog->DestroyWindow();
    return 0;
}
