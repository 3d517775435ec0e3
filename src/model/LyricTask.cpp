#include "model/LyricTask.h"

#include <algorithm>
#include <cstring>

#include "framework/CodePage.h"
#include "framework/StringTable.h"
#include "framework/SystemClipboard.h"
#include "model/Bar.h"
#include "model/Lyric.h"
#include "model/ModelGlobals.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/TaskMakers.h"
#include "model/TrkBar.h"
#include "model/TrkBarFinders.h"
#include "model/ViewInterface.h"
#include "model/ZelDoc.h"

namespace {

// The marker strings: extender, hyphen, the joiner of the lyric window.
enum : int { kExtenderString = 9000, kHyphenString = 9001 };

std::string Marker(int id, const char* fallback) {
    std::string text;
    fw::LoadStringResource(id, text);
    return text.empty() ? std::string(fallback) : text;
}

// The space test of the code page: an ASCII space or the double-byte ideographic space.
int SpaceLength(const std::string& s, std::size_t i) {
    if (s[i] == ' ') return 1;
    if (i + 1 < s.size() && std::uint8_t(s[i]) == 0xA1 && std::uint8_t(s[i + 1]) == 0xA1) return 2;
    return 0;
}

// The live note of the voice at a bar position; null when none.
CBarItem* NoteAt(CTrkBar* trkBar, int voice, int position) {
    CBarItem* found = nullptr;
    finders::ForEachLive(trkBar, [&](CBarItem* r) {
        if (r->IsNote() && r->VoiceField() == voice && r->PositionField() == position) {
            found = r;
            return false;
        }
        return true;
    });
    return found;
}

bool TiedOnward(const CBarItem* note) {
    for (int h = 0; h < finders::HeadCount(note); ++h)
        if (finders::HasTieStart(note, h)) return true;
    return false;
}

// The live syllable of the voice and verse at a bar position; null when none.
CLyric* SyllableAt(CTrkBar* trkBar, int voice, int verse, int position) {
    CLyric* found = nullptr;
    finders::ForEachLive(trkBar, [&](CBarItem* r) {
        if (r->IsLyric() && r->VoiceField() == voice && r->PositionField() == position &&
            r->RecordSizeField() >= CLyric::kFixedSize && static_cast<CLyric*>(r)->GetVerse() == verse) {
            found = static_cast<CLyric*>(r);
            return false;
        }
        return true;
    });
    return found;
}

}  // namespace

int CurrentVerse(CZelDoc* doc) { return doc ? std::clamp<int>(doc->location.verse, 0, CLyricTask::kVerses - 1) : 0; }

void SetCurrentVerse(CZelDoc* doc, int verse) {
    verse = std::clamp(verse, 0, CLyricTask::kVerses - 1);
    if (doc) doc->location.verse = std::int16_t(verse);
    if (StyleBarOps().setVerse) StyleBarOps().setVerse(verse);
}

CLyricTask::CLyricTask(CZelDoc* doc) {
    verse = std::uint16_t(CurrentVerse(doc));
    lyricMode = 1;
    alignment = 1;
    currentFont = g_preferences.Font(4);
}

bool CLyricTask::StartLyric(CZelDoc* doc, CBarItem* item, int x, int y) {
    // The click's y is the baseline: the editor's top lies the font's ascent above it.
    document = doc;
    score = doc ? doc->GetScore() : nullptr;
    location = doc ? doc->location : location;
    const int ascent = std::max(1, ScaleToView(currentFont.size) * 4 / 5);
    if (!Start(doc, item, x, item ? y : y - ascent, true)) return false;
    if (editor) {
        CPagePaneBase* p = pane;
        editor->onLyricKey = [p](int key) { return p && p->OnLyricKey(key); };
    }
    if (StyleBarOps().setLyricMode) StyleBarOps().setLyricMode(true);
    if (StyleBarOps().setVerse) StyleBarOps().setVerse(verse);
    return true;
}

bool CLyricTask::Split(const std::string& text, std::string& syllable, std::uint8_t& flags) {
    const std::string extender = Marker(kExtenderString, "_"), hyphen = Marker(kHyphenString, "-");
    flags = 0;
    syllable.clear();
    for (std::size_t i = 0; i < text.size();) {
        if (text.compare(i, hyphen.size(), hyphen) == 0) {
            if (syllable.empty()) return false;
            flags = kHyphenBit;
            return true;
        }
        if (SpaceLength(text, i)) return !syllable.empty();
        if (text.compare(i, extender.size(), extender) == 0) {
            flags = kExtenderBit;
            return true;
        }
        const std::size_t n = fw::IsLeadByte(std::uint8_t(text[i])) && i + 1 < text.size() ? 2 : 1;
        syllable.append(text, i, n);
        i += n;
    }
    return !syllable.empty();
}

bool CLyricTask::BuildRecord(std::vector<std::uint8_t>& record, int* refusal) {
    if (refusal) *refusal = 0;
    if (!editor) return false;
    const int chars = editor->GetTextLength();
    if (chars == 0) return false;
    if (chars > kMaxCharacters) {
        if (refusal) *refusal = kTooLongString;
        return false;
    }
    int keepStart = 0, keepEnd = 0;
    editor->GetSel(keepStart, keepEnd);
    editor->SetSel(0, 0);
    GetEditFont(currentFont);
    editor->SetSel(keepStart, keepEnd);
    return StoreAt(editor->GetText(), record);
}

bool CLyricTask::StoreAt(const std::string& text, std::vector<std::uint8_t>& record) {
    std::string syllable;
    std::uint8_t flags = 0;
    if (!Split(text, syllable, flags)) return false;
    record.assign(std::size_t(CLyric::SizeFor(int(syllable.size()))), 0);
    CLyric* l = CLyric::Make(record.data(), 0, 0, verse, syllable.c_str(), currentFont);
    if (!l) return false;
    const int voice = location.voice;
    int time = int(location.time), position = location.position;
    if (oldItem) {
        time = oldItem->TimeField();
        position = oldItem->PositionField();
    }
    l->SetFlagsB(std::uint8_t((l->FlagsB() & ~(7 << CBarItem::kVoiceShift)) | ((voice & 7) << CBarItem::kVoiceShift)));
    l->SetTimeField(std::int16_t(time));
    l->SetPositionField(std::int16_t(position));
    flags |= kHoldsTextBit;
    if (showVerseNumber) flags |= kVerseNumberBit;
    CTrkBar* trkBar = score ? score->GetTrkBar(location.trackIndex, location.barIndex) : nullptr;
    if (CBarItem* note = NoteAt(trkBar, voice, position); note && TiedOnward(note)) flags |= kTiedOnBit;
    l->SetLyricFlags(flags);
    l->SetX(horizontalOffset);
    l->SetY(verticalOffset);
    rec::Put(l, 14, std::uint8_t(kindByte));
    return true;
}

void CLyricTask::TakeOverItem(CBarItem* item, RECT& rect) {
    auto* l = static_cast<CLyric*>(item);
    const std::uint8_t keep = l->LyricFlags();
    // The rectangle of the text alone.
    l->SetLyricFlags(std::uint8_t(keep & ~(kHyphenBit | kExtenderBit)));
    RECT r{};
    static_cast<CScoreItem*>(item)->GetBounds(&r);
    l->SetLyricFlags(keep);
    hyphen = (keep & kHyphenBit) ? 1 : 0;
    extender = (keep & kExtenderBit) ? 1 : 0;
    showVerseNumber = (keep & kVerseNumberBit) ? 1 : 0;
    horizontalOffset = l->GetX();
    verticalOffset = l->GetY();
    verse = std::uint16_t(std::clamp<int>(l->GetVerse(), 0, kVerses - 1));
    SetCurrentVerse(document, verse);
    CStaff* staff = MeasureStaff();
    const int half = staff ? staff->Space() / 2 : 0;
    r.bottom += 1;
    r.left -= half;
    r.right += half;
    if (hyphen) r.right += 1;
    if (extender) r.right += 8;
    rect = RECT{r.left - paperOrigin.x, r.top - paperOrigin.y, r.right - paperOrigin.x, r.bottom - paperOrigin.y};
    if (rect.bottom <= rect.top) rect.bottom = rect.top + 1;
    if (rect.right <= rect.left) rect.right = rect.left + 1;
    AddDirtyRect(r, location.pageIndex);
}

void CLyricTask::LoadText(CBarItem* item) {
    auto* l = static_cast<CLyric*>(item);
    std::string text = l->CheckText() ? l->GetText() : "";
    if (l->HasHyphen()) text += Marker(kHyphenString, "-");
    else if (l->HasExtender()) text += Marker(kExtenderString, "_");
    editor->SetAllText(text.c_str());
    editor->SetSel(0, -1);
    FontRef f = l->GetFont();
    if (f.size == 0) f.size = 12;
    currentFont = f;
    SetEditFont(f);
    const int end = editor->GetTextLength();
    editor->SetSel(end, end);
}

std::string CLyricTask::VerseText(CScore* score, int track, int voice) {
    std::string out;
    if (!score) return out;
    for (int v = 0; v < kVerses; ++v) {
        std::string verseText;
        bool used = false;
        for (int b = 0; b < score->GetBarCount(); ++b)
            finders::ForEachLive(score->GetTrkBar(track, b), [&](CBarItem* r) {
                if (!r->IsLyric() || r->VoiceField() != voice || r->RecordSizeField() < CLyric::kFixedSize) return true;
                auto* l = static_cast<CLyric*>(r);
                if (l->GetVerse() != v || !l->CheckText()) return true;
                used = true;
                verseText += l->GetText();
                verseText += l->HasHyphen() ? "-" : " ";
                return true;
            });
        if (v > 0 && !used) continue;
        if (v > 0 && !out.empty()) out += "\r\n";
        out += verseText;
    }
    return out;
}

void CLyricTask::OnCommand(int id) {
    lastCommand = id;
    CPagePaneBase* p = pane;
    CZelDoc* doc = document;
    if (id >= kFirstVerse && id <= kLastVerse) {
        // Entry reopens at the same note in the chosen verse. Closing stores the syllable, which
        // rewrites the bar's run (and ends this task): the note is looked up after it.
        const ScoreLocation at = location;
        CScore* s = score;
        SetCurrentVerse(doc, id - kFirstVerse);
        if (p) {
            p->CloseTextEditor();
            // (A respace after the store may have moved positions: the note's is read from its time.)
            CTrkBar* tb = s ? s->GetTrkBar(at.trackIndex, at.barIndex) : nullptr;
            CBarItem* note = tb ? NoteAt(tb, at.voice, tb->TickToFraction(int(at.time))) : nullptr;
            if (note && doc) p->StartLyricEntry(0, 0, note);
        }
        return;
    }
    switch (id) {
    case kCopy: {
        const int track = location.trackIndex, voice = location.voice;
        CScore* s = score;
        if (p) p->CloseTextEditor();
        const std::string text = VerseText(s, track, voice);
        if (!text.empty()) fw::SetClipboardText(text);
        return;
    }
    case kPaste: Paste(); return;
    case kShiftLeft:
    case kShiftRight: Shift(id == kShiftRight); return;
    case kVerseNumber: showVerseNumber = showVerseNumber ? 0 : 1; return;
    case kNonBreakingSpace:
    case kNonBreakingHyphen:
        // A no-break space or an en dash at the caret: neither ends the syllable.
        if (editor) {
            editor->ReplaceSel(id == kNonBreakingSpace ? fw::kNoBreakSpace : fw::kEnDash);
            editor->FitWidth();
        }
        break;
    default: CTextTask::OnCommand(id);
    }
    if (editor) editor->SetFocus();
}

void CLyricTask::AfterStore() {
    if (!g_preferences.Byte(Preferences::kSpace) || !score) return;
    CBar* bar = score->GetBar(location.barIndex);
    CLine* line = bar ? bar->GetLine() : nullptr;
    if (!line) return;
    if (!SaveBars(line->GetFirstBarIndex(), line->GetFirstBarIndex() + line->GetBarCount() - 1) ||
        !SaveSystem(line->GetIndex()))
        return;
    bar->Respace();
    line->Rejustify(true);
    SetLayoutChanged(true);
}

void CLyricTask::SwapSnapshot() {
    CTextTask::SwapSnapshot();
    if (score) score->CheckLyricLines();
}

bool CLyricTask::StoreIntoBar(const std::string& text) {
    CTrkBar* trkBar = score ? score->GetTrkBar(location.trackIndex, location.barIndex) : nullptr;
    if (!trkBar) return false;
    std::vector<std::uint8_t> record;
    oldItem = nullptr;
    if (!StoreAt(text, record)) return true;
    CLyric* old = SyllableAt(trkBar, location.voice, verse, location.position);
    if (old) old->MarkRemoved();
    if (!trkBar->InsertCopy(reinterpret_cast<const CBarItem*>(record.data()))) {
        if (old) old->SetFlagsB(std::uint8_t(old->FlagsB() & ~CBarItem::kRemovedBit));
        return false;
    }
    changed = 1;
    return true;
}

void CLyricTask::Shift(bool right) {
    if (!editor || !score || !document) return;
    CZelDoc* doc = document;
    CPagePaneBase* p = pane;
    const ScoreLocation at = location;
    SaveTrackBar(location.trackIndex, location.barIndex);
    if (right) {
        // What is typed is stored first (in the place of the syllable it edits).
        if (editor->GetTextLength() > 0 && !StoreIntoBar(editor->GetText())) return;
    } else if (CTrkBar* trkBar = score->GetTrkBar(location.trackIndex, location.barIndex)) {
        // The syllable being edited goes: its note is the free one the shift closes.
        if (CLyric* old = SyllableAt(trkBar, location.voice, verse, location.position)) old->MarkRemoved();
    }
    oldItem = nullptr;
    newItem = 0;
    editor->SetAllText("");
    doc->location.trackIndex = at.trackIndex;
    doc->location.barIndex = at.barIndex;
    doc->location.position = at.position;
    doc->location.time = at.time;
    doc->location.voice = at.voice;
    doc->location.verse = std::int16_t(verse);
    ScoreLocation reached = at;
    if (score->ShiftLyrics(right ? 1 : 0, this, &reached)) changed = 1;
    doc->SetModified(true);
    // Entry opens again at the same note, on what is there now (looked up once the closing has
    // rewritten the run).
    CScore* s = score;
    if (p) {
        p->CloseTextEditor();
        doc->location.barIndex = at.barIndex;
        if (CBarItem* note = NoteAt(s->GetTrkBar(at.trackIndex, at.barIndex), at.voice, at.position))
            p->StartLyricEntry(0, 0, note);
    }
}

void CLyricTask::Paste() {
    if (!editor || !score) return;
    const std::string text = fw::GetClipboardText();
    editor->SetAllText("");
    std::string piece;
    const auto storeOne = [&](const std::string& syllable) { return StoreIntoBar(syllable); };
    // The next note of the voice: none past one bar ahead, at a rest, or past the last bar;
    // notes that only continue a tie are passed over.
    const auto advance = [&]() -> bool {
        const int startBar = location.barIndex;
        int from = location.position;
        for (int b = startBar; b < score->GetBarCount() && b <= startBar + 1; ++b, from = -32768) {
            CBarItem* next = nullptr;
            finders::ForEachLive(score->GetTrkBar(location.trackIndex, b), [&](CBarItem* r) {
                if (!r->IsNoteOrRest() || r->VoiceField() != location.voice || r->PositionField() <= from) return true;
                if (r->IsNote() && finders::IsTiedInto(r)) return true;
                next = r;
                return false;
            });
            if (!next) continue;
            if (next->IsRest()) return false;
            location.barIndex = std::int16_t(b);
            location.position = next->PositionField();
            location.time = next->TimeField();
            location.trkBar = score->GetTrkBar(location.trackIndex, b);
            return true;
        }
        return false;
    };
    // The paste snapshots every bar it may touch.
    for (int b = location.barIndex; b < score->GetBarCount(); ++b) SaveTrackBar(location.trackIndex, b);
    for (std::size_t i = 0; i <= text.size(); ++i) {
        const bool end = i == text.size();
        const char c = end ? 0 : text[i];
        if (!end && c != ' ' && c != '-' && c != '\r' && c != '\n') {
            piece += c;
            if (fw::IsLeadByte(std::uint8_t(c)) && i + 1 < text.size()) piece += text[++i];
            continue;
        }
        if (!end && c != '\r' && c != '\n') piece += c;
        if (piece.empty() || piece == " ") {
            piece.clear();
            if (end) break;
            continue;
        }
        if (!storeOne(piece)) break;
        piece.clear();
        if (end || !advance()) break;
    }
    newItem = 0;
    oldItem = nullptr;
    editor->SetAllText("");
    if (CZelDoc* doc = document) doc->SetModified(true);
    if (pane) pane->CloseTextEditor();
}

void StartLyricEntry(CBarItem& item) {
    CZelDoc* doc = g_model.currentDoc;
    if (!doc || !doc->currentPane || doc->textTask) return;
    doc->currentPane->StartLyricEntry(0, 0, &item);
}
