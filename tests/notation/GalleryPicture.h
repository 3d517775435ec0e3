// Pictures of a gallery score: the score read from its fixture file (the gallery script's
// output), its first page's systems drawn with their staff lines and the items of the notation
// kinds, and the comparison with a reference picture made by this program's own drawing
// (ZEL_UPDATE_REFERENCES=1 writes the reference anew).
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "framework/DC.h"
#include "framework/File.h"
#include "framework/Gdi.h"
#include "model/Bar.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreFile.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/Port.h"
#include "support/TestData.h"
#include "support/PictureCompare.h"

namespace gallerytest {

// A score read from a file as the program opens it: indices renewed, systems laid out again.
struct GalleryScore {
    CZelDoc doc;
    std::unique_ptr<CScore> score = std::make_unique<CScore>(&doc);
    ScoreFileDoc fileDoc;

    bool Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        if (!in) return false;
        std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        CMemFile file(bytes);
        if (!ScoreFile::Open(*score, fileDoc, file)) return false;
        score->Reindex();
        for (int k = 0; k < score->GetLineCount(); ++k) score->GetLine(k)->Relayout();
        g_model.currentScore = score.get();
        return true;
    }
};

// Staff lines and every live item that `wanted` accepts, on the first `systems` systems; `perBar`
// runs after each bar of each staff (the bar's track bar current).
inline void DrawSystems(CScore& score, int systems, CArtist* a, bool (*wanted)(CBarItem*),
                        void (*perBar)(int track) = nullptr) {
    for (int k = 0; k < systems; ++k) {
        CLine* line = score.GetLine(k);
        for (int t = 0; t < score.GetTrackCount(); ++t) {
            CStaff* s = line->GetStaff(t);
            a->SetColor(0);
            a->DrawStaffLines(s->GetLeft(), s->PositionToY(0), s->GetRight(), s->GetLineMask(), s->GetLineSpacing(), 20);
            for (int j = 0; j < line->GetBarCount(); ++j) {
                CTrkBar* trkBar = score.GetTrkBar(t, line->GetFirstBarIndex() + j);
                trkBar->SetCurrent();
                a->SetMusicFont(s->GetFontSize());
                for (CBarItem* item = trkBar->GetItems(); item && item->TypeCode() != 255; item = item->NextItem())
                    if (!item->IsRemoved() && wanted(item)) item->Draw();
                if (perBar) perBar(t);
            }
        }
    }
}

// A white picture of the first `systems` systems, drawn by `draw` into a memory port.
template <typename Draw>
void Picture(CScore& score, int systems, CBitmap* pic, Draw draw) {
    CLine* last = score.GetLine(systems - 1);
    const int w = last->GetRight() + 40, h = last->GetStaff(score.GetTrackCount() - 1)->GetBottomLine() + 60;
    pic->CreateBitmap(w, h);
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    dc.SelectObject(pic);
    PushPort(&dc);
    CArtist* a = GetArtist();
    a->SetZoom(100);
    a->SetCopyMode();
    a->FillRectColor(RECT{0, 0, w, h}, 7);
    draw(a);
    PopPort();
}

// The score's number fonts come from the program's default font table at start-up; pictures
// drawn without a start-up take an interface face for them.
inline void UseInterfaceNumberFonts(CScore& score) {
    score.textFont1 = score.textFont3 = score.textFont5 = g_draw.standardFontRefs[0];
    score.textFont1.size = 9;
    score.textFont3.size = 9;
    score.textFont5.size = 12;
}

// The picture against its reference tests/data/<relative>.
inline void ComparePicture(const CBitmap& picture, const std::string& relative) {
    testsupport::ExpectPictureMatches(picture, testsupport::TestDataPath(relative));
}

}  // namespace gallerytest
