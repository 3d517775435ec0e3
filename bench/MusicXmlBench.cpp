// MusicXML import: a generated 8-part, 300-bar partwise file (a two-staff piano among seven
// single-staff parts; beamed eighths, chords, ties, slurs, dynamics, hairpins, lyrics, clef and
// key changes, a system break every four bars) imported into a new document (both walks, the
// score built and laid out), then saved. The goal is under 0.5 s for the whole. The same music
// at four times the bars shows whether reading grows with the file: the ratio of the two import
// times is printed (4 is linear).
//
//   build-bench/bench_musicxml [REPEATS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "formats/MusicXmlImport.h"
#include "framework/File.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/Track.h"
#include "model/ZelDoc.h"
#include "notation/NotationClasses.h"
#include "platform/Port.h"

namespace {

using Clock = std::chrono::steady_clock;
double Ms(Clock::time_point a) { return std::chrono::duration<double, std::milli>(Clock::now() - a).count(); }

const char* const kSteps = "CDEFGAB";

std::string Pitch(int step, int octave, int alter = 0) {
    std::string s = "<pitch><step>";
    s += kSteps[step % 7];
    s += "</step>";
    if (alter) s += "<alter>" + std::to_string(alter) + "</alter>";
    return s + "<octave>" + std::to_string(octave) + "</octave></pitch>";
}

// One measure of a single-staff part: four beamed eighths (a slur over them, a tie into the
// next bar on every fourth), a quarter chord and a quarter with a lyric.
std::string Measure(int part, int bar, bool lyrics) {
    std::string m = "<measure number=\"" + std::to_string(bar + 1) + "\">";
    if (bar == 0)
        m += "<print new-system=\"no\"/><attributes><divisions>2</divisions><key><fifths>1</fifths></key>"
             "<time><beats>4</beats><beat-type>4</beat-type></time><clef><sign>G</sign><line>2</line></clef>"
             "</attributes>"
             "<direction placement=\"below\"><direction-type><dynamics><mf/></dynamics></direction-type>"
             "<sound dynamics=\"80\"/></direction>";
    else if (bar % 4 == 0)
        m += "<print new-system=\"yes\"/>";
    if (bar % 50 == 25)
        m += "<attributes><key><fifths>" + std::to_string(bar % 100 == 25 ? -2 : 1) + "</fifths></key></attributes>";
    if (bar % 8 == 2)
        m += "<direction placement=\"below\"><direction-type><wedge type=\"crescendo\"/></direction-type></direction>";
    static const char* beams[4] = {"begin", "continue", "continue", "end"};
    for (int k = 0; k < 4; ++k) {
        const int step = (bar + k + part) % 7;
        m += "<note>" + Pitch(step, 5) + "<duration>1</duration><voice>1</voice><type>eighth</type>"
             "<stem>down</stem><beam number=\"1\">" + std::string(beams[k]) + "</beam>";
        if (k == 0) m += "<notations><slur type=\"start\" number=\"1\"/></notations>";
        if (k == 3) m += "<notations><slur type=\"stop\" number=\"1\"/></notations>";
        m += "</note>";
    }
    if (bar % 8 == 3)
        m += "<direction><direction-type><wedge type=\"stop\"/></direction-type></direction>";
    m += "<note>" + Pitch(part % 7, 4) + "<duration>2</duration><voice>1</voice><type>quarter</type></note>";
    m += "<note><chord/>" + Pitch((part + 2) % 7, 4, bar % 3 == 0 ? 1 : 0) +
         "<duration>2</duration><voice>1</voice><type>quarter</type></note>";
    const bool tieIn = bar % 4 == 0 && bar > 0, tieOut = bar % 4 == 3;
    m += "<note>" + Pitch(4, 4) + "<duration>2</duration>";
    if (tieOut) m += "<tie type=\"start\"/>";
    m += "<voice>1</voice><type>quarter</type>";
    if (tieOut) m += "<notations><tied type=\"start\"/></notations>";
    if (lyrics)
        m += "<lyric number=\"1\"><syllabic>" + std::string(bar % 2 ? "end" : "begin") + "</syllabic><text>la" +
             std::to_string(bar % 10) + "</text></lyric>";
    m += "</note>";
    (void)tieIn;
    return m + "</measure>";
}

// One measure of the piano: a right hand of eighths over a left hand of half notes, the left hand
// changing clef halfway.
std::string PianoMeasure(int bar) {
    std::string m = "<measure number=\"" + std::to_string(bar + 1) + "\">";
    if (bar == 0)
        m += "<attributes><divisions>2</divisions><key><fifths>1</fifths></key><time><beats>4</beats>"
             "<beat-type>4</beat-type></time><staves>2</staves><clef number=\"1\"><sign>G</sign><line>2</line>"
             "</clef><clef number=\"2\"><sign>F</sign><line>4</line></clef></attributes>";
    else if (bar % 4 == 0)
        m += "<print new-system=\"yes\"/>";
    for (int k = 0; k < 8; ++k)
        m += "<note>" + Pitch((bar + k) % 7, 5) + "<duration>1</duration><voice>1</voice><type>eighth</type>"
             "<staff>1</staff><beam number=\"1\">" + std::string(k % 4 == 0 ? "begin" : k % 4 == 3 ? "end" : "continue") +
             "</beam></note>";
    m += "<backup><duration>8</duration></backup>";
    if (bar % 20 == 10) m += "<attributes><clef number=\"2\"><sign>G</sign><line>2</line></clef></attributes>";
    if (bar % 20 == 15) m += "<attributes><clef number=\"2\"><sign>F</sign><line>4</line></clef></attributes>";
    for (int k = 0; k < 2; ++k)
        m += "<note>" + Pitch((bar + 2 * k) % 7, 3) + "<duration>4</duration><voice>5</voice><type>half</type>"
             "<staff>2</staff></note>";
    return m + "</measure>";
}

std::string Score(int bars) {
    std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<score-partwise version=\"3.1\">"
                    "<work><work-title>Bench</work-title></work><part-list>";
    for (int p = 0; p < 8; ++p)
        s += "<score-part id=\"P" + std::to_string(p) + "\"><part-name>" + (p == 7 ? "Piano" : "Part " + std::to_string(p)) +
             "</part-name><midi-instrument id=\"I" + std::to_string(p) + "\"><midi-channel>" + std::to_string(p + 1) +
             "</midi-channel><midi-program>" + std::to_string(p * 8 + 1) + "</midi-program></midi-instrument></score-part>";
    s += "</part-list>";
    for (int p = 0; p < 8; ++p) {
        s += "<part id=\"P" + std::to_string(p) + "\">";
        for (int b = 0; b < bars; ++b) s += p == 7 ? PianoMeasure(b) : Measure(p, b, p == 0);
        s += "</part>";
    }
    return s + "</score-partwise>\n";
}

struct Run {
    double import = 0, save = 0;
    int tracks = 0, bars = 0;
};

Run ImportAndSave(const std::string& xml, const std::string& out) {
    Run r;
    CZelDoc doc;
    auto a = Clock::now();
    const formats::ImportOutcome outcome =
        formats::ImportMusicXml(reinterpret_cast<const std::uint8_t*>(xml.data()), xml.size(), doc);
    r.import = Ms(a);
    if (outcome.code != 0) {
        std::printf("import refused: %d %s\n", outcome.code, outcome.reason.c_str());
        std::exit(1);
    }
    r.tracks = doc.GetScore()->GetTrackCount();
    r.bars = doc.GetScore()->GetBarCount();
    a = Clock::now();
    if (!doc.OnSaveDocument(out.c_str())) {
        std::printf("save failed\n");
        std::exit(1);
    }
    r.save = Ms(a);
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    RegisterNotationClasses();
    RegisterTrackClass();
    InitDrawing();
    g_preferences.SetDefaultFonts(0);
    g_preferences.MakeFontsCurrent();
    const std::string small = Score(300), large = Score(1200);
    const std::string out = "/tmp/zel-bench-musicxml.zel";
    Run best1, best4;
    best1.import = best4.import = 1e30;
    best1.save = best4.save = 1e30;
    for (int k = 0; k < repeats; ++k) {
        const Run r1 = ImportAndSave(small, out);
        const Run r4 = ImportAndSave(large, out);
        if (r1.import + r1.save < best1.import + best1.save) best1 = r1;
        if (r4.import + r4.save < best4.import + best4.save) best4 = r4;
    }
    std::remove(out.c_str());
    std::printf("MusicXML 8 parts x 300 bars (%zu bytes, %d tracks, %d bars): import and lay out %.1f ms, save %.1f ms, "
                "whole %.1f ms (goal 500)\n",
                small.size(), best1.tracks, best1.bars, best1.import, best1.save, best1.import + best1.save);
    std::printf("MusicXML 8 parts x 1200 bars (%zu bytes): import and lay out %.1f ms, save %.1f ms\n", large.size(),
                best4.import, best4.save);
    std::printf("Import time at 4x the bars: %.2f x (4 is linear)\n", best4.import / best1.import);
    return 0;
}
