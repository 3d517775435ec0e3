// The bytes of every record of a score that the layout and edit passes may touch, for tests that
// compare two scores of the same contents.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "model/Bar.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"

namespace recordtest {

// Every record the layout passes may touch, element by element, with the fields that name
// blocks or other records (which differ between two scores of the same contents) left out.
inline void AppendRecords(std::vector<std::uint8_t>& out, CStdArray* a, std::initializer_list<std::pair<int, int>> ids) {
    const int n = a ? a->GetCount() : 0;
    for (int i = 0; i < n; ++i) {
        const auto* p = static_cast<const std::uint8_t*>(a->GetAt(i));
        const std::size_t at = out.size();
        out.insert(out.end(), p, p + a->GetElementSize());
        for (auto [from, size] : ids) std::memset(out.data() + at + from, 0, std::size_t(size));
    }
}

inline void AppendScoreRecords(std::vector<std::uint8_t>& out, CScore& s) {
    AppendRecords(out, s.GetPageArray(), {{CPage::kScoreLink, 4}});
    AppendRecords(out, s.GetLineArray(), {{CLine::kFirstBarLink, 4}, {CLine::kPageLink, 4}, {CLine::kStaffArray, 4}});
    for (int k = 0; k < s.GetLineCount(); ++k) AppendRecords(out, s.GetLine(k)->GetStaffArray(), {});
    AppendRecords(out, s.GetBarArray(),
                  {{CBar::kItemArray, 4}, {CBar::kCachedEnding, 4}, {CBar::kCachedBeatChart, 4}, {CBar::kCachedBarNumber, 4}, {CBar::kSystemLink, 4}});
    for (int b = 0; b < s.GetBarCount(); ++b) AppendRecords(out, s.GetBar(b)->GetItemArray(), {});
    for (int t = 0; t < s.GetTrackCount(); ++t) {
        AppendRecords(out, s.GetTrkBarArray(t), {{CTrkBar::kRunHandle, 4}, {CTrkBar::kRunAddress, 4}});
        for (int b = 0; b < s.GetBarCount(); ++b)
            if (CTrkBar* tb = s.GetTrkBar(t, b); tb && tb->GetItems()) {
                const auto* run = reinterpret_cast<const std::uint8_t*>(tb->GetItems());
                out.insert(out.end(), run, run + tb->GetRunLength());
            }
    }
}

// Every byte the layout passes may touch, kept with its place so that it can be put back: the
// page, system and bar arrays, each system's staves, every bar of every track with its item run
// and, when asked, each bar's own items.
struct ScoreImage {
    std::vector<std::pair<std::uint8_t*, std::vector<std::uint8_t>>> pieces;

    void Take(void* p, std::uint32_t n) {
        auto* b = static_cast<std::uint8_t*>(p);
        if (b && n) pieces.emplace_back(b, std::vector<std::uint8_t>(b, b + n));
    }
    void Take(CStdArray* a) {
        if (a && a->GetCount() > 0) Take(a->GetAt(0), std::uint32_t(a->GetCount() * a->GetElementSize()));
    }
    static ScoreImage Of(CScore& s, bool barItems = false) {
        ScoreImage im;
        im.Take(s.GetPageArray());
        im.Take(s.GetLineArray());
        im.Take(s.GetBarArray());
        for (int k = 0; k < s.GetLineCount(); ++k) im.Take(s.GetLine(k)->GetStaffArray());
        if (barItems)
            for (int b = 0; b < s.GetBarCount(); ++b)
                if (CItemArray* items = s.GetBar(b)->GetItemArray()) im.Take(items->GetData(), items->GetByteSize());
        for (int t = 0; t < s.GetTrackCount(); ++t) {
            im.Take(s.GetTrkBarArray(t));
            for (int b = 0; b < s.GetBarCount(); ++b)
                if (CTrkBar* tb = s.GetTrkBar(t, b); tb && tb->GetItems()) im.Take(tb->GetItems(), tb->GetRunLength());
        }
        return im;
    }
    // Puts the bytes back where they were taken (the passes compared this way never move a block).
    void Restore() const {
        for (const auto& [at, bytes] : pieces) std::memcpy(at, bytes.data(), bytes.size());
    }
    // The first piece that differs, or the empty string.
    std::string Diff(const ScoreImage& other) const {
        if (pieces.size() != other.pieces.size()) return "piece count";
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            const auto& a = pieces[i].second;
            const auto& b = other.pieces[i].second;
            if (a.size() != b.size()) return "size of piece " + std::to_string(i);
            for (std::size_t j = 0; j < a.size(); ++j)
                if (a[j] != b[j]) return "piece " + std::to_string(i) + " byte " + std::to_string(j);
        }
        return "";
    }
};

}  // namespace recordtest
