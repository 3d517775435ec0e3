// The program's own pointer shapes: every listed picture is there, 32 x 32 with a clear
// background and its hot spot inside; setting one shows it, a missing one shows the arrow.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "framework/App.h"
#include "framework/Cursor.h"
#include "framework/Gdi.h"
#include "framework/Paths.h"
#include "framework/Resources.h"

namespace {

struct Listed {
    UINT id;
    int x, y;
};

std::vector<Listed> ListedCursors() {
    std::vector<Listed> out;
    std::ifstream in(fw::InstalledDataFolder() + "/cursors/hotspots.txt");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        Listed l{};
        if (words >> l.id >> l.x >> l.y) out.push_back(l);
    }
    return out;
}

constexpr UINT kMissing = 197;  // no picture has this id

TEST(CursorPictureTest, EveryListedCursorHasAPictureWithItsHotSpotInside) {
    std::vector<Listed> listed = ListedCursors();
    ASSERT_GE(listed.size(), 19u);
    for (const Listed& l : listed) {
        SCOPED_TRACE(l.id);
        EXPECT_LT(l.id, UINT(IDC_ARROW));
        CBitmap bmp;
        EXPECT_TRUE(bmp.LoadFile(fw::ImageResourcePath("cursors", l.id)));
        fw::CursorPicture pic;
        ASSERT_TRUE(fw::GetCursorPicture(l.id, &pic));
        EXPECT_EQ(pic.width, 32);
        EXPECT_EQ(pic.height, 32);
        EXPECT_EQ(pic.hotSpot.x, l.x);
        EXPECT_EQ(pic.hotSpot.y, l.y);
        EXPECT_GE(l.x, 0);
        EXPECT_LT(l.x, 32);
        EXPECT_GE(l.y, 0);
        EXPECT_LT(l.y, 32);
        EXPECT_GT(pic.clearPixels, 0);      // a transparent background
        EXPECT_LT(pic.clearPixels, 32 * 32);  // and something drawn on it
    }
    for (UINT id : {202u, 203u, 501u, 502u, 503u, 504u, 507u, 508u, 509u, 510u, 511u, 512u, 515u, 516u})
        EXPECT_TRUE(fw::GetCursorPicture(id, nullptr)) << id;
    EXPECT_FALSE(fw::GetCursorPicture(kMissing, nullptr));
    EXPECT_FALSE(fw::GetCursorPicture(IDC_ARROW, nullptr));
}

TEST(CursorPictureTest, ProgramCursorsWithoutAnApplication) {
    fw::cursortest::Reset();
    fw::SetCursor(202);
    EXPECT_EQ(fw::CurrentCursor(), 202u);
    EXPECT_EQ(fw::cursortest::DisplayedCursor(), 202u);
    fw::SetCursor(kMissing);
    EXPECT_EQ(fw::CurrentCursor(), kMissing);
    EXPECT_EQ(fw::cursortest::DisplayedCursor(), UINT(IDC_ARROW));
    fw::SetCursor(IDC_SIZEWE);
    EXPECT_EQ(fw::cursortest::DisplayedCursor(), UINT(IDC_SIZEWE));
    fw::cursortest::Reset();
    EXPECT_EQ(fw::cursortest::DisplayedCursor(), 0u);
}

class CursorApp : public CWinApp {
public:
    CursorApp() : CWinApp("Zelmarin") {}
    bool InitInstance() override {
        fw::cursortest::Reset();
        fw::SetCursor(509);
        current = fw::CurrentCursor();
        shown = fw::cursortest::DisplayedCursor();
        fw::ShowCursor(false);
        fw::ShowCursor(true);
        fw::SetCursor(kMissing);
        missingCurrent = fw::CurrentCursor();
        missingShown = fw::cursortest::DisplayedCursor();
        fw::SetCursor(515);
        fw::cursortest::Reset();
        return false;  // no event loop
    }
    UINT current = 0, shown = 0, missingCurrent = 0, missingShown = 0;
};

TEST(CursorPictureTest, ProgramCursorsWithAHeadlessApplication) {
    CursorApp app;
    char arg0[] = "zelmarin";
    char* argv[] = {arg0, nullptr};
    AfxWinMain(app, 1, argv);
    EXPECT_EQ(app.current, 509u);
    EXPECT_EQ(app.shown, 509u);
    EXPECT_EQ(app.missingCurrent, kMissing);
    EXPECT_EQ(app.missingShown, UINT(IDC_ARROW));
}

}  // namespace
