#include "framework/Fonts.h"

#include "framework/App.h"

#include "framework/Arith.h"
#include "framework/CommonDialogs.h"
#include "framework/MessageBox.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPainter>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "framework/CodePage.h"
#include "framework/GdiImpl.h"
#include "framework/MusicFont.h"

namespace {

constexpr const char* kSans = "DejaVu Sans";
constexpr const char* kSerif = "DejaVu Serif";
constexpr const char* kMono = "DejaVu Sans Mono";
constexpr const char* kChinese = "WenQuanYi Micro Hei";

// Faces of the older platform that the program names, and what draws them here.
struct Substitute {
    const char* name;  // UTF-8
    const char* family;
};
const Substitute kSubstitutes[] = {
    {"MS Sans Serif", kSans},     {"Microsoft Sans Serif", kSans}, {"MS Shell Dlg", kSans},
    {"MS Shell Dlg 2", kSans},    {"Arial", kSans},                {"Tahoma", kSans},
    {"Verdana", kSans},           {"System", kSans},               {"Helvetica", kSans},
    {"Marlett", kSans},           {"Symbol", kSans},               {"Wingdings", kSans},
    {"Times New Roman", kSerif},  {"Times", kSerif},               {"Georgia", kSerif},
    {"Book Antiqua", kSerif},     {"Garamond", kSerif},            {"Courier New", kMono},
    {"Courier", kMono},           {"Lucida Console", kMono},       {"宋体", kChinese},
    {"SimSun", kChinese},         {"新宋体", kChinese},            {"NSimSun", kChinese},
    {"黑体", kChinese},           {"SimHei", kChinese},            {"楷体", kChinese},
    {"楷体_GB2312", kChinese},    {"KaiTi", kChinese},             {"仿宋", kChinese},
    {"仿宋_GB2312", kChinese},    {"FangSong", kChinese},          {"微软雅黑", kChinese},
    {"Microsoft YaHei", kChinese},
};

const char* FindSubstitute(const std::string& utf8) {
    for (const auto& s : kSubstitutes)
        if (QString::fromUtf8(s.name).compare(QString::fromStdString(utf8), Qt::CaseInsensitive) == 0)
            return s.family;
    return nullptr;
}

bool Installed(const QString& family) { return QFontDatabase::hasFamily(family) && !fw::IsPrintOnlyFamily(family); }

constexpr double kMusicAverageWidth = 0.3;  // em: what a width request stretches against

}  // namespace

namespace fw {

void EnsureGraphics() {
    if (QCoreApplication::instance()) return;
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "zelmarin";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);  // lives as long as the process
    InstallStandardDialogTranslation();
}

QString SubstituteFace(const std::string& utf8Name) {
    if (utf8Name.empty()) return QString::fromUtf8(kSans);
    QString name = QString::fromStdString(utf8Name);
    if (const char* fam = FindSubstitute(utf8Name)) return QString::fromUtf8(fam);
    if (Installed(name)) return name;
    return QString::fromUtf8(kSans);
}

std::string ResolvedFamily(const char* name) {
    EnsureGraphics();
    std::string utf8 = ToUtf8(name ? name : "");
    if (IsMusicFaceName(name ? name : "")) return "Bravura";
    return SubstituteFace(utf8).toStdString();
}

bool IsJapaneseFace(const char* name) {
    if (!name || !*name || IsMusicFaceName(name)) return false;
    EnsureGraphics();
    const QString family = SubstituteFace(ToUtf8(name));
    const QList<QFontDatabase::WritingSystem> systems = QFontDatabase::writingSystems(family);
    return systems.contains(QFontDatabase::Japanese) && !systems.contains(QFontDatabase::SimplifiedChinese);
}

std::vector<FontFaceInfo> EnumFontFamilies(const char* name) {
    EnsureGraphics();
    std::vector<FontFaceInfo> out;
    auto add = [&](const std::string& cpName, WORD type) {
        FontFaceInfo info;
        info.name = cpName.substr(0, FitBytes(cpName, LF_FACESIZE - 1));
        info.fontType = type;
        CopyText(info.logFont.lfFaceName, LF_FACESIZE, info.name);
        info.logFont.lfCharSet = DEFAULT_CHARSET;
        info.logFont.lfWeight = FW_NORMAL;
        out.push_back(std::move(info));
    };
    if (name && *name) {
        std::string utf8 = ToUtf8(name);
        if (IsMusicFaceName(name)) {
            if (MusicFontAvailable()) add(name, TRUETYPE_FONTTYPE);
        } else if (const char* fam = FindSubstitute(utf8)) {
            if (Installed(QString::fromUtf8(fam))) add(name, TRUETYPE_FONTTYPE);
        } else if (Installed(QString::fromStdString(utf8))) {
            add(name, TRUETYPE_FONTTYPE);
        }
        return out;
    }
    const QStringList families = QFontDatabase::families();
    for (const QString& fam : families) {
        if (QFontDatabase::isPrivateFamily(fam) || IsPrintOnlyFamily(fam)) continue;
        WORD type = QFontDatabase::isSmoothlyScalable(fam) ? TRUETYPE_FONTTYPE : RASTER_FONTTYPE;
        add(FromUtf8(fam.toStdString()), type);
    }
    return out;
}

}  // namespace fw

ResolvedFont ResolveFont(const LOGFONT& lf) {
    fw::EnsureGraphics();
    ResolvedFont f;
    std::string face(lf.lfFaceName, strnlen(lf.lfFaceName, LF_FACESIZE));
    f.face = face;
    f.bold = lf.lfWeight >= 600;
    f.italic = lf.lfItalic != 0;
    f.underline = lf.lfUnderline != 0;
    f.escapement = lf.lfEscapement;
    f.music = fw::IsMusicFaceName(face);
    if (f.music) {
        f.charset = SYMBOL_CHARSET;
        if (lf.lfHeight < 0)
            f.em = -lf.lfHeight;
        else if (lf.lfHeight > 0)
            f.em = lf.lfHeight / 1.25;
        else
            f.em = 16;
        if (lf.lfWidth > 0 && f.em > 0) f.xscale = lf.lfWidth / (kMusicAverageWidth * f.em);
        return f;
    }
    QString family = fw::SubstituteFace(fw::ToUtf8(face));
    f.charset = family == QLatin1String(kChinese) ? GB2312_CHARSET : ANSI_CHARSET;
    QFont q;
    q.setFamilies({family, QString::fromUtf8(kChinese)});
    q.setBold(f.bold);
    q.setItalic(f.italic);
    q.setUnderline(f.underline);
    q.setHintingPreference(QFont::PreferNoHinting);
    q.setStyleStrategy(QFont::PreferAntialias);
    double em = 16;
    if (lf.lfHeight < 0) {
        em = -lf.lfHeight;
    } else if (lf.lfHeight > 0) {
        q.setPixelSize(100);
        QFontMetricsF fm(q);
        double cell = fm.ascent() + fm.descent();
        em = cell > 0 ? lf.lfHeight * 100.0 / cell : lf.lfHeight;
    }
    f.em = std::max(1.0, std::round(em));
    q.setPixelSize(int(f.em));
    if (lf.lfWidth > 0) {
        QFontMetricsF fm(q);
        double avg = fm.averageCharWidth();
        if (avg > 0) {
            int stretch = int(std::lround(100.0 * lf.lfWidth / avg));
            q.setStretch(std::clamp(stretch, 1, 4000));
            f.xscale = lf.lfWidth / avg;
        }
    }
    f.qfont = q;
    return f;
}

TEXTMETRIC FontTextMetrics(const ResolvedFont& f) {
    TEXTMETRIC tm;
    tm.tmWeight = f.bold ? FW_BOLD : FW_NORMAL;
    tm.tmItalic = f.italic;
    tm.tmUnderlined = f.underline;
    tm.tmCharSet = BYTE(f.charset);
    if (f.music) {
        tm.tmAscent = LONG(std::lround(f.em));
        tm.tmDescent = LONG(std::lround(f.em / 4));
        tm.tmHeight = tm.tmAscent + tm.tmDescent;
        tm.tmInternalLeading = tm.tmHeight - LONG(std::lround(f.em));
        tm.tmAveCharWidth = std::max<LONG>(1, LONG(std::lround(kMusicAverageWidth * f.em * f.xscale)));
        tm.tmMaxCharWidth = LONG(std::lround(2.5 * f.em * f.xscale));
        return tm;
    }
    QFontMetricsF fm(f.qfont);
    tm.tmAscent = LONG(std::ceil(fm.ascent() - 0.01));
    tm.tmDescent = LONG(std::ceil(fm.descent() - 0.01));
    tm.tmHeight = tm.tmAscent + tm.tmDescent;
    tm.tmInternalLeading = std::max<LONG>(0, tm.tmHeight - LONG(std::lround(f.em)));
    tm.tmExternalLeading = std::max<LONG>(0, LONG(std::lround(fm.leading())));
    tm.tmAveCharWidth = LONG(std::lround(fm.averageCharWidth()));
    tm.tmMaxCharWidth = LONG(std::lround(fm.maxWidth()));
    return tm;
}

namespace {
QString CodePageToQString(const char* text, int length) {
    return QString::fromStdString(fw::ToUtf8(std::string_view(text, std::size_t(std::max(0, length)))));
}
}  // namespace

int FontCharWidth(const ResolvedFont& f, unsigned code) {
    if (f.music) return int(std::lround(fw::music::Advance(int(code & 0xFF), f.em, f.xscale)));
    char buf[3] = {};
    int n = 1;
    if (code > 0xFF) {
        buf[0] = char(code >> 8);
        buf[1] = char(code & 0xFF);
        n = 2;
    } else {
        buf[0] = char(code);
    }
    QFontMetricsF fm(f.qfont);
    return int(std::lround(fm.horizontalAdvance(CodePageToQString(buf, n))));
}

int FontTextWidth(const ResolvedFont& f, const char* text, int length) {
    if (!text || length <= 0) return 0;
    if (f.music) {
        int w = 0;
        for (int i = 0; i < length; ++i) w += FontCharWidth(f, std::uint8_t(text[i]));
        return w;
    }
    QFontMetricsF fm(f.qfont);
    return int(std::lround(fm.horizontalAdvance(CodePageToQString(text, length))));
}

void FontDrawText(QPainter& p, const ResolvedFont& f, double x, double baseline, const char* text, int length,
                  const QColor& color, bool antialias) {
    if (!text || length <= 0) return;
    // Hints are set only when they change: each setting is written into a printed page.
    if (p.testRenderHint(QPainter::Antialiasing) != antialias) p.setRenderHint(QPainter::Antialiasing, antialias);
    if (p.testRenderHint(QPainter::TextAntialiasing) != antialias) p.setRenderHint(QPainter::TextAntialiasing, antialias);
    if (f.music) {
        std::vector<fw::music::PlacedCode> placed;
        placed.reserve(std::size_t(length));
        double cx = x;
        for (int i = 0; i < length; ++i) {
            int code = std::uint8_t(text[i]);
            placed.push_back({code, QPointF(cx, baseline)});
            cx += FontCharWidth(f, unsigned(code));
        }
        // A document that embeds fonts gets the glyphs as text of the music font.
        if (p.paintEngine() && p.paintEngine()->type() == QPaintEngine::Pdf) {
            // Text takes only the pen's colour: a line's pen of that colour serves, and is not
            // written again for every sign between lines.
            if (p.pen().style() == Qt::NoPen || p.pen().brush() != QBrush(color)) p.setPen(color);
            if (fw::music::DrawAsText(p, placed.data(), length, f.em, f.xscale)) return;
        }
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        for (const fw::music::PlacedCode& c : placed) {
            QPainterPath path = fw::music::Outline(c.code, f.em, f.xscale);
            if (!path.isEmpty()) p.drawPath(path.translated(c.origin));
        }
        return;
    }
    p.setFont(f.qfont);
    p.setPen(color);
    p.setBrush(Qt::NoBrush);
    p.drawText(QPointF(x, baseline), CodePageToQString(text, length));
}


namespace fw {
bool RunFontDialog(const char* face, int size, int style, std::string* faceOut, int* tenthsOut, int* styleOut) {
    // Through the scriptable font dialog, so headless runs answer from their script.
    LOGFONT lf{};
    lf.lfHeight = -MulDiv(std::max(1, size), 96, 72);
    lf.lfWeight = (style & 1) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (style & 2) ? 1 : 0;
    lf.lfUnderline = (style & 4) ? 1 : 0;
    CopyText(lf.lfFaceName, sizeof lf.lfFaceName, face ? face : "");
    CFontDialog dlg(&lf);
    if (dlg.DoModal() != IDOK) return false;
    if (faceOut) *faceOut = dlg.GetFaceName().str();
    if (tenthsOut) *tenthsOut = dlg.GetSize();
    if (styleOut) *styleOut = (dlg.IsBold() ? 1 : 0) | (dlg.IsItalic() ? 2 : 0) | (dlg.IsUnderline() ? 4 : 0);
    return true;
}
}  // namespace fw
