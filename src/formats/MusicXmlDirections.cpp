// The MusicXML reader's barlines and directions (second walk): bar line kinds and repeats,
// dynamics, hairpins, octave lines, pedal marks, words and tempo marks, with the placement
// hints turned into item offsets (tenths x 120 / 10).
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "formats/MusicXmlReader.h"
#include "framework/Arith.h"
#include "framework/CodePage.h"
#include "model/Bar.h"
#include "model/Score.h"
#include "model/Tempo.h"
#include "platform/Handles.h"

namespace formats {
namespace {

int Placement(const MarkupTag& tag) {
    return CMarkupReader::IsPlacementAbove(tag) ? 1 : CMarkupReader::IsPlacementBelow(tag) ? -1 : 0;
}

// Ticks of a beat unit (1 whole ... 6 thirty-second).
int UnitTicks(int unit, bool dotted) {
    static const int kTicks[7] = {3840, 1920, 960, 480, 240, 120, 60};
    const int t = kTicks[std::clamp(unit, 0, 6)];
    return dotted ? t + t / 2 : t;
}

constexpr const char* kDynamicNames[16] = {"pppp", "ppp", "pp", "p", "mp", "mf", "f", "ff",
                                           "fff",  "ffff", "sf", "fz", "sfz", "sffz", "fp", "sfp"};

}  // namespace

int MusicXmlReader::ReadDefaultY(const MarkupTag& tag, bool above, int y) {
    std::int16_t v = 0;
    if (!CMarkupReader::GetNamedNumber(tag.text, "default-y", v)) return y;
    return above ? -v : -(v + 40);
}

int MusicXmlReader::ReadRelativeY(const MarkupTag& tag, int y) {
    std::int16_t v = 0;
    if (!CMarkupReader::GetNamedNumber(tag.text, "relative-y", v)) return y;
    return -v;
}

void MusicXmlReader::ReadBarline(const MarkupTag& open) {
    char location[MarkupTag::kTextSize] = {};
    open.GetAttr("location", location);
    const bool closing = !std::strcmp(location, "right");
    int kind = 0;
    bool repeatEnd = false;
    if (!open.flagOrPos) {
        MarkupTag tag;
        while (ReadTag(tag, "</barline")) {
            if (Begins(tag, "<bar-style>")) {
                const std::string style = ReadText();
                if (style == "heavy-light") kind = 7;
                else if (style == "dotted" || style == "dashed") kind = 5;
                else if (style == "light-light") kind = 1;
                else if (style == "light-heavy") kind = 4;
                else if (style == "none") kind = 6;
            } else if (Begins(tag, "<repeat")) {
                char direction[MarkupTag::kTextSize] = {};
                tag.GetAttr("direction", direction);
                if (!std::strcmp(direction, "forward")) {
                    kind = 2;
                } else if (!std::strcmp(direction, "backward")) {
                    kind = 3;
                    repeatEnd = true;
                }
            }
        }
    }
    CBar* bar = measureIndex_ < barCount_ ? builder_.Score().GetBar(measureIndex_) : nullptr;
    if (!bar) return;
    if (repeatEnd && kind == 3 && !bar->SetRepeatEnd()) ThrowOutOfMemory();
    if (closing) bar->SetClosingKind(kind);
    else bar->SetOpeningKind(kind);
}

void MusicXmlReader::ReadDirection(const MarkupTag& open) {
    const bool above = CMarkupReader::IsPlacementAbove(open);
    int staff = 0;
    // The first look: the offset, a sound tempo and the staff, wherever they stand in it.
    bool tempoFlag = false;
    int tempo = 0;
    {
        const char* keep = reader_.pos;
        MarkupTag tag;
        while (ReadTag(tag, "</direction>")) {
            if (Begins(tag, "<offset>")) {
                const long long n = ReadNumber();
                directionOffset_ = int(std::clamp<long long>(n * kTicksPerQuarter / std::max(1, divisions_), -32767, 32767));
            } else if (Begins(tag, "<sound")) {
                std::int16_t v = 0;
                if (CMarkupReader::GetNamedNumber(tag.text, "tempo", v) && v > 0) {
                    tempoFlag = true;
                    tempo = v;
                }
            } else if (Begins(tag, "<staff")) {
                staff = ReadNumber() - 1;
            }
        }
        reader_.pos = keep;
    }
    const int time = std::clamp(time_ + directionOffset_, 0, 32767);
    const int bar = measureIndex_;
    const int track = TrackOf(partIndex_, staff);

    // Words and metronome marks.
    bool text = false, metronome = false, dotted = false, parentheses = false;
    int beatUnit = 0, perMinute = 0, textX = 0, textY = 0;
    std::string words;
    FontRef font = wordFont_;
    // Dynamics.
    bool dynamics = false;
    int dynamicX = 0, dynamicY = 0, velocity = 0;
    std::string dynamicName;
    // Hairpins, pedals.
    const Wedge* wedgeStop = nullptr;
    int wedgeEndBar = 0, wedgeEndTime = 0;
    bool pedal = false;
    int pedalY = 0;

    MarkupTag tag;
    while (ReadTag(tag, "</direction>")) {
        if (Begins(tag, "<words")) {
            text = true;
            font = wordFont_;
            ReadFont(tag, font);
            std::int16_t v = 0;
            textX = CMarkupReader::GetNamedNumber(tag.text, "relative-x", v) ? v : 0;
            textY = ReadRelativeY(tag, ReadDefaultY(tag, above, 0));
            if (!tag.flagOrPos) words += ReadText();
        } else if (Begins(tag, "<octave-shift")) {
            if (staff < 0 || staff >= kMaxStaves) continue;
            char type[MarkupTag::kTextSize] = {};
            tag.GetAttr("type", type);
            Ottava& o = part_->ottavas[staff];
            if (std::strcmp(type, "stop") != 0) {
                const bool down = std::strcmp(type, "up") != 0;
                o.above = down;
                o.bar = bar;
                o.time = time;
                o.y = ReadRelativeY(tag, ReadDefaultY(tag, down, 0));
                std::int16_t size = 8;
                CMarkupReader::GetNamedNumber(tag.text, "size", size);
                if (size <= 0) size = 8;
                o.size = down ? -size : size;
            } else if (o.size != 0) {
                const int kind = o.size == -8 ? 0 : o.size == 8 ? 1 : 2;
                CScore& score = builder_.Score();
                CBar* startBar = score.GetBar(o.bar);
                CBar* endBar = score.GetBar(bar);
                if (track >= 0 && startBar && endBar && o.bar <= bar) {
                    const Ottava from = o;
                    marks_.push_back([this, from, bar, time, track, kind] {
                        CScore& s = builder_.Score();
                        const int start = std::clamp<int>(s.GetBar(from.bar)->TickToFraction(from.time, false), 0, 1023);
                        const int end = std::clamp<int>(s.GetBar(bar)->TickToFraction(time, false), 0, 1023);
                        s.ApplyOttava(from.bar, start, bar, end, track, -240 + from.y * 120 / 10, kind, true, true, true,
                                      false, 0);
                    });
                }
                o.size = 0;
            }
        } else if (Begins(tag, "<metronome")) {
            text = true;
            metronome = true;
            textX = textY = 0;
            char value[MarkupTag::kTextSize] = {};
            parentheses = tag.GetAttr("parentheses", value) && (!std::strcmp(value, "yes") || !std::strcmp(value, "on"));
            font = metronomeFont_;
            ReadFont(tag, font);
            if (tag.flagOrPos) continue;
            while (ReadTag(tag, "</metronome>")) {
                if (Begins(tag, "<beat-unit>")) {
                    const std::string unit = ReadText();
                    if (unit.find("whole") != std::string::npos) beatUnit = 1;
                    else if (unit.find("half") != std::string::npos) beatUnit = 2;
                    else if (unit.find("quarter") != std::string::npos) beatUnit = 3;
                    else if (unit.find("eighth") != std::string::npos) beatUnit = 4;
                    else if (unit.find("sixteenth") != std::string::npos || unit == "16th") beatUnit = 5;
                    else if (unit.find("thirtysecond") != std::string::npos || unit == "32nd") beatUnit = 6;
                } else if (Begins(tag, "<beat-unit-dot")) {
                    dotted = true;
                } else if (Begins(tag, "<per-minute>")) {
                    perMinute = ReadNumber();
                }
            }
        } else if (Begins(tag, "<pedal")) {
            pedal = true;
            char type[MarkupTag::kTextSize] = {};
            tag.GetAttr("type", type);
            if (!std::strcmp(type, "start")) pedalSymbol_ = 208;
            else if (!std::strcmp(type, "stop")) pedalSymbol_ = 209;
            pedalY = ReadRelativeY(tag, ReadDefaultY(tag, above, 0));
        } else if (Begins(tag, "<dynamics")) {
            dynamics = true;
            std::int16_t v = 0;
            dynamicX = CMarkupReader::GetNamedNumber(tag.text, "default-x", v) ? v : 0;
            if (CMarkupReader::GetNamedNumber(tag.text, "relative-x", v)) dynamicX = v;
            dynamicY = ReadRelativeY(tag, ReadDefaultY(tag, above, 0));
            if (tag.flagOrPos) continue;
            MarkupTag name;
            if (ReadTag(name)) {
                const char* slash = std::strchr(name.text, '/');
                const char* close = std::strchr(name.text, '>');
                const char* stop = slash && (!close || slash < close) ? slash : close;
                dynamicName.assign(name.text + 1, stop ? std::size_t(stop - name.text - 1) : 0);
            }
        } else if (Begins(tag, "<wedge")) {
            long number = 1;
            AttrNumber(tag, "number", &number);
            if (number < 1 || number > 16) continue;  // a number out of the table is left out
            Wedge& w = part_->wedges[number - 1];
            char type[MarkupTag::kTextSize] = {};
            tag.GetAttr("type", type);
            if (std::strcmp(type, "stop") != 0) {
                w.open = true;
                w.above = above;
                w.bar = bar;
                w.time = time;
                w.diminuendo = !std::strcmp(type, "diminuendo");
                w.y = ReadRelativeY(tag, ReadDefaultY(tag, above, 0));
            } else if (w.open) {
                wedgeStop = &w;
                wedgeEndBar = bar;
                wedgeEndTime = time;
            }
        } else if (Begins(tag, "<staff>")) {
            staff = ReadNumber() - 1;
        } else if (Begins(tag, "<sound")) {
            std::int16_t v = 0;
            if (CMarkupReader::GetNamedNumber(tag.text, "dynamics", v)) velocity = std::clamp<int>(v, 0, 127);
        }
    }
    directionOffset_ = 0;
    const int itemTrack = TrackOf(partIndex_, staff);
    if (itemTrack < 0 || bar >= barCount_) return;
    CScore& score = builder_.Score();

    // One item a direction: the first kind it holds of these.
    if (dynamics) {
        int mark = -1;
        for (int i = 0; i < 16; ++i)
            if (dynamicName == kDynamicNames[i]) mark = i;
        if (mark < 0) return;
        const int dy = (above ? -240 : 300) + dynamicY * 120 / 10;
        const int dx = dynamicX * 120 / 10 - 60 * (std::max<int>(1, int(dynamicName.size())) - 1);
        marks_.push_back([this, itemTrack, bar, time, mark, velocity, dx, dy] {
            if (!builder_.PutDynamic(itemTrack, bar, time, 0, mark, velocity, dx, dy)) ThrowOutOfMemory();
        });
    } else if (wedgeStop) {
        Wedge w = *wedgeStop;
        part_->wedges[wedgeStop - part_->wedges] = Wedge{};
        if (!score.GetBar(wedgeEndBar) || w.bar > wedgeEndBar) return;
        const int dy = (w.above ? -240 : 240) + w.y * 120 / 10;
        marks_.push_back([this, itemTrack, w, wedgeEndBar, wedgeEndTime, dy] {
            CBar* endBar = builder_.Score().GetBar(wedgeEndBar);
            const int endPosition = std::clamp<int>(endBar->TickToFraction(wedgeEndTime, false), 0, 1023);
            if (!builder_.PutHairpin(itemTrack, w.bar, w.time, wedgeEndBar - w.bar, endPosition, w.diminuendo, dy))
                ThrowOutOfMemory();
        });
    } else if (pedal) {
        const int dy = (above ? -240 : 240) + pedalY * 120 / 10;
        const int symbol = pedalSymbol_;
        marks_.push_back([this, itemTrack, bar, time, symbol, dy] {
            if (!builder_.PutSymbol(itemTrack, bar, time, symbol, dy)) ThrowOutOfMemory();
        });
    } else if (text && !tempoFlag && !metronome) {
        const int dy = (above ? -480 : 300 - 20 * int(font.size)) + textY * 120 / 10;
        const int dx = textX * 120 / 10;
        marks_.push_back([this, itemTrack, bar, time, words, font, dx, dy] {
            if (!builder_.PutText(itemTrack, bar, time, words, font, dx, dy)) ThrowOutOfMemory();
        });
    } else if (tempoFlag || metronome) {
        // A tempo mark: its words (15 characters at most) and its metronome mark; the tempo the
        // sound element gives in quarters a minute is restated in the shown beat unit. A sound
        // tempo alone makes a mark that shows nothing and plays.
        const int quarterTempo = std::clamp(tempo * 100, CTempo::kMinTempo, CTempo::kMaxTempo);
        std::uint8_t flags = 3 << 4;
        if (text) flags |= CTempo::kTextShownBit;
        if (metronome) flags |= CTempo::kMetronomeShownBit;
        int value = quarterTempo;
        if (beatUnit > 0) {
            flags = std::uint8_t((beatUnit << 4) | (flags & 0x03));
            if (dotted) flags |= CTempo::kDottedBit;
            if (parentheses) flags |= CTempo::kParenthesesBit;
            value = tempoFlag ? MulDiv(480, quarterTempo, UnitTicks(beatUnit, dotted)) : perMinute * 100;
        } else if (!tempoFlag) {
            value = perMinute * 100;
        }
        // Neither a sound tempo nor a number: the tempo in force.
        if (!tempoFlag && perMinute <= 0) value = score.GetBar(bar)->GetTempo();
        const std::string shown = words.substr(0, fw::FitBytes(words, 15));
        const int dx = textX * 120 / 10;
        marks_.push_back([this, bar, time, value, flags, shown, font, dx] {
            if (!builder_.PutTempo(bar, time, value, flags, shown, font, dx, -30)) ThrowOutOfMemory();
        });
    }
}

}  // namespace formats
