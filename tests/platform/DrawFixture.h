// A memory port with a white bitmap, made current for the test, and the screen artist.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/DC.h"
#include "support/Calls.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/Port.h"

class DrawTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitDrawing();
        dc.CreateCompatibleDC(nullptr);
        bitmap.CreateBitmap(width, height);
        dc.SelectObject(&bitmap);
        PushPort(&dc);
        a = GetArtist();
        a->SetZoom(100);
        a->colorStack.clear();
        a->fontStack.clear();
        a->clipStack.clear();
        a->backColorDepth = 0;
        a->glyphNudge = 0;
        a->SetCopyMode();
        a->SetColor(0);
    }
    void TearDown() override {
        a->SetCopyMode();
        PopPort();
        SetArtistFontMap(nullptr);
        g_draw.feedbackDrawing = g_draw.printingDC = g_draw.dragInProgress = g_draw.printJob = false;
    }
    // The recorded drawing calls whose text starts with one of the prefixes.
    static std::vector<std::string> Only(const std::vector<std::string>& log, std::initializer_list<const char*> prefixes) {
        return testsupport::Only(log, prefixes);
    }
    int width = 240, height = 160;
    CDC dc;
    CBitmap bitmap;
    CArtist* a = nullptr;
};
