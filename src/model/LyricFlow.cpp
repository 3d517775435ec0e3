#include "model/LyricFlow.h"

#include <algorithm>
#include <cstring>

#include "framework/CodePage.h"
#include "framework/StringTable.h"
#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/Lyric.h"
#include "model/ItemFactory.h"
#include "model/Record.h"
#include "model/Score.h"
#include "model/TrkBar.h"
#include "model/TrkBarFinders.h"
#include "model/ZelDoc.h"

namespace {

std::string Marker(int id, const char* fallback) {
    std::string text;
    fw::LoadStringResource(id, text);
    return text.empty() ? std::string(fallback) : text;
}

// Bytes of the space at i: an ASCII space, a line break or the double-byte ideographic space.
int SpaceLength(const std::string& s, std::size_t i) {
    if (s[i] == ' ' || s[i] == '\r' || s[i] == '\n') return 1;
    if (i + 1 < s.size() && std::uint8_t(s[i]) == 0xA1 && std::uint8_t(s[i + 1]) == 0xA1) return 2;
    return 0;
}

std::size_t CharLength(const std::string& s, std::size_t i) {
    return fw::IsLeadByte(std::uint8_t(s[i])) && i + 1 < s.size() ? 2 : 1;
}

int CountChars(const std::string& s) {
    int n = 0;
    for (std::size_t i = 0; i < s.size(); i += CharLength(s, i)) ++n;
    return n;
}

bool IsVerseSyllable(const CBarItem* r, int voice, int verse) {
    return r->IsLyric() && r->VoiceField() == voice && r->RecordSizeField() >= CLyric::kFixedSize &&
           static_cast<const CLyric*>(r)->GetVerse() == verse;
}

bool SameFont(const FontRef& a, const FontRef& b) {
    return a.face == b.face && a.size == b.size && a.style == b.style;
}

// Whether a bar closes its system (the next bar starts another), or is the score's last.
bool EndsSystem(CScore* score, int bar) {
    CBar* b = score->GetBar(bar);
    return !b || b->IsLastInLine() || bar + 1 >= score->GetBarCount();
}

}  // namespace

namespace lyricflow {

std::vector<LyricToken> Scan(const std::string& text, const std::vector<LyricRun>& runs,
                             const std::function<bool(int face)>& japanese) {
    const std::string extender = Marker(kExtenderString, "_"), hyphen = Marker(kHyphenString, "-"),
                      join = Marker(kJoinString, "^");
    std::vector<LyricToken> tokens;
    LyricToken cur;
    bool building = false, joinPending = false;
    std::size_t run = 0;
    const auto flush = [&](bool wordEnd) {
        if (!building) return;
        cur.wordEnd = wordEnd;
        tokens.push_back(cur);
        building = false;
        joinPending = false;
    };
    const auto emit = [&](LyricToken::Kind kind, int ch, std::size_t byte) {
        LyricToken t;
        t.kind = kind;
        t.first = ch;
        t.end = ch + 1;
        t.byteOffset = int(byte);
        t.run = int(run);
        tokens.push_back(t);
    };
    const auto matches = [&](std::size_t i, const std::string& m) { return !m.empty() && text.compare(i, m.size(), m) == 0; };
    int ch = 0;
    for (std::size_t i = 0; i < text.size();) {
        while (run + 1 < runs.size() && runs[run + 1].first <= ch) ++run;
        const bool jp = japanese && !runs.empty() && japanese(runs[run].font.face);
        if (matches(i, hyphen)) {
            flush(false);
            emit(LyricToken::kHyphen, ch, i);
            i += hyphen.size();
            ch += CountChars(hyphen);
            continue;
        }
        if (matches(i, extender)) {
            flush(false);
            emit(LyricToken::kExtender, ch, i);
            i += extender.size();
            ch += CountChars(extender);
            // A full stop right after an extender goes with it.
            if (i < text.size() && text[i] == '.') {
                ++i;
                ++ch;
            }
            continue;
        }
        if (const int space = SpaceLength(text, i)) {
            // A line break is CR LF or either alone: one word end.
            std::size_t n = std::size_t(space);
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') n = 2;
            if (building) {
                flush(true);
            } else if (tokens.empty() || tokens.back().kind != LyricToken::kExtender) {
                emit(LyricToken::kEmptySlot, ch, i);
            }
            i += n;
            ++ch;
            continue;
        }
        if (jp && building && matches(i, join)) {
            // "^" between two characters joins them into one syllable.
            i += join.size();
            ch += CountChars(join);
            joinPending = true;
            continue;
        }
        const std::size_t n = CharLength(text, i);
        if (jp && building && !joinPending) flush(false);
        if (!building) {
            cur = LyricToken{};
            cur.first = ch;
            cur.byteOffset = int(i);
            cur.run = int(run);
            building = true;
        }
        cur.text.append(text, i, n);
        cur.end = ch + 1;
        joinPending = false;
        i += n;
        ++ch;
    }
    flush(false);
    return tokens;
}

bool BuildLine(std::vector<std::uint8_t>& out, const LyricPlace& place, const std::string& text,
               const std::vector<LyricRun>& runs, const std::vector<LyricToken>& tokens, bool japaneseText) {
    out.clear();
    if (int(runs.size()) > kMaxRuns) return false;
    const int textLength = (int(text.size()) + 1 + 1) & ~1;
    const std::size_t size = std::size_t(CLyricLine::kFixedSize + textLength + 2) + CLyricLine::kRunSize * runs.size() +
                             CLyricLine::kEntrySize * tokens.size();
    if (size > 0x7FFF || tokens.size() > 0xFFFF) return false;
    out.assign(size, 0);
    auto* line = static_cast<CLyricLine*>(ConstructClass(CLyricLine::kTypeCode, out.data()));
    if (!line) {
        out.clear();
        return false;
    }
    line->CBaseItem::SetSize(std::int16_t(size));
    rec::Put(line, 8, std::uint8_t(place.voice));
    rec::Put(line, 9, std::uint8_t(place.verse));
    rec::Put(line, 10, std::int16_t(place.bar));
    rec::Put(line, 12, std::uint8_t(place.track));
    rec::Put(line, 13, std::uint8_t(japaneseText ? 1 : 0));
    rec::Put(line, CLyricLine::kEntryCount, std::uint16_t(tokens.size()));
    rec::Put(line, CLyricLine::kTextLength, std::uint16_t(textLength));
    std::memcpy(line->GetText(), text.data(), text.size());
    std::uint8_t* p = line->GetTextEnd();
    rec::Put<std::int16_t>(p, 0, std::int16_t(runs.size()));
    p += 2;
    for (const LyricRun& r : runs) {
        rec::Put<std::int16_t>(p, 0, std::int16_t(r.first));
        std::memcpy(p + 2, &r.font, sizeof r.font);
        p += CLyricLine::kRunSize;
    }
    for (const LyricToken& t : tokens) {
        rec::Put<std::uint16_t>(p, 0, std::uint16_t(t.byteOffset));
        rec::Put<std::uint16_t>(p, 2, std::uint16_t(std::clamp(t.width, 0, 0xFFFF)));
        p[4] = std::uint8_t(std::min<std::size_t>(t.text.size(), 255));
        p[5] = std::uint8_t((t.kind & 3) | ((t.run & 63) << 2));
        p += CLyricLine::kEntrySize;
    }
    return true;
}

std::string LoadText(CScore* score, const LyricPlace& place, bool skipTied, bool toSystemEnd,
                     std::vector<LyricRun>* runs, bool* verseNumber) {
    std::string out;
    if (runs) runs->clear();
    if (verseNumber) *verseNumber = false;
    if (!score) return out;
    int chars = 0;
    bool first = true, extenderOpen = false, endsWithSpace = false;
    FontRef last{};
    const auto append = [&](const std::string& s) {
        out += s;
        chars += CountChars(s);
    };
    for (int b = std::max(0, place.bar); b < score->GetBarCount(); ++b) {
        CTrkBar* trkBar = score->GetTrkBar(place.track, b);
        if (!trkBar) break;
        // The positions of this verse's syllables in the bar.
        std::vector<int> syllableAt;
        finders::ForEachLive(trkBar, [&](CBarItem* r) {
            if (IsVerseSyllable(r, place.voice, place.verse)) syllableAt.push_back(r->PositionField());
            return true;
        });
        finders::ForEachLive(trkBar, [&](CBarItem* r) {
            if (r->VoiceField() != place.voice) return true;
            if (r->IsNote()) {
                if (std::find(syllableAt.begin(), syllableAt.end(), r->PositionField()) != syllableAt.end()) return true;
                if (skipTied && finders::IsTiedInto(r)) return true;
                if (extenderOpen) return true;
                append(" ");
                endsWithSpace = true;
                return true;
            }
            if (!IsVerseSyllable(r, place.voice, place.verse)) return true;
            auto* l = static_cast<CLyric*>(r);
            FontRef f = l->GetFont();
            if (runs && (runs->empty() || !SameFont(f, last))) runs->push_back(LyricRun{chars, f});
            last = f;
            if (first && verseNumber) *verseNumber = (l->LyricFlags() & CLyric::kVerseNumberBit) != 0;
            first = false;
            append(l->CheckText() ? l->GetText() : "");
            extenderOpen = false;
            endsWithSpace = false;
            if (l->HasHyphen()) {
                append(Marker(kHyphenString, "-"));
            } else if (l->HasExtender()) {
                append(Marker(kExtenderString, "_"));
                extenderOpen = true;
            } else {
                append(" ");
                endsWithSpace = true;
            }
            return true;
        });
        if (toSystemEnd && EndsSystem(score, b)) break;
    }
    if (endsWithSpace)
        while (!out.empty() && out.back() == ' ') {
            out.pop_back();
            --chars;
        }
    if (runs)
        while (!runs->empty() && runs->back().first >= chars && chars > 0) runs->pop_back();
    if (out.empty() && runs) runs->clear();
    return out;
}

}  // namespace lyricflow

// ---- the flow --------------------------------------------------------------------------------

CLyricWndTask::CLyricWndTask(const LyricPlace& place, std::vector<LyricToken> tokens, std::vector<LyricRun> runs,
                             std::vector<std::uint8_t> line, bool verseNumber, bool skipTied)
    : place_(place), tokens_(std::move(tokens)), runs_(std::move(runs)), line_(std::move(line)),
      verseNumber_(verseNumber), skipTied_(skipTied) {}

bool CLyricWndTask::Perform() {
    SetLayoutChanged(true);
    const bool ok = Flow();
    if (!ok) {
        // Whatever was changed goes back; the operation leaves no entry.
        if (HasSnapshot()) SwapSnapshot();
        hasSnapshot = 0;
    }
    return ok;
}

void CLyricWndTask::SwapSnapshot() {
    CScoreTask::SwapSnapshot();
    if (score) score->CheckLyricLines();
}

bool CLyricWndTask::Flow() {
    if (!score || !document) return false;
    const std::size_t count = tokens_.size();
    // What each token needs: a note, except a hyphen right after a syllable.
    std::vector<bool> needsNote(count), extenderFollows(count);
    std::size_t needed = 0;
    for (std::size_t k = 0; k < count; ++k) {
        const LyricToken& t = tokens_[k];
        needsNote[k] = !(t.kind == LyricToken::kHyphen && k > 0 && tokens_[k - 1].kind == LyricToken::kSyllable);
        if (needsNote[k]) ++needed;
        if (t.kind == LyricToken::kSyllable && k + 1 < count && tokens_[k + 1].kind == LyricToken::kExtender)
            extenderFollows[k] = !t.wordEnd;
    }
    // The notes of the voice from the bar on, in order.
    struct Slot {
        int bar = 0, position = 0, time = 0;
        bool tiedInto = false;
    };
    std::vector<Slot> slots;
    std::size_t counted = 0;
    for (int b = std::max(0, place_.bar); b < score->GetBarCount() && counted < needed; ++b)
        finders::ForEachLive(score->GetTrkBar(place_.track, b), [&](CBarItem* r) {
            if (!r->IsNote() || r->VoiceField() != place_.voice) return true;
            const bool tiedInto = finders::IsTiedInto(r);
            slots.push_back(Slot{b, r->PositionField(), r->TimeField(), tiedInto});
            if (!(skipTied_ && tiedInto)) ++counted;
            return counted < needed;
        });
    if (slots.empty() || needed == 0) {
        undoable = 0;
        return true;
    }
    // The end entry: the bar after the last note.
    const Slot end{slots.back().bar + 1, 1023, 0, false};
    // Tokens over the notes, writing nothing yet.
    std::vector<int> slotOf(count, -1);
    std::size_t ni = 0;
    bool extenderRunning = false;
    for (std::size_t k = 0; k < count; ++k) {
        if (!needsNote[k]) continue;
        while (ni < slots.size() && skipTied_ && slots[ni].tiedInto && !extenderRunning) ++ni;
        if (ni >= slots.size()) break;  // the rest is dropped
        slotOf[k] = int(ni++);
        const LyricToken& t = tokens_[k];
        extenderRunning = t.kind == LyricToken::kExtender || (t.kind == LyricToken::kSyllable && extenderFollows[k]);
    }
    int firstSlot = -1, lastSlot = -1;
    for (int s : slotOf)
        if (s >= 0) {
            if (firstSlot < 0) firstSlot = s;
            lastSlot = s;
        }
    if (firstSlot < 0) {
        undoable = 0;
        return true;
    }
    const Slot& from = slots[std::size_t(firstSlot)];
    const int lastBar = slots[std::size_t(lastSlot)].bar;
    for (int b = from.bar; b <= lastBar; ++b)
        if (!SaveTrackBar(place_.track, b)) return false;
    // The verse's old syllables from the first note to the end of the last note's bar.
    for (int b = from.bar; b <= lastBar; ++b)
        finders::ForEachLive(score->GetTrkBar(place_.track, b), [&](CBarItem* r) {
            if (IsVerseSyllable(r, place_.voice, place_.verse) && (b > from.bar || r->PositionField() >= from.position))
                r->MarkRemoved();
            return true;
        });
    bool firstSyllable = true;
    std::vector<std::uint8_t> record;
    for (std::size_t k = 0; k < count; ++k) {
        if (slotOf[k] < 0) continue;
        const LyricToken& t = tokens_[k];
        std::uint8_t flags = CLyric::kHoldsTextBit;
        std::string text;
        if (t.kind == LyricToken::kSyllable) {
            text = t.text;
            if (extenderFollows[k]) flags |= CLyric::kExtenderBit;
            if (k + 1 < count && tokens_[k + 1].kind == LyricToken::kHyphen) flags |= CLyric::kHyphenBit;
        } else if (t.kind == LyricToken::kExtender) {
            // Only the first of a row of extenders stores a syllable; the others hold their notes.
            if (k > 0 && tokens_[k - 1].kind == LyricToken::kExtender) continue;
            flags |= CLyric::kExtenderBit;
        } else {
            continue;
        }
        if (firstSyllable && verseNumber_) flags |= CLyric::kVerseNumberBit;
        firstSyllable = false;
        const std::size_t si = std::size_t(slotOf[k]);
        const Slot& at = slots[si];
        const Slot& next = si + 1 < slots.size() ? slots[si + 1] : end;
        if (skipTied_ && next.tiedInto) flags |= CLyric::kLeftAlignedBit;
        if (next.bar > at.bar) flags |= CLyric::kRunsOnBit;
        const FontRef font = t.run >= 0 && std::size_t(t.run) < runs_.size() ? runs_[std::size_t(t.run)].font : FontRef{};
        record.assign(std::size_t(CLyric::SizeFor(int(text.size()))), 0);
        CLyric* l = CLyric::Make(record.data(), 0, 0, place_.verse, text.c_str(), font);
        if (!l) return false;
        l->SetFlagsB(std::uint8_t((l->FlagsB() & ~(7 << CBarItem::kVoiceShift)) |
                                  ((place_.voice & 7) << CBarItem::kVoiceShift)));
        l->SetTimeField(std::int16_t(at.time));
        l->SetPositionField(std::int16_t(at.position));
        l->SetLyricFlags(flags);
        CTrkBar* trkBar = score->GetTrkBar(place_.track, at.bar);
        if (!trkBar || !trkBar->InsertCopy(reinterpret_cast<const CBarItem*>(record.data()))) return false;
    }
    changed = 1;
    document->SetModified(true);
    return true;
}

// ---- delete ----------------------------------------------------------------------------------

bool CLyricDeleteTask::Perform() {
    if (!score) return false;
    bool removed = false;
    for (int b = std::max(0, place_.bar); b < score->GetBarCount(); ++b) {
        CTrkBar* trkBar = score->GetTrkBar(place_.track, b);
        if (!trkBar) break;
        bool any = false;
        finders::ForEachLive(trkBar, [&](CBarItem* r) {
            any = IsVerseSyllable(r, place_.voice, place_.verse);
            return !any;
        });
        if (any) {
            if (!SaveTrackBar(place_.track, b)) {
                if (removed) {
                    hasSnapshot = 1;
                    SwapSnapshot();
                }
                hasSnapshot = 0;
                return false;
            }
            finders::ForEachLive(score->GetTrkBar(place_.track, b), [&](CBarItem* r) {
                if (IsVerseSyllable(r, place_.voice, place_.verse)) r->MarkRemoved();
                return true;
            });
            removed = true;
        }
        if (toSystemEnd_ && EndsSystem(score, b)) break;
    }
    if (!removed) {
        undoable = 0;
        return true;
    }
    SetLayoutChanged(true);
    changed = 1;
    if (document) document->SetModified(true);
    return true;
}

void CLyricDeleteTask::SwapSnapshot() {
    CScoreTask::SwapSnapshot();
    if (score) score->CheckLyricLines();
}
