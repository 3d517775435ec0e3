// The frame of the MusicXML reader: the two walks, the header, the part list, the parts and the
// measure loop with its table of what each measure holds.
#include "formats/MusicXmlReader.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "framework/Arith.h"
#include "framework/CodePage.h"
#include "framework/DC.h"
#include "framework/Window.h"
#include "model/Preferences.h"
#include "model/ZelDoc.h"
#include "platform/FontMap.h"
#include "platform/Port.h"

namespace formats {

MusicXmlReader::MusicXmlReader(CZelDoc& doc) : doc_(doc), builder_(doc) {}

// --- text ----------------------------------------------------------------------------------------

std::string MusicXmlReader::ReadText() {
    const char* start = reader_.pos;
    const char* end = text_.Text().data() + text_.Text().size();
    const char* stop = start;
    while (stop < end && *stop != '<' && *stop != 0) ++stop;
    reader_.pos = stop;
    return text_.ToCodePage(std::string_view(start, std::size_t(stop - start)));
}

int MusicXmlReader::ReadNumber() {
    const std::string text = ReadText();
    const long long v = std::strtoll(text.c_str(), nullptr, 10);
    return int(std::clamp<long long>(v, INT_MIN / 2, INT_MAX / 2));
}

bool MusicXmlReader::AttrNumber(const MarkupTag& tag, const char* name, long* v) {
    char value[MarkupTag::kTextSize];
    if (!tag.GetAttr(name, value)) return false;
    char* end = nullptr;
    const long long n = std::strtoll(value, &end, 10);
    if (end == value) return false;
    *v = long(std::clamp<long long>(n, -1000000, 1000000));
    return true;
}

bool MusicXmlReader::Begins(const MarkupTag& tag, const char* word) {
    return std::strncmp(tag.text, word, std::strlen(word)) == 0;
}

void MusicXmlReader::Rewind() {
    const std::string& t = text_.Text();
    reader_ = CMarkupReader(t.data(), t.data() + t.size());
}

void MusicXmlReader::Fail(const std::string& reason, std::size_t at) {
    if (outcome_.code) return;
    outcome_.code = 101;
    outcome_.reason = reason;
    outcome_.offset = text_.FileOffset(at);
}

void MusicXmlReader::ReadFont(const MarkupTag& tag, FontRef& font) const {
    // The face's name reaches the font list in the code page.
    MarkupTag converted = tag;
    const std::string text = text_.GetSource() == ImportText::Source::kCodePage ? std::string(tag.text)
                                                                                : fw::FromUtf8(tag.text);
    fw::CopyText(converted.text, MarkupTag::kTextSize, text);
    CMarkupReader::ReadFontAttrs(converted, font);
}

void MusicXmlReader::SkipElement(const char* end) {
    MarkupTag tag;
    while (ReadTag(tag, end)) {
    }
}

// --- the two walks ----------------------------------------------------------------------------------

ImportOutcome MusicXmlReader::Run(const std::uint8_t* bytes, std::size_t size) {
    text_.Decode(bytes, size);
    Rewind();
    parts_.reserve(kMaxParts);
    wordFont_ = g_preferences.Font(0);
    lyricFont_ = g_preferences.Font(4);
    metronomeFont_ = g_preferences.Font(13);

    pass_ = 0;
    ReadDocument();
    if (!sawRoot_)
        Fail("no score-partwise root element", firstElementAt_ == std::size_t(-1) ? text_.Text().size() : firstElementAt_);
    else if (!closedRoot_)
        Fail("the file ends inside the score-partwise element", text_.Text().size());
    else if (partCount_ == 0)
        Fail("the part list names no score-part", rootAt_);
    if (outcome_.code) return outcome_;

    // The score is built over the main window's client area (a screen context without one).
    struct ClientPort {
        CClientDC dc{AfxGetMainWnd()};
        ClientPort() { PushPort(&dc); }
        ~ClientPort() { PopPort(); }
    } port;
    doc_.MakeCurrent();
    if (!BuildScore()) {
        outcome_.code = 100;
        outcome_.reason = "out of memory";
        return outcome_;
    }
    Rewind();
    pass_ = 1;
    measureIndex_ = 0;
    ReadDocument();
    FinishScore();
    return outcome_;
}

void MusicXmlReader::ReadDocument() {
    MarkupTag tag;
    while (ReadTag(tag)) {
        if (tag.text[1] != '?' && tag.text[1] != '!' && tag.text[1] != '/' && firstElementAt_ == std::size_t(-1))
            firstElementAt_ = Offset() - std::strlen(tag.text);
        if (Begins(tag, "<score-partwise")) {
            if (pass_ == 0 && !sawRoot_) {
                sawRoot_ = true;
                rootAt_ = Offset() - std::strlen(tag.text);
            }
            ReadScorePartwise(tag);
        } else if (Begins(tag, "<score-timewise")) {
            // Recognised, and read no further.
            if (!tag.flagOrPos) SkipElement("</score-timewise");
        }
    }
}

void MusicXmlReader::ReadScorePartwise(const MarkupTag& root) {
    staffDistance_ = 2160;
    leftMargin_ = 1440;
    if (root.flagOrPos) {
        if (pass_ == 0) closedRoot_ = true;
        return;
    }
    MarkupTag tag;
    while (ReadTag(tag, "</score-partwise")) {
        if (pass_ == 1) {
            if (Begins(tag, "<part id") || Begins(tag, "<part ")) ReadPart(tag);
            continue;
        }
        if (Begins(tag, "<work-title>") || Begins(tag, "<movement-title>")) {
            title_ = ReadText();
        } else if (Begins(tag, "<work-number>") || Begins(tag, "<movement-number>")) {
            number_ = ReadText();
        } else if (Begins(tag, "<rights>")) {
            rights_ = ReadText();
        } else if (Begins(tag, "<part-list")) {
            if (!tag.flagOrPos) ReadPartList();
        } else if (Begins(tag, "<part id") || Begins(tag, "<part ")) {
            ReadPart(tag);
        } else if (Begins(tag, "<creator type")) {
            char kind[MarkupTag::kTextSize] = {};
            CMarkupReader::ListQuotedValues(tag.text, kind, sizeof kind);
            if (!std::strcmp(kind, "composer")) composer_ = ReadText();
            else if (!std::strcmp(kind, "poet")) poet_ = ReadText();
        } else if (Begins(tag, "<defaults")) {
            if (!tag.flagOrPos) ReadDefaults();
        }
    }
    if (pass_ == 0 && Begins(tag, "</score-partwise")) closedRoot_ = true;
}

void MusicXmlReader::ReadDefaults() {
    MarkupTag tag;
    while (ReadTag(tag, "</defaults>")) {
        if (Begins(tag, "<staff-distance")) {
            staffDistance_ = std::clamp(ReadNumber(), 0, 1600) * 20;
        } else if (Begins(tag, "<left-margin")) {
            const int v = MulDiv(std::clamp(ReadNumber(), 0, 20000), 1440, 160);
            leftMargin_ = std::clamp(v, 0, 14400);
        } else if (Begins(tag, "<word-font")) {
            ReadFont(tag, wordFont_);
        } else if (Begins(tag, "<lyric-font")) {
            ReadFont(tag, lyricFont_);
        }
    }
}

// --- the part list ----------------------------------------------------------------------------------

void MusicXmlReader::ReadPartList() {
    MarkupTag tag;
    while (ReadTag(tag, "</part-list")) {
        if (Begins(tag, "<score-part")) ReadScorePart(tag);
        else if (Begins(tag, "<part-group")) ReadPartGroup(tag);
    }
}

void MusicXmlReader::ReadScorePart(const MarkupTag& open) {
    if (open.flagOrPos) return;
    if (partCount_ >= kMaxParts) {
        // A part past the table is left out with all it holds.
        SkipElement("</score-part");
        return;
    }
    parts_.emplace_back();
    PartRecord& part = parts_.back();
    char id[MarkupTag::kTextSize] = {};
    CMarkupReader::ListQuotedValues(open.text, id, sizeof id);
    part.id = id;
    MarkupTag tag;
    while (ReadTag(tag, "</score-part")) {
        if (Begins(tag, "<part-name>") || Begins(tag, "<part-name ")) {
            if (!tag.flagOrPos) part.name = ReadText();
        } else if (Begins(tag, "<part-abbreviation ")) {
            if (!tag.flagOrPos) part.abbreviation = ReadText();
        } else if (Begins(tag, "<score-instrument")) {
            if (!tag.flagOrPos) SkipElement("</score-instrument");
        } else if (Begins(tag, "<midi-instrument")) {
            if (tag.flagOrPos) continue;
            while (ReadTag(tag, "</midi-instrument")) {
                if (Begins(tag, "<midi-channel")) part.midiChannel = ReadNumber();
                else if (Begins(tag, "<midi-program")) part.midiProgram = ReadNumber();
            }
        }
    }
    ++partCount_;
}

void MusicXmlReader::ReadPartGroup(const MarkupTag& open) {
    char type[MarkupTag::kTextSize] = {};
    open.GetAttr("type", type);
    long number = 1;
    AttrNumber(open, "number", &number);
    const int index = int(number) - 1;
    int symbol = -1;
    if (!open.flagOrPos) {
        MarkupTag tag;
        while (ReadTag(tag, "</part-group")) {
            if (!Begins(tag, "<group-symbol")) continue;
            const std::string text = ReadText();
            if (text.find("bracket") != std::string::npos) symbol = 2;
            else if (text.find("brace") != std::string::npos) symbol = 1;
        }
    }
    if (index < 0 || index >= int(groups_.size())) return;  // a number out of the table is left out
    PartGroup& group = groups_[std::size_t(index)];
    if (symbol >= 0) group.symbol = symbol;
    if (!std::strcmp(type, "start")) {
        group.firstPart = partCount_;
    } else if (!std::strcmp(type, "stop")) {
        group.lastPart = partCount_ - 1;
        groupCount_ = std::max(groupCount_, index + 1);
    }
}

// --- parts and measures -----------------------------------------------------------------------------

void MusicXmlReader::ReadPart(const MarkupTag& open) {
    if (open.flagOrPos) return;
    char id[MarkupTag::kTextSize] = {};
    CMarkupReader::ListQuotedValues(open.text, id, sizeof id);
    part_ = nullptr;
    partIndex_ = -1;
    for (int i = 0; i < int(parts_.size()); ++i)
        if (parts_[std::size_t(i)].id == id) {
            part_ = &parts_[std::size_t(i)];
            partIndex_ = i;
            break;
        }
    // A part that no score-part names (or one past the table) is left out.
    if (!part_ || (pass_ == 1 && part_->firstTrack < 0)) {
        SkipElement("</part");
        part_ = nullptr;
        return;
    }
    for (auto& kind : part_->beamOpen) kind[0] = kind[1] = false;
    for (auto& kind : part_->beams) kind[0].clear(), kind[1].clear();
    if (pass_ == 0) {
        part_->staffCount = 1;
        part_->measures.clear();
    } else {
        for (int s = 0; s < kMaxStaves; ++s) part_->currentClef[s] = part_->initialClef[s];
    }
    measureIndex_ = 0;
    systemBreaks_ = 0;
    pageBreaks_ = 0;
    MarkupTag tag;
    while (ReadTag(tag, "</part")) {
        if (Begins(tag, "<measure ") || Begins(tag, "<measure>")) ReadMeasure(tag);
    }
    part_ = nullptr;
}

bool MusicXmlReader::ReadMeasure(const MarkupTag& open) {
    time_ = 0;
    graceOffset_ = 0;
    directionOffset_ = 0;
    if (open.flagOrPos) return true;
    if (measureIndex_ >= kMaxBars) {
        SkipElement("</measure");
        return true;
    }
    if (pass_ == 0) {
        std::vector<MeasureEntry>& table = part_->measures;
        MeasureEntry entry;
        if (!table.empty()) entry.timeSymbol = table.back().timeSymbol;
        entry.implicit = open.HasImplicit("yes");
        entry.staves = 1;
        table.push_back(entry);
    }
    MarkupTag tag;
    while (ReadTag(tag, "</measure")) {
        if (Begins(tag, "<attributes")) {
            if (!tag.flagOrPos) ReadAttributes();
        } else if (Begins(tag, "<note")) {
            if (!tag.flagOrPos && !ReadNote()) return false;
        } else if (Begins(tag, "<backup>")) {
            ReadBackupForward(true);
        } else if (Begins(tag, "<forward>")) {
            ReadBackupForward(false);
        } else if (Begins(tag, "<print")) {
            if (pass_ != 0) continue;
            // A break counts only when the file asks for one.
            if (tag.AttrEquals("new-system", "yes")) ++systemBreaks_;
            if (tag.AttrEquals("new-page", "yes")) ++pageBreaks_;
        } else if (pass_ == 1 && Begins(tag, "<barline")) {
            ReadBarline(tag);
        } else if (pass_ == 1 && Begins(tag, "<direction")) {
            if (!tag.flagOrPos) ReadDirection(tag);
        }
    }
    if (pass_ == 0) {
        MeasureEntry& entry = part_->measures.back();
        entry.divisions = divisions_;
        entry.systemBreaks = systemBreaks_;
        entry.pageBreaks = pageBreaks_;
        barCount_ = std::max(barCount_, measureIndex_ + 1);
    }
    ++measureIndex_;
    return true;
}

// --- the entry --------------------------------------------------------------------------------------

int MusicXmlReader::TrackOf(int part, int staff) const {
    if (part < 0 || part >= int(parts_.size())) return -1;
    const PartRecord& p = parts_[std::size_t(part)];
    if (p.firstTrack < 0 || staff < 0 || staff >= p.staffCount) return -1;
    return p.firstTrack + staff;
}

}  // namespace formats
