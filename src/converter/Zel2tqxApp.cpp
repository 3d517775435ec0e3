// The converter program's start: the window, or the command line's conversion.
#include "converter/Zel2tqxApp.h"

#include <cstdio>
#include <cstring>

#include "converter/Conversion.h"
#include "converter/Zel2tqxDlg.h"
#include "framework/CodePage.h"
#include "framework/Exceptions.h"

bool CZel2tqxApp::InitInstance() {
    CZel2tqxDlg dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    // The window is closed: there is no event loop to run.
    return false;
}

int RunConvertCommand(const std::vector<std::string>& args, std::string* out, std::string* err) {
    using zel2tqx::Mode;
    using zel2tqx::Outcome;
    if (args.size() != 2 || (args[1] != "movable" && args[1] != "fixed")) {
        *err += fw::ToUtf8(zel2tqx::Text(zel2tqx::kUsageText)) + "\n";
        return 2;
    }
    const Mode mode = args[1] == "movable" ? Mode::MovableDo : Mode::FixedDo;
    try {
        const zel2tqx::Conversion c = zel2tqx::ConvertFile(fw::FromUtf8(args[0]), mode);
        if (c.outcome == Outcome::Converted) {
            *out += fw::ToUtf8(zel2tqx::LogLine(c.time)) + "\n";
            return 0;
        }
        const std::string message = c.outcome == Outcome::EmptyFile ? zel2tqx::Text(zel2tqx::kEmptyFileText)
                                                                    : zel2tqx::OutcomeMessage(c.outcome);
        *err += fw::ToUtf8(message) + "\n";
    } catch (const CException& e) {
        std::string text;
        e.GetErrorMessage(text);
        *err += fw::ToUtf8(text) + "\n";
    }
    return 1;
}

int Zel2tqxMain(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--convert") == 0) {
        std::string out, err;
        const int status = RunConvertCommand(std::vector<std::string>(argv + 2, argv + argc), &out, &err);
        std::fputs(out.c_str(), stdout);
        std::fputs(err.c_str(), stderr);
        return status;
    }
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::printf("%s\n", fw::ToUtf8(zel2tqx::Text(zel2tqx::kUsageText)).c_str());
        return 0;
    }
    CZel2tqxApp app;
    return AfxWinMain(app, argc, argv);
}
